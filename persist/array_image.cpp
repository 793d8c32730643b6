#include "persist/array_image.h"

#include "core/array_store.h"

namespace tessel::persist {

PoolSpan ArrayImage::keep(std::string_view bytes) {
  PoolSpan s{pool_.size(), bytes.size(), true};
  pool_.append(bytes.data(), bytes.size());
  pool_.push_back('\0');
  return s;
}

CellRecord ArrayImage::recordOf(const Cell& cell) {
  CellRecord r;
  r.type = static_cast<uint16_t>(cell.type());
  r.length = cell.length();
  if (cell.type() == CellType::value) {
    r.value = cell.value();
  } else if (r.length >= 1) {
    r.bytes = keep({cell.bytes(), static_cast<std::size_t>(r.length)});
  }
  return r;
}

ArrayImage ArrayImage::of(const ArrayStore& store) {
  ArrayImage image;
  image.version = 1;
  image.dimensionCount = store.dimensions().count();
  for (int k = 1; k <= kBoundaries; ++k)
    image.boundaries[static_cast<std::size_t>(k - 1)] = store.dimensions().boundary(k);
  const LabelTable& labels = store.labels();
  image.labels.reserve(static_cast<std::size_t>(labels.size()));
  for (int32_t c = 0; c < labels.size(); ++c) {
    const char* label = labels.at(c);
    image.labels.push_back(label != nullptr && *label != '\0' ? image.keep(label) : PoolSpan{});
  }
  image.cells.reserve(static_cast<std::size_t>(store.size()));
  for (int32_t i = 0; i < store.size(); ++i) {
    const Cell& cell = *store.cellAt(i);
    CellImage c;
    c.cell = image.recordOf(cell);
    if (const Cell* key = cell.key()) c.key = image.recordOf(*key);
    image.cells.push_back(c);
  }
  return image;
}

CellDescriptor ArrayImage::descriptorOf(const CellRecord& r) const {
  switch (r.type) {
    case 1: return CellDescriptor::ofValue(r.value);
    case 2: return CellDescriptor::ofString(text(r.bytes));
    default: break;
  }
  if (!r.bytes.present) return CellDescriptor::ofData(nullptr, 0);
  return CellDescriptor::ofData(pool_.data() + r.bytes.offset, static_cast<int32_t>(r.bytes.size));
}

}  // namespace tessel::persist
