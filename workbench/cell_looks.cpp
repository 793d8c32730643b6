#include "workbench/cell_looks.h"

#include <charconv>
#include <cstring>
#include <vector>

#include "tools/console/show.h"

namespace tessel::workbench {

std::string cellLooks(const ArrayStore& store, int32_t first, int32_t count) {
  std::string out = "[";
  out.reserve(static_cast<std::size_t>(count > 0 ? count : 0) * 3 + 2);
  char number[16];
  for (int64_t i = first; i < int64_t{first} + count; ++i) {
    if (i > first) out += ',';
    if (i < 0 || i >= store.size()) {
      out += "null";
      continue;
    }
    const Cell* c = store.cellAt(static_cast<int32_t>(i));
    if (c == nullptr || c->type() == CellType::empty) {
      out += '0';
    } else if (c->type() == CellType::value) {
      const auto end = std::to_chars(number, number + sizeof number, c->value()).ptr;
      out.append(number, end);
    } else if (c->type() == CellType::string) {
      out += console::jsonOfBytes(std::string_view(c->bytes(), static_cast<std::size_t>(c->length() - 1)));
    } else {
      out += '[';
      out.append(number, std::to_chars(number, number + sizeof number, c->length()).ptr);
      out += ']';
    }
  }
  return out + ']';
}

namespace {

// Whether two cells (null: empty) hold the same: an empty cell and a value are never alike, as no stored value is 0.
bool same(const Cell* a, const Cell* b) {
  const CellType ta = a ? a->type() : CellType::empty, tb = b ? b->type() : CellType::empty;
  if (ta != tb) return false;
  if (ta == CellType::empty) return true;
  if (ta == CellType::value) return a->value() == b->value();
  return a->length() == b->length() && std::memcmp(a->bytes(), b->bytes(), static_cast<std::size_t>(a->length())) == 0;
}

}  // namespace

std::string regionOf(const ArrayStore& store, int32_t first, int32_t columns, int32_t rows, int32_t x, int32_t y) {
  const int64_t cells = int64_t{columns} * rows;
  const auto inArray = [&](int64_t offset) { return first + offset < store.size(); };
  if (columns <= 0 || rows <= 0 || x < 0 || y < 0 || x >= columns || y >= rows || first < 0 ||
      !inArray(int64_t{y} * columns + x))
    return "null";
  const auto cellAt = [&](int64_t offset) { return store.cellAt(static_cast<int32_t>(first + offset)); };
  const Cell* start = cellAt(int64_t{y} * columns + x);
  std::vector<bool> seen(static_cast<std::size_t>(cells));
  std::vector<int64_t> todo{int64_t{y} * columns + x};
  seen[static_cast<std::size_t>(todo[0])] = true;
  std::string out = "[";
  char number[24];
  while (!todo.empty()) {
    const int64_t at = todo.back();
    todo.pop_back();
    if (out.size() > 1) out += ',';
    out.append(number, std::to_chars(number, number + sizeof number, at).ptr);
    const int64_t cx = at % columns, cy = at / columns;
    const int64_t next[4][2] = {{cx + 1, cy}, {cx - 1, cy}, {cx, cy + 1}, {cx, cy - 1}};
    for (const auto& [nx, ny] : next) {
      const int64_t n = ny * columns + nx;
      if (nx < 0 || ny < 0 || nx >= columns || ny >= rows || seen[static_cast<std::size_t>(n)] || !inArray(n)) continue;
      seen[static_cast<std::size_t>(n)] = true;
      if (same(cellAt(n), start)) todo.push_back(n);
    }
  }
  return out + ']';
}

}  // namespace tessel::workbench
