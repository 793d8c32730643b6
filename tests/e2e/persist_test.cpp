// Files through the routine tables: writers' bytes, readers on good, damaged and hostile bytes, outcomes.
#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <algorithm>
#include <climits>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/e2e.h"
#include "tests/e2e/temp_files.h"

namespace tessel::testing {
namespace {

const std::string kNoKey = le16(0) + le32(0);
std::string record(uint16_t kind, const std::string& payload) {
  return le16(kind) + le32(static_cast<int32_t>(payload.size())) + payload;
}
std::string native(int32_t dims, std::initializer_list<int32_t> boundaries, uint16_t version = 1) {
  std::string b = std::string("QVXARRAY") + le16(version) + le32(dims);
  for (int32_t x : boundaries) b += le32(x);
  return b;
}
std::string host(int32_t x, int32_t y, int32_t z, int32_t flags, int32_t version = 2) {
  return std::string("HGF ARRAY\0", 10) + le32(version) + le32(x) + le32(y) + le32(z) + le32(flags);
}
// The rest of a native file: no labels, one string cell "z" without a key.
const std::string kOneCell = le32(0) + le32(1) + record(2, std::string("z\0", 2)) + kNoKey;
const std::string kNoLabels = native(1, {0}) + le32(0);
const std::string kTable = native(2, {3, 0});  // a 2D native header; labels follow

std::string shape(HostedObject& o) {
  return std::to_string(o.integer(kDimensionCount)) + ":" + std::to_string(o.integer(kBoundary, 1)) + "," +
         std::to_string(o.integer(kBoundary, 2));
}

// Calls a save into `name`; element saves take the cell `index` first.
void save(HostedObject& o, int action, const std::string& name, int32_t index = 0) {
  const bool element = action == kSaveElement || action == kAppendElement;
  o.act(action, element ? Param(index) : Param(name), element ? Param(name) : Param());
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.ok()); }
  std::string path(const std::string& name) const { return dir.file(name); }
  std::string put(const std::string& bytes, const std::string& name = "") {
    const std::string file = path(name.empty() ? "in" + std::to_string(++files_) : name);
    writeBytes(file, bytes);
    return file;
  }
  // What a save writes into a new file (save element: of cell `index`).
  std::string saved(HostedObject& o, int action, int32_t index = 0) {
    const std::string name = path("saved" + std::to_string(++files_));
    save(o, action, name, index);
    return std::filesystem::exists(name) ? readBytes(name) : "<no file>";
  }
  // Loads `bytes` into 2D, 3 columns, holding "old": cells, shape, outcome (file as F), INI keys.
  std::string load(int action, const std::string& bytes) {
    HostedObject o(makeSetup(2, 3));
    o.act(kAppendString, "old");
    const std::string name = put(bytes);
    o.act(action, name);
    std::string text = o.lastOutcome().text;
    if (text.find(name) != std::string::npos) text.replace(text.find(name), name.size(), "F");
    return all(o) + " " + shape(o) + " " + text + (action == kLoadIni ? " " + keys(o) : "");
  }
  TempDir dir;
  int files_ = 0;
};

