// Files a game may meet on a player's disk, through the routine tables:
// damaged files load what they hold and say how they are damaged.
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "core/status.h"
#include "tests/e2e/e2e.h"
#include "tests/e2e/temp_files.h"

namespace tessel::testing {
namespace {

constexpr int32_t kOk = static_cast<int32_t>(StatusCode::ok), kDamaged = static_cast<int32_t>(StatusCode::damaged),
                  kBadFormat = static_cast<int32_t>(StatusCode::badFormat);

const std::string kNoKey = le16(0) + le32(0);
std::string nativeStart(int32_t labels) {
  return std::string("QVXARRAY") + le16(1) + le32(2) + le32(3) + le32(0) + le32(labels);
}
std::string record(uint16_t kind, const std::string& payload) {
  return le16(kind) + le32(static_cast<int32_t>(payload.size())) + payload;
}
std::string hostStart(int32_t x, int32_t y, int32_t z, int32_t flags, int32_t version = 2) {
  return std::string("HGF ARRAY\0", 10) + le32(version) + le32(x) + le32(y) + le32(z) + le32(flags);
}

class HostileFiles : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.ok()); }
  std::string put(const std::string& bytes) {
    const std::string name = dir.file("in" + std::to_string(++files_));
    writeBytes(name, bytes);
    return name;
  }
  // Loads `bytes` with `action` into a 2D array holding "old"; the cells
  // joined, then the outcome's code and description.
  std::string load(int action, const std::string& bytes, Instance::Outcome& outcome) {
    Instance o(makeSetup(2, 3));
    o.act(kAppendString, "old");
    const std::string name = put(bytes);
    o.act(action, name);
    outcome = o.lastOutcome();
    const std::string prefix = outcome.text.substr(0, outcome.text.find(name));
    if (outcome.text.find(name) != std::string::npos) outcome.text.replace(prefix.size(), name.size(), "F");
    return all(o);
  }
  TempDir dir;
  int files_ = 0;
};

