// Dimensions, index transforms and resizing, reached through the routine tables.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/e2e/core_e2e.h"

namespace tessel::testing {
namespace {

using namespace core;

TEST(Dimensions, OneDimensionalIndexIsItsOwnX) {
  Instance o;
  EXPECT_EQ(o.integer(kDimensionCount), 1);
  EXPECT_EQ(o.integer(kBoundary, 0), -1);  // entry 0 as stored
  EXPECT_EQ(o.integer(kBoundaryX), 0);
  EXPECT_EQ(o.integer(kXOfIndex, 7), 7);
  EXPECT_EQ(o.integer(kYOfIndex, 7), 0);
  o.act(kSetBoundary, 1, 4);  // X does not exist in 1D
  EXPECT_EQ(o.integer(kBoundary, 1), 0);
  o.act(kSetDimensions, 10);
  EXPECT_EQ(o.integer(kDimensionCount), 1);
  o.act(kSetDimensions, 0);
  EXPECT_EQ(o.integer(kDimensionCount), 0);
  EXPECT_EQ(o.integer(kXOfIndex, 7), 0);  // no dimension 1 any more
}

TEST(Dimensions, TwoDimensionalCoordinates) {
  Instance o;
  o.act(kUse2D);
  o.act(kSetBoundary, 1, 4);
  EXPECT_EQ(o.integer(kBoundaryY), 0);  // Y is open
  EXPECT_EQ(o.integer(kXOfIndex, 9), 1);
  EXPECT_EQ(o.integer(kYOfIndex, 9), 2);
  EXPECT_EQ(o.integer(kCoordinate, 2, 9), 2);
  EXPECT_EQ(o.integer(kCoordinate, 3, 9), 0);  // beyond the dimension count
  EXPECT_EQ(o.integer(kXOfIndex, -5), -1);     // truncation toward zero
  EXPECT_EQ(o.integer(kIndexOfXY, 1, 2), 9);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("1,2")), 9);
  o.act(kSetBoundary, 1, 0);
  o.act(kSetBoundary, 1, -3);
  EXPECT_EQ(o.integer(kBoundaryX), 4);
}

TEST(Dimensions, ThreeDimensionalCoordinatesAndTheirText) {
  Instance o(makeSetup(3, 4, 3));
  EXPECT_EQ(o.integer(kXOfIndex, 29), 1);
  EXPECT_EQ(o.integer(kYOfIndex, 29), 1);
  EXPECT_EQ(o.integer(kZOfIndex, 29), 2);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("1,1,2")), 29);
  // strtok splitting: runs of separators count once, none at either end makes a field.
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string(",,1,,,1,2,")), 29);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string(" 1x, +1,2")), 29);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("")), 0);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string(",,,")), 0);
  EXPECT_EQ(o.integer(kBoundaryZ), 0);
}

TEST(Dimensions, DimensionIndexTextFollowsTheDelimiterButXYDoesNot) {
  Instance o(makeSetup(2, 10));
  o.act(kSetDelimiter, std::string(";"));
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("2;3")), 32);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("2,3")), 2);  // one field, read up to the comma
  EXPECT_EQ(o.integer(kIndexOfXY, 2, 3), 32);
  // A field ends at the delimiter even when the delimiter is a digit.
  o.act(kSetDelimiter, std::string("0"));
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("203")), 32);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("2003")), 32);
  // Every character of the delimiter separates.
  o.act(kSetDelimiter, std::string(":/"));
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("2/:3")), 32);
}

TEST(Dimensions, ProductsAndIndexesWrapAt32Bits) {
  Instance o(makeSetup(3, 65536, 65536));
  EXPECT_EQ(o.integer(kIndexOfXY, 0, 32768), INT_MIN);
  EXPECT_EQ(o.integer(kIndexOfXY, 0, 65536), 0);
  // X times Y wraps to 0: Z has no divisor and reads 0, and a Z field weighs nothing.
  EXPECT_EQ(o.integer(kZOfIndex, 5), 0);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("1,1,7")), 65537);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("0,32768")), INT_MIN);
}

