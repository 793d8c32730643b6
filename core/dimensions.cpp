#include "core/dimensions.h"

#include <algorithm>

#include "core/arithmetic.h"
#include "core/array_store.h"
#include "core/number_text.h"

namespace tessel {

int32_t Dimensions::product(int32_t k) const {
  if (k >= kEntries) return 0;
  int32_t p = 1;
  for (int32_t e = 1; e <= k; ++e) p = wrapMul(p, entries_[static_cast<std::size_t>(e)]);
  return p;
}

int32_t Dimensions::coordinateOfIndex(int32_t d, int32_t index) const {
  if (d < 1 || d > count_) return 0;
  const int32_t steps = wrapDiv(index, product(d - 1));
  return d == count_ ? steps : wrapMod(steps, entries_[static_cast<std::size_t>(d)]);
}

int32_t Dimensions::indexOfDimensionIndex(const char* text, const std::string& delimiters) const {
  if (text == nullptr) return 0;
  // Each field is cut off in a copy, so a number never reads on into the next field.
  std::string fields(text);
  const auto isDelimiter = [&](char c) { return delimiters.find(c) != std::string::npos; };
  int32_t index = 0;
  std::size_t at = 0;
  // Fields from the 11th on would weigh by entries past the table: they add nothing.
  for (int32_t k = 1; k < kEntries + 1; ++k) {
    while (at < fields.size() && isDelimiter(fields[at])) ++at;
    if (at == fields.size()) break;
    const std::size_t start = at;
    while (at < fields.size() && !isDelimiter(fields[at])) ++at;
    if (at < fields.size()) fields[at++] = '\0';
    index = wrapAdd(index, wrapMul(parseInteger(fields.c_str() + start), product(k - 1)));
  }
  return index;
}

int32_t Dimensions::indexOfXY(int32_t x, int32_t y) const { return wrapAdd(x, wrapMul(entries_[1], y)); }

void resizeBoundary(ArrayStore& store, int32_t d, int32_t b) {
  const Dimensions& dims = store.dimensions();
  // Entry 0 belongs to no dimension, so no layout follows from it.
  if (b < 1 || d < 1 || d >= dims.count()) return;
  const int64_t old = dims.entry(d);
  // Cells per step along d, computed exactly: a step past 32 bits is longer than
  // any array, so it is capped there; an unset lower boundary leaves no layout.
  constexpr int64_t kLongerThanAnyArray = int64_t{1} << 31;
  int64_t step = 1;
  for (int32_t k = 1; k < d && step > 0; ++k) {
    step = dims.entry(k) < 1 ? 0 : std::min(step * dims.entry(k), kLongerThanAnyArray);
  }
  Dimensions after = dims;
  after.setBoundary(d, b);
  if (step < 1 || old < 1 || old == b) {
    // No cell moves (an unset boundary gives no layout to keep), but the
    // number of rows may change all the same.
    store.redimension(after);
    return;
  }
  Regrouping r;
  r.span = step * old;
  r.keep = b > old ? r.span : step * b;
  r.pad = b > old ? step * (b - old) : 0;
  store.regroup(r, after);
}

}  // namespace tessel
