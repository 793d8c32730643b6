#include "core/cell_table.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

namespace tessel {

namespace {

constexpr int64_t kMaxInt32 = std::numeric_limits<int32_t>::max();

std::size_t usableSlots(int64_t capacity) { return static_cast<std::size_t>(capacity / 2 + 1); }

}  // namespace

CellTable::CellTable() { cells_.reserve(usableSlots(kInitialCapacity)); }

int64_t CellTable::plannedCapacity(int64_t needed) const {
  if (needed > kMaxInt32) return -1;
  int64_t capacity = capacity_;
  for (;;) {
    const int64_t half = capacity * 50 / 100;
    const int64_t quarter = capacity * 25 / 100;
    if (needed > half) {
      capacity = capacity * 150 / 100;
      if (capacity > kMaxInt32) return -1;
    } else if (needed < quarter && count() > kInitialCapacity) {
      capacity = capacity * 75 / 100;
    } else {
      return capacity;
    }
  }
}

void CellTable::applyCapacity(int64_t capacity) {
  if (capacity == capacity_) return;
  if (capacity > capacity_) {
    cells_.reserve(usableSlots(capacity));
  } else {
    std::vector<Cell> smaller;
    smaller.reserve(usableSlots(capacity));
    std::move(cells_.begin(), cells_.end(), std::back_inserter(smaller));
    cells_.swap(smaller);
  }
  capacity_ = static_cast<int32_t>(capacity);
}

int64_t CellTable::countAfterSet(int32_t i) const {
  return std::max<int64_t>(count(), static_cast<int64_t>(i) + 1);
}

int64_t CellTable::countAfterInsert(int32_t i) const {
  return i < count() ? static_cast<int64_t>(count()) + 1 : countAfterSet(i);
}

bool CellTable::set(int32_t i, const CellDescriptor& d) {
  if (i < 0) return false;
  const int64_t needed = countAfterSet(i);
  const int64_t capacity = plannedCapacity(needed);
  if (capacity < 0) return false;
  Cell content;
  content.assign(d);
  applyCapacity(capacity);
  cells_.resize(static_cast<std::size_t>(needed));
  cells_[static_cast<std::size_t>(i)].takeContent(content);
  return true;
}

bool CellTable::insert(int32_t i, const CellDescriptor& d) {
  if (i < 0) return false;
  if (i >= count()) return set(i, d);
  const int64_t capacity = plannedCapacity(count());
  if (capacity < 0 || count() == kMaxInt32) return false;
  Cell content;
  content.assign(d);
  applyCapacity(capacity);
  cells_.insert(cells_.begin() + i, std::move(content));
  return true;
}

bool CellTable::erase(int32_t i) {
  if (!contains(i)) return false;
  applyCapacity(plannedCapacity(count()));
  cells_.erase(cells_.begin() + i);
  return true;
}

void CellTable::clear() {
  std::vector<Cell> fresh;
  fresh.reserve(usableSlots(kInitialCapacity));
  cells_.swap(fresh);
  capacity_ = kInitialCapacity;
}

void CellTable::swap(int32_t a, int32_t b) noexcept {
  if (!contains(a) || !contains(b)) return;
  std::swap(cells_[static_cast<std::size_t>(a)], cells_[static_cast<std::size_t>(b)]);
}

void CellTable::truncate(int32_t count, int32_t capacity) noexcept {
  if (count < 0 || count > this->count()) return;
  cells_.erase(cells_.begin() + count, cells_.end());
  capacity_ = capacity;
}

}  // namespace tessel
