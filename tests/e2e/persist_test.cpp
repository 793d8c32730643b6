// Saving and loading through the routine tables: the bytes each writer puts
// in a file, round trips, append modes, files that cannot be read and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "host/catalogue.h"
#include "tests/e2e/temp_files.h"
#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

// Catalogue numbers.
using catalogue::actionOf;
using catalogue::expressionOf;
constexpr int kSaveNative = actionOf("saveToFile"), kSaveHost = actionOf("saveAsHostArray"),
              kSaveCsv = actionOf("saveToCsv"), kLoadNative = actionOf("loadFromFile"),
              kLoadHost = actionOf("loadFromHostArray"), kLoadCsv = actionOf("loadFromCsv"),
              kInsertString = actionOf("insertStringAt"), kAppendString = actionOf("appendString"),
              kAppendValue = actionOf("appendValue"), kAppendNative = actionOf("appendFromFile"),
              kAppendHost = actionOf("appendFromHostArray"), kAppendCsv = actionOf("appendFromCsv"),
              kSetValue = actionOf("setValueAt"), kSaveElement = actionOf("saveElementToFile"),
              kAppendElement = actionOf("appendElementToFile"), kSetKeyString = actionOf("setKeyStringAt"),
              kSetKeyValue = actionOf("setKeyValueAt"), kSetDimensions = actionOf("setDimensionCount"),
              kSetLabel = actionOf("setLabel"), kSetFileAt = actionOf("setFileAt"),
              kInsertFileAt = actionOf("insertFileAt"), kAppendFile = actionOf("appendFile"),
              kSaveIni = actionOf("saveToIni"), kLoadIni = actionOf("loadFromIni"),
              kAppendIni = actionOf("appendFromIni");
constexpr int kSize = expressionOf("size"), kCapacity = expressionOf("capacity"), kGetString = expressionOf("stringAt"),
              kGetValue = expressionOf("valueAt"), kKeyString = expressionOf("keyStringAt"),
              kDimensions = expressionOf("dimensionCount"), kBoundary = expressionOf("boundary"),
              kLabelList = expressionOf("labelList");

const std::string kHostMagic("HGF ARRAY\0", 10);
// No labels, one string cell "z" without a key: the rest of a native file.
const std::string kOneCell = le32(0) + le32(1) + le16(2) + le32(2) + std::string("z\0", 2) + le16(0) + le32(0);

struct Act {
  int n;
  Param first = {}, second = {};
};
void run(Instance& o, std::initializer_list<Act> acts) {
  for (const Act& a : acts) o.act(a.n, a.first, a.second);
}

// Every element's text (or key text), "<none>" where there is none.
std::string all(Instance& o, int expression = kGetString) {
  std::string out;
  for (int32_t i = 0; i < o.integer(kSize); ++i) out += (i ? "|" : "") + o.text(expression, i).value_or("<none>");
  return out;
}

