// Applying a loaded image to the store in full or not at all. A replacing
// load builds a new store (same settings, no cells) and moves it in only when
// complete; an appending load marks the store first and undoes its appended
// cells, dimension, label and row flag changes when memory runs out. Either
// way std::bad_alloc leaves the array as it was and is passed on.
#pragma once

#include <utility>

#include "core/array_store.h"
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

}  // namespace tessel::persist