TEST_F(Files, WriterBytes) {
  HostedObject o, h, cube2(makeSetup(3, 2, 3)), grid3(makeSetup(2, 3)), grid(makeSetup(2, 2)), bare(makeSetup(2, 0));
  // Native, 26 bytes: magic, version 1, one dimension, boundary 0, no labels, no cells.
  EXPECT_EQ(saved(o, kSaveNative), kNoLabels + le32(0));
  // Host array, 34 bytes: version 2, X = Y = Z = 1, text flags, one empty text.
  EXPECT_EQ(saved(o, kSaveHost), host(1, 1, 1, 2) + le32(0));
  // CSV of 2D: a line per row, none for no cells.
  EXPECT_EQ(saved(o, kSaveCsv) + "|" + saved(o, kSaveIni) + "|" + saved(grid, kSaveCsv), "\r\n|[QVXArray]\r\n\r\n|");
  // A string cell: length 3 with its zero byte, no key; then a value.
  run(o, {{kAppendString, "ab"}, {kAppendValue, -5}});
  EXPECT_EQ(saved(o, kSaveNative).substr(22),
            le32(2) + record(2, std::string("ab\0", 3)) + kNoKey + record(1, "\xFB\xFF\xFF\xFF") + kNoKey);
  // Host array 7, "ab" in 45 bytes: Z = 2 full pages + 1, so one empty text closes it.
  run(h, {{kAppendValue, 7}, {kAppendString, "ab"}});
  EXPECT_EQ(saved(h, kSaveHost), host(1, 1, 3, 2) + le32(1) + "7" + le32(2) + "ab" + le32(0));
  EXPECT_EQ(saved(h, kSaveIni), "[QVXArray]\r\n=7\r\n=ab\r\n\r\n");
  h.act(kSetValue, 0, 2);  // an empty cell is written as ""
  EXPECT_EQ(saved(h, kSaveCsv), "7,ab,\"\"\r\n");
  // 2 by 3, 8 cells: Z = 2, 12 entries; 3 columns, 12 cells: Y = 1, Z = 5.
  for (int i = 1; i <= 12; ++i) grid3.act(kAppendValue, i);
  for (int i = 1; i <= 8; ++i) cube2.act(kAppendValue, i);
  EXPECT_EQ(saved(cube2, kSaveNative).substr(0, 26), native(3, {2, 3, 0}));
  const std::string pages = saved(cube2, kSaveHost);
  EXPECT_EQ(pages.substr(14, 12) + saved(grid3, kSaveHost).substr(14, 12),
            le32(2) + le32(3) + le32(2) + le32(3) + le32(1) + le32(5));
  EXPECT_EQ(pages.size(), 30u + 8 * 5 + 4 * 4);
  // Without columns, one row.
  run(grid, {{kAppendString, "a"}, {kAppendString, "b"}, {kAppendString, "c"}});
  run(bare, {{kAppendString, "x,y"}, {kAppendString, "z"}});
  EXPECT_EQ(saved(grid, kSaveCsv) + saved(bare, kSaveCsv), "a,b\r\nc,\"\"\r\nx,y,z\r\n");
  // Every label slot of a table, labelled or not.
  grid3.act(kSetLabel, std::string("a"), 0);
  EXPECT_EQ(saved(grid3, kSaveNative).substr(22, 21), le32(3) + le32(1) + "a" + le32(0) + le32(0) + le32(12));
}

