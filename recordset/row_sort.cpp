#include "recordset/row_sort.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <numeric>
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
// The cells are compared once, by sorting an index of the range: that gives
// each row its rank (rows that compare equal share one). When no two rows
// tie, the sorted order is unique. Otherwise the first-row-pivot quicksort
// runs on the ranks (rankedQuicksort, which no input makes quadratic), which
// order the rows exactly as their cells do; the ranks are negated for a
// descending order. Either way the rows then move once, each straight to its
// place.
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
    moveAlong(rankedQuicksort(keys, PivotAt::first));
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
    const uint64_t pa = prefixes_[static_cast<std::size_t>(a)];
    const uint64_t pb = prefixes_[static_cast<std::size_t>(b)];
    if (pa != pb) return pa < pb ? -1 : 1;
    if ((pa & 0xff) == 0) return 0;  // the prefix holds the whole text
    return literalCompare(texts_[static_cast<std::size_t>(a)] + 8, texts_[static_cast<std::size_t>(b)] + 8,
                          caseSensitive_);
  }

  // The range's positions in ascending order of their cells. The keys are
  // read once, in row order, into compact lists, and only those are sorted:
  // the comparisons stay in the caches instead of visiting cells spread over
  // the whole table.
  std::vector<int32_t> sortedIndex() {
    const std::size_t n = rows_.size();
    std::vector<int32_t> order(n);
    if (kind_ == kSortByValue) {
      values_.reserve(n);
      for (std::size_t k = 0; k < n; ++k) values_.push_back(cell(static_cast<int32_t>(k)).value());
      // Each value and its position as one number, compared in place. Tied
      // values come out in position order, which only their shared rank
      // depends on.
      std::vector<uint64_t> packed(n);
      for (std::size_t k = 0; k < n; ++k) {
        const uint32_t biased = static_cast<uint32_t>(values_[k]) ^ 0x80000000U;  // signed order as unsigned
        packed[k] = static_cast<uint64_t>(biased) << 32 | k;
      }
      std::sort(packed.begin(), packed.end());
      for (std::size_t k = 0; k < n; ++k) order[k] = static_cast<int32_t>(packed[k] & 0xffffffffU);
      return order;
    }
    // Texts: a string cell's own bytes (nothing moves until the sort is
    // decided), other cells rendered; each text's prefix beside its position.
    std::size_t rendered = 0;
    for (std::size_t k = 0; k < n; ++k) rendered += cell(static_cast<int32_t>(k)).type() != CellType::string;
    renderings_.reserve(rendered);  // no reallocation below: the texts point into it
    texts_.resize(n);
    prefixes_.resize(n);
    struct Entry {
      uint64_t prefix;
      int32_t position;
    };
    std::vector<Entry> entries(n);
    for (std::size_t k = 0; k < n; ++k) {
      const Cell& c = cell(static_cast<int32_t>(k));
      if (c.type() == CellType::string) {
        texts_[k] = c.bytes();
      } else {
        renderings_.push_back(c.text());
        texts_[k] = renderings_.back().c_str();
      }
      prefixes_[k] = literalPrefix(texts_[k], caseSensitive_);
      entries[k] = {prefixes_[k], static_cast<int32_t>(k)};
    }
    // Sorted by their first eight bytes; each run of texts that tie there and
    // go on is sorted again by their next eight, and so on. Every pass
    // compares compact numbers and reads each of its texts once, where
    // comparing whole texts would visit two cells per comparison.
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
        for (auto e = first; e != last; ++e) {
          e->prefix = literalPrefix(texts_[static_cast<std::size_t>(e->position)] + r.offset, caseSensitive_);
        }
      }
      std::sort(first, last, [](const Entry& a, const Entry& b) { return a.prefix < b.prefix; });
      for (std::size_t a = r.begin; a < r.end;) {
        std::size_t b = a + 1;
        while (b < r.end && entries[b].prefix == entries[a].prefix) ++b;
        if (b - a > 1 && (entries[a].prefix & 0xff) != 0) runs.push_back({a, b, r.offset + 8});
        a = b;
      }
    }
    for (std::size_t k = 0; k < n; ++k) order[k] = entries[k].position;
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

  ArrayStore& store_;
  std::vector<int32_t> rows_;
  int32_t columns_;
  int32_t column_;
  SortKind kind_;
  bool descending_;
  bool caseSensitive_;
  std::vector<int32_t> values_;     // the value kind's cells, read once
  std::vector<const char*> texts_;  // the string kind's texts, by position
  std::vector<uint64_t> prefixes_;  // their literalPrefix
  std::vector<CellText> renderings_;
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
