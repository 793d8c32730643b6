// Failures injected where the system cannot be made to fail on demand: the
// n-th write, flush, close or rename of a save, and the n-th allocation of
// saves, list building and row operations. Each either completes or leaves
// the array and the old file as they were, with no new file left behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "persist/csv_file.h"
#include "persist/element_file.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"
#include "recordset/labels.h"
#include "recordset/lists.h"
#include "recordset/rows.h"
#include "tests/e2e/temp_files.h"
#include "tests/unit/allocation_faults.h"

namespace tessel::persist {
namespace {

enum class Step { write, flush, close, rename, any };

// The real file system, except that the n-th step of the chosen kind fails
// (as a full disk does), and new files can be refused as a locked folder does.
class FailingFileSystem : public FileSystem {
 public:
  Step kind = Step::any;
  int failAt = -1;         // the step that fails, counting from 1; -1: none
  int refuseNewFiles = 0;  // errno for every new file, 0: none refused
  mutable int steps = 0;
  mutable bool fired = false;

  std::FILE* createNew(const char* name, const char* like) const override {
    if (refuseNewFiles != 0) {
      errno = refuseNewFiles;
      return nullptr;
    }
    return FileSystem::createNew(name, like);
  }
  std::size_t write(std::FILE* f, const char* from, std::size_t n) const override {
    return failing(Step::write) ? 0 : FileSystem::write(f, from, n);
  }
  bool flush(std::FILE* f) const override { return !failing(Step::flush) && FileSystem::flush(f); }
  bool close(std::FILE* f) const override {
    const bool fail = failing(Step::close);
    return FileSystem::close(f) && !fail;  // the stream is released either way
  }
  bool replace(const char* from, const char* to) const override {
    return !failing(Step::rename) && FileSystem::replace(from, to);
  }
  // A few bytes at a time, so that a small save takes many writes.
  std::size_t bufferSize() const override { return 7; }

 private:
  bool failing(Step k) const {
    if (kind != Step::any && kind != k) return false;
    if (++steps != failAt) return false;
    fired = true;
    errno = ENOSPC;
    return true;
  }
};

ArrayStore sample() {
  ArrayStore s;
  s.dimensions().setCount(2);
  s.dimensions().setBoundary(1, 3);
  s.rowFlags().setAutoSelect(true);
  for (const char* row : {"name,size,note", "a,12,first", "b,7,", "c,,last"}) recordset::appendRowFromList(s, row);
  s.setKey(1, CellDescriptor::ofString("k"));
  recordset::setLabel(s, "name", 0);
  return s;
}

using Save = std::function<Status(const ArrayStore&, FileHandler&, const char*)>;
struct NamedSave {
  const char* name;
  Save save;
};
const NamedSave kSaves[] = {
    {"native", [](auto& s, auto& f, auto n) { return saveToFile(s, f, n, WriteMode::replace); }},
    {"host array", [](auto& s, auto& f, auto n) { return saveAsHostArray(s, f, n, WriteMode::replace); }},
    {"csv", [](auto& s, auto& f, auto n) { return saveToCsv(s, f, n, WriteMode::replace); }},
    {"ini", [](auto& s, auto& f, auto n) { return saveToIni(s, f, n, WriteMode::replace); }},
    {"element", [](auto& s, auto& f, auto n) { return saveElementToFile(s, f, n, WriteMode::replace, 4); }},
};

std::vector<std::string> folder(const testing::TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.file(""))) names.push_back(e.path().filename().string());
  return names;
}

TEST(WriteFailures, EveryStepOfASaveCanFailWithoutHarm) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const ArrayStore store = sample();
  const std::string name = dir.file("f");
  const std::string old(5000, 'o');  // longer than any of the saves
  for (const NamedSave& s : kSaves) {
    for (Step kind : {Step::any, Step::write, Step::flush, Step::close, Step::rename}) {
      SCOPED_TRACE(std::string(s.name) + " step kind " + std::to_string(static_cast<int>(kind)));
      int failures = 0;
      for (int n = 1;; ++n) {
        testing::writeBytes(name, old);
        FailingFileSystem fs;
        fs.kind = kind;
        fs.failAt = n;
        FileHandler files(fs);
        const Status status = s.save(store, files, name.c_str());
        if (!fs.fired) {
          EXPECT_TRUE(status.ok()) << status.describe();
          EXPECT_NE(testing::readBytes(name), old);
          break;
        }
        ++failures;
        EXPECT_FALSE(status.ok());
        EXPECT_EQ(status.file(), name);
        EXPECT_EQ(status.reason(), ENOSPC);
        EXPECT_EQ(testing::readBytes(name), old) << "failing step " << n;
        EXPECT_EQ(folder(dir), std::vector<std::string>{"f"}) << "failing step " << n;
      }
      // Every save takes at least one write, flush, close and rename.
      EXPECT_GE(failures, kind == Step::any ? 4 : 1);
    }
  }
}

