// Lists, recordset rows and labels, row selection, row sorting and column
// aggregates through the routine tables; and rows after the boundaries or the
// dimension count changed without an element operation: only complete rows
// with a selected flag are rows, and a resize always brings the flags to the
// new number of rows.
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/e2e/e2e.h"

namespace tessel::testing {
namespace {

TesselSetup tableSetup(int32_t columns, bool autoSelect = true, int32_t dimensions = 2, int32_t y = 0) {
  TesselSetup setup = makeSetup(dimensions, columns, y);
  setup.autoSelect = autoSelect ? 1 : 0;
  return setup;
}

void appendRows(Instance& o, std::initializer_list<const char*> rows) {
  for (const char* row : rows) o.act(kAppendRow, row);
}

// Every cell's text, physical rows separated by "|".
std::string physical(Instance& o) {
  std::string out;
  for (int32_t i = 0; i < o.integer(kSize); ++i)
    out += (i % o.integer(kBoundaryX) ? "," : i ? "|" : "") + o.text(kGetString, i).value_or("?");
  return out;
}

// The recordset rows (the selected ones) as their row lists, separated by "|".
std::string selected(Instance& o) {
  std::string out;
  for (int32_t r = 0; r < o.integer(kNumberOfRows); ++r) out += (r ? "|" : "") + o.text(kRowList, r).value_or("?");
  return out;
}

std::string after(Instance& o, int action, const Param& first = {}, const Param& second = {}) {
  o.act(action, first, second);
  return physical(o);
}

// Starts a new WHERE (no row selected, OR mode) and runs one query.
std::string where(Instance& o, int action, const Param& first, const Param& second = {}) {
  run(o, {{kStartNewWhere}, {action, first, second}});
  return selected(o);
}

TEST(RecordsetLists, PlainQuotedKeyAndPairLists) {
  Instance o;
  run(o, {{kAppendString, "a"}, {kAppendString, "x'y"}, {kAppendValue, 7}, {kAppendValue, 0}});  // 0: an empty cell
  run(o, {{kSetKeyString, "k", 0}, {kSetKeyValue, 2, 2}, {kSetKeyString, "z", 3}});
  EXPECT_EQ(o.text(kElementList, ", "), "a, x'y, 7, ");
  EXPECT_EQ(o.call(kElementList, ", ").spaceSizes, std::vector<intptr_t>{12});  // one exact-size text
  EXPECT_EQ(o.text(kQuotedElementList, ", "), "'a', 'x'y', 7, ");               // inner apostrophes copied as they are
  EXPECT_EQ(o.text(kKeyList, ";"), "k;;2;z");                                   // one item per element
  EXPECT_EQ(o.text(kQuotedKeyList, ";"), "'k';;2;'z'");
  EXPECT_EQ(o.text(kPairList, "=", ";"), "k=a;2=7");  // only elements with a key and content
  EXPECT_EQ(o.text(kQuotedPairList, "=", ";"), "k='a';2=7");
  Instance empty;
  for (int n = kElementList; n <= kQuotedPairList; ++n) EXPECT_EQ(empty.text(n, ";", "="), "") << n;
}

TEST(RecordsetRows, ListItemsFillColumnsFromTheLeft) {
  Instance o(tableSetup(3));
  appendRows(o, {"x,,z", "p,q,r,s", "7"});
  EXPECT_EQ(physical(o), "x,z,|p,q,r|7,,");  // empty items vanish, extra ones are dropped
  EXPECT_EQ(o.text(kColumnList, 0), "x,p,7");
  EXPECT_EQ(o.integer(kValueAt, 0, 2), 7);
  EXPECT_EQ(o.text(kStringAt, 4, 0), "q");  // a column past C reads the next row
  EXPECT_EQ(o.text(kRowList, 3), std::nullopt);
  EXPECT_EQ(o.text(kColumnList, 3), std::nullopt);
  // The delimiter is a set of characters for splitting, a whole text for joining.
  o.act(kSetDelimiter, " | ");
  EXPECT_EQ(after(o, kReplaceRow, "u|v w", 1), "x,z,|u,v,w|7,,");
  EXPECT_EQ(o.text(kRowList, 1), "u | v | w");
}

// Flags stay with positions: a row that an insert or a delete moves takes the
// flag of its new position; a position added at the end follows auto-select.
TEST(RecordsetRows, MovedRowsTakeTheFlagsOfTheirNewPositions) {
  for (const bool autoSelect : {true, false}) {
    SCOPED_TRACE(autoSelect);
    Instance o(tableSetup(2, autoSelect));
    for (const char* row : {"A,1", "B,2", "C,3"}) run(o, {{kAppendRow, row}, {kSelectAll}});  // the next goes after it
    ASSERT_EQ(where(o, kNotEqual, 1, 2), "A,1|C,3");
    // Before recordset row 1 (C at position 2): N takes position 2, C position 3.
    EXPECT_EQ(after(o, kInsertRow, "N,4", 1), "A,1|B,2|N,4|C,3");
    EXPECT_EQ(selected(o), autoSelect ? "A,1|N,4|C,3" : "A,1|N,4");
    // Row R goes to physical row R: with B unselected that is not the end.
    EXPECT_EQ(after(o, kAppendRow, "E,5"), autoSelect ? "A,1|B,2|N,4|E,5|C,3" : "A,1|B,2|E,5|N,4|C,3");
    EXPECT_EQ(selected(o), autoSelect ? "A,1|N,4|E,5|C,3" : "A,1|E,5");
    EXPECT_EQ(after(o, kDeleteRow, 0), autoSelect ? "B,2|N,4|E,5|C,3" : "B,2|E,5|N,4|C,3");
    EXPECT_EQ(selected(o), autoSelect ? "B,2|E,5|C,3" : "B,2|N,4");
    for (const int32_t row : {-1, 9}) run(o, {{kInsertRow, "F", row}, {kReplaceRow, "F", row}, {kDeleteRow, row}});
    EXPECT_EQ(o.integer(kSize), 8);
  }
}

TEST(RecordsetRows, LabelsNameColumnsInTheSearchMode) {
  Instance o(tableSetup(3));
  EXPECT_EQ(o.text(kLabelList), std::nullopt);  // no table yet
  run(o, {{kAppendRow, "ann,31,5"}, {kAppendRow, "bob,42,6"}, {kSetLabel, "name", 0}, {kSetLabel, "age", 1}});
  EXPECT_EQ(o.text(kLabelList), "name,age,");
  EXPECT_EQ(o.text(kLabel, 1), "age");
  EXPECT_EQ(o.integer(kValueAtLabel, "AGE", 1), 42);
  EXPECT_EQ(o.text(kStringAtLabel, "age", 0), "31");
  // An unknown label is column -1, which must not reach cell -1 + C of row 1.
  EXPECT_EQ(o.integer(kColumnOfLabel, "size"), -1);
  EXPECT_EQ(o.integer(kValueAtLabel, "size", 1), 0);
  EXPECT_EQ(o.text(kStringAtLabel, "size", 1), std::nullopt);
  o.act(kCaseSensitive);
  EXPECT_EQ(o.integer(kColumnOfLabel, "AGE"), -1);
  o.act(kWildcard);
  EXPECT_EQ(o.integer(kColumnOfLabel, "*"), 0);         // the first match wins
  run(o, {{kSetLabel, "x", 7}, {kSetBoundary, 1, 5}});  // 7 is out of range: nothing stored
  EXPECT_EQ(o.text(kLabelList), "name,age,");           // follows the columns only at the next set label
  o.act(kSetLabel, "e", 4);
  EXPECT_EQ(o.text(kLabelList), "name,age,,,e");
  run(o, {{kSetBoundary, 1, 2}, {kSetLabel, "", 1}});
  EXPECT_EQ(o.text(kLabelList), "name,");
}

TEST(RecordsetSelection, AndNarrowsOrWidens) {
  Instance o(tableSetup(1));
  appendRows(o, {"5", "10", "15", "20"});
  run(o, {{kAndMode}, {kGreaterOrEqual, 0, 10}, {kLess, 0, 20}});
  EXPECT_EQ(selected(o), "10|15");
  run(o, {{kOrMode}, {kEqual, 0, 5}});
  EXPECT_EQ(selected(o), "5|10|15");
  o.act(kAndMode);
  EXPECT_EQ(where(o, kEqual, 0, 15), "15");  // a new WHERE is back in OR mode
  run(o, {{kGreater, 0, 15}, {kInvert}});
  EXPECT_EQ(selected(o), "5|10");
  o.act(kNotEqual, 0, 10);  // adds 15 and 20
  EXPECT_EQ(selected(o), "5|10|15|20");
  run(o, {{kStartNewWhere}, {kSelectAll}});
  EXPECT_EQ(o.integer(kNumberOfRows), 4);
}

TEST(RecordsetSelection, TextQueriesFollowTheSearchSettings) {
  Instance o(tableSetup(1));
  appendRows(o, {"Hello", "h*"});
  EXPECT_EQ(where(o, kMatching, 0, "H*"), "h*");
  o.act(kWildcard);
  EXPECT_EQ(where(o, kMatching, 0, "H*"), "Hello|h*");
  EXPECT_EQ(where(o, kContaining, 0, "L?O"), "Hello");
}

TEST(RecordsetSelection, BetweenTestsThePickedColumnWithBothBounds) {
  Instance o(tableSetup(2));
  appendRows(o, {"a,5", "b,10", "c,15", "cz,20", "d,25", "da,0", "B,0"});
  run(o, {{kSetLabel, "name", 0}, {kSetLabel, "n", 1}, {kPickLabel, "N"}});
  EXPECT_EQ(o.record().betweenColumn, 1);
  EXPECT_EQ(where(o, kBetweenValues, 10, 20), "b,10|c,15|cz,20");
  EXPECT_EQ(where(o, kBetweenValues, 20, 10), "");
  o.act(kPickColumn, 0);
  EXPECT_EQ(where(o, kBetweenStrings, "b", "d"), "b,10|c,15|cz,20|d,25|B,0");
  // An unknown label picks column -1: no row passes.
  o.act(kPickLabel, "size");
  EXPECT_EQ(o.record().betweenColumn, -1);
  run(o, {{kSelectAll}, {kAndMode}, {kBetweenStrings, "", "zzz"}});
  EXPECT_EQ(o.integer(kNumberOfRows), 0);
  run(o, {{kOrMode}, {kBetweenValues, -100, 100}});
  EXPECT_EQ(o.integer(kNumberOfRows), 0);
}

TEST(RecordsetSelection, LabelFormsAndUnknownLabels) {
  Instance o(tableSetup(2));
  run(o, {{kAppendRow, "a,5"}, {kAppendRow, "b,10"}, {kAppendRow, "c,15"}, {kSetLabel, "k", 0}, {kSetLabel, "v", 1}});
  struct Case {
    int action;
    const char* label;
    Param value;
    const char* expected;
  };
  const Case cases[] = {{kLabelEqual, "v", 10, "b,10"},
                        {kLabelNotEqual, "v", 10, "a,5|c,15"},
                        {kLabelGreater, "v", 10, "c,15"},
                        {kLabelLess, "v", 10, "a,5"},
                        {kLabelGreaterOrEqual, "V", 10, "b,10|c,15"},
                        {kLabelLessOrEqual, "v", 10, "a,5|b,10"},
                        {kLabelMatching, "k", "B", "b,10"},
                        {kLabelContaining, "v", "5", "a,5|c,15"}};
  for (const Case& c : cases) {
    EXPECT_EQ(where(o, c.action, c.label, c.value), c.expected) << c.action;
    // An unknown label reaches the query as column -1: nothing passes.
    run(o, {{kSelectAll}, {kAndMode}, {c.action, "nope", c.value}});
    EXPECT_EQ(o.integer(kNumberOfRows), 0) << c.action;
  }
}

// Each column sort by its kind and order; where rows tie, the tests below the
// tables hold them to the quicksort's steps.
TEST(RecordsetSort, ColumnSortsByKindAndOrder) {
  Instance o(tableSetup(2));
  appendRows(o, {"b,10", "c,9", "a,2"});
  EXPECT_EQ(after(o, kSortColumnValueAsc, 1), "a,2|c,9|b,10");
  EXPECT_EQ(after(o, kSortColumnValueDesc, 1), "b,10|c,9|a,2");
  EXPECT_EQ(after(o, kSortColumnStringAsc, 1), "b,10|a,2|c,9");  // "10" < "2" as texts
  EXPECT_EQ(after(o, kSortColumnStringDesc, 0), "c,9|b,10|a,2");
  run(o, {{kSortColumnStringAsc, 2}, {kSortColumnValueDesc, -1}});  // not columns
  EXPECT_EQ(o.text(kColumnList, 0), "c,b,a");
  Instance t(tableSetup(1));
  appendRows(t, {"apple", "Banana"});
  EXPECT_EQ(after(t, kSortColumnStringAsc, 0), "apple|Banana");
  t.act(kCaseSensitive);  // "B" < "a"
  EXPECT_EQ(after(t, kSortColumnStringAsc, 0), "Banana|apple");
}

TEST(RecordsetSort, OnlySelectedRowsMoveAndKeysTravelWithThem) {
  Instance o(tableSetup(2));
  appendRows(o, {"c,1", "x,9", "a,2", "b,10"});
  run(o, {{kSetKeyString, "kc", 0}, {kSetKeyValue, 5, 5}, {kSetLabel, "name", 0}, {kSetLabel, "n", 1}});
  run(o, {{kAndMode}, {kNotEqual, 1, 9}});  // the key 5 is on a's number
  EXPECT_EQ(after(o, kSortLabelStringAsc, "NAME"), "a,2|x,9|b,10|c,1");
  EXPECT_EQ(selected(o), "a,2|b,10|c,1");
  EXPECT_EQ(o.text(kKeyList, ","), ",5,,,,,kc,");
  EXPECT_EQ(after(o, kSortLabelValueDesc, "n"), "b,10|x,9|a,2|c,1");
  EXPECT_EQ(after(o, kSortLabelStringAsc, "n"), "c,1|x,9|b,10|a,2");  // "10" < "2" as texts
  EXPECT_EQ(after(o, kSortLabelValueAsc, "n"), "c,1|x,9|a,2|b,10");
  EXPECT_EQ(after(o, kSortLabelStringDesc, "name"), "c,1|x,9|b,10|a,2");
  EXPECT_EQ(after(o, kSortLabelStringAsc, "size"), "c,1|x,9|b,10|a,2");  // no such label
  EXPECT_EQ(o.text(kLabelList), "name,n");
}

// After a boundary change the flags still count four one-cell rows while the
// cells form two rows of two: only complete rows are rows, and sorted.
TEST(RecordsetSort, FlagsPastTheLastCompleteRowAreNotSorted) {
  Instance o(tableSetup(1));
  run(o, {{kAppendRow, "d"}, {kAppendRow, "c"}, {kAppendRow, "b"}, {kAppendRow, "a"}, {kSetBoundary, 1, 2}});
  ASSERT_EQ(o.integer(kNumberOfRows), 2);
  EXPECT_EQ(after(o, kSortColumnStringAsc, 0), "b,a|d,c");
  // "a" and "c" both read 0: the scans stop on the tie and exchange the rows.
  EXPECT_EQ(after(o, kSortColumnValueDesc, 1), "d,c|b,a");
}

TEST(RecordsetAggregates, OverTheSelectedRowsWithEmptyCellsAsZero) {
  Instance o(tableSetup(2));
  struct Case {
    int byColumn, byLabel;
    int32_t expected;
  };
  // a, b, c selected; b's number is empty: max 0, min -7, sum -8, -8 / 3 toward zero -2.
  const Case cases[] = {{kColumnMax, kLabelMax, 0},
                        {kColumnMin, kLabelMin, -7},
                        {kColumnSum, kLabelSum, -8},
                        {kColumnAvg, kLabelAvg, -2}};
  appendRows(o, {"a,-7", "b", "c,-1", "d,99"});
  run(o, {{kSetLabel, "v", 1}, {kAndMode}, {kLess, 1, 99}});
  for (const Case& c : cases) {
    EXPECT_EQ(o.integer(c.byColumn, 1), c.expected) << c.byColumn;
    EXPECT_EQ(o.integer(c.byLabel, "v"), c.expected) << c.byLabel;
    EXPECT_EQ(o.integer(c.byLabel, "size"), 0) << c.byLabel;
  }
  EXPECT_EQ(o.integer(kColumnSum, -1), 0);
  o.act(kStartNewWhere);
  for (const Case& c : cases) EXPECT_EQ(o.integer(c.byColumn, 1), 0) << "no rows " << c.byColumn;
  run(o, {{kSelectAll}, {kSetValue, INT_MAX, 1}});
  EXPECT_EQ(o.integer(kColumnSum, 1), INT_MIN + 97);  // INT_MAX + 0 - 1 + 99 wraps
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
    int32_t x;  // the new X boundary, set without moving cells
    Act act;    // then this row operation
    std::string before, after;
  } rows[] = {
      // Four flags, two complete rows of two.
      {"X 2: the last row", 2, {kDeleteRow, 1}, "2 |d,c|b,a|-| d,b dcba", "1 |d,c|-|-| d dc"},
      {"X 2: a flag without a row", 2, {kDeleteRow, 2}, "2 |d,c|b,a|-| d,b dcba", "2 |d,c|b,a|-| d,b dcba"},
      // Four flags, one complete row of three and a stray cell that no row holds.
      {"X 3: replace past the rows", 3, {kReplaceRow, "x,y,z", 1}, "1 |d,c,b|-|-| d dcba", "1 |d,c,b|-|-| d dcba"},
      {"X 3: delete past the rows", 3, {kDeleteRow, 1}, "1 |d,c,b|-|-| d dcba", "1 |d,c,b|-|-| d dcba"},
      {"X 3: delete the row", 3, {kDeleteRow, 0}, "1 |d,c,b|-|-| d dcba", "0 |-|-|-|  a"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Instance o(tableSetup(1));
    appendStrings(o, {"d", "c", "b", "a"});
    o.act(kSetBoundary, 1, row.x);
    EXPECT_EQ(view(o), row.before);
    run(o, {row.act});
    EXPECT_EQ(view(o), row.after);
  }
}

TEST(RowBoundaries, CompleteRowsWithoutFlagsAreNoRowsUntilTheNextElementOperation) {
  // A 3D array keeps no flags; as 2D its cells form rows that have none yet.
  Instance o(tableSetup(2, true, 3, 2));
  appendStrings(o, {"a", "b", "c", "d", "e"});
  o.act(kUse2D);
  EXPECT_EQ(view(o), "0 |-|-|-|  abcde");
  EXPECT_EQ(o.integer(kColumnSum, 0), 0);
  o.act(kAppendString, "f");
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
    Instance o(tableSetup(0, autoSelect, 1));
    appendStrings(o, {"a", "b", "c", "d", "e", "f", "g"});
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

TEST(RowBoundaries, ReplaceRowGivesEveryPhysicalRowItsFlag) {
  // X from 2 to 1 without an element operation: four rows, two flags.
  for (bool autoSelect : {true, false}) {
    Instance o(tableSetup(2, autoSelect));
    appendStrings(o, {"d", "c", "b", "a"});
    o.act(kSelectAll);
    o.act(kSetBoundary, 1, 1);
    EXPECT_EQ(view(o), "2 |d|c|-| d,c dcba");
    o.act(kReplaceRow, "x", 0);  // its sets run the upkeep, as any element operation
    EXPECT_EQ(view(o), autoSelect ? "4 |x|c|b| x,c,b,a xcba" : "2 |x|c|-| x,c xcba");
    o.act(kSelectAll);
    EXPECT_EQ(o.integer(kNumberOfRows), 4);
  }
}

}  // namespace
}  // namespace tessel::testing
