// What a whole-array save could not keep, counted by the writer as it writes
// each element: every count is of elements (or labels) that a load of the
// written file gives back otherwise, or not at all. What reads the same after
// a load (an empty cell that comes back as an empty string, a missing key that
// comes back as an empty one) is not counted.
#pragma once

#include <cstdint>

#include "core/array_store.h"
#include "core/cell.h"
#include "persist/save_counts.h"

namespace tessel::persist {

// The counts as TesselLastSaveReport gives them; each is of elements, which
// an element index's 32 bits hold.
struct SaveReport : TesselSaveReport {
  SaveReport() : TesselSaveReport{} {}

  // One element as each format writes it.
  void hostArrayCell(const Cell& cell);
  void csvCell(const Cell& cell);
  void iniCell(const Cell& cell);
  // The array as a whole: `written` elements went to the file (padding
  // included), and a load makes it `after`-dimensional; labels are dropped
  // unless the format keeps them.
  void finish(const ArrayStore& store, int64_t written, int32_t after, bool keepsLabels);
};

}  // namespace tessel::persist
