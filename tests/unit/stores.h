// Stores built and described in one line, and the plain quicksort, for tests that hold one way of changing a store
// against another.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/array_store.h"
#include "tests/unit/allocation_faults.h"

namespace tessel::testing {

// An empty 2D store `columns` wide.
inline ArrayStore table(int32_t columns, bool autoSelect = true) {
  ArrayStore s;
  s.dimensions().setCount(2);
  s.dimensions().setBoundary(1, columns);
  s.rowFlags().setAutoSelect(autoSelect);
  return s;
}

// A cell and, when given, its key.
struct Element {
  CellDescriptor cell;
  std::optional<CellDescriptor> key = std::nullopt;
};

// A store of `dims` dimensions with X and Y boundaries, holding the elements.
inline ArrayStore array(int32_t dims, int32_t x, int32_t y, std::initializer_list<Element> elements) {
  ArrayStore s;
  s.dimensions().setCount(dims);
  s.dimensions().setBoundary(1, x);
  s.dimensions().setBoundary(2, y);
  for (const Element& e : elements) {
    s.append(e.cell);
    if (e.key) s.setKey(s.size() - 1, *e.key);
  }
  return s;
}

// Type and content: a data cell's bytes, another cell's text.
inline std::string describe(const Cell& c) {
  return std::to_string(static_cast<int>(c.type())) +
         (c.type() == CellType::data ? std::string(c.bytes(), static_cast<std::size_t>(c.length()))
                                     : std::string(c.text().view()));
}

// Count, capacity, X boundary, cells#keys, row flags and how many are selected, dimension entries and labels.
inline std::string describeAll(const ArrayStore& s) {
  std::string out = std::to_string(s.size()) + "/" + std::to_string(s.capacity()) + "/x" +
                    std::to_string(s.dimensions().entry(1)) + ":";
  for (int32_t i = 0; i < s.size(); ++i) {
    const Cell& c = *s.cellAt(i);
    out += describe(c) + (c.key() ? "#" + describe(*c.key()) : "") + ",";
  }
  out += " flags";
  for (int32_t r = 0; r < s.rowFlags().count(); ++r) out += " " + std::to_string(s.rowFlags().at(r));
  out += " (" + std::to_string(s.rowFlags().selectedCount()) + ") dims";
  for (int k = 0; k < 10; ++k) out += " " + std::to_string(s.dimensions().entry(k));
  out += " labels" + std::to_string(s.labels().exists()) + ":" + std::to_string(s.labels().size());
  for (const LabelTable::Label& l : s.labels().held()) out += " " + std::to_string(l.column) + "=" + l.text;
  return out;
}

// The quicksort whose order a sort must leave where elements tie, written out plainly, its pivot the first element of
// each range or the middle one.
template <typename T, typename Compare>
void referenceQuicksort(std::vector<T>& v, int lo, int hi, bool middlePivot, const Compare& compare) {
  while (hi > lo) {
    const T pivot = v[static_cast<std::size_t>(middlePivot ? lo + (hi - lo) / 2 : lo)];
    int i = lo, j = hi;
    do {
      while (i < hi && compare(v[static_cast<std::size_t>(i)], pivot) < 0) ++i;
      while (j > lo && compare(v[static_cast<std::size_t>(j)], pivot) > 0) --j;
      if (j < i) break;
      std::swap(v[static_cast<std::size_t>(i++)], v[static_cast<std::size_t>(j--)]);
    } while (j >= i);
    referenceQuicksort(v, lo, j, middlePivot, compare);
    lo = i;
  }
}

}  // namespace tessel::testing
