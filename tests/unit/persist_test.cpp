// The file formats below the routine tables: the keep/lose table held to what
// a round trip does, and failures injected where the system cannot be made to
// fail on demand (the n-th step of a save on each of its paths, the n-th
// allocation of a save, a load or a row operation), and saves killed at each
// step in a process of their own. Each either completes or leaves the array
// and the old file as they were, with no new file left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#if !defined(_WIN32)
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "host/format_facts.h"
#include "persist/csv_file.h"
#include "persist/element_file.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"
#include "persist/recognition.h"
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
    {"native", [](const ArrayStore& s, FileHandler& f, const char* n, WriteMode m) { return saveToFile(s, f, n, m); },
     loadFromFile},
    {"host array",
     [](const ArrayStore& s, FileHandler& f, const char* n, WriteMode m) { return saveAsHostArray(s, f, n, m); },
     loadFromHostArray},
    {"csv", [](const ArrayStore& s, FileHandler& f, const char* n, WriteMode m) { return saveToCsv(s, f, n, m); },
     loadFromCsv},
    {"ini", [](const ArrayStore& s, FileHandler& f, const char* n, WriteMode m) { return saveToIni(s, f, n, m); },
     loadFromIni},
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

std::vector<std::string> folderListing(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(path)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> folder(const testing::TempDir& dir) { return folderListing(dir.file("")); }

// What shows a file as INI to a tool is what the INI reader takes for its
// first line; a text shown as INI gives the reader a section, so an entry
// after it is read.
TEST(Recognition, AnIniFileOpensWithASectionAsTheReaderReadsIt) {
  const struct {
    std::string text;
    bool ini;
  } kCases[] = {
      {"[QVXArray]", true},
      {" \t[s]", true},
      {"\r\n\r\n[s]", true},
      {"// written by hand\n[s]", true},
      {"x\n[s]", true},  // a line of one character is skipped
      {"\xef\xbb\xbf[s]", false},
      {"a=1\n[s]", false},
      {"[s", false},
      {"[\n]", false},
      {"//[s]", false},
      {std::string("\0[s]", 4), false},
      {"", false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(startsWithIniSection(c.text), c.ini) << ::testing::PrintToString(c.text);
    ArrayStore s;
    applyIniFile(s, c.text + "\nk=v", LoadMode::replace);
    if (c.ini) {
      EXPECT_EQ(s.size(), 1) << ::testing::PrintToString(c.text);
    }
  }
  EXPECT_TRUE(startsWith(std::string("QVXARRAY\1"), kNativeMagic));
  EXPECT_FALSE(startsWith("QVXARRA", kNativeMagic));
  EXPECT_TRUE(startsWith(std::string("HGF ARRAY\0\2", 11), kHostArrayMagic));
  EXPECT_FALSE(startsWith("HGF ARRAY ", kHostArrayMagic));
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

// An append reads its file as a load does: a bad file that concerns only one
// of the two says so in its name, and a save meets none of a reader's cases.
TEST(FormatFacts, AnAppendMeetsTheBadFilesALoadMeets) {
  for (const auto& b : kBadFiles) {
    const std::string name = b.name;
    if (b.loads != b.appends) {
      EXPECT_EQ(name.rfind(b.loads ? "A load " : "An append ", 0), 0u) << name;
    }
    EXPECT_FALSE(b.saves && (b.loads || b.appends)) << name;
  }
}

// Each aspect is saved in each format and loaded back into a new store, and
// what comes back decides whether the table may call it kept, changed or lost.
TEST(FormatFacts, TheTableSaysWhatARoundTripDoes) {
  ASSERT_EQ(std::size(kProbes), kAspectCount);
  ASSERT_EQ(std::size(kFileFormats), kModuleFormatCount);
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  for (std::size_t a = 0; a < kAspectCount; ++a) {
    ASSERT_STREQ(kProbes[a].aspect, kAspects[a].name);
    const ArrayStore saved = kProbes[a].make();
    for (std::size_t f = 0; f < kModuleFormatCount; ++f) {
      SCOPED_TRACE(std::string(kAspects[a].name) + " in the " + kFormats[f].name);
      ASSERT_EQ(static_cast<std::size_t>(kFormats[f].format), f);
      const ArrayStore loaded = roundTrip(kFormats[f].format, saved, dir.file("f" + std::to_string(f)));
      EXPECT_STREQ(fateName(kProbes[a].judge(saved, loaded)), fateName(kAspects[a].by[f].fate));
    }
  }
}

}  // namespace facts_probes

enum class Step { create, write, flush, truncate, close, replace, any };

// The real file system, except that the n-th step of the chosen kind fails
// (as a full disk does) or ends the process there (as a kill or a power cut
// does), new files can be refused as a locked folder does, and paths can be
// limited as some systems limit them.
class FailingFileSystem : public FileSystem {
 public:
  static constexpr int kKilled = 77;  // the exit code of a process ended at a step
  Step kind = Step::any;
  int failAt = -1;             // the step that fails, counting from 1; -1: none
  bool kill = false;           // ends the process at that step instead
  int refuseNewFiles = 0;      // errno for every new file, 0: none refused
  mutable int takenNames = 0;  // so many new names are found taken first
  std::size_t pathLimit = 0;
  std::size_t buffer = 7;  // a few bytes at a time, so that a small save takes many writes
  mutable int steps = 0;
  mutable bool fired = false;
  mutable std::vector<std::string> tempNames;

  std::FILE* createNew(const char* name, const char* like) const override {
    tempNames.emplace_back(name);
    if (refuseNewFiles != 0 || takenNames > 0) {
      errno = refuseNewFiles != 0 ? refuseNewFiles : EEXIST;
      if (takenNames > 0) --takenNames;
      return nullptr;
    }
    return failing(Step::create) ? nullptr : FileSystem::createNew(name, like);
  }
  std::size_t write(std::FILE* f, const char* from, std::size_t n) const override {
    if (!failing(Step::write)) return FileSystem::write(f, from, n);
    // Half of it reaches the file first, as with a disk that fills up halfway.
    (void)FileSystem::write(f, from, n / 2);
    errno = ENOSPC;
    return 0;
  }
  bool flush(std::FILE* f) const override { return !failing(Step::flush) && FileSystem::flush(f); }
  bool truncate(std::FILE* f, std::uint64_t length) const override {
    return !failing(Step::truncate) && FileSystem::truncate(f, length);
  }
  bool close(std::FILE* f) const override {
    const bool fail = failing(Step::close);
    return FileSystem::close(f) && !fail;  // the stream is released either way
  }
  bool replace(std::FILE* f, const char* temp, const char* to) const override {
    if (!failing(Step::replace)) return FileSystem::replace(f, temp, to);
    FileSystem::discard(f, temp);
    errno = ENOSPC;
    return false;
  }
  bool syncFolder(const char* folder) const override {
    if (!failFolderSync) return FileSystem::syncFolder(folder);
    errno = EIO;
    return false;
  }
#if defined(_WIN32)
  // As ReplaceFileA without a backup name fails to move the new file in: the old one is already gone.
  bool rename(const char* from, const char* to) const override {
    if (!replacementStuck) return FileSystem::rename(from, to);
    (void)DeleteFileA(to);
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    return false;
  }
  bool replacementStuck = false;
#endif
  bool failFolderSync = false;
  std::size_t maxPath() const override { return pathLimit != 0 ? pathLimit : FileSystem::maxPath(); }
  std::size_t bufferSize() const override { return buffer; }

 private:
  bool failing(Step k) const {
    if (kind != Step::any && kind != k) return false;
    if (++steps != failAt) return false;
    if (kill) std::_Exit(kKilled);
    fired = true;
    errno = ENOSPC;
    return true;
  }
};

// Whether this system lets the tests make symbolic links.
bool makeLink(const std::string& target, const std::string& link) {
  std::error_code error;
  std::filesystem::create_symlink(target, link, error);
  return !error && std::filesystem::is_symlink(link);
}

// Runs `save` with the n-th step failing, for n = 1, 2, ... until a run has
// no n-th step; `check` is told each failed outcome. Closing a file that was
// only read loses nothing: that one failure may let the save complete.
void failEachStep(int refuseNewFiles, const std::function<Status(FileHandler&)>& save,
                  const std::function<void()>& before, const std::function<void(const Status&, int)>& check) {
  int harmless = 0;
  for (int n = 1;; ++n) {
    SCOPED_TRACE("failing step " + std::to_string(n));
    before();
    FailingFileSystem fs;
    fs.refuseNewFiles = refuseNewFiles;
    fs.failAt = n;
    FileHandler files(fs);
    const Status status = save(files);
    if (!fs.fired) {
      EXPECT_TRUE(status.ok()) << status.describe();
      EXPECT_GE(n, 4);  // every save takes several steps
      break;
    }
    if (status.ok() && ++harmless == 1) continue;
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.reason(), ENOSPC) << status.describe();
    check(status, n);
  }
}

// A replacing save fails at any step (creating the new file, each write, the
// flush, the replace) and leaves the old file byte for byte and nothing else.
TEST(WriteFailures, EveryStepOfAReplacingSaveLeavesTheOldFile) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const ArrayStore store = sample(10, "name");
  const std::string name = dir.file("f");
  const std::string old(5000, 'o');  // longer than any of the saves
  for (const FileFormat& format : kFileFormats) {
    SCOPED_TRACE(format.name);
    failEachStep(
        0, [&](FileHandler& files) { return format.save(store, files, name.c_str(), WriteMode::replace); },
        [&] { testing::writeBytes(name, old); },
        [&](const Status& status, int) {
          EXPECT_EQ(status.file(), name);
          EXPECT_EQ(testing::readBytes(name), old);
          EXPECT_EQ(folder(dir), std::vector<std::string>{"f"});
        });
    EXPECT_NE(testing::readBytes(name), old);
  }
}

