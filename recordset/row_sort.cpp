#include "recordset/row_sort.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <numeric>
#include <vector>

#include "core/compare.h"
#include "recordset/labels.h"
#include "recordset/rows.h"

namespace tessel::recordset {
namespace {

// The keys of a range with the two searches the quicksort's scans make: the
// first key at or after a position that is not below the pivot, and the last
// key at or before a position that is not above it. A segment tree of minima
// and maxima answers each in O(log n), so a scan costs that much however many
// rows it passes; exchanging two keys costs O(log n) too.
class ScanIndex {
 public:
  explicit ScanIndex(const std::vector<int32_t>& keys) : n_(keys.size()) {
    while (size_ < n_) size_ *= 2;
    min_.assign(2 * size_, INT32_MAX);
    max_.assign(2 * size_, INT32_MIN);
    for (std::size_t k = 0; k < n_; ++k) min_[size_ + k] = max_[size_ + k] = keys[k];
    for (std::size_t node = size_ - 1; node >= 1; --node) pull(node);
  }

  int32_t key(int32_t k) const { return max_[size_ + static_cast<std::size_t>(k)]; }
  void exchange(int32_t a, int32_t b) {
    const int32_t ka = key(a);
    const int32_t kb = key(b);
    if (ka == kb) return;  // equal keys: the tree stays as it is
    put(a, kb);
    put(b, ka);
  }
  // The first position from `from` whose key is at least p, or -1.
  int32_t firstAtLeast(int32_t from, int32_t p) const {
    return first(1, 0, size_ - 1, static_cast<std::size_t>(from), p);
  }
  // The last position up to `to` whose key is at most p, or -1.
  int32_t lastAtMost(int32_t to, int32_t p) const { return last(1, 0, size_ - 1, static_cast<std::size_t>(to), p); }

 private:
  void pull(std::size_t node) {
    min_[node] = std::min(min_[2 * node], min_[2 * node + 1]);
    max_[node] = std::max(max_[2 * node], max_[2 * node + 1]);
  }
  void put(int32_t k, int32_t key) {
    std::size_t node = size_ + static_cast<std::size_t>(k);
    min_[node] = max_[node] = key;
    for (node /= 2; node >= 1; node /= 2) pull(node);
  }
  int32_t first(std::size_t node, std::size_t lo, std::size_t hi, std::size_t from, int32_t p) const {
    if (hi < from || max_[node] < p) return -1;
    if (lo == hi) return static_cast<int32_t>(lo);
    const std::size_t mid = lo + (hi - lo) / 2;
    const int32_t left = first(2 * node, lo, mid, from, p);
    return left >= 0 ? left : first(2 * node + 1, mid + 1, hi, from, p);
  }
  int32_t last(std::size_t node, std::size_t lo, std::size_t hi, std::size_t to, int32_t p) const {
    if (lo > to || min_[node] > p) return -1;
    if (lo == hi) return static_cast<int32_t>(lo);
    const std::size_t mid = lo + (hi - lo) / 2;
    const int32_t right = last(2 * node + 1, mid + 1, hi, to, p);
    return right >= 0 ? right : last(2 * node, lo, mid, to, p);
  }

  std::size_t n_;
  std::size_t size_ = 1;
  std::vector<int32_t> min_;
  std::vector<int32_t> max_;
};

// Sorts the rows at the given physical positions; position k of the range is
// physical row rows[k].
//
// The cells are compared once, by sorting an index of the range: that gives
// each row its rank (rows that compare equal share one). When no two rows
// tie, the sorted order is unique. Otherwise the first-row-pivot quicksort
// runs on the ranks, which order the rows exactly as their cells do; the
// ranks are negated for a descending order so the scans are written once.
// Its scans jump with the ScanIndex instead of stepping, so inputs that make
// them long (in order or in reverse, with ties) no longer cost quadratic
// time, and the exchanges of a first-row-pivot quicksort number O(n log n) in
// all. The quicksort exchanges positions in a list, not rows: either way the
// rows then move once, each straight to its place.
class RowSorter {
 public:
  RowSorter(ArrayStore& store, std::vector<int32_t> rows, int32_t c, SortKind kind, SortOrder order)
      : store_(store),
        rows_(std::move(rows)),
        columns_(store.dimensions().columns()),
        column_(c),
        kind_(kind),
        descending_(order == SortOrder::descending),
        caseSensitive_(store.compareMode().caseSensitive) {}

