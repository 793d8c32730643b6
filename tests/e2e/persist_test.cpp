// Saving and loading through the routine tables: the bytes each writer puts
// in a file, round trips, append modes and files that cannot be read.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/temp_files.h"
#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

// Action numbers.
constexpr int kSaveNative = 0, kSaveHost = 1, kSaveCsv = 2, kLoadNative = 3, kLoadHost = 4, kLoadCsv = 5,
              kInsertString = 6, kAppendString = 8, kAppendValue = 9, kAppendNative = 10, kAppendHost = 11,
              kAppendCsv = 12, kSetValue = 14, kSaveElement = 18, kAppendElement = 19, kSetDimensions = 27, kUse2D = 28,
              kUse3D = 29, kSetBoundary = 30, kSetFileAt = 52, kInsertFileAt = 53, kAppendFile = 54, kSaveIni = 58,
              kLoadIni = 59, kAppendIni = 60;
// Expression numbers.
constexpr int kSize = 0, kCapacity = 1, kGetString = 2, kGetValue = 3, kDimensions = 26, kBoundary = 27;

std::string all(Instance& o) {
  std::string out;
  for (int32_t i = 0; i < o.integer(kSize); ++i) out += (i ? "|" : "") + o.text(kGetString, i).value_or("<none>");
  return out;
}

std::string shape(Instance& o) {
  return std::to_string(o.integer(kDimensions)) + ":" + std::to_string(o.integer(kBoundary, 1)) + "," +
         std::to_string(o.integer(kBoundary, 2));
}

std::string nativeHeader(int32_t dims, std::initializer_list<int32_t> boundaries) {
  std::string b = std::string("QVXARRAY") + le16(1) + le32(dims);
  for (int32_t x : boundaries) b += le32(x);
  return b;
}

class Persist : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.ok()); }
  std::string path(const char* name) const { return dir.file(name); }
  TempDir dir;
};

TEST_F(Persist, NativeWriterBytes) {
  Instance o;
  o.act(kSaveNative, path("empty"));
  EXPECT_EQ(readBytes(path("empty")), nativeHeader(1, {0}) + le32(0) + le32(0));
  EXPECT_EQ(readBytes(path("empty")).size(), 26u);

  o.act(kAppendString, std::string("ab"));
  o.act(kSaveNative, path("ab"));
  const std::string ab = readBytes(path("ab"));
  EXPECT_EQ(ab.size(), 41u);
  EXPECT_EQ(ab.substr(22), le32(1) + le16(2) + le32(3) + std::string("ab\0", 3) + le16(0) + le32(0));

  Instance v;
  v.act(kAppendValue, -5);
  v.act(kSaveNative, path("v"));
  EXPECT_EQ(readBytes(path("v")).substr(26), le16(1) + le32(4) + "\xFB\xFF\xFF\xFF" + le16(0) + le32(0));

  Instance grid(makeSetup(2, 3));
  grid.act(kSaveNative, path("grid"));
  EXPECT_EQ(readBytes(path("grid")).substr(0, 22), nativeHeader(2, {3, 0}));
  Instance cube(makeSetup(3, 4, 5));
  cube.act(kSaveNative, path("cube"));
  EXPECT_EQ(readBytes(path("cube")).substr(0, 26), nativeHeader(3, {4, 5, 0}));
}

TEST_F(Persist, NativeRoundTripAndAppend) {
  Instance o(makeSetup(3, 2, 2));
  o.act(kAppendString, std::string("ab"));
  o.act(kAppendValue, -5);
  o.act(kAppendValue, 0);
  o.act(kAppendString, std::string(""));
  o.act(kSaveNative, path("a"));

  Instance back;
  back.act(kAppendString, std::string("old"));
  back.act(kLoadNative, path("a"));
  EXPECT_EQ(all(back), "ab|-5||");
  EXPECT_EQ(back.integer(kGetValue, 1), -5);
  EXPECT_EQ(shape(back), "3:2,2");

  back.act(kAppendNative, path("a"));
  EXPECT_EQ(all(back), "ab|-5|||ab|-5||");
  EXPECT_EQ(shape(back), "3:2,2");

  // A 2D file loaded over a 1D array brings its dimensions; appended into a
  // 1D array it leaves them.
  Instance grid(makeSetup(2, 3));
  grid.act(kAppendString, std::string("x"));
  grid.act(kSaveNative, path("grid"));
  Instance flat;
  flat.act(kAppendNative, path("grid"));
  EXPECT_EQ(shape(flat), "1:0,0");
  EXPECT_EQ(all(flat), "x");
  flat.act(kLoadNative, path("grid"));
  EXPECT_EQ(shape(flat), "2:3,0");
  EXPECT_EQ(all(flat), "x");
}

