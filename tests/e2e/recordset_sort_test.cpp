// Row sorting and column aggregates through the routine tables.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/e2e/recordset_table.h"

namespace tessel::testing::recordset {
namespace {

std::string sorted(int action, int32_t column) {
  Instance o(tableSetup(2));
  appendRows(o, "b,2", "a,10", "c,1");
  o.act(action, column);
  return physical(o);
}

TEST(RecordsetSort, ByValueOrByTextInEitherOrder) {
  EXPECT_EQ(sorted(kSortColumnStringAsc, 0), "a,10|b,2|c,1");
  EXPECT_EQ(sorted(kSortColumnStringDesc, 0), "c,1|b,2|a,10");
  EXPECT_EQ(sorted(kSortColumnValueAsc, 1), "c,1|b,2|a,10");
  EXPECT_EQ(sorted(kSortColumnValueDesc, 1), "a,10|b,2|c,1");
  EXPECT_EQ(sorted(kSortColumnStringAsc, 1), "c,1|a,10|b,2");
  EXPECT_EQ(sorted(kSortColumnStringDesc, 1), "b,2|a,10|c,1");
  EXPECT_EQ(sorted(kSortColumnStringAsc, 2), "b,2|a,10|c,1");  // not a column
  EXPECT_EQ(sorted(kSortColumnValueAsc, -1), "b,2|a,10|c,1");
}

// Rows a..e with values 3, 1, 3, 2, 3, ascending by value (pivot = first row of the range):
//   (0,4) pivot 3: i stops at a, j at e: swap -> [e3 b1 c3 d2 a3]; i=1 j=3;
//         i passes b, stops at c; j stops at d: swap -> [e3 b1 d2 c3 a3]; i=3 j=2: parts (0,2), (3,4)
//   (3,4) pivot 3: both stop at once: swap -> [.. a3 c3]
//   (0,2) pivot 3: i stops at e, j at d: swap -> [d2 b1 e3]; i=1 j=1; i passes b, stops at e;
//         j stops at b: parts (0,1), (2,2)
//   (0,1) pivot 2: i stops at d, j at b: swap -> [b1 d2]
// giving b, d, e, a, c: the three 3s end in the order e, a, c.
TEST(RecordsetSort, TiesEndWhereTheQuicksortStepsLeaveThem) {
  Instance o(tableSetup(2));
  appendRows(o, "a,3", "b,1", "c,3", "d,2", "e,3");
  o.act(kSortColumnValueAsc, 1);
  EXPECT_EQ(o.text(kColumnList, 0), "b,d,e,a,c");

  // a1 b2 c1 d2 descending: (0,3) pivot 1: swap a,d -> [d2 b2 c1 a1]; i passes b, stops at c,
  // j stops at c: parts (0,1), (3,3); (0,1) pivot 2: swap -> [b2 d2]. Result b, d, c, a.
  Instance d(tableSetup(2));
  appendRows(d, "a,1", "b,2", "c,1", "d,2");
  d.act(kSortColumnValueDesc, 1);
  EXPECT_EQ(d.text(kColumnList, 0), "b,d,c,a");
}

// Apple, banana, apple ascending, case ignored: (0,2) pivot Apple: i stops at Apple, j at
// apple (equal): swap -> [apple banana Apple]; i=1 j=1; i stops at banana, j passes it and
// stops at apple: parts (0,0), (1,2); (1,2) pivot banana: swap -> [Apple banana].
TEST(RecordsetSort, CaseDecidesWhetherTextsTie) {
  Instance o(tableSetup(1));
  appendRows(o, "Apple", "banana", "apple");
  o.act(kSortColumnStringAsc, 0);
  EXPECT_EQ(physical(o), "apple|Apple|banana");
  Instance s(tableSetup(1));
  s.act(kCaseSensitive);
  appendRows(s, "apple", "banana", "Apple");
  s.act(kSortColumnStringAsc, 0);
  EXPECT_EQ(physical(s), "Apple|apple|banana");
}

TEST(RecordsetSort, EmptyCellsSortAsEmptyTextOrZero) {
  Instance o(tableSetup(2));
  appendRows(o, "x,5", "y,-3", "z,2");
  o.act(kSetValue, 0, 1);  // x's number becomes an empty cell
  o.act(kSortColumnValueAsc, 1);
  EXPECT_EQ(physical(o), "y,-3|x,|z,2");
  o.act(kSortColumnStringAsc, 1);
  EXPECT_EQ(physical(o), "x,|y,-3|z,2");
}

TEST(RecordsetSort, UnselectedRowsKeepTheirPlaceAndFlagsStay) {
  Instance o(tableSetup(2));
  appendRows(o, "c,1", "x,9", "a,2", "b,3");
  o.act(kSetLabel, std::string("name"), 0);
  o.act(kSetLabel, std::string("n"), 1);
  o.act(kAndMode);
  o.act(kNotEqual, 1, 9);
  o.act(kSortLabelStringAsc, std::string("NAME"));
  EXPECT_EQ(physical(o), "a,2|x,9|b,3|c,1");
  EXPECT_EQ(selected(o), "a,2|b,3|c,1");
  o.act(kSortLabelValueDesc, std::string("n"));
  EXPECT_EQ(physical(o), "b,3|x,9|a,2|c,1");
  o.act(kSortLabelValueAsc, std::string("n"));
  EXPECT_EQ(physical(o), "c,1|x,9|a,2|b,3");
  o.act(kSortLabelStringDesc, std::string("name"));
  EXPECT_EQ(physical(o), "c,1|x,9|b,3|a,2");
  o.act(kSortLabelStringAsc, std::string("size"));  // no such label
  EXPECT_EQ(physical(o), "c,1|x,9|b,3|a,2");
  EXPECT_EQ(o.text(kLabelList), "name,n");
  o.act(kSelectAll);
  o.act(kSortColumnStringAsc, 0);
  EXPECT_EQ(physical(o), "a,2|b,3|c,1|x,9");
}

// After a boundary change no element operation has followed, so the flags
// still count four one-cell rows while the cells form two rows of two. Only
// complete rows are sorted; the flags past them stand for no cells at all.
TEST(RecordsetSort, FlagsPastTheLastCompleteRowAreNotSorted) {
  Instance o(tableSetup(1));
  appendRows(o, "d", "c", "b", "a");
  o.act(kSetBoundary, 1, 2);
  ASSERT_EQ(o.integer(kRows), 4);
  o.act(kSortColumnStringAsc, 0);
  EXPECT_EQ(physical(o), "b,a|d,c");
  // «a» and «c» both have the value 0: both scans stop at once on the tie
  // and exchange the two rows.
  o.act(kSortColumnValueDesc, 1);
  EXPECT_EQ(physical(o), "d,c|b,a");
}

TEST(RecordsetAggregates, EmptyCellsCountAsZero) {
  Instance o(tableSetup(1));
  appendRows(o, "5", "e", "7");
  o.act(kSetValue, 0, 1);
  EXPECT_EQ(o.integer(kColumnMax, 0), 7);
  EXPECT_EQ(o.integer(kColumnMin, 0), 0);
  EXPECT_EQ(o.integer(kColumnSum, 0), 12);
  EXPECT_EQ(o.integer(kColumnAvg, 0), 4);
  EXPECT_EQ(o.integer(kColumnSum, -1), 0);
}

TEST(RecordsetAggregates, SumWrapsAndAverageTruncatesTowardZero) {
  Instance o(tableSetup(1));
  appendRows(o, "-7", "e");
  o.act(kSetValue, 0, 1);
  EXPECT_EQ(o.integer(kColumnSum, 0), -7);
  EXPECT_EQ(o.integer(kColumnAvg, 0), -3);
  o.act(kSetValue, INT_MAX, 0);
  o.act(kSetValue, 1, 1);
  EXPECT_EQ(o.integer(kColumnSum, 0), INT_MIN);
  EXPECT_EQ(o.integer(kColumnMax, 0), INT_MAX);
}

TEST(RecordsetAggregates, OverTheSelectedRowsByColumnOrLabel) {
  Instance o(tableSetup(2));
  for (int action : {kColumnMax, kColumnMin, kColumnSum, kColumnAvg}) EXPECT_EQ(o.integer(action, 0), 0);
  appendRows(o, "a,5", "b,10", "c,15", "d,21");
  o.act(kSetLabel, std::string("x"), 0);
  o.act(kSetLabel, std::string("v"), 1);
  o.act(kAndMode);
  o.act(kGreaterOrEqual, 1, 10);
  EXPECT_EQ(o.integer(kLabelMax, std::string("v")), 21);
  EXPECT_EQ(o.integer(kLabelMin, std::string("v")), 10);
  EXPECT_EQ(o.integer(kLabelSum, std::string("v")), 46);
  EXPECT_EQ(o.integer(kLabelAvg, std::string("v")), 15);
  for (int action : {kLabelMax, kLabelMin, kLabelSum, kLabelAvg}) {
    EXPECT_EQ(o.integer(action, std::string("size")), 0) << action;
  }
  o.act(kStartNewWhere);  // no row selected: every aggregate is 0
  for (int action : {kColumnMax, kColumnMin, kColumnSum, kColumnAvg}) EXPECT_EQ(o.integer(action, 1), 0);
}

}  // namespace
}  // namespace tessel::testing::recordset