// Readers: cells, shape and what they say ("damaged: F: ..." for a file read in part).
TEST_F(Files, ReadersLoadWhatTheFileHoldsAndSayHowItIsDamaged) {
  std::string wide = "0";  // no limit on fields per line
  for (int i = 1; i < 200; ++i) wide += "," + std::to_string(i);
  std::string wideCells = wide;
  std::replace(wideCells.begin(), wideCells.end(), ',', '|');
  const std::string labels = le32(1) + "a" + le32(2) + "bc";
  const std::string cells = le32(3) + record(2, std::string("x\0", 2)) + kNoKey + record(1, le32(5)) +
                            record(2, std::string("k\0", 2)) + record(3, "data") + kNoKey;
  const std::string whole = native(2, {3, 0}) + le32(2) + labels + cells;
  const std::size_t cellsAt = whole.size() - cells.size();
  const std::string texts = host(3, 1, 1, 2) + le32(1) + "a" + le32(2) + "bc" + le32(0);
  const std::string one = native(2, {3, 0}) + le32(0);  // a table without labels; cells follow
  struct Row {
    std::string bytes, result;
  };
  const Row kNative[] = {
      {whole, "x|5|_ 2:3,0 ok"},
      // Native versions that read as negative are accepted.
      {native(1, {0}, 0x8000) + kOneCell, "z 1:0,0 ok"},
      // Cut short: what was read loads; a cut field keeps its bytes, little-endian.
      {whole.substr(0, 8), " 0:0,0 damaged: F: ends early: in the header"},
      {kTable + le32(2) + le32(1) + "a", " 2:3,0 damaged: F: ends early: 1 of 2 labels read"},
      {kTable + le32(2) + labels, " 2:3,0 damaged: F: ends early: before the cell count"},
      {whole.substr(0, cellsAt + 4 + 14 + 10 + 3),
       "x|5 2:3,0 damaged: F: ends early: 1 of 3 cells read, 1 more cut short"},
      {whole.substr(0, cellsAt + 4 + 14 + 6), "x|_ 2:3,0 damaged: F: ends early: 1 of 3 cells read, 1 more cut short"},
      {kNoLabels + le32(1) + le16(1) + le32(4) + "\x34\x12",
       "4660 1:0,0 damaged: F: ends early: 0 of 1 cells read, 1 more cut short"},
      // Counts and lengths beyond the file are clamped to the bytes it holds.
      {native(1, {0}) + le32(-1) + le32(-7), " 1:0,0 damaged: F: the label count is negative (-1)"},
      {native(0x7FFFFFFF, {3}), " 2:3,0 damaged: F: ends early: in the header"},
      {kNoLabels + le32(0x7FFFFFFF) + record(2, std::string("hi\0", 3)) + kNoKey,
       "hi 1:0,0 damaged: F: ends early: 1 of 2147483647 cells read"},
      {kNoLabels + le32(1) + le16(2) + le32(1000) + "abc",
       "abc 1:0,0 damaged: F: ends early: 0 of 1 cells read, 1 more cut short"},
      {kNoLabels + le32(2) + record(2, std::string("a\0bc", 4)) + kNoKey + record(2, "de") + record(1, le32(9)),
       "a|de 1:0,0 damaged: F: record 0 is a string with 2 bytes after its zero byte"},
      // More than ten dimensions skip the rest of the boundaries.
      {native(11, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) + le32(0) + le32(1) + record(1, le32(9)) + kNoKey, "9 2:1,0 ok"},
      // Bytes no writer makes.
      {one + le32(1) + record(9, "zz") + kNoKey, "_ 2:3,0 damaged: F: record 0 has an unknown kind (9)"},
      {one + le32(2) + record(2, std::string("a\0", 2)) + kNoKey + record(2, std::string("b\0", 2)) + record(7, "q"),
       "a|b 2:3,0 damaged: F: the key of record 1 has an unknown kind (7)"},
      {one + le32(1) + le16(2) + le32(-4) + kNoKey, "_ 2:3,0 damaged: F: record 0 has a negative length"},
      {one + le32(1) + le16(1) + le32(6) + le32(9) + kNoKey, "9 2:3,0 damaged: F: record 0 is a value of 6 bytes"},
      {one + le32(-1), " 2:3,0 damaged: F: the cell count is negative (-1)"},
      {kTable + le32(1) + le32(-2) + le32(0), " 2:3,0 damaged: F: label 0 has a negative length"},
      {one + le32(1) + record(0, "ab") + kNoKey, "_ 2:3,0 damaged: F: record 0 is empty but carries 2 bytes"},
      {one + le32(1) + record(2, std::string("a\0b", 3)) + kNoKey,
       "a 2:3,0 damaged: F: record 0 is a string with 1 byte after its zero byte"},
      {one + le32(1) + record(2, "ab") + kNoKey, "ab 2:3,0 damaged: F: record 0 is a string without its zero byte"},
      {one + le32(1) + record(2, std::string("a\0", 2)) + kNoKey + "xyz",
       "a 2:3,0 damaged: F: 3 bytes after the last record"},
      {kTable + le32(1) + le32(3) + std::string("a\0b", 3) + le32(0),
       " 2:3,0 damaged: F: label 0 is cut at a zero byte"},
  };
  const Row kHostArray[] = {
      // Host array: X and Y give the fewest dimensions; texts of another version take no bytes.
      {texts, "a|bc|_ 2:3,0 ok"},
      {host(3, 1, 1, 1) + le32(5) + le32(0) + le32(-3), "5|_|-3 2:3,0 ok"},
      {host(1, 1, 3, 2) + le32(1) + "7" + le32(2) + "ab" + le32(0), "7|ab|_ 1:0,0 ok"},
      {host(2, 2, 1, 5) + std::string(16, '\0'), "_|_|_|_ 3:2,2 ok"},
      {host(2, 1, 1, 2, 1), "_|_ 2:2,0 damaged: F: texts of format version 1 are not read: every entry loads empty"},
      {host(2, 1, 1, 3) + le32(5), " 2:2,0 damaged: F: unknown content flags (3): no entry read"},
      {host(46340, 46340, 1, 1) + le32(8) + le32(9),
       "8|9 3:46340,46340 damaged: F: ends early: 2 of 2147395600 entries read"},
      {host(1, 1, 1, 2) + le32(0x7FFFFFFF) + "t",
       "t 1:0,0 damaged: F: ends early: 0 of 1 entries read, 1 more cut short"},
      {texts.substr(0, 20), " 2:3,0 damaged: F: ends early: in the header"},
      {texts.substr(0, 30 + 5 + 4 + 1), "a|b 2:3,0 damaged: F: ends early: 1 of 3 entries read, 1 more cut short"},
      {host(2, 1, 1, 2) + le32(-9) + le32(1) + "z", "_|z 2:2,0 damaged: F: entry 0 has a negative length"},
      {host(-1, 1, 1, 2) + le32(1) + "a", " 2:3,0 damaged: F: X is -1: the 5 bytes of entries are not read"},
      {host(1, 1, 0, 2) + le32(1) + "a", " 1:0,0 damaged: F: Z is 0: the 5 bytes of entries are not read"},
      {host(1, 1, 1, 2) + le32(3) + std::string("a\0b", 3), "a 1:0,0 damaged: F: entry 0 has 1 byte after a zero byte"},
      {host(1, 1, 1, 2) + le32(1) + "a" + "zz", "a 1:0,0 damaged: F: 2 bytes after the last entry"},
  };
  const Row kCsv[] = {
      // CSV: runs of CR/LF end a line, "" is empty; a zero byte ends the text.
      {"a,b\r\nc,\"\"\r\n", "a|b|c|_ 2:2,0 ok"},
      {"a,b\r\n\nc", "a|b|c|_ 2:2,0 ok"},
      {"\"a,b\"\r\n\"\",\"\"\"\r\n", "\"a|b\"|_|\"\"\" 2:2,0 ok"},
      {wide, wideCells + " 2:200,0 ok"},
      {"\xFF,,\r=a\n", "\xFF|_|_|=a|_|_ 2:3,0 ok"},
      {std::string("a,b\nc\0d,e\n", 11),
       "a|b|c|_ 2:2,0 damaged: F: a zero byte at offset 5 ends the text; the 5 bytes after it are not read"},
      {std::string("\xFF\xFE\x61\0,\0b\0", 8),
       "\xFF\xFE"
       "a 2:1,0 damaged: F: a zero byte at offset 3 ends the text; the 4 bytes after it are not read"},
  };
  const Row kIni[] = {
      // INI: sections, comments, keys trimmed in front, lines under 2 bytes skipped.
      {"x=0\n[one]\nabc\n; note\n// note\n  k = v\n=\nq\n[two]x\nlast=1\n", "_|_| v|1 2:3,0 ok abc|; note|k |last"},
      {"[open\n]x=1\n[shut]\ny=2\n", "2 2:3,0 ok y"},
      {std::string("[s]\nk=v\n\0\0", 10), "v 2:3,0 ok k"},
      {std::string("[s]\nk=v\n\0=w", 12),
       "v 2:3,0 damaged: F: a zero byte at offset 8 ends the text; the 3 bytes after it are not read k"},
  };
  const auto check = [&](int action, const auto& rows) {
    for (const Row& row : rows) EXPECT_EQ(load(action, row.bytes), row.result) << ::testing::PrintToString(row.bytes);
  };
  check(kLoadNative, kNative), check(kLoadHost, kHostArray), check(kLoadCsv, kCsv), check(kLoadIni, kIni);
  // Every cut after the magic loads what it holds and is damaged; before it the file is refused.
  for (const auto& [action, file] : {std::pair{kLoadNative, whole}, std::pair{kLoadHost, texts}}) {
    for (std::size_t n = 0; n < file.size(); ++n) {
      HostedObject o;
      o.act(action, put(file.substr(0, n)));
      EXPECT_EQ(o.lastOutcome().code,
                n < 10 && (action == kLoadHost || n < 8) ? TESSEL_OUTCOME_BAD_FORMAT : TESSEL_OUTCOME_DAMAGED)
          << n;
    }
  }
  // A data payload cut to its 4 bytes; a string with no byte left is an empty cell with a key.
  HostedObject o;
  o.act(kLoadNative, put(kNoLabels + le32(1) + le16(3) + le32(10) + "abcd"));
  EXPECT_EQ(saved(o, kSaveElement, 0), "abcd");
  o.act(kLoadNative, put(kNoLabels + le32(1) + le16(2) + le32(10)));
  EXPECT_EQ(all(o) + "/" + keys(o) + "/" + saved(o, kSaveElement, 0), "_//");
  o.act(kLoadHost, put(host(1024, 1024, 1, 6, 1)));  // the largest grid of empty texts
  EXPECT_EQ(o.integer(kSize), 1 << 20);
}

