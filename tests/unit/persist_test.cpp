// The file formats below the routine tables: the keep/lose table held to round
// trips, and saves failed or killed at each step, which complete or leave the
// old file with no new file beside it.
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
#include <tuple>
#include <vector>

#if !defined(_WIN32)
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "host/format_facts.h"
#include "persist/csv_file.h"
#include "persist/element_file.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"
#include "persist/recognition.h"
#include "recordset/labels.h"
#include "tests/e2e/temp_files.h"
#include "tests/unit/allocation_faults.h"
#include "tests/unit/stores.h"

namespace tessel::persist {
namespace {

using Save = Status (*)(const ArrayStore&, FileHandler&, const char*, WriteMode);
using Load = Status (*)(ArrayStore&, const FileHandler&, const char*, LoadMode);
template <auto save>
Status unreported(const ArrayStore& s, FileHandler& f, const char* n, WriteMode m) {
  return save(s, f, n, m, nullptr);
}
struct FileFormat {
  const char* name;
  Save save;
  Load load;  // none for the element file, which a file load appends as one element
};
// In the order of facts::Format; the element file holds element 4.
const FileFormat kFileFormats[] = {
    {"native", unreported<saveToFile>, loadFromFile},
    {"host array", unreported<saveAsHostArray>, loadFromHostArray},
    {"csv", unreported<saveToCsv>, loadFromCsv},
    {"ini", unreported<saveToIni>, loadFromIni},
    {"element",
     [](const ArrayStore& s, FileHandler& f, const char* n, WriteMode m) { return saveElementToFile(s, f, n, m, 4); },
     nullptr},
};

// A 2D array with every kind of cell, keys, a label and `values` more cells.
ArrayStore sample(int values, const char* label = "name") {
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

using Names = std::vector<std::string>;
Names folderListing(const std::string& path) {
  Names names;
  for (const auto& e : std::filesystem::directory_iterator(path)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A text a tool shows as INI is one in which the INI reader finds a section.
TEST(Recognition, AnIniFileOpensWithASectionAsTheReaderReadsIt) {
  auto check = [](const std::string& text, bool ini) {
    EXPECT_EQ(startsWithIniSection(text), ini) << ::testing::PrintToString(text);
    ArrayStore s;
    applyIniFile(s, text + "\nk=v", LoadMode::replace);
    EXPECT_TRUE(!ini || s.size() == 1) << ::testing::PrintToString(text);
  };
  // A line of one character is skipped.
  for (const char* text : {"[QVXArray]", " \t[s]", "\r\n\r\n[s]", "// written by hand\n[s]", "x\n[s]"})
    check(text, true);
  for (const std::string& text : {std::string("\xef\xbb\xbf[s]"), std::string("a=1\n[s]"), std::string("[s"),
                                  std::string("[\n]"), std::string("//[s]"), std::string("\0[s]", 4), std::string()})
    check(text, false);
}

namespace facts_probes {

using namespace facts;
using D = CellDescriptor;

// The cell's content as bytes: its text, or a data cell's bytes up to a zero.
std::string contentOf(const Cell* c) {
  if (c == nullptr) return std::string();
  if (c->type() != CellType::data) return std::string(c->text().view());
  const std::string_view bytes(c->bytes(), static_cast<std::size_t>(c->length()));
  return std::string(bytes.substr(0, bytes.find('\0')));
}

// Saves `source` in the format and loads it into a new store; the element file one cell at a time.
ArrayStore roundTrip(const FileFormat& format, const ArrayStore& source, const char* name) {
  ArrayStore loaded;
  FileHandler files;
  const bool element = format.load == nullptr;
  for (int32_t i = 0; i < (element ? source.size() : 1); ++i) {
    const Status saved = element ? saveElementToFile(source, files, name, WriteMode::replace, i)
                                 : format.save(source, files, name, WriteMode::replace);
    EXPECT_TRUE(saved.ok() &&
                (element ? appendFile(loaded, files, name) : format.load(loaded, files, name, LoadMode::replace)).ok());
  }
  return loaded;
}

const Cell* keyOf(const ArrayStore& s, int32_t i) { return s.cellAt(i) ? s.cellAt(i)->key() : nullptr; }

// The elements, in one dimension.
ArrayStore cells(std::initializer_list<testing::Element> elements) { return testing::array(1, 0, 0, elements); }

// By whether the text comes back whole in the first cell, inside some cell, or nowhere.
Fate textFate(const ArrayStore& loaded, std::string_view text) {
  if (contentOf(loaded.cellAt(0)) == text) return Fate::kept;
  for (int32_t i = 0; i < loaded.size(); ++i) {
    if (contentOf(loaded.cellAt(i)).find(text) != std::string::npos) return Fate::changed;
  }
  return Fate::lost;
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
       ArrayStore s = testing::array(3, 2, 2, {});
       for (const char* t : {"a", "b", "c", "d", "e", "f", "g", "h"}) s.append(D::ofString(t));
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
       return cells({{D::ofString("a"), D::ofString("k")}, {D::ofValue(5), D::ofValue(7)}});
     },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const Cell* ka = keyOf(loaded, 0);
       const Cell* kb = keyOf(loaded, 1);
       if (ka && kb && ka->type() == CellType::string && kb->type() == CellType::value && kb->value() == 7)
         return contentOf(ka) == "k" ? Fate::kept : Fate::changed;
       return contentOf(ka) == "k" || contentOf(kb) == "7" ? Fate::changed : Fate::lost;
     }},
    {"Column labels",
     [] {
       ArrayStore s = testing::table(2, false);
       s.append(D::ofString("ann"));
       s.append(D::ofValue(30));
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
       ArrayStore s = cells({{D::ofString("a")}, {D::ofString("")}, {D::ofString("b")}});
       s.set(1, D::ofValue(0));  // emptied in place
       s.setKey(1, D::ofString("e"));
       return s;
     },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const Cell* c = loaded.cellAt(1);
       if (c == nullptr || contentOf(loaded.cellAt(2)) != "b") return Fate::lost;
       return c->type() == CellType::empty ? Fate::kept : Fate::changed;
     }},
    {"Value cells (integers)", [] { return cells({{D::ofValue(42)}}); }, firstCellFate},
    {"String cells", [] { return cells({{D::ofString("hello")}}); }, firstCellFate},
    {"Data cells (raw bytes)", [] { return cells({{D::ofData("x\0y", 3)}}); }, firstCellFate},
    {"Texts holding the format's separator",
     [] {
       return cells({{D::ofString("x,y=z"), D::ofString("k=v")}});
     },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const Cell* key = keyOf(loaded, 0);
       const Fate text = textFate(loaded, "x,y=z");
       // A format that drops keys altogether is judged by the text alone.
       return text == Fate::kept && key != nullptr && !contentOf(key).empty() && contentOf(key) != "k=v" ? Fate::changed
                                                                                                         : text;
     }},
    {"Texts holding line breaks", [] { return cells({{D::ofString("one\r\ntwo")}}); },
     [](const ArrayStore&, const ArrayStore& loaded) { return textFate(loaded, "one\r\ntwo"); }},
    {"Row selection and settings",
     [] {
       ArrayStore s = cells({{D::ofString("a")}});
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

// A bad file that concerns only loads or only appends says so; saves meet none.
TEST(FormatFacts, AnAppendMeetsTheBadFilesALoadMeets) {
  for (const auto& b : kBadFiles) {
    const std::string name = b.name;
    EXPECT_EQ(name.rfind("A load ", 0) == 0, b.loads && !b.appends) << name;
    EXPECT_EQ(name.rfind("An append ", 0) == 0, b.appends && !b.loads) << name;
    EXPECT_FALSE(b.saves && (b.loads || b.appends)) << name;
  }
  // Every file action meets some of them, and no other action does.
  for (const FormatInfo& f : kModuleFormats) {
    for (const FileActionUse& a : f.actions) {
      int met = 0;
      EXPECT_TRUE(a.action < 0 || forEachBadFileOf(a.action, [&](const BadFile&, const char*) { ++met; }));
      EXPECT_TRUE(a.action < 0 || met > 0) << f.name;
    }
  }
  EXPECT_FALSE(forEachBadFileOf(catalogue::actionOf("appendString"), [](const BadFile&, const char*) {}));
}

// Each aspect saved in each format and loaded back: what the table calls it.
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
      const ArrayStore loaded = roundTrip(kFileFormats[f], saved, dir.file("f" + std::to_string(f)).c_str());
      EXPECT_STREQ(fateName(kProbes[a].judge(saved, loaded)), fateName(kAspects[a].by[f].fate));
    }
  }
}

}  // namespace facts_probes