TEST(WriteFailures, AFolderThatRefusesNewFilesIsWrittenInPlace) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const ArrayStore store = sample();
  FileHandler real;
  for (const NamedSave& s : kSaves) {
    SCOPED_TRACE(s.name);
    const std::string expected = dir.file("expected"), name = dir.file("f");
    ASSERT_TRUE(s.save(store, real, expected.c_str()).ok());
    for (int refusal : {EACCES, ENOSPC}) {
      testing::writeBytes(name, "old");
      FailingFileSystem fs;
      fs.refuseNewFiles = refusal;
      FileHandler files(fs);
      const Status status = s.save(store, files, name.c_str());
      if (refusal == EACCES) {  // a locked folder, a writable file
        EXPECT_TRUE(status.ok()) << status.describe();
        EXPECT_EQ(testing::readBytes(name), testing::readBytes(expected));
      } else {  // no room for a new file: nothing is touched
        EXPECT_EQ(status.code(), StatusCode::cannotOpen);
        EXPECT_EQ(testing::readBytes(name), "old");
      }
    }
  }
}

TEST(WriteFailures, AppendingSavesWriteInPlace) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const ArrayStore store = sample();
  const std::string name = dir.file("f");
  testing::writeBytes(name, "old");
  FailingFileSystem fs;
  fs.refuseNewFiles = EACCES;  // an appending save makes no new file at all
  FileHandler files(fs);
  ASSERT_TRUE(saveToCsv(store, files, name.c_str(), WriteMode::append).ok());
  EXPECT_EQ(testing::readBytes(name).substr(0, 18), "oldname,size,note\r");
  EXPECT_EQ(files.writeMode(), WriteMode::append);  // a save leaves its mode on the handler
}

// Everything a change may touch, as one comparable text.
std::string fingerprint(const ArrayStore& s) {
  StringWriter out;
  writeNativeFile(s, out);
  std::string f = out.take() + "|" + std::to_string(s.capacity()) + "|";
  for (int32_t r = 0; r < s.rowFlags().count(); ++r) f += std::to_string(s.rowFlags().at(r));
  return f;
}

TEST(AllocationFailures, SavesLeaveTheFileAndTheArray) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const ArrayStore store = sample();
  const std::string name = dir.file("f");
  FileHandler files;
  for (const NamedSave& s : kSaves) {
    SCOPED_TRACE(s.name);
    testing::writeBytes(name, "old");
    const int failures = testing::forEachAllocationFailure([&] { (void)s.save(store, files, name.c_str()); },
                                                           [&](bool threw) {
                                                             EXPECT_TRUE(threw);
                                                             EXPECT_EQ(testing::readBytes(name), "old");
                                                             EXPECT_EQ(folder(dir), std::vector<std::string>{"f"});
                                                           });
    EXPECT_GT(failures, 0);
    EXPECT_NE(testing::readBytes(name), "old");
  }
}

TEST(AllocationFailures, ListsAndRowOperationsCompleteOrChangeNothing) {
  const std::function<void(ArrayStore&)> changes[] = {
      [](ArrayStore& s) { recordset::insertRowFromList(s, "x,y,z", 1); },
      [](ArrayStore& s) { recordset::appendRowFromList(s, "a very long first item,y"); },
      [](ArrayStore& s) { recordset::replaceRowWithList(s, "p,q,a long enough text to allocate", 2); },
      [](ArrayStore& s) { recordset::deleteRow(s, 0); },
      [](ArrayStore& s) { recordset::setLabel(s, "a label long enough to allocate", 2); },
      [](ArrayStore& s) { (void)recordset::rowList(s, 1); },
      [](ArrayStore& s) { (void)recordset::columnList(s, 0); },
      [](ArrayStore& s) { (void)recordset::labelList(s); },
      [](ArrayStore& s) { (void)recordset::pairList(s, "=", ";"); },
  };
  for (const auto& change : changes) {
    SCOPED_TRACE(&change - changes);
    ArrayStore s = sample();
    const std::string before = fingerprint(s);
    testing::forEachAllocationFailure([&] { change(s); },
                                      [&](bool threw) {
                                        EXPECT_TRUE(threw);
                                        EXPECT_EQ(fingerprint(s), before);
                                      });
  }
}

TEST(AllocationFailures, FilesIntoElementsCompleteOrChangeNothing) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string name = dir.file("blob");
  testing::writeBytes(name, std::string(300, '\0') + "bytes of a file");
  FileHandler files;
  const std::function<Status(ArrayStore&)> loads[] = {
      [&](ArrayStore& s) { return setFileAt(s, files, name.c_str(), 40); },
      [&](ArrayStore& s) { return insertFileAt(s, files, name.c_str(), 1); },
      [&](ArrayStore& s) { return appendFile(s, files, name.c_str()); },
  };
  for (const auto& load : loads) {
    SCOPED_TRACE(&load - loads);
    ArrayStore s = sample();
    const std::string before = fingerprint(s);
    const int failures = testing::forEachAllocationFailure([&] { (void)load(s); },
                                                           [&](bool threw) {
                                                             EXPECT_TRUE(threw);
                                                             EXPECT_EQ(fingerprint(s), before);
                                                           });
    EXPECT_GT(failures, 0);
    EXPECT_NE(fingerprint(s), before);
  }
}

}  // namespace
}  // namespace tessel::persist
