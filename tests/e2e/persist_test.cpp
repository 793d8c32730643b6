// Saving and loading through the routine tables: the bytes each writer puts
// in a file, round trips, append modes, files that cannot be read, bad input,
// what a save or load tells the instance (through the diagnostic entry point),
// and saves that never destroy the file they replace.
#if !defined(_WIN32)
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/status.h"
#include "tests/e2e/e2e.h"
#include "tests/e2e/temp_files.h"

namespace tessel::testing {
namespace {

const std::string kHostMagic("HGF ARRAY\0", 10);
// No labels, one string cell "z" without a key: the rest of a native file.
const std::string kOneCell = le32(0) + le32(1) + le16(2) + le32(2) + std::string("z\0", 2) + le16(0) + le32(0);

std::string shape(Instance& o) {
  return std::to_string(o.integer(kDimensionCount)) + ":" + std::to_string(o.integer(kBoundary, 1)) + "," +
         std::to_string(o.integer(kBoundary, 2));
}

std::string nativeHeader(int32_t dims, std::initializer_list<int32_t> boundaries, uint16_t version = 1) {
  std::string b = std::string("QVXARRAY") + le16(version) + le32(dims);
  for (int32_t x : boundaries) b += le32(x);
  return b;
}

std::string hostHeader(int32_t x, int32_t y, int32_t z, int32_t flags, int32_t version = 2) {
  return kHostMagic + le32(version) + le32(x) + le32(y) + le32(z) + le32(flags);
}

// Calls a save into `name`; element saves take the cell `index` first.
void save(Instance& o, int action, const std::string& name, int32_t index = 0) {
  const bool element = action == kSaveElement || action == kAppendElement;
  o.act(action, element ? Param(index) : Param(name), element ? Param(name) : Param());
}

class Persist : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    for (int i = 0; i < 250; ++i) blob += std::string("\0\r\n", 3) + static_cast<char>(i);
  }
  std::string path(const std::string& name) const { return dir.file(name); }
  std::string put(const std::string& name, const std::string& bytes) const {
    writeBytes(path(name), bytes);
    return path(name);
  }
  // What a save writes into a new file (save element: of cell `index`).
  std::string saved(Instance& o, int action, int32_t index = 0) {
    const std::string name = path("saved" + std::to_string(++saves_));
    save(o, action, name, index);
    return std::filesystem::exists(name) ? readBytes(name) : "<no file>";
  }
  // A 2D array with every kind of cell, keys of both kinds and labels.
  void fillKeyed(Instance& o, const std::string& data) {
    run(o, {{kAppendString, "a"}, {kAppendValue, -5}, {kAppendFile, put("data", data)}, {kAppendValue, 0}});
    run(o, {{kSetKeyString, "k", 0}, {kSetKeyValue, 7, 1}, {kSetKeyString, "k3", 3}});
    run(o, {{kSetLabel, "first", 0}, {kSetLabel, "third", 2}});
  }
  TempDir dir;
  int saves_ = 0;
  std::string blob;  // every byte value, with zero bytes and line ends among them
};