// A folder that refuses new files has the file written in place: a failure
// at any step puts the old bytes back, and a save that worked says how.
// With no room on the disk for a new file nothing is touched.
TEST(WriteFailures, AFolderThatRefusesNewFilesGetsItsOldBytesBack) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const ArrayStore store = sample(10, "name");
  const std::string expected = dir.file("expected"), name = dir.file("f");
  FileHandler real;
  FailingFileSystem refusing;
  refusing.refuseNewFiles = EACCES;
  FileHandler inPlace(refusing);
  for (const FileFormat& format : kFileFormats) {
    SCOPED_TRACE(format.name);
    ASSERT_TRUE(format.save(store, real, expected.c_str(), WriteMode::replace).ok());
    for (const std::string& old : {std::string(5000, 'o'), std::string("old")}) {
      failEachStep(
          EACCES, [&](FileHandler& files) { return format.save(store, files, name.c_str(), WriteMode::replace); },
          [&] { testing::writeBytes(name, old); },
          [&](const Status& status, int) {
            EXPECT_EQ(testing::readBytes(name), old);
            EXPECT_EQ(status.detail(), "the old bytes are kept");
          });
      const Status saved = format.save(store, inPlace, name.c_str(), WriteMode::replace);
      EXPECT_EQ(saved.describe(), Status().withDetail("written in place").describe());
      EXPECT_EQ(testing::readBytes(name), testing::readBytes(expected));
    }
    FailingFileSystem full;
    full.refuseNewFiles = ENOSPC;
    FileHandler files(full);
    testing::writeBytes(name, "old");
    EXPECT_EQ(format.save(store, files, name.c_str(), WriteMode::replace).code(), StatusCode::cannotOpen);
    EXPECT_EQ(testing::readBytes(name), "old");
    std::filesystem::remove(expected);
  }
  EXPECT_EQ(folder(dir), std::vector<std::string>{"f"});
}

