#include "core/compare.h"

#include <cstring>

namespace tessel {

namespace {

bool same(char a, char b, bool caseSensitive) {
  return foldCase(static_cast<unsigned char>(a), caseSensitive) ==
         foldCase(static_cast<unsigned char>(b), caseSensitive);
}

int compareBytes(const char* a, const char* b, std::size_t limit, bool caseSensitive) {
  // Case-sensitive comparison is the C library's, which compares unsigned bytes too.
  if (caseSensitive) return limit == static_cast<std::size_t>(-1) ? std::strcmp(a, b) : std::strncmp(a, b, limit);
  for (std::size_t i = 0; i < limit; ++i) {
    const int ca = foldCase(static_cast<unsigned char>(a[i]), caseSensitive);
    const int cb = foldCase(static_cast<unsigned char>(b[i]), caseSensitive);
    if (ca != cb || ca == 0) return ca - cb;
  }
  return 0;
}

}  // namespace

int literalCompare(const char* a, const char* b, bool caseSensitive) {
  if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
  return compareBytes(a, b, static_cast<std::size_t>(-1), caseSensitive);
}

uint64_t literalPrefix(const char* text, bool caseSensitive) {
  uint64_t prefix = 0;
  bool ended = false;
  for (int k = 0; k < 8; ++k) {
    const unsigned char c = ended ? 0 : foldCase(static_cast<unsigned char>(text[k]), caseSensitive);
    ended = ended || c == 0;
    prefix = prefix << 8 | c;
  }
  return prefix;
}

int wildcardMatch(const char* pattern, const char* text, std::size_t n, bool caseSensitive) {
  if (pattern == nullptr || text == nullptr) return pattern == text ? 0 : (pattern == nullptr ? -1 : 1);
  const char* p = pattern;
  const char* t = text;
  const char* const end = text + n;
  // Literal run up to the first star.
  while (t != end && *p != '*') {
    if (*p != '?' && !same(*p, *t, caseSensitive)) return 1;
    ++p;
    ++t;
  }
  const char* resume = nullptr;
  const char* retry = nullptr;
  while (t != end) {
    if (*p == '*') {
      if (*++p == '\0') return 0;
      resume = p;
      retry = t + 1;
    } else if (*p == '?' || same(*p, *t, caseSensitive)) {
      ++p;
      ++t;
    } else {
      if (resume == nullptr) return 1;
      p = resume;
      t = retry++;
    }
  }
  while (*p == '*') ++p;
  return *p == '\0' ? 0 : 1;
}

int wildcardMatch(const char* pattern, const char* text, bool caseSensitive) {
  return wildcardMatch(pattern, text, text == nullptr ? 0 : std::strlen(text), caseSensitive);
}

int equalInSearchMode(const char* a, const char* b, CompareMode mode) {
  return mode.wildcard ? wildcardMatch(a, b, mode.caseSensitive) : literalCompare(a, b, mode.caseSensitive);
}

int prefixEqualInSearchMode(const char* needle, const char* text, int n, CompareMode mode) {
  if (!mode.wildcard) {
    if (needle == nullptr && text == nullptr) return 0;
    if (n < 1) return 0;
    if (needle == nullptr) return -1;
    if (text == nullptr) return 1;
    return compareBytes(needle, text, static_cast<std::size_t>(n), mode.caseSensitive);
  }
  if (text == nullptr || n < 0) return 1;
  const auto count = static_cast<std::size_t>(n);
  if (strnlen(text, count) < count) return 1;
  return wildcardMatch(needle, text, count, mode.caseSensitive);
}

}  // namespace tessel
