#include "core/array_store.h"

#include <cstdint>
#include <utility>

#include "core/arithmetic.h"

namespace tessel {

std::optional<CellText> ArrayStore::stringAt(int32_t i) const {
  const Cell* cell = cells_.at(i);
  if (cell == nullptr) return std::nullopt;
  return cell->text();
}

void ArrayStore::prepareUpkeep(int64_t count) {
  if (dimensions_.count() != 2 || count < 0 || count > INT32_MAX) return;
  rowFlags_.reserve(dimensions_.physicalRows(static_cast<int32_t>(count)));
}

void ArrayStore::rowFlagUpkeep() {
  if (dimensions_.count() != 2) return;
  rowFlags_.upkeep(dimensions_.physicalRows(size()));
}

void ArrayStore::upkeepAfterRun(int32_t firstCount) {
  if (dimensions_.count() != 2) return;
  rowFlags_.upkeep(dimensions_.physicalRows(firstCount));
  rowFlags_.upkeep(dimensions_.physicalRows(size()));
}

void ArrayStore::setAndKeepRows(int32_t i, const CellDescriptor& d) {
  prepareUpkeep(cells_.countAfterSet(i));
  if (cells_.set(i, d)) rowFlagUpkeep();
}

void ArrayStore::insert(int32_t i, const CellDescriptor& d) {
  // A successful insert leaves the count prepared for, so its row count is
  // worked out once (a division) for the reserve and the upkeep.
  const int64_t after = cells_.countAfterInsert(i);
  const bool rows = dimensions_.count() == 2 && after >= 0 && after <= INT32_MAX;
  const int32_t physical = rows ? dimensions_.physicalRows(static_cast<int32_t>(after)) : 0;
  if (rows) rowFlags_.reserve(physical);
  if (cells_.insert(i, d) && rows) rowFlags_.upkeep(physical);
}

// With fewer flags than rows (the columns changed under them), the upkeep
// after a delete adds flags; their room is taken first, so that running out of
// memory leaves the cells as they were.
void ArrayStore::deleteAt(int32_t i) {
  if (cells_.at(i) != nullptr) prepareUpkeep(int64_t{size()} - 1);
  if (cells_.erase(i)) rowFlagUpkeep();
}

bool ArrayStore::insertRun(int32_t i, std::vector<Cell>& contents) {
  const int32_t before = size();
  prepareUpkeep(before + static_cast<int64_t>(contents.size()));
  if (!cells_.insertRun(i, contents)) return false;
  if (size() > before) upkeepAfterRun(before + 1);
  return true;
}

bool ArrayStore::deleteRun(int32_t i, int32_t n) {
  // Each deletion only lowers the row count, so one upkeep at the end leaves what they would.
  if (n > 0) prepareUpkeep(int64_t{size()} - n);
  if (!cells_.eraseRun(i, n)) return false;
  rowFlagUpkeep();
  return true;
}

bool ArrayStore::insertColumn(int32_t span, int32_t at) {
  const int32_t before = size();
  const int64_t after = cells_.countAfterColumnInsert(span, at);
  if (after < 0) return false;
  prepareUpkeep(after);
  if (!cells_.insertColumn(span, at)) return false;
  if (size() > before) {
    const int64_t first = (before + span - 1) / span * span - span + at;  // the first insert's index
    upkeepAfterRun(static_cast<int32_t>(first >= before ? first + 1 : before + 1));
  }
  return true;
}

bool ArrayStore::deleteColumn(int32_t span, int32_t at) {
  const int32_t before = size();
  if (before > 0) prepareUpkeep(int64_t{before} - 1);  // the most rows the deletions pass through
  if (!cells_.eraseColumn(span, at)) return false;
  // Each deletion only lowers the row count, so one upkeep at the end leaves what they would.
  if (size() < before) rowFlagUpkeep();
  return true;
}

void ArrayStore::replaceContents(int32_t first, std::vector<Cell>& contents) {
  if (contents.empty()) return;
  prepareUpkeep(size());
  cells_.replaceContents(first, contents);
  rowFlagUpkeep();
}

void ArrayStore::deleteAll() {
  cells_.clear();
  rowFlagUpkeep();
}

void ArrayStore::setKey(int32_t i, const CellDescriptor& d) {
  // Keys live beside the element; no row changes, so no upkeep.
  if (Cell* cell = cells_.at(i)) cell->setKey(d);
}

void ArrayStore::regroup(const Regrouping& r, const Dimensions& after) {
  const int64_t count = cells_.countAfter(r);
  if (count < 0) return;
  if (after.count() == 2) rowFlags_.reserve(after.physicalRows(static_cast<int32_t>(count)));
  if (!cells_.regroup(r)) return;
  dimensions_ = after;
  rowFlagUpkeep();
}

void ArrayStore::redimension(const Dimensions& after) {
  if (after.count() == 2) rowFlags_.reserve(after.physicalRows(size()));
  dimensions_ = after;
  rowFlagUpkeep();
}

ArrayStore::Appends::Appends(ArrayStore& store, int64_t atMost)
    : store_(store), start_(store.size()), from_(store.size()), room_(store.cells_.runFits(atMost) ? atMost : 0) {
  store.reserveAppends(atMost);
}

void ArrayStore::Appends::insertRuled(const CellDescriptor& d) {
  finish();
  store_.insert(wrapAdd(start_, static_cast<int32_t>(added_ - 1)), d);
  from_ = store_.size();
}

void ArrayStore::Appends::finish() {
  const int32_t count = store_.size();
  if (count == from_) return;
  store_.cells_.settleAppends(from_);
  store_.upkeepAfterRun(from_ + 1);
  from_ = count;
}

ArrayStore ArrayStore::withoutCells() const {
  ArrayStore copy;
  copy.dimensions_ = dimensions_;
  copy.labels_ = labels_;
  copy.rowFlags_ = rowFlags_;
  copy.mode_ = mode_;
  copy.delimiter_ = delimiter_;
  return copy;
}

ArrayStore ArrayStore::copy() const {
  ArrayStore c = withoutCells();
  c.cells_ = cells_.copy();
  return c;
}

void ArrayStore::rollBack(Mark&& m) noexcept {
  cells_.truncate(m.count, m.capacity);
  dimensions_ = m.dimensions;
  labels_ = std::move(m.labels);
  rowFlags_ = std::move(m.rowFlags);
}

void ArrayStore::setListDelimiter(const char* text) {
  if (text != nullptr) delimiter_ = text;
}

}  // namespace tessel
