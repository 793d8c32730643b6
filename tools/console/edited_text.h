// Texts as a person edits them: the bytes decoded in an encoding for an
// editor, and what was typed there back to bytes (show.h writes bytes as a
// literal of the line language). The workbench page shows and
// writes every text through these, so it cannot disagree with the console.
#pragma once

#include <string>
#include <string_view>

#include "tools/console/text_encoding.h"

namespace tessel::console {

// The bytes decoded in `e` for an editor: line breaks and tabs as they are,
// every other control and every byte that stands for no character as \xhh,
// and a backslash that would read as such an escape as \x5c, so that
// bytesOfEdited gives the same bytes back.
std::string editedText(std::string_view bytes, const encoding::Encoding& e);

// An edited text (UTF-8) as bytes of `e`: each \xhh but \x00 its byte, the
// other characters their bytes in `e` (UTF-8 as it is under utf-8 and auto);
// or the character `e` cannot hold.
encoding::Encoded bytesOfEdited(std::string_view utf8, const encoding::Encoding& e);

// What an edit of a text that held `old` is written in: `e`, but under auto
// the one `old` was read in, and UTF-8 for a text of plain ASCII or none.
encoding::Encoding writtenFor(std::string_view old, const encoding::Encoding& e);

// A typed line (UTF-8) with each character beyond ASCII as the \xhh escapes
// of its bytes in `e`'s code page; under utf-8 and auto the line as typed.
encoding::Encoded lineIn(std::string_view utf8, const encoding::Encoding& e);

}  // namespace tessel::console
