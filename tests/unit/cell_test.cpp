#include "core/cell.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/allocation_faults.h"

namespace tessel {
namespace {

std::string textOf(const Cell& c) { return std::string(c.text().view()); }

TEST(Cell, ValueZeroLeavesAnEmptyCell) {
  Cell c;
  c.assignValue(0);
  EXPECT_EQ(c.type(), CellType::empty);
  EXPECT_EQ(c.length(), 0);
  EXPECT_EQ(textOf(c), "");
  EXPECT_EQ(c.value(), 0);
}

TEST(Cell, ValueCellRendersDecimal) {
  Cell c;
  c.assignValue(-5);
  EXPECT_EQ(c.type(), CellType::value);
  EXPECT_EQ(c.length(), 4);
  EXPECT_EQ(textOf(c), "-5");
  EXPECT_EQ(c.value(), -5);
}

TEST(Cell, EmptyStringIsAStringCellButNullIsEmpty) {
  Cell c;
  c.assignString("");
  EXPECT_EQ(c.type(), CellType::string);
  EXPECT_EQ(c.length(), 1);
  EXPECT_EQ(textOf(c), "");
  c.assignString(nullptr);
  EXPECT_EQ(c.type(), CellType::empty);
}

TEST(Cell, StringsReadAsAtol) {
  Cell c;
  for (auto [text, value] : {std::pair{"12abc", 12}, {"  -7", -7}, {"+5", 5}, {"abc", 0}}) {
    c.assignString(text);
    EXPECT_EQ(c.value(), value) << text;
    EXPECT_EQ(textOf(c), text);
    EXPECT_EQ(c.length(), static_cast<int32_t>(std::string(text).size() + 1));
  }
}

TEST(Cell, DataKeepsBytesButReadsEmpty) {
  const char bytes[] = {'4', '2', '\0', '\r', '\n'};
  Cell c;
  c.assignData(bytes, 5);
  EXPECT_EQ(c.type(), CellType::data);
  EXPECT_EQ(c.length(), 5);
  EXPECT_EQ(std::string(c.bytes(), 5), std::string(bytes, 5));
  EXPECT_EQ(textOf(c), "");
  EXPECT_EQ(c.value(), 0);
  c.assignData(bytes, 0);
  EXPECT_EQ(c.type(), CellType::empty);
  c.assignData(nullptr, 3);
  EXPECT_EQ(c.type(), CellType::empty);
}

TEST(Cell, TextsOfTwoCellsStayValidSideBySide) {
  Cell a;
  Cell b;
  a.assignValue(10);
  b.assignValue(9);
  const CellText ta = a.text();
  const CellText tb = b.text();
  EXPECT_STREQ(ta.c_str(), "10");
  EXPECT_STREQ(tb.c_str(), "9");
  const CellText copy = ta;  // a rendering survives copying
  EXPECT_STREQ(copy.c_str(), "10");
}

TEST(Cell, KeysStayThroughNewContent) {
  Cell c;
  c.setKey(CellDescriptor::ofString("k"));
  ASSERT_NE(c.key(), nullptr);
  EXPECT_EQ(c.key()->type(), CellType::string);
  EXPECT_EQ(c.key()->length(), 2);
  c.assignString("new");
  c.assignValue(3);
  ASSERT_NE(c.key(), nullptr);
  EXPECT_EQ(textOf(*c.key()), "k");
  c.setKey(CellDescriptor::ofValue(0));
  ASSERT_NE(c.key(), nullptr);
  EXPECT_EQ(c.key()->type(), CellType::empty);
  c.clear();
  EXPECT_EQ(c.key(), nullptr);
  EXPECT_EQ(c.type(), CellType::empty);
}

TEST(Cell, StringKeyLengthFollowsItsText) {
  Cell c;
  c.setKey({CellType::string, 0, "key", 99});
  EXPECT_EQ(c.key()->length(), 4);
}

TEST(Cell, TakeContentKeepsTheReceiversKey) {
  Cell a;
  Cell b;
  a.setKey(CellDescriptor::ofString("ka"));
  b.assignString("payload");
  b.setKey(CellDescriptor::ofString("kb"));
  a.takeContent(b);
  EXPECT_EQ(textOf(a), "payload");
  EXPECT_EQ(textOf(*a.key()), "ka");
  EXPECT_EQ(b.type(), CellType::empty);
  EXPECT_EQ(textOf(*b.key()), "kb");
}

TEST(Cell, FailedAllocationLeavesTheCellAsItWas) {
  Cell c;
  c.assignString("old");
  const int failures = testing::forEachAllocationFailure([&] { c.assignString("a longer replacement text"); },
                                                         [&](bool threw) {
                                                           EXPECT_TRUE(threw);
                                                           EXPECT_EQ(textOf(c), "old");
                                                         });
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(textOf(c), "a longer replacement text");
  Cell keyed;
  testing::forEachAllocationFailure([&] { keyed.setKey(CellDescriptor::ofString("key")); },
                                    [&](bool) { EXPECT_EQ(keyed.key(), nullptr); });
  EXPECT_EQ(textOf(*keyed.key()), "key");
}

}  // namespace
}  // namespace tessel