TEST_F(HostileFiles, DamagedFilesLoadWhatTheyHoldAndSaySo) {
  // Two labels, three cells with a key on the second.
  const std::string labels = le32(1) + "a" + le32(2) + "bc";
  const std::string cells = le32(3) + record(2, std::string("x\0", 2)) + kNoKey + record(1, le32(5)) +
                            record(2, std::string("k\0", 2)) + record(3, "data") + kNoKey;
  const std::string whole = nativeStart(2) + labels + cells;
  Instance::Outcome outcome;
  EXPECT_EQ(load(kLoadNative, whole, outcome), "x|5|_");
  EXPECT_EQ(outcome.code, kOk);

  // Every cut after the magic loads what it holds and is damaged; before it the file is refused.
  for (std::size_t n = 0; n < whole.size(); ++n) {
    load(kLoadNative, whole.substr(0, n), outcome);
    EXPECT_EQ(outcome.code, n < 8 ? kBadFormat : kDamaged) << n << " " << outcome.text;
    if (n >= 8) {
      EXPECT_EQ(outcome.text.substr(0, 24), "damaged: F: ends early: ") << n;
    }
  }
  const std::size_t cellsAt = nativeStart(2).size() + labels.size();
  struct {
    std::string bytes, cells, text;
  } rows[] = {
      {whole.substr(0, 8), "", "damaged: F: ends early: in the header"},
      {nativeStart(2) + le32(1) + "a", "", "damaged: F: ends early: 1 of 2 labels read"},
      {nativeStart(2) + labels, "", "damaged: F: ends early: before the cell count"},
      // A record cut short keeps the bytes it had; a whole record is counted.
      {whole.substr(0, cellsAt + 4 + 14 + 10 + 3), "x|5",
       "damaged: F: ends early: 1 of 3 cells read, 1 more cut short"},
      {whole.substr(0, cellsAt + 4 + 14 + 6), "x|_", "damaged: F: ends early: 1 of 3 cells read, 1 more cut short"},
      // Changed bytes: kinds no writer makes, a negative length, a value of 6 bytes, negative counts.
      {nativeStart(0) + le32(1) + record(9, "zz") + kNoKey, "_", "damaged: F: record 0 has an unknown kind (9)"},
      {nativeStart(0) + le32(2) + record(2, std::string("a\0", 2)) + kNoKey + record(2, std::string("b\0", 2)) +
           record(7, "q"),
       "a|b", "damaged: F: the key of record 1 has an unknown kind (7)"},
      {nativeStart(0) + le32(1) + le16(2) + le32(-4) + kNoKey, "_", "damaged: F: record 0 has a negative length"},
      {nativeStart(0) + le32(1) + le16(1) + le32(6) + le32(9) + kNoKey, "9",
       "damaged: F: record 0 is a value of 6 bytes"},
      {nativeStart(-3) + le32(0), "", "damaged: F: the label count is negative (-3)"},
      {nativeStart(0) + le32(-1), "", "damaged: F: the cell count is negative (-1)"},
      {nativeStart(1) + le32(-2) + le32(0), "", "damaged: F: label 0 has a negative length"},
      // Bytes no writer puts there still load as they always did.
      {nativeStart(0) + le32(1) + record(0, "ab") + kNoKey, "_", "damaged: F: record 0 is empty but carries 2 bytes"},
      {nativeStart(0) + le32(1) + record(2, std::string("a\0b", 3)) + kNoKey, "a",
       "damaged: F: record 0 is a string with 1 byte after its zero byte"},
      {nativeStart(0) + le32(1) + record(2, "ab") + kNoKey, "ab",
       "damaged: F: record 0 is a string without its zero byte"},
      {nativeStart(0) + le32(1) + record(2, std::string("a\0", 2)) + kNoKey + "xyz", "a",
       "damaged: F: 3 bytes after the last record"},
      {nativeStart(1) + le32(3) + std::string("a\0b", 3) + le32(0), "", "damaged: F: label 0 is cut at a zero byte"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(load(kLoadNative, row.bytes, outcome), row.cells) << row.text;
    EXPECT_EQ(outcome.text, row.text);
  }
  // An appending load says the same and keeps what it could read.
  Instance o;
  o.act(kAppendString, "old");
  const std::string cut = put(whole.substr(0, whole.size() - 1));
  o.act(kAppendNative, cut);
  EXPECT_EQ(o.lastOutcome().text, "damaged: " + cut + ": ends early: 2 of 3 cells read, 1 more cut short");
  EXPECT_EQ(all(o), "old|x|5|_");
}

TEST_F(HostileFiles, DamagedHostArrayFiles) {
  const std::string texts = hostStart(3, 1, 1, 2) + le32(1) + "a" + le32(2) + "bc" + le32(0);
  Instance::Outcome outcome;
  EXPECT_EQ(load(kLoadHost, texts, outcome), "a|bc|_");
  EXPECT_EQ(outcome.code, kOk);
  for (std::size_t n = 10; n < texts.size(); ++n) {
    load(kLoadHost, texts.substr(0, n), outcome);
    EXPECT_EQ(outcome.code, kDamaged) << n;
  }
  struct {
    std::string bytes, cells, text;
  } rows[] = {
      {texts.substr(0, 20), "", "damaged: F: ends early: in the header"},
      {texts.substr(0, 30 + 5 + 4 + 1), "a|b", "damaged: F: ends early: 1 of 3 entries read, 1 more cut short"},
      {hostStart(2, 2, 1, 1) + le32(4) + le32(5), "4|5", "damaged: F: ends early: 2 of 4 entries read"},
      {hostStart(2, 1, 1, 2) + le32(-9) + le32(1) + "z", "_|z", "damaged: F: entry 0 has a negative length"},
      {hostStart(2, 1, 1, 3) + le32(5), "", "damaged: F: unknown content flags (3): no entry read"},
      {hostStart(2, 1, 1, 2, 1), "_|_", "damaged: F: texts of format version 1 are not read: every entry loads empty"},
      {hostStart(-1, 1, 1, 2) + le32(1) + "a", "", "damaged: F: X is -1: the 5 bytes of entries are not read"},
      {hostStart(1, 1, 0, 2) + le32(1) + "a", "", "damaged: F: Z is 0: the 5 bytes of entries are not read"},
      {hostStart(1, 1, 1, 2) + le32(3) + std::string("a\0b", 3), "a",
       "damaged: F: entry 0 has 1 byte after a zero byte"},
      {hostStart(1, 1, 1, 2) + le32(1) + "a" + "zz", "a", "damaged: F: 2 bytes after the last entry"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(load(kLoadHost, row.bytes, outcome), row.cells) << row.text;
    EXPECT_EQ(outcome.text, row.text);
  }
  // Any bytes are lines of a text file, but a zero byte ends the text: what
  // comes before it loads, and the outcome says what was left.
  for (int action : {kLoadCsv, kLoadIni}) {
    load(action, std::string("[s]\n\xFF,,\r=a\n", 11), outcome);
    EXPECT_EQ(outcome.code, kOk);
  }
  EXPECT_EQ(load(kLoadCsv, std::string("a,b\nc\0d,e\n", 11), outcome), "a|b|c|_");
  EXPECT_EQ(outcome.text, "damaged: F: a zero byte at offset 5 ends the text; the 5 bytes after it are not read");
  EXPECT_EQ(load(kLoadIni, std::string("[s]\nk=v\n\0=w", 12), outcome), "v");
  EXPECT_EQ(outcome.text, "damaged: F: a zero byte at offset 8 ends the text; the 3 bytes after it are not read");
  load(kLoadIni, std::string("[s]\nk=v\n\0\0", 10), outcome);  // padding loses nothing
  EXPECT_EQ(outcome.code, kOk);
  // A text saved as UTF-16 is the common case: its second byte is zero.
  load(kLoadCsv, std::string("\xFF\xFE\x61\0,\0b\0", 8), outcome);
  EXPECT_EQ(outcome.code, kDamaged);
}

TEST_F(HostileFiles, DevicesAndPipesAreNeitherOpenedNorWritten) {
  // A pipe without a writer would block a load for ever, one without a reader a save.
#if defined(_WIN32)
  const std::vector<std::string> devices = {"CON",
                                            "NUL",
                                            "PRN",
                                            "AUX",
                                            "COM1",
                                            "LPT1",
                                            "nul.txt",
                                            "Con.csv",
                                            "com9.ini",
                                            "lpt1 .txt",
                                            dir.file("aux.qvx"),
                                            "\\\\.\\pipe\\tessel"};
#else
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::vector<std::string> devices = {fifo, "/dev/null", "/dev/zero"};
#endif
  const int loads[] = {kAppendNative, kAppendHost, kAppendCsv, kAppendIni, kAppendFile};
  const int saves[] = {kSaveNative, kSaveHost, kSaveCsv, kSaveIni, kSaveElement, kAppendElement};
  for (const std::string& name : devices) {
    SCOPED_TRACE(name);
    Instance o;
    o.act(kAppendString, "keep");
    for (int action : loads) {
      o.act(action, name);
      EXPECT_EQ(o.lastOutcome().text, "cannot open: " + name + ": a device or a pipe, not a file") << action;
    }
    for (int action : saves) {
      const bool element = action == kSaveElement || action == kAppendElement;
      o.act(action, element ? Param(0) : Param(name), element ? Param(name) : Param());
      EXPECT_EQ(o.lastOutcome().text, "cannot open: " + name + ": a device or a pipe, not a file") << action;
    }
    EXPECT_EQ(all(o), "keep");
    o.act(kLoadCsv, name);  // a replacing load empties the array, as for a missing file
    EXPECT_EQ(o.integer(kSize), 0);
  }
  // Nothing was made beside the pipe: no temporary file, no file named after a device.
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.file(""))) files += entry.exists() ? 1 : 0;
#if defined(_WIN32)
  EXPECT_EQ(files, 0u);
#else
  EXPECT_EQ(files, 1u);
#endif
}