TEST_F(Persist, WriterBytes) {
  Instance o;
  // Native, 26 bytes: magic, version 1, one dimension, boundary 0, no labels, no cells.
  EXPECT_EQ(saved(o, kSaveNative), nativeHeader(1, {0}) + le32(0) + le32(0));
  // Host array, 34 bytes: version 2, X = Y = Z = 1, text flags, one empty text.
  EXPECT_EQ(saved(o, kSaveHost), hostHeader(1, 1, 1, 2) + le32(0));
  EXPECT_EQ(saved(o, kSaveCsv), "\r\n");
  EXPECT_EQ(saved(o, kSaveIni), "[QVXArray]\r\n\r\n");  // 14 bytes

  // 41 bytes with a string cell: type 2, length 3 with its zero byte, key type 0, key length 0.
  o.act(kAppendString, std::string("ab"));
  EXPECT_EQ(saved(o, kSaveNative).substr(22), le32(1) + le16(2) + le32(3) + std::string("ab\0", 3) + le16(0) + le32(0));
  o.act(kAppendValue, -5);
  EXPECT_EQ(saved(o, kSaveNative).substr(41), le16(1) + le32(4) + "\xFB\xFF\xFF\xFF" + le16(0) + le32(0));

  // Host array 7, "ab" in 45 bytes: Z = 2 full pages + 1, so one empty text closes it.
  Instance h;
  run(h, {{kAppendValue, 7}, {kAppendString, "ab"}});
  EXPECT_EQ(saved(h, kSaveHost), hostHeader(1, 1, 3, 2) + le32(1) + "7" + le32(2) + "ab" + le32(0));
  EXPECT_EQ(saved(h, kSaveIni), "[QVXArray]\r\n=7\r\n=ab\r\n\r\n");
  h.act(kSetValue, 0, 2);  // an empty cell is written as ""
  EXPECT_EQ(saved(h, kSaveCsv), "7,ab,\"\"\r\n");
  // 8 cells of 2 by 3 give Z = 1 full page + 1: 12 entries, 5 bytes for a
  // digit, 4 when empty. 12 cells of 3 columns give Y = 1, Z = 5: 15 entries.
  Instance cube2(makeSetup(3, 2, 3)), grid3(makeSetup(2, 3));
  for (int i = 1; i <= 12; ++i) grid3.act(kAppendValue, i);
  for (int i = 1; i <= 8; ++i) cube2.act(kAppendValue, i);
  EXPECT_EQ(saved(cube2, kSaveNative).substr(0, 26), nativeHeader(3, {2, 3, 0}));
  const std::string pages = saved(cube2, kSaveHost);
  EXPECT_EQ(pages.substr(14, 12), le32(2) + le32(3) + le32(2));
  EXPECT_EQ(pages.size(), 30u + 8 * 5 + 4 * 4);
  EXPECT_EQ(saved(grid3, kSaveHost).substr(14, 12), le32(3) + le32(1) + le32(5));

  // CSV of 2D: a line per row, none for no cells; without columns, one row.
  Instance grid(makeSetup(2, 2)), bare(makeSetup(2, 0));
  EXPECT_EQ(saved(grid, kSaveCsv), "");
  run(grid, {{kAppendString, "a"}, {kAppendString, "b"}, {kAppendString, "c"}});
  EXPECT_EQ(saved(grid, kSaveCsv), "a,b\r\nc,\"\"\r\n");
  run(bare, {{kAppendString, "x,y"}, {kAppendString, "z"}});
  EXPECT_EQ(saved(bare, kSaveCsv), "x,y,z\r\n");
}

TEST_F(Persist, NativeRoundTripAndAppend) {
  Instance o(makeSetup(2, 3)), back, grid(makeSetup(2, 4)), flat;
  fillKeyed(o, blob);
  const std::string file = path("a");
  o.act(kSaveNative, file);
  run(back, {{kAppendString, "old"}, {kLoadNative, file}});
  EXPECT_EQ(saved(back, kSaveNative), readBytes(file));  // every field came back
  EXPECT_EQ(all(back), "a|-5|_|_");
  EXPECT_EQ(keys(back), "k|7||k3");  // no key loads as an empty key
  EXPECT_EQ(back.text(kLabelList), "first,,third");
  EXPECT_EQ(shape(back), "2:3,0");
  EXPECT_EQ(saved(back, kSaveElement, 2), blob);

  // Appending sets only the labels the file carries; into 1D it sets none
  // and keeps the dimensions.
  run(grid, {{kSetLabel, "old1", 1}, {kSetLabel, "old3", 3}, {kAppendNative, file}});
  EXPECT_EQ(grid.text(kLabelList), "first,old1,third,old3");
  run(flat, {{kAppendValue, 1}, {kAppendNative, file}});
  EXPECT_EQ(all(flat), "1|a|-5|_|_");
  EXPECT_EQ(shape(flat), "1:0,0");
}

