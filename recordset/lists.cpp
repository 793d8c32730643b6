#include "recordset/lists.h"

namespace tessel::recordset {
namespace {

constexpr std::string_view kQuote = "'";

bool hasListedKey(const Cell& cell) {
  const Cell* key = cell.key();
  return key != nullptr && (key->type() == CellType::value || key->type() == CellType::string);
}

void putText(ListSink& sink, const Cell& cell, bool quoteStrings) {
  const bool quoted = quoteStrings && cell.type() == CellType::string;
  if (quoted) sink.put(kQuote);
  sink.put(cell.text().view());
  if (quoted) sink.put(kQuote);
}

// Element or key items for every cell, in index order.
std::optional<std::string> listOf(const ArrayStore& store, const char* separator, bool keys, bool quoted,
                                  TextBound bound) {
  return buildList(store, textView(separator), bound, [&](ListSink& sink) {
    for (int32_t i = 0; i < store.size(); ++i) {
      const Cell& cell = *store.cellAt(i);
      sink.beginItem();
      if (!keys) {
        putText(sink, cell, quoted);
      } else if (hasListedKey(cell)) {
        putText(sink, *cell.key(), quoted);
      }
    }
  });
}

std::optional<std::string> pairsOf(const ArrayStore& store, const char* pairSeparator, const char* separator,
                                   bool quoted, TextBound bound) {
  const std::string_view pair = textView(pairSeparator);
  return buildList(store, textView(separator), bound, [&](ListSink& sink) {
    for (int32_t i = 0; i < store.size(); ++i) {
      const Cell& cell = *store.cellAt(i);
      const bool listed = cell.type() == CellType::value || cell.type() == CellType::string;
      if (!listed || cell.key() == nullptr) continue;
      sink.beginItem();
      sink.put(cell.key()->text().view());
      sink.put(pair);
      putText(sink, cell, quoted);
    }
  });
}

}  // namespace

std::optional<std::string> elementList(const ArrayStore& store, const char* separator, TextBound bound) {
  return listOf(store, separator, false, false, bound);
}
std::optional<std::string> quotedElementList(const ArrayStore& store, const char* separator, TextBound bound) {
  return listOf(store, separator, false, true, bound);
}
std::optional<std::string> keyList(const ArrayStore& store, const char* separator, TextBound bound) {
  return listOf(store, separator, true, false, bound);
}
std::optional<std::string> quotedKeyList(const ArrayStore& store, const char* separator, TextBound bound) {
  return listOf(store, separator, true, true, bound);
}
std::optional<std::string> pairList(const ArrayStore& store, const char* pairSeparator, const char* separator,
                                    TextBound bound) {
  return pairsOf(store, pairSeparator, separator, false, bound);
}
std::optional<std::string> quotedPairList(const ArrayStore& store, const char* pairSeparator, const char* separator,
                                          TextBound bound) {
  return pairsOf(store, pairSeparator, separator, true, bound);
}

std::vector<std::string> splitList(const char* text, std::string_view delimiter) {
  std::vector<std::string> items;
  if (text == nullptr) return items;
  const std::string_view whole(text);  // read only: the caller's text is never touched
  // A table of the delimiter's characters: searching the delimiter for each
  // character of the list took a library call per character, three times.
  bool isDelimiter[256] = {};
  for (const char ch : delimiter) isDelimiter[static_cast<unsigned char>(ch)] = true;
  const auto separates = [&](char ch) { return isDelimiter[static_cast<unsigned char>(ch)]; };
  // Counted first, so the list is allocated once.
  std::size_t count = 0;
  for (std::size_t p = 0; p < whole.size(); ++p) {
    count += !separates(whole[p]) && (p + 1 == whole.size() || separates(whole[p + 1]));
  }
  items.reserve(count);
  std::size_t p = 0;
  while (p < whole.size()) {
    while (p < whole.size() && separates(whole[p])) ++p;
    const std::size_t start = p;
    while (p < whole.size() && !separates(whole[p])) ++p;
    if (p > start) items.emplace_back(whole.substr(start, p - start));
  }
  return items;
}

}  // namespace tessel::recordset
