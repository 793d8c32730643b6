#include "core/search.h"

#include <cstring>

#include "core/array_store.h"
#include "core/compare.h"
#include "core/number_text.h"

namespace tessel {

namespace {

bool contains(const CellText& text, const char* needle, std::size_t n, CompareMode mode) {
  if (text.size() < n) return false;
  const char* t = text.c_str();
  for (std::size_t j = 0; j <= text.size() - n; ++j) {
    if (prefixEqualInSearchMode(needle, t + j, static_cast<int>(n), mode) == 0) return true;
  }
  return false;
}

}  // namespace

int32_t findMatchingString(const ArrayStore& store, const char* s) {
  const CompareMode mode = store.compareMode();
  const int32_t n = store.size();
  if (!mode.wildcard && s != nullptr) {
    // Literal: a string cell's bytes are compared where they are, without
    // making a text object per cell. Folding keeps a text's length, so a
    // string cell of another length, which the cell itself tells, is passed
    // over unread, and one that differs in its first byte without a call.
    const std::size_t length = std::strlen(s) + 1;
    const unsigned char want = foldCase(static_cast<unsigned char>(s[0]), mode.caseSensitive);
    for (int32_t i = 0; i < n; ++i) {
      const Cell& cell = *store.cellAt(i);
      if (cell.type() == CellType::string) {
        if (static_cast<std::size_t>(cell.length()) != length) continue;
        const char* text = cell.bytes();
        if (foldCase(static_cast<unsigned char>(text[0]), mode.caseSensitive) == want &&
            literalCompare(s, text, mode.caseSensitive) == 0) {
          return i;
        }
      } else if (literalCompare(s, cell.text().c_str(), mode.caseSensitive) == 0) {
        return i;
      }
    }
    return -1;
  }
  for (int32_t i = 0; i < n; ++i) {
    if (equalInSearchMode(s, store.cellAt(i)->text().c_str(), mode) == 0) return i;
  }
  return -1;
}

int32_t findMatchingValue(const ArrayStore& store, int32_t v) {
  for (int32_t i = 0; i < store.size(); ++i) {
    if (store.cellAt(i)->value() == v) return i;
  }
  return -1;
}

int32_t findContainingString(const ArrayStore& store, const char* s) {
  if (s == nullptr) return -1;
  const std::size_t n = std::strlen(s);
  // Longer needles than any cell text can hold are not searched for.
  if (n > static_cast<std::size_t>(INT32_MAX)) return -1;
  const CompareMode mode = store.compareMode();
  for (int32_t i = 0; i < store.size(); ++i) {
    if (contains(store.cellAt(i)->text(), s, n, mode)) return i;
  }
  return -1;
}

int32_t findContainingValue(const ArrayStore& store, int32_t v) {
  char digits[kDecimalBufferSize];
  formatInteger(v, digits);
  return findContainingString(store, digits);
}

}  // namespace tessel
