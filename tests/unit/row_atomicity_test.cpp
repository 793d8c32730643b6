// Replacing or deleting a row under memory pressure happens in full or not at all.
#include <gtest/gtest.h>

#include <string>

#include "core/array_store.h"
#include "recordset/rows.h"
#include "tests/unit/allocation_faults.h"

namespace tessel {
namespace {

std::string cells(const ArrayStore& s) {
  std::string out = std::to_string(s.capacity()) + ":";
  for (int32_t i = 0; i < s.size(); ++i) out += std::string(s.cellAt(i)->text().view()) + "|";
  return out;
}

TEST(RowAtomicity, ReplaceAndDeleteRowNeverStopHalfway) {
  ArrayStore s;
  s.dimensions().setCount(2);
  s.dimensions().setBoundary(1, 3);
  s.rowFlags().setAutoSelect(true);
  for (int r = 0; r < 40; ++r) recordset::appendRowFromList(s, "a,b,c");
  for (int r = 0; r < 30; ++r) recordset::deleteRow(s, 0);  // leaves a table the next change shrinks
  const std::string before = cells(s);
  testing::forEachAllocationFailure([&] { recordset::replaceRowWithList(s, "a long first text,a long second,x", 1); },
                                    [&](bool) { EXPECT_EQ(cells(s), before); });
  EXPECT_EQ(recordset::rowCount(s), 10);
  EXPECT_EQ(std::string(s.cellAt(4)->text().view()), "a long second");
  // A delete needs no memory: a shrink that finds none keeps the larger table.
  testing::failAllocationAfter(0);
  recordset::deleteRow(s, 0);
  EXPECT_TRUE(testing::allocationFailed());
  testing::failAllocationAfter(-1);
  EXPECT_EQ(recordset::rowCount(s), 9);
  EXPECT_EQ(std::string(s.cellAt(0)->text().view()), "a long first text");
}

}  // namespace
}  // namespace tessel
