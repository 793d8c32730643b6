#include "recordset/row_sort.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "core/compare.h"
#include "recordset/labels.h"

namespace tessel::recordset {
namespace {

int sign(int x) { return (x > 0) - (x < 0); }

// Sorts the rows at the given physical positions; position k of the range is
// physical row rows[k]. Comparisons are turned around for a descending order,
// so the scans below are written once, for ascending.
class RowSorter {
 public:
  RowSorter(ArrayStore& store, std::vector<int32_t> rows, int32_t c, SortKind kind, SortOrder order)
      : store_(store),
        rows_(std::move(rows)),
        columns_(store.dimensions().columns()),
        column_(c),
        kind_(kind),
        direction_(order == SortOrder::ascending ? 1 : -1),
        caseSensitive_(store.compareMode().caseSensitive) {
    // Values are read once and travel with their rows, so comparisons do not
    // chase cells all over the table.
    if (kind_ == SortKind::value) {
      values_.reserve(rows_.size());
      for (std::size_t k = 0; k < rows_.size(); ++k) values_.push_back(cell(static_cast<int32_t>(k)).value());
    }
  }

  void run() {
    const auto n = static_cast<int32_t>(rows_.size());
    if (n < 2 || sortIfAllDistinct()) return;
    quicksort(0, n - 1);
  }

 private:
  // The pivot: a copy of the first row's cell, taken before anything moves.
  struct Pivot {
    std::string text;
    int32_t value = 0;
  };

  const Cell& cell(int32_t k) const { return *store_.cellAt(rows_[static_cast<std::size_t>(k)] * columns_ + column_); }
  Pivot pivotOf(int32_t k) const {
    if (kind_ == SortKind::value) return Pivot{std::string(), keyValue(k)};
    return Pivot{std::string(cell(k).text().view()), 0};
  }
  int32_t keyValue(int32_t k) const { return values_[static_cast<std::size_t>(k)]; }
  // Negative, 0 or positive as row k sorts before, with or after the pivot.
  int compare(int32_t k, const Pivot& pivot) const {
    const int raw = kind_ == SortKind::value
                        ? (keyValue(k) > pivot.value) - (keyValue(k) < pivot.value)
                        : sign(literalCompare(cell(k).text().c_str(), pivot.text.c_str(), caseSensitive_));
    return raw * direction_;
  }
  int compareRows(int32_t a, int32_t b) const {
    const int raw = kind_ == SortKind::value
                        ? (keyValue(a) > keyValue(b)) - (keyValue(a) < keyValue(b))
                        : sign(literalCompare(cell(a).text().c_str(), cell(b).text().c_str(), caseSensitive_));
    return raw * direction_;
  }

  void exchange(int32_t i, int32_t j) {
    if (i == j) return;
    if (!values_.empty()) std::swap(values_[static_cast<std::size_t>(i)], values_[static_cast<std::size_t>(j)]);
    const int32_t a = rows_[static_cast<std::size_t>(i)] * columns_;
    const int32_t b = rows_[static_cast<std::size_t>(j)] * columns_;
    for (int32_t k = 0; k < columns_; ++k) store_.swap(a + k, b + k);
  }

  // When no two cells compare equal the sorted order is unique, whatever
  // method finds it: sort an index, then move the rows along its cycles.
  bool sortIfAllDistinct() {
    const auto n = static_cast<int32_t>(rows_.size());
    std::vector<int32_t> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [this](int32_t a, int32_t b) { return compareRows(a, b) < 0; });
    for (int32_t k = 1; k < n; ++k) {
      if (compareRows(order[static_cast<std::size_t>(k - 1)], order[static_cast<std::size_t>(k)]) == 0) return false;
    }
    std::vector<bool> placed(rows_.size(), false);
    for (int32_t start = 0; start < n; ++start) {
      int32_t k = start;
      while (!placed[static_cast<std::size_t>(k)]) {
        placed[static_cast<std::size_t>(k)] = true;
        const int32_t from = order[static_cast<std::size_t>(k)];
        if (from == start) break;
        exchange(k, from);  // position k gets its row; k's old row travels on to `from`
        k = from;
      }
    }
    return true;
  }

