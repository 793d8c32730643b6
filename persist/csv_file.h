// CSV files: one line per row, fields joined by ",", nothing quoted; an empty
// field is written as two double quotes, which read back as the empty text.
//
// Layout: single-byte text, no header line.
//
//   element   written as                 read as
//   row       fields joined by ","       a line: any run of CR and LF ends one, so
//             and CR LF                  empty lines give no row
//   field     the cell's text            the bytes between commas, untrimmed; a
//                                        comma always splits (no quoting)
//   empty     "" (two double quotes)     exactly "" is the empty text; other quotes
//                                        stay part of the text
//   end                                  a zero byte ends the text there; when
//                                        other bytes follow, the load is damaged
//
// A tool may ask for two things a game's load never does: a leading UTF-8 byte
// order mark left out, and the first row taken as the column labels (the rows
// after it are the cells, as wide as the widest of them).
//
// Nothing else in a text file is malformed. A load makes rows × the widest row's
// field count cells, so it is refused (too large, nothing changed) when that
// passes the load rule of persist/loading.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/array_store.h"
#include "core/status.h"
#include "persist/byte_io.h"
#include "persist/file_handler.h"
#include "persist/save_report.h"

namespace tessel::persist {

// The rows of fields a file holds; every field is a NUL-terminated text in
// one shared buffer.
class CsvTable {
 public:
  int32_t rowCount() const { return static_cast<int32_t>(rowEnds_.size()); }
  int32_t fieldCount(int32_t row) const;
  const char* field(int32_t row, int32_t c) const;
  // The widest row's field count, and the cells of the rows filled up to it.
  int32_t width() const;
  int64_t cellCount() const { return static_cast<int64_t>(rowCount()) * width(); }

  // Takes the file's bytes and splits them in place.
  static CsvTable parse(std::string text);
  // Removes the first row and gives its fields (each a text, for labels);
  // nothing when there is none.
  std::vector<std::optional<std::string>> takeFirstRow();

 private:
  std::size_t firstField(int32_t row) const { return row == 0 ? 0 : rowEnds_[static_cast<std::size_t>(row - 1)]; }

  std::string text_;
  std::vector<std::size_t> fields_;   // offsets into text_
  std::vector<std::size_t> rowEnds_;  // one past each row's last field in fields_
};

// The store's cells as rows, streamed: one row for a 1D array (or one
// without columns), else rows of boundary-1 fields, the last filled up with
// empty fields. Counts into `report` what a load will not give back.
void writeCsvFile(const ArrayStore& store, ByteWriter& out, SaveReport* report = nullptr);
int64_t csvFileBytes(const ArrayStore& store);
// Both modes make the array 2D with boundary 1 = the widest row (kept when
// there are no rows) and append every row filled up to that width with
// empty strings; a replacing load first deletes all cells.
void applyCsvTable(ArrayStore& store, const CsvTable& table, LoadMode mode);

// A file past the save size rule (persist/save_size.h) is not saved
// (tooLarge) and the file is not touched.
Status saveToCsv(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode,
                 SaveReport* report = nullptr);

// How a tool reads a CSV file written elsewhere; a game's load uses neither.
struct CsvReadOptions {
  bool skipBom = false;   // a leading UTF-8 byte order mark is not read
  bool labelRow = false;  // the first row holds the column labels
};

// compat: a file that cannot be read is an empty table.
Status loadFromCsv(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode);
Status loadFromCsv(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode,
                   CsvReadOptions options);

}  // namespace tessel::persist