// Appends: a native file sets only the labels it carries, a host array keeps the shape, CSV takes 2D.
TEST_F(Files, AppendsKeepWhatWasThere) {
  HostedObject source(makeSetup(2, 3)), back, grid(makeSetup(2, 4)), flat;
  run(source, {{kAppendString, "a"}, {kAppendValue, -5}, {kAppendFile, put(std::string("\0\r\n\xFF", 4))}});
  run(source, {{kAppendValue, 0}, {kSetKeyString, "k", 0}, {kSetKeyValue, 7, 1}, {kSetKeyString, "k3", 3}});
  run(source, {{kSetLabel, "first", 0}, {kSetLabel, "third", 2}});
  const std::string file = path("a");
  source.act(kSaveNative, file);
  run(back, {{kAppendString, "old"}, {kSetLabel, "kept", 4}, {kLoadNative, file}});
  EXPECT_EQ(saved(back, kSaveNative), readBytes(file));  // every field came back
  EXPECT_EQ(all(back) + " " + keys(back) + " " + shape(back), "a|-5|_|_ k|7||k3 2:3,0");
  EXPECT_EQ(saved(back, kSaveElement, 2), std::string("\0\r\n\xFF", 4));
  run(grid, {{kSetLabel, "old1", 1}, {kSetLabel, "old3", 3}, {kAppendNative, file}});
  EXPECT_EQ(grid.text(kLabelList), "first,old1,third,old3");
  run(flat, {{kAppendValue, 1}, {kAppendNative, file}});
  EXPECT_EQ(all(flat) + " " + shape(flat), "1|a|-5|_|_ 1:0,0");

  HostedObject a(makeSetup(3, 2, 2));
  run(a, {{kAppendValue, 1}, {kAppendValue, 2}, {kAppendValue, 3}});
  const auto allAndShape = [](HostedObject& o) { return all(o) + " " + shape(o); };
  play(a,
       {{{kAppendHost, put(host(1, 1, 3, 2) + le32(1) + "7" + le32(2) + "ab" + le32(0))}, "1|2|3|7|ab|_ 3:2,2"},
        {{kAppendCsv, put("x,y")}, "1|2|3|7|ab|_|x|y 2:2,0"}},
       allAndShape);

  HostedObject ini;
  run(ini, {{kAppendString, "a"}, {kAppendValue, 5}, {kAppendValue, 0}, {kAppendValue, 0}, {kAppendString, "b"}});
  run(ini, {{kSetKeyString, "k1", 0}, {kSetKeyString, "k3", 2}, {kSetKeyValue, 7, 4}});
  EXPECT_EQ(saved(ini, kSaveIni), "[QVXArray]\r\nk1=a\r\n=5\r\nk3=\r\n=\r\n7=b\r\n\r\n");
  ini.act(kAppendIni, path("saved" + std::to_string(files_)));
  EXPECT_EQ(all(ini) + " " + keys(ini), "a|5|_|_|b|a|5|_|b k1|-|k3|-|7|k1||k3|7");

  // A load leaves capacity and rows as appending its cells does, before a change mends them.
  HostedObject loaded(makeSetup(2, 3)), appended(makeSetup(2, 3));
  std::string text = "[s]\n";
  for (int i = 0; i < 40; ++i) {
    text += "k" + std::to_string(i) + "=v" + std::to_string(i) + "\n";
    run(appended, {{kAppendString, "v" + std::to_string(i)}, {kSetKeyString, "k" + std::to_string(i), i}});
  }
  loaded.act(kLoadIni, put(text));
  const auto state = [&](HostedObject& o) {
    return results(o, kCapacity, {0}) + results(o, kNumberOfRows, {0}) + all(o) + keys(o);
  };
  EXPECT_EQ(state(loaded), state(appended));
  for (HostedObject* o : {&loaded, &appended}) o->act(kAppendRow, std::string("x,y,z"));
  EXPECT_EQ(state(loaded), state(appended));

  const std::string cut = readBytes(file).substr(0, readBytes(file).size() - 1);
  run(flat, {{kDeleteAll}, {kAppendString, "old"}, {kAppendNative, put(cut, "cut")}});
  EXPECT_EQ(flat.lastOutcome().text, "damaged: " + path("cut") + ": ends early: 3 of 4 cells read, 1 more cut short");
  EXPECT_EQ(all(flat), "old|a|-5|_|_");
}

