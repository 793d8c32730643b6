// The transient whole-array copy that a load of the host array file builds
// before the store is touched: dimensions, labels and cell records
// whose bytes live in one pool owned by the image.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/cell.h"
#include "core/dimensions.h"

namespace tessel::persist {

// A cell or key record: type, length and either a value (type 1) or the
// bytes the file held for it, kept in the pool and followed there by a zero
// byte so that a string payload always ends.
struct CellRecord {
  std::size_t offset = 0;
  int32_t length = 0;
  int32_t word = 0;  // the value of type 1, else the number of bytes held
  uint16_t type = 0;
  bool hasBytes = false;
};

struct CellImage {
  CellRecord cell;
  CellRecord key;
};

// A label: its text in the pool, or none.
struct LabelImage {
  std::size_t offset = 0;
  bool present = false;
};

class ArrayImage {
 public:
  static constexpr int kBoundaries = Dimensions::kEntries;

  uint16_t version = 0;
  int32_t dimensionCount = 0;
  std::array<int32_t, kBoundaries> boundaries{};  // boundary 1 to 10
  std::vector<LabelImage> labels;
  std::vector<CellImage> cells;

  // Room in the pool for about n bytes of payload (a size the file backs).
  void reservePool(std::size_t n) { pool_.reserve(n); }
  // Keeps bytes in the pool; an empty run is kept as no bytes at all.
  void keepBytes(CellRecord& r, std::string_view bytes);
  LabelImage keepLabel(std::string_view text);

  std::string_view bytes(const CellRecord& r) const {
    return r.hasBytes ? std::string_view(pool_.data() + r.offset, static_cast<std::size_t>(r.word))
                      : std::string_view();
  }
  // The record's bytes as a text (up to their first zero byte), or null.
  const char* text(const CellRecord& r) const { return r.hasBytes ? pool_.data() + r.offset : nullptr; }
  const char* text(const LabelImage& l) const { return l.present ? pool_.data() + l.offset : nullptr; }

  // What a record stores back: a string from its text, a value, or anything
  // else as data of the bytes held.
  CellDescriptor descriptorOf(const CellRecord& r) const;

 private:
  std::size_t keep(std::string_view bytes);

  std::string pool_;
};

}  // namespace tessel::persist
