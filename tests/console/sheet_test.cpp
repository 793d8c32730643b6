// The spreadsheet CSV reader and writer on the cases spreadsheets and hand
// edits produce, and written sheets read back on many random tables.
#include "tools/console/sheet.h"

#include <gtest/gtest.h>

#include <random>

namespace tessel::console::sheet {
namespace {

using Rows = std::vector<Row>;

Rows rowsOf(std::string_view text, std::optional<char> separator = std::nullopt) {
  const Text t = parse(text, separator);
  EXPECT_EQ(t.problem, "");
  return t.rows;
}

TEST(SheetRead, QuotedFieldsHoldSeparatorsQuotesAndLineBreaks) {
  EXPECT_EQ(rowsOf("name,note\r\n\"Sword, long\",\"says \"\"hi\"\"\"\r\n"),
            (Rows{{"name", "note"}, {"Sword, long", "says \"hi\""}}));
  EXPECT_EQ(rowsOf("a,\"two\r\nlines\",c\r\nd,e,f\r\n"), (Rows{{"a", "two\r\nlines", "c"}, {"d", "e", "f"}}));
  EXPECT_EQ(rowsOf("\"\"\"\",\"\"\n"), (Rows{{"\"", ""}}));  // a field of one quote, then an empty quoted field
}

TEST(SheetRead, EmptyFieldsTrailingSeparatorsAndEmptyLines) {
  EXPECT_EQ(rowsOf("a,,c\n,\n"), (Rows{{"a", "", "c"}, {"", ""}}));
  EXPECT_EQ(rowsOf("a,b,\n"), (Rows{{"a", "b", ""}}));
  EXPECT_EQ(rowsOf("a\n\nb\n"), (Rows{{"a"}, {""}, {"b"}}));  // an empty line is an empty row
  EXPECT_EQ(rowsOf(""), Rows{});
}

TEST(SheetRead, LineEndsByteOrderMarkAndAMissingFinalLineBreak) {
  const Text crlf = parse("\xef\xbb\xbfx,y\r\n1,2");
  EXPECT_TRUE(crlf.bom);
  EXPECT_TRUE(crlf.crlf);
  EXPECT_EQ(crlf.rows, (Rows{{"x", "y"}, {"1", "2"}}));
  const Text lf = parse("x,y\n1,2\n");
  EXPECT_FALSE(lf.bom);
  EXPECT_FALSE(lf.crlf);
  EXPECT_EQ(lf.rows, crlf.rows);
  EXPECT_EQ(rowsOf("x\ry\r"), (Rows{{"x"}, {"y"}}));  // old Mac line ends
  EXPECT_EQ(rowsOf("a,\"\""), (Rows{{"a", ""}}));     // ends inside a row, after a quoted field
  EXPECT_EQ(rowsOf("a,"), (Rows{{"a", ""}}));
}

TEST(SheetRead, SeparatorsAreGuessedFromTheFirstRowOrGiven) {
  EXPECT_EQ(guessSeparator("a;b;c\n1,5;2;3\n"), ';');
  EXPECT_EQ(guessSeparator("a\tb\n"), '\t');
  EXPECT_EQ(guessSeparator("\"x;y;z\",b\n"), ',');  // separators inside quotes do not count
  EXPECT_EQ(guessSeparator("alone\n"), ',');
  EXPECT_EQ(rowsOf("level;name\n1,5;\"a;b\"\n"), (Rows{{"level", "name"}, {"1,5", "a;b"}}));
  EXPECT_EQ(rowsOf("a;b,c\n", ','), (Rows{{"a;b", "c"}}));
}

TEST(SheetRead, AnUnclosedQuoteIsAProblemWithItsLine) {
  const Text t = parse("a,b\r\nc,\"open\r\nstill open\r\n");
  EXPECT_EQ(t.problem, "line 2: a quoted field is not closed");
  EXPECT_EQ(t.rows, (Rows{{"a", "b"}}));
}

TEST(SheetRead, QuotesInsideAnUnquotedFieldAndAfterAQuotedOneStay) {
  EXPECT_EQ(rowsOf("5\" disk,x\n"), (Rows{{"5\" disk", "x"}}));
  EXPECT_EQ(rowsOf("\"ab\"c,d\n"), (Rows{{"abc", "d"}}));
}

TEST(SheetWrite, QuotesOnlyWhereReadingNeedsIt) {
  EXPECT_EQ(field("plain text", ','), "plain text");
  EXPECT_EQ(field("a,b", ','), "\"a,b\"");
  EXPECT_EQ(field("a,b", ';'), "a,b");
  EXPECT_EQ(field("a;b", ';'), "\"a;b\"");
  EXPECT_EQ(field("say \"hi\"", ','), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(field("two\nlines", '\t'), "\"two\nlines\"");
  EXPECT_EQ(write({{"a", ""}, {"", "b"}}, {}), "a,\r\n,b\r\n");
  EXPECT_EQ(write({{"x"}}, {';', true, false}), "\xef\xbb\xbfx\n");
}

TEST(SheetWrite, RandomTablesReadBackAsWritten) {
  std::mt19937 random(20);
  const std::string alphabet = "ab ,;\t\"\r\n\xc3\xa9";
  for (int round = 0; round < 500; ++round) {
    Rows rows(random() % 5);
    const std::size_t width = 1 + random() % 4;
    for (Row& row : rows) {
      for (std::size_t f = 0; f < width; ++f) {
        std::string text;
        for (std::size_t n = random() % 6; n > 0; --n) text += alphabet[random() % alphabet.size()];
        row.push_back(text);
      }
    }
    const WriteOptions options{",;\t"[round % 3], round % 2 == 0, round % 4 < 2};
    const std::string written = write(rows, options);
    SCOPED_TRACE(written);
    const Text read = parse(written, options.separator);
    EXPECT_EQ(read.problem, "");
    EXPECT_EQ(read.rows, rows);
    EXPECT_EQ(read.bom, options.bom);
    if (!rows.empty()) {
      EXPECT_EQ(read.crlf, options.crlf);
    }
  }
}

TEST(SheetLook, TheModulesCsvReaderIsWarnedAboutSpreadsheetFiles) {
  EXPECT_EQ(spreadsheetLook("name,hp\r\n\"Sword, long\",5\r\n"), "fields in double quotes (line 2)");
  EXPECT_EQ(spreadsheetLook("name;hp\r\nsword;5\r\n"), "\";\" between fields (line 1)");
  EXPECT_EQ(spreadsheetLook("a,\"\",b\r\n1,2,3\r\n"), std::nullopt);  // "" is the module's empty text
  EXPECT_EQ(spreadsheetLook("note\r\nwait; then go\r\nrun, then stop\r\nok,go\r\n"), std::nullopt);
}

TEST(SheetSeparator, OptionNames) {
  EXPECT_EQ(separatorNamed(";"), ';');
  EXPECT_EQ(separatorNamed("tab"), '\t');
  EXPECT_EQ(separatorNamed(","), ',');
  EXPECT_EQ(separatorNamed("|"), std::nullopt);
}

}  // namespace
}  // namespace tessel::console::sheet
