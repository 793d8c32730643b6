// Stores built and described in one line, for tests that hold one way of
// changing a store against another.
#pragma once

#include <string>

#include "core/array_store.h"

namespace tessel::testing {

// An empty 2D store `columns` wide.
inline ArrayStore table(int32_t columns, bool autoSelect = true) {
  ArrayStore s;
  s.dimensions().setCount(2);
  s.dimensions().setBoundary(1, columns);
  s.rowFlags().setAutoSelect(autoSelect);
  return s;
}

// Count, capacity, X boundary, cells (type, text, #key), row flags and how many are selected.
inline std::string describe(const ArrayStore& s) {
  std::string out = std::to_string(s.size()) + "/" + std::to_string(s.capacity()) + "/x" +
                    std::to_string(s.dimensions().entry(1)) + ":";
  for (int32_t i = 0; i < s.size(); ++i) {
    const Cell* c = s.cellAt(i);
    out += std::to_string(static_cast<int>(c->type())) + std::string(c->text().view()) +
           (c->key() ? "#" + std::string(c->key()->text().view()) : "") + ",";
  }
  out += " flags";
  for (int32_t r = 0; r < s.rowFlags().count(); ++r) out += " " + std::to_string(s.rowFlags().at(r));
  return out + " (" + std::to_string(s.rowFlags().selectedCount()) + ")";
}

}  // namespace tessel::testing