// A failing append cuts the file back to its old length; one that works adds its bytes.
TEST(WriteFailures, AFailingAppendCutsTheFileBack) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const ArrayStore store = sample(10, "name");
  const std::string expected = dir.file("expected"), name = dir.file("f");
  const std::string old = "old\r\n";
  for (const FileFormat& format : kFileFormats) {
    SCOPED_TRACE(format.name);
    FileHandler real;
    ASSERT_TRUE(format.save(store, real, expected.c_str(), WriteMode::replace).ok());
    failEachStep(
        0, [&](FileHandler& files) { return format.save(store, files, name.c_str(), WriteMode::append); },
        [&] { testing::writeBytes(name, old); },
        [&](const Status& status, int) {
          EXPECT_EQ(testing::readBytes(name), old);
          EXPECT_EQ(status.detail(), "the old bytes are kept");
        });
    EXPECT_EQ(testing::readBytes(name), old + testing::readBytes(expected));
    // An append that made the file leaves none when it fails.
    failEachStep(
        0, [&](FileHandler& files) { return format.save(store, files, name.c_str(), WriteMode::append); },
        [&] { std::filesystem::remove(name); },
        [&](const Status& status, int) {
          EXPECT_FALSE(std::filesystem::exists(name));
          EXPECT_EQ(status.detail(), "the file it made is removed");
        });
    EXPECT_EQ(testing::readBytes(name), testing::readBytes(expected));
  }
}

