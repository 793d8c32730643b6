// Recordset rows after the boundaries or the dimension count changed without
// an element operation: only complete rows with a selected flag are rows,
// and a resize always brings the flags to the new number of rows.
#include <string>

#include "tests/e2e/core_e2e.h"

namespace tessel::testing {
namespace {

using namespace core;
constexpr int kSetDimensionCount = actionOf("setDimensionCount"), kReplaceRow = actionOf("replaceRowWithList"),
              kDeleteRow = actionOf("deleteRow"), kSelectAll = actionOf("selectAllRows");
constexpr int kRowList = expressionOf("rowList"), kColumnList = expressionOf("columnList"),
              kColumnSum = expressionOf("columnSum");

TesselSetup setup(int32_t dimensions, int32_t x, int32_t y, bool autoSelect) {
  hostkit::SetupOptions options;
  options.dimensions = dimensions;
  options.x = x;
  options.y = y;
  options.autoSelect = autoSelect;
  return hostkit::makeSetup(options);
}

void append(Instance& o, const std::string& texts) {
  for (char c : texts) o.act(kAppendString, std::string(1, c));
}

// Rows, the row lists of rows 0 to 2 ("-" for none), column 0 and the cells.
std::string view(Instance& o) {
  std::string out = std::to_string(o.integer(kNumberOfRows)) + " |";
  for (int r = 0; r < 3; ++r) out += o.text(kRowList, r).value_or("-") + "|";
  out += " " + o.text(kColumnList, 0).value_or("-") + " ";
  for (int32_t i = 0; i < o.integer(kSize); ++i) out += o.text(kGetString, i).value_or("?");
  return out;
}

TEST(RowBoundaries, FlagsPastTheCompleteRowsMakeNoRow) {
  struct {
    const char* name;
    int32_t x;   // the new X boundary, set without moving cells
    int action;  // then this row operation on recordset row `row`
    int32_t row;
    std::string before, after;
  } rows[] = {
      // Four flags, two complete rows of two.
      {"X 2: the last row", 2, kDeleteRow, 1, "2 |d,c|b,a|-| d,b dcba", "1 |d,c|-|-| d dc"},
      {"X 2: a flag without a row", 2, kDeleteRow, 2, "2 |d,c|b,a|-| d,b dcba", "2 |d,c|b,a|-| d,b dcba"},
      // Four flags, one complete row of three and a stray cell that no row holds.
      {"X 3: replace past the rows", 3, kReplaceRow, 1, "1 |d,c,b|-|-| d dcba", "1 |d,c,b|-|-| d dcba"},
      {"X 3: delete past the rows", 3, kDeleteRow, 1, "1 |d,c,b|-|-| d dcba", "1 |d,c,b|-|-| d dcba"},
      {"X 3: delete the row", 3, kDeleteRow, 0, "1 |d,c,b|-|-| d dcba", "0 |-|-|-|  a"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Instance o(setup(2, 1, 0, true));
    append(o, "dcba");
    o.act(kSetBoundary, 1, row.x);
    EXPECT_EQ(view(o), row.before);
    if (row.action == kReplaceRow) {
      o.act(kReplaceRow, "x,y,z", row.row);
    } else {
      o.act(kDeleteRow, row.row);
    }
    EXPECT_EQ(view(o), row.after);
  }
}

TEST(RowBoundaries, CompleteRowsWithoutFlagsAreNoRowsUntilTheNextElementOperation) {
  // A 3D array keeps no flags; as 2D its cells form rows that have none yet.
  Instance o(setup(3, 2, 2, true));
  append(o, "abcde");
  o.act(kUse2D);
  EXPECT_EQ(view(o), "0 |-|-|-|  abcde");
  EXPECT_EQ(o.integer(kColumnSum, 0), 0);
  append(o, "f");
  EXPECT_EQ(view(o), "3 |a,b|c,d|e,f| a,c,e abcdef");
  // Back to 1D and 2D again: the flags were kept and still fit.
  o.act(kSetDimensionCount, 1);
  EXPECT_EQ(o.integer(kNumberOfRows), 3);  // compat: a 1D array counts the flags it kept
  EXPECT_EQ(o.text(kRowList, 0), std::nullopt);
  o.act(kSetDimensionCount, 2);
  EXPECT_EQ(view(o), "3 |a,b|c,d|e,f| a,c,e abcdef");
}

TEST(RowBoundaries, AResizeFromNoBoundaryGivesTheRowsTheirFlags) {
  for (bool autoSelect : {true, false}) {
    SCOPED_TRACE(autoSelect);
    Instance o(setup(1, 0, 0, autoSelect));
    append(o, "abcdefg");
    o.act(kUse2D);  // X is still 0: no rows, no columns
    EXPECT_EQ(view(o), "0 |-|-|-| - abcdefg");
    o.act(kResize, 1, 3);
    if (!autoSelect) {
      EXPECT_EQ(view(o), "0 |-|-|-|  abcdefg");
      o.act(kSelectAll);
    }
    EXPECT_EQ(view(o), "2 |a,b,c|d,e,f|-| a,d abcdefg");
    o.act(kDeleteRow, 0);
    EXPECT_EQ(view(o), "1 |d,e,f|-|-| d defg");
    // A resize to the same boundary runs the upkeep as well.
    o.act(kSetBoundary, 1, 1);
    EXPECT_EQ(o.integer(kNumberOfRows), 1);
    o.act(kResize, 1, 1);
    EXPECT_EQ(view(o), autoSelect ? "4 |d|e|f| d,e,f,g defg" : "1 |d|-|-| d defg");
  }
}

}  // namespace
}  // namespace tessel::testing
