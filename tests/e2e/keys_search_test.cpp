// Keys and searches reached through the routine tables, in the comparison
// modes the actions and the setup record choose.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/core_e2e.h"

namespace tessel::testing {
namespace {

using namespace core;

std::string s(const char* text) { return text; }

TEST(Keys, EmptyArrayFindsNothing) {
  Instance o;
  EXPECT_EQ(o.integer(kIndexOfKeyString, s("a")), -1);
  const ExpressionCall none = o.call(kStringWithKeyString, s("a"));
  EXPECT_EQ(none.raw, 0);
  EXPECT_FALSE(none.textFlag);
  EXPECT_EQ(o.integer(kValueWithKeyValue, 0), 0);
  EXPECT_EQ(o.integer(kFindString, s(""), 0), -1);
  EXPECT_EQ(o.integer(kContainsString, s(""), 0), -1);
}

TEST(Keys, SettersGettersAndLookUps) {
  Instance o;
  appendStrings(o, {"apple", "17", "pear", "plum"});
  o.act(kSetKeyString, s("Fruit"), 0);
  o.act(kSetKeyValue, 7, 1);
  o.act(kSetKeyString, s("7"), 2);
  o.act(kSetKeyString, s("far"), 4);  // outside: nothing, the array does not grow
  EXPECT_EQ(o.integer(kSize), 4);
  EXPECT_EQ(keys(o), "Fruit|7|7|-");
  EXPECT_EQ(o.text(kKeyString, 3), std::nullopt);
  EXPECT_EQ(o.integer(kKeyValue, 1), 7);
  EXPECT_EQ(o.integer(kKeyValue, -1), 0);
  EXPECT_EQ(o.text(kStringWithKeyString, s("FRUIT")), "apple");  // the element, case-insensitive
  EXPECT_EQ(o.integer(kValueWithKeyString, s("fruit")), 0);
  // A value descriptor meets a value key and a string key "7" alike: the first wins.
  EXPECT_EQ(o.integer(kIndexOfKeyValue, 7), 1);
  EXPECT_EQ(o.text(kStringWithKeyValue, 7), "17");
  EXPECT_EQ(o.integer(kValueWithKeyValue, 7), 17);
  EXPECT_EQ(o.integer(kIndexOfKeyString, s("7")), 1);  // a value key by its text
  EXPECT_EQ(o.text(kStringWithKeyValue, 8), std::nullopt);
  EXPECT_EQ(all(o), "apple|17|pear|plum");
}

TEST(Keys, ValueZeroMatchesEmptyAndNonNumericKeysOnly) {
  Instance o;
  appendStrings(o, {"a", "b", "c", "d"});
  o.act(kSetKeyValue, 5, 0);  // cell 1 has no key and is skipped
  o.act(kSetKeyString, s("x9"), 2);
  o.act(kSetKeyValue, 0, 3);  // an empty key
  EXPECT_EQ(o.integer(kIndexOfKeyValue, 0), 2);
  EXPECT_EQ(o.integer(kIndexOfKeyString, s("")), 3);
}

TEST(Keys, SetupFlagsChooseTheComparison) {
  TesselSetup setup = makeSetup();
  setup.wildcard = 3;       // any non-zero flag: wildcard mode
  setup.caseSensitive = 5;  // any non-zero flag: case-sensitive
  Instance o(setup);
  appendStrings(o, {"first", "second"});
  o.act(kSetKeyString, s("abc"), 0);
  o.act(kSetKeyString, s("Ab*"), 1);
  // The stored key is the pattern; the searched "Ab*" is a plain text.
  EXPECT_EQ(o.integer(kIndexOfKeyString, s("Ab*")), 1);
  EXPECT_EQ(o.integer(kIndexOfKeyString, s("AbX")), 1);
  EXPECT_EQ(o.integer(kIndexOfKeyString, s("abX")), -1);
  o.act(kCaseInsensitive);
  EXPECT_EQ(o.integer(kIndexOfKeyString, s("aBX")), 1);
  o.act(kLiteral);
  EXPECT_EQ(o.integer(kIndexOfKeyString, s("abX")), -1);
  EXPECT_EQ(o.integer(kIndexOfKeyString, s("AB*")), 1);
}

TEST(Find, MatchingStringAndValue) {
  Instance o;
  o.act(kAppendValue, 12);
  appendStrings(o, {"Abc", "", "x", "abbbc", "ac"});
  EXPECT_EQ(o.integer(kFindString, s("abc"), 0), 1);
  EXPECT_EQ(o.integer(kFindString, s("12"), 0), 0);  // a value by its decimal text
  EXPECT_EQ(o.integer(kFindString, s(""), 0), 2);
  EXPECT_EQ(o.integer(kFindString, s("a*c"), 0), -1);  // literal: * is a character
  EXPECT_EQ(o.integer(kFindValue, 0, 0), 1);           // "Abc" has the value 0
  EXPECT_EQ(o.integer(kFindValue, 13, 0), -1);
  for (const int32_t ignored : {-1, 3, 99}) EXPECT_EQ(o.integer(kFindString, s("x"), ignored), 3);
  o.act(kWildcard);
  EXPECT_EQ(o.integer(kFindString, s("A*C"), 0), 1);
  EXPECT_EQ(o.integer(kFindString, s("a?c"), 0), 1);
  EXPECT_EQ(o.integer(kFindString, s("a?b*"), 0), 4);
  EXPECT_EQ(o.integer(kFindString, s("ac"), 0), 5);
  EXPECT_EQ(o.integer(kFindString, s("***"), 0), 0);
  o.act(kCaseSensitive);
  EXPECT_EQ(o.integer(kFindString, s("A*C"), 0), -1);
}

TEST(Find, ContainingStringAndValue) {
  Instance o;
  appendStrings(o, {"", "xyz", "abc", "xbcx", "x23"});
  o.act(kAppendValue, 1234);
  EXPECT_EQ(o.integer(kContainsString, s("bc"), 0), 2);
  EXPECT_EQ(o.integer(kContainsString, s("BCX"), 7), 3);
  EXPECT_EQ(o.integer(kContainsString, s(""), 0), 0);
  EXPECT_EQ(o.integer(kContainsString, s("abcd"), 0), -1);  // longer than every text
  EXPECT_EQ(o.integer(kContainsValue, 23, 0), 4);
  EXPECT_EQ(o.integer(kContainsValue, 1234, 0), 5);
  o.act(kWildcard);  // each window is as long as the pattern
  EXPECT_EQ(o.integer(kContainsString, s("*"), 0), 1);
  EXPECT_EQ(o.integer(kContainsString, s("b?x"), 0), 3);
  EXPECT_EQ(o.integer(kContainsString, s("????"), 0), 3);
  EXPECT_EQ(o.integer(kContainsString, s("?????"), 0), -1);
}

}  // namespace
}  // namespace tessel::testing
