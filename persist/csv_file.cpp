#include "persist/csv_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "persist/loading.h"
#include "persist/text_lines.h"
#include "persist/whole_file.h"
#include "recordset/labels.h"

namespace tessel::persist {

int32_t CsvTable::fieldCount(int32_t row) const {
  return static_cast<int32_t>(rowEnds_[static_cast<std::size_t>(row)] - firstField(row));
}

const char* CsvTable::field(int32_t row, int32_t c) const {
  return text_.c_str() + fields_[firstField(row) + static_cast<std::size_t>(c)];
}

CsvTable CsvTable::parse(std::string text) {
  CsvTable table;
  table.text_ = std::move(text);
  std::string& t = table.text_;
  splitLines(t, [&](std::size_t begin, std::size_t end) {
    // Each field becomes a NUL-terminated text in place.
    forEachCsvField(std::string_view(t).substr(begin, end - begin), [&](std::size_t from, std::size_t to) {
      if (begin + to < end) t[begin + to] = '\0';
      if (isEmptyCsvField(std::string_view(t).substr(begin + from, to - from))) t[begin + from] = '\0';
      table.fields_.push_back(begin + from);
    });
    table.rowEnds_.push_back(table.fields_.size());
  });
  if (t.empty()) t.push_back('\0');
  return table;
}

std::vector<std::optional<std::string>> CsvTable::takeFirstRow() {
  if (rowEnds_.empty()) return {};
  std::vector<std::optional<std::string>> fields;
  fields.reserve(static_cast<std::size_t>(fieldCount(0)));
  for (int32_t c = 0; c < fieldCount(0); ++c) fields.emplace_back(field(0, c));
  const std::size_t n = rowEnds_.front();
  fields_.erase(fields_.begin(), fields_.begin() + static_cast<std::ptrdiff_t>(n));
  rowEnds_.erase(rowEnds_.begin());
  for (std::size_t& end : rowEnds_) end -= n;
  return fields;
}

namespace {

// Fields a line and lines: a 2D or 3D array without columns is written as
// one row, like a 1D one.
struct CsvShape {
  int64_t width;
  int64_t rows;
};
CsvShape csvShape(const ArrayStore& store) {
  const int32_t count = store.size();
  const int32_t columns = store.dimensions().count() <= 1 ? 0 : store.dimensions().boundary(1);
  const int64_t width = columns >= 1 ? columns : std::max(count, 0);
  return {width, columns >= 1 ? (count + width - 1) / width : 1};
}

}  // namespace

int64_t csvFileBytes(const ArrayStore& store) {
  const CsvShape shape = csvShape(store);
  // Commas and line ends, then each field: its text, or "" when empty.
  int64_t bytes = shape.rows * (std::max<int64_t>(shape.width - 1, 0) + 2);
  bytes += 2 * (shape.rows * shape.width - store.size());
  for (int32_t i = 0; i < store.size(); ++i) {
    const std::size_t n = store.cellAt(i)->textLength();
    bytes += n > 0 ? static_cast<int64_t>(n) : 2;
  }
  return bytes;
}

void writeCsvFile(const ArrayStore& store, ByteWriter& out, SaveReport* report) {
  const int32_t count = store.size();
  const auto [width, rows] = csvShape(store);
  for (int64_t r = 0; r < rows && !out.failed(); ++r) {
    for (int64_t c = 0; c < width && !out.failed(); ++c) {
      if (c > 0) out.bytes(",");
      const int64_t i = r * width + c;
      const CellText text = i < count ? store.cellAt(static_cast<int32_t>(i))->text() : CellText();
      if (report != nullptr && i < count) report->csvCell(*store.cellAt(static_cast<int32_t>(i)));
      // An empty field is written as two double quotes.
      out.bytes(text.size() > 0 ? text.view() : std::string_view("\"\"", 2));
    }
    out.bytes("\r\n");
  }
  // A load makes any file 2D; one without rows keeps no column count.
  if (report != nullptr) report->finish(store, rows * width, rows > 0 ? 2 : 0, false);
}

int32_t CsvTable::width() const {
  int32_t width = 0;
  for (int32_t r = 0; r < rowCount(); ++r) width = std::max(width, fieldCount(r));
  return width;
}

void applyCsvTable(ArrayStore& store, const CsvTable& table, LoadMode mode) {
  if (mode == LoadMode::replace) store.deleteAll();
  // Rows are filled up to the widest one; a grid beyond 32 bits of cells is
  // a file that cannot be read.
  int32_t width = table.width();
  const bool fits = table.cellCount() <= std::numeric_limits<int32_t>::max();
  const int32_t rows = fits ? table.rowCount() : 0;
  if (!fits) width = 0;
  store.dimensions().setCount(2);
  store.dimensions().setBoundary(1, width);
  ArrayStore::Appends cells(store, static_cast<int64_t>(rows) * width);
  for (int32_t r = 0; r < rows; ++r) {
    const int32_t fields = table.fieldCount(r);
    for (int32_t c = 0; c < width; ++c) cells.add(CellDescriptor::ofString(c < fields ? table.field(r, c) : ""));
  }
  cells.finish();
}

Status saveToCsv(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode, SaveReport* report) {
  return saveWholeFile(store, files, name, mode, csvFileBytes(store),
                       [&](ByteWriter& out) { writeCsvFile(store, out, report); });
}

namespace {

// Any bytes are a table; the zero byte's damage is noted before the split
// writes zero bytes of its own, at its offset in the file as given.
std::string tableBytes(std::string bytes, bool skipBom) {
  if (skipBom && startsWithBom(bytes)) bytes.erase(0, kUtf8Bom.size());
  return bytes;
}

class CsvReading {
 public:
  CsvReading(std::string bytes, const CsvReadOptions& options)
      : damage_(zeroByteDamage(bytes)), table_(CsvTable::parse(tableBytes(std::move(bytes), options.skipBom))) {
    if (options.labelRow) labels_ = table_.takeFirstRow();
  }

  bool recognised() const { return true; }
  int64_t cellsAdded() const { return table_.cellCount(); }
  std::string apply(ArrayStore& store, LoadMode mode) const {
    applyCsvTable(store, table_, mode);
    recordset::setLabels(store, labels_);
    return damage_;
  }

 private:
  std::string damage_;
  CsvTable table_;
  std::vector<std::optional<std::string>> labels_;
};

}  // namespace

Status loadFromCsv(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode) {
  return loadFromCsv(store, files, name, mode, CsvReadOptions());
}

Status loadFromCsv(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode,
                   CsvReadOptions options) {
  return loadWholeFile<CsvReading>(store, files, name, mode, options);
}

}  // namespace tessel::persist
