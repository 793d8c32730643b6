// Line splitting shared by the CSV and INI readers: the text ends at its
// first zero byte, and any run of CR and LF characters ends a line, so empty
// lines give nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessel::persist {

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