// The real file system, except that the n-th step fails (a
// full disk) or ends the process (a kill), new files can be refused, paths limited.
class FailingFileSystem : public FileSystem {
 public:
  static constexpr int kKilled = 77;  // the exit code of a process ended at a step
  explicit FailingFileSystem(int at = -1) : failAt(at) {}
  int failAt;                  // the step that fails, counting from 1; -1: none
  bool kill = false;           // ends the process at that step instead
  int refuseNewFiles = 0;      // errno for every new file, 0: none refused
  mutable int takenNames = 0;  // so many new names are found taken first
  std::size_t pathLimit = 0;
  std::size_t buffer = 7;  // a few bytes at a time, so that a small save takes many writes
  bool failFolderSync = false;
  mutable bool fired = false;
  mutable Names tempNames;
  mutable int steps = 0, streams = 0;  // streams: opened and not yet released

  std::FILE* open(const char* name, const char* mode) const override { return counted(FileSystem::open(name, mode)); }
  std::FILE* createNew(const char* name, const char* like) const override {
    tempNames.emplace_back(name);
    if (refuseNewFiles != 0 || takenNames > 0) {
      errno = refuseNewFiles != 0 ? refuseNewFiles : EEXIST;
      if (takenNames > 0) --takenNames;
      return nullptr;
    }
    return failing() ? nullptr : counted(FileSystem::createNew(name, like));
  }
  std::size_t write(std::FILE* f, const char* from, std::size_t n) const override {
    if (!failing()) return FileSystem::write(f, from, n);
    // Half of it reaches the file first, as with a disk that fills up halfway.
    (void)FileSystem::write(f, from, n / 2);
    errno = ENOSPC;
    return 0;
  }
  bool flush(std::FILE* f) const override { return !failing() && FileSystem::flush(f); }
  bool truncate(std::FILE* f, std::uint64_t length) const override {
    return !failing() && FileSystem::truncate(f, length);
  }
  bool close(std::FILE* f) const override {
    const bool fail = failing();
    --streams;
    return FileSystem::close(f) && !fail;  // the stream is released either way
  }
  bool replace(std::FILE* f, const char* temp, const char* to) const override {
    if (failing()) {
      discard(f, temp);
      errno = ENOSPC;
      return false;
    }
    const bool replaced = FileSystem::replace(f, temp, to);
    if (replaced || errno != EEXIST) --streams;  // a name taken meanwhile leaves the stream to the caller
    return replaced;
  }
  void discard(std::FILE* f, const char* temp) const override {
    --streams;
    FileSystem::discard(f, temp);
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
  std::size_t maxPath() const override { return pathLimit != 0 ? pathLimit : FileSystem::maxPath(); }
  std::size_t bufferSize() const override { return buffer; }

 private:
  std::FILE* counted(std::FILE* f) const {
    streams += f != nullptr ? 1 : 0;
    return f;
  }
  bool failing() const {
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

#if !defined(_WIN32)
mode_t modeOf(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Runs `body` in a child process: its exit code, -1 when it did not exit.
int exitOf(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) std::_Exit(body());
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
bool inChild(const std::function<bool()>& body) {
  return exitOf([&] { return body() ? 0 : 1; }) == 0;
}
#endif

// A folder of its own holding "f" with the bytes "old", and an array to save.
class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    testing::writeBytes(name, "old");
  }
  Status csvAt(const std::string& at, const FileSystem& fs = FileSystem::real()) const {
    FileHandler files(fs);
    return saveToCsv(store, files, at.c_str(), WriteMode::replace);
  }
  testing::TempDir dir;
  const std::string name = dir.file("f");
  const ArrayStore store = sample(10);
};

// Each step of every save path failing in turn: the old file stays byte for
// byte (written in place: put back; an append: cut back or removed), a link
// stays a link, every stream is released and nothing is left beside it; then
// the plain save's bytes, with the permissions kept. With no room for a new
// file nothing is touched.
TEST_F(Files, EveryFailingStepOfEverySavePathLeavesTheOldFile) {
  testing::TempDir plain;
  ASSERT_TRUE(plain.ok());
  std::filesystem::create_directory(dir.file("real"));
  const std::string target = dir.file("real/f"), link = dir.file("link");
  const bool links = makeLink(target, link);
  const std::string longer(5000, 'o'), shorter("old");  // than any of the saves
  const struct {
    const std::string& name;
    WriteMode mode;
    const std::string* old;  // none: no file there yet
    int refuseNewFiles;
    const char *failed, *done;  // the details of a failure and of the save
  } kPaths[] = {
      {target, WriteMode::replace, &longer, 0, "", ""},
      {target, WriteMode::replace, &longer, EACCES, "the old bytes are kept", "written in place"},
      {target, WriteMode::replace, &shorter, EACCES, "the old bytes are kept", "written in place"},
      {target, WriteMode::append, &longer, 0, "the old bytes are kept", ""},
      {target, WriteMode::append, nullptr, 0, "the file it made is removed", ""},
      {link, WriteMode::replace, &longer, 0, "", ""},
      {link, WriteMode::append, &longer, 0, "the old bytes are kept", ""},
  };
  FileHandler real;
  for (const FileFormat& format : kFileFormats) {
    const std::string expected = plain.file(format.name);
    ASSERT_TRUE(format.save(store, real, expected.c_str(), WriteMode::replace).ok());
    for (const auto& p : kPaths) {
      if (&p.name == &link && !links) continue;
      // A close of a file only read loses nothing, so that one failure may let the save complete.
      int harmless = 0;
      for (int n = 1;; ++n) {
        SCOPED_TRACE(std::string(format.name) + " row " + std::to_string(&p - kPaths) + " step " + std::to_string(n));
        std::filesystem::remove(target);
        if (p.old != nullptr) testing::writeBytes(target, *p.old);
#if !defined(_WIN32)
        if (p.old != nullptr) ::chmod(target.c_str(), 0640);
#endif
        FailingFileSystem fs(n);
        fs.refuseNewFiles = p.refuseNewFiles;
        FileHandler files(fs);
        const Status status = format.save(store, files, p.name.c_str(), p.mode);
        EXPECT_EQ(fs.streams, 0);  // every stream released, every new file discarded
        if (!fs.fired) {
          EXPECT_TRUE(status.ok()) << status.describe();
          EXPECT_EQ(status.detail(), p.done);
          EXPECT_GE(n, 4);  // every save takes several steps
          const std::string now = testing::readBytes(expected);
          EXPECT_EQ(testing::readBytes(target), p.mode == WriteMode::append && p.old ? *p.old + now : now);
#if !defined(_WIN32)
          EXPECT_TRUE(!p.old || modeOf(target) == 0640u) << modeOf(target);
#endif
          break;
        }
        if (status.ok() && ++harmless == 1) continue;
        EXPECT_EQ(std::make_tuple(status.ok(), status.reason(), status.file(), status.detail()),
                  std::make_tuple(false, ENOSPC, p.name, std::string(p.failed)));
        EXPECT_EQ(std::filesystem::exists(target) ? testing::readBytes(target) : "<none>", p.old ? *p.old : "<none>");
        EXPECT_EQ(folderListing(dir.file("real")), p.old ? Names{"f"} : Names{});
        EXPECT_EQ(std::filesystem::is_symlink(link), links);
      }
    }
    FailingFileSystem full;
    full.refuseNewFiles = ENOSPC;
    FileHandler files(full);
    testing::writeBytes(target, "old");
    EXPECT_EQ(format.save(store, files, target.c_str(), WriteMode::replace).code(), StatusCode::cannotOpen);
    EXPECT_EQ(testing::readBytes(target), "old");
  }
  EXPECT_EQ(folderListing(dir.file("")).size(), links ? 3u : 2u);
  // A link that leads nowhere yet: the save makes the file it names.
  std::filesystem::remove(target);
  EXPECT_EQ(links && csvAt(link).ok(), links);
  EXPECT_EQ(std::filesystem::exists(target), links);
}

// New names: unpredictable, in the target's folder, within the path's room, a
// taken one passed over; no room: written in place. An unsynced folder is said.
TEST_F(Files, NewFileNamesFitAndPassOverTakenOnes) {
  FailingFileSystem taken;
  taken.takenNames = 10;
  EXPECT_EQ(csvAt(name, taken).describe(), Status().describe());
  ASSERT_EQ(taken.tempNames.size(), 11u);
  std::sort(taken.tempNames.begin(), taken.tempNames.end());
  EXPECT_EQ(std::unique(taken.tempNames.begin(), taken.tempNames.end()), taken.tempNames.end());
  for (const std::string& temp : taken.tempNames) {
    EXPECT_EQ(temp.rfind(dir.file(".~"), 0), 0u) << temp;
    EXPECT_EQ(temp.size(), dir.file("").size() + 12) << temp;
  }
  // The path's room: the system's limit counted from the folder's full name.
  const std::size_t folderLength = std::filesystem::absolute(dir.file("")).string().size();
  for (std::size_t room : {3, 1, 0}) {
    SCOPED_TRACE(room);
    FailingFileSystem tight;
    tight.pathLimit = folderLength + room;
    const Status status = csvAt(name, tight);
    EXPECT_TRUE(status.ok());
    EXPECT_EQ(status.detail(), room == 0 ? "written in place" : "");
    for (const std::string& temp : tight.tempNames) EXPECT_EQ(temp.size(), dir.file("").size() + room);
  }
  FailingFileSystem unsynced;
  unsynced.failFolderSync = true;
  testing::writeBytes(name, "old");
  const Status status = csvAt(name, unsynced);
  EXPECT_TRUE(status.ok());
  EXPECT_EQ(status.detail(), "the new bytes are in place; their folder could not be synced to the disk");
  EXPECT_NE(testing::readBytes(name), "old");
  EXPECT_EQ(folderListing(dir.file("")), Names{"f"});
  // A target whose full name is as long as Windows takes (259 characters) is
  // still replaced by a new file, whose name is no longer than the target's.
  constexpr std::size_t kLimit = 259;
  std::string folder = dir.file("");
  auto room = [&] { return kLimit - std::filesystem::absolute(folder).string().size(); };
  while (room() > 8) {
    folder += std::string(std::min<std::size_t>(49, room() - 6), 'd') + "/";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
  }
  const std::string deep = folder + std::string(room(), 'f');
  ASSERT_EQ(std::filesystem::absolute(deep).string().size(), kLimit);
  testing::writeBytes(deep, "old");
  EXPECT_EQ(csvAt(deep).describe(), Status().describe());
  EXPECT_NE(testing::readBytes(deep), "old");
  EXPECT_EQ(folderListing(folder).size(), 1u);
}

// A chain of 40 links is followed, as the system follows one; 41 cannot be opened.
TEST_F(Files, LinkChainsAreFollowedAsFarAsTheSystemFollowsThem) {
  std::string at = name;
  for (int n = 1; n <= 41; ++n) {
    const std::string link = dir.file("link" + std::to_string(n));
    if (!makeLink(at, link)) GTEST_SKIP() << "this system makes no symbolic links here";
    at = link;
  }
  EXPECT_TRUE(csvAt(dir.file("link40")).ok());
  // A link to no file yet, by a name longer than a first read of it takes, is written through and stays a link.
  std::string roundabout;
  while (roundabout.size() < 300) roundabout += "./";
  ASSERT_TRUE(makeLink(dir.file(roundabout + "not_yet"), dir.file("dangling")));
  EXPECT_TRUE(csvAt(dir.file("dangling")).ok());
  EXPECT_EQ(std::filesystem::is_symlink(dir.file("dangling")) ? testing::readBytes(dir.file("not_yet")) : "",
            testing::readBytes(dir.file("link40")));
  // One to a folder is refused: there is no file there to write.
  ASSERT_TRUE(makeLink(dir.file("."), dir.file("to_folder")));
  EXPECT_EQ(csvAt(dir.file("to_folder")).code(), StatusCode::cannotOpen);
  EXPECT_NE(testing::readBytes(name), "old");
  testing::writeBytes(name, "old");
  EXPECT_EQ(csvAt(at).code(), StatusCode::cannotOpen);
  EXPECT_EQ(testing::readBytes(name), "old");
}

// A whole-file read takes a file of its limit and refuses one byte more.
TEST_F(Files, AWholeFileIsReadUpToItsLimit) {
  for (const std::string& bytes : {std::string(10, 'b'), std::string(11, 'b')}) {
    testing::writeBytes(name, bytes);
    std::string content;
    const Status status = readWholeFile(FileSystem::real(), name.c_str(), content, 10);
    EXPECT_EQ(status.code(), bytes.size() == 10 ? StatusCode::ok : StatusCode::tooLarge);
    EXPECT_EQ(content, bytes.size() == 10 ? bytes : "");
  }
#if !defined(_WIN32)
  // A file that calls itself empty and is not (one of the system's own) is read as its bytes arrive.
  std::string content;
  EXPECT_EQ(readWholeFile(FileSystem::real(), "/proc/self/cmdline", content, 10).code(), StatusCode::tooLarge);
  EXPECT_TRUE(readWholeFile(FileSystem::real(), "/proc/self/cmdline", content).ok());
  EXPECT_EQ(content, testing::readBytes("/proc/self/cmdline"));
#endif
}

// A file nobody may write to is neither replaced nor appended to, by anyone.
TEST_F(Files, AReadOnlyFileCannotBeOpened) {
  auto refused = [&] {
    FileHandler files;
    bool all = true;
    for (WriteMode mode : {WriteMode::replace, WriteMode::append}) {
      for (const FileFormat& format : kFileFormats)
        all = all && format.save(store, files, name.c_str(), mode).code() == StatusCode::cannotOpen;
    }
    return all;
  };
#if defined(_WIN32)
  ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(refused());
  EXPECT_EQ(testing::readBytes(name), "old");
  // Hidden and system attributes stay with the file a save replaces.
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_TRUE(SetFileAttributesA(name.c_str(), kKept));
  ASSERT_TRUE(csvAt(name).ok());
  EXPECT_NE(testing::readBytes(name), "old");
  EXPECT_EQ(GetFileAttributesA(name.c_str()) & kKept, kKept);
  ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL));
#else
  ASSERT_EQ(::chmod(name.c_str(), 0444), 0);
  EXPECT_TRUE(refused());  // to the superuser too, who could open it
  EXPECT_TRUE(inChild([&] { return (::geteuid() != 0 || ::setuid(65534) == 0) && refused(); }));
  EXPECT_EQ(testing::readBytes(name), "old");
  EXPECT_EQ(modeOf(name), 0444u);
#endif
  EXPECT_EQ(folderListing(dir.file("")), Names{"f"});
}