std::string shape(Instance& o) {
  return std::to_string(o.integer(kDimensions)) + ":" + std::to_string(o.integer(kBoundary, 1)) + "," +
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
    o.act(action, action == kSaveElement ? Param(index) : Param(name), action == kSaveElement ? Param(name) : Param());
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
  EXPECT_EQ(all(back), "a|-5||");
  EXPECT_EQ(all(back, kKeyString), "k|7||k3");  // no key loads as an empty key
  EXPECT_EQ(back.text(kLabelList), "first,,third");
  EXPECT_EQ(shape(back), "2:3,0");
  EXPECT_EQ(saved(back, kSaveElement, 2), blob);

  // Appending sets only the labels the file carries; into 1D it sets none
  // and keeps the dimensions.
  run(grid, {{kSetLabel, "old1", 1}, {kSetLabel, "old3", 3}, {kAppendNative, file}});
  EXPECT_EQ(grid.text(kLabelList), "first,old1,third,old3");
  run(flat, {{kAppendValue, 1}, {kAppendNative, file}});
  EXPECT_EQ(all(flat), "1|a|-5||");
  EXPECT_EQ(shape(flat), "1:0,0");
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
      {kLoadHost, saved(h, kSaveHost), "7|ab|", "1:0,0"},
      {kLoadHost, hostHeader(3, 1, 1, 1) + le32(5) + le32(0) + le32(-3), "5||-3", "2:3,0"},
      {kLoadHost, hostHeader(2, 2, 1, 5) + std::string(16, '\0'), "|||", "3:2,2"},
      {kLoadHost, hostHeader(2, 1, 1, 2, 1), "|", "2:2,0"},
      {kLoadHost, hostHeader(2, 1, 1, 3) + le32(5), "", "2:2,0"},
      // CSV: runs of CR/LF end a line, a zero byte ends the text, "" is empty.
      {kLoadCsv, "a,b\r\nc,\"\"\r\n", "a|b|c|", "2:2,0"},
      {kLoadCsv, "a,b\r\n\r\nc\r\n", "a|b|c|", "2:2,0"},
      {kLoadCsv, "a,b\n\nc", "a|b|c|", "2:2,0"},
      {kLoadCsv, std::string("a,b\r\r\n\rc\0ignored,x,y", 20), "a|b|c|", "2:2,0"},
      {kLoadCsv, "\"a,b\"\r\n\"\",\"\"\"\r\n", "\"a|b\"||\"\"\"", "2:2,0"},
      {kLoadCsv, wide, wideCells, "2:200,0"},
      // INI: sections, // comments, keys trimmed in front, lines under 2 bytes skipped.
      {kLoadIni, "x=0\n[one]\nabc\n; note\n// note\n  k = v\n=\nq\n[two]x\nlast=1\n", "|| v|1", "2:3,0"},
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
      EXPECT_EQ(all(o, kKeyString), "abc|; note|k |last");
    }
  }
  // A data payload cut to its 4 bytes; a string with no byte left is an empty cell with a key.
  Instance o;
  o.act(kLoadNative, put("in", none + le32(1) + le16(3) + le32(10) + "abcd"));
  EXPECT_EQ(saved(o, kSaveElement, 0), "abcd");
  o.act(kLoadNative, put("in", none + le32(1) + le16(2) + le32(10)));
  EXPECT_EQ(all(o) + "/" + all(o, kKeyString) + "/" + saved(o, kSaveElement, 0), "//");
  o.act(kLoadHost, put("v1max", hostHeader(1024, 1024, 1, 6, 1)));  // the largest grid of empty texts
  EXPECT_EQ(o.integer(kSize), 1 << 20);

  // Appends keep what was there: host array keeps the shape, CSV takes 2D.
  Instance a(makeSetup(3, 2, 2));
  run(a, {{kAppendValue, 1}, {kAppendValue, 2}, {kAppendValue, 3}, {kAppendHost, put("two", rows[0].bytes)}});
  EXPECT_EQ(all(a) + " " + shape(a), "1|2|3|7|ab| 3:2,2");
  a.act(kAppendCsv, put("xy", "x,y"));
  EXPECT_EQ(all(a) + " " + shape(a), "1|2|3|7|ab||x|y 2:2,0");

  // INI keys round trip as texts; the line "=" is too short to come back.
  Instance keys;
  run(keys, {{kAppendString, "a"}, {kAppendValue, 5}, {kAppendValue, 0}, {kAppendValue, 0}, {kAppendString, "b"}});
  run(keys, {{kSetKeyString, "k1", 0}, {kSetKeyString, "k3", 2}, {kSetKeyValue, 7, 4}});
  EXPECT_EQ(saved(keys, kSaveIni), "[QVXArray]\r\nk1=a\r\n=5\r\nk3=\r\n=\r\n7=b\r\n\r\n");
  keys.act(kAppendIni, path("saved" + std::to_string(saves_)));
  EXPECT_EQ(all(keys), "a|5|||b|a|5||b");
  EXPECT_EQ(all(keys, kKeyString), "k1|<none>|k3|<none>|7|k1||k3|7");
}

TEST_F(Persist, FilesThatCannotBeRead) {
  // Failed replacing loads empty the array; native and host array files also
  // set the dimension count to 0, CSV to 2. Boundaries stay.
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
    for (const std::string& name : {put("bad", row.bytes), path("missing"), std::string()}) {
      SCOPED_TRACE(std::to_string(&row - rows) + " " + name);
      Instance o(makeSetup(3, 4, 5));
      const Param file = name.empty() ? Param() : Param(name);  // no name: cannot be opened
      run(o, {{kAppendString, "keep"}, {row.append, file}});
      EXPECT_EQ(all(o) + " " + shape(o), row.dims == 2 ? "keep 2:4,0" : "keep 3:4,5");  // CSV loads take 2D
      o.act(row.load, file);
      EXPECT_EQ(o.integer(kSize), 0);
      EXPECT_EQ(o.integer(kDimensions), row.dims);
      o.act(kSetDimensions, 3);
      EXPECT_EQ(shape(o), "3:4,5");
    }
  }
}

