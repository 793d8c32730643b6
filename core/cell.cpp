#include "core/cell.h"

#include <cstring>

namespace tessel {

CellDescriptor CellDescriptor::ofString(const char* s) {
  if (s == nullptr) return {CellType::string, 0, nullptr, 0};
  return {CellType::string, 0, s, static_cast<int32_t>(std::strlen(s) + 1)};
}

int32_t Cell::length() const {
  switch (type_) {
    case CellType::value: return 4;
    case CellType::string:
    case CellType::data: return word_;
    case CellType::empty: break;
  }
  return 0;
}

void Cell::assign(const CellDescriptor& d) {
  if (d.type == CellType::value && d.value != 0) {
    bytes_.reset();
    word_ = d.value;
    type_ = CellType::value;
    return;
  }
  if (d.type == CellType::string && d.bytes != nullptr) {
    // A string's length always follows from its text, whatever the caller counted.
    assignBytes(d.bytes, static_cast<int32_t>(std::strlen(d.bytes) + 1), CellType::string);
    return;
  }
  if (d.type == CellType::data && d.bytes != nullptr && d.length >= 1) {
    assignBytes(d.bytes, d.length, CellType::data);
    return;
  }
  bytes_.reset();
  word_ = 0;
  type_ = CellType::empty;
}

void Cell::assignBytes(const char* p, int32_t n, CellType type) {
  auto copy = std::make_unique<char[]>(static_cast<std::size_t>(n));
  std::memcpy(copy.get(), p, static_cast<std::size_t>(n));
  bytes_ = std::move(copy);
  word_ = n;
  type_ = type;
}

void Cell::clear() noexcept {
  bytes_.reset();
  word_ = 0;
  type_ = CellType::empty;
  key_.reset();
}

CellText Cell::text() const {
  switch (type_) {
    case CellType::value: return CellText::ofValue(word_);
    case CellType::string: return CellText::stored(bytes_.get(), static_cast<std::size_t>(word_ - 1));
    case CellType::empty:
    case CellType::data: break;
  }
  return CellText();
}

int32_t Cell::value() const {
  switch (type_) {
    case CellType::value: return word_;
    case CellType::string: return parseInteger(bytes_.get());
    case CellType::empty:
    case CellType::data: break;
  }
  return 0;
}

void Cell::setKey(const CellDescriptor& d) {
  if (key_) {
    key_->assign(d);
    return;
  }
  auto key = std::make_unique<Cell>();
  key->assign(d);
  key_ = std::move(key);
}

}  // namespace tessel
