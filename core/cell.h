// One element of the array: nothing, a 32-bit value, a string or raw bytes,
// with an optional key cell of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "core/number_text.h"

namespace tessel {

enum class CellType : uint8_t { empty = 0, value = 1, string = 2, data = 3 };

// What a caller hands over to be stored or searched for: a value, a string
// or raw bytes. A string's length is never read: it always follows from the
// text, which is measured once where it is copied. Nothing is owned. The one
// exception is a counted text, for storing only (a file load, which knows
// where each text ends): `length` bytes without a zero byte, not terminated.
struct CellDescriptor {
  CellType type = CellType::empty;
  int32_t value = 0;
  const char* bytes = nullptr;
  int32_t length = 0;
  bool counted = false;

  static CellDescriptor ofValue(int32_t v) { return {CellType::value, v, nullptr, 4}; }
  static CellDescriptor ofString(const char* s) { return {CellType::string, 0, s, 0}; }
  static CellDescriptor ofText(const char* s, int32_t n) { return {CellType::string, 0, s, n, true}; }
  static CellDescriptor ofData(const void* p, int32_t n) { return {CellType::data, 0, static_cast<const char*>(p), n}; }
};

// The text of a cell, held by value: a string cell's text is the cell's own
// storage, any other cell's text is rendered into this object. Two texts of
// two cells therefore stay valid side by side.
class CellText {
 public:
  static constexpr std::size_t kBufferSize = 16;

  CellText() = default;
  static CellText stored(const char* text, std::size_t size) {
    CellText t;
    t.external_ = text;
    t.size_ = size;
    return t;
  }
  // A copy of a short text of at most kBufferSize - 1 characters.
  static CellText copied(const char* text, std::size_t size) {
    CellText t;
    std::memcpy(t.buffer_, text, size);
    t.buffer_[size] = '\0';
    t.size_ = size;
    return t;
  }
  static CellText ofValue(int32_t value) {
    CellText t;
    char digits[kDecimalBufferSize];
    t.size_ = formatInteger(value, digits);
    std::memcpy(t.buffer_, digits, t.size_ + 1);
    return t;
  }

  // True when the text is a string cell's own storage rather than a copy or rendering.
  bool isStored() const { return external_ != nullptr; }
  const char* c_str() const { return external_ != nullptr ? external_ : buffer_; }
  std::size_t size() const { return size_; }
  std::string_view view() const { return {c_str(), size_}; }

 private:
  const char* external_ = nullptr;
  std::size_t size_ = 0;
  char buffer_[kBufferSize] = {};
};

// A cell takes 24 bytes on 64-bit targets and 20 on 32-bit ones, so both
// keep texts of up to 13 bytes inside the cell: with 16 bytes a 32-bit cell
// kept 9, and each text between (short names, numbers written out) took a
// heap block, which made 32-bit loads of such texts take about twice as long.
// Bytes that fit (kLocalSize with a string's terminator) live
// inside the cell; longer ones in a heap block the cell owns. A value lives
// inside the cell too.
class Cell {
 public:
  static constexpr std::size_t kSize = sizeof(void*) == 8 ? 24 : 20;
  static constexpr std::size_t kLocalSize = kSize - sizeof(void*) - 2;

  // The body is zeroed here rather than by a default, which a moved cell
  // would write and then overwrite.
  Cell() noexcept : body_{} {}
  // Built from the other's members rather than emptied and then assigned, so a
  // table moving its cells copies each once.
  Cell(Cell&& other) noexcept : key_(std::move(other.key_)), type_(other.type_), local_(other.local_) {
    std::memcpy(body_, other.body_, sizeof body_);
    other.type_ = CellType::empty;
    other.local_ = 0;
  }
  Cell& operator=(Cell&& other) noexcept {
    if (this != &other) {
      release();
      takeAll(other);
    }
    return *this;
  }
  Cell(const Cell&) = delete;
  Cell& operator=(const Cell&) = delete;
  ~Cell() { release(); }
  // Exchanges everything, key included, member by member: nothing is freed.
  void exchange(Cell& other) noexcept {
    key_.swap(other.key_);
    std::swap(body_, other.body_);
    std::swap(type_, other.type_);
    std::swap(local_, other.local_);
  }
  friend void swap(Cell& a, Cell& b) noexcept { a.exchange(b); }

