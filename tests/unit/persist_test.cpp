// The file formats below the routine tables: the keep/lose table held to what
// a round trip does, and failures injected where the system cannot be made to
// fail on demand (the n-th write, flush, close or rename of a save, the n-th
// allocation of a save, a load or a row operation). Each either completes or
// leaves the array and the old file as they were, with no new file left behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "persist/csv_file.h"
#include "persist/element_file.h"
#include "persist/format_facts.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"
#include "recordset/labels.h"
#include "recordset/lists.h"
#include "recordset/rows.h"
#include "tests/e2e/temp_files.h"
#include "tests/unit/allocation_faults.h"
#include "tests/unit/stores.h"

namespace tessel::persist {
namespace {

using Save = Status (*)(const ArrayStore&, FileHandler&, const char*, WriteMode);
using Load = Status (*)(ArrayStore&, const FileHandler&, const char*, LoadMode);
struct FileFormat {
  const char* name;
  Save save;
  Load load;  // none for the element file, which a file load appends as one element
};
// In the order of facts::Format; the element file holds element 4.
const FileFormat kFileFormats[] = {
    {"native", saveToFile, loadFromFile},
    {"host array", saveAsHostArray, loadFromHostArray},
    {"csv", saveToCsv, loadFromCsv},
    {"ini", saveToIni, loadFromIni},
    {"element",
     [](const ArrayStore& s, FileHandler& f, const char* n, WriteMode m) { return saveElementToFile(s, f, n, m, 4); },
     nullptr},
};

// A 2D array with every kind of cell, keys of both kinds and a label, and
// `values` more cells.
ArrayStore sample(int values, const char* label) {
  ArrayStore s = testing::table(3);
  const char data[5] = {'\0', 'x', '\r', '\n', '\xFF'};
  s.append(CellDescriptor::ofString("a"));
  s.append(CellDescriptor::ofData(data, 5));
  for (int i = 1; i <= values; ++i) s.append(CellDescriptor::ofValue(i));
  s.setKey(0, CellDescriptor::ofString("k"));
  s.setKey(1, CellDescriptor::ofValue(7));
  recordset::setLabel(s, label, 1);
  return s;
}

std::vector<std::string> folder(const testing::TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.file(""))) names.push_back(e.path().filename().string());
  return names;
}

