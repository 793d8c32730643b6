#include "recordset/selection.h"

#include <cstring>

#include "core/arithmetic.h"
#include "core/compare.h"

namespace tessel::recordset {
namespace {

// Runs test(cell) on the column's cell of every physical row and marks the
// row by the selection mode, in one pass over the table.
template <typename Test>
void query(ArrayStore& store, int32_t c, Test&& test) {
  const ArrayStore& view = store;
  const int32_t columns = view.dimensions().columns();
  const bool orMode = view.rowFlags().mode() == 1;
  store.rowFlags().transform([&](int32_t p, uint8_t flag) {
    const Cell* cell = c < 0 ? nullptr : view.cellAt(wrapAdd(wrapMul(p, columns), c));
    const bool passes = cell != nullptr && test(*cell);
    if (orMode) return passes ? RowFlags::kSelected : flag;
    return passes ? flag : RowFlags::kUnselected;
  });
}

// Whether the needle (n characters) equals, in the search mode, the n
// characters at some position of the text.
bool contains(const char* text, std::size_t textSize, const char* needle, std::size_t n, CompareMode mode) {
  if (n > textSize) return false;
  for (std::size_t s = 0; s + n <= textSize; ++s) {
    if (prefixEqualInSearchMode(needle, text + s, static_cast<int>(n), mode) == 0) return true;
  }
  return false;
}

}  // namespace

void useAndMode(ArrayStore& store) { store.rowFlags().setMode(0); }
void useOrMode(ArrayStore& store) { store.rowFlags().setMode(1); }

void startNewWhere(ArrayStore& store) {
  store.rowFlags().setMode(1);
  store.rowFlags().fill(RowFlags::kUnselected);
}

void selectAllRows(ArrayStore& store) { store.rowFlags().fill(RowFlags::kSelected); }

void invertSelection(ArrayStore& store) {
  store.rowFlags().transform([](int32_t, uint8_t flag) {
    return flag == RowFlags::kUnselected ? RowFlags::kSelected : RowFlags::kUnselected;
  });
}

void whereMatching(ArrayStore& store, int32_t c, const char* text) {
  const CompareMode mode = store.compareMode();
  query(store, c, [&](const Cell& cell) { return equalInSearchMode(text, cell.text().c_str(), mode) == 0; });
}

void whereContaining(ArrayStore& store, int32_t c, const char* text) {
  const CompareMode mode = store.compareMode();
  const std::size_t n = text == nullptr ? 0 : std::strlen(text);
  query(store, c, [&](const Cell& cell) {
    const CellText t = cell.text();
    return text != nullptr && contains(t.c_str(), t.size(), text, n, mode);
  });
}

void whereEqual(ArrayStore& store, int32_t c, int32_t v) {
  query(store, c, [v](const Cell& cell) { return cell.value() == v; });
}
void whereNotEqual(ArrayStore& store, int32_t c, int32_t v) {
  query(store, c, [v](const Cell& cell) { return cell.value() != v; });
}
void whereGreater(ArrayStore& store, int32_t c, int32_t v) {
  query(store, c, [v](const Cell& cell) { return cell.value() > v; });
}
void whereGreaterOrEqual(ArrayStore& store, int32_t c, int32_t v) {
  query(store, c, [v](const Cell& cell) { return cell.value() >= v; });
}
void whereLess(ArrayStore& store, int32_t c, int32_t v) {
  query(store, c, [v](const Cell& cell) { return cell.value() < v; });
}
void whereLessOrEqual(ArrayStore& store, int32_t c, int32_t v) {
  query(store, c, [v](const Cell& cell) { return cell.value() <= v; });
}

void whereBetweenStrings(ArrayStore& store, int32_t c, const char* low, const char* high) {
  const bool caseSensitive = store.compareMode().caseSensitive;
  query(store, c, [&](const Cell& cell) {
    const CellText t = cell.text();
    return literalCompare(low, t.c_str(), caseSensitive) <= 0 && literalCompare(high, t.c_str(), caseSensitive) >= 0;
  });
}

void whereBetweenValues(ArrayStore& store, int32_t c, int32_t low, int32_t high) {
  query(store, c, [low, high](const Cell& cell) { return low <= cell.value() && cell.value() <= high; });
}

}  // namespace tessel::recordset