// The save report through its diagnostic entry point lasts until the next
// call, and a save that failed has none; its counts are held to real round
// trips below the tables, its wording in the console's cases.
TEST_F(Persist, SaveReportLastsUntilTheNextCall) {
  Instance o(makeSetup(2, 3));
  fillKeyed(o, "bytes");
  save(o, kSaveCsv, path("keyed.csv"));
  ASSERT_TRUE(o.lastSaveReport());
  EXPECT_EQ(o.lastSaveReport()->keysDropped, 3);
  o.integer(kSize);
  EXPECT_FALSE(o.lastSaveReport());
  save(o, kSaveCsv, path("no-such-folder/keyed.csv"));
  EXPECT_FALSE(o.lastSaveReport());
}

TEST_F(Persist, Loads) {
  Instance h;
  run(h, {{kAppendValue, 7}, {kAppendString, "ab"}});
  std::string wide, wideCells;  // no limit on fields per line
  for (int i = 0; i < 200; ++i) {
    wide += (i ? "," : "") + std::to_string(i);
    wideCells += (i ? "|" : "") + std::to_string(i);
  }
  const std::string none = nativeHeader(1, {0}) + le32(0), noKey = le16(0) + le32(0);
  struct {
    int action;
    std::string bytes, cells, shape;  // no shape: not checked
  } rows[] = {
      // Host array: the fewest dimensions for X and Y; integer (1) and text
      // (2) entries; texts of another version take no bytes; unknown flags none.
      {kLoadHost, saved(h, kSaveHost), "7|ab|_", "1:0,0"},
      {kLoadHost, hostHeader(3, 1, 1, 1) + le32(5) + le32(0) + le32(-3), "5|_|-3", "2:3,0"},
      {kLoadHost, hostHeader(2, 2, 1, 5) + std::string(16, '\0'), "_|_|_|_", "3:2,2"},
      {kLoadHost, hostHeader(2, 1, 1, 2, 1), "_|_", "2:2,0"},
      {kLoadHost, hostHeader(2, 1, 1, 3) + le32(5), "", "2:2,0"},
      // CSV: runs of CR/LF end a line, a zero byte ends the text, "" is empty.
      {kLoadCsv, "a,b\r\nc,\"\"\r\n", "a|b|c|_", "2:2,0"},
      {kLoadCsv, "a,b\r\n\r\nc\r\n", "a|b|c|_", "2:2,0"},
      {kLoadCsv, "a,b\n\nc", "a|b|c|_", "2:2,0"},
      {kLoadCsv, std::string("a,b\r\r\n\rc\0ignored,x,y", 20), "a|b|c|_", "2:2,0"},
      {kLoadCsv, "\"a,b\"\r\n\"\",\"\"\"\r\n", "\"a|b\"|_|\"\"\"", "2:2,0"},
      {kLoadCsv, wide, wideCells, "2:200,0"},
      // INI: sections, // comments, keys trimmed in front, lines under 2 bytes skipped.
      {kLoadIni, "x=0\n[one]\nabc\n; note\n// note\n  k = v\n=\nq\n[two]x\nlast=1\n", "_|_| v|1", "2:3,0"},
      // Native versions that read as negative are accepted.
      {kLoadNative, nativeHeader(1, {0}, 0) + kOneCell, "z", "1:0,0"},
      {kLoadNative, nativeHeader(1, {0}, 0x8000) + kOneCell, "z", "1:0,0"},
      {kLoadNative, nativeHeader(1, {0}, 0xFFFF) + kOneCell, "z", "1:0,0"},
      // Counts and lengths beyond the file are clamped to the bytes it holds;
      // a cut field keeps what was read, little-endian; more than ten
      // dimensions skip the rest of the boundaries.
      {kLoadNative, nativeHeader(1, {0}) + le32(-1) + le32(-7), "", ""},
      {kLoadNative, nativeHeader(0x7FFFFFFF, {3}), "", ""},
      {kLoadNative, nativeHeader(1, {0}) + le32(0x7FFFFFFF) + le32(0x7FFFFFFF) + "ab", "", ""},
      {kLoadNative, none + le32(0x7FFFFFFF) + le16(2) + le32(3) + std::string("hi\0", 3) + noKey, "hi", ""},
      {kLoadNative, none + le32(1) + le16(2) + le32(1000) + "abc", "abc", ""},
      {kLoadNative,
       none + le32(2) + le16(2) + le32(4) + std::string("a\0bc", 4) + noKey + le16(2) + le32(2) + "de" + le16(1) +
           le32(4) + le32(9),
       "a|de", ""},
      {kLoadNative, none + le32(1) + le16(1) + le32(4) + "\x34\x12", "4660", ""},
      {kLoadNative,
       nativeHeader(11, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) + le32(0) + le32(1) + le16(1) + le32(4) + le32(9) + noKey,
       "9", ""},
      {kLoadHost, hostHeader(46340, 46340, 1, 1) + le32(8) + le32(9), "8|9", ""},
      {kLoadHost, hostHeader(1, 1, 1, 2) + le32(0x7FFFFFFF) + "t", "t", ""},
  };
  for (const auto& row : rows) {
    Instance o(makeSetup(2, 3));
    run(o, {{kAppendString, "old"}, {row.action, put("in", row.bytes)}});
    EXPECT_EQ(all(o) + " " + (row.shape.empty() ? "" : shape(o)), row.cells + " " + row.shape) << row.bytes;
    if (row.action == kLoadIni) {
      EXPECT_EQ(keys(o), "abc|; note|k |last");
    }
  }
  // A "[" line without its "]" opens no section, whatever the next line holds.
  Instance unclosed(makeSetup(2, 3));
  run(unclosed, {{kLoadIni, put("in", "[open\n]x=1\n[shut]\ny=2\n")}});
  EXPECT_EQ(all(unclosed) + "/" + keys(unclosed), "2/y");
  // A data payload cut to its 4 bytes; a string with no byte left is an empty cell with a key.
  Instance o;
  o.act(kLoadNative, put("in", none + le32(1) + le16(3) + le32(10) + "abcd"));
  EXPECT_EQ(saved(o, kSaveElement, 0), "abcd");
  o.act(kLoadNative, put("in", none + le32(1) + le16(2) + le32(10)));
  EXPECT_EQ(all(o) + "/" + keys(o) + "/" + saved(o, kSaveElement, 0), "_//");
  o.act(kLoadHost, put("v1max", hostHeader(1024, 1024, 1, 6, 1)));  // the largest grid of empty texts
  EXPECT_EQ(o.integer(kSize), 1 << 20);

  // Appends keep what was there: host array keeps the shape, CSV takes 2D.
  Instance a(makeSetup(3, 2, 2));
  run(a, {{kAppendValue, 1}, {kAppendValue, 2}, {kAppendValue, 3}, {kAppendHost, put("two", rows[0].bytes)}});
  EXPECT_EQ(all(a) + " " + shape(a), "1|2|3|7|ab|_ 3:2,2");
  a.act(kAppendCsv, put("xy", "x,y"));
  EXPECT_EQ(all(a) + " " + shape(a), "1|2|3|7|ab|_|x|y 2:2,0");

  // INI keys round trip as texts; the line "=" is too short to come back.
  Instance ini;
  run(ini, {{kAppendString, "a"}, {kAppendValue, 5}, {kAppendValue, 0}, {kAppendValue, 0}, {kAppendString, "b"}});
  run(ini, {{kSetKeyString, "k1", 0}, {kSetKeyString, "k3", 2}, {kSetKeyValue, 7, 4}});
  EXPECT_EQ(saved(ini, kSaveIni), "[QVXArray]\r\nk1=a\r\n=5\r\nk3=\r\n=\r\n7=b\r\n\r\n");
  ini.act(kAppendIni, path("saved" + std::to_string(saves_)));
  EXPECT_EQ(all(ini), "a|5|_|_|b|a|5|_|b");
  EXPECT_EQ(keys(ini), "k1|-|k3|-|7|k1||k3|7");
}

