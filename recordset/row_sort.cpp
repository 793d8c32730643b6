#include "recordset/row_sort.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <numeric>
#include <utility>
#include <vector>

#include "core/compare.h"
#include "core/ranked_quicksort.h"
#include "recordset/labels.h"
#include "recordset/rows.h"

namespace tessel::recordset {
namespace {

// Sorts the rows at the given physical positions; position k of the range is
// physical row rows[k].
//
// The sort keys are read once, in row order, into a compact list beside
// their positions, and only that list is sorted: the comparisons stay in
// the caches instead of visiting cells spread over the whole table. Values
// are their own ranks: the first-row-pivot quicksort runs on them directly
// (quicksortByRank; a descending sort complements them, which reverses the
// order of all 32-bit values exactly). Texts are sorted by their bytes
// first, which tells which of them tie: when none do, the sorted order is
// unique, otherwise the quicksort runs on their ranks (texts that compare
// equal share one). Either way the rows then move once, each straight to
// its place.
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
    const std::size_t n = rows_.size();
    if (n < 2) return;
    if (kind_ == kSortByValue) {
      std::vector<int32_t> keys(n);
      for (std::size_t k = 0; k < n; ++k) {
        const int32_t v = cell(k).value();
        keys[k] = descending_ ? ~v : v;
      }
      moveAlong(quicksortByRank(keys, PivotAt::first));
      return;
    }
    std::vector<int32_t> order(n);
    // startsGroup[k]: the row at order[k] compares above the one before it.
    std::vector<uint8_t> startsGroup(n, 0);
    sortTexts(order, startsGroup);
    const bool tied = std::find(startsGroup.begin() + 1, startsGroup.end(), 0) != startsGroup.end();
    if (!tied) {
      if (descending_) std::reverse(order.begin(), order.end());
      moveAlong(std::move(order));
      return;
    }
    std::vector<int32_t> ranks(n);
    int32_t rank = -1;
    for (std::size_t k = 0; k < n; ++k) {
      rank += startsGroup[k];
      ranks[static_cast<std::size_t>(order[k])] = descending_ ? -rank : rank;
    }
    moveAlong(quicksortByRank(ranks, PivotAt::first));
  }

 private:
  const Cell& cell(std::size_t k) const { return *store_.cellAt(rows_[k] * columns_ + column_); }

  // Texts: a string cell's own bytes (nothing moves until the sort is
  // decided), other cells rendered. Sorted by their first sixteen bytes (two
  // literalPrefix numbers) beside their positions; each run of texts that tie
  // there and go on is sorted again by their next sixteen, and so on. Every
  // pass compares compact numbers and reads each of its texts once, where
  // comparing whole texts would visit two cells per comparison; sixteen bytes
  // settle most names and numbers in the first pass, which reads the texts
  // in row order, so few are read again in a random order.
  void sortTexts(std::vector<int32_t>& order, std::vector<uint8_t>& startsGroup) {
    const std::size_t n = order.size();
    std::size_t rendered = 0;
    for (std::size_t k = 0; k < n; ++k) rendered += cell(k).type() != CellType::string;
    std::vector<CellText> renderings;
    renderings.reserve(rendered);  // no reallocation below: the texts point into it
    std::vector<const char*> texts(n);
    struct Entry {
      uint64_t prefix, next;  // bytes offset to offset + 7, offset + 8 to offset + 15
      int32_t position;
      bool operator<(const Entry& e) const { return prefix != e.prefix ? prefix < e.prefix : next < e.next; }
      bool operator!=(const Entry& e) const { return prefix != e.prefix || next != e.next; }
    };
    const auto keyOf = [&](const char* text, int32_t position) {
      const uint64_t prefix = literalPrefix(text, caseSensitive_);
      return Entry{prefix, (prefix & 0xff) != 0 ? literalPrefix(text + 8, caseSensitive_) : 0, position};
    };
    std::vector<Entry> entries(n);
    for (std::size_t k = 0; k < n; ++k) {
      const Cell& c = cell(k);
      if (c.type() == CellType::string) {
        texts[k] = c.bytes();
      } else {
        renderings.push_back(c.text());
        texts[k] = renderings.back().c_str();
      }
      entries[k] = keyOf(texts[k], static_cast<int32_t>(k));
    }
    struct Run {
      std::size_t begin, end, offset;
    };
    std::vector<Run> runs{{0, n, 0}};
    while (!runs.empty()) {
      const Run r = runs.back();
      runs.pop_back();
      const auto first = entries.begin() + static_cast<std::ptrdiff_t>(r.begin);
      const auto last = entries.begin() + static_cast<std::ptrdiff_t>(r.end);
      if (r.offset > 0) {
        for (auto e = first; e != last; ++e)
          *e = keyOf(texts[static_cast<std::size_t>(e->position)] + r.offset, e->position);
      }
      std::sort(first, last);
      // Texts equal on these bytes that end in them are equal; those that go
      // on are told apart by the next pass, which marks where they differ.
      for (std::size_t a = r.begin; a < r.end;) {
        startsGroup[a] = 1;
        std::size_t b = a + 1;
        while (b < r.end && !(entries[b] != entries[a])) ++b;
        if (b - a > 1 && (entries[a].next & 0xff) != 0) runs.push_back({a, b, r.offset + 16});
        a = b;
      }
    }
    for (std::size_t k = 0; k < n; ++k) order[k] = entries[k].position;
  }

  void exchangeRows(int32_t i, int32_t j) {
    if (i == j) return;
    const int32_t a = rows_[static_cast<std::size_t>(i)] * columns_;
    const int32_t b = rows_[static_cast<std::size_t>(j)] * columns_;
    for (int32_t k = 0; k < columns_; ++k) store_.swap(a + k, b + k);
  }

  // Puts the row of position order[k] at position k, moving each row once
  // along the cycles of the permutation. Without memory for the list of
  // physical rows, rows are exchanged along the same cycles instead, which
  // needs none: done positions are marked in `order` itself.
  void moveAlong(std::vector<int32_t> order) {
    try {
      std::vector<int32_t> from(static_cast<std::size_t>(rows_.back()) + 1);
      std::iota(from.begin(), from.end(), 0);
      for (std::size_t k = 0; k < order.size(); ++k) {
        from[static_cast<std::size_t>(rows_[k])] = rows_[static_cast<std::size_t>(order[k])];
      }
      store_.permuteRuns(std::move(from), columns_);
      return;
    } catch (const std::bad_alloc&) {
      // Nothing has moved yet.
    }
    for (int32_t start = 0; start < static_cast<int32_t>(order.size()); ++start) {
      int32_t k = start;
      while (order[static_cast<std::size_t>(k)] >= 0) {
        const int32_t from = std::exchange(order[static_cast<std::size_t>(k)], -1);
        if (from == start) break;
        exchangeRows(k, from);  // position k gets its row; k's old row travels on to `from`
        k = from;
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
