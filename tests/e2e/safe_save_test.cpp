// What a save or load tells the instance (through the diagnostic entry
// point), and saves that never destroy the file they replace.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/status.h"
#include "host/catalogue.h"
#include "tests/e2e/temp_files.h"
#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

using catalogue::actionOf;
using catalogue::expressionOf;

constexpr int kSaveNative = actionOf("saveToFile"), kSaveHost = actionOf("saveAsHostArray"),
              kSaveCsv = actionOf("saveToCsv"), kLoadNative = actionOf("loadFromFile"),
              kLoadHost = actionOf("loadFromHostArray"), kLoadCsv = actionOf("loadFromCsv"),
              kAppendString = actionOf("appendString"), kAppendNative = actionOf("appendFromFile"),
              kSaveElement = actionOf("saveElementToFile"), kAppendElement = actionOf("appendElementToFile"),
              kSetFileAt = actionOf("setFileAt"), kSaveIni = actionOf("saveToIni"), kLoadIni = actionOf("loadFromIni");
constexpr int kSize = expressionOf("size"), kGetString = expressionOf("stringAt");
constexpr int kSaves[] = {kSaveNative, kSaveHost, kSaveCsv, kSaveIni};

// Codes of the diagnostic, as the module numbers its outcomes.
constexpr int32_t code(StatusCode c) { return static_cast<int32_t>(c); }
constexpr int32_t kOk = code(StatusCode::ok), kCannotOpen = code(StatusCode::cannotOpen),
                  kWriteFailed = code(StatusCode::writeFailed), kFlushFailed = code(StatusCode::flushFailed),
                  kCloseFailed = code(StatusCode::closeFailed), kBadFormat = code(StatusCode::badFormat),
                  kNoElement = code(StatusCode::noElement);

[[maybe_unused]] std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

[[maybe_unused]] void fill(Instance& o, int cells, const std::string& text) {
  for (int i = 0; i < cells; ++i) o.act(kAppendString, text + std::to_string(i));
}

// Each save (element saves with their index first) of the same array.
[[maybe_unused]] void save(Instance& o, int action, const std::string& name) {
  if (action == kSaveElement || action == kAppendElement) {
    o.act(action, 0, name);
  } else {
    o.act(action, name);
  }
}

TEST(Outcome, EachCallReportsWhatHappenedToItsFile) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  writeBytes(dir.file("junk"), "not an array file");
  const std::string missing = dir.file("no/such/file");
  struct {
    int action;
    Param first, second;
    int32_t code;
    std::string text;  // the start of the description
  } rows[] = {
    {kSaveNative, dir.file("ok"), {}, kOk, "ok"},
    {kSaveNative, missing, {}, kCannotOpen, "cannot open: " + missing + ": No such file or directory"},
    {kSaveCsv, Param(), {}, kCannotOpen, "cannot open"},
    {kLoadNative, missing, {}, kCannotOpen, "cannot open: " + missing},
    {kLoadNative, dir.file("junk"), {}, kBadFormat, "not a file of this format: " + dir.file("junk")},
    {kLoadHost, dir.file("junk"), {}, kBadFormat, "not a file of this format"},
    {kLoadCsv, dir.file("junk"), {}, kOk, "ok"},  // any text is a CSV file
    {kLoadIni, missing, {}, kCannotOpen, "cannot open"},
    {kSaveElement, 7, dir.file("e"), kNoElement, "no such element"},
#if defined(_WIN32)
    {kSetFileAt, dir.file(""), 0, kCannotOpen, "cannot open: " + dir.file("")},  // this system opens no directory
#else
    {kSetFileAt, dir.file(""), 0, 2, "read failed: " + dir.file("")},  // a directory opens but cannot be read
#endif
    {kAppendString, "x", {}, kOk, "ok"},  // every call starts afresh
  };
  Instance o;
  o.act(kAppendString, "a");
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    o.act(row.action, row.first, row.second);
    const Instance::Outcome outcome = o.lastOutcome();
    EXPECT_EQ(outcome.code, row.code);
    EXPECT_EQ(outcome.text.substr(0, row.text.size()), row.text);
  }
  // An expression call is a call too; the description is cut to the buffer.
  o.act(kLoadNative, missing);
  EXPECT_EQ(o.lastOutcome().code, kCannotOpen);
  EXPECT_EQ(o.integer(kSize), 0);
  EXPECT_EQ(o.lastOutcome().code, kOk);
  o.act(kLoadNative, missing);
  const auto read = builtModule().entry<int32_t(TESSEL_CALL*)(TesselRunObject*, char*, int32_t)>("TesselLastOutcome");
  char small[8];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(read(&o.record(), small, 5), kCannotOpen);
  EXPECT_STREQ(small, "cann");
  EXPECT_EQ(small[5], 'x');
  EXPECT_EQ(read(&o.record(), nullptr, 0), kCannotOpen);
}

