// The file formats at the level of the store: keys and labels through a save
// and a load, readers fed truncated and random bytes, and loads that run out
// of memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "persist/csv_file.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"
#include "recordset/labels.h"
#include "tests/e2e/temp_files.h"
#include "tests/unit/allocation_faults.h"

namespace tessel::persist {
namespace {

using testing::le16;
using testing::le32;
using testing::TempDir;

std::string keyText(const ArrayStore& s, int32_t i) {
  const Cell* key = s.cellAt(i)->key();
  return key == nullptr ? "<no key>" : std::string(key->text().view());
}

// Everything a load may change, as one comparable text.
std::string fingerprint(const ArrayStore& s) {
  std::string f = writeNativeFile(s);
  f += "|cap" + std::to_string(s.capacity()) + "|dims" + std::to_string(s.dimensions().count());
  for (int k = 0; k < 10; ++k) f += "," + std::to_string(s.dimensions().entry(k));
  f += "|labels" + std::to_string(s.labels().exists()) + ":" + std::to_string(s.labels().size());
  f += "|flags";
  for (int32_t r = 0; r < s.rowFlags().count(); ++r) f += std::to_string(s.rowFlags().at(r));
  return f;
}

ArrayStore keyedGrid() {
  ArrayStore s;
  s.dimensions().setCount(2);
  s.dimensions().setBoundary(1, 3);
  s.append(CellDescriptor::ofString("a"));
  s.append(CellDescriptor::ofValue(-5));
  const char data[5] = {'\0', 'x', '\r', '\n', '\xFF'};
  s.append(CellDescriptor::ofData(data, 5));
  s.append(CellDescriptor::ofValue(0));
  s.setKey(0, CellDescriptor::ofString("k"));
  s.setKey(1, CellDescriptor::ofValue(7));
  s.setKey(3, CellDescriptor::ofString("k3"));
  recordset::setLabel(s, "first", 0);
  recordset::setLabel(s, "third", 2);
  return s;
}

TEST(NativeFile, KeysLabelsAndDataComeBack) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string name = dir.file("keys");
  saveToFile(keyedGrid(), name.c_str(), WriteMode::replace);

  ArrayStore back;
  loadFromFile(back, name.c_str(), LoadMode::replace);
  ASSERT_EQ(back.size(), 4);
  EXPECT_EQ(keyText(back, 0), "k");
  EXPECT_EQ(back.cellAt(1)->key()->type(), CellType::value);
  EXPECT_EQ(back.cellAt(1)->key()->value(), 7);
  EXPECT_EQ(keyText(back, 2), "");  // no key: an empty key cell
  EXPECT_EQ(back.cellAt(2)->key()->type(), CellType::empty);
  EXPECT_EQ(keyText(back, 3), "k3");
  EXPECT_EQ(back.cellAt(2)->type(), CellType::data);
  EXPECT_EQ(std::string(back.cellAt(2)->bytes(), 5), std::string("\0x\r\n\xFF", 5));
  EXPECT_EQ(back.cellAt(3)->type(), CellType::empty);
  EXPECT_STREQ(recordset::label(back, 0), "first");
  EXPECT_EQ(recordset::label(back, 1), nullptr);
  EXPECT_STREQ(recordset::label(back, 2), "third");

