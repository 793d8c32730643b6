// 0 to n - 1 arranged against a middle-pivot quicksort, for the tests and the
// benchmarks: the middle item of every range it partitions is its smallest
// (found by following the partitions on the items' first positions, handing
// out values in order), so a plain quicksort takes quadratic time.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace tessel::testing {

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

}  // namespace tessel::testing