// Everything a load may change, to see that a refused one changed nothing.
std::string state(Instance& o) {
  return all(o) + " " + std::to_string(o.integer(kDimensionCount)) + ":" + std::to_string(o.integer(kBoundary, 1)) +
         "," + std::to_string(o.integer(kBoundary, 2)) + " " + o.text(kLabelList).value_or("-") + " " +
         std::to_string(o.integer(kNumberOfRows)) + " " + std::to_string(o.integer(kCapacity));
}

TEST_F(HostileFiles, LoadsThatWouldOutgrowTheFileAreRefused) {
  // 18 KB: a line of 6000 commas pads 6000 short lines to 6001 cells each.
  std::string csv(6000, ',');
  for (int i = 0; i < 6000; ++i) csv += "\na";
  Instance o(makeSetup(2, 3));
  run(o, {{kAppendString, "a"}, {kAppendString, "b"}, {kAppendString, "c"}, {kAppendString, "d"}});
  run(o, {{kSetLabel, "L", 1}, {kSetValue, 5, 7}});
  const std::string before = state(o);
  const std::string name = put(csv);
  for (int action : {kLoadCsv, kAppendCsv}) {
    o.act(action, name);
    EXPECT_EQ(o.lastOutcome().text, "too large: " + name + ": too large for the array: 36012001 cells");
    EXPECT_EQ(state(o), before);
  }
  // The same shape within the rule (about two cells a byte for a small file) loads.
  o.act(kLoadCsv, put(std::string(60, ',') + std::string(120, '\n') + std::string(6000, ',')));
  EXPECT_EQ(o.lastOutcome().code, kOk);
  EXPECT_EQ(o.integer(kSize), 2 * 6001);
}

