#include "core/sort.h"

#include <cstring>
#include <string>

#include "core/array_store.h"
#include "core/compare.h"

namespace tessel {

namespace {

// What a comparison needs of one cell, taken once. A text either lives in its
// cell's heap block, which does not move when the cell moves, or is copied;
// bytes are copied; so a key stays valid while the sort exchanges cells.
struct Key {
  CellText text;
  int32_t value = 0;
  std::string bytes;
  bool hasBytes = false;
  int32_t length = 0;
};

class CellOrder {
 public:
  CellOrder(SortKind kind, bool caseSensitive) : kind_(kind), caseSensitive_(caseSensitive) {}

  Key keyOf(const Cell& c) const {
    Key k;
    if (kind_ == kSortByString) {
      k.text = c.textAcrossMoves();
    } else if (kind_ == kSortByValue) {
      k.value = c.value();
    } else {
      k.hasBytes = c.bytes() != nullptr;
      if (k.hasBytes) k.bytes.assign(c.bytes(), static_cast<std::size_t>(c.length()));
      k.length = c.length();
    }
    return k;
  }

  int compare(const Cell& a, const Key& b) const {
    if (kind_ == kSortByString) {
      // A string cell is compared in place; only other cells need their text made.
      if (a.type() == CellType::string) return literalCompare(a.bytes(), b.text.c_str(), caseSensitive_);
      return literalCompare(a.text().c_str(), b.text.c_str(), caseSensitive_);
    }
    if (kind_ == kSortByValue) {
      const int32_t v = a.value();
      return v < b.value ? -1 : (v > b.value ? 1 : 0);
    }
    if (a.length() != b.length) return a.length() < b.length ? -1 : 1;
    if (a.length() <= 0 || a.bytes() == nullptr || !b.hasBytes) return 0;
    return std::memcmp(a.bytes(), b.bytes.data(), static_cast<std::size_t>(a.length()));
  }

 private:
  SortKind kind_;
  bool caseSensitive_;
};

class Quicksort {
 public:
  Quicksort(ArrayStore& store, SortKind kind, SortOrder order)
      : store_(store), order_(kind, store.compareMode().caseSensitive), descending_(order == SortOrder::descending) {}

  void sortRange(int32_t lo, int32_t hi) {
    while (lo < hi) {
      // The pivot is the middle cell itself: its key goes with it wherever the exchanges move it.
      const Key pivot = order_.keyOf(*store_.cellAt(lo + (hi - lo) / 2));
      int32_t i = lo;
      int32_t j = hi;
      do {
        while (i < hi && ordered(i, pivot) < 0) ++i;
        while (j > lo && ordered(j, pivot) > 0) --j;
        if (j < i) break;
        store_.swap(i, j);
        ++i;
        --j;
      } while (j >= i);
      // The two parts are disjoint and each is sorted from its own cells only, so
      // taking the shorter one first gives the same order and a stack of log n frames.
      if (j - lo < hi - i) {
        sortRange(lo, j);
        lo = i;
      } else {
        sortRange(i, hi);
        hi = j;
      }
    }
  }

 private:
  // The comparison in the sort's direction, as -1, 0 or 1.
  int ordered(int32_t i, const Key& pivot) const {
    const int c = order_.compare(*store_.cellAt(i), pivot);
    const int sign = (c > 0) - (c < 0);
    return descending_ ? -sign : sign;
  }

  ArrayStore& store_;
  CellOrder order_;
  bool descending_;
};

}  // namespace

int compareCells(const Cell* a, const Cell* b, SortKind kind, bool caseSensitive) {
  if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
  if (a == b) return 0;
  const CellOrder order(kind, caseSensitive);
  return order.compare(*a, order.keyOf(*b));
}

void sortCells(ArrayStore& store, SortKind kind, SortOrder order) {
  Quicksort(store, kind, order).sortRange(0, store.size() - 1);
}

}  // namespace tessel
