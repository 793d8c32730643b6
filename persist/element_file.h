// One element's bytes to a file, and a whole file into one element as a data
// cell. These go straight to the file, without the file handler or an image.
#pragma once

#include <cstdint>

#include "core/array_store.h"
#include "persist/file.h"

namespace tessel::persist {

// Writes cell i's bytes: a string's text and its zero byte, a data cell's
// bytes, a value's decimal text and a zero byte, nothing for an empty cell
// (the file is still created, or truncated in replace mode). An index
// outside the array opens no file.
void saveElementToFile(const ArrayStore& store, const char* name, WriteMode mode, int32_t i);

// The whole file as a data cell (an empty file gives an empty cell). A file
// that cannot be opened, or one longer than a cell can hold, leaves the array
// unchanged.
void setFileAt(ArrayStore& store, const char* name, int32_t i);
void insertFileAt(ArrayStore& store, const char* name, int32_t i);
void appendFile(ArrayStore& store, const char* name);

}  // namespace tessel::persist
