// One element's bytes to a file, and a whole file into one element as a data
// cell. These go straight to the file, without an image; the file handler
// only lends its file system.
#pragma once

#include <cstdint>

#include "core/array_store.h"
#include "core/status.h"
#include "persist/file_handler.h"

namespace tessel::persist {

// Writes cell i's bytes: a string's text and its zero byte, a data cell's
// bytes, a value's decimal text and a zero byte, nothing for an empty cell
// (the file is still created, or truncated in replace mode). An index
// outside the array opens no file (noElement).
Status saveElementToFile(const ArrayStore& store, const FileHandler& files, const char* name, WriteMode mode,
                         int32_t i);

// The whole file as a data cell (an empty file gives an empty cell). A file
// that cannot be opened, or one longer than a cell can hold, leaves the array
// unchanged.
Status setFileAt(ArrayStore& store, const FileHandler& files, const char* name, int32_t i);
Status insertFileAt(ArrayStore& store, const FileHandler& files, const char* name, int32_t i);
Status appendFile(ArrayStore& store, const FileHandler& files, const char* name);

}  // namespace tessel::persist
