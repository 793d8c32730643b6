// Line splitting shared by the CSV and INI readers: the text ends at its
// first zero byte, and any run of CR and LF characters ends a line, so empty
// lines give nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessel::persist {

// The UTF-8 byte order mark that editors and spreadsheets put in front of a
// text. A game's loads read it as text; tools leave it out when asked.
inline constexpr std::string_view kUtf8Bom = "\xef\xbb\xbf";
inline bool startsWithBom(std::string_view text) { return text.substr(0, kUtf8Bom.size()) == kUtf8Bom; }
inline std::string_view withoutBom(std::string_view text) {
  return startsWithBom(text) ? text.substr(kUtf8Bom.size()) : text;
}

// Calls line(begin, end) with offsets into `text` for each non-empty line,
// changing nothing.
template <typename Line>
void forEachLine(std::string_view text, Line line) {
  const std::size_t size = text.find('\0') == std::string_view::npos ? text.size() : text.find('\0');
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= size; ++i) {
    const bool end = i == size || text[i] == '\r' || text[i] == '\n';
    if (!end) continue;
    if (i > begin) line(begin, i);
    begin = i + 1;
  }
}

// Calls field(begin, end) with offsets into `line` for each CSV field, as
// the CSV reader splits a line: every comma ends a field (no quoting), the
// end of the line the last one. field may overwrite the comma at `end`.
template <typename Field>
void forEachCsvField(std::string_view line, Field field) {
  for (std::size_t start = 0;;) {
    const std::size_t comma = line.find(',', start) < line.size() ? line.find(',', start) : line.size();
    field(start, comma);
    if (comma == line.size()) return;
    start = comma + 1;
  }
}

// compat: no field is quoted, so a comma always splits; exactly two double
// quotes are the empty field. Games read their files this way.
inline bool isEmptyCsvField(std::string_view field) { return field == "\"\""; }

// What a zero byte inside a text file costs, for the load's outcome; empty
// when nothing but zero bytes follows it (padding loses nothing).
// compat: the text still ends there, as games expect, but bytes after it
// are not dropped without a word.
inline std::string zeroByteDamage(std::string_view text) {
  const std::size_t at = text.find('\0');
  if (at == std::string_view::npos || text.find_first_not_of('\0', at) == std::string_view::npos) return {};
  return "a zero byte at offset " + std::to_string(at) + " ends the text; the " + std::to_string(text.size() - at - 1) +
         " bytes after it are not read";
}

// The same, with every line end overwritten with a zero byte first, so each
// line is also a NUL-terminated text in place.
template <typename Line>
void splitLines(std::string& text, Line line) {
  forEachLine(text, [&](std::size_t begin, std::size_t end) {
    if (end < text.size()) text[end] = '\0';
    line(begin, end);
  });
}

}  // namespace tessel::persist