  enum class Shape { other, increasing, decreasing, nonDecreasing };

  // How the rows lo to hi already stand, in the sort's direction.
  Shape shapeOf(int32_t lo, int32_t hi) const {
    bool increasing = true, decreasing = true, nonDecreasing = true;
    for (int32_t k = lo; k < hi && (increasing || decreasing || nonDecreasing); ++k) {
      const int cmp = compareRows(k, k + 1);
      increasing = increasing && cmp < 0;
      decreasing = decreasing && cmp > 0;
      nonDecreasing = nonDecreasing && cmp <= 0;
    }
    if (increasing) return Shape::increasing;
    if (decreasing) return Shape::decreasing;
    return nonDecreasing ? Shape::nonDecreasing : Shape::other;
  }

  // The last row of the non-decreasing range lo to hi that does not sort after the pivot.
  int32_t lastNotAfter(int32_t lo, int32_t hi, const Pivot& pivot) const {
    while (lo < hi) {
      const int32_t mid = lo + (hi - lo + 1) / 2;
      if (compare(mid, pivot) > 0) {
        hi = mid - 1;
      } else {
        lo = mid;
      }
    }
    return lo;
  }

  // First-row pivot; recursion goes into the smaller part and the loop takes
  // the larger, so the depth stays logarithmic. The parts are disjoint, so
  // which one recurses does not change the result.
  //
  // Ranges whose order is already known are settled without the full scans,
  // leaving every row where the scans would: a strictly increasing range
  // stays (its rows are distinct, so its sorted order is itself), a strictly
  // decreasing one is reversed. In a non-decreasing range the scans stop at
  // the first row and at the last row equal to the pivot, then only meet rows
  // equal to it, so they exchange that run's rows pairwise from both ends;
  // both parts stay non-decreasing. That turns the quadratic cost of
  // resorting a sorted table with ties into n log n.
  void quicksort(int32_t lo, int32_t hi, bool nonDecreasing = false) {
    while (hi > lo) {
      if (!nonDecreasing) {
        const Shape shape = shapeOf(lo, hi);
        if (shape == Shape::increasing) return;
        if (shape == Shape::decreasing) {
          for (int32_t i = lo, j = hi; i < j; ++i, --j) exchange(i, j);
          return;
        }
        nonDecreasing = shape == Shape::nonDecreasing;
      }
      const Pivot pivot = pivotOf(lo);
      int32_t i = lo;
      int32_t j = hi;
      if (nonDecreasing) {
        for (j = lastNotAfter(lo, hi, pivot); j >= i; ++i, --j) exchange(i, j);
      } else {
        do {
          while (i < hi && compare(i, pivot) < 0) ++i;
          while (j > lo && compare(j, pivot) > 0) --j;
          if (j < i) break;
          exchange(i, j);
          ++i;
          --j;
        } while (j >= i);
      }
      if (j - lo < hi - i) {
        quicksort(lo, j, nonDecreasing);
        lo = i;
      } else {
        quicksort(i, hi, nonDecreasing);
        hi = j;
      }
    }
  }

  ArrayStore& store_;
  std::vector<int32_t> rows_;
  int32_t columns_;
  int32_t column_;
  SortKind kind_;
  int direction_;
  bool caseSensitive_;
  std::vector<int32_t> values_;  // the value kind's keys, in range order
};

}  // namespace

void sortRowsByColumn(ArrayStore& store, int32_t c, SortKind kind, SortOrder order) {
  if (store.dimensions().count() != 2 || c < 0 || c >= columnCount(store)) return;
  // The selected rows that hold cells; a flag left past the last complete
  // row (after a boundary change) stands for no row at all.
  const int32_t physical = store.dimensions().physicalRows(store.size());
  const RowFlags& flags = store.rowFlags();
  std::vector<int32_t> rows;
  rows.reserve(static_cast<std::size_t>(flags.selectedCount()));
  for (int32_t p = 0; p < flags.count() && p < physical; ++p) {
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