#if defined(_WIN32)
// ReplaceFileA that removed the old file but could not move the new one in
// (1176): the new file is moved in, not removed.
TEST_F(Files, AReplacementLeftUnmovedIsMovedIn) {
  const std::string expected = dir.file("expected");
  ASSERT_TRUE(csvAt(expected).ok());
  FailingFileSystem stuck;
  stuck.replacementStuck = true;
  const Status status = csvAt(name, stuck);
  EXPECT_TRUE(status.ok()) << status.describe();
  EXPECT_EQ(testing::readBytes(name), testing::readBytes(expected));
  EXPECT_EQ(folderListing(dir.file("")), (Names{"expected", "f"}));
}
#else

// Through a link whose resolved name is too long: written through it, old bytes kept.
TEST_F(Files, ALinkBeyondThePathLimitKeepsItsFile) {
  const std::string old(200002, 'o');
  EXPECT_TRUE(inChild([&] {
    if (::chdir(dir.file("").c_str()) != 0) return false;
    for (std::size_t depth = 0; depth * 201 < PATH_MAX + 600; ++depth) {
      const std::string step(200, 'd');
      if (::mkdir(step.c_str(), 0700) != 0 || ::chdir(step.c_str()) != 0) return false;
    }
    testing::writeBytes("target", old);
    if (!makeLink("target", "link")) return false;
    bool kept = true;
    for (int n = 1; n < 200; ++n) {
      const FailingFileSystem fs(n);
      const Status status = csvAt("link", fs);
      kept = kept && (status.ok() || testing::readBytes("target") == old);
      if (!fs.fired) break;
    }
    testing::writeBytes("target", old);
    const Status status = csvAt("link");
    // A link that leads nowhere yet, whose text joined to its folder's name
    // is too long to look at: the file is made through the link.
    std::string deep, dots;
    for (int i = 0; i < 19; ++i) {
      deep += std::string(200, 'e') + "/";
      if (::mkdir(deep.c_str(), 0700) != 0) return false;
    }
    while (dots.size() < 400) dots += "./";
    if (!makeLink(dots + "made", deep + "link")) return false;
    const bool made = csvAt(deep + "link").ok() && testing::readBytes(deep + "made").size() > 10;
    return kept && status.ok() && std::filesystem::is_symlink("link") && testing::readBytes("target").size() < 1000 &&
           made;
  }));
}