// Files that cannot be read change nothing on an append; a replacing load empties the array (native and host
// array: 0 dimensions, CSV 2). Devices and pipes are neither opened nor written, nor is anything made beside them.
TEST_F(Files, FilesThatCannotBeReadChangeNothingOrEmpty) {
  std::vector<std::string> unread = {path("missing"), std::string(), dir.file(""), path("bad<name>?")};
#if defined(_WIN32)
  unread.push_back("NUL");
  // Held open without sharing, as another program may.
  const std::unique_ptr<void, decltype(&CloseHandle)> held(
      CreateFileA(put(native(1, {0}) + kOneCell, "held").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
      &CloseHandle);
  ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
  unread.push_back(path("held"));
  // Device names in any letter case, with an extension or a blank before it, in a folder too.
  std::vector<std::string> devices = {
      "CON", "NUL", "PRN", "AUX", "COM1", "LPT1", "nul.txt", "Con.csv", "com9.ini", "lpt1 .txt", "\\\\.\\pipe\\tessel"};
  devices.push_back(dir.file("aux.qvx"));
#else
  unread.push_back("/dev/null");
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::vector<std::string> devices = {fifo, "/dev/null", "/dev/zero"};
#endif
  const struct {
    int load, append;
    std::string bytes;
    int32_t dims;
  } kRows[] = {
      // The magic in another letter case, version 2, cut in the magic.
      {kLoadNative, kAppendNative, "QVXArray" + native(1, {0}).substr(8) + kOneCell, 0},
      {kLoadNative, kAppendNative, native(1, {0}, 2) + kOneCell, 0},
      {kLoadNative, kAppendNative, "QVXARR", 0},
      // No zero byte ending the magic, X × Y × Z beyond 32 bits, too many texts of no bytes.
      {kLoadHost, kAppendHost, "HGF ARRAYX" + host(1, 1, 1, 1).substr(10) + le32(4), 0},
      {kLoadHost, kAppendHost, host(65536, 65536, 1, 1) + le32(4), 0},
      {kLoadHost, kAppendHost, host(1025, 1024, 1, 2, 1), 0},
      {kLoadCsv, kAppendCsv, "\r\n\n\r", 2},  // line ends only
      {kLoadIni, kAppendIni, "a=b\r\n", 3},   // no section
  };
  for (const auto& row : kRows) {
    std::vector<std::string> names = unread;
    names.push_back(put(row.bytes));
    for (const std::string& name : names) {
      SCOPED_TRACE(std::to_string(&row - kRows) + " " + name);
      HostedObject o(makeSetup(3, 4, 5));
      const Param file = name.empty() ? Param() : Param(name);
      run(o, {{kAppendString, "keep"}, {row.append, file}});
      EXPECT_EQ(all(o) + " " + shape(o), row.dims == 2 ? "keep 2:4,0" : "keep 3:4,5");  // CSV loads take 2D
      o.act(row.load, file);
      const std::string emptied = results(o, kSize, {0}) + " " + shape(o).substr(0, 1);
      o.act(kSetDimensionCount, 3);
      EXPECT_EQ(emptied + " " + shape(o), "0 " + std::to_string(row.dims) + " 3:4,5");
    }
  }
  for (const std::string& name : unread) {
    HostedObject o;
    const Param file = name.empty() ? Param() : Param(name);
    run(o, {{kAppendString, "keep"}, {kSetFileAt, file, 0}, {kInsertFileAt, file, 0}, {kAppendFile, file}});
    EXPECT_EQ(all(o), "keep") << name;
  }
  for (const std::string& name : devices) {
    SCOPED_TRACE(name);
    HostedObject o;
    o.act(kAppendString, "keep");
    for (int action : {kAppendNative, kAppendHost, kAppendCsv, kAppendIni, kAppendFile, kSaveNative, kSaveHost,
                       kSaveCsv, kSaveIni, kSaveElement, kAppendElement}) {
      save(o, action, name);
      EXPECT_EQ(o.lastOutcome().text, "cannot open: " + name + ": a device or a pipe, not a file") << action;
    }
    EXPECT_EQ(all(o), "keep");
  }
  std::size_t made = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.file(""))) made += entry.exists() ? 1 : 0;
  EXPECT_EQ(made, std::size(kRows) + 1);  // and the pipe, or the file held
}

