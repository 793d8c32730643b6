// Lists, recordset rows and labels, row selection, row sorting and column
// aggregates through the routine tables.
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/e2e/core_e2e.h"

namespace tessel::testing {
namespace {

using namespace core;
constexpr int kPickColumn = actionOf("pickBetweenColumn"), kBetweenValues = actionOf("selectBetweenValues"),
              kInsertRow = actionOf("insertRowFromList"), kLabelGreaterOrEqual = actionOf("selectLabelGreaterOrEqual"),
              kAppendRow = actionOf("appendRowFromList"), kLabelLess = actionOf("selectLabelLess"),
              kReplaceRow = actionOf("replaceRowWithList"), kLabelLessOrEqual = actionOf("selectLabelLessOrEqual"),
              kPickLabel = actionOf("pickBetweenLabel"), kDeleteRow = actionOf("deleteRow"),
              kSortColumnValueAsc = actionOf("sortRowsByColumnValueAscending"),
              kSortColumnValueDesc = actionOf("sortRowsByColumnValueDescending"),
              kSortColumnStringAsc = actionOf("sortRowsByColumnStringAscending"),
              kSortColumnStringDesc = actionOf("sortRowsByColumnStringDescending"),
              kSortLabelValueAsc = actionOf("sortRowsByLabelValueAscending"),
              kSortLabelValueDesc = actionOf("sortRowsByLabelValueDescending"),
              kSortLabelStringAsc = actionOf("sortRowsByLabelStringAscending"),
              kSortLabelStringDesc = actionOf("sortRowsByLabelStringDescending"), kSetLabel = actionOf("setLabel"),
              kBetweenStrings = actionOf("selectBetweenStrings"), kAndMode = actionOf("useAndMode"),
              kOrMode = actionOf("useOrMode"), kSelectAll = actionOf("selectAllRows"),
              kInvert = actionOf("invertSelection"), kMatching = actionOf("selectColumnMatching"),
              kContaining = actionOf("selectColumnContaining"), kEqual = actionOf("selectColumnEqual"),
              kNotEqual = actionOf("selectColumnNotEqual"), kGreater = actionOf("selectColumnGreater"),
              kGreaterOrEqual = actionOf("selectColumnGreaterOrEqual"), kLess = actionOf("selectColumnLess"),
              kLessOrEqual = actionOf("selectColumnLessOrEqual"), kLabelMatching = actionOf("selectLabelMatching"),
              kLabelContaining = actionOf("selectLabelContaining"), kLabelEqual = actionOf("selectLabelEqual"),
              kLabelNotEqual = actionOf("selectLabelNotEqual"), kLabelGreater = actionOf("selectLabelGreater"),
              kStartNewWhere = actionOf("startNewWhere");
constexpr int kElementList = expressionOf("elementList"), kQuotedElementList = expressionOf("quotedElementList"),
              kKeyList = expressionOf("keyList"), kQuotedKeyList = expressionOf("quotedKeyList"),
              kPairList = expressionOf("pairList"), kQuotedPairList = expressionOf("quotedPairList"),
              kRowList = expressionOf("rowList"), kLabel = expressionOf("label"),
              kLabelList = expressionOf("labelList"), kColumnOfLabel = expressionOf("columnOfLabel"),
              kColumnList = expressionOf("columnList"), kValueAt = expressionOf("valueAtColumnRow"),
              kStringAt = expressionOf("stringAtColumnRow"), kValueAtLabel = expressionOf("valueAtLabelRow"),
              kStringAtLabel = expressionOf("stringAtLabelRow"), kColumnMax = expressionOf("columnMaximum"),
              kColumnMin = expressionOf("columnMinimum"), kColumnSum = expressionOf("columnSum"),
              kColumnAvg = expressionOf("columnAverage"), kLabelMax = expressionOf("labelMaximum"),
              kLabelMin = expressionOf("labelMinimum"), kLabelSum = expressionOf("labelSum"),
              kLabelAvg = expressionOf("labelAverage");

TesselSetup tableSetup(int32_t columns, bool autoSelect = true) {
  TesselSetup setup = makeSetup(2, columns);
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
  o.act(kStartNewWhere);
  o.act(action, first, second);
  return selected(o);
}

TEST(RecordsetLists, PlainQuotedKeyAndPairLists) {
  Instance o;
  o.act(kAppendString, "a");
  o.act(kAppendString, "x'y");
  o.act(kAppendValue, 7);
  o.act(kAppendValue, 0);  // an empty cell
  o.act(kSetKeyString, "k", 0);
  o.act(kSetKeyValue, 2, 2);
  o.act(kSetKeyString, "z", 3);
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
    for (const char* row : {"A,1", "B,2", "C,3"}) {
      o.act(kAppendRow, row);
      o.act(kSelectAll);  // so that the next row goes after it
    }
    ASSERT_EQ(where(o, kNotEqual, 1, 2), "A,1|C,3");
    // Before recordset row 1 (C at position 2): N takes position 2, C position 3.
    EXPECT_EQ(after(o, kInsertRow, "N,4", 1), "A,1|B,2|N,4|C,3");
    EXPECT_EQ(selected(o), autoSelect ? "A,1|N,4|C,3" : "A,1|N,4");
    // Row R goes to physical row R: with B unselected that is not the end.
    EXPECT_EQ(after(o, kAppendRow, "E,5"), autoSelect ? "A,1|B,2|N,4|E,5|C,3" : "A,1|B,2|E,5|N,4|C,3");
    EXPECT_EQ(selected(o), autoSelect ? "A,1|N,4|E,5|C,3" : "A,1|E,5");
    EXPECT_EQ(after(o, kDeleteRow, 0), autoSelect ? "B,2|N,4|E,5|C,3" : "B,2|E,5|N,4|C,3");
    EXPECT_EQ(selected(o), autoSelect ? "B,2|E,5|C,3" : "B,2|N,4");
    for (const int32_t row : {-1, 9}) {  // not a row: nothing
      o.act(kInsertRow, "F", row);
      o.act(kReplaceRow, "F", row);
      o.act(kDeleteRow, row);
    }
    EXPECT_EQ(o.integer(kSize), 8);
  }
}

TEST(RecordsetRows, LabelsNameColumnsInTheSearchMode) {
  Instance o(tableSetup(3));
  EXPECT_EQ(o.text(kLabelList), std::nullopt);  // no table yet
  appendRows(o, {"ann,31,5", "bob,42,6"});
  o.act(kSetLabel, "name", 0);
  o.act(kSetLabel, "age", 1);
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
  EXPECT_EQ(o.integer(kColumnOfLabel, "*"), 0);  // the first match wins
  o.act(kSetLabel, "x", 7);                      // out of range: nothing stored
  o.act(kSetBoundary, 1, 5);
  EXPECT_EQ(o.text(kLabelList), "name,age,");  // follows the columns only at the next set label
  o.act(kSetLabel, "e", 4);
  EXPECT_EQ(o.text(kLabelList), "name,age,,,e");
  o.act(kSetBoundary, 1, 2);
  o.act(kSetLabel, "", 1);
  EXPECT_EQ(o.text(kLabelList), "name,");
}

TEST(RecordsetSelection, AndNarrowsOrWidens) {
  Instance o(tableSetup(1));
  appendRows(o, {"5", "10", "15", "20"});
  o.act(kAndMode);
  o.act(kGreaterOrEqual, 0, 10);
  o.act(kLess, 0, 20);
  EXPECT_EQ(selected(o), "10|15");
  o.act(kOrMode);
  o.act(kEqual, 0, 5);
  EXPECT_EQ(selected(o), "5|10|15");
  o.act(kAndMode);
  EXPECT_EQ(where(o, kEqual, 0, 15), "15");  // a new WHERE is back in OR mode
  o.act(kGreater, 0, 15);
  o.act(kInvert);
  EXPECT_EQ(selected(o), "5|10");
  o.act(kNotEqual, 0, 10);  // adds 15 and 20
  EXPECT_EQ(selected(o), "5|10|15|20");
  o.act(kStartNewWhere);
  o.act(kSelectAll);
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
  o.act(kSetLabel, "name", 0);
  o.act(kSetLabel, "n", 1);
  o.act(kPickLabel, "N");
  EXPECT_EQ(o.record().betweenColumn, 1);
  EXPECT_EQ(where(o, kBetweenValues, 10, 20), "b,10|c,15|cz,20");
  EXPECT_EQ(where(o, kBetweenValues, 20, 10), "");
  o.act(kPickColumn, 0);
  EXPECT_EQ(where(o, kBetweenStrings, "b", "d"), "b,10|c,15|cz,20|d,25|B,0");
  // An unknown label picks column -1: no row passes.
  o.act(kPickLabel, "size");
  EXPECT_EQ(o.record().betweenColumn, -1);
  o.act(kSelectAll);
  o.act(kAndMode);
  o.act(kBetweenStrings, "", "zzz");
  EXPECT_EQ(o.integer(kNumberOfRows), 0);
  o.act(kOrMode);
  o.act(kBetweenValues, -100, 100);
  EXPECT_EQ(o.integer(kNumberOfRows), 0);
}

TEST(RecordsetSelection, LabelFormsAndUnknownLabels) {
  Instance o(tableSetup(2));
  appendRows(o, {"a,5", "b,10", "c,15"});
  o.act(kSetLabel, "k", 0);
  o.act(kSetLabel, "v", 1);
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
    o.act(kSelectAll);
    o.act(kAndMode);
    o.act(c.action, "nope", c.value);
    EXPECT_EQ(o.integer(kNumberOfRows), 0) << c.action;
  }
}