// Mounts of this process's own from now on.
bool privateMounts() {
  return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// /proc hidden before the replace: the privileged call names the file.
class ProcGoesAway final : public FileSystem {
  bool replace(std::FILE* f, const char* temp, const char* to) const override {
    return ::mount("none", "/proc", "tmpfs", 0, "size=4k") == 0 && FileSystem::replace(f, temp, to);
  }
};

// As other users: a group member keeps group and mode, the superuser the owner
// too; an unreadable folder is not synced, and says so; without /proc, new
// files are named ones.
TEST_F(Files, OwnersGroupsAndFoldersOfOtherUsers) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs the superuser to act as other users";
  constexpr uid_t kOwner = 61001, kMember = 61002, kNobody = 65534;
  constexpr gid_t kShared = 61500;
  const std::string shared = dir.file("shared"), in = dir.file("shared/f");
  auto own = [](const std::string& at, uid_t user, gid_t group, mode_t mode) {
    return ::chown(at.c_str(), user, group) == 0 && ::chmod(at.c_str(), mode) == 0;
  };
  auto owner = [&] {
    struct stat st {};  // all 0 when there is no file
    (void)::stat(in.c_str(), &st);
    return std::make_tuple(st.st_uid, st.st_gid, st.st_mode & 07777);
  };
  ASSERT_EQ(::mkdir(shared.c_str(), 0770), 0);
  ASSERT_TRUE(own(shared, kOwner, kShared, 0770));
  ASSERT_EQ(::chmod(dir.file("").c_str(), 0755), 0);
  testing::writeBytes(in, "old");
  ASSERT_TRUE(own(in, kOwner, kShared, 0660));
  EXPECT_TRUE(inChild([&] {
    const gid_t groups[] = {kShared};
    if (::setgroups(1, groups) != 0 || ::setgid(kShared) != 0 || ::setuid(kMember) != 0) return false;
    const Status status = csvAt(in);
    return status.ok() && status.detail().empty();  // replaced, not written in place
  }));
  EXPECT_NE(testing::readBytes(in), "old");
  EXPECT_EQ(owner(), std::make_tuple(kMember, kShared, mode_t{0660}));
  ASSERT_EQ(::chown(in.c_str(), kOwner, kShared), 0);
  ASSERT_TRUE(csvAt(in).ok());
  EXPECT_EQ(owner(), std::make_tuple(kOwner, kShared, mode_t{0660}));

  ASSERT_TRUE(own(shared, kNobody, kNobody, 0300));
  ASSERT_EQ(::chown(in.c_str(), kNobody, kNobody), 0);
  testing::writeBytes(in, "old");
  EXPECT_TRUE(inChild([&] {
    const Status status = ::setuid(kNobody) == 0 ? csvAt(in) : Status();
    return status.ok() && status.detail().find("the new bytes are in place") == 0 && status.reason() == EACCES;
  }));
  ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
  EXPECT_NE(testing::readBytes(in), "old");
  // Without /proc new files are named ones, which a failing save removes;
  // for the superuser and for a user who may not name a descriptor itself.
  for (uid_t user : {uid_t{0}, kNobody}) {
    testing::writeBytes(in, "old");
    EXPECT_TRUE(inChild([&] {
      if (!privateMounts() || ::mount("none", "/proc", "tmpfs", 0, "size=4k") != 0 || ::setuid(user) != 0)
        std::_Exit(3);
      const bool kept = !csvAt(in, FailingFileSystem(2)).ok() && folderListing(shared) == Names{"f"} &&
                        testing::readBytes(in) == "old";
      const Status status = csvAt(in);
      return kept && status.ok() && status.detail().empty();
    })) << user;
    EXPECT_NE(testing::readBytes(in), "old");
  }
  testing::writeBytes(in, "old");
  EXPECT_TRUE(inChild(
      [&] { return privateMounts() && csvAt(in, ProcGoesAway()).ok() && ::access("/proc/self/fd", F_OK) != 0; }));
  EXPECT_NE(testing::readBytes(in), "old");
  EXPECT_EQ(folderListing(shared), Names{"f"});
}
#endif

