#include "core/sort.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <numeric>
#include <utility>
#include <vector>

#include "core/array_store.h"
#include "core/compare.h"
#include "core/partition.h"
#include "core/ranked_quicksort.h"

namespace tessel {

namespace {

// What a comparison needs of one cell, taken once. A text either lives in its
// cell's heap block, which does not move when the cell moves, or is copied, so
// a key stays valid while the sort exchanges cells.
struct Key {
  CellText text;
  int32_t value = 0;
};

class CellOrder {
 public:
  CellOrder(SortKind kind, bool caseSensitive) : kind_(kind), caseSensitive_(caseSensitive) {}

  Key keyOf(const Cell& c) const {
    Key k;
    if (kind_ == kSortByString) {
      k.text = c.textAcrossMoves();
    } else {
      k.value = c.value();
    }
    return k;
  }

  int compare(const Cell& a, const Key& b) const {
    if (kind_ == kSortByString) {
      // A string cell is compared in place; only other cells need their text made.
      if (a.type() == CellType::string) return literalCompare(a.bytes(), b.text.c_str(), caseSensitive_);
      return literalCompare(a.text().c_str(), b.text.c_str(), caseSensitive_);
    }
    const int32_t v = a.value();
    return v < b.value ? -1 : (v > b.value ? 1 : 0);
  }

 private:
  SortKind kind_;
  bool caseSensitive_;
};

// The middle-pivot quicksort, once, over whatever holds the items: the cells
// themselves, or a compact copy of their keys. The pivot is taken from the
// middle item at the start of each partition and kept as a copy, so the
// exchanges cannot change it. `before` and `after` say whether an item sorts
// before or after the pivot in the requested direction.
//
// An order built against the middle pivot makes it quadratic, so a range
// still unsorted after `depth` partitions on its path goes to sortDeep
// (compact keys only; a negative depth never runs out).
template <typename Items>
void sortDeep(Items& items, int32_t lo, int32_t hi);

template <typename Items>
void quicksort(Items& items, int32_t lo, int32_t hi, int32_t depth) {
  while (lo < hi) {
    if constexpr (Items::kCompact) {
      if (depth == 0) {
        sortDeep(items, lo, hi);
        return;
      }
    }
    if (depth > 0) --depth;
    const auto [i, j] = hoarePartition(items, lo, hi, items.pivotAt(lo + (hi - lo) / 2));
    // The two parts are disjoint and each is sorted from its own items only, so
    // taking the shorter one first gives the same order and a stack of log n frames.
    if (j - lo < hi - i) {
      quicksort(items, lo, j, depth);
      lo = i;
    } else {
      quicksort(items, i, hi, depth);
      hi = j;
    }
  }
}

// A range the quicksort went too deep into, sorted to the order its steps
// would leave. The quicksort orders a range from its own items only. Where no
// two of them tie, that order is the unique sorted one; otherwise it runs on
// their ranks, where no input makes it quadratic.
template <typename Items>
void sortDeep(Items& items, int32_t lo, int32_t hi) {
  auto& entries = items.entries();
  const auto first = entries.begin() + lo;
  const std::vector<typename Items::Item> range(first, entries.begin() + hi + 1);
  std::vector<int32_t> order(range.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    return items.compare(range[static_cast<std::size_t>(a)], range[static_cast<std::size_t>(b)]) < 0;
  });
  std::vector<int32_t> ranks(range.size());
  bool tied = false;
  int32_t rank = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k > 0) {
      const bool same =
          items.compare(range[static_cast<std::size_t>(order[k - 1])], range[static_cast<std::size_t>(order[k])]) == 0;
      tied = tied || same;
      rank += same ? 0 : 1;
    }
    ranks[static_cast<std::size_t>(order[k])] = rank;
  }
  if (tied) order = rankedQuicksort(ranks, PivotAt::middle);
  for (std::size_t k = 0; k < order.size(); ++k)
    first[static_cast<std::ptrdiff_t>(k)] = range[static_cast<std::size_t>(order[k])];
}

int directed(int c, bool descending) {
  const int sign = (c > 0) - (c < 0);
  return descending ? -sign : sign;
}

// The cells themselves, exchanged in place: needs no memory.
class CellItems {
 public:
  static constexpr bool kCompact = false;
  CellItems(ArrayStore& store, SortKind kind, bool descending)
      : store_(store), order_(kind, store.compareMode().caseSensitive), descending_(descending) {}

  static int32_t begin() { return 0; }
  Key pivotAt(int32_t k) const { return order_.keyOf(*store_.cellAt(k)); }
  bool before(int32_t i, const Key& pivot) const { return ordered(i, pivot) < 0; }
  bool after(int32_t i, const Key& pivot) const { return ordered(i, pivot) > 0; }
  void exchange(int32_t i, int32_t j) { store_.swap(i, j); }

 private:
  int ordered(int32_t i, const Key& pivot) const {
    return directed(order_.compare(*store_.cellAt(i), pivot), descending_);
  }

  ArrayStore& store_;
  CellOrder order_;
  bool descending_;
};

// One entry of the compact list: an ordering key and the index of its cell,
// exchanged together.
template <typename Ordinal>
struct Entry {
  Ordinal key;
  int32_t from;
};