TEST_F(Persist, FilesThatCannotBeRead) {
  // Failed replacing loads empty the array; native and host array files also
  // set the dimension count to 0, CSV to 2. Boundaries stay. What the system
  // will not open (a folder, a device, a name it refuses, a file another
  // program holds) reads as a missing file, into cells too.
  std::vector<std::string> unread = {path("missing"), std::string(), dir.file(""), kNullDevice, path("bad<name>?")};
#if defined(_WIN32)
  ExclusiveHold held(put("held", nativeHeader(1, {0}) + kOneCell));
  ASSERT_TRUE(held.ok());
  unread.push_back(path("held"));
#endif
  struct {
    int load, append;
    std::string bytes;
    int32_t dims;
  } rows[] = {
      // The magic in another letter case, version 2, cut in the magic.
      {kLoadNative, kAppendNative, "QVXArray" + nativeHeader(1, {0}).substr(8) + kOneCell, 0},
      {kLoadNative, kAppendNative, nativeHeader(1, {0}, 2) + kOneCell, 0},
      {kLoadNative, kAppendNative, "QVXARR", 0},
      // No zero byte ending the magic, X × Y × Z beyond 32 bits, too many texts of no bytes.
      {kLoadHost, kAppendHost, "HGF ARRAYX" + hostHeader(1, 1, 1, 1).substr(10) + le32(4), 0},
      {kLoadHost, kAppendHost, hostHeader(65536, 65536, 1, 1) + le32(4), 0},
      {kLoadHost, kAppendHost, hostHeader(1025, 1024, 1, 2, 1), 0},
      {kLoadCsv, kAppendCsv, "\r\n\n\r", 2},  // line ends only
      {kLoadIni, kAppendIni, "a=b\r\n", 3},   // no section
  };
  for (const auto& row : rows) {
    std::vector<std::string> names = unread;
    names.push_back(put("bad", row.bytes));
    for (const std::string& name : names) {
      SCOPED_TRACE(std::to_string(&row - rows) + " " + name);
      Instance o(makeSetup(3, 4, 5));
      const Param file = name.empty() ? Param() : Param(name);  // no name: cannot be opened
      run(o, {{kAppendString, "keep"}, {row.append, file}});
      EXPECT_EQ(all(o) + " " + shape(o), row.dims == 2 ? "keep 2:4,0" : "keep 3:4,5");  // CSV loads take 2D
      o.act(row.load, file);
      EXPECT_EQ(o.integer(kSize), 0);
      EXPECT_EQ(o.integer(kDimensionCount), row.dims);
      o.act(kSetDimensionCount, 3);
      EXPECT_EQ(shape(o), "3:4,5");
    }
  }
  for (const std::string& name : unread) {
    Instance o;
    const Param file = name.empty() ? Param() : Param(name);
    run(o, {{kAppendString, "keep"}, {kSetFileAt, file, 0}, {kInsertFileAt, file, 0}, {kAppendFile, file}});
    EXPECT_EQ(all(o), "keep") << name;
  }
}