// Saves ended at each step in a process of their own, as a crash ends them.
struct KillJob {
  std::size_t format = 0;
  WriteMode mode = WriteMode::replace;
  int killAt = 0;
  std::string name;
};

// The child's side: the save, ended at the step the job names.
int saveUntilKilled(const KillJob& job) {
  FailingFileSystem fs(job.killAt);
  fs.kill = true;
  fs.buffer = 64;
  FileHandler files(fs);
  return kFileFormats[job.format].save(sample(10), files, job.name.c_str(), job.mode).ok() ? 0 : 1;
}

#if defined(_WIN32)
constexpr char kKillJob[] = "TESSEL_KILL_JOB";

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
  if (length == 0 || length >= MAX_PATH || _putenv_s(kKillJob, text.c_str()) != 0) return -1;
  // The command processor takes the quotes around the whole line off first.
  const int code = std::system(("\"\"" + std::string(exe) + "\" --gtest_filter=Kills.Child >NUL 2>&1\"").c_str());
  (void)_putenv_s(kKillJob, "");
  return code;
}
#else
int runKillJob(const KillJob& job) {
  return exitOf([&] { return saveUntilKilled(job); });
}
#endif

// After each kill the file holds all old or all new bytes (an append: its old
// bytes first, as a dead process cannot cut it back), nothing beside it.
void killEachStep(const KillJob& base, const std::string& folder) {
  const std::string old(300, 'o'), &target = base.name;
  FileHandler real;
  testing::writeBytes(target, old);
  ASSERT_TRUE(kFileFormats[base.format].save(sample(10), real, base.name.c_str(), base.mode).ok());
  const std::string saved = testing::readBytes(target);
  ASSERT_NE(saved, old);
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
    const bool whole = base.mode == WriteMode::replace ? now == old || now == saved : now.substr(0, old.size()) == old;
    EXPECT_TRUE(whole) << now.size() << " bytes";
    EXPECT_EQ(folderListing(folder), Names{"f"});
  }
  EXPECT_GE(kills, 3);  // the new file or a write, the flush, the replace or a close
}

