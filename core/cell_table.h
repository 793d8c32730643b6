// The cells of one array in index order, with the growth rule whose
// capacity the host can read (25, 37, 55, 82, ...).
#pragma once

#include <cstdint>
#include <vector>

#include "core/cell.h"

namespace tessel {

// A layout change that moves many cells at once: every complete run of `span`
// cells keeps its first `keep` cells and is followed by `pad` new empty cells;
// a partial run at the end keeps at most its first `keep` cells and gets no
// padding. A regrouping either adds cells (keep == span) or drops them (pad == 0).
// All three stay below 2^62.
struct Regrouping {
  int64_t span = 1;
  int64_t keep = 1;
  int64_t pad = 0;
};

// Only the first capacity / 2 + 1 slots can ever hold a cell (the growth
// rule keeps the count below that), so only they take memory; the rest of
// the capacity is a number. Within the capacity nothing is reallocated.
//
// Every change either completes or, when memory runs out (std::bad_alloc),
// leaves the table as it was. A change whose count would not fit in 32 bits
// is refused and returns false.
class CellTable {
 public:
  static constexpr int32_t kInitialCapacity = 25;

  // The growth rule's thresholds, written once. A table of `capacity` slots
  // grows (by half) when more than growLimit cells (50 %) are needed, and
  // shrinks (by a quarter) when fewer than shrinkLimit (25 %) are, once it
  // holds more than the initial capacity. The two limits take the capacity's
  // own width: every set and append checks them, and 64-bit arithmetic there
  // cost a 32-bit build a third of a set.
  template <typename Int>
  static constexpr Int growLimit(Int capacity) {
    return capacity / 2;
  }
  template <typename Int>
  static constexpr Int shrinkLimit(Int capacity) {
    return capacity / 4;
  }
  static constexpr int64_t grown(int64_t capacity) { return capacity * 150 / 100; }
  static constexpr int64_t shrunk(int64_t capacity) { return capacity * 75 / 100; }

  CellTable();

  int32_t count() const { return static_cast<int32_t>(cells_.size()); }
  int32_t capacity() const { return capacity_; }
  Cell* at(int32_t i) { return contains(i) ? &cells_[static_cast<std::size_t>(i)] : nullptr; }
  const Cell* at(int32_t i) const { return contains(i) ? &cells_[static_cast<std::size_t>(i)] : nullptr; }
  bool contains(int32_t i) const { return i >= 0 && i < count(); }

