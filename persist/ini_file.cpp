#include "persist/ini_file.h"

#include <cstring>

#include "persist/loading.h"
#include "persist/text_lines.h"

namespace tessel::persist {

namespace {

constexpr std::string_view kSectionName = "QVXArray";

}  // namespace

IniImage IniImage::parse(std::string text) {
  IniImage image;
  image.text_ = std::move(text);
  std::string& t = image.text_;
  splitLines(t, [&](std::size_t begin, std::size_t end) {
    if (end - begin < 2) return;  // compat: a bare "=" (an empty cell without a key) is skipped
    while (begin < end && (t[begin] == ' ' || t[begin] == '\t')) ++begin;
    const char* line = t.c_str() + begin;
    const std::size_t length = end - begin;
    if (length > 0 && line[0] == '[' && std::memchr(line + 1, ']', length - 1) != nullptr) {
      // The name runs to the end of the line, less its last character.
      t[end - 1] = '\0';
      image.sections_.push_back({begin + 1, {}});
      return;
    }
    if (length >= 2 && line[0] == '/' && line[1] == '/') return;
    if (image.sections_.empty()) return;
    const void* equals = std::memchr(line, '=', length);
    Entry e{begin, kNone};
    if (equals != nullptr) {
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(equals) - t.c_str());
      t[at] = '\0';
      e.value = at + 1;
    }
    image.sections_.back().entries.push_back(e);
  });
  return image;
}

void writeIniFile(const ArrayStore& store, ByteWriter& out) {
  out.bytes("[");
  out.bytes(kSectionName);
  out.bytes("]\r\n");
  for (int32_t i = 0; i < store.size() && !out.failed(); ++i) {
    const Cell& cell = *store.cellAt(i);
    if (const Cell* key = cell.key()) out.bytes(key->text().view());
    out.bytes("=");
    out.bytes(cell.text().view());
    out.bytes("\r\n");
  }
  out.bytes("\r\n");
}

void applyIniImage(ArrayStore& store, const IniImage& image, LoadMode mode) {
  if (mode == LoadMode::replace) store.deleteAll();
  int64_t entries = 0;
  for (const IniImage::Section& section : image.sections()) entries += static_cast<int64_t>(section.entries.size());
  store.reserveAppends(entries);
  for (const IniImage::Section& section : image.sections()) {
    for (const IniImage::Entry& e : section.entries) {
      const int32_t at = store.size();
      store.insert(at, CellDescriptor::ofString(image.text(e.value)));
      store.setKey(at, CellDescriptor::ofString(image.text(e.key)));
    }
  }
}

Status saveToIni(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode) {
  files.setWriteMode(mode);
  FileWriter out = files.beginSave(name);
  if (!out.failed()) writeIniFile(store, out);
  return out.commit();
}

Status loadFromIni(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode) {
  std::string bytes;
  Status status = files.read(name, bytes);
  const IniImage image = status.ok() ? IniImage::parse(std::move(bytes)) : IniImage();
  applyLoad(store, mode, [&](ArrayStore& s) { applyIniImage(s, image, mode); });
  return status;
}

}  // namespace tessel::persist
