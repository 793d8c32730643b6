// The object's own array file: dimensions, boundaries, labels and every cell
// with its key, little-endian, behind the magic "QVXARRAY".
//
// Layout: integers little-endian (i16/u16 2 bytes, i32 4 bytes), no padding.
//
//   offset  size      field                what a reader does with bad values
//   0       8         "QVXARRAY"           any other bytes (letter case too): not this format
//   8       2 u16     version, 1           read as signed: above 1 is refused; 0 and
//                                          32768-65535 are accepted, as they always were
//   10      4 i32     dimension count D    above 10: boundaries past the tenth are skipped
//   14      4 × D     boundaries 1 to D    the last one written is always 0
//   then    4 i32     label count L        negative: no labels (damaged)
//           L slots   i32 length n, then n bytes of text (no terminator); n of 0 is a
//                     slot without a label, negative is damaged and loads none
//   then    4 i32     cell count N         negative: no cells (damaged)
//           N records cell record, then key record, each:
//                       2 u16 kind: 0 empty, 1 value, 2 string, 3 data (the cell types);
//                             another kind loads as data (damaged)
//                       4 i32 length: 4 for a value, the text + its zero byte for a
//                             string, the byte count for data, 0 for empty or no key;
//                             below 1 the record has no payload (negative: damaged)
//                       payload: a value's 4 bytes (a value of another length reads
//                             4 bytes, damaged), else `length` bytes; a string runs
//                             to its first zero byte
//
// A file that ends early keeps every count and payload read so far, a field
// cut short keeps its low bytes, and the load says the file is damaged. Bytes
// after the last record are ignored.
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

// The native file keeps everything: the report, when asked for, only says so.
Status saveToFile(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode,
                  SaveReport* report = nullptr);
// compat: a file that cannot be read is an empty image: a replacing load
// still empties the array and sets its dimension count to 0. The outcome
// says why the file was not read.
Status loadFromFile(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode);

}  // namespace tessel::persist
