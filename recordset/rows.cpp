#include "recordset/rows.h"

#include <string_view>
#include <vector>

#include "core/arithmetic.h"
#include "recordset/labels.h"
#include "recordset/lists.h"

namespace tessel::recordset {
namespace {

bool isTable(const ArrayStore& store) { return store.dimensions().count() == 2; }

int32_t elementIndex(const ArrayStore& store, int32_t c, int32_t row) {
  return wrapAdd(wrapMul(row, store.dimensions().columns()), c);
}

// The items of the cells base to base + columns - 1; past the end they are empty.
void putCells(const ArrayStore& store, ListSink& sink, int32_t base, int32_t columns) {
  for (int32_t k = 0; k < columns; ++k) {
    sink.beginItem();
    if (const Cell* cell = store.cellAt(wrapAdd(base, k))) sink.put(cell->text().view());
  }
}

CellDescriptor itemAt(const std::vector<std::string>& items, int32_t c) {
  const auto k = static_cast<std::size_t>(c);
  return k < items.size() ? CellDescriptor::ofString(items[k].c_str()) : CellDescriptor{};
}

}  // namespace

int32_t rowsWithFlags(const ArrayStore& store) {
  const int32_t flags = store.rowFlags().count();
  if (!isTable(store)) return flags;
  const int32_t complete = store.dimensions().physicalRows(store.size());
  return complete < flags ? complete : flags;
}

int32_t rowCount(const ArrayStore& store) { return store.rowFlags().selectedBefore(rowsWithFlags(store)); }

int32_t cellIndexOfRow(const ArrayStore& store, int32_t r, int32_t c) {
  // A selected flag past the complete rows makes no row.
  const int32_t p = store.rowFlags().positionOfSelected(r);
  return elementIndex(store, c, p >= 0 && p < rowsWithFlags(store) ? p : rowCount(store));
}

std::optional<std::string> rowList(const ArrayStore& store, int32_t r, TextBound bound) {
  if (!isTable(store) || r < 0 || r >= rowCount(store)) return std::nullopt;
  const int32_t base = cellIndexOfRow(store, r, 0);
  const int32_t columns = store.dimensions().columns();
  return buildList(store, store.listDelimiter(), bound, [&](ListSink& sink) { putCells(store, sink, base, columns); });
}

std::optional<std::string> columnList(const ArrayStore& store, int32_t c, TextBound bound) {
  if (!isTable(store) || c < 0 || c >= columnCount(store)) return std::nullopt;
  const RowFlags& flags = store.rowFlags();
  // One pass over the flags visits the selected rows in order.
  return buildList(store, store.listDelimiter(), bound, [&](ListSink& sink) {
    const int32_t rows = rowsWithFlags(store);
    for (int32_t p = 0; p < rows; ++p) {
      if (flags.isSelected(p)) putCells(store, sink, elementIndex(store, c, p), 1);
    }
  });
}

void insertRowFromList(ArrayStore& store, const char* list, int32_t r) {
  if (!isTable(store) || r < 0 || r > rowCount(store)) return;
  const int32_t base = cellIndexOfRow(store, r, 0);
  const std::vector<std::string> items = splitList(list, store.listDelimiter());
  const int32_t columns = store.dimensions().columns();
  const int32_t before = store.size();
  if (base < before) {
    // Inside the array the row goes in as one run, so a wide table costs one
    // move of the cells after it rather than one per column.
    std::vector<Cell> contents(static_cast<std::size_t>(columns));
    for (std::size_t k = 0; k < contents.size(); ++k) contents[k].assign(itemAt(items, static_cast<int32_t>(k)));
    if (store.insertRun(base, contents)) return;
  }
  const int32_t capacity = store.capacity();
  int32_t c = 0;
  try {
    for (; c < columns; ++c) store.insert(wrapAdd(base, c), itemAt(items, c));
  } catch (...) {
    // Half a row would shift every later column: take back what went in.
    // Within the array each insertion added one cell at base + k; past its
    // end the first one also padded, and everything from `before` on is new.
    if (base < before) {
      while (c-- > 0) store.deleteAt(base);
    } else {
      while (store.size() > before) store.deleteAt(store.size() - 1);
    }
    store.restoreCapacity(capacity);
    throw;
  }
}

void appendRowFromList(ArrayStore& store, const char* list) {
  if (!isTable(store)) return;
  insertRowFromList(store, list, rowCount(store));
}

void replaceRowWithList(ArrayStore& store, const char* list, int32_t r) {
  if (!isTable(store) || r < 0 || r >= rowCount(store)) return;
  const int32_t base = cellIndexOfRow(store, r, 0);
  const std::vector<std::string> items = splitList(list, store.listDelimiter());
  // All new contents first, so running out of memory cannot leave half a row replaced.
  std::vector<Cell> contents(static_cast<std::size_t>(store.dimensions().columns()));
  for (std::size_t c = 0; c < contents.size(); ++c) contents[c].assign(itemAt(items, static_cast<int32_t>(c)));
  store.replaceContents(base, contents);
}

void deleteRow(ArrayStore& store, int32_t r) {
  if (!isTable(store) || r < 0 || r >= rowCount(store)) return;
  const int32_t base = cellIndexOfRow(store, r, 0);
  store.deleteRun(base, store.dimensions().columns());
}

int32_t valueAtColumnRow(const ArrayStore& store, int32_t c, int32_t r) {
  return store.valueAt(elementIndex(store, c, r));
}

std::optional<CellText> stringAtColumnRow(const ArrayStore& store, int32_t c, int32_t r) {
  return store.stringAt(elementIndex(store, c, r));
}

int32_t valueAtLabelRow(const ArrayStore& store, const char* label, int32_t r) {
  const int32_t c = columnOfLabel(store, label);
  return c < 0 ? 0 : valueAtColumnRow(store, c, r);
}

std::optional<CellText> stringAtLabelRow(const ArrayStore& store, const char* label, int32_t r) {
  const int32_t c = columnOfLabel(store, label);
  if (c < 0) return std::nullopt;
  return stringAtColumnRow(store, c, r);
}

}  // namespace tessel::recordset