// A file of a few dozen bytes may declare 2^31 - 1 columns. What is built
// from it costs what it holds: a list longer than a save of the array could
// write gives no text, and the label list walks the labels held.
TEST_F(HostileFiles, HugeDeclaredShapesCostWhatTheArrayHolds) {
  const std::string wide = std::string("QVXARRAY") + le16(1) + le32(2) + le32(INT32_MAX) + le32(1) + le32(0) + le32(1) +
                           record(1, le32(7)) + kNoKey;
  Instance o(makeSetup(2, 3));
  o.act(kLoadNative, put(wide));
  ASSERT_EQ(o.lastOutcome().code, kOk);
  ASSERT_EQ(o.integer(kBoundaryX), INT32_MAX);
  run(o, {{kSetLabel, "a", 2}, {kSetLabel, "b", INT32_MAX - 1}});
  // With a delimiter the list would be 2 GiB of them: past the bound, no text.
  EXPECT_EQ(o.text(kLabelList), std::nullopt);
  EXPECT_EQ(o.integer(kColumnOfLabel, "b"), INT32_MAX - 1);
  // Without one it is the labels alone, found without visiting the columns between.
  o.act(kSetDelimiter, "");
  EXPECT_EQ(o.text(kLabelList), "ab");
  EXPECT_EQ(o.text(kElementList, ","), "7");

  // The element lists stop at the same bound: 200,000 separators of 20,000
  // bytes would be 4 GB, and 200,000 of one byte are built.
  Instance list(makeSetup(1, 3));
  list.act(kSetValue, 1, 199999);
  EXPECT_EQ(list.text(kElementList, std::string(20000, ';')), std::nullopt);
  EXPECT_EQ(list.text(kKeyList, std::string(20000, ';')), std::nullopt);
  EXPECT_EQ(list.text(kElementList, ",")->size(), 199999u + 1u);
}

