// Applying a loaded image to the store in full or not at all. A replacing
// load builds a new store (same settings, no cells) and moves it in only when
// complete; an appending load marks the store first and undoes its appended
// cells, dimension, label and row flag changes when memory runs out. Either
// way std::bad_alloc leaves the array as it was and is passed on.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "core/array_store.h"
#include "core/status.h"
#include "persist/file_handler.h"

namespace tessel::persist {

template <typename Apply>
void applyLoad(ArrayStore& store, LoadMode mode, Apply apply) {
  if (mode == LoadMode::replace) {
    ArrayStore next = store.withoutCells();
    next.deleteAll();
    apply(next);
    store = std::move(next);
    return;
  }
  ArrayStore::Mark mark = store.mark();
  try {
    apply(store);
  } catch (...) {
    store.rollBack(std::move(mark));
    throw;
  }
}

// The memory rule of every load: a file of N bytes never needs more than
// kLoadAllowance + kLoadBytesPerFileByte × N bytes beyond the array it
// replaces. Cells are what a file can ask for out of proportion to its size
// (a CSV line of commas pads every other line), so a load counts the cells
// it would add first and refuses, changing nothing, beyond this budget: each
// cell takes up to two slots of the cell table.
constexpr int64_t kLoadAllowance = int64_t{64} << 20;
constexpr int64_t kLoadBytesPerFileByte = 64;
constexpr int64_t loadCellBudget(std::size_t fileBytes) {
  const int64_t budget = (kLoadAllowance + kLoadBytesPerFileByte * static_cast<int64_t>(fileBytes)) /
                         (2 * static_cast<int64_t>(Cell::kSize));
  return budget < INT32_MAX ? budget : INT32_MAX;
}
// The refusal of a load that would add `cells` cells.
inline Status tooLargeForArray(const char* name, int64_t cells) {
  return Status::failure(StatusCode::tooLarge, name != nullptr ? name : "")
      .withDetail("too large for the array: " + std::to_string(cells) + " cells");
}

// "1 byte", "3 bytes", for damage notes.
inline std::string byteCount(uint64_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

// The first damage a reader meets is the one reported; later ones add nothing.
inline void noteDamage(std::string& damage, std::string detail) {
  if (damage.empty()) damage = std::move(detail);
}

// A load that read its file but met damage on the way says so; any other
// outcome stands as it is.
inline Status withDamage(Status status, const char* name, std::string damage) {
  if (!status.ok() || damage.empty()) return status;
  return Status::failure(StatusCode::damaged, name != nullptr ? name : "").withDetail(std::move(damage));
}

}  // namespace tessel::persist
