// The page's answers that must be quick for many cells, compiled optimised
// (bridge.cpp is not): cells as JSON, and what a level map draws.
#pragma once

#include <cstdint>
#include <string>

#include "core/array_store.h"

namespace tessel::workbench {

// Cells first.. (count of them) as a JSON list, straight from the array: a
// value as a number (0 for an empty cell, which a game reads as 0), a text as
// a string of its bytes, data as [its byte count], null past the end.
std::string cellLooks(const ArrayStore& store, int32_t first, int32_t count);

// A flood fill's cells: of the page of `columns` x `rows` cells from `first`,
// the ones joined to (x, y) through their sides that hold what it holds (the
// same type and value, or the same bytes), as a JSON list of their offsets in
// the page; null when (x, y) is past the array's end.
std::string regionOf(const ArrayStore& store, int32_t first, int32_t columns, int32_t rows, int32_t x, int32_t y);

}  // namespace tessel::workbench