// Permissions and a tmpfs to fill are this system's; the Windows build checks its saves elsewhere.
#if !defined(_WIN32)
TEST(SafeSave, ReplacingLeavesOnlyTheFileWithItsPermissions) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  Instance o;
  fill(o, 30, "cell ");
  for (int action : {kSaveNative, kSaveHost, kSaveCsv, kSaveIni, kSaveElement}) {
    SCOPED_TRACE(action);
    const std::string name = dir.file("f" + std::to_string(action));
    writeBytes(name, "old");
    ASSERT_EQ(::chmod(name.c_str(), 0640), 0);
    save(o, action, name);
    EXPECT_EQ(o.lastOutcome().code, kOk);
    EXPECT_NE(readBytes(name), "old");
    struct stat st {};
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
  }
  EXPECT_EQ(entries(dir.file("")).size(), 5u);  // no file beside the saved ones

  // A link is followed and stays a link; a leftover new file of an earlier
  // crash is passed over, not reused.
  const std::string target = dir.file("target"), link = dir.file("link");
  writeBytes(target, "old");
  std::filesystem::create_symlink(target, link);
  writeBytes(dir.file("f0.~tsl0"), "left by a crash");
  for (const std::string& name : {link, dir.file("f0")}) {
    o.act(kSaveCsv, name);
    EXPECT_EQ(o.lastOutcome().code, kOk);
  }
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readBytes(target), readBytes(dir.file("f0")));
  EXPECT_EQ(readBytes(dir.file("f0.~tsl0")), "left by a crash");
}

// A tmpfs of a few pages, mounted for one test and unmounted after it.
class TinyDisk {
 public:
  explicit TinyDisk(const std::string& at) : at_(at) {
    std::filesystem::create_directory(at_);
    if (::mount("tessel", at_.c_str(), "tmpfs", 0, "size=64k") == 0) {
      mounted_ = true;
    } else {
      reason_ = std::strerror(errno);
    }
  }
  ~TinyDisk() {
    if (mounted_) ::umount(at_.c_str());
  }
  TinyDisk(const TinyDisk&) = delete;
  TinyDisk& operator=(const TinyDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& reason() const { return reason_; }
  // Fills every free byte with one more file.
  void fillUp() const {
    std::FILE* f = std::fopen((at_ + "/filler").c_str(), "wb");
    if (f == nullptr) return;
    const std::string block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
    }
    std::fclose(f);
  }

 private:
  std::string at_;
  bool mounted_ = false;
  std::string reason_;
};

TEST(SafeSave, AFullDiskLeavesTheOldFileByteForByte) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  TinyDisk disk(dir.file("disk"));
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.reason() << "): no real full disk";
  Instance small, big;
  fill(small, 3, "s");
  fill(big, 2000, "a longer cell text ");
  big.act(kSetFileAt, std::string(dir.file("")), 0);  // keeps the first cell a string
  for (int action : {kSaveNative, kSaveHost, kSaveCsv, kSaveIni, kSaveElement}) {
    const std::string name = dir.file("disk/f" + std::to_string(action));
    save(small, action, name);
    ASSERT_EQ(small.lastOutcome().code, kOk) << action;
  }
  // The element save needs a cell larger than the disk.
  big.act(kSetFileAt, std::string(), 0);
  std::string huge(100000, 'h');
  writeBytes(dir.file("huge"), huge);
  big.act(kSetFileAt, dir.file("huge"), 0);
  disk.fillUp();
  for (int action : {kSaveNative, kSaveHost, kSaveCsv, kSaveIni, kSaveElement}) {
    SCOPED_TRACE(action);
    const std::string name = dir.file("disk/f" + std::to_string(action));
    const std::string before = readBytes(name);
    save(big, action, name);
    const Instance::Outcome outcome = big.lastOutcome();
    EXPECT_TRUE(outcome.code == kWriteFailed || outcome.code == kFlushFailed || outcome.code == kCloseFailed)
        << outcome.text;
    EXPECT_NE(outcome.text.find("No space left on device"), std::string::npos) << outcome.text;
    EXPECT_EQ(readBytes(name), before);
  }
  EXPECT_EQ(entries(dir.file("disk")).size(), 6u);  // the five files and the filler, no new file left
}

#endif

}  // namespace
}  // namespace tessel::testing
