#include "core/cell_table.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <new>
#include <utility>

#include "core/arithmetic.h"

namespace tessel {

namespace {

constexpr int64_t kMaxInt32 = std::numeric_limits<int32_t>::max();

constexpr int64_t kInitial = CellTable::kInitialCapacity;

// One slot past the grow limit: the spare cell the count never reaches.
std::size_t usableSlots(int64_t capacity) { return static_cast<std::size_t>(CellTable::growLimit(capacity) + 1); }

// The growth rule once: the capacity for `needed` cells while the table holds
// `count`, or -1 when it would not fit in 32 bits.
int64_t ruleCapacity(int64_t capacity, int64_t needed, int64_t count) {
  if (needed > kMaxInt32) return -1;
  for (;;) {
    if (needed > CellTable::growLimit(capacity)) {
      capacity = CellTable::grown(capacity);
      if (capacity > kMaxInt32) return -1;
    } else if (needed < CellTable::shrinkLimit(capacity) && count > kInitial) {
      capacity = CellTable::shrunk(capacity);
    } else {
      return capacity;
    }
  }
}

// The capacity after `times` single insertions from `count` cells. Each
// ensures the count before it, or one more when it lands at the end. Only the
// steps where the rule can act are evaluated: where the needed count passes
// half the capacity, and where the count first passes the initial capacity.
int64_t replayInserts(int64_t capacity, int64_t& count, int64_t times, bool atEnd) {
  const int64_t extra = atEnd ? 1 : 0;
  const int64_t end = count + times;
  while (count < end && capacity >= 0) {
    const int64_t before = capacity;
    capacity = ruleCapacity(capacity, count + extra, count);
    if (capacity != before) {
      ++count;
      continue;
    }
    int64_t next = CellTable::growLimit(capacity) + 1 - extra;
    if (count <= kInitial) next = std::min(next, kInitial + 1);
    count = std::min(std::max(next, count + 1), end);
  }
  return capacity;
}

// The capacity after `times` single erasures from `count` cells; after the
// first step the rule can only shrink, once the count falls below a quarter.
int64_t replayErases(int64_t capacity, int64_t count, int64_t times) {
  const int64_t end = count - times;
  while (count > end) {
    const int64_t before = capacity;
    capacity = ruleCapacity(capacity, count, count);
    if (capacity != before) {
      --count;
      continue;
    }
    const int64_t next = std::min(CellTable::shrinkLimit(capacity) - 1, count - 1);
    if (next <= kInitial || next <= end) break;
    count = next;
  }
  return capacity;
}

}  // namespace

CellTable::CellTable() { cells_.reserve(usableSlots(kInitialCapacity)); }

int64_t CellTable::plannedCapacity(int64_t needed) const { return ruleCapacity(capacity_, needed, count()); }

void CellTable::applyCapacity(int64_t capacity) {
  if (capacity == capacity_) return;
  if (capacity > capacity_) {
    cells_.reserve(usableSlots(capacity));
  } else {
    // Giving memory back is a courtesy: without memory for a smaller table the
    // larger one serves as well, so shrinking (and with it every erase) cannot fail.
    try {
      std::vector<Cell> smaller;
      smaller.reserve(usableSlots(capacity));
      std::move(cells_.begin(), cells_.end(), std::back_inserter(smaller));
      cells_.swap(smaller);
    } catch (const std::bad_alloc&) {
    }
  }
  capacity_ = static_cast<int32_t>(capacity);
}

int64_t CellTable::countAfterInsert(int32_t i) const {
  return i < count() ? static_cast<int64_t>(count()) + 1 : countAfterSet(i);
}

bool CellTable::set(int32_t i, const CellDescriptor& d) {
  if (setInPlace(i, d)) return true;
  if (i < 0) return false;
  const int64_t needed = countAfterSet(i);
  const int64_t capacity = plannedCapacity(needed);
  if (capacity < 0) return false;
  if (capacity >= capacity_ && cells_.capacity() >= usableSlots(capacity)) {
    // The slots are there: the cell is assigned in place, and a failure
    // leaves the table as it was. (A table about to move its cells takes the
    // content first: the descriptor may point into one of them.)
    const int32_t before = count();
    // One more cell (an append) is built in place, without resize's general path.
    if (needed == before + 1) {
      cells_.emplace_back();
    } else {
      cells_.resize(static_cast<std::size_t>(needed));
    }
    try {
      cells_[static_cast<std::size_t>(i)].assign(d);
    } catch (...) {
      cells_.resize(static_cast<std::size_t>(before));
      throw;
    }
    capacity_ = static_cast<int32_t>(capacity);
    return true;
  }
  Cell content;
  content.assign(d);
  applyCapacity(capacity);
  cells_.resize(static_cast<std::size_t>(needed));
  cells_[static_cast<std::size_t>(i)].takeContent(content);
  return true;
}

bool CellTable::insert(int32_t i, const CellDescriptor& d) {
  if (i < 0) return false;
  if (i >= count()) return i == count() ? append(d) : set(i, d);
  const int64_t capacity = plannedCapacity(count());
  if (capacity < 0 || count() == kMaxInt32) return false;
  Cell content;
  content.assign(d);
  applyCapacity(capacity);
  cells_.insert(cells_.begin() + i, std::move(content));
  return true;
}

bool CellTable::insertRun(int32_t i, std::vector<Cell>& contents) {
  const auto n = static_cast<int64_t>(contents.size());
  if (!contains(i) || count() + n > kMaxInt32) return false;
  int64_t replayed = count();
  const int64_t capacity = replayInserts(capacity_, replayed, n, false);
  if (capacity < 0) return false;
  const std::size_t slots = std::max(usableSlots(capacity), static_cast<std::size_t>(count() + n));
  if (slots > cells_.capacity()) cells_.reserve(slots);
  // From here on nothing allocates and the moves cannot throw.
  cells_.insert(cells_.begin() + i, std::make_move_iterator(contents.begin()), std::make_move_iterator(contents.end()));
  capacity_ = static_cast<int32_t>(capacity);
  return true;
}

void CellTable::reserveAppends(int64_t n) {
  if (n <= 0 || count() + n > kMaxInt32) return;
  int64_t replayed = count();
  const int64_t capacity = replayInserts(capacity_, replayed, n, true);
  if (capacity >= 0 && usableSlots(capacity) > cells_.capacity()) cells_.reserve(usableSlots(capacity));
}

bool CellTable::runFits(int64_t n) const {
  int64_t replayed = count();
  return n >= 0 && count() + n <= kMaxInt32 && replayInserts(capacity_, replayed, n, true) >= 0;
}

void CellTable::settleAppends(int32_t from) noexcept {
  if (from < 0 || from >= count()) return;
  int64_t replayed = from;
  capacity_ = static_cast<int32_t>(replayInserts(capacity_, replayed, count() - from, true));
}

void CellTable::replaceContents(int32_t first, std::vector<Cell>& contents) {
  // The count stands still, but a run of inserts may have left it past half
  // the capacity, so the rule may grow the table: that is the one step that
  // can fail, and it comes before anything changes.
  applyCapacity(plannedCapacity(count()));
  for (std::size_t k = 0; k < contents.size(); ++k) {
    if (Cell* cell = at(wrapAdd(first, static_cast<int32_t>(k)))) cell->takeContent(contents[k]);
  }
}

bool CellTable::erase(int32_t i) {
  if (!contains(i)) return false;
  applyCapacity(plannedCapacity(count()));
  cells_.erase(cells_.begin() + i);
  return true;
}

bool CellTable::eraseRun(int32_t i, int32_t n) {
  if (n <= 0 || !contains(i) || n > count() - i) return false;
  const int64_t capacity = replayErases(capacity_, count(), n);
  // The rule may grow the table at the first erasure (a middle insert can
  // leave one cell past half the capacity); that may throw, before any change.
  if (capacity > capacity_) applyCapacity(capacity);
  cells_.erase(cells_.begin() + i, cells_.begin() + i + n);
  applyCapacity(capacity);  // now at most a shrink, which cannot fail
  return true;
}

int64_t CellTable::countAfter(const Regrouping& r) const {
  const int64_t blocks = count() / r.span;
  const int64_t rest = count() % r.span;
  if (blocks > 0 && r.keep + r.pad > kMaxInt32) return -1;
  const int64_t after = blocks * (r.keep + r.pad) + std::min(rest, r.keep);
  return after > kMaxInt32 ? -1 : after;
}

bool CellTable::regroup(const Regrouping& r) {
  const int64_t after = countAfter(r);
  if (after < 0) return false;
  int64_t capacity = capacity_;
  if (after > count()) {
    // Front to back, the last run of padding extends the table when no partial run follows it.
    const int64_t last = count() % r.span == 0 ? r.pad : 0;
    int64_t replayed = count();
    capacity = replayInserts(capacity, replayed, after - count() - last, false);
    capacity = replayInserts(capacity, replayed, last, true);
  } else if (after < count()) {
    capacity = replayErases(capacity, count(), count() - after);
  }
  if (capacity < 0) return false;

  std::vector<Cell> next;
  const std::size_t slots = std::max(usableSlots(capacity), static_cast<std::size_t>(after));
  if (slots > next.max_size()) throw std::bad_alloc();
  next.reserve(slots);
  // From here on nothing allocates: cells move and empty ones are made in reserved slots.
  const int64_t n = count();
  for (int64_t start = 0; start < n; start += r.span) {
    const int64_t length = std::min(r.span, n - start);
    const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(start);
    std::move(first, first + static_cast<std::ptrdiff_t>(std::min(length, r.keep)), std::back_inserter(next));
    if (length == r.span) next.resize(next.size() + static_cast<std::size_t>(r.pad));
  }
  cells_.swap(next);
  capacity_ = static_cast<int32_t>(capacity);
  return true;
}

int64_t CellTable::countAfterColumnInsert(int32_t span, int32_t at) const {
  if (span < 1 || at < 0 || at >= span) return -1;
  const int64_t n = count();
  const int64_t rows = (n + span - 1) / span;
  if (rows == 0) return n;
  const int64_t last = (rows - 1) * span + at;  // the first insert's index
  const int64_t after = (last >= n ? last + 1 : n + 1) + (rows - 1);
  return after > kMaxInt32 ? -1 : after;
}

bool CellTable::insertColumn(int32_t span, int32_t at) {
  const int64_t after = countAfterColumnInsert(span, at);
  if (after < 0) return false;
  const int64_t n = count();
  if (after == n) return true;
  const int64_t rows = (n + span - 1) / span;
  const int64_t last = (rows - 1) * span + at;
  // The first insert of a last row short of the column is a set past the end;
  // every other one lands inside the table.
  int64_t replayed = n;
  int64_t capacity = capacity_;
  int64_t inserts = rows;
  if (last >= n) {
    capacity = ruleCapacity(capacity, last + 1, n);
    replayed = last + 1;
    --inserts;
  }
  if (capacity >= 0) capacity = replayInserts(capacity, replayed, inserts, false);
  if (capacity < 0) return false;

  std::vector<Cell> next;
  next.reserve(std::max(usableSlots(capacity), static_cast<std::size_t>(after)));
  // From here on nothing allocates: cells move and empty ones are made in reserved slots.
  const auto move = [&](int64_t from, int64_t to) {
    const auto first = cells_.begin();
    std::move(first + static_cast<std::ptrdiff_t>(from), first + static_cast<std::ptrdiff_t>(to),
              std::back_inserter(next));
  };
  for (int64_t start = 0; start < n; start += span) {
    const int64_t end = std::min(start + span, n);
    if (start + at < end) {
      move(start, start + at);
      next.emplace_back();
      move(start + at, end);
    } else {
      move(start, end);
      next.resize(next.size() + static_cast<std::size_t>(start + at - end + 1));
    }
  }
  cells_.swap(next);
  capacity_ = static_cast<int32_t>(capacity);
  return true;
}

bool CellTable::eraseColumn(int32_t span, int32_t at) {
  if (span < 1 || at < 0 || at >= span) return false;
  const int64_t n = count();
  const int64_t full = n / span;
  const int64_t erased = full + (n % span > at ? 1 : 0);  // the rows that reach the column
  if (erased == 0) return true;
  const int64_t capacity = replayErases(capacity_, n, erased);
  std::vector<Cell> next;
  next.reserve(std::max(usableSlots(capacity), static_cast<std::size_t>(n - erased)));
  for (int64_t i = 0; i < n; ++i) {
    if (i % span != at) next.push_back(std::move(cells_[static_cast<std::size_t>(i)]));
  }
  cells_.swap(next);
  capacity_ = static_cast<int32_t>(capacity);
  return true;
}

CellTable CellTable::copy() const {
  CellTable t;
  t.cells_.reserve(std::max(usableSlots(capacity_), cells_.size()));
  t.cells_.resize(cells_.size());  // empty cells, then each one's copy in place
  for (std::size_t i = 0; i < cells_.size(); ++i) cells_[i].copyInto(t.cells_[i]);
  t.capacity_ = capacity_;
  return t;
}

void CellTable::clear() {
  std::vector<Cell> fresh;
  fresh.reserve(usableSlots(kInitialCapacity));
  cells_.swap(fresh);
  capacity_ = kInitialCapacity;
}

void CellTable::swap(int32_t a, int32_t b) noexcept {
  if (!contains(a) || !contains(b)) return;
  cells_[static_cast<std::size_t>(a)].exchange(cells_[static_cast<std::size_t>(b)]);
}

void CellTable::permute(std::vector<int32_t> from) noexcept { permuteRuns(std::move(from), 1); }

void CellTable::permuteRuns(std::vector<int32_t> from, int32_t span) noexcept {
  if (span < 1 || from.size() * static_cast<std::size_t>(span) > cells_.size()) return;
  const auto width = static_cast<std::size_t>(span);
  // The cells of up to kHeld columns at a time follow the cycles, one run's
  // share held aside on the stack and the others each moved once into the
  // place they are wanted; wider runs take more passes. A pass marks the
  // entries it has done by complementing them, the next one undoes that.
  constexpr std::size_t kHeld = 8;
  constexpr std::size_t kAhead = 6;
  bool marked = false;  // whether `from` holds complements on entry to a pass
  Cell held[kHeld];     // empty between cycles: each ends by moving its cells out
  for (std::size_t column = 0; column < width; column += kHeld, marked = !marked) {
    const std::size_t n = width - column < kHeld ? width - column : kHeld;
    const auto source = [&](std::size_t k) -> int32_t {
      const int32_t f = from[k];
      return marked ? (f < 0 ? ~f : -1) : f;  // -1: done in this pass
    };
    const auto done = [&](std::size_t k) { from[k] = ~from[k]; };
    for (std::size_t start = 0; start < from.size(); ++start) {
      const int32_t first = source(start);
      if (first < 0) continue;
      if (static_cast<std::size_t>(first) == start) {
        done(start);
        continue;
      }
      for (std::size_t c = 0; c < n; ++c) held[c] = std::move(cells_[start * width + column + c]);
      std::size_t k = start;
      // The runs a cycle visits are spread over the table: a second cursor
      // walks kAhead steps in front and asks for its run's cells early.
      int32_t ahead = first;
      for (std::size_t step = 1; step < kAhead && ahead >= 0 && static_cast<std::size_t>(ahead) != start; ++step)
        ahead = source(static_cast<std::size_t>(ahead));
      for (;;) {
        const auto at = static_cast<std::size_t>(source(k));
        done(k);
        if (at == start) break;
        if (ahead >= 0 && static_cast<std::size_t>(ahead) != start) {
          __builtin_prefetch(&cells_[static_cast<std::size_t>(ahead) * width + column]);
          ahead = source(static_cast<std::size_t>(ahead));
        }
        for (std::size_t c = 0; c < n; ++c) cells_[k * width + column + c] = std::move(cells_[at * width + column + c]);
        k = at;
      }
      for (std::size_t c = 0; c < n; ++c) cells_[k * width + column + c] = std::move(held[c]);
    }
  }
}

void CellTable::truncate(int32_t count, int32_t capacity) noexcept {
  if (count < 0 || count > this->count()) return;
  cells_.erase(cells_.begin() + count, cells_.end());
  capacity_ = capacity;
}

}  // namespace tessel
