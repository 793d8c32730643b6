// The module offers no expression for a cell's type, a data cell's size or a
// row's selection flag, so show works them out from what it does offer:
//   type      the quoted element list puts apostrophes around string cells
//             only; a text that is not quoted and not empty is a value; an
//             empty one is an empty cell or a data cell, told apart by saving
//             the element to a scratch file (data cells write their bytes,
//             empty cells nothing), which also gives the data cell's size;
//   key       key$( gives no text for an element without key; the quoted key
//             list tells string keys from value keys;
//   selection the recordset rows (rowList$) are the selected physical rows in
//             order, so each is matched to the physical rows by its text;
//             where equal rows leave the match open, the rows are marked "?".
// Where the module gives none of these (a layer not built), the view says "?".
#include "tools/console/show.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "host/catalogue.h"
#include "tools/console/names.h"

namespace tessel::console {

namespace {

using hostkit::Param;

const char kSeparator[] = "\x1f";

constexpr int kSize = catalogue::expressionOf("size");
constexpr int kGet = catalogue::expressionOf("stringAt");
constexpr int kKey = catalogue::expressionOf("keyStringAt");
constexpr int kQuotedList = catalogue::expressionOf("quotedElementList");
constexpr int kKeyQuotedList = catalogue::expressionOf("quotedKeyList");
constexpr int kDim = catalogue::expressionOf("dimensionCount");
constexpr int kBoundaryX = catalogue::expressionOf("boundaryX");
constexpr int kBoundaryY = catalogue::expressionOf("boundaryY");
constexpr int kNumberOfRows = catalogue::expressionOf("numberOfRows");
constexpr int kRowList = catalogue::expressionOf("rowList");
constexpr int kLabel = catalogue::expressionOf("label");
constexpr int kDelimiter =
    catalogue::expressionOf("listDelimiter");  // separates list items; unlikely inside a cell's text

void escapeInto(std::string& out, char c) {
  static const char hex[] = "0123456789abcdef";
  const auto u = static_cast<unsigned char>(c);
  switch (c) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\t': out += "\\t"; return;
    case '\r': out += "\\r"; return;
    default: break;
  }
  if (u < 0x20 || u >= 0x7f) {
    out += "\\x";
    out += hex[u >> 4];
    out += hex[u & 15];
  } else {
    out += c;
  }
}

// A cell's text in a grid: no quotes, escaped, cut with "...".
std::string bare(std::string_view text, std::size_t width) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && i < width; ++i) {
    if (text[i] == '"' || text[i] == '\\') {
      out += text[i];
    } else {
      escapeInto(out, text[i]);
    }
  }
  if (text.size() > width) out += "...";
  return out;
}

enum class Kind { empty, value, string, data, unknown };

struct Cell {
  Kind kind = Kind::unknown;
  std::string text;
  std::uintmax_t bytes = 0;  // of a data cell
};

struct Key {
  bool present = false;
  Kind kind = Kind::unknown;
  std::string text;
};

// What the module tells about one instance, asked through its expressions.
class Reader {
 public:
  explicit Reader(hostkit::RunObject& object) : object_(object) {}

  int32_t integer(int n, const Param& a = {}, const Param& b = {}) {
    return static_cast<int32_t>(checked(n, a, b).raw);
  }
  std::optional<std::string> text(int n, const Param& a = {}, const Param& b = {}) { return checked(n, a, b).text; }

  std::vector<Cell> cells(int32_t count);
  std::vector<Key> keys(int32_t count);

 private:
  hostkit::ExpressionCall checked(int n, const Param& a, const Param& b) {
    hostkit::ExpressionCall c = object_.call(n, a, b);
    if (!c.protocolError.empty()) {
      throw UserError(std::string("the module broke the host protocol in ") + catalogue::kExpressions[n].name + ": " +
                      c.protocolError);
    }
    return c;
  }
  std::uintmax_t savedSize(int32_t index);

  hostkit::RunObject& object_;
};

// Whether `list` holds `item` at `pos`, followed by the separator or the end.
bool itemAt(const std::string& list, std::size_t pos, const std::string& item) {
  if (list.compare(pos, item.size(), item) != 0) return false;
  const std::size_t end = pos + item.size();
  return end == list.size() || list.compare(end, sizeof kSeparator - 1, kSeparator) == 0;
}

std::vector<Cell> Reader::cells(int32_t count) {
  std::vector<Cell> cells(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) cells[static_cast<std::size_t>(i)].text = text(kGet, i).value_or("");
  const auto list = text(kQuotedList, std::string(kSeparator));
  if (!list) return cells;
  std::size_t pos = 0;
  std::vector<Kind> kinds;
  for (const Cell& c : cells) {
    const std::string quotedItem = "'" + c.text + "'";
    if (pos <= list->size() && itemAt(*list, pos, quotedItem)) {
      kinds.push_back(Kind::string);
      pos += quotedItem.size() + 1;
    } else if (pos <= list->size() && itemAt(*list, pos, c.text)) {
      kinds.push_back(c.text.empty() ? Kind::empty : Kind::value);
      pos += c.text.size() + 1;
    } else {
      return cells;  // the list does not read as these cells: leave every type open
    }
  }
  for (std::size_t i = 0; i < cells.size(); ++i) {
    cells[i].kind = kinds[i];
    if (kinds[i] == Kind::empty) {
      cells[i].bytes = savedSize(static_cast<int32_t>(i));
      if (cells[i].bytes > 0) cells[i].kind = Kind::data;
    }
  }
  return cells;
}

