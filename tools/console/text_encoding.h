// What the bytes of a text stand for. The module keeps texts as bytes and
// converts nothing, as a game does in its Windows code page; the console
// decides here how bytes are shown and how typed or imported text becomes
// bytes, and never changes bytes on its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/console/options.h"

namespace tessel::console::encoding {

// The single-byte code pages a game may run in, and the one auto falls back to.
inline constexpr int kFirstCodePage = 1250;
inline constexpr int kLastCodePage = 1258;
inline constexpr int kDefaultCodePage = TESSEL_CONSOLE_CODE_PAGE;

// What each byte of a code page stands for, kUndefined where it stands for
// nothing. Bytes below 0x80 are ASCII in every one of them.
inline constexpr char32_t kUndefined = 0xffffffff;
using Table = std::array<char32_t, 256>;

// The code page's table as the system's converter gives it, or none where
// the system has no converter for it (text_encoding_platform.cpp).
std::optional<Table> systemTable(int codePage);
// Where an encoding takes a code page's table from: the system, or a caller
// that has its own (the page hands the browser's).
using Tables = std::function<std::optional<Table>(int codePage)>;

enum class Kind : uint8_t {
  automatic,  // valid UTF-8 is UTF-8, anything else is read in the code page
  utf8,
  codePage,
};

// Bytes made from text, or the character that could not be made into any.
struct Encoded {
  std::string bytes;
  bool ok = true;
  char32_t unheld = 0;  // when !ok: the character, kUndefined for bytes that are not UTF-8
};

class Encoding {
 public:
  // auto, reading non-UTF-8 in the default code page.
  Encoding();
  // "utf-8", "windows-1250" to "windows-1258" or "auto" (case ignored), auto
  // falling back to `codePage`; none for another name or a code page the
  // system cannot convert.
  static std::optional<Encoding> named(std::string_view name, int codePage = kDefaultCodePage);
  static std::optional<Encoding> named(std::string_view name, int codePage, const Tables& tables);
  // UTF-8 alone, without asking the system for a table.
  static Encoding utf8() { return {Kind::utf8, kDefaultCodePage, std::nullopt}; }
  // "utf-8, windows-1250 to windows-1258 or auto", for messages and help.
  static std::string choices();
  // Every name, as a list offers them: auto, utf-8, windows-1250 to windows-1258.
  static std::vector<std::string> names();

  Kind kind() const { return kind_; }
  int codePage() const { return codePage_; }
  // "utf-8", "windows-1252", "auto".
  std::string name() const;
  // "UTF-8", "Windows-1252", "automatic": as a person reads it.
  std::string title() const;
  // The code page itself: what auto reads a text that is not UTF-8 in.
  Encoding fallback() const { return {Kind::codePage, codePage_, table_}; }
  // The name of what a text without its bytes is in: the code page, or utf-8
  // (auto writes UTF-8 as it is and gives the bytes of the rest).
  std::string textName() const { return kind_ == Kind::codePage ? name() : "utf-8"; }

  // Whether the bytes of `text` are read as UTF-8 (under auto: they are UTF-8).
  bool readsAsUtf8(std::string_view text) const;
  // The character at text[i], read as `asUtf8` says: its length, 0 when the
  // bytes there stand for no character.
  std::size_t next(std::string_view text, std::size_t i, bool asUtf8, char32_t& c) const;
  // The text as UTF-8 when every byte of it stands for a character.
  std::optional<std::string> decode(std::string_view bytes) const;
  // UTF-8 text as bytes of this encoding (UTF-8 as it is, for utf-8 and auto).
  Encoded encode(std::string_view utf8) const;
  // Whether decoding and encoding again gives the bytes back.
  bool roundTrips(std::string_view bytes) const;

 private:
  Encoding(Kind kind, int codePage, const std::optional<Table>& table);
  Kind kind_;
  int codePage_;
  std::optional<Table> table_;  // none where the system cannot convert the code page
};

// A character as UTF-8.
void appendUtf8(std::string& out, char32_t c);
// "'Ω' (U+03A9)" (in the quotes given), or "bytes that are not UTF-8" for
// kUndefined, for messages.
std::string describe(char32_t c, char quote = '\'');
// Whether a character is shown as itself: a control (C0, DEL or C1) is shown
// by its bytes, so that nothing shows it as nothing.
inline bool showsAsItself(char32_t c) { return c >= 0x20 && c != 0x7f && (c < 0x80 || c >= 0xa0); }
// A byte as the escape \xhh, which a console line reads back as the byte.
std::string byteEscape(unsigned char byte);

}  // namespace tessel::console::encoding
