// The host application's array file: a grid of X by Y by Z entries behind the
// magic "HGF ARRAY\0", written as texts, read as texts or integers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/array_store.h"
#include "persist/array_image.h"
#include "persist/file_handler.h"

namespace tessel::persist {

// The store's cells as text entries of a grid X by Y by Z: X and Y are
// boundaries 1 and 2 (1 when 0), Z one more than the number of full X-by-Y
// pages; entries past the last cell are empty. Nothing when X × Y × Z does
// not fit in 32 bits (such a file could not be read back).
std::optional<std::string> writeHostArrayFile(const ArrayStore& store);
// The entries a file holds, or nothing when it cannot be read: wrong magic,
// an X × Y × Z beyond 32 bits, or more than kMaxEmptyTextEntries text entries
// that take no bytes (a format version other than 2).
constexpr int32_t kMaxEmptyTextEntries = 1 << 20;
std::optional<ArrayImage> readHostArrayFile(std::string_view bytes);
// A replacing load takes the fewest dimensions that describe the grid: 1D for
// X = Y = 1, 2D with X columns for Y = 1, else 3D with boundaries X and Y. A
// file that cannot be read (image absent) empties the array and sets its
// dimension count to 0 in a replacing load, and changes nothing in an
// appending one.
void applyHostArrayImage(ArrayStore& store, const std::optional<ArrayImage>& image, LoadMode mode);

void saveAsHostArray(const ArrayStore& store, const char* name, WriteMode mode);
void loadFromHostArray(ArrayStore& store, const char* name, LoadMode mode);

}  // namespace tessel::persist
