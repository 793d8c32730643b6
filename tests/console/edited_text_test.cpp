// Texts as the workbench page edits them: shown through an encoding with
// escapes for what it cannot show, typed back into the same bytes, written in
// the encoding of the text they replace, and turned into console literals
// that the line language reads back as the same bytes.
#include "tools/console/edited_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tools/console/console.h"

namespace tessel::console {
namespace {

using encoding::Encoding;

Encoding named(const std::string& name) {
  const auto e = Encoding::named(name);
  EXPECT_TRUE(e.has_value()) << name;
  return e.value_or(Encoding::utf8());
}

// Random bytes without a zero (no text holds one), many of them backslashes,
// x and hex digits, controls and bytes beyond ASCII, so escapes meet texts that look like them.
std::string randomBytes(std::mt19937& random) {
  static const std::string pieces[] = {"\\", "x", "A", "4", "f", "g", "\n", "\t", "\r", "\x7f", "\x01", " "};
  std::string out;
  const auto size = std::uniform_int_distribution<int>(0, 12)(random);
  for (int k = 0; k < size; ++k) {
    const int pick = std::uniform_int_distribution<int>(0, 15)(random);
    out += pick < 12 ? pieces[pick]
                     : std::string(1, static_cast<char>(std::uniform_int_distribution<int>(0x80, 0xff)(random)));
  }
  return out;
}

TEST(EditedText, ShowsWhatTheEncodingHoldsAndEscapesTheRest) {
  const struct {
    const char* encoding;
    std::string bytes, shown;
  } cases[] = {
      {"auto", "Caf\xe9", "Caf\xc3\xa9"},        // not UTF-8: the code page
      {"auto", "na\xc3\xafve", "na\xc3\xafve"},  // UTF-8
      {"auto", "\x81x", "\\x81x"},               // a byte Windows-1252 has no character for
      {"utf-8", "Caf\xe9", "Caf\\xe9"},
      {"windows-1252", "na\xc3\xafve", "na\xc3\x83\xc2\xafve"},
      {"windows-1251", "\x81x", "\xd0\x83x"},
      {"windows-1252", "\xa0", "\xc2\xa0"},                       // a no-break space is a character
      {"utf-8", "\xc2\x85|\xe2\x82", "\\xc2\\x85|\\xe2\\x82"},    // a C1 control, a cut sequence
      {"auto", "a\tb\nc\rd\x7f\x01", "a\tb\nc\\x0dd\\x7f\\x01"},  // an editor keeps tabs and line breaks
      {"auto", "C:\\x41\\dir \\x00 \\x4g \\", "C:\\x5cx41\\dir \\x5cx00 \\x4g \\"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(editedText(c.bytes, named(c.encoding)), c.shown) << c.encoding << " " << c.bytes;
}

TEST(EditedText, AnUnchangedTextReadsBackAsItsBytesInEveryEncoding) {
  std::mt19937 random(29);
  for (const auto& name : Encoding::names()) {
    const Encoding e = named(name);
    for (int round = 0; round < 3000; ++round) {
      const std::string bytes = randomBytes(random);
      const std::string shown = editedText(bytes, e);
      const encoding::Encoded back = bytesOfEdited(shown, writtenFor(bytes, e));
      ASSERT_TRUE(back.ok) << name << ": " << shown;
      ASSERT_EQ(back.bytes, bytes) << name << ": " << shown;
    }
  }
}

TEST(EditedText, TypedTextIsWrittenInTheEncodingOfTheTextItReplaces) {
  const Encoding automatic = named("auto");
  const Encoding western = named("windows-1252");
  const auto typed = [](const std::string& text, const std::string& old, const Encoding& e) {
    const encoding::Encoded out = bytesOfEdited(text, writtenFor(old, e));
    return out.ok ? out.bytes : "cannot hold " + encoding::describe(out.unheld, '"');
  };
  EXPECT_EQ(typed("\xce\xa9mega", "Caf\xe9", automatic), "cannot hold \"\xce\xa9\" (U+03A9)");
  EXPECT_EQ(typed("\xce\xa9mega", "na\xc3\xafve", automatic), "\xce\xa9mega");
  EXPECT_EQ(typed("Cr\xc3\xa8me", "", automatic), "Cr\xc3\xa8me");  // a new text is UTF-8
  EXPECT_EQ(typed("Cr\xc3\xa8me", "na\xc3\xafve", western), "Cr\xe8me");
  EXPECT_EQ(typed("ok\nb\n\\x81c \\X41 \\x00 \\x4", "", western), std::string("ok\nb\n\x81") + "c \\X41 \\x00 \\x4");
  EXPECT_EQ(automatic.title() + "/" + western.title() + "/" + Encoding::utf8().title(), "automatic/Windows-1252/UTF-8");

  EXPECT_EQ(lineIn("Set string \"Th\xc3\xa9\" at 4", western).bytes, "Set string \"Th\\xe9\" at 4");
  EXPECT_EQ(lineIn("Set string \"Th\xc3\xa9\" at 4", automatic).bytes, "Set string \"Th\xc3\xa9\" at 4");
  const encoding::Encoded arrow = lineIn("a \xe2\x86\x92 b", western);
  EXPECT_FALSE(arrow.ok);
  EXPECT_EQ(arrow.unheld, U'\u2192');
}

TEST(EditedText, LiteralsAreAsciiAndTheLineLanguageReadsThemBack) {
  EXPECT_EQ(literalOf("a\"b\\\n\r\t\xe9\x7f"), R"("a\"b\\\n\r\t\xe9\x7f")");
  std::mt19937 random(31);
  for (int round = 0; round < 5000; ++round) {
    std::string bytes = randomBytes(random);
    bytes += static_cast<char>(std::uniform_int_distribution<int>(1, 0x7f)(random));
    const std::string literal = literalOf(bytes);
    for (const char c : literal) ASSERT_TRUE(c >= 0x20 && c < 0x7f) << literal;
    Cursor cursor(literal);
    const Term term = cursor.term();
    ASSERT_TRUE(cursor.atEnd()) << literal;
    ASSERT_EQ(term.text, bytes) << literal;
  }
}

TEST(EditedText, ACodePageReadsWithTheTableItIsHanded) {
  encoding::Table table{};
  for (std::size_t b = 0; b < table.size(); ++b) table[b] = b < 0x80 ? static_cast<char32_t>(b) : encoding::kUndefined;
  table[0xc6] = U'\u0416';
  const auto handed = [&](int) { return std::optional<encoding::Table>(table); };
  const auto cyrillic = Encoding::named("windows-1251", encoding::kDefaultCodePage, handed);
  ASSERT_TRUE(cyrillic.has_value());
  EXPECT_EQ(editedText("\xc6\xc7", *cyrillic), "\xd0\x96\\xc7");
  EXPECT_EQ(bytesOfEdited("\xd0\x96", *cyrillic).bytes, "\xc6");
  const auto automatic = Encoding::named("auto", 1251, handed);
  ASSERT_TRUE(automatic.has_value());
  EXPECT_EQ(automatic->fallback().name(), "windows-1251");
  EXPECT_EQ(editedText("\xc6", *automatic), "\xd0\x96");
  const auto none = [](int) { return std::optional<encoding::Table>(); };
  EXPECT_FALSE(Encoding::named("windows-1251", encoding::kDefaultCodePage, none).has_value());
}

}  // namespace
}  // namespace tessel::console
