// The comparisons every search, sort and query goes through, against plain models of their rules on random texts, and
// the cases those never meet: nulls, the default mode, a counted text.
#include "core/compare.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace tessel {
namespace {

int sign(int v) { return (v > 0) - (v < 0); }

// Only A to Z fold; bytes compare unsigned.
int fold(char c, bool caseSensitive) {
  const auto u = static_cast<unsigned char>(c);
  return !caseSensitive && u >= 'A' && u <= 'Z' ? u + 32 : u;
}

// The first n characters of a and b at most, stopping after a terminator.
int modelCompare(const char* a, const char* b, std::size_t n, bool caseSensitive) {
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = fold(a[i], caseSensitive), cb = fold(b[i], caseSensitive);
    if (ca != cb) return sign(ca - cb);
    if (ca == 0) return 0;
  }
  return 0;
}

// Whether the whole text matches, by trying every run a star may take.
bool modelMatch(const char* p, const std::string& t, std::size_t at, bool caseSensitive) {
  if (*p == '\0') return at == t.size();
  if (*p == '*') {
    for (std::size_t k = at; k <= t.size(); ++k) {
      if (modelMatch(p + 1, t, k, caseSensitive)) return true;
    }
    return false;
  }
  return at < t.size() && (*p == '?' || fold(*p, caseSensitive) == fold(t[at], caseSensitive)) &&
         modelMatch(p + 1, t, at + 1, caseSensitive);
}

uint64_t modelPrefix(const std::string& text, bool caseSensitive) {
  uint64_t out = 0;
  for (std::size_t k = 0; k < 8; ++k) out = out << 8 | (k < text.size() ? fold(text[k], caseSensitive) : 0);
  return out;
}

TEST(Compare, EveryComparisonFollowsItsPlainRuleOnRandomTexts) {
  std::mt19937 random(5);
  // The bytes around both ends of A to Z and a to z, a byte past 127, the wildcards.
  const char alphabet[] = "aAzZ@[`{*?_\xe4\xc4";
  const auto text = [&](std::size_t most) {
    std::string s;
    for (auto k = random() % (most + 1); k > 0; --k) s += alphabet[random() % (sizeof alphabet - 1)];
    return s;
  };
  // A text the pattern may match: each star filled with a run, each ? with a character, then at times one character
  // dropped.
  const auto filled = [&](const std::string& pattern) {
    std::string s;
    for (const char c : pattern)
      s += c == '*' ? text(3) : c == '?' ? std::string(1, alphabet[random() % 8]) : std::string(1, c);
    if (!s.empty() && random() % 3 == 0) s.erase(random() % s.size(), 1);
    return s;
  };
  for (int trial = 0; trial < 40000; ++trial) {
    const bool cs = trial % 2 == 1;
    const std::string a = text(10);
    const std::string b = trial % 3 == 0   ? a.substr(0, random() % (a.size() + 1)) + text(3)
                          : trial % 3 == 1 ? filled(a)
                                           : text(10);
    SCOPED_TRACE(::testing::Message() << "[" << a << "] [" << b << "]" << (cs ? " case-sensitive" : ""));
    ASSERT_EQ(sign(literalCompare(a.c_str(), b.c_str(), cs)), modelCompare(a.c_str(), b.c_str(), SIZE_MAX, cs));
    ASSERT_EQ(literalPrefix(a.c_str(), cs), modelPrefix(a, cs));
    ASSERT_EQ(wildcardMatch(a.c_str(), b.c_str(), cs), modelMatch(a.c_str(), b, 0, cs) ? 0 : 1);
    const auto n = static_cast<int>(random() % 13) - 1;
    const CompareMode literal{cs, false}, wildcard{cs, true};
    ASSERT_EQ(sign(prefixEqualInSearchMode(a.c_str(), b.c_str(), n, literal)),
              n < 1 ? 0 : modelCompare(a.c_str(), b.c_str(), static_cast<std::size_t>(n), cs))
        << n;
    const bool fits = n >= 0 && static_cast<std::size_t>(n) <= b.size();
    ASSERT_EQ(prefixEqualInSearchMode(a.c_str(), b.c_str(), n, wildcard),
              fits && modelMatch(a.c_str(), b.substr(0, static_cast<std::size_t>(fits ? n : 0)), 0, cs) ? 0 : 1)
        << n;
    ASSERT_EQ(equalInSearchMode(a.c_str(), b.c_str(), wildcard), modelMatch(a.c_str(), b, 0, cs) ? 0 : 1);
  }
}

TEST(Compare, CasesTheRandomTextsNeverMeet) {
  const CompareMode literal{};
  struct Case {
    int got, expected;
    const char* what;
  } cases[] = {
      {prefixEqualInSearchMode(nullptr, "y", 1, literal), -1, "a null needle"},
      {prefixEqualInSearchMode("y", nullptr, 1, literal), 1, "a null text"},
      {prefixEqualInSearchMode(nullptr, nullptr, 1, literal), 0, "both null"},
      {wildcardMatch(nullptr, "x", false), -1, "a null pattern"},
      {wildcardMatch("x", nullptr, false), 1, "a null text"},
      {wildcardMatch("a*", "ab", 1, false), 0, "a text counted short"},
      {sign(literalCompare(nullptr, "", false)), -1, "null sorts first"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
}

}  // namespace
}  // namespace tessel