TEST(Dimensions, DivisionByAWrappedMinusOneWraps) {
  // 65535 x 65537 = 2^32 - 1, which wraps to -1 as the divisor of Z.
  Instance o(makeSetup(3, 65535, 65537));
  EXPECT_EQ(o.integer(kZOfIndex, INT_MIN), INT_MIN);
  EXPECT_EQ(o.integer(kZOfIndex, 5), -5);
  EXPECT_EQ(o.integer(kIndexOfDimensionIndex, std::string("5,0,1")), 4);
}

TEST(Resize, GrowAndShrinkColumnsOfAGrid) {
  Instance o(makeSetup(2, 3));
  appendStrings(o, {"A", "B", "C", "D", "E", "F", "G", "H", "I"});
  o.act(kResize, 1, 5);
  EXPECT_EQ(all(o), "A|B|C|_|_|D|E|F|_|_|G|H|I|_|_");
  EXPECT_EQ(o.integer(kBoundaryX), 5);
  o.act(kResize, 1, 3);
  EXPECT_EQ(all(o), "A|B|C|D|E|F|G|H|I");
  o.act(kResize, 1, 2);
  EXPECT_EQ(all(o), "A|B|D|E|G|H");
  EXPECT_EQ(o.integer(kBoundaryX), 2);
}

TEST(Resize, PartialRowGetsNoPaddingButLosesSurplus) {
  Instance o(makeSetup(2, 3));
  appendStrings(o, {"A", "B", "C", "D", "E"});
  o.act(kResize, 1, 4);
  EXPECT_EQ(all(o), "A|B|C|_|D|E");
  o.act(kResize, 1, 1);
  EXPECT_EQ(all(o), "A|D");
}

TEST(Resize, KeysTravelWithTheirCellsAndDroppedCellsTakeTheirKeys) {
  Instance o(makeSetup(2, 2));
  appendStrings(o, {"A", "B", "C", "D"});
  o.act(kSetKeyString, std::string("kb"), 1);
  o.act(kSetKeyString, std::string("kc"), 2);
  o.act(kResize, 1, 3);
  EXPECT_EQ(keys(o), "-|kb|-|kc|-|-");
  o.act(kResize, 1, 1);
  EXPECT_EQ(all(o), "A|C");
  EXPECT_EQ(keys(o), "-|kc");
}

TEST(Resize, WithoutResizeCellsStayAndReadAnew) {
  Instance o(makeSetup(2, 3));
  appendStrings(o, {"A", "B", "C", "D", "E", "F"});
  o.act(kSetBoundary, 1, 2);
  EXPECT_EQ(all(o), "A|B|C|D|E|F");
  EXPECT_EQ(o.integer(kXOfIndex, 2), 0);  // C now starts the second row
  EXPECT_EQ(o.integer(kYOfIndex, 2), 1);
}

TEST(Resize, RowsOfEveryPageInThreeDimensions) {
  Instance o(makeSetup(3, 2, 2));
  for (int v = 1; v <= 10; ++v) o.act(kAppendValue, v);  // pages 1 2/3 4, 5 6/7 8, and a partial 9 10
  o.act(kResize, 2, 3);
  EXPECT_EQ(all(o), "1|2|3|4|_|_|5|6|7|8|_|_|9|10");
  EXPECT_EQ(o.integer(kZOfIndex, 12), 2);
  EXPECT_EQ(o.integer(kYOfIndex, 12), 0);
  o.act(kResize, 2, 1);
  EXPECT_EQ(all(o), "1|2|5|6|9|10");
  o.act(kResize, 1, 3);  // the last row is complete, so it is padded too
  EXPECT_EQ(all(o), "1|2|_|5|6|_|9|10|_");
}

