// Dimensions, index transforms and resizing, reached through the routine tables.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/e2e/core_e2e.h"

namespace tessel::testing {
namespace {

using namespace core;

TEST(Dimensions, CoordinatesInOneTwoAndThreeDimensions) {
  Instance o;
  EXPECT_EQ(o.integer(kXOfIndex, 7), 7);  // X is the open dimension of a list
  EXPECT_EQ(o.integer(kYOfIndex, 7), 0);
  o.act(kSetBoundary, 1, 4);  // no X in 1D
  o.act(kUse2D);
  EXPECT_EQ(o.integer(kBoundaryX), 0);
  o.act(kSetBoundary, 1, 4);
  o.act(kSetBoundary, 1, -3);
  EXPECT_EQ(o.integer(kXOfIndex, 9), 1);
  EXPECT_EQ(o.integer(kYOfIndex, 9), 2);
  EXPECT_EQ(o.integer(kCoordinate, 3, 9), 0);  // beyond the dimension count
  EXPECT_EQ(o.integer(kXOfIndex, -5), -1);     // truncation toward zero
  EXPECT_EQ(o.integer(kIndexOfXY, 1, 2), 9);

  Instance d3(makeSetup(3, 4, 3));
  EXPECT_EQ(d3.integer(kCoordinate, 1, 29), 1);
  EXPECT_EQ(d3.integer(kYOfIndex, 29), 1);
  EXPECT_EQ(d3.integer(kZOfIndex, 29), 2);
  EXPECT_EQ(d3.integer(kIndexOfDimensionIndex, std::string("1,1,2")), 29);
  // Split as strtok does: runs of separators count once, none at either end makes a field.
  EXPECT_EQ(d3.integer(kIndexOfDimensionIndex, std::string(",,1,,, +1x,2,")), 29);
  EXPECT_EQ(d3.integer(kIndexOfDimensionIndex, std::string(",,,")), 0);
}

TEST(Dimensions, DimensionIndexTextFollowsTheDelimiterButXYDoesNot) {
  Instance o(makeSetup(2, 10));
  o.act(kSetDelimiter, std::string(";"));
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("2;3")), 32);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("2,3")), 2);
  EXPECT_EQ(o.integer(kIndexOfXY, 2, 3), 32);
  o.act(kSetDelimiter, std::string("0"));  // a field ends at the delimiter, even a digit
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("2003")), 32);
  o.act(kSetDelimiter, std::string(":/"));  // every character separates
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("2/:3")), 32);
}

TEST(Dimensions, ProductsAndDivisionsWrapAt32Bits) {
  Instance o(makeSetup(3, 65536, 65536));
  EXPECT_EQ(o.integer(kIndexOfXY, 0, 32768), INT_MIN);
  EXPECT_EQ(o.integer(kZOfIndex, 5), 0);  // X * Y wraps to 0: no divisor
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("1,1,7")), 65537);
  Instance m(makeSetup(3, 65535, 65537));  // X * Y = 2^32 - 1 wraps to -1
  EXPECT_EQ(m.integer(kZOfIndex, INT_MIN), INT_MIN);
  EXPECT_EQ(m.integer(kZOfIndex, 5), -5);
}