namespace facts_probes {

using namespace facts;

std::string textOf(const Cell* c) { return c == nullptr ? std::string() : std::string(c->text().view()); }

// The cell's content as bytes: its text, or a data cell's bytes up to a zero.
std::string contentOf(const Cell* c) {
  if (c == nullptr || c->type() != CellType::data) return textOf(c);
  const std::string_view bytes(c->bytes(), static_cast<std::size_t>(c->length()));
  return std::string(bytes.substr(0, bytes.find('\0')));
}

bool someCellHolds(const ArrayStore& s, std::string_view part) {
  for (int32_t i = 0; i < s.size(); ++i) {
    if (contentOf(s.cellAt(i)).find(part) != std::string::npos) return true;
  }
  return false;
}

// Saves `source` in the format and loads it into a new store.
ArrayStore roundTrip(Format f, const ArrayStore& source, const std::string& file) {
  ArrayStore loaded;
  const char* name = file.c_str();
  FileHandler files;
  const FileFormat& format = kFileFormats[static_cast<std::size_t>(f)];
  if (format.load != nullptr) {
    EXPECT_TRUE(format.save(source, files, name, WriteMode::replace).ok());
    EXPECT_TRUE(format.load(loaded, files, name, LoadMode::replace).ok());
  }
  for (int32_t i = 0; format.load == nullptr && i < source.size(); ++i) {
    EXPECT_TRUE(saveElementToFile(source, files, name, WriteMode::replace, i).ok());
    EXPECT_TRUE(appendFile(loaded, files, name).ok());
  }
  return loaded;
}

// The cells, in one dimension, with the keys of the first ones.
ArrayStore cells(std::initializer_list<CellDescriptor> cells, std::initializer_list<CellDescriptor> keys = {}) {
  ArrayStore s;
  for (const CellDescriptor& d : cells) s.append(d);
  for (const CellDescriptor& k : keys) s.setKey(static_cast<int32_t>(&k - keys.begin()), k);
  return s;
}

// By whether the text comes back whole in the first cell, inside some cell, or nowhere.
Fate textFate(const ArrayStore& loaded, std::string_view text) {
  if (contentOf(loaded.cellAt(0)) == text) return Fate::kept;
  return someCellHolds(loaded, text) ? Fate::changed : Fate::lost;
}

// Kept when the first cell comes back as it went, kind and all; changed when only its text does.
Fate firstCellFate(const ArrayStore& saved, const ArrayStore& loaded) {
  const Cell* c = loaded.cellAt(0);
  if (c && testing::describe(*c) == testing::describe(*saved.cellAt(0))) return Fate::kept;
  return contentOf(c) == contentOf(saved.cellAt(0)) ? Fate::changed : Fate::lost;
}

struct Probe {
  const char* aspect;
  ArrayStore (*make)();
  Fate (*judge)(const ArrayStore& saved, const ArrayStore& loaded);
};

const Probe kProbes[] = {
    {"Dimensions and boundaries",
     [] {
       ArrayStore s = cells({});
       s.dimensions().setCount(3);
       s.dimensions().setBoundary(1, 2);
       s.dimensions().setBoundary(2, 2);
       for (const char* t : {"a", "b", "c", "d", "e", "f", "g", "h"}) s.append(CellDescriptor::ofString(t));
       return s;
     },
     [](const ArrayStore& saved, const ArrayStore& loaded) {
       const Dimensions& d = loaded.dimensions();
       if (d.count() == 3 && d.boundary(1) == 2 && d.boundary(2) == 2 && loaded.size() == saved.size())
         return Fate::kept;
       return d.count() == ArrayStore().dimensions().count() ? Fate::lost : Fate::changed;
     }},
    {"Keys",
     [] {
       return cells({CellDescriptor::ofString("a"), CellDescriptor::ofValue(5)},
                    {CellDescriptor::ofString("k"), CellDescriptor::ofValue(7)});
     },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const Cell* ka = loaded.cellAt(0) ? loaded.cellAt(0)->key() : nullptr;
       const Cell* kb = loaded.cellAt(1) ? loaded.cellAt(1)->key() : nullptr;
       if (ka && kb && ka->type() == CellType::string && textOf(ka) == "k" && kb->type() == CellType::value &&
           kb->value() == 7)
         return Fate::kept;
       return textOf(ka) == "k" || textOf(kb) == "7" ? Fate::changed : Fate::lost;
     }},
    {"Column labels",
     [] {
       ArrayStore s = testing::table(2, false);
       s.append(CellDescriptor::ofString("ann"));
       s.append(CellDescriptor::ofValue(30));
       recordset::setLabel(s, "name", 0);
       recordset::setLabel(s, "age", 1);
       return s;
     },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const char* a = loaded.labels().at(0);
       const char* b = loaded.labels().at(1);
       if (a && b && std::string(a) == "name" && std::string(b) == "age") return Fate::kept;
       return a || b ? Fate::changed : Fate::lost;
     }},
    {"Empty cells",
     [] {
       ArrayStore s =
           cells({CellDescriptor::ofString("a"), CellDescriptor::ofString(""), CellDescriptor::ofString("b")});
       s.set(1, CellDescriptor::ofValue(0));  // emptied in place
       s.setKey(1, CellDescriptor::ofString("e"));
       return s;
     },
     [](const ArrayStore& saved, const ArrayStore& loaded) {
       EXPECT_EQ(saved.cellAt(1)->type(), CellType::empty);
       const Cell* c = loaded.cellAt(1);
       if (c == nullptr || contentOf(loaded.cellAt(2)) != "b") return Fate::lost;
       return c->type() == CellType::empty ? Fate::kept : Fate::changed;
     }},
    {"Value cells (integers)", [] { return cells({CellDescriptor::ofValue(42)}); }, firstCellFate},
    {"String cells", [] { return cells({CellDescriptor::ofString("hello")}); }, firstCellFate},
    {"Data cells (raw bytes)", [] { return cells({CellDescriptor::ofData("x\0y", 3)}); },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const Cell* c = loaded.cellAt(0);
       if (c && c->type() == CellType::data && c->length() == 3 &&
           std::string_view(c->bytes(), 3) == std::string_view("x\0y", 3))
         return Fate::kept;
       return someCellHolds(loaded, "x") ? Fate::changed : Fate::lost;
     }},
    {"Texts holding the format's separator",
     [] { return cells({CellDescriptor::ofString("x,y=z")}, {CellDescriptor::ofString("k=v")}); },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const Cell* key = loaded.cellAt(0) ? loaded.cellAt(0)->key() : nullptr;
       const Fate text = textFate(loaded, "x,y=z");
       // A format that drops keys altogether is judged by the text alone.
       return text == Fate::kept && key != nullptr && !textOf(key).empty() && textOf(key) != "k=v" ? Fate::changed
                                                                                                   : text;
     }},
    {"Texts holding line breaks", [] { return cells({CellDescriptor::ofString("one\r\ntwo")}); },
     [](const ArrayStore&, const ArrayStore& loaded) { return textFate(loaded, "one\r\ntwo"); }},
    {"Row selection and settings",
     [] {
       ArrayStore s = cells({CellDescriptor::ofString("a")});
       s.setListDelimiter(";");
       s.setCaseSensitive(true);
       s.setWildcard(true);
       return s;
     },
     [](const ArrayStore& saved, const ArrayStore& loaded) {
       const bool delimiter = loaded.listDelimiter() == saved.listDelimiter();
       const bool modes = loaded.compareMode().caseSensitive && loaded.compareMode().wildcard;
       if (delimiter && modes) return Fate::kept;
       return delimiter || modes ? Fate::changed : Fate::lost;
     }},
};

