#include "core/totals.h"

#include <algorithm>

#include "core/arithmetic.h"
#include "core/array_store.h"

namespace tessel {

namespace {

template <typename Pick>
int32_t fold(const ArrayStore& store, Pick pick) {
  if (store.size() == 0) return 0;
  int32_t result = store.cellAt(0)->value();
  for (int32_t i = 1; i < store.size(); ++i) result = pick(result, store.cellAt(i)->value());
  return result;
}

}  // namespace

int32_t maximumValue(const ArrayStore& store) {
  return fold(store, [](int32_t a, int32_t b) { return std::max(a, b); });
}

int32_t minimumValue(const ArrayStore& store) {
  return fold(store, [](int32_t a, int32_t b) { return std::min(a, b); });
}

int32_t sumOfValues(const ArrayStore& store) { return fold(store, wrapAdd); }

int32_t averageValue(const ArrayStore& store) { return wrapDiv(sumOfValues(store), store.size()); }

}  // namespace tessel