// A save through a link replaces the file it leads to, in that file's own
// folder, and the link stays a link; a failure leaves the file as it was.
TEST(WriteFailures, ALinkIsFollowedAndStaysALink) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  std::filesystem::create_directory(dir.file("real"));
  const std::string target = dir.file("real/target"), link = dir.file("link");
  testing::writeBytes(target, "old");
  if (!makeLink(target, link)) GTEST_SKIP() << "this system makes no symbolic links here";
  const ArrayStore store = sample(10, "name");
  for (const FileFormat& format : kFileFormats) {
    SCOPED_TRACE(format.name);
    failEachStep(
        0, [&](FileHandler& files) { return format.save(store, files, link.c_str(), WriteMode::replace); },
        [&] { testing::writeBytes(target, "old"); },
        [&](const Status& status, int) {
          EXPECT_EQ(status.file(), link);
          EXPECT_EQ(testing::readBytes(target), "old");
          EXPECT_TRUE(std::filesystem::is_symlink(link));
          EXPECT_EQ(folder(dir), (std::vector<std::string>{"link", "real"}));
        });
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(testing::readBytes(target), "old");
    // A failing append through the link cuts the file it leads to back, never removes it.
    failEachStep(
        0, [&](FileHandler& files) { return format.save(store, files, link.c_str(), WriteMode::append); },
        [&] { testing::writeBytes(target, "old"); },
        [&](const Status&, int) { EXPECT_EQ(testing::readBytes(target), "old"); });
    std::error_code error;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("real"), error), {}), 1);
  }
  // A link that leads nowhere yet: the save makes the file it names.
  const std::string dangling = dir.file("dangling"), made = dir.file("real/made");
  ASSERT_TRUE(makeLink(made, dangling));
  FileHandler files;
  const Status status = saveToCsv(store, files, dangling.c_str(), WriteMode::replace);
  EXPECT_TRUE(status.ok()) << status.describe();
#if !defined(_WIN32)
  EXPECT_EQ(status.detail(), "");  // made beside its name and put in place, as any new file
#endif
  EXPECT_FALSE(testing::readBytes(made).empty());
  EXPECT_TRUE(std::filesystem::is_symlink(dangling));
}

// New names are unpredictable, in the target's folder, never longer than the
// folder's path leaves room for; a name found taken is passed over and never
// removed; with no room for any name the file is written in place.
TEST(WriteFailures, NewFileNamesFitAndPassOverTakenOnes) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const ArrayStore store = sample(3, "name");
  const std::string name = dir.file("f");
  testing::writeBytes(name, "old");
  FailingFileSystem taken;
  taken.takenNames = 10;
  FileHandler files(taken);
  EXPECT_EQ(saveToCsv(store, files, name.c_str(), WriteMode::replace).describe(), Status().describe());
  ASSERT_EQ(taken.tempNames.size(), 11u);
  std::sort(taken.tempNames.begin(), taken.tempNames.end());
  EXPECT_EQ(std::unique(taken.tempNames.begin(), taken.tempNames.end()), taken.tempNames.end());
  for (const std::string& temp : taken.tempNames) {
    EXPECT_EQ(temp.rfind(dir.file(".~"), 0), 0u) << temp;
    EXPECT_EQ(temp.size(), dir.file("").size() + 12) << temp;
  }
  EXPECT_EQ(folder(dir), std::vector<std::string>{"f"});

  // The path's room: the system's limit counted from the folder's full name.
  const std::size_t folderLength = std::filesystem::absolute(dir.file("")).string().size();
  for (std::size_t room : {3, 1, 0}) {
    SCOPED_TRACE(room);
    FailingFileSystem tight;
    tight.pathLimit = folderLength + room;
    FileHandler limited(tight);
    const Status status = saveToCsv(store, limited, name.c_str(), WriteMode::replace);
    EXPECT_TRUE(status.ok());
    EXPECT_EQ(status.detail(), room == 0 ? "written in place" : "");
    for (const std::string& temp : tight.tempNames) EXPECT_EQ(temp.size(), dir.file("").size() + room);
  }
  EXPECT_EQ(folder(dir), std::vector<std::string>{"f"});
}