// Each aspect is saved in each format and loaded back into a new store, and
// what comes back decides whether the table may call it kept, changed or lost.
TEST(FormatFacts, TheTableSaysWhatARoundTripDoes) {
  ASSERT_EQ(std::size(kProbes), kAspectCount);
  ASSERT_EQ(std::size(kFileFormats), kFormatCount);
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  for (std::size_t a = 0; a < kAspectCount; ++a) {
    ASSERT_STREQ(kProbes[a].aspect, kAspects[a].name);
    const ArrayStore saved = kProbes[a].make();
    for (std::size_t f = 0; f < kFormatCount; ++f) {
      SCOPED_TRACE(std::string(kAspects[a].name) + " in the " + kFormats[f].name);
      ASSERT_EQ(static_cast<std::size_t>(kFormats[f].format), f);
      const ArrayStore loaded = roundTrip(kFormats[f].format, saved, dir.file("f" + std::to_string(f)));
      EXPECT_STREQ(fateName(kProbes[a].judge(saved, loaded)), fateName(kAspects[a].by[f].fate));
    }
  }
}

}  // namespace facts_probes

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
    if (refuseNewFiles == 0) return FileSystem::createNew(name, like);
    errno = refuseNewFiles;
    return nullptr;
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

// Any step of a save can fail: the n-th write, flush, close or rename. A
// locked folder with a writable file is written in place, as an appending
// save always is; with no room for a new file nothing is touched.
TEST(WriteFailures, EveryStepOfASaveCanFailWithoutHarm) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const ArrayStore store = sample(10, "name");
  const std::string expected = dir.file("expected"), name = dir.file("f");
  const std::string old(5000, 'o');  // longer than any of the saves
  FileHandler real;
  for (const FileFormat& format : kFileFormats) {
    for (Step kind : {Step::any, Step::write, Step::flush, Step::close, Step::rename}) {
      SCOPED_TRACE(std::string(format.name) + " step kind " + std::to_string(static_cast<int>(kind)));
      int failures = 0;
      for (int n = 1;; ++n) {
        testing::writeBytes(name, old);
        FailingFileSystem fs;
        fs.kind = kind;
        fs.failAt = n;
        FileHandler files(fs);
        const Status status = format.save(store, files, name.c_str(), WriteMode::replace);
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
    ASSERT_TRUE(format.save(store, real, expected.c_str(), WriteMode::replace).ok());
    for (int refusal : {EACCES, ENOSPC}) {
      testing::writeBytes(name, "old");
      FailingFileSystem fs;
      fs.refuseNewFiles = refusal;
      FileHandler files(fs);
      const Status status = format.save(store, files, name.c_str(), WriteMode::replace);
      EXPECT_EQ(status.code(), refusal == EACCES ? StatusCode::ok : StatusCode::cannotOpen) << status.describe();
      EXPECT_EQ(testing::readBytes(name), refusal == EACCES ? testing::readBytes(expected) : "old") << refusal;
    }
    std::filesystem::remove(expected);
  }
  ASSERT_TRUE(saveToCsv(store, real, expected.c_str(), WriteMode::replace).ok());
  testing::writeBytes(name, "old");
  FailingFileSystem fs;
  fs.refuseNewFiles = EACCES;
  FileHandler files(fs);
  ASSERT_TRUE(saveToCsv(store, files, name.c_str(), WriteMode::append).ok());
  EXPECT_EQ(testing::readBytes(name), "old" + testing::readBytes(expected));
  EXPECT_EQ(files.writeMode(), WriteMode::append);  // a save leaves its mode on the handler
}

// Out of memory at each allocation in turn, a save leaves the old file, and a
// load, replacing or appending, the array (23 cells, close to a growth step).
TEST(AllocationFailures, SavesAndLoadsLeaveTheFileAndTheArray) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const ArrayStore source = sample(10, "first");
  FileHandler files;
  for (const FileFormat& format : kFileFormats) {
    SCOPED_TRACE(format.name);
    const std::string name = dir.file("f");
    testing::writeBytes(name, "old");
    const int failures =
        testing::forEachAllocationFailure([&] { (void)format.save(source, files, name.c_str(), WriteMode::replace); },
                                          [&](bool threw) {
                                            EXPECT_TRUE(threw);
                                            EXPECT_EQ(testing::readBytes(name), "old");
                                            EXPECT_EQ(folder(dir), std::vector<std::string>{"f"});
                                          });
    EXPECT_GT(failures, 0);
    EXPECT_NE(testing::readBytes(name), "old");
    for (LoadMode mode : {LoadMode::replace, LoadMode::append}) {
      if (format.load == nullptr) break;  // loaded as an element below
      SCOPED_TRACE(mode == LoadMode::replace ? "replace" : "append");
      ArrayStore store = sample(21, "x");
      const std::string before = testing::describeAll(store);
      EXPECT_GT(testing::failuresLeavingTheStore(store, [&] { (void)format.load(store, files, name.c_str(), mode); }),
                0);
      EXPECT_NE(testing::describeAll(store), before);  // the run without a failure did load
    }
  }
}