  // Assigns cell i, extending the table with empty cells up to it. The key stays.
  bool set(int32_t i, const CellDescriptor& d);
  // The same for a cell inside the table where the growth rule changes
  // nothing (most sets); false, with nothing done, elsewhere.
  bool setInPlace(int32_t i, const CellDescriptor& d) {
    if (!contains(i) || !steadyFor(count())) return false;
    cells_[static_cast<std::size_t>(i)].assign(d);  // completes or leaves the cell as it was
    return true;
  }
  // Inserts a cell before i (or sets it when i is at or past the end).
  bool insert(int32_t i, const CellDescriptor& d);
  // Sets the cell just past the end. Most appends leave the capacity as the
  // growth rule has it and find a slot ready; they skip the rule's step.
  bool append(const CellDescriptor& d) {
    if (!steadyFor(static_cast<int64_t>(count()) + 1) || cells_.size() == cells_.capacity()) return set(count(), d);
    appendUnruled(d);
    return true;
  }
  // Gives cells first, first + 1, ... the prepared contents (their keys stay);
  // cells outside the table are skipped. Runs the growth rule as a set would;
  // std::bad_alloc from it leaves the table as it was, and nothing after it fails.
  void replaceContents(int32_t first, std::vector<Cell>& contents);
  // Makes room at once for n cells to be appended one by one: the slots the
  // growth rule will have reached, so the appends move no cell. The rule's
  // capacity itself still changes append by append.
  void reserveAppends(int64_t n);
  // A run of appends settled as one (a file load). runFits(n): whether n
  // appends from here would all go through. appendUnruled: appends one cell
  // without the growth rule's step; settleAppends(from): takes the capacity
  // the rule reaches after appending the cells from `from` on one by one.
  // Between the two the capacity is stale, so nothing else may change the table.
  bool runFits(int64_t n) const;
  void appendUnruled(const CellDescriptor& d) {
    cells_.emplace_back();
    try {
      cells_.back().assign(d);
    } catch (...) {
      cells_.pop_back();
      throw;
    }
  }
  void settleAppends(int32_t from) noexcept;
  // Inserts the prepared cells before i (inside the table) as that many
  // single inserts at i, i + 1, ... would, growth rule included, moving the
  // cells after them once. False, with nothing changed, when the count would
  // not fit in 32 bits; std::bad_alloc leaves the table as it was.
  bool insertRun(int32_t i, std::vector<Cell>& contents);
  // Removes cell i with its key; cannot fail.
  bool erase(int32_t i);
  // Removes cells i to i + n - 1 (all inside the table) as that many single
  // erasures would, growth rule included; std::bad_alloc leaves the table as it was.
  bool eraseRun(int32_t i, int32_t n);
  // A column of rows `span` cells long: inserts an empty cell at r * span + at
  // for every row r, last row first, as that many single inserts would
  // (a last row too short to reach the column is first extended with empty
  // cells, as a set past the end does), growth rule included, or removes the
  // cell there from every row that reaches it, as single erasures would.
  // The cells move once. False, with nothing changed, when `at` is not a
  // column of the rows or the count would not fit in 32 bits; std::bad_alloc
  // leaves the table as it was.
  bool insertColumn(int32_t span, int32_t at);
  bool eraseColumn(int32_t span, int32_t at);
  // The count after insertColumn, or -1 when it would be refused.
  int64_t countAfterColumnInsert(int32_t span, int32_t at) const;
  // Drops every cell and returns to the initial capacity.
  void clear();
  // Another table with copies of the cells, keys included, and the same capacity.
  CellTable copy() const;
  // Exchanges two cells with their keys; out-of-range indexes do nothing.
  void swap(int32_t a, int32_t b) noexcept;
  // Rearranges the cells in place: cell k takes the one that was at from[k],
  // keys included, each cell moving once; `from` must be a permutation of
  // the indexes. Takes no memory, so it cannot fail. Runs of one cell.
  void permute(std::vector<int32_t> from) noexcept;
  // The same for runs of `span` cells (rows): run k, cells k * span to
  // k * span + span - 1, takes the run that was at from[k]; the cells past
  // from.size() runs stay. A row is visited once (per eight columns), where
  // moving cell by cell visits it once per cell. Takes no memory.
  void permuteRuns(std::vector<int32_t> from, int32_t span) noexcept;
  // Drops the cells from `count` on and takes back an earlier capacity; for
  // undoing appends. Frees nothing the growth rule would need again.
  void truncate(int32_t count, int32_t capacity) noexcept;

  // Applies a regrouping in one pass over the cells. The capacity becomes the
  // one the growth rule leaves when the same cells are inserted front to back,
  // or erased, one at a time, so a host cannot tell the two apart. Returns
  // false when the count or the capacity would not fit in 32 bits.
  bool regroup(const Regrouping& r);

  // The count after set / insert at i, or -1 when it would not fit in 32 bits.
  int64_t countAfterSet(int32_t i) const { return i < count() ? count() : static_cast<int64_t>(i) + 1; }
  int64_t countAfterInsert(int32_t i) const;
  int64_t countAfter(const Regrouping& r) const;

 private:
  // True when the growth rule, asked for `needed` cells at the present count,
  // leaves the capacity as it is.
  bool steadyFor(int64_t needed) const {
    return needed <= growLimit(capacity_) && (needed >= shrinkLimit(capacity_) || count() <= kInitialCapacity);
  }
  // Runs the growth rule for `needed` cells: the new capacity, or -1 when it would not fit.
  int64_t plannedCapacity(int64_t needed) const;
  // Applies the growth rule's capacity; throws std::bad_alloc with nothing changed.
  void applyCapacity(int64_t capacity);

  std::vector<Cell> cells_;
  int32_t capacity_ = kInitialCapacity;
};

}  // namespace tessel
