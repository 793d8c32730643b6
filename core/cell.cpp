#include "core/cell.h"

#include <cstring>

namespace tessel {

void Cell::freeBlock() noexcept { const std::unique_ptr<char[]> block(heapBlock()); }

void Cell::assign(const CellDescriptor& d) {
  if (d.type == CellType::value && d.value != 0) {
    releaseContent();
    std::memcpy(body_, &d.value, sizeof d.value);
    type_ = CellType::value;
    return;
  }
  const bool hasBytes = (d.type == CellType::string && d.bytes != nullptr) ||
                        (d.type == CellType::data && d.bytes != nullptr && d.length >= 1);
  if (!hasBytes) {
    releaseContent();
    return;
  }
  // A string's length always follows from its text, whatever the caller counted.
  const auto n = d.type == CellType::string ? std::strlen(d.bytes) + 1 : static_cast<std::size_t>(d.length);
  // The descriptor may point into this very cell: the old block goes only
  // after the copy, and a copy inside the cell may overlap its source.
  std::unique_ptr<char[]> old(onHeap() ? heapBlock() : nullptr);
  if (n <= kLocalSize) {
    std::memmove(body_, d.bytes, n);
    local_ = static_cast<uint8_t>(n);
  } else {
    std::unique_ptr<char[]> block;
    try {
      block = std::make_unique<char[]>(n);
    } catch (...) {
      (void)old.release();  // still the cell's own: unchanged on failure
      throw;
    }
    std::memcpy(block.get(), d.bytes, n);
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
  if (key_) {
    key_->assign(d);
    return;
  }
  auto key = std::make_unique<Cell>();
  key->assign(d);
  key_ = std::move(key);
}

}  // namespace tessel