// A target whose full name is as long as Windows takes (259 characters) is
// still replaced by a new file, whose name is no longer than the target's.
TEST(WriteFailures, ATargetAtThePathLimitIsReplaced) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  constexpr std::size_t kLimit = 259;
  std::string folder = dir.file("");
  auto room = [&] { return kLimit - std::filesystem::absolute(folder).string().size(); };
  while (room() > 60) {
    folder += std::string(49, 'd') + "/";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
  }
  if (room() > 8) {
    folder += std::string(room() - 6, 'e') + "/";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
  }
  const std::string name = folder + std::string(room(), 'f');
  ASSERT_EQ(std::filesystem::absolute(name).string().size(), kLimit);
  testing::writeBytes(name, "old");
  ASSERT_EQ(testing::readBytes(name), "old");
  FileHandler files;
  const Status status = saveToCsv(sample(3, "name"), files, name.c_str(), WriteMode::replace);
  EXPECT_EQ(status.describe(), Status().describe());  // not written in place
  EXPECT_NE(testing::readBytes(name), "old");
  EXPECT_EQ(folderListing(folder).size(), 1u);
}

// A file the user may not write to is neither replaced nor appended to, on
// every system; its bytes stay.
TEST(WriteFailures, AReadOnlyFileCannotBeOpened) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const ArrayStore store = sample(3, "name");
  const std::string name = dir.file("f");
  testing::writeBytes(name, "old");
  auto saves = [&] {
    std::vector<StatusCode> codes;
    FileHandler files;
    for (WriteMode mode : {WriteMode::replace, WriteMode::append}) {
      for (const FileFormat& format : kFileFormats)
        codes.push_back(format.save(store, files, name.c_str(), mode).code());
    }
    return codes;
  };
  const std::vector<StatusCode> refused(2 * std::size(kFileFormats), StatusCode::cannotOpen);
#if defined(_WIN32)
  ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(saves(), refused);
  EXPECT_EQ(testing::readBytes(name), "old");
  // Hidden and system attributes stay with the file a save replaces.
  ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  FileHandler files;
  ASSERT_TRUE(saveToCsv(store, files, name.c_str(), WriteMode::replace).ok());
  EXPECT_NE(testing::readBytes(name), "old");
  const DWORD attributes = GetFileAttributesA(name.c_str());
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM});
  ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL));
#else
  ASSERT_EQ(::chmod(name.c_str(), 0444), 0);
  // Refused to the superuser too, who could open it; and to nobody.
  EXPECT_EQ(saves(), refused);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const bool asNobody = ::geteuid() != 0 || ::setuid(65534) == 0;
    std::_Exit(asNobody && saves() == refused ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(testing::readBytes(name), "old");
  struct stat st {};
  ASSERT_EQ(::stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
#endif
  EXPECT_EQ(folder(dir), std::vector<std::string>{"f"});
}

// A folder whose entry cannot be synced after the new file took its place:
// the save is done, and says that its lasting is not confirmed.
TEST(WriteFailures, AnUnsyncedFolderAfterTheReplaceIsSaidNotFailed) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string name = dir.file("f");
  testing::writeBytes(name, "old");
  FailingFileSystem unsynced;
  unsynced.failFolderSync = true;
  FileHandler files(unsynced);
  const Status status = saveToCsv(sample(3, "name"), files, name.c_str(), WriteMode::replace);
  EXPECT_TRUE(status.ok());
  EXPECT_EQ(status.detail(), "the new bytes are in place; their folder could not be synced to the disk");
  EXPECT_NE(testing::readBytes(name), "old");
  EXPECT_EQ(folder(dir), std::vector<std::string>{"f"});
}

