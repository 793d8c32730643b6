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
    case CellType::data: return local_ != 0 ? local_ : word();
    case CellType::empty: break;
  }
  return 0;
}

const char* Cell::bytes() const {
  if (type_ != CellType::string && type_ != CellType::data) return nullptr;
  return local_ != 0 ? body_ : heapBlock();
}

void Cell::release() noexcept {
  if (onHeap()) {
    const std::unique_ptr<char[]> block(heapBlock());
  }
}

void Cell::assign(const CellDescriptor& d) {
  // The new content is built apart first: the descriptor may point into this
  // very cell, and a failed allocation must leave the cell as it was.
  Cell fresh;
  if (d.type == CellType::value && d.value != 0) {
    std::memcpy(fresh.body_, &d.value, sizeof d.value);
    fresh.type_ = CellType::value;
  } else if ((d.type == CellType::string && d.bytes != nullptr) ||
             (d.type == CellType::data && d.bytes != nullptr && d.length >= 1)) {
    // A string's length always follows from its text, whatever the caller counted.
    const auto n = d.type == CellType::string ? std::strlen(d.bytes) + 1 : static_cast<std::size_t>(d.length);
    if (n <= kLocalSize) {
      std::memcpy(fresh.body_, d.bytes, n);
      fresh.local_ = static_cast<uint8_t>(n);
    } else {
      auto block = std::make_unique<char[]>(n);
      std::memcpy(block.get(), d.bytes, n);
      char* p = block.release();
      const auto length = static_cast<int32_t>(n);
      std::memcpy(fresh.body_, &p, sizeof p);
      std::memcpy(fresh.body_ + sizeof p, &length, sizeof length);
    }
    fresh.type_ = d.type;
  }
  takeContent(fresh);
}

void Cell::clear() noexcept {
  releaseContent();
  key_.reset();
}

CellText Cell::text() const {
  switch (type_) {
    case CellType::value: return CellText::ofValue(word());
    case CellType::string:
      // Text inside the cell is copied, so that it stays valid when the cell moves.
      if (local_ != 0) return CellText::copied(body_, static_cast<std::size_t>(local_ - 1));
      return CellText::stored(heapBlock(), static_cast<std::size_t>(word() - 1));
    case CellType::empty:
    case CellType::data: break;
  }
  return CellText();
}

std::size_t Cell::textLength() const {
  if (type_ == CellType::string) return static_cast<std::size_t>(length() - 1);
  return text().size();
}

int32_t Cell::value() const {
  switch (type_) {
    case CellType::value: return word();
    case CellType::string: return parseInteger(bytes());
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