std::uintmax_t Reader::savedSize(int32_t index) {
  std::error_code ignored;
  std::string path = (std::filesystem::temp_directory_path(ignored) / "tessel-show-XXXXXX").string();
  const int fd = mkstemp(path.data());
  if (fd < 0) return 0;
  close(fd);
  object_.act(catalogue::actionOf("saveElementToFile"), index, path);
  const std::uintmax_t size = std::filesystem::file_size(path, ignored);
  std::filesystem::remove(path, ignored);
  return size == static_cast<std::uintmax_t>(-1) ? 0 : size;
}

std::vector<Key> Reader::keys(int32_t count) {
  std::vector<Key> keys(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const auto k = text(kKey, i);
    keys[static_cast<std::size_t>(i)].present = k.has_value();
    keys[static_cast<std::size_t>(i)].text = k.value_or("");
  }
  const auto list = text(kKeyQuotedList, std::string(kSeparator));
  if (!list) return keys;
  std::size_t pos = 0;
  std::vector<Kind> kinds;
  for (const Key& k : keys) {
    const std::string quotedItem = "'" + k.text + "'";
    if (k.present && pos <= list->size() && itemAt(*list, pos, quotedItem)) {
      kinds.push_back(Kind::string);
      pos += quotedItem.size() + 1;
    } else if (pos <= list->size() && itemAt(*list, pos, k.text)) {
      kinds.push_back(k.text.empty() ? Kind::empty : Kind::value);
      pos += k.text.size() + 1;
    } else {
      return keys;
    }
  }
  for (std::size_t i = 0; i < keys.size(); ++i) keys[i].kind = kinds[i];
  return keys;
}

const char* kindName(Kind k) {
  switch (k) {
    case Kind::empty: return "empty";
    case Kind::value: return "value";
    case Kind::string: return "string";
    case Kind::data: return "data";
    case Kind::unknown: break;
  }
  return "?";
}

std::string dataSize(std::uintmax_t bytes) { return "[" + std::to_string(bytes) + (bytes == 1 ? " byte]" : " bytes]"); }

std::string gridText(const Cell& c, std::size_t width) {
  return c.kind == Kind::data ? dataSize(c.bytes) : bare(c.text, width);
}

// Columns separated by two blanks, each as wide as its widest entry.
void printTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows, const std::string& indent = "") {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const auto& row : rows) {
    std::string line = indent;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}

std::string plural(int32_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

void showList(Reader& r, int32_t count, std::ostream& out, const ShowOptions& options) {
  const std::vector<Cell> cells = r.cells(count);
  const std::vector<Key> keys = r.keys(count);
  std::vector<std::vector<std::string>> rows{{"index", "type", "text", "key"}};
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const Cell& c = cells[i];
    std::string text;
    switch (c.kind) {
      case Kind::value: text = c.text; break;
      case Kind::data: text = dataSize(c.bytes); break;
      case Kind::empty: break;
      case Kind::string:
      case Kind::unknown: text = quoted(c.text, options.width); break;
    }
    const Key& k = keys[i];
    std::string key;
    if (k.present)
      key = k.kind == Kind::value ? k.text : k.kind == Kind::empty ? "(empty)" : quoted(k.text, options.width);
    rows.push_back({std::to_string(i), kindName(c.kind), text, key});
  }
  printTable(out, rows);
}

struct RowMarks {
  std::vector<std::string> mark;    // "*" selected, "?" open, "" not selected
  std::vector<std::string> record;  // recordset row number, when certain
};

// Matches the recordset rows to the physical rows they are.
RowMarks selection(Reader& r, const std::vector<std::string>& physical, int32_t selected) {
  const std::size_t p = physical.size();
  RowMarks m{std::vector<std::string>(p), std::vector<std::string>(p)};
  if (selected <= 0) return m;
  std::vector<std::string> recordset;
  for (int32_t i = 0; i < selected; ++i) {
    const auto row = r.text(kRowList, i);
    if (!row) {
      std::fill(m.mark.begin(), m.mark.end(), "?");
      return m;
    }
    recordset.push_back(*row);
  }
  const std::size_t n = recordset.size();
  std::vector<std::size_t> earliest(n), latest(n);
  std::size_t at = 0;
  for (std::size_t i = 0; i < n; ++i, ++at) {
    while (at < p && physical[at] != recordset[i]) ++at;
    if (at >= p) {
      std::fill(m.mark.begin(), m.mark.end(), "?");
      return m;
    }
    earliest[i] = at;
  }
  std::size_t back = p;
  for (std::size_t i = n; i-- > 0;) {
    do {
      --back;
    } while (physical[back] != recordset[i]);  // earliest[i] is a match, so this stops there at the latest
    latest[i] = back;
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (earliest[i] == latest[i]) {
      m.mark[earliest[i]] = "*";
      m.record[earliest[i]] = std::to_string(i);
      continue;
    }
    for (std::size_t q = earliest[i]; q <= latest[i]; ++q) {
      if (physical[q] == recordset[i] && m.mark[q].empty()) m.mark[q] = "?";
    }
  }
  return m;
}

