// The one-pass label merge against label-by-label setting, and the sizes
// saves count before writing against what the writers write.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/array_store.h"
#include "core/label_table.h"
#include "persist/byte_io.h"
#include "persist/csv_file.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"
#include "recordset/labels.h"
#include "tests/unit/stores.h"

namespace tessel {
namespace {

using D = CellDescriptor;

std::string describe(const LabelTable& t) {
  std::string out = std::to_string(t.size()) + ":";
  for (const LabelTable::Label& l : t.held()) out += std::to_string(l.column) + "=" + l.text + ",";
  return out;
}

TEST(LabelMerge, MatchesSettingEachLabelInTurn) {
  std::minstd_rand random(7);
  for (int round = 0; round < 500; ++round) {
    const auto slots = static_cast<int32_t>(random() % 40);
    LabelTable merged;
    merged.resize(slots);
    for (int k = static_cast<int>(random() % 20); k > 0; --k) {
      merged.set(static_cast<int32_t>(random() % (slots + 1)), ("old" + std::to_string(k)).c_str());
    }
    LabelTable oneByOne = merged;
    // Rising columns, some outside the slots (negative ones never come from a file).
    std::vector<LabelTable::Label> given;
    for (int32_t c = 0; c < slots + 5; ++c) {
      if (random() % 3 == 0) given.push_back({c, "new" + std::to_string(c)});
    }
    for (const LabelTable::Label& l : given) oneByOne.set(l.column, l.text.c_str());
    merged.setAll(given);
    ASSERT_EQ(describe(merged), describe(oneByOne)) << round;
  }
}

TEST(SaveSizes, AreWhatTheWritersWrite) {
  std::minstd_rand random(11);
  for (int round = 0; round < 300; ++round) {
    ArrayStore s;
    s.dimensions().setCount(static_cast<int32_t>(random() % 4));
    s.dimensions().setBoundary(1, static_cast<int32_t>(random() % 5));
    s.dimensions().setBoundary(2, static_cast<int32_t>(random() % 3));
    for (int k = static_cast<int>(random() % 12); k > 0; --k) {
      const auto pick = random() % 5;
      const std::string text(random() % 40, static_cast<char>('a' + random() % 26));
      // A value, a string, data, an empty cell, or a string with a key.
      const D kinds[] = {D::ofValue(static_cast<int32_t>(random()) - (1 << 30)), D::ofString(text.c_str()),
                         D::ofData(text.data(), static_cast<int32_t>(text.size())), D(), D::ofString(text.c_str())};
      s.append(kinds[pick]);
      if (pick == 4) s.setKey(s.size() - 1, random() % 2 ? D::ofValue(7) : kinds[1]);
    }
    if (random() % 2) recordset::setLabel(s, "label", static_cast<int32_t>(random() % 4));
    persist::StringWriter native, csv, host, ini;
    persist::writeNativeFile(s, native);
    persist::writeCsvFile(s, csv);
    persist::writeIniFile(s, ini);
    const auto grid = persist::hostArrayGrid(s);
    ASSERT_TRUE(grid);
    persist::writeHostArrayFile(s, *grid, host);
    EXPECT_EQ(persist::nativeFileBytes(s), static_cast<int64_t>(native.take().size())) << round;
    EXPECT_EQ(persist::csvFileBytes(s), static_cast<int64_t>(csv.take().size())) << round;
    EXPECT_EQ(persist::hostArrayFileBytes(s, *grid), static_cast<int64_t>(host.take().size())) << round;
    EXPECT_EQ(persist::iniFileBytes(s), static_cast<int64_t>(ini.take().size())) << round;
  }
}

// Fails at its first byte and counts the bytes still handed to it.
struct FullDisk final : persist::ByteWriter {
  FullDisk() : ByteWriter(1) {}
  bool failed() const override { return handed > 0; }
  void drain(std::string_view bytes) override { handed += static_cast<long>(bytes.size()); }
  long handed = 0;
};

TEST(SaveSizes, WritersStopAtTheFirstFailedWrite) {
  // One row of 100000 fields, and as many cells, keys and labels.
  ArrayStore s = testing::table(100000, false);
  for (int32_t i = 0; i < 100000; ++i) {
    s.append(CellDescriptor::ofString("field"));
    s.setKey(i, CellDescriptor::ofString("key"));
  }
  recordset::setLabel(s, "label", 99999);
  const auto grid = persist::hostArrayGrid(s);
  ASSERT_TRUE(grid);
  const std::function<void(persist::ByteWriter&)> writers[] = {
      [&](persist::ByteWriter& out) { persist::writeNativeFile(s, out); },
      [&](persist::ByteWriter& out) { persist::writeCsvFile(s, out); },
      [&](persist::ByteWriter& out) { persist::writeHostArrayFile(s, *grid, out); },
      [&](persist::ByteWriter& out) { persist::writeIniFile(s, out); },
  };
  for (const auto& write : writers) {
    FullDisk disk;
    write(disk);
    EXPECT_LT(disk.handed, 64) << &write - writers;
  }
}

}  // namespace
}  // namespace tessel
