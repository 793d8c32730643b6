// Element operations, the growth rule, settings, dimensions, index transforms
// and resizing, reached through the routine tables.
#include <climits>
#include <string>
#include <vector>

#include "tests/e2e/core_e2e.h"

namespace tessel::testing {
namespace {

using namespace core;

// Each growth comes as soon as the count passes half the capacity.
TEST(Elements, CapacityGrowsAndShrinksByTheRule) {
  Instance o;
  EXPECT_EQ(o.text(kGetString, 0), std::nullopt);
  std::vector<int32_t> grown{o.integer(kCapacity)}, shrunk;
  for (int32_t i = 1; i <= 300; ++i) {
    o.act(kAppendValue, i);
    if (o.integer(kCapacity) == grown.back()) continue;
    EXPECT_EQ(i, grown.back() / 2 + 1);
    grown.push_back(o.integer(kCapacity));
  }
  EXPECT_EQ(grown, (std::vector<int32_t>{25, 37, 55, 82, 123, 184, 276, 414, 621}));
  o.act(kDeleteAll);
  o.act(kSetValue, 1, 310);  // one step to the first capacity past 311
  for (shrunk.push_back(o.integer(kCapacity)); o.integer(kSize) > 0;) {
    o.act(kDeleteAt, 0);
    if (o.integer(kCapacity) != shrunk.back()) shrunk.push_back(o.integer(kCapacity));
  }
  EXPECT_EQ(shrunk, (std::vector<int32_t>{931, 698, 523, 392, 294, 220, 165, 123, 92}));
  o.act(kDeleteAll);
  EXPECT_EQ(o.integer(kCapacity), 25);
}

TEST(Elements, IndexesPastTheEndOutsideOrUnrepresentable) {
  Instance o(makeSetup(2, 4));
  appendStrings(o, {"A", "B"});
  o.act(kSetKeyString, std::string("ka"), 0);
  o.act(kInsertString, std::string("X"), 0);
  o.act(kInsertValue, 7, 5);  // past the end: like set
  EXPECT_EQ(all(o), "X|A|B|_|_|7");
  EXPECT_EQ(keys(o), "-|ka|-|-|-|-");
  o.act(kDeleteAt, 0);
  o.act(kDeleteAt, 5);  // outside: nothing
  o.act(kSetString, std::string("A2"), 0);
  o.act(kSetString, std::string("x"), 12);
  for (const int32_t i : {-1, INT_MAX, INT_MAX - 1, 1 << 30}) {
    o.act(kSetString, std::string("y"), i);
    o.act(kSetValue, 1, i);
    o.act(kInsertString, std::string("y"), i);
    o.act(kDeleteAt, i);
    EXPECT_EQ(all(o), "A2|B|_|_|7|_|_|_|_|_|_|_|x") << i;
    EXPECT_EQ(keys(o), "ka|-|-|-|-|-|-|-|-|-|-|-|-") << i;
    EXPECT_EQ(o.integer(kCapacity), 37) << i;
  }
  o.act(kDeleteAll);
  EXPECT_EQ(o.integer(kDimensionCount), 2);  // the layout stays
  EXPECT_EQ(o.integer(kBoundaryX), 4);
}

TEST(Elements, ValuesStringsAndNullTexts) {
  Instance o;
  for (const int32_t v : {42, 0, INT_MIN}) o.act(kAppendValue, v);  // 0 stores an empty cell
  appendStrings(o, {"12abc", "4294967297"});
  o.act(kAppendString);         // a null string from a faulty host: an empty cell
  o.act(kSetKeyString, {}, 0);  // a null key: an empty key
  EXPECT_EQ(all(o), "42|_|-2147483648|12abc|4294967297|_");
  EXPECT_EQ(keys(o), "|-|-|-|-|-");
  EXPECT_EQ(results(o, kGetValue, {2, 3, 4, 5}), "-2147483648 12 1 0");  // atol, wrapped at 32 bits

  o.act(kSetDelimiter);  // a null delimiter: ignored
  EXPECT_EQ(o.text(kDelimiter), ",");
}

TEST(Elements, RowFlagsFollowCompleteRowsWhenAutoSelecting) {
  TesselSetup setup = makeSetup(2, 3);
  setup.autoSelect = 1;  // numberOfRows( counts the selected rows
  Instance on(setup);
  Instance off(makeSetup(2, 3));
  on.act(kSetValue, 1, 8);  // three rows of three
  off.act(kSetValue, 1, 8);
  EXPECT_EQ(off.integer(kNumberOfRows), 0);
  EXPECT_EQ(on.integer(kNumberOfRows), 3);
  on.act(kDeleteAt, 0);  // eight cells: two complete rows
  EXPECT_EQ(on.integer(kNumberOfRows), 2);
  on.act(kDeleteAll);
  EXPECT_EQ(on.integer(kNumberOfRows), 0);
}

TEST(Dimensions, CoordinatesAndIndexes) {
  Instance o;
  // X is the open dimension of a list, and a list has no X boundary.
  EXPECT_EQ(results(o, kXOfIndex, {7}) + results(o, kYOfIndex, {7}), "70");
  o.act(kSetBoundary, 1, 4);
  o.act(kUse2D);
  EXPECT_EQ(o.integer(kBoundaryX), 0);
  o.act(kSetBoundary, 1, 4);
  o.act(kSetBoundary, 1, -3);
  // -5 truncates toward zero; dimension 3 lies beyond the count.
  EXPECT_EQ(results(o, kXOfIndex, {9, -5}), "1 -1");
  EXPECT_EQ(results(o, kYOfIndex, {9}), "2");
  EXPECT_EQ(o.integer(kCoordinate, 3, 9), 0);
  EXPECT_EQ(o.integer(kIndexOfXY, 1, 2), 9);
  Instance d3(makeSetup(3, 4, 3));
  EXPECT_EQ(results(d3, kCoordinate, {1, 2, 3}, 29), "1 1 2");
  // Split as strtok does: runs of separators count once, none at either end makes a field.
  EXPECT_EQ(results(d3, kIndexOfDimensionIndex, {"1,1,2", ",,1,,, +1x,2,", ",,,"}), "29 29 0");
}

TEST(Dimensions, DimensionIndexTextFollowsTheDelimiterButXYDoesNot) {
  Instance o(makeSetup(2, 10));
  o.act(kSetDelimiter, std::string(";"));
  EXPECT_EQ(results(o, kIndexOfDimensionIndex, {"2;3", "2,3"}), "32 2");
  EXPECT_EQ(o.integer(kIndexOfXY, 2, 3), 32);
  o.act(kSetDelimiter, std::string(":/"));  // every character separates
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("2/:3")), 32);
}