  // Appending into a 2D array overwrites the labels the file carries and
  // leaves the others; into a 1D array it sets none.
  ArrayStore grid;
  grid.dimensions().setCount(2);
  grid.dimensions().setBoundary(1, 4);
  recordset::setLabel(grid, "old1", 1);
  recordset::setLabel(grid, "old3", 3);
  loadFromFile(grid, name.c_str(), LoadMode::append);
  EXPECT_STREQ(recordset::label(grid, 0), "first");
  EXPECT_STREQ(recordset::label(grid, 1), "old1");
  EXPECT_STREQ(recordset::label(grid, 2), "third");
  EXPECT_STREQ(recordset::label(grid, 3), "old3");
  ArrayStore flat;
  loadFromFile(flat, name.c_str(), LoadMode::append);
  EXPECT_FALSE(flat.labels().exists());
  EXPECT_EQ(flat.dimensions().count(), 1);
}

TEST(NativeFile, ShortFieldsKeepWhatWasRead) {
  const std::string head = std::string("QVXARRAY") + le16(1) + le32(1) + le32(0) + le32(0) + le32(3);
  // A value cut to two bytes, a data payload cut to four, a string with no byte left.
  const std::string bytes = head + le16(1) + le32(4) + "\x34\x12";
  std::optional<ArrayImage> image = readNativeFile(bytes);
  ASSERT_TRUE(image);
  ArrayStore s;
  applyNativeImage(s, *image, LoadMode::replace);
  ASSERT_EQ(s.size(), 1);
  EXPECT_EQ(s.valueAt(0), 0x1234);

  image = readNativeFile(head + le16(3) + le32(10) + "abcd");
  applyNativeImage(s, *image, LoadMode::replace);
  ASSERT_EQ(s.size(), 1);
  EXPECT_EQ(s.cellAt(0)->length(), 4);
  EXPECT_EQ(std::string(s.cellAt(0)->bytes(), 4), "abcd");

  image = readNativeFile(head + le16(2) + le32(10));
  applyNativeImage(s, *image, LoadMode::replace);
  ASSERT_EQ(s.size(), 1);
  EXPECT_EQ(s.cellAt(0)->type(), CellType::empty);
  ASSERT_NE(s.cellAt(0)->key(), nullptr);
}

TEST(IniFile, KeysAsText) {
  ArrayStore s;
  s.append(CellDescriptor::ofString("a"));
  s.append(CellDescriptor::ofValue(5));
  s.append(CellDescriptor::ofValue(0));
  s.append(CellDescriptor::ofValue(0));
  s.append(CellDescriptor::ofString("b"));
  s.setKey(0, CellDescriptor::ofString("k1"));
  s.setKey(2, CellDescriptor::ofString("k3"));
  s.setKey(4, CellDescriptor::ofValue(7));
  const std::string bytes = writeIniFile(IniImage::of(s));
  EXPECT_EQ(bytes, "[QVXArray]\r\nk1=a\r\n=5\r\nk3=\r\n=\r\n7=b\r\n\r\n");

  ArrayStore back;
  applyIniImage(back, IniImage::parse(bytes), LoadMode::replace);
  ASSERT_EQ(back.size(), 4);  // the line "=" is too short to come back
  EXPECT_EQ(back.cellAt(0)->text().view(), "a");
  EXPECT_EQ(keyText(back, 0), "k1");
  EXPECT_EQ(back.cellAt(1)->type(), CellType::string);
  EXPECT_EQ(keyText(back, 1), "");
  EXPECT_EQ(back.cellAt(2)->type(), CellType::string);
  EXPECT_EQ(keyText(back, 2), "k3");
  EXPECT_EQ(back.cellAt(3)->key()->type(), CellType::string);
  EXPECT_EQ(keyText(back, 3), "7");

  applyIniImage(back, IniImage::parse("[s]\n  k = v\nabc\n"), LoadMode::replace);
  ASSERT_EQ(back.size(), 2);
  EXPECT_EQ(back.cellAt(0)->text().view(), " v");
  EXPECT_EQ(keyText(back, 0), "k ");
  EXPECT_EQ(back.cellAt(1)->type(), CellType::empty);
  EXPECT_EQ(keyText(back, 1), "abc");
}

// A valid native file with every kind of record, for cutting and mutating.
std::string sampleNativeFile() { return writeNativeFile(keyedGrid()); }

TEST(Readers, EveryTruncationLoadsSafely) {
  const std::string full = sampleNativeFile();
  for (std::size_t n = 0; n <= full.size(); ++n) {
    ArrayStore s;
    std::optional<ArrayImage> image = readNativeFile(full.substr(0, n));
    EXPECT_EQ(image.has_value(), n >= 8) << n;
    if (image) applyNativeImage(s, *image, LoadMode::replace);
    EXPECT_LE(s.size(), 4) << n;
  }
  ArrayStore store = keyedGrid();
  const std::string host = *writeHostArrayFile(store);
  for (std::size_t n = 0; n <= host.size(); ++n) {
    ArrayStore s;
    std::optional<ArrayImage> image = readHostArrayFile(host.substr(0, n));
    applyHostArrayImage(s, image, LoadMode::replace);
    EXPECT_LE(s.size(), 6) << n;
  }
}

TEST(Readers, OversizedCountsAreClampedToTheFile) {
  const std::string magic("QVXARRAY");
  // Dimension, label and cell counts far beyond the file's few bytes.
  std::optional<ArrayImage> image = readNativeFile(magic + le16(1) + le32(0x7FFFFFFF) + le32(3));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->boundaries[0], 3);
  EXPECT_TRUE(image->cells.empty());
  image = readNativeFile(magic + le16(1) + le32(0) + le32(0x7FFFFFFF) + le32(0x7FFFFFFF) + "ab");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->labels.size(), 1u);
  image = readNativeFile(magic + le16(1) + le32(0) + le32(0) + le32(0x7FFFFFFF) + le16(3) + le32(0x7FFFFFFF) + "xy");
  ASSERT_TRUE(image);
  ASSERT_EQ(image->cells.size(), 1u);
  EXPECT_EQ(image->bytes(image->cells[0].cell), "xy");

  const std::string hostMagic("HGF ARRAY\0", 10);
  image = readHostArrayFile(hostMagic + le32(2) + le32(46340) + le32(46340) + le32(1) + le32(1) + le32(8) + le32(9));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->cells.size(), 2u);
  image = readHostArrayFile(hostMagic + le32(2) + le32(1) + le32(1) + le32(1) + le32(2) + le32(0x7FFFFFFF) + "t");
  ASSERT_TRUE(image);
  ASSERT_EQ(image->cells.size(), 1u);
  EXPECT_STREQ(image->text(image->cells[0].cell), "t");
  EXPECT_FALSE(readHostArrayFile(hostMagic + le32(3) + le32(1) + le32(1048577) + le32(1) + le32(2)));
  EXPECT_FALSE(readHostArrayFile(hostMagic + le32(2) + le32(0x10000) + le32(0x8000) + le32(1) + le32(1)));
}

