// Row selection through the routine tables: modes, the single-column queries
// by column and by label, and the BETWEEN queries on the picked column.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/recordset_table.h"

namespace tessel::testing::recordset {
namespace {

TEST(RecordsetSelection, AndNarrowsOrWidens) {
  Instance o(tableSetup(1));
  appendRows(o, "5", "10", "15", "20");
  o.act(kAndMode);
  o.act(kGreaterOrEqual, 0, 10);
  EXPECT_EQ(selected(o), "10|15|20");
  o.act(kLess, 0, 20);
  EXPECT_EQ(selected(o), "10|15");
  o.act(kOrMode);
  o.act(kEqual, 0, 5);
  EXPECT_EQ(selected(o), "5|10|15");
  o.act(kAndMode);
  o.act(kStartNewWhere);  // back to OR, nothing selected
  o.act(kEqual, 0, 15);
  EXPECT_EQ(selected(o), "15");
  o.act(kGreater, 0, 15);  // OR mode: adds 20
  EXPECT_EQ(selected(o), "15|20");
  o.act(kInvert);
  EXPECT_EQ(selected(o), "5|10");
  o.act(kLessOrEqual, 0, 5);  // already selected: no change
  o.act(kNotEqual, 0, 10);    // adds 15 and 20
  EXPECT_EQ(selected(o), "5|10|15|20");
  o.act(kStartNewWhere);
  o.act(kSelectAll);
  EXPECT_EQ(o.integer(kRows), 4);
}

TEST(RecordsetSelection, TextTestsFollowTheSearchSettings) {
  Instance o(tableSetup(1));
  appendRows(o, "Hello", "h", "h*", "abc");
  o.act(kSetValue, 345, 4);  // a value cell as a fifth row
  const auto pick = [&](int action, const std::string& text) {
    o.act(kStartNewWhere);
    o.act(action, 0, text);
    return selected(o);
  };
  EXPECT_EQ(pick(kContaining, "ell"), "Hello");
  EXPECT_EQ(pick(kContaining, "45"), "345");
  EXPECT_EQ(pick(kContaining, "abcd"), "");
  EXPECT_EQ(pick(kMatching, "h*"), "h*");
  EXPECT_EQ(pick(kMatching, "HELLO"), "Hello");
  o.act(kWildcard);
  EXPECT_EQ(pick(kMatching, "h*"), "Hello|h|h*");
  EXPECT_EQ(pick(kContaining, "l?o"), "Hello");
  o.act(kCaseSensitive);
  EXPECT_EQ(pick(kMatching, "h*"), "h|h*");
}

TEST(RecordsetSelection, ValuesOfTextsAndEmptyCellsAreZero) {
  Instance o(tableSetup(2));
  appendRows(o, "abc,1", "7x,2", "e,3");
  o.act(kSetValue, 0, 4);  // storing 0 empties the cell
  o.act(kStartNewWhere);
  o.act(kEqual, 0, 0);
  EXPECT_EQ(selected(o), "abc,1|,3");
  o.act(kStartNewWhere);
  o.act(kEqual, 0, 7);
  EXPECT_EQ(selected(o), "7x,2");
}

TEST(RecordsetSelection, BetweenIncludesBothBounds) {
  Instance o(tableSetup(2));
  appendRows(o, "a,5", "b,10", "c,15", "cz,20", "d,25", "da,0", "B,0");
  o.act(kPickColumn, 1);
  o.act(kStartNewWhere);
  o.act(kBetweenValues, 10, 20);
  EXPECT_EQ(selected(o), "b,10|c,15|cz,20");
  o.act(kStartNewWhere);
  o.act(kBetweenValues, 20, 10);
  EXPECT_EQ(o.integer(kRows), 0);
  o.act(kPickColumn, 0);
  o.act(kBetweenStrings, std::string("b"), std::string("d"));
  EXPECT_EQ(selected(o), "b,10|c,15|cz,20|d,25|B,0");
  o.act(kCaseSensitive);
  o.act(kStartNewWhere);
  o.act(kBetweenStrings, std::string("b"), std::string("d"));
  EXPECT_EQ(selected(o), "b,10|c,15|cz,20|d,25");
  o.act(kWildcard);  // plays no part
  o.act(kStartNewWhere);
  o.act(kBetweenStrings, std::string("d"), std::string("b"));
  EXPECT_EQ(o.integer(kRows), 0);
}

TEST(RecordsetSelection, BetweenColumnPickedByLabel) {
  Instance o(tableSetup(2));
  appendRows(o, "x,1", "y,2", "z,3");
  o.act(kSetLabel, std::string("name"), 0);
  o.act(kSetLabel, std::string("n"), 1);
  o.act(kPickLabel, std::string("N"));
  EXPECT_EQ(o.record().betweenColumn, 1);
  o.act(kStartNewWhere);
  o.act(kBetweenValues, 2, 3);
  EXPECT_EQ(selected(o), "y,2|z,3");
  // No such label: column -1, so no row passes.
  o.act(kPickLabel, std::string("size"));
  EXPECT_EQ(o.record().betweenColumn, -1);
  o.act(kBetweenStrings, std::string(""), std::string("zzz"));
  EXPECT_EQ(selected(o), "y,2|z,3");  // OR: nothing added
  o.act(kAndMode);
  o.act(kBetweenValues, -100, 100);
  EXPECT_EQ(o.integer(kRows), 0);  // AND: every row fails
  o.act(kPickColumn, 7);           // not checked against the columns
  EXPECT_EQ(o.record().betweenColumn, 7);
}

TEST(RecordsetSelection, LabelFormsRunTheSameComparisons) {
  Instance o(tableSetup(2));
  appendRows(o, "a,5", "b,10", "c,15");
  o.act(kSetLabel, std::string("k"), 0);
  o.act(kSetLabel, std::string("v"), 1);
  struct Case {
    int action;
    int32_t value;
    const char* expected;
  };
  const Case cases[] = {{kLabelEqual, 10, "b,10"},   {kLabelNotEqual, 10, "a,5|c,15"},
                        {kLabelGreater, 10, "c,15"}, {kLabelGreaterOrEqual, 10, "b,10|c,15"},
                        {kLabelLess, 10, "a,5"},     {kLabelLessOrEqual, 10, "a,5|b,10"}};
  for (const Case& c : cases) {
    o.act(kStartNewWhere);
    o.act(c.action, std::string("v"), c.value);
    EXPECT_EQ(selected(o), c.expected) << "action " << c.action;
    // An unknown label reaches the query as column -1: nothing passes.
    o.act(kSelectAll);
    o.act(kAndMode);
    o.act(c.action, std::string("nope"), c.value);
    EXPECT_EQ(o.integer(kRows), 0) << "action " << c.action;
  }
  o.act(kStartNewWhere);
  o.act(kLabelMatching, std::string("k"), std::string("B"));
  o.act(kLabelContaining, std::string("v"), std::string("5"));
  EXPECT_EQ(selected(o), "a,5|b,10|c,15");
  o.act(kStartNewWhere);
  o.act(kLabelMatching, std::string("nope"), std::string("a"));
  EXPECT_EQ(o.integer(kRows), 0);
}

TEST(RecordsetSelection, ColumnPastTheRowReadsTheNextRow) {
  Instance o(tableSetup(2));
  appendRows(o, "1,2", "3,4", "5,6");
  o.act(kStartNewWhere);
  o.act(kGreaterOrEqual, 2, 3);  // row p tests row p + 1's first cell; the last row has none
  EXPECT_EQ(selected(o), "1,2|3,4");
  o.act(kAndMode);
  o.act(kContaining, 2, std::string(""));
  EXPECT_EQ(selected(o), "1,2|3,4");
}

}  // namespace
}  // namespace tessel::testing::recordset