TEST(Dimensions, ProductsAndDivisionsWrapAt32Bits) {
  Instance o(makeSetup(3, 65536, 65536));  // X * Y wraps to 0: no divisor for Z
  EXPECT_EQ(o.integer(kIndexOfXY, 0, 32768), INT_MIN);
  EXPECT_EQ(o.integer(kZOfIndex, 5), 0);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("1,1,7")), 65537);
  Instance m(makeSetup(3, 65535, 65537));  // X * Y = 2^32 - 1 wraps to -1
  EXPECT_EQ(results(m, kZOfIndex, {INT_MIN, 5}), "-2147483648 -5");
}

TEST(Resize, GridsPadOrCutEveryCompleteRow) {
  Instance o(makeSetup(2, 3));
  appendStrings(o, {"A", "B", "C", "D", "E", "F", "G", "H", "I"});
  o.act(kSetKeyString, std::string("kb"), 1);
  o.act(kResize, 1, 5);
  EXPECT_EQ(all(o), "A|B|C|_|_|D|E|F|_|_|G|H|I|_|_");
  o.act(kResize, 1, 3);
  EXPECT_EQ(all(o), "A|B|C|D|E|F|G|H|I");
  o.act(kResize, 1, 2);
  EXPECT_EQ(all(o), "A|B|D|E|G|H");
  EXPECT_EQ(keys(o), "-|kb|-|-|-|-");
  o.act(kSetBoundary, 1, 4);  // without resize the cells stay and read anew
  EXPECT_EQ(all(o), "A|B|D|E|G|H");
  EXPECT_EQ(results(o, kYOfIndex, {4}), "1");

  Instance partial(makeSetup(2, 3));
  appendStrings(partial, {"A", "B", "C", "D", "E"});
  partial.act(kResize, 1, 4);  // the partial row gets no padding
  EXPECT_EQ(all(partial), "A|B|C|_|D|E");
  partial.act(kResize, 1, 1);  // but loses its surplus
  EXPECT_EQ(all(partial), "A|D");

  Instance pages(makeSetup(3, 2, 2));
  for (int v = 1; v <= 10; ++v) pages.act(kAppendValue, v);  // pages 1 2/3 4, 5 6/7 8, partial 9 10
  pages.act(kResize, 2, 3);
  EXPECT_EQ(all(pages), "1|2|3|4|_|_|5|6|7|8|_|_|9|10");
  EXPECT_EQ(results(pages, kZOfIndex, {12}), "2");
  pages.act(kResize, 2, 1);
  EXPECT_EQ(all(pages), "1|2|5|6|9|10");
  pages.act(kResize, 1, 3);  // the last row is complete, so it is padded too
  EXPECT_EQ(all(pages), "1|2|_|5|6|_|9|10|_");
}

TEST(Resize, IgnoredOpenOrTooLarge) {
  Instance o(makeSetup(2, 2));
  appendStrings(o, {"A", "B", "C"});
  for (const auto& [d, b] : {std::pair{0, 5}, {1, 0}, {1, -2}, {2, 4}, {-1, 4}}) o.act(kResize, d, b);
  EXPECT_EQ(all(o), "A|B|C");
  EXPECT_EQ(results(o, kBoundary, {0, 1}), "-1 2");  // dimension 0: nothing stored

  Instance open(makeSetup(2, 0));  // X never set: no rows to pad, the boundary alone is set
  appendStrings(open, {"A", "B", "C"});
  open.act(kResize, 1, 2);
  EXPECT_EQ(all(open), "A|B|C");
  EXPECT_EQ(results(open, kBoundary, {1}), "2");

  for (const int cells : {6, 2}) {  // six cells: the count passes 32 bits; two: the capacity does
    Instance big(makeSetup(2, cells == 6 ? 2 : 1));
    for (int v = 1; v <= cells; ++v) big.act(kAppendValue, v);
    const std::string before = all(big) + " " + results(big, kBoundary, {1});
    big.act(kResize, 1, 1000000000);
    EXPECT_EQ(all(big) + " " + results(big, kBoundary, {1}), before);
    EXPECT_EQ(big.integer(kCapacity), 25);
  }
}

}  // namespace
}  // namespace tessel::testing
