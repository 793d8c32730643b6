// The partition step both quicksorts take, written once.
#pragma once

#include <cstdint>
#include <utility>

namespace tessel {

// One Hoare partition of [lo, hi] around a pivot, taken by value since the
// exchanges may move the item it came from. Both scans stop on items equal
// to it, and those are exchanged. Returns where the scans stood when they
// crossed, i then j: [lo, j] and [i, hi] remain to be sorted.
//
// Items are reached through `items.begin()`, a pointer into a compact list
// (which a 32-bit build keeps in registers, where indices into the list
// spilled them) or an index; `before(it, pivot)` and `after(it, pivot)` say
// where the item at `it` sorts against the pivot, `exchange(a, b)` swaps two.
// Each scan stops inside the range without a bound: on the first round at the
// pivot's own item at the latest, later at the items just exchanged.
template <typename Items, typename Pivot>
std::pair<int32_t, int32_t> hoarePartition(Items& items, int32_t lo, int32_t hi, const Pivot pivot) {
  const auto first = items.begin();
  auto i = first + lo;
  auto j = first + hi;
  for (;;) {
    while (items.before(i, pivot)) ++i;
    while (items.after(j, pivot)) --j;
    if (j < i) break;
    items.exchange(i, j);
    // Stepping past each other ends the partition; j may stand at lo, so the
    // last step is taken on the indices.
    if (j - i < 2) return {static_cast<int32_t>(i - first) + 1, static_cast<int32_t>(j - first) - 1};
    ++i;
    --j;
  }
  return {static_cast<int32_t>(i - first), static_cast<int32_t>(j - first)};
}

}  // namespace tessel
