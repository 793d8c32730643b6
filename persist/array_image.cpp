#include "persist/array_image.h"

namespace tessel::persist {

std::size_t ArrayImage::keep(std::string_view bytes) {
  const std::size_t at = pool_.size();
  pool_.append(bytes.data(), bytes.size());
  pool_.push_back('\0');
  return at;
}

void ArrayImage::keepBytes(CellRecord& r, std::string_view bytes) {
  if (bytes.empty()) return;
  r.offset = keep(bytes);
  r.word = static_cast<int32_t>(bytes.size());
  r.hasBytes = true;
}

LabelImage ArrayImage::keepLabel(std::string_view text) {
  if (text.empty()) return {};
  return {keep(text), true};
}

CellDescriptor ArrayImage::descriptorOf(const CellRecord& r) const {
  switch (r.type) {
    case 1: return CellDescriptor::ofValue(r.word);
    case 2: return CellDescriptor::ofString(text(r));
    default: break;
  }
  if (!r.hasBytes) return CellDescriptor::ofData(nullptr, 0);
  return CellDescriptor::ofData(pool_.data() + r.offset, r.word);
}

}  // namespace tessel::persist
