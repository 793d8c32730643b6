// Element operations and settings reached through the routine tables.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

// Action numbers.
constexpr int kInsertString = 6, kInsertValue = 7, kAppendString = 8, kAppendValue = 9, kSetString = 13, kSetValue = 14,
              kDeleteAt = 16, kDeleteAll = 17, kSetDelimiter = 57;
// Expression numbers.
constexpr int kSize = 0, kCapacity = 1, kGetString = 2, kGetValue = 3, kDelimiter = 51;

std::string all(Instance& o) {
  std::string out;
  for (int32_t i = 0; i < o.integer(kSize); ++i) out += (i ? "|" : "") + o.text(kGetString, i).value_or("<none>");
  return out;
}

TEST(Elements, NewArrayIsEmpty) {
  Instance o;
  EXPECT_EQ(o.integer(kSize), 0);
  EXPECT_EQ(o.integer(kCapacity), 25);
  EXPECT_EQ(o.text(kGetString, 0), std::nullopt);
  EXPECT_EQ(o.text(kGetString, -1), std::nullopt);
  EXPECT_EQ(o.integer(kGetValue, 0), 0);
}

TEST(Elements, SetExtendsAndGrowsByTheRule) {
  Instance o;
  o.act(kSetString, std::string("x"), 12);
  EXPECT_EQ(o.integer(kSize), 13);
  EXPECT_EQ(o.integer(kCapacity), 37);
  EXPECT_EQ(o.text(kGetString, 11), "");
  o.act(kSetValue, 5, 100);
  EXPECT_EQ(o.integer(kSize), 101);
  EXPECT_EQ(o.integer(kCapacity), 276);
  EXPECT_EQ(o.integer(kGetValue, 100), 5);
  o.act(kSetString, std::string("y"), -1);
  EXPECT_EQ(o.integer(kSize), 101);
}

TEST(Elements, ValuesAndStringsConvert) {
  Instance o;
  o.act(kAppendValue, 42);
  o.act(kAppendValue, 0);  // stores an empty cell
  o.act(kAppendValue, INT_MIN);
  o.act(kAppendString, std::string("12abc"));
  o.act(kAppendString, std::string(""));
  EXPECT_EQ(all(o), "42||-2147483648|12abc|");
  EXPECT_EQ(o.integer(kGetValue, 0), 42);
  EXPECT_EQ(o.integer(kGetValue, 2), INT_MIN);
  EXPECT_EQ(o.integer(kGetValue, 3), 12);
  EXPECT_EQ(o.integer(kGetValue, 4), 0);
}

TEST(Elements, InsertDeleteAndDeleteAll) {
  Instance o(makeSetup(2, 4));
  o.act(kAppendString, std::string("A"));
  o.act(kAppendString, std::string("B"));
  o.act(kInsertString, std::string("X"), 0);
  o.act(kInsertValue, 7, 5);  // past the end: like set
  EXPECT_EQ(all(o), "X|A|B|||7");
  o.act(kDeleteAt, 0);
  o.act(kDeleteAt, 5);
  EXPECT_EQ(all(o), "A|B|||7");
  for (int i = 0; i < 400; ++i) o.act(kAppendValue, i);
  o.act(kDeleteAll);
  EXPECT_EQ(o.integer(kSize), 0);
  EXPECT_EQ(o.integer(kCapacity), 25);
  EXPECT_EQ(o.integer(26), 2);  // dim( keeps its value
  EXPECT_EQ(o.integer(28), 4);  // and so does boundaryX(
}

TEST(Elements, NullTextsFromAFaultyHostNeverCrash) {
  Instance o;
  o.act(kAppendString);  // a null string: an empty cell
  o.act(kInsertString, {}, 0);
  o.act(kSetString, {}, 3);
  EXPECT_EQ(o.integer(kSize), 4);
  EXPECT_EQ(o.call(kGetString, 0).text, "");
  o.act(kSetDelimiter);  // a null delimiter is ignored
  EXPECT_EQ(o.text(kDelimiter), ",");
}

TEST(Elements, RowFlagsFollowAppendedRows) {
  TesselSetup setup = makeSetup(2, 3);
  setup.autoSelect = 1;
  Instance on(setup);
  on.act(kSetValue, 1, 8);       // three rows of three
  EXPECT_EQ(on.integer(40), 3);  // numberOfRows(
  Instance off(makeSetup(2, 3));
  off.act(kSetValue, 1, 8);
  EXPECT_EQ(off.integer(40), 0);
  on.act(kDeleteAt, 0);  // eight cells: two complete rows
  EXPECT_EQ(on.integer(40), 2);
}

}  // namespace
}  // namespace tessel::testing
