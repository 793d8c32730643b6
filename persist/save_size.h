// Saves write what the array holds. Formats whose layout is as big as the
// declared grid (host array entries, CSV rows padded to X) and the native
// file's label slots can ask for far more bytes than the array has, so a
// save counts its output first and refuses, writing nothing and leaving the
// old file, past kMaxSaveBytes or past kSaveBytesPerArrayByte times the
// array's own bytes plus kSaveAllowance.
#pragma once

#include <cstdint>
#include <string>

#include "core/array_store.h"
#include "core/status.h"

namespace tessel::persist {

constexpr int64_t kMaxSaveBytes = int64_t{2} << 30;
constexpr int64_t kSaveAllowance = int64_t{64} << 20;
constexpr int64_t kSaveBytesPerArrayByte = 64;

// What the cells take in memory: each cell and key cell, and their bytes.
inline int64_t arrayBytes(const ArrayStore& store) {
  int64_t bytes = 0;
  for (int32_t i = 0; i < store.size(); ++i) {
    const Cell* cell = store.cellAt(i);
    bytes += static_cast<int64_t>(Cell::kSize) + cell->length();
    if (const Cell* key = cell->key()) bytes += static_cast<int64_t>(Cell::kSize) + key->length();
  }
  return bytes;
}

// Whether `outputBytes` may be written (or built as an expression's text)
// for the store. Output within the allowance always may, so only larger
// output pays for counting the array's bytes.
inline bool withinSaveSize(const ArrayStore& store, int64_t outputBytes) {
  if (outputBytes <= kSaveAllowance) return true;
  return outputBytes <= kMaxSaveBytes && outputBytes <= kSaveAllowance + kSaveBytesPerArrayByte * arrayBytes(store);
}

// Nothing when a save of `outputBytes` may go ahead, else the refusal.
inline Status checkSaveSize(const ArrayStore& store, int64_t outputBytes, const char* name) {
  if (withinSaveSize(store, outputBytes)) return {};
  return Status::failure(StatusCode::tooLarge, name != nullptr ? name : "")
      .withDetail("too large to save: " + std::to_string(outputBytes) + " bytes");
}

}  // namespace tessel::persist
