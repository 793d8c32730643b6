// Key and pair lists (keys are set on the store directly), list splitting,
// and a row insertion that runs out of memory part-way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/array_store.h"
#include "recordset/lists.h"
#include "recordset/rows.h"
#include "tests/unit/allocation_faults.h"

namespace tessel {
namespace {

using recordset::splitList;

TEST(Lists, KeyListsGiveOneItemPerElement) {
  ArrayStore s;
  for (int k = 0; k < 4; ++k) s.append(CellDescriptor::ofString("e"));
  s.setKey(1, CellDescriptor::ofString("k1"));
  s.setKey(3, CellDescriptor::ofValue(3));
  EXPECT_EQ(recordset::keyList(s, ","), ",k1,,3");
  EXPECT_EQ(recordset::quotedKeyList(s, ","), ",'k1',,3");  // only string keys are quoted
}

TEST(Lists, PairListsSkipElementsWithoutKeyOrContent) {
  ArrayStore s;
  s.append(CellDescriptor::ofString("a"));
  s.setKey(0, CellDescriptor::ofString("k"));
  s.append(CellDescriptor::ofString("b"));  // no key
  s.append(CellDescriptor::ofValue(7));
  s.setKey(2, CellDescriptor::ofValue(2));
  s.append(CellDescriptor{});  // empty, with a key: nothing in pair lists, an item in key lists
  s.setKey(3, CellDescriptor::ofString("z"));
  EXPECT_EQ(recordset::pairList(s, "=", ";"), "k=a;2=7");
  EXPECT_EQ(recordset::quotedPairList(s, "=", ";"), "k='a';2=7");
  EXPECT_EQ(recordset::keyList(s, ";"), "k;;2;z");
  EXPECT_EQ(recordset::elementList(s, ";"), "a;b;7;");
  EXPECT_EQ(recordset::pairList(s, nullptr, nullptr), "ka27");  // null separators read as empty
}

TEST(Lists, SplittingTreatsTheDelimiterAsASetOfCharacters) {
  using Items = std::vector<std::string>;
  EXPECT_EQ(splitList("a,,b", ","), (Items{"a", "b"}));
  EXPECT_EQ(splitList(",a,", ","), (Items{"a"}));
  EXPECT_EQ(splitList(" a , b ", ","), (Items{" a ", " b "}));
  EXPECT_EQ(splitList("'x','y'", ","), (Items{"'x'", "'y'"}));
  EXPECT_EQ(splitList("a;b,c", ";,"), (Items{"a", "b", "c"}));
  EXPECT_EQ(splitList("a,b", ""), (Items{"a,b"}));
  EXPECT_EQ(splitList(",;,", ";,"), Items{});
  EXPECT_EQ(splitList("", ","), Items{});
  EXPECT_EQ(splitList(nullptr, ","), Items{});
  char host[] = "p,q";
  splitList(host, ",");
  EXPECT_STREQ(host, "p,q");
}

std::vector<std::string> cells(const ArrayStore& s) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < s.size(); ++i) out.emplace_back(s.cellAt(i)->text().view());
  for (int32_t p = 0; p < s.rowFlags().count(); ++p) out.push_back("#" + std::to_string(s.rowFlags().at(p)));
  return out;
}

TEST(Lists, RowInsertionThatRunsOutOfMemoryLeavesNoHalfRow) {
  for (const int32_t row : {0, 1, 2}) {  // in the middle, and appended
    ArrayStore s;
    s.dimensions().setCount(2);
    s.dimensions().setBoundary(1, 3);
    s.rowFlags().setAutoSelect(true);
    for (const char* text : {"a", "a", "a", "b", "b", "b"}) s.append(CellDescriptor::ofString(text));
    const std::vector<std::string> before = cells(s);
    const int failures = testing::forEachAllocationFailure([&] { recordset::insertRowFromList(s, "x,y,z", row); },
                                                           [&](bool threw) {
                                                             EXPECT_TRUE(threw);
                                                             EXPECT_EQ(cells(s), before) << "row " << row;
                                                           });
    EXPECT_GT(failures, 0);
    EXPECT_EQ(s.size(), 9);
  }
}

}  // namespace
}  // namespace tessel