// Pivot = first row of the range; both scans stop on rows equal to it.
// a3 b1 c3 d2 e3 ascending: (0,4) swap a,e -> [e b c d a]; i stops at c, j at d: swap -> [e b d c a],
// parts (0,2), (3,4). (3,4) pivot c3 swaps -> [a c]. (0,2) pivot e3: swap e,d -> [d b e]; i stops
// at e, j at b: parts (0,1), (2,2). (0,1) pivot d2: swap -> [b d]. Result b d e a c.
// a1 b2 c1 d2 descending: (0,3) swap a,d -> [d b c a]; i stops at c, j at c: swap in place,
// parts (0,1), (3,3). (0,1) pivot d2 swaps -> [b d]. Result b d c a.
// Apple banana apple ascending, case ignored: swap Apple,apple; i stops at banana, j at apple:
// parts (0,0), (1,2); pivot banana swaps -> apple Apple banana.
TEST(RecordsetSort, TiesEndWhereTheQuicksortStepsLeaveThem) {
  Instance o(tableSetup(2));
  appendRows(o, {"a,3", "b,1", "c,3", "d,2", "e,3"});
  EXPECT_EQ(after(o, kSortColumnValueAsc, 1), "b,1|d,2|e,3|a,3|c,3");
  o.act(kSortColumnStringAsc, 2);  // not a column
  o.act(kSortColumnValueDesc, -1);
  EXPECT_EQ(o.text(kColumnList, 0), "b,d,e,a,c");
  Instance d(tableSetup(2));
  appendRows(d, {"a,1", "b,2", "c,1", "d,2"});
  EXPECT_EQ(after(d, kSortColumnValueDesc, 1), "b,2|d,2|c,1|a,1");
  Instance t(tableSetup(1));
  appendRows(t, {"Apple", "banana", "apple"});
  EXPECT_EQ(after(t, kSortColumnStringAsc, 0), "apple|Apple|banana");
  t.act(kCaseSensitive);  // "A" < "a": no ties left
  EXPECT_EQ(after(t, kSortColumnStringDesc, 0), "banana|apple|Apple");
}

