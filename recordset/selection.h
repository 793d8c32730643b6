// Row selection: SQL-like WHERE and BETWEEN queries over one column, combined
// in OR mode (passing rows join the selection) or AND mode (failing rows
// leave it). Flags belong to positions; only these operations change them.
#pragma once

#include <cstdint>

#include "core/array_store.h"

namespace tessel::recordset {

void useAndMode(ArrayStore& store);
void useOrMode(ArrayStore& store);
// OR mode, then no row selected: the next query selects exactly its passing rows.
void startNewWhere(ArrayStore& store);
void selectAllRows(ArrayStore& store);
void invertSelection(ArrayStore& store);

// Each query tests the cell at p * C + c of every physical row p; a negative
// column or a missing cell fails. Columns are not checked against C.
void whereMatching(ArrayStore& store, int32_t c, const char* text);
void whereContaining(ArrayStore& store, int32_t c, const char* text);
void whereEqual(ArrayStore& store, int32_t c, int32_t v);
void whereNotEqual(ArrayStore& store, int32_t c, int32_t v);
void whereGreater(ArrayStore& store, int32_t c, int32_t v);
void whereGreaterOrEqual(ArrayStore& store, int32_t c, int32_t v);
void whereLess(ArrayStore& store, int32_t c, int32_t v);
void whereLessOrEqual(ArrayStore& store, int32_t c, int32_t v);
// Both bounds included; strings compare literally, whatever the search mode.
void whereBetweenStrings(ArrayStore& store, int32_t c, const char* low, const char* high);
void whereBetweenValues(ArrayStore& store, int32_t c, int32_t low, int32_t high);

}  // namespace tessel::recordset