TEST(Resize, GridsPadOrCutEveryCompleteRow) {
  Instance o(makeSetup(2, 3));
  appendStrings(o, {"A", "B", "C", "D", "E", "F", "G", "H", "I"});
  o.act(kSetKeyString, std::string("kb"), 1);
  o.act(kResize, 1, 5);
  EXPECT_EQ(all(o), "A|B|C|_|_|D|E|F|_|_|G|H|I|_|_");
  EXPECT_EQ(o.integer(kBoundaryX), 5);
  o.act(kResize, 1, 3);
  EXPECT_EQ(all(o), "A|B|C|D|E|F|G|H|I");
  o.act(kResize, 1, 2);
  EXPECT_EQ(all(o), "A|B|D|E|G|H");
  EXPECT_EQ(keys(o), "-|kb|-|-|-|-");
  o.act(kSetBoundary, 1, 4);  // without resize the cells stay and read anew
  EXPECT_EQ(all(o), "A|B|D|E|G|H");
  EXPECT_EQ(o.integer(kYOfIndex, 4), 1);

  Instance partial(makeSetup(2, 3));
  appendStrings(partial, {"A", "B", "C", "D", "E"});
  partial.act(kResize, 1, 4);  // the partial row gets no padding
  EXPECT_EQ(all(partial), "A|B|C|_|D|E");
  partial.act(kResize, 1, 1);  // but loses its surplus
  EXPECT_EQ(all(partial), "A|D");
}

TEST(Resize, RowsOfEveryPageInThreeDimensions) {
  Instance o(makeSetup(3, 2, 2));
  for (int v = 1; v <= 10; ++v) o.act(kAppendValue, v);  // pages 1 2/3 4, 5 6/7 8, partial 9 10
  o.act(kResize, 2, 3);
  EXPECT_EQ(all(o), "1|2|3|4|_|_|5|6|7|8|_|_|9|10");
  EXPECT_EQ(o.integer(kZOfIndex, 12), 2);
  o.act(kResize, 2, 1);
  EXPECT_EQ(all(o), "1|2|5|6|9|10");
  o.act(kResize, 1, 3);  // the last row is complete, so it is padded too
  EXPECT_EQ(all(o), "1|2|_|5|6|_|9|10|_");
}

TEST(Resize, IgnoredRequestsAndOpenBoundaries) {
  Instance o(makeSetup(2, 2));
  appendStrings(o, {"A", "B", "C"});
  for (const auto& [d, b] : {std::pair{0, 5}, {1, 0}, {1, -2}, {2, 4}, {-1, 4}}) o.act(kResize, d, b);
  EXPECT_EQ(all(o), "A|B|C");
  EXPECT_EQ(o.integer(kBoundary, 0), -1);  // dimension 0 is not a dimension: nothing stored
  EXPECT_EQ(o.integer(kBoundaryX), 2);

  Instance open(makeSetup(2, 0));  // X never set: no rows to pad, the boundary alone is set
  appendStrings(open, {"A", "B", "C"});
  open.act(kResize, 1, 2);
  EXPECT_EQ(open.integer(kBoundaryX), 2);
  EXPECT_EQ(all(open), "A|B|C");
}

TEST(Resize, LayoutTooLargeChangesNothing) {
  for (const int cells : {6, 2}) {  // six cells: the count passes 32 bits; two: the capacity does
    Instance o(makeSetup(2, cells == 6 ? 2 : 1));
    for (int v = 1; v <= cells; ++v) o.act(kAppendValue, v);
    const std::string before = all(o);
    o.act(kResize, 1, 1000000000);
    EXPECT_EQ(all(o), before) << cells;
    EXPECT_EQ(o.integer(kCapacity), 25) << cells;
    EXPECT_EQ(o.integer(kBoundaryX), cells == 6 ? 2 : 1) << cells;
  }
}

TEST(Resize, RowFlagsFollowTheNewRowsOnce) {
  TesselSetup setup = makeSetup(2, 3);
  setup.autoSelect = 1;  // every new row is selected, so numberOfRows( counts the flags
  Instance o(setup);
  appendStrings(o, {"A", "B", "C", "D", "E", "F", "G", "H", "I"});
  o.act(kResize, 1, 5);  // padding under the old boundary would count 15 / 3 = 5 rows
  EXPECT_EQ(o.integer(kNumberOfRows), 3);
  o.act(kResize, 1, 2);  // cutting under the old boundary would leave 6 / 5 = 1 row
  EXPECT_EQ(o.integer(kNumberOfRows), 3);
}

}  // namespace
}  // namespace tessel::testing
