// Row sorting: reorders the selected rows of a 2D array, among their own
// physical positions, by the cells of one column. Cells move whole with their
// keys; labels stay with the columns and flags with the positions.
#pragma once

#include <cstdint>

#include "core/array_store.h"
#include "core/sort.h"

namespace tessel::recordset {

// Nothing happens outside 2D or for a column outside 0 to C - 1.
//
// The order of rows that compare equal is the one a quicksort with the first
// row of each range as pivot leaves (both scans stop on rows equal to the
// pivot, and those are exchanged), so it is followed step by step whenever
// equal cells occur. Where every cell differs the sorted order is unique and
// a faster sort gives it.
void sortRowsByColumn(ArrayStore& store, int32_t c, SortKind kind, SortOrder order);
// The same with the column of a label; a label that names no column changes nothing.
void sortRowsByLabel(ArrayStore& store, const char* label, SortKind kind, SortOrder order);

}  // namespace tessel::recordset