TEST_F(Files, ASaveKilledAtAnyStepLeavesAllOldOrAllNewBytes) {
  for (std::size_t format = 0; format < std::size(kFileFormats); ++format) {
    SCOPED_TRACE(kFileFormats[format].name);
    killEachStep({format, WriteMode::replace, 1, name}, dir.file(""));
  }
  killEachStep({4, WriteMode::append, 1, name}, dir.file(""));
}

// Out of memory at each allocation in turn, a save leaves the old file.
TEST_F(Files, AllocationFailuresInASaveLeaveTheFile) {
  const ArrayStore source = sample(10, "first");
  FileHandler files;
  for (const FileFormat& format : kFileFormats) {
    SCOPED_TRACE(format.name);
    testing::writeBytes(name, "old");
    const int failures =
        testing::forEachAllocationFailure([&] { (void)format.save(source, files, name.c_str(), WriteMode::replace); },
                                          [&](bool threw) {
                                            EXPECT_TRUE(threw);
                                            EXPECT_EQ(testing::readBytes(name), "old");
                                            EXPECT_EQ(folderListing(dir.file("")), Names{"f"});
                                          });
    EXPECT_GT(failures, 0);
    EXPECT_NE(testing::readBytes(name), "old");
  }
}

// Counts what a save hands on and keeps none of it.
struct CountingWriter final : ByteWriter {
  CountingWriter() : ByteWriter(kBufferSize) {}
  uint64_t finish() {
    drainBuffer();
    return count;
  }
  void drain(std::string_view bytes) override { count += bytes.size(), ++drains; }
  uint64_t count = 0, drains = 0;
};

TEST(Saves, AHugeDeclaredGridStreamsThroughOneBuffer) {
  // Three columns of ten million rows declared, two cells held: the file is
  // 120 MB of empty entries, handed on 64 KiB at a time.
  ArrayStore s = testing::array(3, 3, 10000000, {{CellDescriptor::ofString("ab")}, {CellDescriptor::ofValue(-7)}});
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
