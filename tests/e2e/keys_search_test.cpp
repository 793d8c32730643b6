// Keys and searches reached through the routine tables, in the comparison
// modes the actions and the setup record choose.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/core_e2e.h"

namespace tessel::testing {
namespace {

using namespace core;

TEST(Keys, EmptyArrayFindsNothing) {
  Instance o;
  EXPECT_EQ(o.integer(kIndexOfKeyString, std::string("a")), -1);
  EXPECT_EQ(o.integer(kIndexOfKeyValue, 0), -1);
  const ExpressionCall none = o.call(kStringWithKeyString, std::string("a"));
  EXPECT_EQ(none.raw, 0);
  EXPECT_FALSE(none.textFlag);
  EXPECT_EQ(o.integer(kValueWithKeyValue, 0), 0);
  EXPECT_EQ(o.integer(kFindString, std::string(""), 0), -1);
  EXPECT_EQ(o.integer(kContainsString, std::string(""), 0), -1);
}

TEST(Keys, GettersAndSetters) {
  Instance o;
  appendStrings(o, {"zero", "one", "two"});
  o.act(kSetKeyString, std::string("k1"), 1);
  o.act(kSetKeyValue, 42, 2);
  o.act(kSetKeyString, std::string("far"), 3);  // outside: nothing, the array does not grow
  o.act(kSetKeyString, std::string("neg"), -1);
  EXPECT_EQ(o.integer(kSize), 3);
  EXPECT_EQ(keys(o), "-|k1|42");
  EXPECT_EQ(o.text(kKeyString, 0), std::nullopt);  // no key
  EXPECT_EQ(o.text(kKeyString, 3), std::nullopt);
  EXPECT_EQ(o.integer(kKeyValue, 2), 42);
  EXPECT_EQ(o.integer(kKeyValue, 1), 0);  // "k1" has no leading digits
  EXPECT_EQ(o.integer(kKeyValue, -1), 0);
  o.act(kSetKeyValue, 0, 2);  // a value key of 0 leaves an empty key
  EXPECT_EQ(o.text(kKeyString, 2), "");
  EXPECT_EQ(all(o), "zero|one|two");  // keys never touch the elements
}

TEST(Keys, LookUpsReturnTheElementNotTheKey) {
  Instance o;
  appendStrings(o, {"apple", "17", "pear"});
  o.act(kSetKeyString, std::string("Fruit"), 0);
  o.act(kSetKeyValue, 7, 1);
  o.act(kSetKeyString, std::string("7"), 2);
  EXPECT_EQ(o.integer(kIndexOfKeyString, std::string("fruit")), 0);  // case-insensitive by default
  EXPECT_EQ(o.text(kStringWithKeyString, std::string("FRUIT")), "apple");
  EXPECT_EQ(o.integer(kValueWithKeyString, std::string("fruit")), 0);
  // A value descriptor meets a value key and a string key "7" alike: the first wins.
  EXPECT_EQ(o.integer(kIndexOfKeyValue, 7), 1);
  EXPECT_EQ(o.text(kStringWithKeyValue, 7), "17");
  EXPECT_EQ(o.integer(kValueWithKeyValue, 7), 17);
  // A string descriptor meets the value key by its text.
  EXPECT_EQ(o.integer(kIndexOfKeyString, std::string("7")), 1);
  EXPECT_EQ(o.integer(kValueWithKeyValue, 8), 0);
  EXPECT_EQ(o.text(kStringWithKeyValue, 8), std::nullopt);
  // keyStr$( hands out the store's text and leaves it in place.
  EXPECT_EQ(o.text(kStringWithKeyString, std::string("fruit")), "apple");
  EXPECT_EQ(o.text(kGetString, 0), "apple");
}

TEST(Keys, ValueZeroMatchesEmptyAndNonNumericKeysOnly) {
  Instance o;
  appendStrings(o, {"a", "b", "c", "d"});
  o.act(kSetKeyValue, 5, 0);
  // cell 1 has no key and is skipped
  o.act(kSetKeyString, std::string("x9"), 2);
  o.act(kSetKeyValue, 0, 3);
  EXPECT_EQ(o.integer(kIndexOfKeyValue, 0), 2);
  EXPECT_EQ(o.integer(kIndexOfKeyString, std::string("")), 3);
}

TEST(Keys, StoredKeyIsThePatternInWildcardMode) {
  TesselSetup setup = makeSetup();
  setup.wildcard = 3;  // any non-zero flag selects wildcard mode
  Instance o(setup);
  appendStrings(o, {"first", "second"});
  o.act(kSetKeyString, std::string("abc"), 0);
  o.act(kSetKeyString, std::string("ab*"), 1);
  // "ab*" searched is a plain text in wildcard mode: only the stored pattern matches it.
  EXPECT_EQ(o.integer(kIndexOfKeyString, std::string("ab*")), 1);
  EXPECT_EQ(o.integer(kIndexOfKeyString, std::string("abX")), 1);
  o.act(kLiteral);
  EXPECT_EQ(o.integer(kIndexOfKeyString, std::string("abX")), -1);
  EXPECT_EQ(o.integer(kIndexOfKeyString, std::string("AB*")), 1);
}

TEST(Keys, CaseFlagFromTheSetupRecord) {
  TesselSetup setup = makeSetup();
  setup.caseSensitive = 5;  // any non-zero flag selects case-sensitive comparisons
  Instance o(setup);
  o.act(kAppendString, std::string("x"));
  o.act(kSetKeyString, std::string("Key"), 0);
  EXPECT_EQ(o.integer(kIndexOfKeyString, std::string("key")), -1);
  EXPECT_EQ(o.integer(kIndexOfKeyString, std::string("Key")), 0);
  o.act(kCaseInsensitive);
  EXPECT_EQ(o.integer(kIndexOfKeyString, std::string("key")), 0);
}

TEST(Find, MatchingStringAndValue) {
  Instance o;
  o.act(kAppendValue, 12);
  appendStrings(o, {"Abc", "", "x"});
  o.act(kAppendValue, 0);  // an empty cell
  EXPECT_EQ(o.integer(kFindString, std::string("abc"), 0), 1);
  EXPECT_EQ(o.integer(kFindString, std::string("12"), 0), 0);  // a value by its decimal text
  EXPECT_EQ(o.integer(kFindString, std::string(""), 0), 2);
  EXPECT_EQ(o.integer(kFindString, std::string("a*"), 0), -1);  // literal: * is a character
  EXPECT_EQ(o.integer(kFindValue, 12, 0), 0);
  EXPECT_EQ(o.integer(kFindValue, 0, 0), 1);  // "Abc" has the value 0
  EXPECT_EQ(o.integer(kFindValue, 13, 0), -1);
  for (const int32_t ignored : {-1, 0, 3, 99}) {
    EXPECT_EQ(o.integer(kFindString, std::string("x"), ignored), 3);
    EXPECT_EQ(o.integer(kContainsString, std::string("b"), ignored), 1);
  }
  o.act(kCaseSensitive);
  EXPECT_EQ(o.integer(kFindString, std::string("abc"), 0), -1);
}

TEST(Find, MatchingStringInWildcardMode) {
  Instance o;
  appendStrings(o, {"abcd", "abbbc", "ac"});
  o.act(kWildcard);
  EXPECT_EQ(o.integer(kFindString, std::string("a*c"), 0), 1);
  EXPECT_EQ(o.integer(kFindString, std::string("a?c"), 0), -1);
  EXPECT_EQ(o.integer(kFindString, std::string("A*C"), 0), 1);  // case folds
  EXPECT_EQ(o.integer(kFindString, std::string("***"), 0), 0);
  EXPECT_EQ(o.integer(kFindString, std::string("a*d"), 0), 0);
  EXPECT_EQ(o.integer(kFindString, std::string("ac"), 0), 2);
}

TEST(Find, ContainingStringAndValue) {
  Instance o;
  appendStrings(o, {"xyz", "abc", "xbcx", "x23"});
  o.act(kAppendValue, 1234);
  EXPECT_EQ(o.integer(kContainsString, std::string("bc"), 0), 1);
  EXPECT_EQ(o.integer(kContainsString, std::string("BCX"), 0), 2);
  EXPECT_EQ(o.integer(kContainsString, std::string(""), 0), 0);
  EXPECT_EQ(o.integer(kContainsString, std::string("34"), 0), 4);  // in a value's decimal text
  EXPECT_EQ(o.integer(kContainsValue, 23, 0), 3);
  EXPECT_EQ(o.integer(kContainsValue, 1234, 0), 4);
  EXPECT_EQ(o.integer(kContainsValue, -1, 0), -1);
}

TEST(Find, TextShorterThanTheNeedleNeverContainsIt) {
  Instance o;
  appendStrings(o, {"", "ab", "abc"});
  EXPECT_EQ(o.integer(kContainsString, std::string("abcd"), 0), -1);
  EXPECT_EQ(o.integer(kContainsString, std::string("abc"), 0), 2);
  o.act(kWildcard);
  // Each window is as long as the pattern: "*" needs one character, "??" two.
  EXPECT_EQ(o.integer(kContainsString, std::string("*"), 0), 1);
  EXPECT_EQ(o.integer(kContainsString, std::string("???"), 0), 2);
  EXPECT_EQ(o.integer(kContainsString, std::string("????"), 0), -1);
  EXPECT_EQ(o.integer(kContainsString, std::string("b?"), 0), 2);
  EXPECT_EQ(o.integer(kContainsString, std::string("a*"), 0), 1);
}

}  // namespace
}  // namespace tessel::testing