#if defined(_WIN32)
// ReplaceFileA that removed the old file but could not move the new one in
// (1176): the new file is moved in, not removed.
TEST(WriteFailures, AReplacementLeftUnmovedIsMovedIn) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string name = dir.file("f"), expected = dir.file("expected");
  testing::writeBytes(name, "old");
  FileHandler real;
  ASSERT_TRUE(saveToCsv(sample(3, "name"), real, expected.c_str(), WriteMode::replace).ok());
  FailingFileSystem stuck;
  stuck.replacementStuck = true;
  FileHandler files(stuck);
  const Status status = saveToCsv(sample(3, "name"), files, name.c_str(), WriteMode::replace);
  EXPECT_TRUE(status.ok()) << status.describe();
  EXPECT_EQ(testing::readBytes(name), testing::readBytes(expected));
  EXPECT_EQ(folder(dir), (std::vector<std::string>{"expected", "f"}));
}
#else
// Runs `body` in a child process (as other users, in a mount namespace of
// its own): whether it returned true.
bool inChild(const std::function<bool()>& body) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) std::_Exit(body() ? 0 : 1);
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool becomeUser(uid_t user, gid_t primary, gid_t member) {
  const gid_t groups[] = {member};
  return ::setgroups(1, groups) == 0 && ::setgid(primary) == 0 && ::setuid(user) == 0;
}

// Through a link whose resolved name is longer than the system takes: the
// file is written through the link with its old bytes kept, never cut.
TEST(WriteFailures, ALinkBeyondThePathLimitKeepsItsFile) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string old(200002, 'o');
  const ArrayStore store = sample(10, "name");
  EXPECT_TRUE(inChild([&] {
    if (::chdir(dir.file("").c_str()) != 0) return false;
    for (std::size_t depth = 0; depth * 201 < PATH_MAX + 600; ++depth) {
      const std::string step(200, 'd');
      if (::mkdir(step.c_str(), 0700) != 0 || ::chdir(step.c_str()) != 0) return false;
    }
    testing::writeBytes("target", old);
    if (!makeLink("target", "link")) return false;
    bool kept = true;
    for (int n = 1; n < 40; ++n) {
      FailingFileSystem fs;
      fs.kind = Step::write;
      fs.failAt = n;
      FileHandler files(fs);
      const Status status = saveToFile(store, files, "link", WriteMode::replace);
      kept = kept && (status.ok() || testing::readBytes("target") == old);
      if (status.ok()) break;
    }
    FileHandler files;
    testing::writeBytes("target", old);
    const Status status = saveToFile(store, files, "link", WriteMode::replace);
    return kept && status.ok() && std::filesystem::is_symlink("link") && testing::readBytes("target").size() < 1000;
  }));
}

// A group member's save of a group-shared file keeps its group and mode (and
// the owner's read access); the superuser's save keeps the owner too.
TEST(WriteFailures, ASharedFileKeepsItsOwnerAndGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs the superuser to act as two users";
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  constexpr uid_t kOwner = 61001, kMember = 61002;
  constexpr gid_t kShared = 61500;
  const std::string shared = dir.file("shared"), name = dir.file("shared/f");
  ASSERT_EQ(::mkdir(shared.c_str(), 0770), 0);
  ASSERT_EQ(::chown(shared.c_str(), kOwner, kShared), 0);
  ASSERT_EQ(::chmod(shared.c_str(), 0770), 0);
  ASSERT_EQ(::chmod(dir.file("").c_str(), 0755), 0);
  testing::writeBytes(name, "old");
  ASSERT_EQ(::chown(name.c_str(), kOwner, kShared), 0);
  ASSERT_EQ(::chmod(name.c_str(), 0660), 0);
  const ArrayStore store = sample(3, "name");
  auto owned = [&] {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0
               ? std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid) + " " + std::to_string(st.st_mode & 07777)
               : std::string("none");
  };
  EXPECT_TRUE(inChild([&] {
    FileHandler files;
    const Status status = becomeUser(kMember, kMember, kShared)
                              ? saveToCsv(store, files, name.c_str(), WriteMode::replace)
                              : Status::failure(StatusCode::cannotOpen);
    return status.describe() == "ok";  // replaced, not written in place
  }));
  EXPECT_NE(testing::readBytes(name), "old");
  EXPECT_EQ(owned(), std::to_string(kMember) + ":" + std::to_string(kShared) + " " + std::to_string(0660));
  EXPECT_TRUE(inChild([&] { return becomeUser(kOwner, kOwner, kShared) && testing::readBytes(name).size() > 3; }));
  FileHandler files;
  ASSERT_EQ(::chown(name.c_str(), kOwner, kShared), 0);
  ASSERT_TRUE(saveToCsv(store, files, name.c_str(), WriteMode::replace).ok());
  EXPECT_EQ(owned(), std::to_string(kOwner) + ":" + std::to_string(kShared) + " " + std::to_string(0660));
}