TEST_F(Persist, ElementFiles) {
  Instance o;
  run(o, {{kAppendString, "hi"}, {kAppendValue, 0}, {kAppendValue, -12}, {kSaveElement, 0, path("hi")}});
  run(o, {{kAppendElement, 0, path("hi")}, {kAppendElement, 1, path("hi")}});  // an empty cell adds nothing
  EXPECT_EQ(readBytes(path("hi")), std::string("hi\0hi\0", 6));
  EXPECT_EQ(saved(o, kSaveElement, 2), std::string("-12\0", 4));  // as the string "-12"
  o.act(kSaveElement, 1, path("hi"));                             // an empty file, inserted below
  EXPECT_EQ(readBytes(path("hi")), "");
  run(o, {{kSaveElement, -1, path("none")}, {kSaveElement, 3, path("none")}, {kAppendElement, 3, path("none")}});
  EXPECT_FALSE(std::filesystem::exists(path("none")));

  // Whole files into data cells; an empty file gives an empty cell.
  run(o, {{kSetFileAt, put("blob", blob), 1}, {kSetFileAt, put("empty", ""), 0}, {kSetFileAt, path("blob"), 5}});
  run(o, {{kInsertString, "first", 0}, {kInsertFileAt, path("hi"), 0}, {kAppendFile, path("blob")}});
  EXPECT_EQ(all(o), "_|first|_|_|-12|_|_|_|_");
  EXPECT_EQ(o.integer(kGetValue, 3), 0);
  EXPECT_EQ(saved(o, kSaveElement, 2), "");  // an empty cell, not a string
  EXPECT_EQ(saved(o, kSaveElement, 3), blob);
  EXPECT_EQ(saved(o, kSaveElement, 8), blob);

  o.act(kSetFileAt, path("blob"), -1);  // no such cell: nothing
  EXPECT_EQ(all(o), "_|first|_|_|-12|_|_|_|_");
}

