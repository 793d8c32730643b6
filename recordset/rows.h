// The recordset view of a 2D array: physical rows are the complete runs of
// C cells; recordset rows are the selected physical rows, in order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/array_store.h"
#include "core/cell.h"
#include "recordset/lists.h"

namespace tessel::recordset {

// The physical rows that can be recordset rows: in 2D those that are
// complete and have a flag (after a boundary change without an element
// operation the flags may outnumber the complete rows, or fall short of
// them); otherwise every flag (compat: the row count of a 1D array counts
// the flags left from its 2D period).
int32_t rowsWithFlags(const ArrayStore& store);
// R: the number of selected rows among them.
int32_t rowCount(const ArrayStore& store);

// The element index of column c of the r-th selected row; for r at or past R
// the index of column c of physical row R (where an appended row goes).
int32_t cellIndexOfRow(const ArrayStore& store, int32_t r, int32_t c);

// The texts of the row's cells joined with the list delimiter, or nothing
// when the array is not 2D, r is not a recordset row or the text passes the bound.
std::optional<std::string> rowList(const ArrayStore& store, int32_t r, TextBound bound = nullptr);
// The texts of column c of every recordset row, or nothing when c is not a
// column or the text passes the bound.
std::optional<std::string> columnList(const ArrayStore& store, int32_t c, TextBound bound = nullptr);

// Fills a row from the items of a list, as string cells from column 0; missing
// items leave empty cells, surplus items are ignored. Insert places the new
// row before recordset row r (r = R allowed); each does nothing outside 2D or
// for a row out of range. A change that runs out of memory is undone.
void insertRowFromList(ArrayStore& store, const char* list, int32_t r);
void appendRowFromList(ArrayStore& store, const char* list);
void replaceRowWithList(ArrayStore& store, const char* list, int32_t r);
void deleteRow(ArrayStore& store, int32_t r);

// The cell at physical row r, column c (index r * C + c); selection and the
// dimension count play no part.
int32_t valueAtColumnRow(const ArrayStore& store, int32_t c, int32_t r);
std::optional<CellText> stringAtColumnRow(const ArrayStore& store, int32_t c, int32_t r);
// The same with the column of a label; 0 or nothing when no label matches.
int32_t valueAtLabelRow(const ArrayStore& store, const char* label, int32_t r);
std::optional<CellText> stringAtLabelRow(const ArrayStore& store, const char* label, int32_t r);

}  // namespace tessel::recordset
