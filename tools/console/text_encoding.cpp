#include "tools/console/text_encoding.h"

#include <algorithm>
#include <cstdio>

#include "tools/console/json_array.h"

namespace tessel::console::encoding {

namespace {

constexpr std::string_view kCodePagePrefix = "windows-";

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

char32_t utf8Value(std::string_view s, std::size_t i, std::size_t n) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  if (n == 1) return byte(0);
  char32_t c = byte(0) & (0x7f >> n);
  for (std::size_t k = 1; k < n; ++k) c = c << 6 | (byte(k) & 0x3f);
  return c;
}

}  // namespace

Encoding::Encoding() : Encoding(Kind::automatic, kDefaultCodePage, systemTable(kDefaultCodePage)) {}

Encoding::Encoding(Kind kind, int codePage, const std::optional<Table>& table)
    : kind_(kind), codePage_(codePage), table_(table) {}

std::optional<Encoding> Encoding::named(std::string_view name, int codePage) {
  return named(name, codePage, systemTable);
}

std::optional<Encoding> Encoding::named(std::string_view name, int codePage, const Tables& tables) {
  const std::string n = lower(name);
  if (n == "utf-8" || n == "utf8") return Encoding(Kind::utf8, codePage, std::nullopt);
  if (n == "auto") return Encoding(Kind::automatic, codePage, tables(codePage));
  if (n.rfind(kCodePagePrefix, 0) != 0) return std::nullopt;
  const std::string digits = n.substr(kCodePagePrefix.size());
  if (digits.size() != 4 || digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const int number = std::stoi(digits);
  if (number < kFirstCodePage || number > kLastCodePage) return std::nullopt;
  auto table = tables(number);
  if (!table) return std::nullopt;
  return Encoding(Kind::codePage, number, table);
}

std::string Encoding::choices() {
  return "utf-8, windows-" + std::to_string(kFirstCodePage) + " to windows-" + std::to_string(kLastCodePage) +
         " or auto";
}

std::vector<std::string> Encoding::names() {
  std::vector<std::string> out{"auto", "utf-8"};
  for (int n = kFirstCodePage; n <= kLastCodePage; ++n) out.push_back(std::string(kCodePagePrefix) + std::to_string(n));
  return out;
}

std::string Encoding::name() const {
  switch (kind_) {
    case Kind::utf8: return "utf-8";
    case Kind::codePage: return std::string(kCodePagePrefix) + std::to_string(codePage_);
    default: return "auto";
  }
}

std::string Encoding::title() const {
  switch (kind_) {
    case Kind::utf8: return "UTF-8";
    case Kind::codePage: return "Windows-" + std::to_string(codePage_);
    default: return "automatic";
  }
}

bool Encoding::readsAsUtf8(std::string_view text) const {
  return kind_ == Kind::utf8 || (kind_ == Kind::automatic && json::isUtf8(text));
}

std::size_t Encoding::next(std::string_view text, std::size_t i, bool asUtf8, char32_t& c) const {
  if (asUtf8) {
    const std::size_t n = json::utf8Length(text, i);
    if (n > 0) c = utf8Value(text, i, n);
    return n;
  }
  const auto byte = static_cast<unsigned char>(text[i]);
  c = byte < 0x80 ? byte : table_ ? (*table_)[byte] : kUndefined;
  return c == kUndefined ? 0 : 1;
}

std::optional<std::string> Encoding::decode(std::string_view bytes) const {
  const bool asUtf8 = readsAsUtf8(bytes);
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t c = 0;
    const std::size_t n = next(bytes, i, asUtf8, c);
    if (n == 0) return std::nullopt;
    appendUtf8(out, c);
    i += n;
  }
  return out;
}

Encoded Encoding::encode(std::string_view utf8) const {
  Encoded out;
  if (!json::isUtf8(utf8)) return {"", false, kUndefined};
  if (kind_ != Kind::codePage) {
    out.bytes = utf8;
    return out;
  }
  out.bytes.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t n = json::utf8Length(utf8, i);
    const char32_t c = utf8Value(utf8, i, n);
    i += n;
    if (c < 0x80) {
      out.bytes += static_cast<char>(c);
      continue;
    }
    const auto at = table_ ? std::find(table_->begin() + 0x80, table_->end(), c) : Table::const_iterator();
    if (!table_ || at == table_->end()) return {"", false, c};
    out.bytes += static_cast<char>(at - table_->begin());
  }
  return out;
}

bool Encoding::roundTrips(std::string_view bytes) const {
  const auto text = decode(bytes);
  if (!text) return false;
  const Encoded back = encode(*text);
  return back.ok && back.bytes == bytes;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += {static_cast<char>(0xc0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3f))};
  } else if (c < 0x10000) {
    out += {static_cast<char>(0xe0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3f)),
            static_cast<char>(0x80 | (c & 0x3f))};
  } else {
    out += {static_cast<char>(0xf0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3f)),
            static_cast<char>(0x80 | ((c >> 6) & 0x3f)), static_cast<char>(0x80 | (c & 0x3f))};
  }
}

std::string describe(char32_t c, char quote) {
  if (c == kUndefined) return "bytes that are not UTF-8";
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
  if (!showsAsItself(c)) return code;
  std::string out(1, quote);
  appendUtf8(out, c);
  return out + quote + " (" + code + ")";
}

std::string byteEscape(unsigned char byte) {
  static const char hex[] = "0123456789abcdef";
  return {'\\', 'x', hex[byte >> 4], hex[byte & 15]};
}

}  // namespace tessel::console::encoding
