// Sorting the whole array and its totals, reached through the routine tables.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/e2e/core_e2e.h"

namespace tessel::testing {
namespace {

using namespace core;

TEST(Sort, EmptyAndSingleArraysStayAsTheyAre) {
  Instance o;
  for (const int sort : {kSortStringsUp, kSortStringsDown, kSortValuesUp, kSortValuesDown}) o.act(sort);
  EXPECT_EQ(o.integer(kSize), 0);
  o.act(kAppendString, std::string("only"));
  for (const int sort : {kSortStringsUp, kSortStringsDown, kSortValuesUp, kSortValuesDown}) o.act(sort);
  EXPECT_EQ(all(o), "only");
}

TEST(Sort, StringsFollowTheCaseFlag) {
  Instance o;
  appendStrings(o, {"pear", "Apple", "banana"});
  o.act(kSortStringsUp);
  EXPECT_EQ(all(o), "Apple|banana|pear");
  o.act(kSortStringsDown);
  EXPECT_EQ(all(o), "pear|banana|Apple");

  TesselSetup setup = makeSetup();
  setup.caseSensitive = 5;  // any non-zero flag selects case-sensitive comparisons
  Instance sensitive(setup);
  appendStrings(sensitive, {"b", "a", "B"});
  sensitive.act(kSortStringsUp);
  EXPECT_EQ(all(sensitive), "B|a|b");
}

TEST(Sort, UnderscoreSortsBetweenTheCasesOnlyWhenCaseSensitive) {
  Instance o;
  appendStrings(o, {"a", "_", "B"});
  o.act(kSortStringsUp);
  EXPECT_EQ(all(o), "_|a|B");
  o.act(kCaseSensitive);
  o.act(kSortStringsUp);
  EXPECT_EQ(all(o), "B|_|a");
}

TEST(Sort, StringsAndValuesOrderDifferently) {
  Instance o;
  o.act(kAppendValue, 9);
  o.act(kAppendValue, 10);
  o.act(kSortStringsUp);
  EXPECT_EQ(all(o), "10|9");
  o.act(kSortValuesUp);
  EXPECT_EQ(all(o), "9|10");

  Instance mixed;
  mixed.act(kAppendValue, 10);
  mixed.act(kAppendString, std::string("9"));
  mixed.act(kAppendValue, 0);  // empty, value 0
  mixed.act(kSortValuesUp);
  EXPECT_EQ(all(mixed), "_|9|10");
  EXPECT_EQ(mixed.integer(kGetValue, 1), 9);

  Instance down;
  for (const int v : {1, 3, 2}) down.act(kAppendValue, v);
  down.act(kSortValuesDown);
  EXPECT_EQ(all(down), "3|2|1");
}

TEST(Sort, KeysStayWithTheirElements) {
  Instance o;
  appendStrings(o, {"c", "a", "b"});
  o.act(kSetKeyValue, 3, 0);
  o.act(kSetKeyString, std::string("ka"), 1);
  o.act(kSortStringsUp);
  EXPECT_EQ(all(o), "a|b|c");
  EXPECT_EQ(keys(o), "ka|-|3");
}

// Equal keys end where the partitioning puts them; the orders below follow
// the steps by hand (i advances past cells ordered before the pivot, j moves
// down past cells ordered after it, then the two are exchanged).
TEST(Sort, EqualStringsEndWhereThePartitioningPutsThem) {
  // b A B a, case-insensitive ascending. Range 0..3, pivot cell 1 "A":
  //   i stops at 0 (b), j at 3 (a): exchange -> a A B b, i 1, j 2;
  //   i stops at 1 (A), j passes B and stops at 1: exchange 1 with 1, i 2, j 0: done.
  //   Range 0..0 is sorted; range 2..3, pivot cell 2 "B": i 2, j 3, exchange -> a A b B.
  Instance up;
  appendStrings(up, {"b", "A", "B", "a"});
  up.act(kSortStringsUp);
  EXPECT_EQ(all(up), "a|A|b|B");  // a stable sort would give A a b B

  // a B A b, descending. Range 0..3, pivot cell 1 "B":
  //   i stops at 0 (a is not after B), j at 3 (b): exchange -> b B A a, i 1, j 2;
  //   i stops at 1 (B), j passes A and stops at 1: exchange 1 with 1, i 2, j 0: done.
  //   Range 2..3, pivot cell 2 "A": i 2, j 3, exchange -> b B a A.
  Instance down;
  appendStrings(down, {"a", "B", "A", "b"});
  down.act(kSortStringsDown);
  EXPECT_EQ(all(down), "b|B|a|A");
}

TEST(Sort, PivotIsTheCellNotItsSlot) {
  // Values 0 1 0 0, told apart by their texts 0a 1b 0c 0d. Range 0..3, pivot cell 1 "1b":
  //   i passes 0a and stops at 1 (1b), j stops at 3 (0d): exchange -> 0a 0d 0c 1b, i 2, j 2;
  //   the pivot 1b now sits in slot 3: i passes 0c and stops at 3, j stops at 2: done.
  //   (Comparing with slot 1, now 0d, would stop i at 2 and end differently.)
  //   Range 0..2, pivot cell 1 "0d": i 0, j 2, exchange -> 0c 0d 0a, i 1, j 1;
  //   i and j stop at 1: exchange 1 with 1, i 2, j 0. Ranges 0..0 and 2..2 are sorted.
  Instance o;
  appendStrings(o, {"0a", "1b", "0c", "0d"});
  o.act(kSortValuesUp);
  EXPECT_EQ(all(o), "0c|0d|0a|1b");
}

TEST(Sort, LongRunsOfEqualCellsAndOrderedInputs) {
  Instance o;
  for (int i = 0; i < 3000; ++i) o.act(kAppendValue, (i * 7919) % 5);
  o.act(kSortValuesDown);
  for (int i = 1; i < 3000; ++i) ASSERT_GE(o.integer(kGetValue, i - 1), o.integer(kGetValue, i)) << i;
  o.act(kSortValuesUp);
  for (int i = 1; i < 3000; ++i) ASSERT_LE(o.integer(kGetValue, i - 1), o.integer(kGetValue, i)) << i;
  EXPECT_EQ(o.integer(kSum), 6000);  // 600 each of 0 to 4
}

TEST(Totals, EmptyArrayGivesZero) {
  Instance o;
  for (const int total : {kMaximum, kMinimum, kSum, kAverage}) EXPECT_EQ(o.integer(total), 0) << total;
}

TEST(Totals, EmptyCellsAndStringsCountByTheirValues) {
  Instance o;
  o.act(kAppendValue, -5);
  o.act(kAppendValue, 0);
  EXPECT_EQ(o.integer(kMaximum), 0);
  EXPECT_EQ(o.integer(kMinimum), -5);
  Instance p;
  p.act(kAppendValue, 4);
  p.act(kAppendString, std::string("7x"));
  EXPECT_EQ(p.integer(kMinimum), 4);
  EXPECT_EQ(p.integer(kMaximum), 7);
  EXPECT_EQ(p.integer(kSum), 11);
}

TEST(Totals, AverageTruncatesTowardZeroAndSumWraps) {
  Instance o;
  o.act(kAppendValue, 1);
  o.act(kAppendValue, 2);
  EXPECT_EQ(o.integer(kAverage), 1);
  Instance n;
  n.act(kAppendValue, -3);
  n.act(kAppendValue, 0);
  EXPECT_EQ(n.integer(kAverage), -1);
  Instance w;
  w.act(kAppendValue, INT_MAX);
  w.act(kAppendValue, 1);
  EXPECT_EQ(w.integer(kSum), INT_MIN);
  EXPECT_EQ(w.integer(kAverage), INT_MIN / 2);  // the wrapped sum, halved
  EXPECT_EQ(w.integer(kMaximum), INT_MAX);
}

}  // namespace
}  // namespace tessel::testing