TEST(RecordsetSort, OnlySelectedRowsMoveAndKeysTravelWithThem) {
  Instance o(tableSetup(2));
  appendRows(o, {"c,1", "x,9", "a,2", "b,10"});
  o.act(kSetKeyString, "kc", 0);
  o.act(kSetKeyValue, 5, 5);  // a's number
  o.act(kSetLabel, "name", 0);
  o.act(kSetLabel, "n", 1);
  o.act(kAndMode);
  o.act(kNotEqual, 1, 9);
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
  appendRows(o, {"d", "c", "b", "a"});
  o.act(kSetBoundary, 1, 2);
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
  o.act(kSetLabel, "v", 1);
  o.act(kAndMode);
  o.act(kLess, 1, 99);
  for (const Case& c : cases) {
    EXPECT_EQ(o.integer(c.byColumn, 1), c.expected) << c.byColumn;
    EXPECT_EQ(o.integer(c.byLabel, "v"), c.expected) << c.byLabel;
    EXPECT_EQ(o.integer(c.byLabel, "size"), 0) << c.byLabel;
  }
  EXPECT_EQ(o.integer(kColumnSum, -1), 0);
  o.act(kStartNewWhere);
  for (const Case& c : cases) EXPECT_EQ(o.integer(c.byColumn, 1), 0) << "no rows " << c.byColumn;
  o.act(kSelectAll);
  o.act(kSetValue, INT_MAX, 1);
  EXPECT_EQ(o.integer(kColumnSum, 1), INT_MIN + 97);  // INT_MAX + 0 - 1 + 99 wraps
}

}  // namespace
}  // namespace tessel::testing
