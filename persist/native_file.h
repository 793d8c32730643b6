// The object's own array file: dimensions, boundaries, labels and every cell
// with its key, little-endian, behind the magic "QVXARRAY".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/array_store.h"
#include "core/status.h"
#include "persist/array_image.h"
#include "persist/byte_io.h"
#include "persist/file_handler.h"

namespace tessel::persist {

// The store's content as the file's bytes, streamed straight from the store.
void writeNativeFile(const ArrayStore& store, ByteWriter& out);
// The image a file holds, or nothing when its magic or version is refused.
std::optional<ArrayImage> readNativeFile(std::string_view bytes);
// Puts an image into the store. A replacing load takes the image's dimension
// count and boundaries; both modes append the cells and set the labels.
void applyNativeImage(ArrayStore& store, const ArrayImage& image, LoadMode mode);

Status saveToFile(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode);
// compat: a file that cannot be read is an empty image: a replacing load
// still empties the array and sets its dimension count to 0. The outcome
// says why the file was not read.
Status loadFromFile(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode);

}  // namespace tessel::persist
