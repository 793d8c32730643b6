#include "tools/console/edited_text.h"

#include <cctype>

namespace tessel::console {

namespace {

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Whether text[i] starts a backslash, x and two hex digits.
bool escapeShaped(std::string_view text, std::size_t i) {
  return i + 4 <= text.size() && text[i] == '\\' && text[i + 1] == 'x' && isHex(text[i + 2]) && isHex(text[i + 3]);
}

// The byte of an escape \xhh at text[i], 0 where there is none (and for \x00, which is no byte).
unsigned char escapeAt(std::string_view text, std::size_t i) {
  if (!escapeShaped(text, i)) return 0;
  return static_cast<unsigned char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16));
}

}  // namespace

std::string editedText(std::string_view bytes, const encoding::Encoding& e) {
  const bool asUtf8 = e.readsAsUtf8(bytes);
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto u = static_cast<unsigned char>(bytes[i]);
    char32_t c = u;
    const std::size_t n = u < 0x80 ? 1 : e.next(bytes, i, asUtf8, c);
    if (n == 0 || escapeShaped(bytes, i) || (!encoding::showsAsItself(c) && c != '\n' && c != '\t')) {
      out += encoding::byteEscape(u);
      ++i;
      continue;
    }
    encoding::appendUtf8(out, c);
    i += n;
  }
  return out;
}

encoding::Encoded bytesOfEdited(std::string_view utf8, const encoding::Encoding& e) {
  encoding::Encoded out;
  std::size_t plain = 0;  // where the text since the last escape starts
  const auto takePlain = [&](std::size_t end) {
    encoding::Encoded part = e.encode(utf8.substr(plain, end - plain));
    if (!part.ok) {
      out = std::move(part);
      return false;
    }
    out.bytes += part.bytes;
    return true;
  };
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char byte = escapeAt(utf8, i);
    if (byte == 0) continue;
    if (!takePlain(i)) return out;
    out.bytes += static_cast<char>(byte);
    i += 3;
    plain = i + 1;
  }
  takePlain(utf8.size());
  return out;
}

encoding::Encoding writtenFor(std::string_view old, const encoding::Encoding& e) {
  if (e.kind() != encoding::Kind::automatic) return e;
  return e.readsAsUtf8(old) ? encoding::Encoding::utf8() : e.fallback();
}

encoding::Encoded lineIn(std::string_view utf8, const encoding::Encoding& e) {
  if (e.kind() != encoding::Kind::codePage) return {std::string(utf8)};
  encoding::Encoded bytes = e.encode(utf8);
  if (!bytes.ok) return bytes;
  std::string out;
  for (const char c : bytes.bytes) {
    const auto u = static_cast<unsigned char>(c);
    out += u < 0x80 ? std::string(1, c) : encoding::byteEscape(u);
  }
  return {out};
}

}  // namespace tessel::console
