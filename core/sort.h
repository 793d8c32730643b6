// Sorting the whole array by the cells' texts or values.
#pragma once

#include <cstdint>

#include "core/cell.h"

namespace tessel {

class ArrayStore;

// 2 compares texts (literal compare, the wildcard flag plays no part), 1
// compares values; the routines pass no other.
using SortKind = int16_t;
constexpr SortKind kSortByValue = 1;
constexpr SortKind kSortByString = 2;

enum class SortOrder : int16_t { ascending = 0, descending = 1 };

// Sorts all cells (with their keys) by Hoare partitioning around the middle
// cell of each range. Not stable: equal cells end where the partitioning puts
// them. Cells move; no text is copied; row flags stay with their positions.
// A range still unsorted after about twice the partitions a balanced split
// needs is finished in O(n log^2 n) to the same order, so no input makes the
// sort quadratic (except without memory for a compact copy of the keys).
void sortCells(ArrayStore& store, SortKind kind, SortOrder order);
// The same with the number of partitions a range may go through before that;
// lets the tests reach the bounded path on small inputs.
void sortCellsWithin(ArrayStore& store, SortKind kind, SortOrder order, int32_t depth);

}  // namespace tessel
