// The element lists through the routine tables.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/recordset_table.h"

namespace tessel::testing::recordset {
namespace {

TEST(RecordsetLists, QuotedListsWrapStringsAndCopyApostrophes) {
  Instance o;
  o.act(kAppendString, std::string("a"));
  o.act(kAppendValue, 5);
  o.act(kAppendValue, 0);  // an empty cell
  o.act(kAppendString, std::string("x'y"));
  const std::string sep = ", ";
  EXPECT_EQ(o.text(kElementList, sep), "a, 5, , x'y");
  EXPECT_EQ(o.text(kQuotedElementList, sep), "'a', 5, , 'x'y'");
  EXPECT_EQ(o.text(kElementList, std::string(" | ")), "a | 5 |  | x'y");
  EXPECT_EQ(o.text(kElementList, std::string("")), "a5x'y");
  EXPECT_EQ(o.text(kKeyList, sep), ", , , ");  // one empty item per element
  EXPECT_EQ(o.text(kPairList, std::string("="), sep), "");
}

TEST(RecordsetLists, EmptyArrayGivesEmptyTexts) {
  Instance o;
  for (int n : {kElementList, kQuotedElementList, kKeyList, kQuotedKeyList, kPairList, kQuotedPairList}) {
    const ExpressionCall call = o.call(n, std::string(";"), std::string("="));
    EXPECT_TRUE(call.textFlag) << n;
    EXPECT_EQ(call.text, "") << n;
    ASSERT_EQ(call.spaceSizes.size(), 1u) << n;
    EXPECT_EQ(call.spaceSizes[0], 1) << n;
  }
}

TEST(RecordsetLists, QuotedRowDoesNotSurviveSplitting) {
  Instance o(tableSetup(2));
  o.act(kAppendRow, std::string("'x','y'"));
  EXPECT_EQ(o.text(kRowList, 0), "'x','y'");
  EXPECT_EQ(o.text(kQuotedElementList, std::string(",")), "''x'',''y''");
}

}  // namespace
}  // namespace tessel::testing::recordset
