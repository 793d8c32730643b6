#include "tools/console/escaped.h"

namespace tessel::console {

std::string escaped(std::string_view text, const encoding::Encoding& encoding, bool utf8, std::size_t width,
                    Style style) {
  const bool json = style == Style::json || style == Style::jsonBytes;
  const bool decodes = style != Style::jsonBytes && (utf8 || json);
  const bool asUtf8 = decodes && encoding.readsAsUtf8(text);
  std::string out;
  std::size_t i = 0;  // read on after the loop: whether the text was cut
  for (std::size_t shown = 0; i < text.size() && shown < width; ++shown) {
    const char c = text[i];
    const auto u = static_cast<unsigned char>(c);
    char32_t decoded = 0;
    const std::size_t n = decodes && u >= 0x80 ? encoding.next(text, i, asUtf8, decoded) : 0;
    // Control characters beyond ASCII are escaped as their bytes, or in JSON as their code point.
    if (n > 0 && (encoding::showsAsItself(decoded) || (json && n > 1))) {
      encoding::appendUtf8(out, decoded);
      i += n;
      continue;
    }
    ++i;
    if (style != Style::bare && (c == '"' || c == '\\')) {
      out += {'\\', c};
    } else if (json && u >= 0xa0) {
      out += {static_cast<char>(0xc0 | (u >> 6)), static_cast<char>(0x80 | (u & 0x3f))};
    } else if (!json && (c == '\n' || c == '\t' || c == '\r')) {
      out += {'\\', c == '\n' ? 'n' : c == '\t' ? 't' : 'r'};
    } else if (u < 0x20 || u >= 0x7f) {
      const std::string escape = encoding::byteEscape(u);
      out += json ? "\\u00" + escape.substr(2) : escape;
    } else {
      out += c;
    }
  }
  const char* quote = style == Style::bare ? "" : "\"";
  return quote + out + quote + (i < text.size() ? "..." : "");
}

std::string literalOf(std::string_view bytes) {
  return escaped(bytes, encoding::Encoding::utf8(), false, bytes.size(), Style::quoted);
}

}  // namespace tessel::console
