// The object's own array file: dimensions, boundaries, labels and every cell
// with its key, little-endian, behind the magic "QVXARRAY".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/array_store.h"
#include "core/dimensions.h"
#include "core/status.h"
#include "persist/byte_io.h"
#include "persist/file_handler.h"
#include "persist/save_report.h"

namespace tessel::persist {

// The store's content as the file's bytes, streamed straight from the store,
// and how many bytes that is.
void writeNativeFile(const ArrayStore& store, ByteWriter& out);
int64_t nativeFileBytes(const ArrayStore& store);
// What a file holds before its cells. The cell records are decoded straight
// into the store from the file's bytes, which must outlive the header.
struct NativeHeader {
  static constexpr int kBoundaries = Dimensions::kEntries;

  int32_t dimensionCount = 0;
  std::array<int32_t, kBoundaries> boundaries{};   // boundary 1 to 10
  std::vector<std::optional<std::string>> labels;  // a slot without bytes has none
  std::string_view cells;                          // the count of records, then the records
  std::string damage;                              // what was wrong before the cells, if anything
};

// The header of a file, or nothing when its magic or version is refused.
std::optional<NativeHeader> readNativeHeader(std::string_view bytes);
// Puts a file into the store. A replacing load takes the header's dimension
// count and boundaries; both modes append the cells and set the labels.
// Returns the first damage met (a file cut short, a malformed record), or
// nothing.
std::string applyNativeFile(ArrayStore& store, const NativeHeader& header, LoadMode mode);

Status saveToFile(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode);
// The native file keeps everything: the report only says so.
Status saveToFile(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode, SaveReport& report);
// compat: a file that cannot be read is an empty image: a replacing load
// still empties the array and sets its dimension count to 0. The outcome
// says why the file was not read.
Status loadFromFile(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode);

}  // namespace tessel::persist
