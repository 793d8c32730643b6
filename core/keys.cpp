#include "core/keys.h"

#include <cstring>

#include "core/array_store.h"
#include "core/compare.h"

namespace tessel {

namespace {

const Cell* keyAt(const ArrayStore& store, int32_t i) {
  const Cell* cell = store.cellAt(i);
  return cell == nullptr ? nullptr : cell->key();
}

int compareBytes(const CellDescriptor& d, const Cell& key) {
  if (d.length != key.length()) return d.length < key.length() ? -1 : 1;
  if (d.length <= 0 || d.bytes == nullptr || key.bytes() == nullptr) return 0;
  return std::memcmp(d.bytes, key.bytes(), static_cast<std::size_t>(d.length));
}

// 0 when the stored key equals the searched one.
int compareKey(const CellDescriptor& d, const Cell& key, CompareMode mode) {
  switch (d.type) {
    case CellType::value: return d.value == key.value() ? 0 : 1;
    case CellType::string: return equalInSearchMode(key.text().c_str(), d.bytes, mode);
    case CellType::empty:
    case CellType::data: break;
  }
  return compareBytes(d, key);
}

}  // namespace

std::optional<CellText> keyStringAt(const ArrayStore& store, int32_t i) {
  const Cell* key = keyAt(store, i);
  if (key == nullptr) return std::nullopt;
  return key->text();
}

int32_t keyValueAt(const ArrayStore& store, int32_t i) {
  const Cell* key = keyAt(store, i);
  return key == nullptr ? 0 : key->value();
}

void setKeyStringAt(ArrayStore& store, const char* key, int32_t i) { store.setKey(i, CellDescriptor::ofString(key)); }

void setKeyValueAt(ArrayStore& store, int32_t key, int32_t i) { store.setKey(i, CellDescriptor::ofValue(key)); }

int32_t indexOfKey(const ArrayStore& store, const CellDescriptor& key) {
  const CompareMode mode = store.compareMode();
  for (int32_t i = 0; i < store.size(); ++i) {
    const Cell* stored = keyAt(store, i);
    if (stored != nullptr && compareKey(key, *stored, mode) == 0) return i;
  }
  return -1;
}

std::optional<CellText> stringWithKey(const ArrayStore& store, const CellDescriptor& key) {
  return store.stringAt(indexOfKey(store, key));
}

int32_t valueWithKey(const ArrayStore& store, const CellDescriptor& key) {
  return store.valueAt(indexOfKey(store, key));
}

}  // namespace tessel
