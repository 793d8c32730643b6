// The object's own array file: dimensions, boundaries, labels and every cell
// with its key, little-endian, behind the magic "QVXARRAY".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/array_store.h"
#include "persist/array_image.h"
#include "persist/file_handler.h"

namespace tessel::persist {

// The store's content as the file's bytes; a save writes them straight from
// the store, so the byte buffer is its only copy.
std::string writeNativeFile(const ArrayStore& store);
// The image a file holds, or nothing when its magic or version is refused.
std::optional<ArrayImage> readNativeFile(std::string_view bytes);
// Puts an image into the store. A replacing load takes the image's dimension
// count and boundaries; both modes append the cells and set the labels.
void applyNativeImage(ArrayStore& store, const ArrayImage& image, LoadMode mode);

void saveToFile(const ArrayStore& store, const char* name, WriteMode mode);
// A file that cannot be read is an empty image: a replacing load still
// empties the array and sets its dimension count to 0.
void loadFromFile(ArrayStore& store, const char* name, LoadMode mode);

}  // namespace tessel::persist
