#include "core/cell.h"

#include <cstdint>
#include <cstring>

namespace tessel {

namespace {

// Copies the first and the last sizeof(Word) of n bytes (n >= sizeof(Word)),
// reading both before writing either: together they cover all n.
template <typename Word>
void copyEnds(char* to, const char* from, std::size_t n) {
  Word head = 0;
  Word tail = 0;
  std::memcpy(&head, from, sizeof head);
  std::memcpy(&tail, from + n - sizeof tail, sizeof tail);
  std::memcpy(to, &head, sizeof head);
  std::memcpy(to + n - sizeof tail, &tail, sizeof tail);
}

// Copies n bytes, 1 <= n <= Cell::kLocalSize, reading them all before writing
// any, so the source may overlap the destination. Two overlapping fixed-size
// moves cost less than a call to memmove for so few bytes.
void copyShort(char* to, const char* from, std::size_t n) {
  static_assert(Cell::kLocalSize <= 16, "two 8-byte moves cover a short text");
  if (n >= 8) {
    copyEnds<uint64_t>(to, from, n);
  } else if (n >= 4) {
    copyEnds<uint32_t>(to, from, n);
  } else {
    const char a = from[0];
    const char b = from[n / 2];
    const char c = from[n - 1];
    to[0] = a;
    to[n / 2] = b;
    to[n - 1] = c;
  }
}

// True when assigning the descriptor leaves an empty cell.
bool leavesEmpty(const CellDescriptor& d) {
  switch (d.type) {
    case CellType::value: return d.value == 0;
    case CellType::string: return d.bytes == nullptr;
    case CellType::data: return d.bytes == nullptr || d.length < 1;
    case CellType::empty: break;
  }
  return true;
}

// The keys many cells share, so that a load's keys take no block each: the
// key of every cell whose key is empty and never held anything, and the
// empty text key (an INI entry without a key). Nothing changes them: setKey
// gives a cell a block of its own before assigning.
Cell& sharedEmptyKey() noexcept {
  static Cell empty;
  return empty;
}
Cell& sharedEmptyTextKey() noexcept {
  static Cell text = [] {
    Cell c;
    c.assignString("");  // held inside the cell: takes no memory, cannot fail
    return c;
  }();
  return text;
}
bool isShared(const Cell* key) { return key == &sharedEmptyKey() || key == &sharedEmptyTextKey(); }
bool isEmptyText(const CellDescriptor& d) {
  return d.type == CellType::string && d.bytes != nullptr && (d.counted ? d.length == 0 : *d.bytes == 0);
}

}  // namespace

void Cell::KeyDeleter::operator()(Cell* key) const noexcept {
  if (!isShared(key)) std::default_delete<Cell>()(key);
}

void Cell::freeBlock() noexcept { const std::unique_ptr<char[]> block(heapBlock()); }

void Cell::assign(const CellDescriptor& d) {
  if (leavesEmpty(d)) {
    releaseContent();
    return;
  }
  if (d.type == CellType::value) {
    releaseContent();
    std::memcpy(body_, &d.value, sizeof d.value);
    type_ = CellType::value;
    return;
  }
  // A string's length always follows from its text, whatever the caller
  // counted, unless the text is a counted one; its terminator is added here.
  const bool counted = d.type == CellType::string && d.counted;
  const auto n = counted                      ? static_cast<std::size_t>(d.length) + 1
                 : d.type == CellType::string ? std::strlen(d.bytes) + 1
                                              : static_cast<std::size_t>(d.length);
  const std::size_t copied = counted ? n - 1 : n;
  // The descriptor may point into this very cell: the old block goes only
  // after the copy, and a copy inside the cell may overlap its source.
  std::unique_ptr<char[]> old(onHeap() ? heapBlock() : nullptr);
  if (n <= kLocalSize) {
    if (copied > 0) copyShort(body_, d.bytes, copied);
    if (counted) body_[n - 1] = '\0';
    local_ = static_cast<uint8_t>(n);
  } else {
    std::unique_ptr<char[]> block;
    try {
      block = std::make_unique<char[]>(n);
    } catch (...) {
      (void)old.release();  // still the cell's own: unchanged on failure
      throw;
    }
    std::memcpy(block.get(), d.bytes, copied);
    if (counted) block[n - 1] = '\0';
    char* p = block.release();
    const auto length = static_cast<int32_t>(n);
    std::memcpy(body_, &p, sizeof p);
    std::memcpy(body_ + sizeof p, &length, sizeof length);
    local_ = 0;
  }
  type_ = d.type;
}

void Cell::clear() noexcept {
  releaseContent();
  key_.reset();
}

Cell Cell::copy() const {
  Cell c;
  copyInto(c);
  return c;
}

void Cell::copyInto(Cell& c) const {
  if (onHeap()) {
    // The block holds word() bytes (a string's with its terminator); the copy gets its own.
    const auto n = static_cast<std::size_t>(word());
    auto block = std::make_unique<char[]>(n);
    std::memcpy(block.get(), heapBlock(), n);
    std::memcpy(c.body_, body_, sizeof body_);
    char* p = block.release();
    std::memcpy(c.body_, &p, sizeof p);
  } else {
    std::memcpy(c.body_, body_, sizeof body_);
  }
  c.type_ = type_;
  c.local_ = local_;
  if (!key_) return;
  try {
    c.key_.reset(isShared(key_.get()) ? key_.get() : std::make_unique<Cell>(key_->copy()).release());
  } catch (...) {
    c.releaseContent();
    throw;
  }
}

CellText Cell::text() const {
  switch (type_) {
    case CellType::value: return CellText::ofValue(word());
    case CellType::string: return CellText::stored(bytes(), static_cast<std::size_t>(length() - 1));
    case CellType::empty:
    case CellType::data: break;
  }
  return CellText();
}

CellText Cell::textAcrossMoves() const {
  if (type_ == CellType::string && local_ != 0) return CellText::copied(body_, static_cast<std::size_t>(local_ - 1));
  return text();
}

std::size_t Cell::textLength() const {
  if (type_ == CellType::string) return static_cast<std::size_t>(length() - 1);
  return text().size();
}

int32_t Cell::valueOfText() const { return type_ == CellType::string ? parseInteger(bytes()) : 0; }

void Cell::setKey(const CellDescriptor& d) {
  if (key_ && !isShared(key_.get())) {
    key_->assign(d);
    return;
  }
  Cell* shared = leavesEmpty(d) ? &sharedEmptyKey() : isEmptyText(d) ? &sharedEmptyTextKey() : nullptr;
  if (shared != nullptr) {
    if (key_.get() != shared) key_.reset(shared);
    return;
  }
  auto key = std::make_unique<Cell>();
  key->assign(d);
  key_.reset(key.release());
}

}  // namespace tessel