TEST_F(Persist, WhatTheSystemWillNotOpenReadsAsAMissingFile) {
  // A folder, a device, a name the system refuses, a file another program
  // holds: each loads and reads into cells exactly as a missing file does.
  std::vector<std::string> names = {dir.file(""), kNullDevice, path("bad<name>?")};
#if defined(_WIN32)
  ExclusiveHold held(put("held", nativeHeader(1, {0}) + kOneCell));
  ASSERT_TRUE(held.ok());
  names.push_back(path("held"));
#endif
  const auto outcome = [](const std::string& name) {
    std::string out;
    for (int load : {kLoadNative, kLoadHost, kLoadCsv, kLoadIni, kAppendNative, kAppendHost, kAppendCsv, kAppendIni}) {
      Instance o(makeSetup(3, 4, 5));
      run(o, {{kAppendString, "keep"}, {load, name}});
      out += all(o) + " " + shape(o) + "; ";
    }
    Instance cells;
    run(cells, {{kAppendString, "keep"}, {kSetFileAt, name, 0}, {kInsertFileAt, name, 0}, {kAppendFile, name}});
    return out + all(cells) + " " + std::to_string(cells.integer(kSize));
  };
  const std::string missing = outcome(path("missing"));
  for (const std::string& name : names) EXPECT_EQ(outcome(name), missing) << name;
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
  EXPECT_EQ(all(o), "|first|||-12||||");
  EXPECT_EQ(o.integer(kGetValue, 3), 0);
  EXPECT_EQ(saved(o, kSaveElement, 2), "");  // an empty cell, not a string
  EXPECT_EQ(saved(o, kSaveElement, 3), blob);
  EXPECT_EQ(saved(o, kSaveElement, 8), blob);

  // Files that cannot be opened (missing, no name, a directory) change nothing.
  run(o, {{kSetFileAt, path("missing"), 0}, {kInsertFileAt, path("missing"), 0}, {kAppendFile, path("missing")}});
  run(o, {{kAppendFile}, {kSetFileAt, path("blob"), -1}, {kSetFileAt, dir.file(""), 0}, {kAppendFile, dir.file("")}});
  EXPECT_EQ(all(o), "|first|||-12||||");
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

TEST_F(Persist, TruncatedAndRandomBytesLoadSafely) {
  // Every truncation of valid files, then random bytes behind each magic and
  // valid files with bytes overwritten (the sanitizer build checks the reads).
  Instance keyed(makeSetup(2, 3));
  fillKeyed(keyed, std::string("\0x\r\n\xFF", 5));
  const std::string native = saved(keyed, kSaveNative), host = saved(keyed, kSaveHost);
  for (const auto& [full, load] : {std::pair{native, kLoadNative}, std::pair{host, kLoadHost}}) {
    for (std::size_t n = 0; n <= full.size(); ++n) {
      Instance t;
      t.act(load, put("cut", full.substr(0, n)));
      EXPECT_LE(t.integer(kSize), 6) << n;
    }
  }
  std::minstd_rand random(12345);
  for (int round = 0; round < 300; ++round) {
    std::string tail(random() % 96, '\0'), mutated = native;
    for (char& c : tail) c = static_cast<char>(random());
    for (int k = 0; k < 4; ++k) mutated[random() % mutated.size()] = static_cast<char>(random());
    Instance r;
    run(r, {{kAppendNative, put("r1", "QVXARRAY" + tail)}, {kAppendNative, put("r2", mutated)}});
    r.act(kLoadHost, put("r", kHostMagic + tail));
    // Entries cost bytes, except the bounded run of empty texts.
    EXPECT_LE(r.integer(kSize), std::max<int32_t>(static_cast<int32_t>(tail.size()), 1 << 20));
    r.act(kLoadCsv, put("r", tail));
    EXPECT_LE(r.integer(kSize), static_cast<int32_t>(tail.size() * tail.size() + 1));
    r.act(kAppendIni, put("r", "[x]\n" + tail));
  }
}

}  // namespace
}  // namespace tessel::testing
