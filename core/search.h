// Finding the first element that matches or contains a string or a value.
// Every search starts at index 0 and returns the first hit, or -1.
#pragma once

#include <cstdint>

namespace tessel {

class ArrayStore;

// The first element whose text equals s in the search mode (s is the pattern in wildcard mode).
int32_t findMatchingString(const ArrayStore& store, const char* s);
// The first element whose value is v; empty cells and strings without digits count as 0.
int32_t findMatchingValue(const ArrayStore& store, int32_t v);
// The first element whose text holds s at some position (in wildcard mode s is
// a pattern for each window of its length). A text shorter than s never does.
int32_t findContainingString(const ArrayStore& store, const char* s);
// As findContainingString with v written in decimal.
int32_t findContainingValue(const ArrayStore& store, int32_t v);

}  // namespace tessel