TEST_F(Files, ElementFiles) {
  HostedObject o;
  run(o, {{kAppendString, "hi"}, {kAppendValue, 0}, {kAppendValue, -12}, {kSaveElement, 0, path("hi")}});
  run(o, {{kAppendElement, 0, path("hi")}, {kAppendElement, 1, path("hi")}});  // an empty cell adds nothing
  // -12 is saved as the string "-12".
  EXPECT_EQ(readBytes(path("hi")) + saved(o, kSaveElement, 2), std::string("hi\0hi\0-12\0", 10));
  o.act(kSaveElement, 1, path("hi"));  // an empty file, inserted below
  EXPECT_EQ(readBytes(path("hi")), "");
  run(o, {{kSaveElement, -1, path("none")}, {kSaveElement, 3, path("none")}, {kAppendElement, 3, path("none")}});
  EXPECT_FALSE(std::filesystem::exists(path("none")));
  // Whole files into data cells; an empty file gives an empty cell.
  const std::string blob = std::string(300, '\0') + "\r\n\xFF";
  run(o, {{kSetFileAt, put(blob, "blob"), 1}, {kSetFileAt, put("", "empty"), 0}, {kSetFileAt, path("blob"), 5}});
  run(o, {{kInsertString, "first", 0}, {kInsertFileAt, path("hi"), 0}, {kAppendFile, path("blob")}});
  run(o, {{kSetFileAt, path("blob"), -1}});  // no such cell: nothing
  EXPECT_EQ(all(o) + " " + results(o, kGetValue, {3}), "_|first|_|_|-12|_|_|_|_ 0");
  // Cell 2 is an empty cell, not a string.
  EXPECT_EQ(saved(o, kSaveElement, 2) + "|" + saved(o, kSaveElement, 3) + "|" + saved(o, kSaveElement, 8),
            "|" + blob + "|" + blob);
}

