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
  for (int32_t i = 0; i < store.size(); ++i) {
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
