// Line splitting shared by the CSV and INI readers: the text ends at its
// first zero byte, and any run of CR and LF characters ends a line, so empty
// lines give nothing.
#pragma once

#include <cstddef>
#include <string>

namespace tessel::persist {

// Calls line(begin, end) with offsets into `text` for each non-empty line.
// Every line end is overwritten with a zero byte, so each line is also a
// NUL-terminated text in place.
template <typename Line>
void splitLines(std::string& text, Line line) {
  const std::size_t size = text.find('\0') == std::string::npos ? text.size() : text.find('\0');
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= size; ++i) {
    const bool end = i == size || text[i] == '\r' || text[i] == '\n';
    if (!end) continue;
    if (i > begin) {
      if (i < text.size()) text[i] = '\0';
      line(begin, i);
    }
    begin = i + 1;
  }
}

}  // namespace tessel::persist