// A small deterministic generator; the same bytes on every platform.
class Random {
 public:
  uint32_t next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  std::string bytes(std::size_t n) {
    std::string b(n, '\0');
    for (char& c : b) c = static_cast<char>(next() & 0xFF);
    return b;
  }

 private:
  uint32_t state_ = 12345;
};

TEST(Readers, RandomBytesLoadSafely) {
  Random random;
  const std::string native = sampleNativeFile();
  for (int round = 0; round < 400; ++round) {
    // Random bytes behind each magic, and a valid file with bytes overwritten.
    std::string tail = random.bytes(random.next() % 96);
    std::string mutated = native;
    for (int k = 0; k < 4; ++k) mutated[random.next() % mutated.size()] = static_cast<char>(random.next());
    for (const std::string& bytes : {std::string("QVXARRAY") + tail, mutated}) {
      ArrayStore s;
      if (std::optional<ArrayImage> image = readNativeFile(bytes)) applyNativeImage(s, *image, LoadMode::append);
    }
    {
      ArrayStore s;
      applyHostArrayImage(s, readHostArrayFile(std::string("HGF ARRAY\0", 10) + tail), LoadMode::replace);
      // Entries cost bytes, except the bounded run of empty texts.
      EXPECT_LE(s.size(), std::max<int32_t>(static_cast<int32_t>(tail.size()), kMaxEmptyTextEntries));
    }
    ArrayStore s;
    applyCsvTable(s, CsvTable::parse(tail), LoadMode::replace);
    EXPECT_LE(s.size(), static_cast<int32_t>(tail.size() * tail.size() + 1));
    applyIniImage(s, IniImage::parse("[x]\n" + tail), LoadMode::append);
  }
}

// Runs a load with each of its allocations failing in turn: every failure
// must leave the store exactly as it was.
template <typename Load>
void expectAllOrNothing(const ArrayStore& original, Load load) {
  ArrayStore store = original.withoutCells();
  for (int32_t i = 0; i < original.size(); ++i) {
    const Cell& c = *original.cellAt(i);
    store.append(c.type() == CellType::value ? CellDescriptor::ofValue(c.value())
                                             : CellDescriptor::ofData(c.bytes(), c.length()));
  }
  const std::string before = fingerprint(store);
  const int failures = testing::forEachAllocationFailure([&] { load(store); },
                                                         [&](bool threw) {
                                                           EXPECT_TRUE(threw);
                                                           EXPECT_EQ(fingerprint(store), before);
                                                         });
  EXPECT_GT(failures, 0);
  EXPECT_NE(fingerprint(store), before);  // the run without a failure did load
}

TEST(Loads, OutOfMemoryLeavesTheArrayAsItWas) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string native = dir.file("a"), host = dir.file("b"), csv = dir.file("c"), ini = dir.file("d");
  const ArrayStore source = keyedGrid();
  saveToFile(source, native.c_str(), WriteMode::replace);
  saveAsHostArray(source, host.c_str(), WriteMode::replace);
  saveToCsv(source, csv.c_str(), WriteMode::replace);
  saveToIni(source, ini.c_str(), WriteMode::replace);

  ArrayStore target;
  target.dimensions().setCount(2);
  target.dimensions().setBoundary(1, 2);
  target.rowFlags().setAutoSelect(true);
  for (int i = 1; i <= 23; ++i) target.append(CellDescriptor::ofValue(i));  // close to a growth step
  recordset::setLabel(target, "x", 1);
  for (LoadMode mode : {LoadMode::replace, LoadMode::append}) {
    SCOPED_TRACE(mode == LoadMode::replace ? "replace" : "append");
    expectAllOrNothing(target, [&](ArrayStore& s) { loadFromFile(s, native.c_str(), mode); });
    expectAllOrNothing(target, [&](ArrayStore& s) { loadFromHostArray(s, host.c_str(), mode); });
    expectAllOrNothing(target, [&](ArrayStore& s) { loadFromCsv(s, csv.c_str(), mode); });
    expectAllOrNothing(target, [&](ArrayStore& s) { loadFromIni(s, ini.c_str(), mode); });
  }
}

}  // namespace
}  // namespace tessel::persist

namespace tessel::persist {
namespace {

TEST(WriteModes, AppendAddsToTheFileReplaceStartsIt) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ArrayStore s;
  s.append(CellDescriptor::ofString("a"));
  const std::string name = dir.file("f");
  for (auto save : {&saveToFile, &saveToCsv, &saveToIni}) {
    save(s, name.c_str(), WriteMode::replace);
    const std::string once = testing::readBytes(name);
    save(s, name.c_str(), WriteMode::append);
    EXPECT_EQ(testing::readBytes(name), once + once);
    save(s, name.c_str(), WriteMode::replace);
    EXPECT_EQ(testing::readBytes(name), once);
  }
}

}  // namespace
}  // namespace tessel::persist
