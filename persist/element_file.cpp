#include "persist/element_file.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace tessel::persist {

namespace {

constexpr std::size_t kMaxCellBytes = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());

CellDescriptor dataOf(const std::string& content) {
  return CellDescriptor::ofData(content.data(), static_cast<int32_t>(content.size()));
}

// Reads the file and, when that worked, hands its content to `store`.
template <typename Store>
Status withContent(const FileHandler& files, const char* name, Store storeIt) {
  std::string content;
  Status status = files.read(name, content, kMaxCellBytes);
  if (status.ok()) storeIt(dataOf(content));
  return status;
}

}  // namespace

Status saveElementToFile(const ArrayStore& store, const FileHandler& files, const char* name, WriteMode mode,
                         int32_t i) {
  const Cell* cell = store.cellAt(i);
  if (cell == nullptr) return Status::failure(StatusCode::noElement, name != nullptr ? name : "");
  std::string_view bytes;
  CellText rendered;
  if (cell->type() == CellType::value) {
    // Written as a string cell holding the same text would be.
    rendered = cell->text();
    bytes = std::string_view(rendered.c_str(), rendered.size() + 1);
  } else if (cell->length() >= 1) {
    bytes = std::string_view(cell->bytes(), static_cast<std::size_t>(cell->length()));
  }
  FileWriter out(files.fileSystem(), name, mode);
  out.bytes(bytes);
  return out.commit();
}

Status setFileAt(ArrayStore& store, const FileHandler& files, const char* name, int32_t i) {
  if (i < 0) return {};
  return withContent(files, name, [&](const CellDescriptor& d) { store.set(i, d); });
}

Status insertFileAt(ArrayStore& store, const FileHandler& files, const char* name, int32_t i) {
  if (i < 0) return {};
  return withContent(files, name, [&](const CellDescriptor& d) { store.insert(i, d); });
}

Status appendFile(ArrayStore& store, const FileHandler& files, const char* name) {
  return withContent(files, name, [&](const CellDescriptor& d) { store.append(d); });
}

}  // namespace tessel::persist