TEST_F(Persist, NativeFilesThatCannotBeRead) {
  const std::string body =
      le32(1) + le32(0) + le32(0) + le32(1) + le16(2) + le32(2) + std::string("z\0", 2) + le16(0) + le32(0);
  writeBytes(path("case"), std::string("QVXArray") + le16(1) + body);
  writeBytes(path("v2"), std::string("QVXARRAY") + le16(2) + body);
  writeBytes(path("short"), "QVXARR");
  for (const char* name : {"missing", "case", "v2", "short"}) {
    Instance o(makeSetup(3, 4, 5));
    o.act(kAppendString, std::string("keep"));
    o.act(kAppendNative, path(name));
    EXPECT_EQ(all(o), "keep") << name;
    EXPECT_EQ(shape(o), "3:4,5") << name;
    o.act(kLoadNative, path(name));
    EXPECT_EQ(o.integer(kSize), 0) << name;
    EXPECT_EQ(o.integer(kDimensions), 0) << name;
    o.act(kSetDimensions, 3);  // the boundaries were kept
    EXPECT_EQ(shape(o), "3:4,5") << name;
  }
  // Versions 0 and any that read as negative are accepted.
  for (uint16_t version : {0, 0x8000, 0xFFFF}) {
    writeBytes(path("ok"), std::string("QVXARRAY") + le16(version) + body);
    Instance o;
    o.act(kLoadNative, path("ok"));
    EXPECT_EQ(all(o), "z") << version;
  }
  // No file name at all is a file that cannot be opened.
  Instance o;
  o.act(kAppendString, std::string("keep"));
  o.act(kSaveNative);
  o.act(kAppendNative);
  EXPECT_EQ(all(o), "keep");
  o.act(kLoadNative);
  EXPECT_EQ(o.integer(kSize), 0);
}