TEST(AllocationFailures, ListsRowOperationsAndFilesIntoElementsCompleteOrChangeNothing) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string name = dir.file("blob");
  testing::writeBytes(name, std::string(300, '\0') + "bytes of a file");
  FileHandler files;
  // The first seven must change the array; reading lists must leave it.
  const std::function<void(ArrayStore&)> changes[] = {
      [](ArrayStore& s) { recordset::insertRowFromList(s, "x,y,z", 1); },
      [](ArrayStore& s) { recordset::appendRowFromList(s, "a very long first item,y"); },
      [](ArrayStore& s) { recordset::replaceRowWithList(s, "p,q,a long enough text to allocate", 2); },
      [](ArrayStore& s) { recordset::setLabel(s, "a label long enough to allocate", 2); },
      [&](ArrayStore& s) { (void)setFileAt(s, files, name.c_str(), 40); },
      [&](ArrayStore& s) { (void)insertFileAt(s, files, name.c_str(), 1); },
      [&](ArrayStore& s) { (void)appendFile(s, files, name.c_str()); },
      [](ArrayStore& s) { recordset::deleteRow(s, 0); },
      [](ArrayStore& s) { (void)recordset::rowList(s, 1); },
      [](ArrayStore& s) { (void)recordset::columnList(s, 0); },
      [](ArrayStore& s) { (void)recordset::labelList(s); },
      [](ArrayStore& s) { (void)recordset::pairList(s, "=", ";"); },
  };
  for (const auto& change : changes) {
    SCOPED_TRACE(&change - changes);
    ArrayStore s = sample(10, "name");
    const std::string before = testing::describeAll(s);
    const int failures = testing::failuresLeavingTheStore(s, [&] { change(s); });
    if (&change - changes < 7) {
      EXPECT_GT(failures, 0);
      EXPECT_NE(testing::describeAll(s), before);
    }
  }
}

// Counts what a save hands on and keeps none of it.
class CountingWriter final : public ByteWriter {
 public:
  CountingWriter() : ByteWriter(kBufferSize) {}
  uint64_t finish() {
    drainBuffer();
    return count_;
  }
  uint64_t drains = 0;

 private:
  void drain(std::string_view bytes) override {
    count_ += bytes.size();
    ++drains;
  }
  uint64_t count_ = 0;
};

TEST(Saves, AHugeDeclaredGridStreamsThroughOneBuffer) {
  // Three columns of ten million rows declared, two cells held: the file is
  // 120 MB of empty entries, handed on 64 KiB at a time.
  ArrayStore s;
  s.dimensions().setCount(3);
  s.dimensions().setBoundary(1, 3);
  s.dimensions().setBoundary(2, 10000000);
  s.append(CellDescriptor::ofString("ab"));
  s.append(CellDescriptor::ofValue(-7));
  const std::optional<HostArrayGrid> grid = hostArrayGrid(s);
  ASSERT_TRUE(grid.has_value());
  EXPECT_EQ(grid->entries, 30000000);
  CountingWriter out;
  writeHostArrayFile(s, *grid, out);
  EXPECT_EQ(out.finish(), 30u + 4u * 30000000u + 2u + 2u);
  EXPECT_EQ(out.drains, (out.finish() + ByteWriter::kBufferSize - 1) / ByteWriter::kBufferSize);
  // A grid beyond 32 bits of entries is refused before any file is opened.
  s.dimensions().setBoundary(1, 100000);
  s.dimensions().setBoundary(2, 100000);
  EXPECT_FALSE(hostArrayGrid(s).has_value());
  FileHandler files;
  EXPECT_EQ(saveAsHostArray(s, files, "/nonexistent/never", WriteMode::replace).code(), StatusCode::tooLarge);
}

}  // namespace
}  // namespace tessel::persist
