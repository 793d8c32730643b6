// The key cell each element may carry: reading and setting it by index, and
// finding the first element whose key equals a searched key.
#pragma once

#include <cstdint>
#include <optional>

#include "core/cell.h"

namespace tessel {

class ArrayStore;

// The text of the key of cell i; nothing outside the array or without a key.
std::optional<CellText> keyStringAt(const ArrayStore& store, int32_t i);
// The value of the key of cell i; 0 outside the array or without a key.
int32_t keyValueAt(const ArrayStore& store, int32_t i);
// Keys set outside the array are ignored; a value key of 0 leaves an empty key.
void setKeyStringAt(ArrayStore& store, const char* key, int32_t i);
void setKeyValueAt(ArrayStore& store, int32_t key, int32_t i);

// The first index whose key equals the descriptor, or -1. A value descriptor
// compares with the key's value; a string descriptor with the key's text in
// the search mode, the stored key being the pattern in wildcard mode; raw
// bytes order by length, then bytes. Cells without a key never match.
int32_t indexOfKey(const ArrayStore& store, const CellDescriptor& key);
// The text of the first element with that key; nothing when there is none.
std::optional<CellText> stringWithKey(const ArrayStore& store, const CellDescriptor& key);
// The value of the first element with that key; 0 when there is none.
int32_t valueWithKey(const ArrayStore& store, const CellDescriptor& key);

}  // namespace tessel
