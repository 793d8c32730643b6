#include "persist/element_file.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace tessel::persist {

namespace {

constexpr std::size_t kMaxCellBytes = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());

std::optional<std::string> fileContent(const char* name) { return readWholeFile(name, kMaxCellBytes); }

CellDescriptor dataOf(const std::string& content) {
  return CellDescriptor::ofData(content.data(), static_cast<int32_t>(content.size()));
}

}  // namespace

void saveElementToFile(const ArrayStore& store, const char* name, WriteMode mode, int32_t i) {
  const Cell* cell = store.cellAt(i);
  if (cell == nullptr) return;
  std::string_view bytes;
  CellText rendered;
  if (cell->type() == CellType::value) {
    // Written as a string cell holding the same text would be.
    rendered = cell->text();
    bytes = std::string_view(rendered.c_str(), rendered.size() + 1);
  } else if (cell->length() >= 1) {
    bytes = std::string_view(cell->bytes(), static_cast<std::size_t>(cell->length()));
  }
  writeWholeFile(name, mode, bytes);
}

void setFileAt(ArrayStore& store, const char* name, int32_t i) {
  if (i < 0) return;
  if (const std::optional<std::string> content = fileContent(name)) store.set(i, dataOf(*content));
}

void insertFileAt(ArrayStore& store, const char* name, int32_t i) {
  if (i < 0) return;
  if (const std::optional<std::string> content = fileContent(name)) store.insert(i, dataOf(*content));
}

void appendFile(ArrayStore& store, const char* name) {
  if (const std::optional<std::string> content = fileContent(name)) store.append(dataOf(*content));
}

}  // namespace tessel::persist
