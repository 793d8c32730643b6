// The spreadsheet CSV reader and writer on the cases spreadsheets and hand
// edits produce, and written sheets read back on many random tables.
#include "tools/console/sheet.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace tessel::console::sheet {
namespace {

using Rows = std::vector<Row>;

TEST(Sheet, TextsReadAsTheirRowsOrTheProblemOfTheirLine) {
  const struct {
    std::string text;
    Rows rows;
    std::string problem{};
  } cases[] = {
      // What the writer never makes (the random tables below cover what it does): an empty quoted
      // field, old Mac line ends, the text ending inside a row, quotes inside unquoted fields.
      {"\"\"\"\",\"\"\n", {{"\"", ""}}},
      {"x\ry\r", {{"x"}, {"y"}}},
      {"a,\"\"", {{"a", ""}}},
      {"a,", {{"a", ""}}},
      {"5\" disk,x\n", {{"5\" disk", "x"}}},
      {"\"ab\"c,d\n", {{"abc", "d"}}},
      // The separator from the first row.
      {"level;name\n1,5;\"a;b\"\n", {{"level", "name"}, {"1,5", "a;b"}}},
      // An unclosed quote: the rows before it, and its line.
      {"a,b\r\nc,\"open\r\nstill open\r\n", {{"a", "b"}}, "line 2: a quoted field is not closed"},
  };
  for (const auto& c : cases) {
    const Text t = parse(c.text);
    EXPECT_EQ(std::tie(t.rows, t.problem), std::tie(c.rows, c.problem)) << c.text;
  }
}

TEST(Sheet, SeparatorsGuessedAndNamedQuotingWrittenAndTheModulesReaderWarned) {
  EXPECT_EQ(guessSeparator("a;b;c\n1,5;2;3\n"), ';');
  EXPECT_EQ(guessSeparator("a\tb\n"), '\t');
  EXPECT_EQ(guessSeparator("\"x;y;z\",b\n"), ',');  // separators inside quotes do not count
  EXPECT_EQ(guessSeparator("alone\n"), ',');
  const std::pair<const char*, std::optional<char>> named[] = {{";", ';'}, {"tab", '\t'}, {",", ','}, {"|", {}}};
  for (const auto& [name, separator] : named) EXPECT_EQ(separatorNamed(name), separator) << name;
  // Quotes only where reading needs them.
  const std::tuple<const char*, char, const char*> fields[] = {{"plain text", ',', "plain text"},
                                                               {"a,b", ',', "\"a,b\""},
                                                               {"a,b", ';', "a,b"},
                                                               {"a;b", ';', "\"a;b\""},
                                                               {"say \"hi\"", ',', "\"say \"\"hi\"\"\""},
                                                               {"two\nlines", '\t', "\"two\nlines\""}};
  for (const auto& [text, separator, written] : fields) EXPECT_EQ(field(text, separator), written) << text;
  EXPECT_EQ(write({{"a", ""}, {"", "b"}}, {}), "a,\r\n,b\r\n");
  EXPECT_EQ(write({{"x"}}, {';', true, false}), "\xef\xbb\xbfx\n");
  EXPECT_EQ(spreadsheetLook("name,hp\r\n\"Sword, long\",5\r\n"), "fields in double quotes (line 2)");
  EXPECT_EQ(spreadsheetLook("name;hp\r\nsword;5\r\n"), "\";\" between fields (line 1)");
  EXPECT_EQ(spreadsheetLook("a,\"\",b\r\n1,2,3\r\n"), std::nullopt);  // "" is the module's empty text
  EXPECT_EQ(spreadsheetLook("note\r\nwait; then go\r\nrun, then stop\r\nok,go\r\n"), std::nullopt);
}

TEST(Sheet, RandomTablesReadBackAsWritten) {
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
    EXPECT_EQ(std::tie(read.problem, read.rows, read.bom), std::make_tuple(std::string(), rows, options.bom));
    EXPECT_TRUE(rows.empty() || read.crlf == options.crlf);
  }
}

}  // namespace
}  // namespace tessel::console::sheet