  void run() {
    const auto n = static_cast<int32_t>(rows_.size());
    if (n < 2) return;
    std::vector<int32_t> order = sortedIndex();
    std::vector<int32_t> keys(rows_.size());
    bool tied = false;
    int32_t rank = 0;
    for (int32_t k = 0; k < n; ++k) {
      const int32_t row = order[static_cast<std::size_t>(k)];
      if (k > 0) {
        const bool same = compareRows(order[static_cast<std::size_t>(k - 1)], row) == 0;
        tied = tied || same;
        rank += same ? 0 : 1;
      }
      keys[static_cast<std::size_t>(row)] = descending_ ? -rank : rank;
    }
    if (!tied) {
      if (descending_) std::reverse(order.begin(), order.end());
      moveAlong(order);
      return;
    }
    ScanIndex index(keys);
    order_.resize(rows_.size());
    std::iota(order_.begin(), order_.end(), 0);
    quicksort(index, 0, n - 1);
    moveAlong(order_);
  }

 private:
  const Cell& cell(int32_t k) const { return *store_.cellAt(rows_[static_cast<std::size_t>(k)] * columns_ + column_); }

  // Negative, 0 or positive as row a sorts before, with or after row b, ascending.
  int compareRows(int32_t a, int32_t b) const {
    if (kind_ == kSortByValue) {
      const int32_t va = values_[static_cast<std::size_t>(a)];
      const int32_t vb = values_[static_cast<std::size_t>(b)];
      return (va > vb) - (va < vb);
    }
    return literalCompare(cell(a).text().c_str(), cell(b).text().c_str(), caseSensitive_);
  }

  // The range's positions in ascending order of their cells.
  std::vector<int32_t> sortedIndex() {
    if (kind_ == kSortByValue) {
      values_.reserve(rows_.size());
      for (std::size_t k = 0; k < rows_.size(); ++k) values_.push_back(cell(static_cast<int32_t>(k)).value());
    }
    std::vector<int32_t> order(rows_.size());
    if (kind_ == kSortByValue) {
      // Each value and its position as one number: the sort compares them
      // in place instead of looking values up by position. Tied values come
      // out in position order, which only their shared rank depends on.
      std::vector<uint64_t> packed(rows_.size());
      for (std::size_t k = 0; k < packed.size(); ++k) {
        const uint32_t biased = static_cast<uint32_t>(values_[k]) ^ 0x80000000U;  // signed order as unsigned
        packed[k] = static_cast<uint64_t>(biased) << 32 | k;
      }
      std::sort(packed.begin(), packed.end());
      for (std::size_t k = 0; k < packed.size(); ++k) order[k] = static_cast<int32_t>(packed[k] & 0xffffffffU);
      return order;
    }
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [this](int32_t a, int32_t b) { return compareRows(a, b) < 0; });
    return order;
  }

  void exchangeRows(int32_t i, int32_t j) {
    if (i == j) return;
    const int32_t a = rows_[static_cast<std::size_t>(i)] * columns_;
    const int32_t b = rows_[static_cast<std::size_t>(j)] * columns_;
    for (int32_t k = 0; k < columns_; ++k) store_.swap(a + k, b + k);
  }

