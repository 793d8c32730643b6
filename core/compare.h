// Every string comparison of the system: literal compare, the wildcard
// matcher, and the two search-mode comparisons built on them. Case folding
// touches A to Z only; bytes compare unsigned.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessel {

struct CompareMode {
  bool caseSensitive = false;
  bool wildcard = false;
};

// A byte as the comparisons see it: A to Z folded to a to z unless case counts.
inline unsigned char foldCase(unsigned char c, bool caseSensitive) {
  return !caseSensitive && c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Negative, 0 or positive, as strcmp (case-sensitive) or with A-Z folded to
// a-z. Null sorts before any text; two nulls are equal.
int literalCompare(const char* a, const char* b, bool caseSensitive);

// The first eight bytes of a non-null text, folded as literal compare folds
// them, the terminator and what follows it as zeros, read as one big-endian
// number. Where two texts' prefixes differ they order as literal compare
// orders the texts; where they are equal and end in a zero byte the texts are
// equal, else the comparison goes on from the ninth byte.
uint64_t literalPrefix(const char* text, bool caseSensitive);

// 0 when the whole text matches the pattern ('*' any run, '?' one
// character), 1 when not; a null pattern gives -1, a null text 1, both null 0.
int wildcardMatch(const char* pattern, const char* text, bool caseSensitive);
// The same against exactly the first n characters of text.
int wildcardMatch(const char* pattern, const char* text, std::size_t n, bool caseSensitive);

// 0 when equal: literal compare in literal mode; in wildcard mode a is the pattern and b the text.
int equalInSearchMode(const char* a, const char* b, CompareMode mode);

// 0 when the n characters at text equal the needle: strncmp (or folded) in
// literal mode; in wildcard mode the needle is a pattern matched against
// exactly those n characters, and fewer than n remaining gives 1.
int prefixEqualInSearchMode(const char* needle, const char* text, int n, CompareMode mode);

}  // namespace tessel
