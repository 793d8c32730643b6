// Texts written with their bytes escaped: the one writer of the console's
// shown texts, its JSON strings and the literals of its line language.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tools/console/text_encoding.h"

namespace tessel::console {

// How a text is written: bare for a terminal, quoted (escaping quotes and
// backslashes too), or as a JSON string, where a byte that stands for no
// character stands for the code point of its number; as a JSON string of
// bytes, every byte beyond ASCII does, so a reader gets the bytes exactly.
enum class Style { bare, quoted, json, jsonBytes };

// A text decoded in `encoding` and escaped in the style, cut after `width`
// characters with "..." after it (after the closing quote). Without UTF-8
// output the characters beyond ASCII are shown by their bytes.
std::string escaped(std::string_view text, const encoding::Encoding& encoding, bool utf8, std::size_t width,
                    Style style = Style::bare);

// The bytes as a text literal of a console line, in ASCII alone, which the
// line reads back as the same bytes (a text holds no zero byte).
std::string literalOf(std::string_view bytes);

}  // namespace tessel::console
