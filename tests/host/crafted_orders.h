// Inputs built against the sorts' pivot choices, for the tests and the
// benchmarks: each takes a plain quicksort quadratic time.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace tessel::testing {

// The plain quicksort the tests compare with takes quadratic time on these:
// seconds at 100,000 items optimised, minutes unoptimised with sanitizers.
#ifdef NDEBUG
inline constexpr int32_t kCraftedItems = 100000;
#else
inline constexpr int32_t kCraftedItems = 20000;
#endif

// 0 to n - 1 arranged so that the middle item of every range a middle-pivot
// quicksort partitions is its smallest: found by following the partitions on
// the items' first positions, handing out values in order.
inline std::vector<int32_t> middlePivotKiller(int32_t n) {
  std::vector<int32_t> at(static_cast<std::size_t>(n));  // the item at each position, by first position
  for (int32_t k = 0; k < n; ++k) at[static_cast<std::size_t>(k)] = k;
  std::vector<int32_t> values(static_cast<std::size_t>(n));
  for (int32_t lo = 0; lo < n; ++lo) {
    const int32_t mid = lo + (n - 1 - lo) / 2;
    values[static_cast<std::size_t>(at[static_cast<std::size_t>(mid)])] = lo;
    std::swap(at[static_cast<std::size_t>(lo)], at[static_cast<std::size_t>(mid)]);  // the partition's one exchange
  }
  return values;
}

// For the first-row pivot: in order, each value twice (every pivot is the
// smallest of its range and its twin stops the backward scan at the far end).
inline std::vector<int32_t> firstPivotKiller(int32_t n) {
  std::vector<int32_t> values(static_cast<std::size_t>(n));
  for (int32_t k = 0; k < n; ++k) values[static_cast<std::size_t>(k)] = k / 2;
  return values;
}

}  // namespace tessel::testing