// A folder its user may write to but not read (0300) cannot be synced: the
// save is done, and says so; and without /proc new files are still named.
TEST(WriteFailures, AnUnreadableFolderAndNoProcStillSave) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string locked = dir.file("locked"), name = dir.file("locked/f");
  ASSERT_EQ(::mkdir(locked.c_str(), 0700), 0);
  testing::writeBytes(name, "old");
  const ArrayStore store = sample(3, "name");
  ASSERT_EQ(::chmod(dir.file("").c_str(), 0755), 0);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(locked.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(name.c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(::chmod(locked.c_str(), 0300), 0);
  EXPECT_TRUE(inChild([&] {
    FileHandler files;
    if (::geteuid() == 0 && ::setuid(65534) != 0) return false;
    const Status status = saveToCsv(store, files, name.c_str(), WriteMode::replace);
    return status.ok() && status.detail().find("the new bytes are in place") == 0 && status.reason() == EACCES;
  }));
  ASSERT_EQ(::chmod(locked.c_str(), 0700), 0);
  EXPECT_NE(testing::readBytes(name), "old");
  EXPECT_EQ(folderListing(locked), std::vector<std::string>{"f"});

  if (::geteuid() != 0) GTEST_SKIP() << "needs the superuser to hide /proc";
  testing::writeBytes(name, "old");
  const bool saved = inChild([&] {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("none", "/proc", "tmpfs", 0, "size=4k") != 0)
      std::_Exit(3);
    FileHandler files;
    const Status status = saveToCsv(store, files, name.c_str(), WriteMode::replace);
    // As someone without the privilege to name a descriptor itself, too.
    FileHandler nobody;
    return status.ok() && status.detail().empty() && ::access("/proc/self/fd", F_OK) != 0 &&
           ::chmod(locked.c_str(), 0777) == 0 && ::setuid(65534) == 0 &&
           saveToCsv(store, nobody, name.c_str(), WriteMode::replace).ok();
  });
  EXPECT_TRUE(saved);
  EXPECT_NE(testing::readBytes(name), "old");
  EXPECT_EQ(folderListing(locked), std::vector<std::string>{"f"});
}
#endif

// Kills: a save ended at each of its steps in turn (creating the new file,
// each write, the flush, the replace, a close), as a crash or a power cut
// ends it, in a process of its own.
struct KillJob {
  std::size_t format = 0;
  WriteMode mode = WriteMode::replace;
  int killAt = 0;
  std::string name;
};

// The child's side: the save, ended at the step the job names.
int saveUntilKilled(const KillJob& job) {
  FailingFileSystem fs;
  fs.kill = true;
  fs.failAt = job.killAt;
  fs.buffer = 64;
  FileHandler files(fs);
  const ArrayStore store = sample(10, "name");
  return kFileFormats[job.format].save(store, files, job.name.c_str(), job.mode).ok() ? 0 : 1;
}

constexpr char kKillJob[] = "TESSEL_KILL_JOB";

#if defined(_WIN32)
// Under Windows the child is this test program again, told its job through the environment.
TEST(Kills, Child) {
  const char* job = std::getenv(kKillJob);
  if (job == nullptr) GTEST_SKIP() << "the child of the kill tests";
  std::istringstream in(job);
  KillJob j;
  int mode = 0;
  in >> j.format >> mode >> j.killAt >> std::ws;
  std::getline(in, j.name);
  j.mode = static_cast<WriteMode>(mode);
  std::_Exit(saveUntilKilled(j));
}

int runKillJob(const KillJob& job) {
  const std::string text = std::to_string(job.format) + " " + std::to_string(static_cast<int>(job.mode)) + " " +
                           std::to_string(job.killAt) + " " + job.name;
  char exe[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || !SetEnvironmentVariableA(kKillJob, text.c_str())) return -1;
  std::string command = "\"" + std::string(exe) + "\" --gtest_filter=Kills.Child";
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE quiet =
      CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = quiet;
  PROCESS_INFORMATION child{};
  const bool started =
      CreateProcessA(exe, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child) != 0;
  SetEnvironmentVariableA(kKillJob, nullptr);
  if (quiet != INVALID_HANDLE_VALUE) CloseHandle(quiet);
  if (!started) return -1;
  DWORD code = 0;
  WaitForSingleObject(child.hProcess, INFINITE);
  GetExitCodeProcess(child.hProcess, &code);
  CloseHandle(child.hProcess);
  CloseHandle(child.hThread);
  return static_cast<int>(code);
}
#else
int runKillJob(const KillJob& job) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) std::_Exit(saveUntilKilled(job));
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
#endif

