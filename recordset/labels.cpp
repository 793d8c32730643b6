#include "recordset/labels.h"

#include <algorithm>

#include "core/compare.h"
#include "recordset/lists.h"

namespace tessel::recordset {

int32_t columnCount(const ArrayStore& store) {
  return store.dimensions().count() == 2 ? store.dimensions().columns() : 0;
}

const char* label(const ArrayStore& store, int32_t c) {
  if (store.dimensions().count() != 2) return nullptr;
  return store.labels().at(c);
}

std::optional<std::string> labelList(const ArrayStore& store, TextBound bound) {
  const LabelTable& labels = store.labels();
  if (store.dimensions().count() != 2 || !labels.exists()) return std::nullopt;
  return buildList(store, store.listDelimiter(), bound, [&](ListSink& sink) {
    // The slots without a label are empty items between the labels held.
    int32_t slot = 0;
    for (const LabelTable::Label& l : labels.held()) {
      sink.emptyItems(l.column - slot);
      sink.beginItem();
      sink.put(l.text);
      slot = l.column + 1;
    }
    sink.emptyItems(labels.size() - slot);
  });
}

int32_t nextLabelledColumn(const ArrayStore& store, int32_t c) {
  if (store.dimensions().count() != 2) return -1;
  return store.labels().next(c < 0 ? 0 : c);
}

int32_t columnOfLabel(const ArrayStore& store, const char* text) {
  const LabelTable& labels = store.labels();
  if (store.dimensions().count() != 2 || !labels.exists()) return -1;
  for (const LabelTable::Label& l : labels.held()) {
    if (equalInSearchMode(text, l.text.c_str(), store.compareMode()) == 0) return l.column;
  }
  return -1;
}

void setLabel(ArrayStore& store, const char* text, int32_t c) {
  if (store.dimensions().count() != 2) return;
  LabelTable& labels = store.labels();
  const int32_t columns = store.dimensions().columns();
  if (!labels.exists() || labels.size() != columns) labels.resize(columns);
  labels.set(c, text);
}

void setLabels(ArrayStore& store, const std::vector<std::optional<std::string>>& labels) {
  if (store.dimensions().count() != 2 || labels.empty()) return;
  LabelTable& table = store.labels();
  const int32_t columns = store.dimensions().columns();
  // A label runs to its first zero byte, as any text handed to setLabel.
  std::vector<LabelTable::Label> given;
  const std::size_t slots = columns > 0 ? std::min(labels.size(), static_cast<std::size_t>(columns)) : 0;
  for (std::size_t c = 0; c < slots; ++c) {
    if (labels[c]) given.push_back({static_cast<int32_t>(c), labels[c]->substr(0, labels[c]->find('\0'))});
  }
  if (!table.exists() || table.size() != columns) table.resize(columns);
  table.setAll(std::move(given));
}

}  // namespace tessel::recordset
