// One element of the array: nothing, a 32-bit value, a string or raw bytes,
// with an optional key cell of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>

#include "core/number_text.h"

namespace tessel {

enum class CellType : uint16_t { empty = 0, value = 1, string = 2, data = 3 };

// What a caller hands over to be stored or searched for: a value, a string
// (length counts the terminator) or raw bytes. Nothing is owned.
struct CellDescriptor {
  CellType type = CellType::empty;
  int32_t value = 0;
  const char* bytes = nullptr;
  int32_t length = 0;

  static CellDescriptor ofValue(int32_t v) { return {CellType::value, v, nullptr, 4}; }
  static CellDescriptor ofString(const char* s);
  static CellDescriptor ofData(const void* p, int32_t n) { return {CellType::data, 0, static_cast<const char*>(p), n}; }
};

// The text of a cell, held by value: a string cell's text is the cell's own
// storage, any other cell's text is rendered into this object. Two texts of
// two cells therefore stay valid side by side.
class CellText {
 public:
  CellText() = default;
  static CellText stored(const char* text, std::size_t size) {
    CellText t;
    t.external_ = text;
    t.size_ = size;
    return t;
  }
  static CellText ofValue(int32_t value) {
    CellText t;
    t.size_ = formatInteger(value, t.buffer_);
    return t;
  }

  // True when the text is a string cell's own storage rather than a rendering.
  bool isStored() const { return external_ != nullptr; }
  const char* c_str() const { return external_ != nullptr ? external_ : buffer_; }
  std::size_t size() const { return size_; }
  std::string_view view() const { return {c_str(), size_}; }

 private:
  const char* external_ = nullptr;
  std::size_t size_ = 0;
  char buffer_[kDecimalBufferSize] = {};
};

class Cell {
 public:
  Cell() = default;
  Cell(Cell&&) noexcept = default;
  Cell& operator=(Cell&&) noexcept = default;
  Cell(const Cell&) = delete;
  Cell& operator=(const Cell&) = delete;
  ~Cell() = default;

  CellType type() const { return type_; }
  // String: characters + 1; data: byte count; value: 4; empty: 0.
  int32_t length() const;
  // The owned bytes of a string or data cell, else null.
  const char* bytes() const { return bytes_.get(); }

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
    bytes_ = std::move(other.bytes_);
    word_ = std::exchange(other.word_, 0);
    type_ = std::exchange(other.type_, CellType::empty);
  }
  // Empties the cell and drops its key.
  void clear() noexcept;

  CellText text() const;
  int32_t value() const;
  std::size_t textLength() const { return text().size(); }

  // Attaches a key cell when there is none, then assigns the descriptor to it;
  // a string key's length is taken from the string.
  void setKey(const CellDescriptor& d);
  const Cell* key() const { return key_.get(); }

 private:
  void assignBytes(const char* p, int32_t n, CellType type);

  std::unique_ptr<char[]> bytes_;
  std::unique_ptr<Cell> key_;
  int32_t word_ = 0;  // the value of a value cell, the length of a string or data cell
  CellType type_ = CellType::empty;
};

}  // namespace tessel