TEST_F(Persist, NativeCountsAndShortRecords) {
  // Negative counts load nothing; a count beyond the file stops at its end;
  // a cut payload keeps its bytes; more than ten dimensions skip the rest.
  writeBytes(path("neg"), nativeHeader(1, {0}) + le32(-1) + le32(-7));
  writeBytes(path("huge"), nativeHeader(1, {0}) + le32(0) + le32(0x7FFFFFFF) + le16(2) + le32(3) +
                               std::string("hi\0", 3) + le16(0) + le32(0));
  writeBytes(path("cut"), nativeHeader(1, {0}) + le32(0) + le32(1) + le16(2) + le32(1000) + "abc");
  std::string eleven = nativeHeader(11, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  writeBytes(path("eleven"), eleven + le32(0) + le32(1) + le16(1) + le32(4) + le32(9) + le16(0) + le32(0));
  Instance o;
  o.act(kLoadNative, path("neg"));
  EXPECT_EQ(o.integer(kSize), 0);
  o.act(kLoadNative, path("huge"));
  EXPECT_EQ(all(o), "hi");
  o.act(kLoadNative, path("cut"));
  EXPECT_EQ(all(o), "abc");
  o.act(kLoadNative, path("eleven"));
  EXPECT_EQ(o.integer(kGetValue, 0), 9);
  EXPECT_EQ(o.integer(kDimensions), 1);  // 11 is not a dimension count the store takes
}

TEST_F(Persist, HostArrayWriterBytes) {
  const std::string head = std::string("HGF ARRAY\0", 10) + le32(2);
  Instance o;
  o.act(kSaveHost, path("empty"));
  EXPECT_EQ(readBytes(path("empty")), head + le32(1) + le32(1) + le32(1) + le32(2) + le32(0));
  EXPECT_EQ(readBytes(path("empty")).size(), 34u);

  o.act(kAppendValue, 7);
  o.act(kAppendString, std::string("ab"));
  o.act(kSaveHost, path("two"));
  EXPECT_EQ(readBytes(path("two")),
            head + le32(1) + le32(1) + le32(3) + le32(2) + le32(1) + "7" + le32(2) + "ab" + le32(0));

  Instance cube(makeSetup(3, 2, 2));
  for (int i = 1; i <= 8; ++i) cube.act(kAppendValue, i);
  cube.act(kSaveHost, path("cube"));
  const std::string bytes = readBytes(path("cube"));
  EXPECT_EQ(bytes.substr(14, 12), le32(2) + le32(2) + le32(3));
  EXPECT_EQ(bytes.size(), 30u + 8 * 5 + 4 * 4);

  Instance grid(makeSetup(2, 3));
  for (int i = 1; i <= 12; ++i) grid.act(kAppendValue, i);
  grid.act(kSaveHost, path("grid"));
  EXPECT_EQ(readBytes(path("grid")).substr(14, 12), le32(3) + le32(1) + le32(5));
}

TEST_F(Persist, HostArrayLoads) {
  Instance o;
  o.act(kAppendValue, 7);
  o.act(kAppendString, std::string("ab"));
  o.act(kSaveHost, path("two"));
  Instance back(makeSetup(2, 5));
  back.act(kLoadHost, path("two"));
  EXPECT_EQ(all(back), "7|ab|");
  EXPECT_EQ(back.integer(kGetValue, 0), 7);
  EXPECT_EQ(shape(back), "1:0,0");

  const std::string head = std::string("HGF ARRAY\0", 10) + le32(2);
  writeBytes(path("ints"), head + le32(3) + le32(1) + le32(1) + le32(1) + le32(5) + le32(0) + le32(-3));
  back.act(kLoadHost, path("ints"));
  EXPECT_EQ(all(back), "5||-3");
  EXPECT_EQ(shape(back), "2:3,0");
  writeBytes(path("cube"), head + le32(2) + le32(2) + le32(1) + le32(5) + std::string(16, '\0'));
  back.act(kLoadHost, path("cube"));
  EXPECT_EQ(back.integer(kSize), 4);
  EXPECT_EQ(shape(back), "3:2,2");

  back.act(kAppendHost, path("two"));
  EXPECT_EQ(back.integer(kSize), 7);
  EXPECT_EQ(all(back), "||||7|ab|");
  EXPECT_EQ(shape(back), "3:2,2");

  // Text entries of another format version take no bytes and load empty.
  writeBytes(path("v1"), std::string("HGF ARRAY\0", 10) + le32(1) + le32(2) + le32(1) + le32(1) + le32(2));
  back.act(kLoadHost, path("v1"));
  EXPECT_EQ(all(back), "|");
  // Unknown content flags: no entries.
  writeBytes(path("flags"), head + le32(2) + le32(1) + le32(1) + le32(3) + le32(5));
  back.act(kLoadHost, path("flags"));
  EXPECT_EQ(back.integer(kSize), 0);
  EXPECT_EQ(shape(back), "2:2,0");
}

TEST_F(Persist, HostArrayFilesThatCannotBeRead) {
  const std::string tail = le32(2) + le32(1) + le32(1) + le32(1) + le32(1) + le32(4);
  writeBytes(path("nine"), std::string("HGF ARRAYX", 10) + tail);
  writeBytes(path("wide"),
             std::string("HGF ARRAY\0", 10) + le32(2) + le32(65536) + le32(65536) + le32(1) + le32(1) + le32(4));
  writeBytes(path("v1big"), std::string("HGF ARRAY\0", 10) + le32(1) + le32(1025) + le32(1024) + le32(1) + le32(2));
  for (const char* name : {"missing", "nine", "wide", "v1big"}) {
    Instance o(makeSetup(3, 4, 5));
    o.act(kAppendValue, 1);
    o.act(kAppendHost, path(name));
    EXPECT_EQ(all(o), "1") << name;
    o.act(kLoadHost, path(name));
    EXPECT_EQ(o.integer(kSize), 0) << name;
    EXPECT_EQ(o.integer(kDimensions), 0) << name;
    o.act(kSetDimensions, 3);
    EXPECT_EQ(shape(o), "3:4,5") << name;
  }
  // The largest grid of empty text entries still loads.
  writeBytes(path("v1max"), std::string("HGF ARRAY\0", 10) + le32(1) + le32(1024) + le32(1024) + le32(1) + le32(6));
  Instance o;
  o.act(kLoadHost, path("v1max"));
  EXPECT_EQ(o.integer(kSize), 1 << 20);
}

TEST_F(Persist, CsvWriterBytes) {
  Instance o;
  o.act(kSaveCsv, path("empty1"));
  EXPECT_EQ(readBytes(path("empty1")), "\r\n");
  o.act(kAppendString, std::string("a"));
  o.act(kAppendValue, 5);
  o.act(kSetValue, 0, 2);
  o.act(kSaveCsv, path("row"));
  EXPECT_EQ(readBytes(path("row")), "a,5,\"\"\r\n");

  Instance grid(makeSetup(2, 2));
  grid.act(kSaveCsv, path("empty2"));
  EXPECT_TRUE(exists(path("empty2")));
  EXPECT_EQ(readBytes(path("empty2")), "");
  for (const char* s : {"a", "b", "c"}) grid.act(kAppendString, std::string(s));
  grid.act(kSaveCsv, path("grid"));
  EXPECT_EQ(readBytes(path("grid")), "a,b\r\nc,\"\"\r\n");

  // Without columns a 2D array is written as one row.
  Instance bare(makeSetup(2, 0));
  bare.act(kAppendString, std::string("x,y"));
  bare.act(kAppendString, std::string("z"));
  bare.act(kSaveCsv, path("bare"));
  EXPECT_EQ(readBytes(path("bare")), "x,y,z\r\n");
}

TEST_F(Persist, CsvLoads) {
  Instance o;
  o.act(kAppendString, std::string("x,y"));
  o.act(kSaveCsv, path("xy"));
  o.act(kLoadCsv, path("xy"));
  EXPECT_EQ(all(o), "x|y");
  EXPECT_EQ(shape(o), "2:2,0");

  writeBytes(path("quotes"), "\"a,b\"\r\n\"\",\"\"\"\r\n");
  o.act(kLoadCsv, path("quotes"));
  EXPECT_EQ(all(o), "\"a|b\"||\"\"\"");

  // A zero byte ends the text.
  const std::string zero("a,b\r\n\n\rc\0ignored,x,y", 21);
  for (const std::string& text :
       {std::string("a,b\r\n\r\nc\r\n"), std::string("a,b\n\nc"), std::string("a,b\r\rc\r"), zero}) {
    writeBytes(path("lines"), text);
    Instance l;
    l.act(kLoadCsv, path("lines"));
    EXPECT_EQ(all(l), "a|b|c|") << text;
    EXPECT_EQ(shape(l), "2:2,0");
  }
  writeBytes(path("nums"), "1,2");
  o.act(kLoadCsv, path("nums"));
  EXPECT_EQ(o.integer(kGetValue, 1), 2);

  std::string wide;
  for (int i = 0; i < 200; ++i) wide += (i ? "," : "") + std::to_string(i);
  writeBytes(path("wide"), wide);
  o.act(kLoadCsv, path("wide"));
  EXPECT_EQ(o.integer(kSize), 200);
  EXPECT_EQ(o.text(kGetString, 199), "199");

  Instance a;
  a.act(kAppendValue, 1);
  a.act(kAppendValue, 2);
  a.act(kAppendValue, 3);
  a.act(kAppendCsv, path("xy"));
  EXPECT_EQ(all(a), "1|2|3|x|y");
  EXPECT_EQ(shape(a), "2:2,0");
}

TEST_F(Persist, CsvFilesThatCannotBeRead) {
  writeBytes(path("blank"), "\r\n\n\r");
  for (const char* name : {"missing", "blank"}) {
    Instance o(makeSetup(3, 4, 5));
    o.act(kAppendValue, 1);
    o.act(kAppendCsv, path(name));
    EXPECT_EQ(all(o), "1");
    EXPECT_EQ(shape(o), "2:4,0");
    o.act(kLoadCsv, path(name));
    EXPECT_EQ(o.integer(kSize), 0);
    EXPECT_EQ(shape(o), "2:4,0");
  }
}

TEST_F(Persist, IniWriterAndLoads) {
  Instance o;
  o.act(kSaveIni, path("empty"));
  EXPECT_EQ(readBytes(path("empty")), "[QVXArray]\r\n\r\n");
  o.act(kAppendString, std::string("a"));
  o.act(kAppendValue, 5);
  o.act(kSaveIni, path("two"));
  EXPECT_EQ(readBytes(path("two")), "[QVXArray]\r\n=a\r\n=5\r\n\r\n");
  o.act(kAppendNative, path("never"));  // a missing file changes nothing
  o.act(kAppendIni, path("two"));
  EXPECT_EQ(all(o), "a|5|a|5");

  writeBytes(path("hand"), "x=0\n[one]\nabc\n; note\n// note\n  k = v\n=\nq\n[two]x\nlast=1\n");
  Instance h(makeSetup(2, 3));
  h.act(kLoadIni, path("hand"));
  EXPECT_EQ(all(h), "|| v|1");  // "q" and "=" are too short to count
  EXPECT_EQ(shape(h), "2:3,0");

  writeBytes(path("none"), "a=b\r\n");
  h.act(kLoadIni, path("none"));
  EXPECT_EQ(h.integer(kSize), 0);
  h.act(kAppendValue, 1);
  h.act(kAppendIni, path("missing"));
  EXPECT_EQ(all(h), "1");
  h.act(kLoadIni, path("missing"));
  EXPECT_EQ(h.integer(kSize), 0);
}

TEST_F(Persist, ElementFiles) {
  Instance o;
  o.act(kAppendString, std::string("hi"));
  o.act(kAppendValue, 0);
  o.act(kAppendValue, -12);
  o.act(kSaveElement, 0, path("hi"));
  EXPECT_EQ(readBytes(path("hi")), std::string("hi\0", 3));
  o.act(kAppendElement, 0, path("hi"));
  EXPECT_EQ(readBytes(path("hi")).size(), 6u);
  o.act(kAppendElement, 1, path("hi"));
  EXPECT_EQ(readBytes(path("hi")).size(), 6u);
  o.act(kSaveElement, 1, path("hi"));
  EXPECT_TRUE(exists(path("hi")));
  EXPECT_EQ(readBytes(path("hi")), "");
  o.act(kAppendElement, 1, path("new"));
  EXPECT_TRUE(exists(path("new")));
  o.act(kSaveElement, 2, path("value"));
  EXPECT_EQ(readBytes(path("value")), std::string("-12\0", 4));
  o.act(kSaveElement, -1, path("none"));
  o.act(kSaveElement, 3, path("none"));
  o.act(kAppendElement, 3, path("none"));
  EXPECT_FALSE(exists(path("none")));

  std::string blob;
  for (int i = 0; i < 250; ++i) blob += std::string("\0\r\n", 3) + static_cast<char>(i);
  writeBytes(path("blob"), blob);
  o.act(kSetFileAt, path("blob"), 1);
  EXPECT_EQ(o.text(kGetString, 1), "");
  EXPECT_EQ(o.integer(kGetValue, 1), 0);
  o.act(kSaveElement, 1, path("copy"));
  EXPECT_EQ(readBytes(path("copy")), blob);

  writeBytes(path("empty"), "");
  o.act(kSetFileAt, path("empty"), 0);
  EXPECT_EQ(o.text(kGetString, 0), "");
  o.act(kSaveElement, 0, path("empty-copy"));
  EXPECT_EQ(readBytes(path("empty-copy")), "");  // an empty cell, not a string

  o.act(kSetFileAt, path("blob"), 5);
  EXPECT_EQ(o.integer(kSize), 6);
  o.act(kInsertString, std::string("first"), 0);
  o.act(kInsertFileAt, path("hi"), 0);
  EXPECT_EQ(o.integer(kSize), 8);
  EXPECT_EQ(o.text(kGetString, 1), "first");
  o.act(kAppendFile, path("blob"));
  EXPECT_EQ(o.integer(kSize), 9);
  o.act(kSaveElement, 8, path("copy2"));
  EXPECT_EQ(readBytes(path("copy2")), blob);

  // Files that cannot be opened change nothing.
  const std::string before = all(o);
  o.act(kSetFileAt, path("missing"), 0);
  o.act(kInsertFileAt, path("missing"), 0);
  o.act(kAppendFile, path("missing"));
  o.act(kAppendFile);
  o.act(kSetFileAt, path("blob"), -1);
  EXPECT_EQ(all(o), before);
  o.act(kSetFileAt, dir.file(""), 0);  // a directory cannot be read as a file
  o.act(kAppendFile, dir.file(""));
  EXPECT_EQ(all(o), before);
  o.act(kSaveElement, 0, path("no/such/dir"));
  EXPECT_FALSE(exists(path("no")));
}

TEST_F(Persist, SavesIntoUnwritablePlacesChangeNothing) {
  Instance o(makeSetup(2, 2));
  o.act(kAppendString, std::string("a"));
  for (int action : {kSaveNative, kSaveHost, kSaveCsv, kSaveIni}) o.act(action, path("no/such/file"));
  EXPECT_FALSE(exists(path("no")));
  EXPECT_EQ(all(o), "a");
  EXPECT_EQ(o.integer(kCapacity), 25);
}

TEST_F(Persist, ReplacingWritesTruncate) {
  Instance big;
  for (int i = 0; i < 50; ++i) big.act(kAppendString, std::string("long text ") + std::to_string(i));
  Instance small;
  for (int action : {kSaveNative, kSaveHost, kSaveCsv, kSaveIni}) {
    big.act(action, path("f"));
    small.act(action, path("f"));
    Instance fresh;
    fresh.act(action, path("g"));
    EXPECT_EQ(readBytes(path("f")), readBytes(path("g"))) << action;
  }
}

}  // namespace
}  // namespace tessel::testing
