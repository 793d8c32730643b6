// The quicksort whose steps decide where tied keys end, run on ranks in
// O(n log^2 n) whatever the input.
#pragma once

#include <cstdint>
#include <vector>

namespace tessel {

enum class PivotAt : uint8_t { first, middle };

// Sorts items by their ranks (any 32-bit numbers: equal ranks tie, a lower
// rank sorts first) the way the Hoare quicksort with the pivot at the first or
// the middle item of each range does, exchanging items whose ranks tie where
// it does. Returns the arrangement: position k takes the item that was at
// position result[k].
//
// Its scans jump to their stopping item through a segment tree of minima and
// maxima instead of stepping, and a partition exchanges at most one item more
// than its smaller part holds, so no input makes it quadratic.
// Throws std::bad_alloc.
std::vector<int32_t> rankedQuicksort(const std::vector<int32_t>& ranks, PivotAt pivot);

// The same arrangement, mostly by the plain steps on a compact list of ranks
// and positions, which is several times faster wherever the input was not
// built against the pivot. A range still unsorted after `depth` partitions
// on its path (twice a balanced split's depth by default), or after a few
// that split off almost nothing, is handed to rankedQuicksort, so no input
// makes it quadratic either. A negative depth never hands anything on.
// Throws std::bad_alloc.
std::vector<int32_t> quicksortByRank(const std::vector<int32_t>& ranks, PivotAt pivot);
std::vector<int32_t> quicksortByRankWithin(const std::vector<int32_t>& ranks, PivotAt pivot, int32_t depth);

}  // namespace tessel
