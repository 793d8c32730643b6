#include "persist/save_report.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "recordset/labels.h"

namespace tessel::persist {

namespace {

// An empty key reads as "" and 0, like no key at all: a load of a native file
// gives one to every element that had none.
bool hasKey(const Cell& cell) { return cell.key() != nullptr && cell.key()->type() != CellType::empty; }

bool hasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// Whether an INI line key=text reads back with another key: the key ends at
// its first "=", leading blanks are dropped, "//" makes the line a comment and
// "[" with a "]" after it a section header.
bool iniRereadsKey(std::string_view key, std::string_view text) {
  if (key.empty()) return false;
  if (key.find('=') != std::string_view::npos || key.front() == ' ' || key.front() == '\t') return true;
  if (key.size() >= 2 && key[0] == '/' && key[1] == '/') return true;
  return key.front() == '[' && (key.find(']', 1) != std::string_view::npos || text.find(']') != std::string_view::npos);
}

}  // namespace

void SaveReport::hostArrayCell(const Cell& cell) {
  keysDropped += hasKey(cell);
  valuesBecomeTexts += cell.type() == CellType::value;
  dataWrittenEmpty += cell.type() == CellType::data;
}

void SaveReport::csvCell(const Cell& cell) {
  hostArrayCell(cell);
  if (cell.type() != CellType::string) return;
  const CellText text = cell.text();
  splitAtSeparator += text.view().find(',') != std::string_view::npos;
  splitAtLineBreak += hasLineBreak(text.view());
  textsEmptied += text.view() == "\"\"";
}

void SaveReport::iniCell(const Cell& cell) {
  const Cell* key = cell.key();
  const CellText keyText = key != nullptr ? key->text() : CellText();
  const CellText text = cell.text();
  if (keyText.size() == 0 && text.size() == 0) {
    ++emptyCellsDropped;
    return;
  }
  keysBecomeTexts += hasKey(cell) && key->type() != CellType::string;
  valuesBecomeTexts += cell.type() == CellType::value;
  dataWrittenEmpty += cell.type() == CellType::data;
  if (hasLineBreak(keyText.view()) || hasLineBreak(text.view())) {
    ++splitAtLineBreak;
  } else {
    keysChanged += key != nullptr && key->type() == CellType::string && iniRereadsKey(keyText.view(), text.view());
  }
}

void SaveReport::finish(const ArrayStore& store, int64_t written, int32_t after, bool keepsLabels) {
  dimensionsBefore = store.dimensions().count();
  dimensionsAfter = after;
  // A save's bound keeps `written` below 2^31: every element takes a byte of the file at least.
  elementsAdded =
      written > store.size() ? static_cast<int32_t>(std::min<int64_t>(written - store.size(), INT32_MAX)) : 0;
  if (keepsLabels || dimensionsBefore != 2) return;
  for (int32_t c = 0; c < store.dimensions().boundary(1); ++c) {
    const char* label = recordset::label(store, c);
    labelsDropped += label != nullptr && *label != '\0';
  }
}

}  // namespace tessel::persist