  CellType type() const { return type_; }
  // String: characters + 1; data: byte count; value: 4; empty: 0.
  int32_t length() const {
    if (type_ == CellType::value) return 4;
    if (type_ == CellType::empty) return 0;
    return local_ != 0 ? local_ : word();
  }
  // The bytes of a string or data cell, else null. Bytes held inside the
  // cell move with it: the pointer is for use before the next change.
  const char* bytes() const {
    if (type_ != CellType::string && type_ != CellType::data) return nullptr;
    return local_ != 0 ? body_ : heapBlock();
  }

  // compat: a stored value of 0 is an empty cell, as in the files games wrote.
  // Replaces the content; the key stays. A value of 0, a null string and
  // data that is null or shorter than one byte leave an empty cell.
  // Throws std::bad_alloc with the cell unchanged.
  void assign(const CellDescriptor& d);
  void assignString(const char* s) { assign(CellDescriptor::ofString(s)); }
  void assignValue(int32_t v) { assign(CellDescriptor::ofValue(v)); }
  void assignData(const void* p, int32_t n) { assign(CellDescriptor::ofData(p, n)); }
  // Takes the content of another cell, leaving it empty; this cell's key stays.
  void takeContent(Cell& other) noexcept {
    if (this == &other) return;
    releaseContent();
    moveContent(other);
  }
  // Empties the cell and drops its key.
  void clear() noexcept;
  // Another cell with the same content and key, byte for byte; an empty key
  // the cells share stays shared. Throws std::bad_alloc.
  Cell copy() const;
  // The same into `c`, a cell that is empty and has no key (a table's new slot).
  void copyInto(Cell& c) const;

  // The text, read in place for a string cell: valid until the cell changes or moves.
  CellText text() const;
  // The same text, also valid while cells move (not when this one changes):
  // bytes held inside the cell are copied, a heap block stays where it is.
  CellText textAcrossMoves() const;
  int32_t value() const { return type_ == CellType::value ? word() : valueOfText(); }
  std::size_t textLength() const;

  // Attaches a key cell when there is none, then assigns the descriptor to it;
  // a string key's length is taken from the string. An empty key that never
  // held anything is one cell shared by all, and so is an empty text key
  // that never held anything else, so a load's empty keys take no block
  // each; a cell gets its own block before its key changes.
  void setKey(const CellDescriptor& d);
  const Cell* key() const { return key_.get(); }
  // Back to no key cell at all, as a cell read from a format without keys has.
  void dropKey() noexcept { key_.reset(); }

 private:
  int32_t valueOfText() const;
  // Where a string's or data cell's bytes are: local_ counts them when they
  // are inside the cell and is 0 when the body holds a heap pointer and a length.
  bool onHeap() const { return (type_ == CellType::string || type_ == CellType::data) && local_ == 0; }
  char* heapBlock() const {
    char* p = nullptr;
    std::memcpy(&p, body_, sizeof p);
    return p;
  }
  int32_t word() const {
    int32_t w = 0;
    std::memcpy(&w, body_ + (type_ == CellType::value ? 0 : sizeof(char*)), sizeof w);
    return w;
  }
  void moveContent(Cell& other) noexcept {
    std::memcpy(body_, other.body_, sizeof body_);
    type_ = std::exchange(other.type_, CellType::empty);
    local_ = std::exchange(other.local_, uint8_t{0});
  }
  void takeAll(Cell& other) noexcept {
    key_ = std::move(other.key_);
    moveContent(other);
  }
  // Frees the heap block, if any; the cell must be given new content or emptied next.
  void release() noexcept {
    if (onHeap()) freeBlock();
  }
  void freeBlock() noexcept;
  void releaseContent() noexcept {
    release();
    type_ = CellType::empty;
    local_ = 0;
  }

  // Frees a key's block; the empty key that cells share is never freed.
  struct KeyDeleter {
    void operator()(Cell* key) const noexcept;
  };

  std::unique_ptr<Cell, KeyDeleter> key_;
  char body_[kLocalSize];  // local bytes; or the value; or the heap pointer, then the length
  CellType type_ = CellType::empty;
  uint8_t local_ = 0;
};

static_assert(sizeof(Cell) == Cell::kSize, "a cell is three pointers wide on 64-bit targets, five words on 32-bit");
static_assert(Cell::kLocalSize >= sizeof(char*) + sizeof(int32_t), "the body holds a heap pointer and a length");
static_assert(Cell::kLocalSize < CellText::kBufferSize, "a local string fits a text's buffer");

}  // namespace tessel
