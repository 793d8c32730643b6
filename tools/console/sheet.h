// The CSV that spreadsheets read and write, beside the module's own CSV: fields
// in double quotes may hold the separator, quotes (doubled) and line breaks;
// the separator is a comma, a semicolon or a tab; a file may start with a UTF-8
// byte order mark and end its lines in CR LF or LF. Text only: what the cells
// become is the console's business (sheet_array.cpp).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::console::sheet {

using Row = std::vector<std::string>;

struct Text {
  std::vector<Row> rows;
  char separator = ',';
  bool bom = false;     // the file started with a UTF-8 byte order mark
  bool crlf = false;    // its first line break outside quotes was CR LF
  std::string problem;  // why the text is not a well-formed sheet, with its line; empty when it is
};

// The separator that the first row uses most outside quotes: ',', ';' or a
// tab; a comma when it holds none.
char guessSeparator(std::string_view text);

// Reads a whole file's text with the separator given, or the one the first row
// shows. Lines end in CR LF, LF or CR; a final line break adds no row, an empty
// line is a row of one empty field. A quote not closed by the end of the text
// is a problem; the rows before its row are kept.
Text parse(std::string_view text, std::optional<char> separator = std::nullopt);

struct WriteOptions {
  char separator = ',';
  bool bom = false;
  bool crlf = true;  // as spreadsheets write; LF otherwise
};

// One field as written: in quotes, quotes doubled, when it holds the separator,
// a quote or a line break; as it is otherwise, as spreadsheets write it.
std::string field(std::string_view text, char separator);

// The rows, each ended by a line break.
std::string write(const std::vector<Row>& rows, const WriteOptions& options);

// Whether a text that the module's CSV reader is about to read looks written
// by a spreadsheet: fields in quotes or lines split by semicolons; what it saw,
// for a message, or nothing.
std::optional<std::string> spreadsheetLook(std::string_view text);

// The separator an option names: ",", ";", "tab" or a tab character; none for another.
std::optional<char> separatorNamed(std::string_view name);

}  // namespace tessel::console::sheet
