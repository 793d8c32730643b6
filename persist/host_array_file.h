// The host application's array file: a grid of X by Y by Z entries behind the
// magic "HGF ARRAY\0", written as texts, read as texts or integers.
//
// Layout: integers are i32, little-endian, no padding.
//
//   offset  size  field            what a reader does with bad values
//   0       10    "HGF ARRAY\0"    any other bytes (the zero too): not this format
//   10      4     format version   written 2; another version with text entries
//                                  reads every entry as empty text (damaged)
//   14      4     X                written 1 at least; 0 or less: no entries
//   18      4     Y                as X
//   22      4     Z                as X; X × Y × Z beyond 2^31 - 1: not this format
//   26      4     content flags    1 or 5: value entries; 2 or 6: text entries
//                                  (written 2); another value: no entry read (damaged)
//   30      ...   X × Y × Z entries, x fastest, then y, then z; entry (x, y, z) is
//                 cell (z × Y + y) × X + x:
//                   values: i32 each
//                   texts: i32 length n, then n bytes (no terminator); a text
//                          runs to its first zero byte; n negative: empty (damaged)
//
// A file that ends early loads the entries read so far (a last one cut short
// keeps what it holds) and the load says the file is damaged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/array_store.h"
#include "core/status.h"
#include "persist/byte_io.h"
#include "persist/file_handler.h"
#include "persist/save_report.h"

namespace tessel::persist {

// The grid a save writes: X and Y are boundaries 1 and 2 (1 when 0), Z one
// more than the number of full X-by-Y pages. Nothing when X × Y × Z does not
// fit in 32 bits (such a file could not be read back).
struct HostArrayGrid {
  int32_t x = 1;
  int32_t y = 1;
  int32_t z = 1;
  int64_t entries = 1;
};
std::optional<HostArrayGrid> hostArrayGrid(const ArrayStore& store);
// The store's cells as text entries of the grid; entries past the last cell
// are empty. Streamed: memory does not grow with the grid.
// Counts into `report` what a load will not give back.
void writeHostArrayFile(const ArrayStore& store, const HostArrayGrid& grid, ByteWriter& out,
                        SaveReport* report = nullptr);
int64_t hostArrayFileBytes(const ArrayStore& store, const HostArrayGrid& grid);
// What a file's header declares, or nothing when the file cannot be read:
// wrong magic, an X × Y × Z beyond 32 bits, or more than
// kMaxEmptyTextEntries text entries that take no bytes (a format version
// other than 2).
constexpr int32_t kMaxEmptyTextEntries = 1 << 20;
struct HostArrayHeader {
  // How the entries are held: 32-bit values, texts after their lengths,
  // texts that take no bytes (another version), or no entry the object reads.
  enum Kind { values, texts, emptyTexts, none };
  Kind kind() const;

  int32_t version = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t z = 0;
  int32_t flags = 0;
  int64_t entries = 0;
  std::size_t entryOffset = 0;  // where the entries begin in the file's bytes
  std::string damage;           // what was wrong in the header, if anything
};
std::optional<HostArrayHeader> readHostArrayHeader(std::string_view bytes);
// A replacing load takes the fewest dimensions that describe the grid: 1D for
// X = Y = 1, 2D with X columns for Y = 1, else 3D with boundaries X and Y. A
// file that cannot be read (header absent) empties the array and sets its
// dimension count to 0 in a replacing load, and changes nothing in an
// appending one. The entries are appended straight from the file's bytes.
// Returns the first damage met (a file cut short, a malformed entry), or nothing.
std::string applyHostArrayFile(ArrayStore& store, const std::optional<HostArrayHeader>& header, std::string_view bytes,
                               LoadMode mode);

// A grid beyond 32 bits of entries, or a file past the save size rule
// (persist/save_size.h), is not saved (tooLarge) and the file is not touched.
Status saveAsHostArray(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode,
                       SaveReport* report = nullptr);
Status loadFromHostArray(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode);

}  // namespace tessel::persist