TEST_F(Persist, SavesReplaceTheFileOrChangeNothing) {
  Instance o(makeSetup(2, 2)), big;
  o.act(kAppendString, std::string("a"));
  for (int i = 0; i < 50; ++i) big.act(kAppendString, std::string("long text ") + std::to_string(i));
  for (int action : {kSaveNative, kSaveHost, kSaveCsv, kSaveIni}) {
    run(o, {{action, path("no/such/file")}, {action}});
    big.act(action, path("f"));
    o.act(action, path("f"));  // a shorter save leaves nothing of the longer one
    EXPECT_EQ(readBytes(path("f")), saved(o, action)) << action;
  }
  o.act(kSaveElement, 0, path("no/such/file"));
  EXPECT_FALSE(std::filesystem::exists(path("no")));
  EXPECT_EQ(all(o), "a");
  EXPECT_EQ(o.integer(kCapacity), 25);
}

// Codes of the diagnostic, as the module numbers its outcomes.
constexpr int32_t code(StatusCode c) { return static_cast<int32_t>(c); }
constexpr int32_t kOk = code(StatusCode::ok), kCannotOpen = code(StatusCode::cannotOpen),
                  kWriteFailed = code(StatusCode::writeFailed), kFlushFailed = code(StatusCode::flushFailed),
                  kCloseFailed = code(StatusCode::closeFailed), kBadFormat = code(StatusCode::badFormat),
                  kNoElement = code(StatusCode::noElement);