// Saves `name` (or through it) with the child killed at each step in turn;
// after each kill the file at `target` holds all its old bytes or all its new
// ones, `folders` hold nothing but what they held, and a save succeeds again.
void killEachStep(const KillJob& base, const std::string& target, const std::string& old,
                  const std::vector<std::string>& folders) {
  const std::string expected = target + "-expected";
  FileHandler real;
  const ArrayStore store = sample(10, "name");
  testing::writeBytes(target, old);
  ASSERT_TRUE(kFileFormats[base.format].save(store, real, base.name.c_str(), base.mode).ok());
  const std::string saved = testing::readBytes(target);
  ASSERT_NE(saved, old);
  std::vector<std::vector<std::string>> listings;
  testing::writeBytes(target, old);
  for (const std::string& f : folders) listings.push_back(folderListing(f));
  int kills = 0;
  for (KillJob job = base; job.killAt < 200; ++job.killAt) {
    SCOPED_TRACE("killed at step " + std::to_string(job.killAt));
    testing::writeBytes(target, old);
    const int code = runKillJob(job);
    const std::string now = testing::readBytes(target);
    if (code == 0) {
      EXPECT_EQ(now, saved);
      break;
    }
    ASSERT_EQ(code, FailingFileSystem::kKilled);
    ++kills;
    if (base.mode == WriteMode::replace) {
      EXPECT_TRUE(now == old || now == saved) << now.size() << " bytes";
    } else {
      // An append cannot be cut back by a process that no longer runs: the old bytes stay before it.
      EXPECT_EQ(now.substr(0, old.size()), old);
    }
    for (std::size_t i = 0; i < folders.size(); ++i) EXPECT_EQ(folderListing(folders[i]), listings[i]);
    testing::writeBytes(target, old);
    ASSERT_TRUE(kFileFormats[base.format].save(store, real, base.name.c_str(), base.mode).ok());
    EXPECT_EQ(testing::readBytes(target), saved);
  }
  EXPECT_GE(kills, 3);  // the new file or a write, the flush, the replace or a close
}

TEST(Kills, ASaveKilledAtAnyStepLeavesAllOldOrAllNewBytes) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string name = dir.file("f"), old(300, 'o');
  for (std::size_t format = 0; format < std::size(kFileFormats); ++format) {
    SCOPED_TRACE(kFileFormats[format].name);
    killEachStep({format, WriteMode::replace, 1, name}, name, old, {dir.file("")});
  }
  // Append element to file.
  killEachStep({4, WriteMode::append, 1, name}, name, old, {dir.file("")});
  // Through a link to a file in another folder.
  std::filesystem::create_directory(dir.file("real"));
  const std::string target = dir.file("real/target"), link = dir.file("link");
  testing::writeBytes(target, old);
  if (makeLink(target, link)) {
    killEachStep({2, WriteMode::replace, 1, link}, target, old, {dir.file(""), dir.file("real")});
    EXPECT_TRUE(std::filesystem::is_symlink(link));
  }
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

// Row operations meet their failures beside their element steps.
TEST(AllocationFailures, ListsLabelsAndFilesIntoElementsCompleteOrChangeNothing) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string name = dir.file("blob");
  testing::writeBytes(name, std::string(300, '\0') + "bytes of a file");
  FileHandler files;
  // The first four must change the array; reading lists must leave it.
  const std::function<void(ArrayStore&)> changes[] = {
      [](ArrayStore& s) { recordset::setLabel(s, "a label long enough to allocate", 2); },
      [&](ArrayStore& s) { (void)setFileAt(s, files, name.c_str(), 40); },
      [&](ArrayStore& s) { (void)insertFileAt(s, files, name.c_str(), 1); },
      [&](ArrayStore& s) { (void)appendFile(s, files, name.c_str()); },
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
    if (&change - changes < 4) {
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
