#include "tools/console/sheet.h"

#include <algorithm>
#include <array>
#include <utility>

#include "persist/text_lines.h"

namespace tessel::console::sheet {

namespace {

bool isBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

char guessSeparator(std::string_view text) {
  text = persist::withoutBom(text);
  constexpr std::array<char, 3> kCandidates = {',', ';', '\t'};  // a tie goes to the first
  std::array<std::size_t, 3> counts{};
  bool quoted = false;
  for (const char c : text) {
    if (c == '"') quoted = !quoted;  // a doubled quote toggles twice
    if (quoted) continue;
    if (isBreak(c)) break;
    for (std::size_t k = 0; k < kCandidates.size(); ++k) counts[k] += c == kCandidates[k];
  }
  const std::size_t most = static_cast<std::size_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
  return counts[most] > 0 ? kCandidates[most] : ',';
}

Text parse(std::string_view text, std::optional<char> separator) {
  Text out;
  out.bom = persist::startsWithBom(text);
  text = persist::withoutBom(text);
  out.separator = separator ? *separator : guessSeparator(text);
  Row row;
  std::string field;
  bool fieldStarts = true;  // nothing of the current field read yet
  bool brokeOnce = false;
  std::size_t line = 1;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (fieldStarts && c == '"') {
      const std::size_t opened = line;
      bool closed = false;
      for (++i; i < text.size() && !closed; ++i) {
        if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
          field += '"';
          ++i;
        } else if (text[i] == '"') {
          closed = true;
        } else {
          // A line break inside the quotes is part of the text; CR LF counts as one line.
          line += text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
          field += text[i];
        }
      }
      if (!closed) {
        out.problem = "line " + std::to_string(opened) + ": a quoted field is not closed";
        return out;
      }
      fieldStarts = false;  // what follows the closing quote up to the separator is kept as it is
    } else if (c == out.separator) {
      row.push_back(std::exchange(field, {}));
      fieldStarts = true;
      ++i;
    } else if (isBreak(c)) {
      const bool pair = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
      if (!brokeOnce) out.crlf = pair;
      brokeOnce = true;
      i += pair ? 2 : 1;
      row.push_back(std::exchange(field, {}));
      out.rows.push_back(std::exchange(row, {}));
      fieldStarts = true;
      ++line;
    } else {
      field += c;
      fieldStarts = false;
      ++i;
    }
  }
  if (!row.empty() || !fieldStarts) {  // the last line had no line break
    row.push_back(std::move(field));
    out.rows.push_back(std::move(row));
  }
  return out;
}

std::string field(std::string_view text, char separator) {
  if (text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string write(const std::vector<Row>& rows, const WriteOptions& options) {
  std::string out = options.bom ? std::string(persist::kUtf8Bom) : "";
  for (const Row& row : rows) {
    for (std::size_t f = 0; f < row.size(); ++f) {
      if (f > 0) out += options.separator;
      out += field(row[f], options.separator);
    }
    out += options.crlf ? "\r\n" : "\n";
  }
  return out;
}

std::optional<std::string> spreadsheetLook(std::string_view text) {
  text = persist::withoutBom(text);
  std::size_t lineNumber = 0;
  std::size_t semicolonLines = 0, lines = 0, firstSemicolonLine = 0;
  for (std::size_t start = 0, end = 0; start < text.size() && lines < 1000; start = end + 1) {
    end = std::min(text.find_first_of("\r\n", start), text.size());
    if (end == start) continue;  // no row, as the module reads it
    ++lineNumber;
    ++lines;
    const std::string_view line = text.substr(start, end - start);
    for (std::size_t f = 0, comma = 0; comma != std::string_view::npos; f = comma + 1) {
      comma = line.find(',', f);
      const std::string_view piece = line.substr(f, comma - f);
      // "" alone is the module's own empty text.
      if (piece.size() >= 2 && piece.front() == '"' && piece != "\"\"")
        return "fields in double quotes (line " + std::to_string(lineNumber) + ")";
    }
    if (line.find(';') != std::string_view::npos && line.find(',') == std::string_view::npos) {
      if (semicolonLines++ == 0) firstSemicolonLine = lineNumber;
    }
  }
  if (semicolonLines > 0 && semicolonLines * 2 >= lines)
    return "\";\" between fields (line " + std::to_string(firstSemicolonLine) + ")";
  return std::nullopt;
}

std::optional<char> separatorNamed(std::string_view name) {
  if (name == "," || name == "comma") return ',';
  if (name == ";" || name == "semicolon") return ';';
  if (name == "tab" || name == "\t") return '\t';
  return std::nullopt;
}

}  // namespace tessel::console::sheet