// Each call's outcome through the diagnostic entry point; the save report lasts until the next call.
TEST_F(Files, EachCallReportsWhatHappenedToItsFile) {
  const std::string missing = path("no/such/file"), junk = put("not an array file");
  const struct {
    int action;
    Param first, second;
    int32_t code;
    std::string text;  // the start of the description
  } kRows[] = {
    {kSaveNative, path("ok"), {}, TESSEL_OUTCOME_OK, "ok"},
    {kSaveNative, missing, {}, TESSEL_OUTCOME_CANNOT_OPEN, "cannot open: " + missing + ": No such file or directory"},
    {kSaveCsv, Param(), {}, TESSEL_OUTCOME_CANNOT_OPEN, "cannot open"},
    {kLoadNative, missing, {}, TESSEL_OUTCOME_CANNOT_OPEN, "cannot open: " + missing},
    {kLoadNative, junk, {}, TESSEL_OUTCOME_BAD_FORMAT, "not a file of this format: " + junk},
    {kLoadHost, junk, {}, TESSEL_OUTCOME_BAD_FORMAT, "not a file of this format"},
    {kLoadCsv, junk, {}, TESSEL_OUTCOME_OK, "ok"},  // any text is a CSV file
    {kSaveElement, 7, path("e"), TESSEL_OUTCOME_NO_ELEMENT, "no such element"},
    {kAppendElement, 0, missing, TESSEL_OUTCOME_CANNOT_OPEN, "cannot open: " + missing},
#if defined(_WIN32)
    {kSetFileAt, dir.file(""), 0, TESSEL_OUTCOME_CANNOT_OPEN, "cannot open: " + dir.file("")},  // no folder opens
#else
    {kSetFileAt, dir.file(""), 0, TESSEL_OUTCOME_READ_FAILED, "read failed: " + dir.file("")},  // opens, unread
#endif
    {kAppendString, "x", {}, TESSEL_OUTCOME_OK, "ok"},  // every call starts afresh
  };
  HostedObject o;
  o.act(kAppendString, "a");
  for (const auto& row : kRows) {
    SCOPED_TRACE(&row - kRows);
    o.act(row.action, row.first, row.second);
    EXPECT_EQ(std::to_string(o.lastOutcome().code) + " " + o.lastOutcome().text.substr(0, row.text.size()),
              std::to_string(row.code) + " " + row.text);
  }
  // An expression call is a call too; the description is cut to the buffer.
  o.act(kLoadNative, missing);
  EXPECT_EQ(o.integer(kSize), 0);
  EXPECT_EQ(o.lastOutcome().code, TESSEL_OUTCOME_OK);
  o.act(kLoadNative, missing);
  const auto read = builtModule().entry<int32_t(TESSEL_CALL*)(TesselRunObject*, char*, int32_t)>("TesselLastOutcome");
  char small[] = "xxxxxxx";
  EXPECT_EQ(read(&o.record(), small, 5), TESSEL_OUTCOME_CANNOT_OPEN);
  EXPECT_EQ(std::string(small, 7), std::string("cann\0xx", 7));
  EXPECT_EQ(read(&o.record(), nullptr, 0), TESSEL_OUTCOME_CANNOT_OPEN);

  run(o, {{kAppendString, "a"}, {kSetKeyString, "k", 0}, {kSaveCsv, path("keyed.csv")}});
  EXPECT_EQ(o.lastSaveReport() ? o.lastSaveReport()->keysDropped : -1, 1);
  o.integer(kSize);
  EXPECT_FALSE(o.lastSaveReport());
  o.act(kSaveCsv, missing);  // a failed save has none
  EXPECT_FALSE(o.lastSaveReport());
}

