// Maximum, minimum, sum and average of the values of all cells. Empty cells
// count as 0 and strings by their leading number; an empty array gives 0.
#pragma once

#include <cstdint>

namespace tessel {

class ArrayStore;

int32_t maximumValue(const ArrayStore& store);
int32_t minimumValue(const ArrayStore& store);
// Wraps at 32 bits.
int32_t sumOfValues(const ArrayStore& store);
// The wrapped sum divided by the count, truncating toward zero.
int32_t averageValue(const ArrayStore& store);

}  // namespace tessel
