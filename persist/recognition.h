// How the readers tell their formats by the first bytes, in one place: the
// readers test these, and a tool that sniffs a file asks the same questions,
// so it cannot call a file INI that the INI reader finds no section in.
#pragma once

#include <cstddef>
#include <string_view>

#include "persist/text_lines.h"

namespace tessel::persist {

// Magic bytes at offset 0 (letter case counts, the zero too).
inline constexpr std::string_view kNativeMagic("QVXARRAY", 8);
inline constexpr std::string_view kHostArrayMagic("HGF ARRAY\0", 10);

inline bool startsWith(std::string_view bytes, std::string_view magic) {
  return bytes.substr(0, magic.size()) == magic;
}

// Calls line(begin, end) for each line the INI reader reads, with offsets
// into `text` past its leading blanks: lines shorter than two characters and
// comments ("//") are skipped.
template <typename Line>
void forEachIniLine(std::string_view text, Line line) {
  forEachLine(text, [&](std::size_t begin, std::size_t end) {
    if (end - begin < 2) return;  // compat: a bare "=" (an empty cell without a key) is skipped
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    if (end - begin >= 2 && text[begin] == '/' && text[begin + 1] == '/') return;
    line(begin, end);
  });
}

// A line (past its blanks) that opens a section: "[" with a "]" after it.
inline bool opensIniSection(std::string_view line) {
  return !line.empty() && line[0] == '[' && line.find(']', 1) != std::string_view::npos;
}

// What shows a file as INI: the first line the INI reader reads opens a section.
inline bool startsWithIniSection(std::string_view text) {
  bool first = true, section = false;
  forEachIniLine(text, [&](std::size_t begin, std::size_t end) {
    if (first) section = opensIniSection(text.substr(begin, end - begin));
    first = false;
  });
  return section;
}

}  // namespace tessel::persist