  // Puts the row of position order[k] at position k. The cells move along
  // the cycles of the permutation, each once; without memory for its index
  // list, rows are exchanged along the same cycles instead.
  void moveAlong(const std::vector<int32_t>& order) {
    try {
      std::vector<int32_t> from(static_cast<std::size_t>(store_.size()));
      std::iota(from.begin(), from.end(), 0);
      for (std::size_t k = 0; k < order.size(); ++k) {
        // Both rows hold cells, so their first cell indexes fit in 32 bits.
        const int32_t source = rows_[static_cast<std::size_t>(order[k])] * columns_;
        const std::size_t to = static_cast<std::size_t>(rows_[k]) * static_cast<std::size_t>(columns_);
        for (int32_t c = 0; c < columns_; ++c) from[to + static_cast<std::size_t>(c)] = source + c;
      }
      store_.permute(std::move(from));
      return;
    } catch (const std::bad_alloc&) {
      // Nothing has moved yet; the exchanges below need no memory.
    }
    std::vector<bool> placed(order.size(), false);
    for (int32_t start = 0; start < static_cast<int32_t>(order.size()); ++start) {
      int32_t k = start;
      while (!placed[static_cast<std::size_t>(k)]) {
        placed[static_cast<std::size_t>(k)] = true;
        const int32_t from = order[static_cast<std::size_t>(k)];
        if (from == start) break;
        exchangeRows(k, from);  // position k gets its row; k's old row travels on to `from`
        k = from;
      }
    }
  }

  // A scan steps a few rows, as most stop soon, then jumps with the index.
  static constexpr int32_t kSteps = 8;
  static int32_t scanForward(const ScanIndex& index, int32_t i, int32_t hi, int32_t pivot) {
    for (int32_t step = 0; step < kSteps && i < hi; ++step, ++i) {
      if (index.key(i) >= pivot) return i;
    }
    const int32_t stop = index.firstAtLeast(i, pivot);
    return stop < 0 || stop > hi ? hi : stop;
  }
  static int32_t scanBackward(const ScanIndex& index, int32_t j, int32_t lo, int32_t pivot) {
    for (int32_t step = 0; step < kSteps && j > lo; ++step, --j) {
      if (index.key(j) <= pivot) return j;
    }
    const int32_t stop = index.lastAtMost(j, pivot);
    return stop < lo ? lo : stop;
  }

  // First-row pivot; both scans stop on keys equal to the pivot, and those
  // rows are exchanged. Recursion goes into the smaller part and the loop
  // takes the larger, so the depth stays logarithmic; the parts are disjoint,
  // so which one recurses does not change the result.
  void quicksort(ScanIndex& index, int32_t lo, int32_t hi) {
    while (hi > lo) {
      const int32_t pivot = index.key(lo);
      int32_t i = lo;
      int32_t j = hi;
      do {
        // Each scan ends inside the range: on the first round at the pivot's
        // own row, later at the rows just exchanged.
        i = scanForward(index, i, hi, pivot);
        j = scanBackward(index, j, lo, pivot);
        if (j < i) break;
        std::swap(order_[static_cast<std::size_t>(i)], order_[static_cast<std::size_t>(j)]);
        index.exchange(i, j);
        ++i;
        --j;
      } while (j >= i);
      if (j - lo < hi - i) {
        quicksort(index, lo, j);
        lo = i;
      } else {
        quicksort(index, i, hi);
        hi = j;
      }
    }
  }

  ArrayStore& store_;
  std::vector<int32_t> rows_;
  int32_t columns_;
  int32_t column_;
  SortKind kind_;
  bool descending_;
  bool caseSensitive_;
  std::vector<int32_t> values_;  // the value kind's cells, read once
  std::vector<int32_t> order_;   // the quicksort's arrangement: position k takes the row at order_[k]
};

}  // namespace

void sortRowsByColumn(ArrayStore& store, int32_t c, SortKind kind, SortOrder order) {
  if (store.dimensions().count() != 2 || c < 0 || c >= columnCount(store)) return;
  // The selected rows that hold cells; a flag left past the last complete
  // row (after a boundary change) stands for no row at all.
  const int32_t positions = rowsWithFlags(store);
  const RowFlags& flags = store.rowFlags();
  std::vector<int32_t> rows;
  rows.reserve(static_cast<std::size_t>(rowCount(store)));
  for (int32_t p = 0; p < positions; ++p) {
    if (flags.isSelected(p)) rows.push_back(p);
  }
  RowSorter(store, std::move(rows), c, kind, order).run();
}

void sortRowsByLabel(ArrayStore& store, const char* label, SortKind kind, SortOrder order) {
  if (store.dimensions().count() != 2) return;
  const int32_t c = columnOfLabel(store, label);
  if (c >= 0) sortRowsByColumn(store, c, kind, order);
}

}  // namespace tessel::recordset
