#include "core/compare.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

constexpr CompareMode kLiteral{false, false};
constexpr CompareMode kWildcard{false, true};

TEST(LiteralCompare, FoldsOnlyAToZWhenCaseInsensitive) {
  EXPECT_EQ(literalCompare("Apple", "apple", false), 0);
  EXPECT_LT(literalCompare("Apple", "apple", true), 0);
  EXPECT_LT(literalCompare("_", "a", false), 0);  // letters fold to lower case, above '_'
  EXPECT_GT(literalCompare("_", "A", true), 0);   // '_' lies between upper and lower case
  EXPECT_LT(literalCompare("_", "a", true), 0);
  EXPECT_NE(literalCompare("\xC4", "\xE4", false), 0);  // no folding beyond ASCII
  EXPECT_GT(literalCompare("\xE4", "z", true), 0);      // bytes compare unsigned
}

TEST(LiteralCompare, NullsOrderFirst) {
  EXPECT_EQ(literalCompare(nullptr, nullptr, false), 0);
  EXPECT_LT(literalCompare(nullptr, "", false), 0);
  EXPECT_GT(literalCompare("", nullptr, false), 0);
}

TEST(WildcardMatch, StarAndQuestionMark) {
  for (const char* t : {"abc", "ac", "abbbc"}) EXPECT_EQ(wildcardMatch("a*c", t, false), 0) << t;
  EXPECT_EQ(wildcardMatch("a*c", "abcd", false), 1);
  EXPECT_EQ(wildcardMatch("a?c", "abc", false), 0);
  EXPECT_EQ(wildcardMatch("a?c", "ac", false), 1);
  EXPECT_EQ(wildcardMatch("*", "", false), 0);
  EXPECT_EQ(wildcardMatch("***", "anything", false), 0);
  EXPECT_EQ(wildcardMatch("ab", "ab", false), 0);
  EXPECT_EQ(wildcardMatch("ab", "abc", false), 1);
  EXPECT_EQ(wildcardMatch("A*C", "abc", false), 0);
  EXPECT_EQ(wildcardMatch("A*C", "abc", true), 1);
  EXPECT_EQ(wildcardMatch("*b*b", "abxab", false), 0);  // needs the retry after a false start
  EXPECT_EQ(wildcardMatch(nullptr, "x", false), -1);
  EXPECT_EQ(wildcardMatch("x", nullptr, false), 1);
}

TEST(SearchMode, EqualityAndPrefixFollowTheMode) {
  EXPECT_EQ(equalInSearchMode("h*", "hello", kLiteral) == 0, false);
  EXPECT_EQ(equalInSearchMode("h*", "hello", kWildcard), 0);
  EXPECT_EQ(prefixEqualInSearchMode("bc", "bcx", 2, kLiteral), 0);
  EXPECT_EQ(prefixEqualInSearchMode("b?", "bcx", 2, kWildcard), 0);
  EXPECT_EQ(prefixEqualInSearchMode("b?", "b", 2, kWildcard), 1);  // fewer than n characters remain
  EXPECT_EQ(prefixEqualInSearchMode("", "x", 0, kLiteral), 0);
}

}  // namespace
}  // namespace tessel
