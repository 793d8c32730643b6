// Keys, searches, sorting and totals reached through the routine tables, in
// the comparison modes the actions and the setup record choose.
#include <climits>
#include <string>

#include "tests/e2e/core_e2e.h"

namespace tessel::testing {
namespace {

using namespace core;

TEST(Keys, SettersGettersAndLookUps) {
  Instance o;
  const ExpressionCall none = o.call(kStringWithKeyString, std::string("a"));  // empty array
  EXPECT_EQ(none.raw, 0);
  EXPECT_FALSE(none.textFlag);
  EXPECT_EQ(results(o, kIndexOfKeyString, {"a"}) + results(o, kFindString, {""}) + results(o, kContainsString, {""}),
            "-1-1-1");
  appendStrings(o, {"x", "apple", "17", "pear", "plum"});
  o.act(kSetKeyString, std::string("Fruit"), 1);
  o.act(kSetKeyValue, 7, 2);
  o.act(kSetKeyString, std::string("7"), 3);
  o.act(kSetKeyValue, 0, 4);                    // an empty key
  o.act(kSetKeyString, std::string("far"), 5);  // outside: nothing, the array does not grow
  EXPECT_EQ(all(o), "x|apple|17|pear|plum");
  EXPECT_EQ(keys(o), "-|Fruit|7|7|");
  EXPECT_EQ(o.text(kStringWithKeyString, std::string("FRUIT")), "apple");  // the element, case-insensitive
  EXPECT_EQ(o.text(kStringWithKeyValue, 7), "17");
  EXPECT_EQ(o.text(kStringWithKeyValue, 8), std::nullopt);
  EXPECT_EQ(results(o, kKeyValue, {2, -1}), "7 0");
  EXPECT_EQ(results(o, kValueWithKeyString, {"fruit"}), "0");
  // A value descriptor meets a value key and a string key "7" alike: the first wins. Value 0
  // meets empty and non-numeric keys ("Fruit" reads 0); cells without a key are skipped.
  EXPECT_EQ(results(o, kIndexOfKeyValue, {7, 0}), "2 1");
  EXPECT_EQ(results(o, kValueWithKeyValue, {7}), "17");
  EXPECT_EQ(results(o, kIndexOfKeyString, {"7", ""}), "2 4");  // a value key by its text
}

TEST(Keys, SetupFlagsChooseTheComparison) {
  TesselSetup setup = makeSetup();
  setup.wildcard = 3;       // any non-zero flag: wildcard mode
  setup.caseSensitive = 5;  // any non-zero flag: case-sensitive
  Instance o(setup);
  appendStrings(o, {"first", "second"});
  o.act(kSetKeyString, std::string("abc"), 0);
  o.act(kSetKeyString, std::string("Ab*"), 1);
  // The stored key is the pattern; the searched "Ab*" is a plain text.
  EXPECT_EQ(results(o, kIndexOfKeyString, {"Ab*", "AbX", "abX"}), "1 1 -1");
  o.act(kCaseInsensitive);
  EXPECT_EQ(results(o, kIndexOfKeyString, {"aBX"}), "1");
  o.act(kLiteral);
  EXPECT_EQ(results(o, kIndexOfKeyString, {"abX", "AB*"}), "-1 1");
}

TEST(Find, MatchingAndContaining) {
  Instance o;
  o.act(kAppendValue, 12);
  appendStrings(o, {"Abc", "", "x", "abbbc", "ac"});
  // A value is found by its decimal text; "Abc" has the value 0; in literal mode * is a character.
  EXPECT_EQ(results(o, kFindString, {"abc", "12", "", "a*c"}, 0), "1 0 2 -1");
  EXPECT_EQ(results(o, kFindValue, {0, 13}, 0), "1 -1");
  EXPECT_EQ(results(o, kFindString, {"x"}, -1) + results(o, kFindString, {"x"}, 99), "33");  // ignored
  o.act(kWildcard);
  EXPECT_EQ(results(o, kFindString, {"A*C", "a?c", "a?b*", "ac", "***"}), "1 1 4 5 0");
  o.act(kCaseSensitive);
  EXPECT_EQ(results(o, kFindString, {"A*C"}), "-1");

  Instance c;
  appendStrings(c, {"", "xyz", "abc", "xbcx", "x23"});
  c.act(kAppendValue, 1234);
  // "abcd" is longer than every text.
  EXPECT_EQ(results(c, kContainsString, {"bc", "BCX", "", "abcd"}, 7), "2 3 0 -1");
  EXPECT_EQ(results(c, kContainsValue, {23, 1234}), "4 5");
  c.act(kWildcard);  // each window is as long as the pattern
  EXPECT_EQ(results(c, kContainsString, {"*", "b?x", "????", "?????"}), "1 3 3 -1");
}

std::string sorted(std::initializer_list<const char*> texts, int sort, int32_t caseSensitive = 0) {
  TesselSetup setup = makeSetup();
  setup.caseSensitive = caseSensitive;
  Instance o(setup);
  appendStrings(o, texts);
  o.act(sort);
  return all(o);
}

TEST(Sort, StringsAndValues) {
  EXPECT_EQ(sorted({}, kSortStringsUp), "");
  EXPECT_EQ(sorted({"b", "a", "B"}, kSortStringsUp, 5), "B|a|b");  // any non-zero setup flag: case-sensitive
  EXPECT_EQ(sorted({"1", "3", "2"}, kSortValuesDown), "3|2|1");
  Instance o;
  o.act(kAppendValue, 10);
  o.act(kAppendValue, 9);
  o.act(kSetKeyString, std::string("k9"), 1);
  o.act(kSortStringsUp);  // values by their decimal text
  EXPECT_EQ(all(o), "10|9");
  o.act(kAppendString, std::string("8"));
  o.act(kAppendValue, 0);  // empty, value 0
  o.act(kSortValuesUp);    // keys go with their cells
  EXPECT_EQ(all(o), "_|8|9|10");
  EXPECT_EQ(keys(o), "-|-|k9|-");
}

// Equal cells end where the partitioning puts them: i advances past cells
// ordered before the pivot, j moves down past cells ordered after it, then the
// two are exchanged.
TEST(Sort, EqualCellsEndWhereThePartitioningPutsThem) {
  // Range 0..3, pivot "A": i stops at 0 (b), j at 3 (a): a A B b, i 1, j 2; i stops
  // at 1, j passes B to 1: exchange 1 with 1, i 2, j 0. Range 2..3, pivot "B": a A b B.
  EXPECT_EQ(sorted({"b", "A", "B", "a"}, kSortStringsUp), "a|A|b|B");    // stable would give A a b B
  EXPECT_EQ(sorted({"a", "B", "A", "b"}, kSortStringsDown), "b|B|a|A");  // the same steps mirrored
  // Range 0..3, pivot cell "1b": i passes 0a, j stops at 3 (0d): 0a 0d 0c 1b, i 2, j 2.
  // The pivot cell now sits in slot 3 (comparing with slot 1 would stop i at 2): i
  // passes 0c to 3, j stops at 2. Range 0..2, pivot "0d": exchange 0 and 2: 0c 0d 0a.
  EXPECT_EQ(sorted({"0a", "1b", "0c", "0d"}, kSortValuesUp), "0c|0d|0a|1b");
}

// Maximum, minimum, sum and average, joined by spaces.
std::string totals(Instance& o) {
  return std::to_string(o.integer(kMaximum)) + " " + std::to_string(o.integer(kMinimum)) + " " +
         std::to_string(o.integer(kSum)) + " " + std::to_string(o.integer(kAverage));
}

TEST(Totals, MaximumMinimumSumAverage) {
  Instance o;
  EXPECT_EQ(totals(o), "0 0 0 0");
  o.act(kAppendValue, -5);
  o.act(kAppendValue, 0);  // empty, counts as 0; the average truncates toward zero
  EXPECT_EQ(totals(o), "0 -5 -5 -2");
  o.act(kSetString, std::string("7x"), 1);
  EXPECT_EQ(totals(o), "7 -5 2 1");
  o.act(kSetValue, INT_MAX, 0);
  o.act(kSetValue, 1, 1);
  EXPECT_EQ(totals(o), "2147483647 1 -2147483648 -1073741824");  // the wrapped sum, halved
}

}  // namespace
}  // namespace tessel::testing