// The load rule of host/tessel_tools.h: a CSV file of N bytes may make (allowance
// + N bytes a byte) / two cells' size cells; one more is refused, the array kept.
TEST_F(Files, TheLoadRuleOfTheToolsHeaderIsTheModules) {
  constexpr int64_t kRows = 1000;
  // A line of commas, then a line "a" for each further row.
  const auto fileBytes = [](int64_t width) { return width - 1 + 2 * (kRows - 1); };
  const auto budget = [](int64_t bytes) {
    return ((int64_t{TESSEL_LOAD_ALLOWANCE_MIB} << 20) + TESSEL_LOAD_BYTES_PER_FILE_BYTE * bytes) /
           (2 * TESSEL_CELL_BYTES);
  };
  int64_t width = 1;
  while (kRows * (width + 1) <= budget(fileBytes(width + 1))) ++width;
  const auto state = [](HostedObject& o) {
    return all(o) + " " + shape(o) + " " + o.text(kLabelList).value_or("-") + " " +
           std::to_string(o.integer(kNumberOfRows)) + " " + std::to_string(o.integer(kCapacity));
  };
  for (const int action : {kAppendCsv, kLoadCsv}) {
    for (const int64_t w : {width, width + 1}) {
      SCOPED_TRACE(w);
      std::string csv(static_cast<std::size_t>(w - 1), ',');
      for (int64_t r = 1; r < kRows; ++r) csv += "\na";
      HostedObject o(makeSetup(2, 3));
      run(o, {{kAppendString, "a"}, {kAppendString, "b"}, {kSetLabel, "L", 1}, {kSetValue, 5, 7}});
      const std::string before = state(o), name = put(csv);
      o.act(action, name);
      const std::string outcome = o.lastOutcome().text;
      EXPECT_EQ(outcome + " " + (w == width ? results(o, kSize, {0}) : state(o)),
                w == width ? "ok " + std::to_string(kRows * w + (action == kAppendCsv ? 8 : 0))
                           : "too large: " + name + ": too large for the array: " + std::to_string(kRows * w) +
                                 " cells " + before);
    }
  }
}

// 2^31 - 1 columns declared by a small file cost what the array holds; host array and CSV saves are refused.
TEST_F(Files, HugeDeclaredShapesCostWhatTheArrayHolds) {
  const std::string huge = native(2, {INT32_MAX, 0}) + le32(1) + le32(1) + "L" + le32(0);
  HostedObject o;
  o.act(kLoadNative, put(huge));
  ASSERT_EQ(o.lastOutcome().code, TESSEL_OUTCOME_OK);
  ASSERT_EQ(o.integer(kBoundaryX), INT32_MAX);
  EXPECT_EQ(saved(o, kSaveNative), huge);
  run(o, {{kAppendString, "cell"}, {kSetLabel, "a", 2}, {kSetLabel, "b", INT32_MAX - 1}});
  EXPECT_EQ(texts(o, kLabelList, {{}}) + results(o, kColumnOfLabel, {"b"}), "<none>2147483646");  // 2 GiB of delimiters
  // Past the allowance but within 2 GiB a save is weighed against the array's own bytes.
  HostedObject wide(makeSetup(2, 40000000));
  wide.act(kAppendString, "cell");
  const struct {
    HostedObject& o;
    int action;
    int64_t bytes;
  } kRefused[] = {{o, kSaveHost, 4 * int64_t{INT32_MAX} + 34},
                  {o, kSaveCsv, 3 * int64_t{INT32_MAX} + 3},
                  {wide, kSaveHost, 4 * 40000000 + 34},
                  {wide, kSaveCsv, 3 * 40000000 + 3}};
  for (const auto& r : kRefused) {
    const std::string name = put("old");
    r.o.act(r.action, name);
    EXPECT_EQ(r.o.lastOutcome().text,
              "too large: " + name + ": too large to save: " + std::to_string(r.bytes) + " bytes");
    EXPECT_EQ(readBytes(name), "old");
  }
  o.act(kSetDelimiter, "");
  EXPECT_EQ(texts(o, kLabelList, {{}}) + " " + texts(o, kElementList, {","}), "Lab cell");
  // Element lists stop at the same bound.
  HostedObject list(makeSetup(1, 3));
  list.act(kSetValue, 1, 199999);
  EXPECT_EQ(texts(list, kElementList, {std::string(20000, ';')}) + texts(list, kKeyList, {std::string(20000, ';')}),
            "<none><none>");
  EXPECT_EQ(list.text(kElementList, ",")->size(), 199999u + 1u);
}

}  // namespace
}  // namespace tessel::testing
