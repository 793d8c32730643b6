// Sorting the whole array and its totals, reached through the routine tables.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/e2e/core_e2e.h"

namespace tessel::testing {
namespace {

using namespace core;

std::string sorted(std::initializer_list<const char*> texts, int sort, int32_t caseSensitive = 0) {
  TesselSetup setup = makeSetup();
  setup.caseSensitive = caseSensitive;
  Instance o(setup);
  appendStrings(o, texts);
  o.act(sort);
  return all(o);
}

TEST(Sort, StringsAndValues) {
  EXPECT_EQ(sorted({}, kSortStringsUp), "");
  EXPECT_EQ(sorted({"one"}, kSortValuesDown), "one");
  EXPECT_EQ(sorted({"pear", "Apple", "banana"}, kSortStringsUp), "Apple|banana|pear");
  EXPECT_EQ(sorted({"pear", "Apple", "banana"}, kSortStringsDown), "pear|banana|Apple");
  EXPECT_EQ(sorted({"b", "a", "B"}, kSortStringsUp, 5), "B|a|b");  // any non-zero setup flag: case-sensitive
  EXPECT_EQ(sorted({"a", "_", "B"}, kSortStringsUp), "_|a|B");
  EXPECT_EQ(sorted({"a", "_", "B"}, kSortStringsUp, 1), "B|_|a");
  EXPECT_EQ(sorted({"1", "3", "2"}, kSortValuesDown), "3|2|1");

  Instance o;
  o.act(kAppendValue, 10);
  o.act(kAppendValue, 9);
  o.act(kSortStringsUp);  // values by their decimal text
  EXPECT_EQ(all(o), "10|9");
  o.act(kAppendString, std::string("8"));
  o.act(kAppendValue, 0);  // empty, value 0
  o.act(kSortValuesUp);
  EXPECT_EQ(all(o), "_|8|9|10");
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

// Equal cells end where the partitioning puts them. The orders below follow
// the steps by hand: i advances past cells ordered before the pivot, j moves
// down past cells ordered after it, then the two are exchanged.
TEST(Sort, EqualCellsEndWhereThePartitioningPutsThem) {
  // b A B a ascending. Range 0..3, pivot cell 1 "A": i stops at 0 (b), j at 3 (a):
  // exchange -> a A B b, i 1, j 2; i stops at 1, j passes B to 1: exchange 1 with 1,
  // i 2, j 0. Range 2..3, pivot cell 2 "B": i 2, j 3, exchange -> a A b B.
  EXPECT_EQ(sorted({"b", "A", "B", "a"}, kSortStringsUp), "a|A|b|B");  // stable would give A a b B
  // a B A b descending, the same steps mirrored: b B A a, then b B a A.
  EXPECT_EQ(sorted({"a", "B", "A", "b"}, kSortStringsDown), "b|B|a|A");
  // Values 0 1 0 0, told apart by their texts. Range 0..3, pivot cell 1 "1b": i passes
  // 0a to 1, j stops at 3 (0d): exchange -> 0a 0d 0c 1b, i 2, j 2. The pivot now sits
  // in slot 3: i passes 0c to 3, j stops at 2, done (comparing with slot 1, now 0d,
  // would stop i at 2). Range 0..2, pivot cell 1 "0d": i 0, j 2, exchange -> 0c 0d 0a,
  // i 1, j 1; exchange 1 with 1: done.
  EXPECT_EQ(sorted({"0a", "1b", "0c", "0d"}, kSortValuesUp), "0c|0d|0a|1b");
}

TEST(Totals, MaximumMinimumSumAverage) {
  Instance empty;
  for (const int total : {kMaximum, kMinimum, kSum, kAverage}) EXPECT_EQ(empty.integer(total), 0) << total;
  Instance o;
  o.act(kAppendValue, -5);
  o.act(kAppendValue, 0);  // empty, counts as 0
  EXPECT_EQ(o.integer(kMaximum), 0);
  EXPECT_EQ(o.integer(kAverage), -2);  // truncated toward zero
  o.act(kSetString, std::string("7x"), 1);
  EXPECT_EQ(o.integer(kMaximum), 7);
  EXPECT_EQ(o.integer(kMinimum), -5);
  EXPECT_EQ(o.integer(kAverage), 1);
  Instance w;
  w.act(kAppendValue, INT_MAX);
  w.act(kAppendValue, 1);
  EXPECT_EQ(w.integer(kSum), INT_MIN);
  EXPECT_EQ(w.integer(kAverage), INT_MIN / 2);  // the wrapped sum, halved
}

}  // namespace
}  // namespace tessel::testing
