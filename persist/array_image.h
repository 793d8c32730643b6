// The transient whole-array copy that the native and host array files go
// through: dimensions, labels and cell records whose bytes live in one pool
// owned by the image.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/array_store.h"
#include "core/cell.h"

namespace tessel::persist {

// Where a payload's bytes sit in the image's pool; each is followed there by
// a zero byte so that a string payload always ends.
struct PoolSpan {
  std::size_t offset = 0;
  std::size_t size = 0;
  bool present = false;
};

// A cell or key record: type, length and either a value (type 1) or bytes.
struct CellRecord {
  uint16_t type = 0;
  int32_t length = 0;
  int32_t value = 0;
  PoolSpan bytes;
};

struct CellImage {
  CellRecord cell;
  CellRecord key;
};

class ArrayImage {
 public:
  static constexpr int kBoundaries = 10;

  uint16_t version = 0;
  int32_t dimensionCount = 0;
  std::array<int32_t, kBoundaries> boundaries{};  // boundary 1 to 10
  std::vector<PoolSpan> labels;                   // absent: no label
  std::vector<CellImage> cells;

  // Copies bytes into the pool (with a zero byte after them).
  PoolSpan keep(std::string_view bytes);
  std::string_view bytes(const PoolSpan& s) const { return {pool_.data() + s.offset, s.size}; }
  // The span's bytes up to their first zero byte, or null when absent.
  const char* text(const PoolSpan& s) const { return s.present ? pool_.data() + s.offset : nullptr; }

  // The record of one cell of the store (the bytes copied), and the store's
  // whole content as the native file carries it.
  CellRecord recordOf(const Cell& cell);
  static ArrayImage of(const ArrayStore& store);

  // What a record stores back: a cell descriptor by its type (a string from
  // the text, a value, or anything else as data).
  CellDescriptor descriptorOf(const CellRecord& r) const;

 private:
  std::string pool_;
};

}  // namespace tessel::persist