// Values, each with its cell index, in one list; a descending sort stores
// each value's complement (~v reverses the order of all 32-bit values
// exactly), so both directions compare the same way.
class ValueItems {
 public:
  static constexpr bool kCompact = true;
  using Item = Entry<int32_t>;
  ValueItems(const ArrayStore& store, bool descending) : entries_(static_cast<std::size_t>(store.size())) {
    for (std::size_t k = 0; k < entries_.size(); ++k) {
      const int32_t v = store.cellAt(static_cast<int32_t>(k))->value();
      entries_[k] = {descending ? ~v : v, static_cast<int32_t>(k)};
    }
  }

  Item* begin() { return entries_.data(); }
  int32_t pivotAt(int32_t k) const { return entries_[static_cast<std::size_t>(k)].key; }
  static bool before(const Item* e, int32_t pivot) { return e->key < pivot; }
  static bool after(const Item* e, int32_t pivot) { return e->key > pivot; }
  static void exchange(Item* a, Item* b) { std::swap(*a, *b); }
  std::vector<Entry<int32_t>>& entries() { return entries_; }
  static int compare(const Item& a, const Item& b) { return (a.key > b.key) - (a.key < b.key); }

 private:
  std::vector<Entry<int32_t>> entries_;
};

// Texts, each with its first eight bytes (folded as the comparison folds
// them, a terminator and what follows it as zeros) read as one big-endian
// number beside its cell index. Two such numbers order their texts as the
// text comparison does wherever they differ; where they are equal and hold a
// terminator the texts are equal, else the comparison goes on from the ninth
// byte. Texts are those of the cells, which stay put while the list is
// sorted, or renderings of the other cells kept here.
class TextItems {
 public:
  static constexpr bool kCompact = true;
  using Item = Entry<uint64_t>;
  TextItems(const ArrayStore& store, bool descending)
      : caseSensitive_(store.compareMode().caseSensitive),
        descending_(descending),
        entries_(static_cast<std::size_t>(store.size())),
        texts_(entries_.size()) {
    std::size_t rendered = 0;
    for (std::size_t k = 0; k < entries_.size(); ++k) {
      if (store.cellAt(static_cast<int32_t>(k))->type() != CellType::string) ++rendered;
    }
    renderings_.reserve(rendered);  // no reallocation below: the texts point into it
    for (std::size_t k = 0; k < entries_.size(); ++k) {
      const Cell& cell = *store.cellAt(static_cast<int32_t>(k));
      if (cell.type() == CellType::string) {
        texts_[k] = cell.bytes();
      } else {
        renderings_.push_back(cell.text());
        texts_[k] = renderings_.back().c_str();
      }
      const uint64_t prefix = literalPrefix(texts_[k], caseSensitive_);
      entries_[k] = {descending ? ~prefix : prefix, static_cast<int32_t>(k)};
    }
  }

  const Entry<uint64_t>& pivotAt(int32_t k) const { return entries_[static_cast<std::size_t>(k)]; }
  Item* begin() { return entries_.data(); }
  bool before(const Item* e, const Item& pivot) const {
    return e->key != pivot.key ? e->key < pivot.key : rest(*e, pivot) < 0;
  }
  bool after(const Item* e, const Item& pivot) const {
    return e->key != pivot.key ? e->key > pivot.key : rest(*e, pivot) > 0;
  }
  static void exchange(Item* a, Item* b) { std::swap(*a, *b); }
  std::vector<Entry<uint64_t>>& entries() { return entries_; }
  int compare(const Item& a, const Item& b) const {
    return a.key != b.key ? (a.key > b.key) - (a.key < b.key) : rest(a, b);
  }

 private:
  // Orders two entries with equal prefixes, in the sort's direction.
  int rest(const Entry<uint64_t>& a, const Entry<uint64_t>& b) const {
    if (a.from == b.from || (a.key & 0xff) == (descending_ ? 0xff : 0))
      return 0;  // itself, or the prefix ends the text
    const char* ta = texts_[static_cast<std::size_t>(a.from)];
    const char* tb = texts_[static_cast<std::size_t>(b.from)];
    return directed(literalCompare(ta + 8, tb + 8, caseSensitive_), descending_);
  }

  bool caseSensitive_;
  bool descending_;
  std::vector<Entry<uint64_t>> entries_;
  std::vector<const char*> texts_;  // by cell index
  std::vector<CellText> renderings_;
};

template <typename Items>
void sortByKeys(ArrayStore& store, Items items, int32_t depth) {
  quicksort(items, 0, store.size() - 1, depth);
  std::vector<int32_t> from(items.entries().size());
  for (std::size_t k = 0; k < from.size(); ++k) from[k] = items.entries()[k].from;
  store.permute(std::move(from));
}

}  // namespace

void sortCells(ArrayStore& store, SortKind kind, SortOrder order) {
  // Twice the depth of a balanced split, as random inputs rarely go deeper.
  int32_t depth = 2;
  for (int32_t n = store.size(); n > 1; n /= 2) depth += 2;
  sortCellsWithin(store, kind, order, depth);
}

void sortCellsWithin(ArrayStore& store, SortKind kind, SortOrder order, int32_t depth) {
  const bool descending = order == SortOrder::descending;
  // Sorting compact keys keeps the partitions in the caches and moves each
  // cell once; without memory for them the cells are sorted in place, to the
  // same order (then a crafted order takes quadratic time).
  try {
    if (kind == kSortByString) {
      sortByKeys(store, TextItems(store, descending), depth);
    } else {
      sortByKeys(store, ValueItems(store, descending), depth);
    }
    return;
  } catch (const std::bad_alloc&) {
  }
  CellItems cells(store, kind, descending);
  quicksort(cells, 0, store.size() - 1, -1);
}

}  // namespace tessel