TEST_F(Persist, EachCallReportsWhatHappenedToItsFile) {
  const std::string missing = path("no/such/file"), junk = put("junk", "not an array file");
  struct {
    int action;
    Param first, second;
    int32_t code;
    std::string text;  // the start of the description
  } rows[] = {
    {kSaveNative, path("ok"), {}, kOk, "ok"},
    {kSaveNative, missing, {}, kCannotOpen, "cannot open: " + missing + ": No such file or directory"},
    {kSaveCsv, Param(), {}, kCannotOpen, "cannot open"},
    {kLoadNative, missing, {}, kCannotOpen, "cannot open: " + missing},
    {kLoadNative, junk, {}, kBadFormat, "not a file of this format: " + junk},
    {kLoadHost, junk, {}, kBadFormat, "not a file of this format"},
    {kLoadCsv, junk, {}, kOk, "ok"},  // any text is a CSV file
    {kLoadIni, missing, {}, kCannotOpen, "cannot open"},
    {kSaveElement, 7, path("e"), kNoElement, "no such element"},
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
constexpr int kReplacingSaves[] = {kSaveNative, kSaveHost, kSaveCsv, kSaveIni, kSaveElement};

std::size_t entries(const std::string& folder) {
  const std::filesystem::directory_iterator files(folder);
  return static_cast<std::size_t>(std::distance(begin(files), end(files)));
}

void fill(Instance& o, int cells, const std::string& text) {
  for (int i = 0; i < cells; ++i) o.act(kAppendString, text + std::to_string(i));
}

TEST_F(Persist, ReplacingLeavesOnlyTheFileWithItsPermissions) {
  Instance o;
  fill(o, 30, "cell ");
  for (int action : kReplacingSaves) {
    SCOPED_TRACE(action);
    const std::string name = put("f" + std::to_string(action), "old");
    ASSERT_EQ(::chmod(name.c_str(), 0640), 0);
    save(o, action, name);
    EXPECT_EQ(o.lastOutcome().code, kOk);
    EXPECT_NE(readBytes(name), "old");
    struct stat st {};
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
  }
  EXPECT_EQ(entries(dir.file("")), 5u);  // no file beside the saved ones
}

// A tmpfs of a few pages, mounted for one test and unmounted after it.
class TinyDisk {
 public:
  explicit TinyDisk(const std::string& at) : at_(at) {
    std::filesystem::create_directory(at_);
    mounted_ = ::mount("tessel", at_.c_str(), "tmpfs", 0, "size=64k") == 0;
    if (!mounted_) reason_ = std::strerror(errno);
  }
  ~TinyDisk() {
    if (mounted_) ::umount(at_.c_str());
  }
  TinyDisk(const TinyDisk&) = delete;
  TinyDisk& operator=(const TinyDisk&) = delete;
  // Fills every free byte with one more file.
  void fillUp() const {
    std::ofstream f(at_ + "/filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (f.write(block.data(), static_cast<std::streamsize>(block.size())) && f.flush()) {
    }
  }
  std::string at_, reason_;
  bool mounted_ = false;
};

TEST_F(Persist, AFullDiskLeavesTheOldFileByteForByte) {
  TinyDisk disk(path("disk"));
  if (!disk.mounted_) GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.reason_ << "): no real full disk";
  Instance small, big;
  fill(small, 3, "s");
  fill(big, 2000, "a longer cell text ");
  for (int action : kReplacingSaves) {
    save(small, action, path("disk/f" + std::to_string(action)));
    ASSERT_EQ(small.lastOutcome().code, kOk) << action;
  }
  big.act(kSetFileAt, put("huge", std::string(100000, 'h')), 0);  // the element save needs a cell larger than the disk
  disk.fillUp();
  for (int action : kReplacingSaves) {
    SCOPED_TRACE(action);
    const std::string name = path("disk/f" + std::to_string(action));
    const std::string before = readBytes(name);
    save(big, action, name);
    const Instance::Outcome outcome = big.lastOutcome();
    EXPECT_TRUE(outcome.code == kWriteFailed || outcome.code == kFlushFailed || outcome.code == kCloseFailed)
        << outcome.text;
    EXPECT_NE(outcome.text.find("No space left on device"), std::string::npos) << outcome.text;
    EXPECT_EQ(readBytes(name), before);
  }
  EXPECT_EQ(entries(path("disk")), 6u);  // the five files and the filler, no new file left

  // An append is cut back to where it began.
  const std::string element = path("disk/f" + std::to_string(kSaveElement)), before = readBytes(element);
  save(big, kAppendElement, element);
  EXPECT_EQ(big.lastOutcome().code, kWriteFailed) << big.lastOutcome().text;
  EXPECT_EQ(readBytes(element), before);

  const std::string target = path("disk/f" + std::to_string(kSaveCsv)), old = readBytes(target);

  // A folder that refuses new files to its user (root's folder, a file all
  // may write): written in place, and the old bytes are put back.
  ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(path("disk").c_str(), 0755), 0);
  ASSERT_EQ(::chmod(path("").c_str(), 0755), 0);
  if (::geteuid() == 0) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (::setuid(65534) != 0) std::_Exit(2);
      save(big, kSaveCsv, target);
      const Instance::Outcome outcome = big.lastOutcome();
      std::_Exit(outcome.code == kWriteFailed && outcome.text.find("the old bytes are kept") != std::string::npos ? 0
                                                                                                                  : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readBytes(target), old);
  }
  EXPECT_EQ(entries(path("disk")), 6u);
}
#endif

}  // namespace
}  // namespace tessel::testing