void showGrid(Reader& r, int32_t count, std::ostream& out, const ShowOptions& options, const std::string& title) {
  const int32_t columns = r.integer(kBoundaryX);
  const int32_t selected = r.integer(kNumberOfRows);
  const std::vector<Cell> cells = r.cells(count);
  const int32_t rows = columns >= 1 ? count / columns : 0;
  out << title << ": 2D, " << plural(columns, "column", "columns") << ", " << plural(rows, "row", "rows") << " ("
      << selected << " selected), " << plural(count, "element", "elements") << '\n';
  if (rows == 0 && count == 0) return;

  const std::string delimiter = r.text(kDelimiter).value_or(",");
  std::vector<std::string> physical;
  for (int32_t p = 0; p < rows; ++p) {
    std::string joined;
    for (int32_t c = 0; c < columns; ++c) {
      joined +=
          (c ? delimiter : "") +
          cells[static_cast<std::size_t>(p) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(c)].text;
    }
    physical.push_back(joined);
  }
  const RowMarks marks = selection(r, physical, selected);

  std::vector<std::vector<std::string>> table{{"row", "rec", "sel"}};
  for (int32_t c = 0; c < columns; ++c) {
    const auto label = r.text(kLabel, c);
    table[0].push_back(label ? bare(*label, options.width) : "[" + std::to_string(c) + "]");
  }
  for (int32_t p = 0; p < rows; ++p) {
    std::vector<std::string> line{std::to_string(p), marks.record[static_cast<std::size_t>(p)],
                                  marks.mark[static_cast<std::size_t>(p)]};
    for (int32_t c = 0; c < columns; ++c)
      line.push_back(
          gridText(cells[static_cast<std::size_t>(p) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(c)],
                   options.width));
    table.push_back(line);
  }
  if (rows > 0) printTable(out, table);
  if (rows * columns < count) {
    out << "past the last complete row:\n";
    std::vector<std::vector<std::string>> rest;
    for (int32_t i = rows * columns; i < count; ++i)
      rest.push_back({std::to_string(i), gridText(cells[static_cast<std::size_t>(i)], options.width)});
    printTable(out, rest, "  ");
  }
}

void showPages(Reader& r, int32_t count, std::ostream& out, const ShowOptions& options, const std::string& title) {
  const int32_t x = r.integer(kBoundaryX);
  const int32_t y = r.integer(kBoundaryY);
  constexpr int64_t kLargestPage = 1000000;  // cells of a page worth drawing
  if (x < 1 || y < 1 || static_cast<int64_t>(x) * y > kLargestPage) {
    out << title << ": 3D with boundaries " << x << " x " << y << ", no page to draw; "
        << plural(count, "element", "elements") << '\n';
    showList(r, count, out, options);
    return;
  }
  const int32_t page = x * y;
  const int32_t pages = count / page + (count % page != 0);
  out << title << ": 3D, pages of " << plural(x, "column", "columns") << " x " << plural(y, "row", "rows") << ", "
      << plural(pages, "page", "pages") << ", " << plural(count, "element", "elements") << '\n';
  const std::vector<Cell> cells = r.cells(count);
  for (int32_t z = 0; z < pages; ++z) {
    out << "page " << z << '\n';
    std::vector<std::vector<std::string>> table{{"y\\x"}};
    for (int32_t i = 0; i < x; ++i) table[0].push_back(std::to_string(i));
    for (int32_t j = 0; j < y; ++j) {
      std::vector<std::string> line{std::to_string(j)};
      for (int32_t i = 0; i < x; ++i) {
        const int32_t index = z * page + j * x + i;
        line.push_back(index < count ? gridText(cells[static_cast<std::size_t>(index)], options.width) : "");
      }
      table.push_back(line);
    }
    printTable(out, table, "  ");
  }
}

}  // namespace

std::string quoted(std::string_view text, std::size_t width) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size() && i < width; ++i) escapeInto(out, text[i]);
  out += '"';
  if (text.size() > width) out += "...";
  return out;
}

void show(hostkit::RunObject& object, const std::string& title, std::ostream& out, const ShowOptions& options) {
  Reader r(object);
  const int32_t count = r.integer(kSize);
  const int32_t dimensions = r.integer(kDim);
  if (dimensions == 2) {
    showGrid(r, count, out, options, title);
  } else if (dimensions == 3) {
    showPages(r, count, out, options, title);
  } else {
    out << title << ": "
        << (dimensions == 1 ? "1D" : "dimension count " + std::to_string(dimensions) + ", read as a list") << ", "
        << plural(count, "element", "elements") << '\n';
    if (count > 0) showList(r, count, out, options);
  }
}

}  // namespace tessel::console
