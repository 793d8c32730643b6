// Recordset rows, columns and labels through the routine tables.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/recordset_table.h"

namespace tessel::testing::recordset {
namespace {

TEST(RecordsetRows, AppendedRowsReadBackByRowColumnAndCell) {
  Instance o(tableSetup(3));
  appendRows(o, "a,b,c", "1,2,3");
  EXPECT_EQ(o.integer(kRows), 2);
  EXPECT_EQ(o.integer(kColumns), 3);
  EXPECT_EQ(o.text(kRowList, 1), "1,2,3");
  EXPECT_EQ(o.text(kColumnList, 0), "a,1");
  EXPECT_EQ(o.integer(kValueAt, 2, 1), 3);
  EXPECT_EQ(o.text(kStringAt, 0, 0), "a");
  EXPECT_EQ(o.integer(kValueAt, 3, 0), 1);  // a column past C reads the next row
  EXPECT_EQ(o.text(kStringAt, 0, 2), std::nullopt);
  EXPECT_EQ(o.text(kRowList, 2), std::nullopt);
  EXPECT_EQ(o.text(kRowList, -1), std::nullopt);
  EXPECT_EQ(o.text(kColumnList, 3), std::nullopt);
  EXPECT_EQ(o.text(kColumnList, -1), std::nullopt);
}

TEST(RecordsetRows, UnselectedRowsHideFromTheRecordsetButNotFromColumnRow) {
  Instance o(tableSetup(3, false));
  appendRows(o, "a,b,c", "1,2,3");  // R stays 0, so both go to physical row 0
  EXPECT_EQ(physical(o), "1,2,3|a,b,c");
  EXPECT_EQ(o.integer(kRows), 0);
  EXPECT_EQ(o.text(kRowList, 0), std::nullopt);
  EXPECT_EQ(o.text(kColumnList, 0), "");
  EXPECT_EQ(o.text(kStringAt, 2, 1), "c");
}

TEST(RecordsetRows, ListItemsFillColumnsFromTheLeft) {
  Instance o(tableSetup(3));
  appendRows(o, "x,,z", "p,q,r,s", "7", ",,,");
  EXPECT_EQ(physical(o), "x,z,|p,q,r|7,,|,,");
  EXPECT_EQ(o.integer(kValueAt, 0, 2), 7);
  EXPECT_EQ(o.text(kQuotedElementList, std::string(",")), "'x','z',,'p','q','r','7',,,,,");
  o.act(kReplaceRow, std::string("k"), 0);
  o.act(kReplaceRow, std::string("no"), 4);  // not a row: nothing
  EXPECT_EQ(physical(o), "k,,|p,q,r|7,,|,,");
  // The delimiter is a set of characters for splitting, a whole text for joining.
  o.act(kSetDelimiter, std::string(" | "));
  o.act(kReplaceRow, std::string("u|v w"), 1);
  EXPECT_EQ(o.text(kRowList, 1), "u | v | w");
  o.act(kSetDelimiter, std::string(""));
  o.act(kReplaceRow, std::string("u,v"), 1);
  EXPECT_EQ(o.text(kRowList, 1), "u,v");
}

TEST(RecordsetRows, InsertedRowTakesThePositionsFlag) {
  for (const bool autoSelect : {true, false}) {
    Instance o(tableSetup(2, autoSelect));
    appendRows(o, "A,1");
    o.act(kSelectAll);
    appendRows(o, "B,2");
    o.act(kSelectAll);
    appendRows(o, "C,3");
    o.act(kSelectAll);
    o.act(kStartNewWhere);
    o.act(kNotEqual, 1, 2);  // flags 1, 2, 1: A and C selected
    ASSERT_EQ(selected(o), "A,1|C,3");
    // Before recordset row 1 (C, physical row 2): N takes position 2's flag,
    // C moves to position 3, which gets a new flag by the auto-select setting.
    o.act(kInsertRow, std::string("N,4"), 1);
    EXPECT_EQ(physical(o), "A,1|B,2|N,4|C,3");
    EXPECT_EQ(selected(o), autoSelect ? "A,1|N,4|C,3" : "A,1|N,4");
    // Row R goes to physical row R: with B unselected that is not the end.
    const int32_t rows = o.integer(kRows);
    o.act(kAppendRow, std::string("E,5"));
    EXPECT_EQ(physical(o), autoSelect ? "A,1|B,2|N,4|E,5|C,3" : "A,1|B,2|E,5|N,4|C,3");
    EXPECT_EQ(o.integer(kRows), rows + (autoSelect ? 1 : 0));
    o.act(kInsertRow, std::string("F"), rows + 2);  // past R: nothing
    o.act(kInsertRow, std::string("F"), -1);
    EXPECT_EQ(o.integer(kSize), 10);
  }
}

TEST(RecordsetRows, DeletedRowLetsLaterRowsTakeTheFlagsOfTheirNewPositions) {
  Instance o(tableSetup(1));
  appendRows(o, "A", "B", "C");
  o.act(kStartNewWhere);
  o.act(kMatching, 0, std::string("A"));
  o.act(kMatching, 0, std::string("C"));
  ASSERT_EQ(selected(o), "A|C");
  o.act(kDeleteRow, 0);
  EXPECT_EQ(physical(o), "B|C");
  EXPECT_EQ(selected(o), "B");  // B holds the first position's flag now
  o.act(kDeleteRow, 5);
  o.act(kDeleteRow, -1);
  EXPECT_EQ(physical(o), "B|C");
  o.act(kDeleteRow, 0);
  EXPECT_EQ(physical(o), "C");
  EXPECT_EQ(selected(o), "C");  // C moved into the selected first position
}

TEST(RecordsetRows, LabelsNameColumnsInTheSearchMode) {
  Instance o(tableSetup(3));
  EXPECT_EQ(o.text(kLabelList), std::nullopt);  // no table yet
  o.act(kSetLabel, std::string("name"), 0);
  o.act(kSetLabel, std::string("age"), 1);
  EXPECT_EQ(o.text(kLabelList), "name,age,");
  EXPECT_EQ(o.text(kLabel, 1), "age");
  EXPECT_EQ(o.call(kLabel, 2).textFlag, false);
  EXPECT_EQ(o.text(kLabel, 3), std::nullopt);
  EXPECT_EQ(o.integer(kColumnOfLabel, std::string("AGE")), 1);
  o.act(kCaseSensitive);
  EXPECT_EQ(o.integer(kColumnOfLabel, std::string("AGE")), -1);
  o.act(kWildcard);
  EXPECT_EQ(o.integer(kColumnOfLabel, std::string("a*")), 1);
  EXPECT_EQ(o.integer(kColumnOfLabel, std::string("*")), 0);  // the first match wins
  o.act(kLiteral);
  o.act(kSetLabel, std::string("x"), 7);  // out of range: nothing stored
  EXPECT_EQ(o.text(kLabelList), "name,age,");
  o.act(kSetBoundary, 1, 5);
  EXPECT_EQ(o.text(kLabelList), "name,age,");  // follows the columns only at the next set label
  o.act(kSetLabel, std::string("e"), 4);
  EXPECT_EQ(o.text(kLabelList), "name,age,,,e");
  o.act(kSetBoundary, 1, 2);
  o.act(kSetLabel, std::string(""), 1);
  EXPECT_EQ(o.text(kLabelList), "name,");
}

TEST(RecordsetRows, LabelsReachCellsAndUnknownLabelsGiveNothing) {
  Instance o(tableSetup(2));
  appendRows(o, "ann,31", "bob,42");
  o.act(kSetLabel, std::string("age"), 1);
  EXPECT_EQ(o.integer(kValueAtLabel, std::string("age"), 1), 42);
  EXPECT_EQ(o.text(kStringAtLabel, std::string("age"), 0), "31");
  EXPECT_EQ(o.integer(kValueAtLabel, std::string("size"), 1), 0);
  EXPECT_EQ(o.call(kStringAtLabel, std::string("size"), 1).textFlag, false);
  EXPECT_EQ(o.integer(kColumnOfLabel, std::string("size")), -1);
}

TEST(RecordsetRows, OneDimensionalArrayHasNoRecordset) {
  Instance o;
  o.act(kAppendString, std::string("a"));
  o.act(kAppendString, std::string("b"));
  o.act(kAppendRow, std::string("x,y"));
  o.act(kInsertRow, std::string("x,y"), 0);
  o.act(kDeleteRow, 0);
  o.act(kSetLabel, std::string("l"), 0);
  EXPECT_EQ(o.integer(kSize), 2);
  EXPECT_EQ(o.integer(kColumns), 0);
  EXPECT_EQ(o.integer(kRows), 0);
  EXPECT_EQ(o.text(kRowList, 0), std::nullopt);
  EXPECT_EQ(o.text(kColumnList, 0), std::nullopt);
  EXPECT_EQ(o.text(kLabelList), std::nullopt);
  EXPECT_EQ(o.integer(kColumnOfLabel, std::string("l")), -1);
  EXPECT_EQ(o.text(kStringAt, 1, 0), "b");  // boundary 1 of a new array is 0: index = column
}

}  // namespace
}  // namespace tessel::testing::recordset
