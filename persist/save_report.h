// What a whole-array save could not keep, counted by the writer as it writes
// each element: every count is of elements (or labels) that a load of the
// written file gives back otherwise, or not at all. What reads the same after
// a load (an empty cell that comes back as an empty string, a missing key that
// comes back as an empty one) is not counted.
#pragma once

#include <cstdint>

#include "core/array_store.h"
#include "core/cell.h"

namespace tessel::persist {

struct SaveReport {
  int32_t dimensionsBefore = 0;  // the array's dimension count
  int32_t dimensionsAfter = 0;   // what a replacing load of the file makes it; 0 when the file keeps none
  int64_t keysDropped = 0;       // keys the format does not store (an empty key reads as none)
  int64_t keysBecomeTexts = 0;   // value and data keys that come back as string keys
  int64_t keysChanged = 0;       // string keys the INI syntax reads back otherwise ("=", leading blanks, "[", "//")
  int64_t labelsDropped = 0;     // column labels the format does not store
  int64_t valuesBecomeTexts = 0;
  int64_t dataWrittenEmpty = 0;   // data cells written as empty texts
  int64_t emptyCellsDropped = 0;  // INI lines "=" (no key text, no text): skipped on load
  int64_t elementsAdded = 0;      // empty elements written after the last one to fill a row or page
  int64_t splitAtSeparator = 0;   // CSV texts holding a comma
  int64_t splitAtLineBreak = 0;   // texts (or INI keys) holding CR or LF
  int64_t textsEmptied = 0;       // CSV texts of exactly two double quotes

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
