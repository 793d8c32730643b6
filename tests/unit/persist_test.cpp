// Loads that run out of memory at each of their allocations in turn, which
// only the store level can provoke: every failure leaves the array as it was.
#include <gtest/gtest.h>

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

// Everything a load may change, as one comparable text.
std::string fingerprint(const ArrayStore& s) {
  StringWriter bytes;
  writeNativeFile(s, bytes);
  std::string f = bytes.take() + "|cap" + std::to_string(s.capacity()) + "|dims";
  for (int k = 0; k < 10; ++k) f += "," + std::to_string(s.dimensions().entry(k));
  f += "|labels" + std::to_string(s.labels().exists()) + ":" + std::to_string(s.labels().size()) + "|flags";
  for (int32_t r = 0; r < s.rowFlags().count(); ++r) f += std::to_string(s.rowFlags().at(r));
  return f;
}

// A 2D array with every kind of cell, keys of both kinds and a label, and
// `values` more cells (23 in all is close to a growth step).
ArrayStore sample(int values, const char* label) {
  ArrayStore s;
  s.dimensions().setCount(2);
  s.dimensions().setBoundary(1, 3);
  s.rowFlags().setAutoSelect(true);
  const char data[5] = {'\0', 'x', '\r', '\n', '\xFF'};
  s.append(CellDescriptor::ofString("a"));
  s.append(CellDescriptor::ofData(data, 5));
  for (int i = 1; i <= values; ++i) s.append(CellDescriptor::ofValue(i));
  s.setKey(0, CellDescriptor::ofString("k"));
  s.setKey(1, CellDescriptor::ofValue(7));
  recordset::setLabel(s, label, 1);
  return s;
}

TEST(Loads, OutOfMemoryLeavesTheArrayAsItWas) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string native = dir.file("a"), host = dir.file("b"), csv = dir.file("c"), ini = dir.file("d");
  const ArrayStore source = sample(2, "first");
  FileHandler files;
  ASSERT_TRUE(saveToFile(source, files, native.c_str(), WriteMode::replace).ok());
  ASSERT_TRUE(saveAsHostArray(source, files, host.c_str(), WriteMode::replace).ok());
  ASSERT_TRUE(saveToCsv(source, files, csv.c_str(), WriteMode::replace).ok());
  ASSERT_TRUE(saveToIni(source, files, ini.c_str(), WriteMode::replace).ok());
  using Load = Status (*)(ArrayStore&, const FileHandler&, const char*, LoadMode);
  const std::pair<Load, const char*> loads[] = {{loadFromFile, native.c_str()},
                                                {loadFromHostArray, host.c_str()},
                                                {loadFromCsv, csv.c_str()},
                                                {loadFromIni, ini.c_str()}};
  for (LoadMode mode : {LoadMode::replace, LoadMode::append}) {
    for (const auto& [load, name] : loads) {
      SCOPED_TRACE(std::string(mode == LoadMode::replace ? "replace " : "append ") + name);
      ArrayStore store = sample(21, "x");
      const std::string before = fingerprint(store);
      const int failures = testing::forEachAllocationFailure([&] { (void)load(store, files, name, mode); },
                                                             [&](bool threw) {
                                                               EXPECT_TRUE(threw);
                                                               EXPECT_EQ(fingerprint(store), before);
                                                             });
      EXPECT_GT(failures, 0);
      EXPECT_NE(fingerprint(store), before);  // the run without a failure did load
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