// The load rule as host/tessel_tools.h gives it to tools: a CSV file of N
// bytes may make as many cells as (allowance + N bytes a byte) / two cells
// of the build's size, and one more is refused.
TEST_F(HostileFiles, TheLoadRuleOfTheToolsHeaderIsTheModules) {
  constexpr int64_t kRows = 1000;
  // A line of commas, then a line "a" for each further row.
  const auto fileBytes = [](int64_t width) { return width - 1 + 2 * (kRows - 1); };
  const auto budget = [](int64_t bytes) {
    return ((int64_t{TESSEL_LOAD_ALLOWANCE_MIB} << 20) + TESSEL_LOAD_BYTES_PER_FILE_BYTE * bytes) /
           (2 * TESSEL_CELL_BYTES);
  };
  int64_t width = 1;
  while (kRows * (width + 1) <= budget(fileBytes(width + 1))) ++width;
  for (const int64_t w : {width, width + 1}) {
    std::string csv(static_cast<std::size_t>(w - 1), ',');
    for (int64_t r = 1; r < kRows; ++r) csv += "\na";
    ASSERT_EQ(static_cast<int64_t>(csv.size()), fileBytes(w));
    Instance o;
    o.act(kLoadCsv, put(csv));
    EXPECT_EQ(o.lastOutcome().code, w == width ? TESSEL_OUTCOME_OK : TESSEL_OUTCOME_TOO_LARGE) << w;
    EXPECT_EQ(o.integer(kSize), w == width ? kRows * w : 0) << w;
  }
}

TEST_F(HostileFiles, FileLabelsJoinTheLabelsHeld) {
  // Labels 0 to 29999 from the file, below the 30000 the array holds: one merge.
  constexpr int32_t kColumns = 60000, kHalf = 30000;
  Instance source(makeSetup(2, kColumns)), o(makeSetup(2, kColumns));
  for (int32_t c = 0; c < kHalf; ++c) source.act(kSetLabel, "n" + std::to_string(c), c);
  source.act(kSetLabel, std::string("new"), kHalf + 5);
  for (int32_t c = kHalf; c < kColumns; ++c) o.act(kSetLabel, "o" + std::to_string(c), c);
  const std::string name = dir.file("labels");
  source.act(kSaveNative, name);
  o.act(kLoadNative, name);
  EXPECT_EQ(o.lastOutcome().code, kOk);
  for (int32_t c : {0, 1, kHalf - 1, kHalf, kHalf + 5, kColumns - 1}) {
    EXPECT_EQ(o.text(kLabel, c).value_or("-"), c == kHalf + 5 ? "new" : (c < kHalf ? "n" : "o") + std::to_string(c));
  }
}

TEST_F(HostileFiles, DeclaredBoundariesDoNotMakeSavesHuge) {
  // 38 bytes: a 2D array of 2^31 - 1 columns with one label and no cells.
  const std::string huge =
      std::string("QVXARRAY") + le16(1) + le32(2) + le32(0x7FFFFFFF) + le32(0) + le32(1) + le32(1) + "L" + le32(0);
  Instance o;
  o.act(kLoadNative, put(huge));
  ASSERT_EQ(o.lastOutcome().code, kOk);
  EXPECT_EQ(o.integer(kBoundary, 1), 0x7FFFFFFF);
  // The native save writes its one label slot; a reload gives the same array.
  const std::string native = dir.file("native");
  o.act(kSaveNative, native);
  EXPECT_EQ(o.lastOutcome().code, kOk);
  EXPECT_EQ(readBytes(native), huge);
  o.act(kAppendString, "cell");
  // Host array and CSV layouts are as big as the grid: refused, the old file stays.
  for (const auto& [action, bytes] : {std::pair{kSaveHost, "8589934622"}, std::pair{kSaveCsv, "6442450944"}}) {
    const std::string name = put("old");
    o.act(action, name);
    EXPECT_EQ(o.lastOutcome().text, "too large: " + name + ": too large to save: " + bytes + " bytes");
    EXPECT_EQ(readBytes(name), "old");
  }
  // An ordinary table keeps every slot, labelled or not, as it always did.
  Instance grid(makeSetup(2, 3));
  grid.act(kSetLabel, std::string("a"), 0);
  const std::string three = dir.file("three");
  grid.act(kSaveNative, three);
  EXPECT_EQ(readBytes(three).substr(22), le32(3) + le32(1) + "a" + le32(0) + le32(0) + le32(0));
}

}  // namespace
}  // namespace tessel::testing
