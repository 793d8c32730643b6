// Maximum, minimum, sum and average of one column over the selected rows.
// Every selected row counts, its cell read as a value (0 when empty, not a
// number, data, or outside the array); the average divides by the number of
// selected rows, truncating toward zero. No rows or a negative column give 0.
#pragma once

#include <cstdint>

#include "core/array_store.h"

namespace tessel::recordset {

enum class Aggregate { maximum, minimum, sum, average };

int32_t columnAggregate(const ArrayStore& store, int32_t c, Aggregate what);
// The same with the column of a label; 0 when no label matches.
int32_t labelAggregate(const ArrayStore& store, const char* label, Aggregate what);

}  // namespace tessel::recordset
