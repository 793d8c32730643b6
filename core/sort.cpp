#include "core/sort.h"

#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

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

// The middle-pivot quicksort, once, over whatever holds the items: the cells
// themselves, or a compact copy of their keys. The pivot is taken from the
// middle item at the start of each partition and kept as a copy, so the
// exchanges cannot change it.
template <typename Items>
void quicksort(Items& items, int32_t lo, int32_t hi) {
  while (lo < hi) {
    const auto pivot = items.pivotAt(lo + (hi - lo) / 2);
    int32_t i = lo;
    int32_t j = hi;
    do {
      while (i < hi && items.ordered(i, pivot) < 0) ++i;
      while (j > lo && items.ordered(j, pivot) > 0) --j;
      if (j < i) break;
      items.exchange(i, j);
      ++i;
      --j;
    } while (j >= i);
    // The two parts are disjoint and each is sorted from its own items only, so
    // taking the shorter one first gives the same order and a stack of log n frames.
    if (j - lo < hi - i) {
      quicksort(items, lo, j);
      lo = i;
    } else {
      quicksort(items, i, hi);
      hi = j;
    }
  }
}

int directed(int c, bool descending) {
  const int sign = (c > 0) - (c < 0);
  return descending ? -sign : sign;
}

// The cells themselves, exchanged in place: needs no memory.
class CellItems {
 public:
  CellItems(ArrayStore& store, SortKind kind, bool descending)
      : store_(store), order_(kind, store.compareMode().caseSensitive), descending_(descending) {}

  Key pivotAt(int32_t k) const { return order_.keyOf(*store_.cellAt(k)); }
  int ordered(int32_t i, const Key& pivot) const {
    return directed(order_.compare(*store_.cellAt(i), pivot), descending_);
  }
  void exchange(int32_t i, int32_t j) { store_.swap(i, j); }

 private:
  ArrayStore& store_;
  CellOrder order_;
  bool descending_;
};

// Values or texts copied into a compact list with each item's cell index;
// the cells move once, when the list is sorted. Texts point into the cells or
// their renderings, which stay put meanwhile.
template <bool byValue_>
class KeyItems {
 public:
  KeyItems(const ArrayStore& store, bool descending)
      : caseSensitive_(store.compareMode().caseSensitive),
        descending_(descending),
        from_(static_cast<std::size_t>(store.size())) {
    const auto n = static_cast<std::size_t>(store.size());
    if constexpr (byValue_) {
      values_.resize(n);
      for (std::size_t k = 0; k < n; ++k) values_[k] = store.cellAt(static_cast<int32_t>(k))->value();
    } else {
      renderings_.resize(n);
      texts_.resize(n);
      for (std::size_t k = 0; k < n; ++k) {
        renderings_[k] = store.cellAt(static_cast<int32_t>(k))->text();
        texts_[k] = renderings_[k].c_str();
      }
    }
    for (std::size_t k = 0; k < n; ++k) from_[k] = static_cast<int32_t>(k);
  }

  struct Pivot {
    int32_t value;
    const char* text;
  };
  Pivot pivotAt(int32_t k) const {
    const auto at = static_cast<std::size_t>(k);
    if constexpr (byValue_) return Pivot{values_[at], nullptr};
    return Pivot{0, texts_[at]};
  }
  int ordered(int32_t i, const Pivot& pivot) const {
    const auto at = static_cast<std::size_t>(i);
    if constexpr (byValue_) {
      return directed((values_[at] > pivot.value) - (values_[at] < pivot.value), descending_);
    } else {
      return directed(literalCompare(texts_[at], pivot.text, caseSensitive_), descending_);
    }
  }
  void exchange(int32_t i, int32_t j) {
    const auto a = static_cast<std::size_t>(i);
    const auto b = static_cast<std::size_t>(j);
    if constexpr (byValue_) {
      std::swap(values_[a], values_[b]);
    } else {
      std::swap(texts_[a], texts_[b]);
    }
    std::swap(from_[a], from_[b]);
  }
  const std::vector<int32_t>& from() const { return from_; }

 private:
  bool caseSensitive_;
  bool descending_;
  std::vector<int32_t> from_;
  std::vector<int32_t> values_;
  std::vector<CellText> renderings_;
  std::vector<const char*> texts_;
};

template <typename Keys>
void sortByKeys(ArrayStore& store, Keys keys) {
  quicksort(keys, 0, store.size() - 1);
  store.permute(keys.from());
}

}  // namespace

void sortCells(ArrayStore& store, SortKind kind, SortOrder order) {
  const bool descending = order == SortOrder::descending;
  if (kind == kSortByValue || kind == kSortByString) {
    // Sorting compact keys keeps the partitions in the caches and moves each
    // cell once; without memory for them the cells are sorted in place, to
    // the same order.
    try {
      if (kind == kSortByValue) {
        sortByKeys(store, KeyItems<true>(store, descending));
      } else {
        sortByKeys(store, KeyItems<false>(store, descending));
      }
      return;
    } catch (const std::bad_alloc&) {
    }
  }
  CellItems cells(store, kind, descending);
  quicksort(cells, 0, store.size() - 1);
}

}  // namespace tessel
