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

}  // namespace
}  // namespace tessel::persist
