#include "persist/ini_file.h"

#include "persist/loading.h"
#include "persist/recognition.h"
#include "persist/text_lines.h"
#include "persist/whole_file.h"

namespace tessel::persist {

namespace {

constexpr std::string_view kSectionName = "QVXArray";

// Calls entry(key, end, equals) for each entry line after the first section
// header, in file order, with offsets into `text`: where the line's text
// begins (past its leading blanks) and ends, and its first "=" (npos when it
// has none). Sections merely follow one another; comments ("//") and lines
// shorter than two characters are skipped. Changes nothing.
template <typename Entry>
void forEachEntry(std::string_view text, Entry entry) {
  bool inSection = false;
  forEachIniLine(text, [&](std::size_t begin, std::size_t end) {
    const std::string_view line = text.substr(begin, end - begin);
    if (opensIniSection(line)) {
      inSection = true;
      return;
    }
    if (!inSection) return;
    const std::size_t equals = line.find('=');
    entry(begin, end, equals != std::string_view::npos ? begin + equals : std::string::npos);
  });
}

int64_t entryCount(std::string_view text) {
  int64_t entries = 0;
  forEachEntry(text, [&](std::size_t, std::size_t, std::size_t) { ++entries; });
  return entries;
}

}  // namespace

void writeIniFile(const ArrayStore& store, ByteWriter& out, SaveReport* report) {
  out.bytes("[");
  out.bytes(kSectionName);
  out.bytes("]\r\n");
  for (int32_t i = 0; i < store.size() && !out.failed(); ++i) {
    const Cell& cell = *store.cellAt(i);
    if (report != nullptr) report->iniCell(cell);
    if (const Cell* key = cell.key()) out.bytes(key->text().view());
    out.bytes("=");
    out.bytes(cell.text().view());
    out.bytes("\r\n");
  }
  out.bytes("\r\n");
  if (report != nullptr) report->finish(store, store.size(), 0, false);
}

int64_t iniFileBytes(const ArrayStore& store) {
  // The section header and the closing empty line, then per cell its key,
  // "=", its text and a line end.
  int64_t bytes = 1 + static_cast<int64_t>(kSectionName.size()) + 3 + 2;
  for (int32_t i = 0; i < store.size(); ++i) {
    const Cell& cell = *store.cellAt(i);
    const Cell* key = cell.key();
    bytes += static_cast<int64_t>((key != nullptr ? key->textLength() : 0) + 1 + cell.textLength() + 2);
  }
  return bytes;
}

void applyIniFile(ArrayStore& store, std::string_view text, LoadMode mode) {
  if (mode == LoadMode::replace) store.deleteAll();
  ArrayStore::Appends cells(store, entryCount(text));
  forEachEntry(text, [&](std::size_t key, std::size_t end, std::size_t equals) {
    // The key runs to the "=" (or the line's end), the value from there to
    // the line's end; a line holds no zero byte.
    const auto span = [&](std::size_t from, std::size_t to) {
      return CellDescriptor::ofText(text.data() + from, static_cast<int32_t>(to - from));
    };
    const int32_t at = store.size();
    cells.add(equals != std::string_view::npos ? span(equals + 1, end) : CellDescriptor::ofString(nullptr));
    store.setKey(at, span(key, equals != std::string_view::npos ? equals : end));
  });
  cells.finish();
}

// An INI file is the cells' own texts and keys plus 4 bytes a cell, less
// than the cells take in memory, so only the 2 GiB bound of every save can
// refuse one; the count is int64 and cannot overflow (below 2^31 cells of
// below 2^31 bytes each).
Status saveToIni(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode, SaveReport* report) {
  return saveWholeFile(store, files, name, mode, iniFileBytes(store),
                       [&](ByteWriter& out) { writeIniFile(store, out, report); });
}

namespace {

// Any bytes are entries, read in place.
class IniReading {
 public:
  explicit IniReading(std::string bytes) : bytes_(std::move(bytes)) {}

  bool recognised() const { return true; }
  // An entry takes 3 bytes of the file at least, so this holds for files up to gigabytes.
  int64_t cellsAdded() const { return entryCount(bytes_); }
  std::string apply(ArrayStore& store, LoadMode mode) const {
    applyIniFile(store, bytes_, mode);
    return zeroByteDamage(bytes_);
  }

 private:
  std::string bytes_;
};

}  // namespace

Status loadFromIni(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode) {
  return loadWholeFile<IniReading>(store, files, name, mode);
}

}  // namespace tessel::persist
