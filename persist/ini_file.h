// INI files: "[name]" section headers and key=value lines. The object writes
// one section "QVXArray" with one entry per cell and reads every section back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/array_store.h"
#include "core/status.h"
#include "persist/byte_io.h"
#include "persist/file_handler.h"

namespace tessel::persist {

class IniImage {
 public:
  struct Entry {
    std::size_t key;    // offset of the key text
    std::size_t value;  // offset of the value text, or kNone
  };
  struct Section {
    std::size_t name;
    std::vector<Entry> entries;
  };
  static constexpr std::size_t kNone = SIZE_MAX;

  const std::vector<Section>& sections() const { return sections_; }
  // The text at an offset, or null for kNone.
  const char* text(std::size_t offset) const { return offset == kNone ? nullptr : text_.c_str() + offset; }

  // Takes the file's bytes and splits them in place.
  static IniImage parse(std::string text);

 private:
  std::string text_;
  std::vector<Section> sections_;
};

// One section "QVXArray", streamed: per cell, its key's text (nothing
// without a key cell), "=" and its own text.
void writeIniFile(const ArrayStore& store, ByteWriter& out);
// Every entry of every section becomes a string cell with a string key,
// appended in file order; a replacing load first deletes all cells.
// Dimensions are left alone.
void applyIniImage(ArrayStore& store, const IniImage& image, LoadMode mode);

Status saveToIni(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode);
// compat: a file that cannot be read is an empty image.
Status loadFromIni(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode);

}  // namespace tessel::persist
