// The one object each instance owns: the cells, their dimensions, the column
// labels and row flags of the recordset view, and the instance's settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/cell.h"
#include "core/cell_table.h"
#include "core/compare.h"
#include "core/dimensions.h"
#include "core/label_table.h"
#include "core/row_flags.h"

namespace tessel {

class ArrayStore {
 public:
  // Element operations by index. Setters and inserters with a negative index,
  // and deletes outside the array, do nothing; a setter past the end extends
  // the array with empty cells. Each change that goes through runs the row
  // flag upkeep. A change that cannot get its memory throws std::bad_alloc
  // and leaves the store as it was.
  int32_t size() const { return cells_.count(); }
  int32_t capacity() const { return cells_.capacity(); }
  const Cell* cellAt(int32_t i) const { return cells_.at(i); }
  // The text of cell i, or nothing outside the array.
  std::optional<CellText> stringAt(int32_t i) const;
  // The value of cell i, 0 outside the array.
  int32_t valueAt(int32_t i) const {
    const Cell* cell = cells_.at(i);
    return cell == nullptr ? 0 : cell->value();
  }

  void set(int32_t i, const CellDescriptor& d) {
    // Outside 2D there are no row flags, and most sets change one cell in place.
    if (dimensions_.count() != 2 && cells_.setInPlace(i, d)) return;
    setAndKeepRows(i, d);
  }
  void insert(int32_t i, const CellDescriptor& d);
  void append(const CellDescriptor& d) {
    if (dimensions_.count() == 2) return insert(size(), d);  // rows may follow
    cells_.append(d);
  }
  // Room for n cells about to be appended one by one (a file load), so that
  // they move no cell and no row flag; what the appends do stays the same.
  void reserveAppends(int64_t n) {
    cells_.reserveAppends(n);
    prepareUpkeep(size() + n);
  }
  // Appends for a file load: the k-th cell added goes where insert() at the
  // size before the first plus k puts it (the end), while the growth rule
  // and the row flag upkeep, which insert() runs per cell, run once in
  // finish() to the same result. Room for `atMost` cells is made first;
  // cells past them, or a run that the growth rule might refuse, go through
  // insert(). Nothing else may change the store's cells, dimensions or row
  // flags before finish(); a load that throws instead leaves the store to be
  // dropped or rolled back.
  class Appends {
   public:
    Appends(ArrayStore& store, int64_t atMost);
    void add(const CellDescriptor& d) {
      ++added_;
      if (room_ > 0) {
        --room_;
        store_.cells_.appendUnruled(d);
        return;
      }
      insertRuled(d);
    }
    void finish();

   private:
    void insertRuled(const CellDescriptor& d);

    ArrayStore& store_;
    int32_t start_;
    int32_t from_;  // the first cell the growth rule and the upkeep have not seen
    int64_t room_;
    int64_t added_ = 0;
  };

  // Assigns prepared contents to the cells from `first` on (the cells keep
  // their keys) as that many sets would, growth rule and row flag upkeep
  // included, in one step: std::bad_alloc leaves the store as it was; for
  // changes that must not stop halfway.
  void replaceContents(int32_t first, std::vector<Cell>& contents);
  void deleteAt(int32_t i);
  // A run of single inserts at i, i + 1, ... (i inside the array) or of
  // single deletions at i, done at once to the same cells, capacity and row
  // flags, moving the cells after them once. False, with nothing changed,
  // where a single change would be refused.
  bool insertRun(int32_t i, std::vector<Cell>& contents);
  bool deleteRun(int32_t i, int32_t n);
  // Single inserts of an empty cell (a value of 0) at r * span + at, or single
  // deletions there, for every row r from the last up, done at once to the
  // same cells, capacity and row flags (see CellTable::insertColumn). False,
  // with nothing changed, where the single changes would not all go through.
  bool insertColumn(int32_t span, int32_t at);
  bool deleteColumn(int32_t span, int32_t at);
  void deleteAll();
  // Exchanges two cells with their keys; row flags stay where they are.
  void swap(int32_t a, int32_t b) noexcept { cells_.swap(a, b); }
  // Cell k takes the cell that was at from[k], keys included; row flags stay.
  void permute(std::vector<int32_t> from) noexcept { cells_.permute(std::move(from)); }
  // Row k (cells k * span on) takes the row that was at from[k]; row flags stay.
  void permuteRuns(std::vector<int32_t> from, int32_t span) noexcept { cells_.permuteRuns(std::move(from), span); }
  // Assigns the key of cell i; outside the array nothing happens.
  void setKey(int32_t i, const CellDescriptor& d);
  // Takes cell i's key cell away (a copy of an array loaded elsewhere, made exact).
  void dropKey(int32_t i) noexcept {
    if (Cell* cell = cells_.at(i)) cell->dropKey();
  }
  // Moves the cells into a new layout in one pass, then takes `after` as the
  // dimensions and runs the row flag upkeep once. Nothing changes when the
  // layout cannot be had.
  void regroup(const Regrouping& r, const Dimensions& after);

  // Settings.
  CompareMode compareMode() const { return mode_; }
  void setCaseSensitive(bool on) { mode_.caseSensitive = on; }
  void setWildcard(bool on) { mode_.wildcard = on; }
  const std::string& listDelimiter() const { return delimiter_; }
  // Keeps a copy; a null text is ignored, an empty one stored as it is.
  void setListDelimiter(const char* text);

  Dimensions& dimensions() { return dimensions_; }
  const Dimensions& dimensions() const { return dimensions_; }
  RowFlags& rowFlags() { return rowFlags_; }
  const RowFlags& rowFlags() const { return rowFlags_; }
  LabelTable& labels() { return labels_; }
  const LabelTable& labels() const { return labels_; }

  // Takes new dimensions for the same cells, then runs the row flag upkeep
  // once; nothing changes when the flags cannot get their memory.
  void redimension(const Dimensions& after);
  // Brings the row flags to the physical row count of a 2D array.
  void rowFlagUpkeep();

  // For changes that must apply in full or not at all (file loads): a store
  // with this one's settings, dimensions, labels and row flags but no cells,
  // to be built up and moved in; and a mark to which cells appended at the
  // end (with dimension, label and row flag changes) can be undone.
  ArrayStore withoutCells() const;
  // A copy of everything: cells with their keys, capacity, settings. Throws std::bad_alloc.
  ArrayStore copy() const;
  struct Mark {
    int32_t count;
    int32_t capacity;
    Dimensions dimensions;
    LabelTable labels;
    RowFlags rowFlags;
  };
  // Takes back the capacity a change that was undone had grown; the cells are
  // those of that capacity again.
  void restoreCapacity(int32_t capacity) noexcept { cells_.truncate(size(), capacity); }
  Mark mark() const { return {size(), capacity(), dimensions_, labels_, rowFlags_}; }
  void rollBack(Mark&& m) noexcept;

 private:
  // Reserves the row flags a change to `count` cells needs, so the upkeep after it cannot fail.
  void prepareUpkeep(int64_t count);
  // The row flags after a run of inserts, the first of which made `firstCount`
  // cells: that insert's upkeep may drop flags past the complete rows (the
  // dimensions changed before the run); the later ones only add rows.
  void upkeepAfterRun(int32_t firstCount);
  void setAndKeepRows(int32_t i, const CellDescriptor& d);

  CellTable cells_;
  Dimensions dimensions_;
  LabelTable labels_;
  RowFlags rowFlags_;
  CompareMode mode_;
  std::string delimiter_ = ",";
};

}  // namespace tessel
