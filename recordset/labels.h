// Column labels of the recordset: look-up by label and the set label rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/array_store.h"
#include "recordset/lists.h"

namespace tessel::recordset {

// The number of columns: boundary 1 of a 2D array, else 0.
int32_t columnCount(const ArrayStore& store);

// The stored label of column c (not a copy), or null.
const char* label(const ArrayStore& store, int32_t c);

// Every entry of the label table, in column order, joined with the list
// delimiter (a column without a label gives an empty item); nothing when the
// array is not 2D, no label was ever set or the text passes the bound. The
// work follows the labels held and the text, not the columns.
std::optional<std::string> labelList(const ArrayStore& store, TextBound bound = nullptr);

// The first column at or after c that has a label, or -1 (also when the
// array is not 2D): a step through the labels held, whatever the columns.
int32_t nextLabelledColumn(const ArrayStore& store, int32_t c);

// The first column whose label equals the text in the store's search mode
// (the text is the pattern in wildcard mode), or -1.
int32_t columnOfLabel(const ArrayStore& store, const char* text);

// Sizes the label table to the column count (creating it when needed), then
// stores a copy of the text as the label of column c when c is in range.
// Nothing happens unless the array is 2D.
void setLabel(ArrayStore& store, const char* text, int32_t c);
// The same for label k of `labels` at column k, all at once (a file's labels);
// a slot without a text sets nothing.
void setLabels(ArrayStore& store, const std::vector<std::optional<std::string>>& labels);

}  // namespace tessel::recordset