TEST(Resize, IgnoredRequestsChangeNothing) {
  Instance o(makeSetup(2, 2));
  appendStrings(o, {"A", "B", "C"});
  o.act(kResize, 0, 5);  // entry 0 belongs to no dimension
  o.act(kResize, 1, 0);
  o.act(kResize, 1, -2);
  o.act(kResize, 2, 4);  // not below the dimension count
  o.act(kResize, -1, 4);
  EXPECT_EQ(all(o), "A|B|C");
  EXPECT_EQ(o.integer(kBoundary, 0), -1);
  EXPECT_EQ(o.integer(kBoundaryX), 2);
}

TEST(Resize, AnOpenBoundaryIsSetWithoutMovingCells) {
  Instance o(makeSetup(2, 0));  // X never set: the cells have no rows to pad
  appendStrings(o, {"A", "B", "C"});
  o.act(kResize, 1, 2);
  EXPECT_EQ(o.integer(kBoundaryX), 2);
  EXPECT_EQ(all(o), "A|B|C");
}

TEST(Resize, LayoutTooLargeChangesNothing) {
  for (const int cells : {6, 2}) {  // six cells: the count passes 32 bits; two: the capacity does
    SCOPED_TRACE(cells);
    Instance o(makeSetup(2, cells == 6 ? 2 : 1));
    for (int v = 1; v <= cells; ++v) o.act(kAppendValue, v);
    const std::string before = all(o);
    const int32_t capacity = o.integer(kCapacity);
    o.act(kResize, 1, 1000000000);
    EXPECT_EQ(all(o), before);
    EXPECT_EQ(o.integer(kCapacity), capacity);
    EXPECT_EQ(o.integer(kBoundaryX), cells == 6 ? 2 : 1);
  }
}

// The same change made one cell at a time: empty cells inserted after every
// complete row front to back, or the surplus of every row deleted.
void resizeCellByCell(Instance& o, int32_t from, int32_t to) {
  const int32_t n = o.integer(kSize);
  for (int32_t row = 0; row * from < n; ++row) {
    const int32_t inRow = std::min(from, n - row * from);
    if (to > from && inRow == from) {
      for (int32_t k = 0; k < to - from; ++k) o.act(kInsertValue, 0, row * to + from);
    }
    for (int32_t k = to; k < inRow; ++k) o.act(kDeleteAt, row * to + to);
  }
  o.act(kSetBoundary, 1, to);
}

TEST(Resize, CapacityIsWhatSingleInsertsAndDeletesWouldLeave) {
  for (const int32_t from : {1, 3}) {
    for (const int32_t cells : {8, 24, 27, 90, 91}) {
      for (const int32_t to : {1, 2, 5, 9}) {
        SCOPED_TRACE(std::to_string(cells) + " cells, X " + std::to_string(from) + " to " + std::to_string(to));
        Instance whole(makeSetup(2, from));
        Instance single(makeSetup(2, from));
        for (int32_t v = 1; v <= cells; ++v) {
          whole.act(kAppendValue, v);
          single.act(kAppendValue, v);
        }
        whole.act(kResize, 1, to);
        resizeCellByCell(single, from, to);
        EXPECT_EQ(all(whole), all(single));
        EXPECT_EQ(whole.integer(kCapacity), single.integer(kCapacity));
      }
    }
  }
}

TEST(Resize, RowFlagsFollowTheNewRowsOnce) {
  TesselSetup setup = makeSetup(2, 3);
  setup.autoSelect = 1;  // every row that comes into being is selected, so numberOfRows( counts the flags
  Instance o(setup);
  appendStrings(o, {"A", "B", "C", "D", "E", "F", "G", "H", "I"});
  ASSERT_EQ(o.integer(kNumberOfRows), 3);
  // Padding row by row under the old boundary would count 15 / 3 = 5 rows.
  o.act(kResize, 1, 5);
  EXPECT_EQ(o.integer(kNumberOfRows), 3);
  // Cutting cell by cell under the old boundary would leave 6 / 5 = 1 row.
  o.act(kResize, 1, 2);
  EXPECT_EQ(o.integer(kNumberOfRows), 3);
}

}  // namespace
}  // namespace tessel::testing
