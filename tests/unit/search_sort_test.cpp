// Searches, key look-ups and sorting work on the cells in place: they take
// no memory, whatever the cells hold.
#include <gtest/gtest.h>

#include <string>

#include "core/array_store.h"
#include "core/keys.h"
#include "core/search.h"
#include "core/sort.h"
#include "tests/unit/allocation_faults.h"

namespace tessel {
namespace {

ArrayStore mixedCells() {
  ArrayStore s;
  for (int i = 0; i < 200; ++i) {
    const std::string text = "cell" + std::to_string(i * 37 % 200);
    if (i % 3 == 0) {
      s.append(CellDescriptor::ofValue(i * 7919 % 1000));
    } else {
      s.append(CellDescriptor::ofString(text.c_str()));
    }
    if (i % 2 == 0) s.setKey(i, i % 4 == 0 ? CellDescriptor::ofValue(i) : CellDescriptor::ofString(text.c_str()));
  }
  return s;
}

// Runs `work` with every allocation failing; true when none was attempted.
template <typename Work>
bool allocatesNothing(Work work) {
  testing::failAllocationAfter(0);
  work();
  const bool allocated = testing::allocationFailed();
  testing::failAllocationAfter(-1);
  return !allocated;
}

TEST(InPlace, SearchesAndKeyLookUpsTakeNoMemory) {
  ArrayStore s = mixedCells();
  for (const bool wildcard : {false, true}) {
    s.setWildcard(wildcard);
    EXPECT_TRUE(allocatesNothing([&] { EXPECT_EQ(findMatchingString(s, "absent"), -1); }));
    EXPECT_TRUE(allocatesNothing([&] { EXPECT_EQ(findContainingString(s, "q?q"), -1); }));
    EXPECT_TRUE(allocatesNothing([&] { EXPECT_EQ(findContainingValue(s, 123456), -1); }));
    EXPECT_TRUE(allocatesNothing([&] { EXPECT_EQ(findMatchingValue(s, 123456), -1); }));
    EXPECT_TRUE(allocatesNothing([&] { EXPECT_EQ(indexOfKey(s, CellDescriptor::ofString("absent")), -1); }));
    EXPECT_TRUE(allocatesNothing([&] { EXPECT_EQ(indexOfKey(s, CellDescriptor::ofValue(-5)), -1); }));
  }
}

TEST(InPlace, SortingMovesCellsWithoutCopyingThem) {
  ArrayStore s = mixedCells();
  const char* firstString = s.cellAt(1)->bytes();
  EXPECT_TRUE(allocatesNothing([&] { sortCells(s, kSortByString, SortOrder::ascending); }));
  EXPECT_TRUE(allocatesNothing([&] { sortCells(s, kSortByValue, SortOrder::descending); }));
  bool found = false;  // the string's own storage moved with its cell
  for (int32_t i = 0; i < s.size(); ++i) found = found || s.cellAt(i)->bytes() == firstString;
  EXPECT_TRUE(found);
  for (int32_t i = 1; i < s.size(); ++i) ASSERT_GE(s.cellAt(i - 1)->value(), s.cellAt(i)->value());
}

TEST(CompareCells, MissingCellsFirstThenByKind) {
  Cell a, b, shortData, longData, lowData;
  a.assignString("abc");
  b.assignString("ABD");
  shortData.assignData("\x01\xff", 2);
  longData.assignData("\x01\x02\x03", 3);
  lowData.assignData("\x01\x80", 2);
  EXPECT_LT(compareCells(nullptr, &a, kSortByString, false), 0);
  EXPECT_EQ(compareCells(nullptr, nullptr, kSortByString, false), 0);
  EXPECT_LT(compareCells(&a, &b, kSortByString, false), 0);
  EXPECT_GT(compareCells(&a, &b, kSortByString, true), 0);
  EXPECT_EQ(compareCells(&a, &b, kSortByValue, false), 0);      // both read 0
  EXPECT_LT(compareCells(&shortData, &longData, 3, false), 0);  // other kinds: shorter first
  EXPECT_GT(compareCells(&shortData, &lowData, 3, false), 0);   // then bytes, unsigned
}

}  // namespace
}  // namespace tessel
