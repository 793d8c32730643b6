#include "persist/ini_file.h"

#include <cstring>

#include "persist/loading.h"
#include "persist/text_lines.h"

namespace tessel::persist {

namespace {

constexpr char kSectionName[] = "QVXArray";

}  // namespace

std::size_t IniImage::keep(const char* s, std::size_t n) {
  const std::size_t at = text_.size();
  text_.append(s, n);
  text_.push_back('\0');
  return at;
}

IniImage IniImage::of(const ArrayStore& store) {
  IniImage image;
  Section section{image.keep(kSectionName, sizeof kSectionName - 1), {}};
  section.entries.reserve(static_cast<std::size_t>(store.size()));
  for (int32_t i = 0; i < store.size(); ++i) {
    const Cell& cell = *store.cellAt(i);
    Entry e{kNone, kNone};
    if (const Cell* key = cell.key()) {
      const CellText k = key->text();
      e.key = image.keep(k.c_str(), k.size());
    }
    const CellText v = cell.text();
    e.value = image.keep(v.c_str(), v.size());
    section.entries.push_back(e);
  }
  image.sections_.push_back(std::move(section));
  return image;
}

IniImage IniImage::parse(std::string text) {
  IniImage image;
  image.text_ = std::move(text);
  std::string& t = image.text_;
  splitLines(t, [&](std::size_t begin, std::size_t end) {
    if (end - begin < 2) return;
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

std::string writeIniFile(const IniImage& image) {
  std::string out;
  for (const IniImage::Section& section : image.sections()) {
    out.push_back('[');
    out.append(image.text(section.name));
    out.append("]\r\n", 3);
    for (const IniImage::Entry& e : section.entries) {
      if (const char* key = image.text(e.key)) out.append(key);
      out.push_back('=');
      if (const char* value = image.text(e.value)) out.append(value);
      out.append("\r\n", 2);
    }
    out.append("\r\n", 2);
  }
  return out;
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

void saveToIni(const ArrayStore& store, const char* name, WriteMode mode) {
  const std::string bytes = writeIniFile(IniImage::of(store));
  FileHandler handler;
  handler.setWriteMode(mode);
  handler.write(name, bytes);
}

void loadFromIni(ArrayStore& store, const char* name, LoadMode mode) {
  FileHandler handler;
  std::optional<std::string> bytes = handler.read(name);
  const IniImage image = bytes ? IniImage::parse(std::move(*bytes)) : IniImage();
  applyLoad(store, mode, [&](ArrayStore& s) { applyIniImage(s, image, mode); });
}

}  // namespace tessel::persist
