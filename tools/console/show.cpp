#include <algorithm>
#include <ostream>

#include "tools/console/console.h"
#include "tools/console/escaped.h"
#include "tools/console/json_array.h"

namespace tessel::console {

namespace {

using catalogue::expressionOf;
using Object = hostkit::RunObject;

std::string escaped(std::string_view text, const ShowOptions& o, std::size_t width) {
  return console::escaped(text, o.encoding, o.utf8, width);
}

// Each row of a grid's place in the recordset, -1 for a row not selected.
std::vector<int32_t> recordsOf(Object& object, int32_t rows, int32_t columns) {
  std::vector<int32_t> out;
  int32_t record = 0;
  for (int32_t p = 0; p < rows; ++p) {
    const auto facts = object.describeCell(p * columns);
    out.push_back(facts && facts->rowSelected != 0 ? record++ : -1);
  }
  return out;
}

// A cell as a grid or list shows it: strings quoted, values bare, data by size.
std::string typed(const ShownCell& c, const ShowOptions& o) {
  switch (c.facts.type) {
    case TESSEL_CELL_EMPTY: return "-";
    case TESSEL_CELL_VALUE: return c.text;
    case TESSEL_CELL_DATA: return "[" + plural(c.facts.length, "byte", "bytes") + "]";
    default: return quoted(c.text, o, o.width);
  }
}

std::string keyText(const ShownCell& c, const ShowOptions& o) {
  switch (c.facts.keyType) {
    case TESSEL_CELL_NONE: return "";
    case TESSEL_CELL_VALUE: return c.key;
    case TESSEL_CELL_STRING: return quoted(c.key, o, o.width);
    case TESSEL_CELL_EMPTY: return "(empty)";
    default: return typeName(c.facts.keyType);
  }
}

std::string gridText(const ShownCell& c, const ShowOptions& o) {
  std::string out = o.types || c.facts.type == TESSEL_CELL_DATA ? typed(c, o) : escaped(c.text, o, o.width);
  if (o.keys && c.facts.keyType != TESSEL_CELL_NONE) out += " #" + keyText(c, o);
  return out;
}

// The rows (the elements of a list) from 0 to count - 1 that the options let
// through. A list, without records, has no selection: --selected keeps all of it.
std::vector<int32_t> chosen(int32_t count, const ShowOptions& o, const std::vector<int32_t>& records = {}) {
  std::vector<int32_t> out;
  for (int32_t i = std::max(o.first, 0); i < count && i <= o.last && static_cast<int32_t>(out.size()) < o.head; ++i) {
    if (!o.selectedOnly || records.empty() || records[static_cast<std::size_t>(i)] >= 0) out.push_back(i);
  }
  return out;
}

void cancelled(std::ostream& out) { out << "(cancelled)\n"; }

void showList(Object& object, int32_t count, std::ostream& out, const ShowOptions& o) {
  Table rows{{"index", "type", "text", "key"}};
  for (const int32_t i : chosen(count, o)) {
    if (platform::cancelRequested()) return cancelled(out);
    const ShownCell c = cellAt(object, i);
    rows.push_back({std::to_string(i), typeName(c.facts.type), c.facts.type == TESSEL_CELL_EMPTY ? "" : typed(c, o),
                    keyText(c, o)});
  }
  printTable(out, rows);
}

void showGrid(Object& object, int32_t count, std::ostream& out, const ShowOptions& o, const std::string& title) {
  const int32_t columns = object.integer(expressionOf("boundaryX"));
  const int32_t selected = object.integer(expressionOf("numberOfRows"));
  const int32_t rows = columns >= 1 ? count / columns : 0;
  out << title << ": 2D, " << plural(columns, "column", "columns") << ", " << plural(rows, "row", "rows") << " ("
      << selected << " selected), " << plural(count, "element", "elements") << '\n';
  if (selected == 0 && rows > 0 && (o.selectionMatters || o.selectedOnly)) {
    // What a game's row actions then do, and what they leave alone.
    out << "no row is selected: row sorts move nothing, and column totals and lists, row numbers (Delete row, "
           "Replace row, rowList$) and AND-mode queries find no row; element actions and OR-mode queries are not "
           "affected; \"Select all rows\" selects them all\n";
  }
  if (count == 0) return;
  // Without a complete row the columns are only declared: a header as wide
  // as them would cost what the array does not hold.
  if (beyondCells(columns, count)) {
    out << "the " << plural(columns, "column", "columns") << " are more than the elements, so no row is drawn\n";
  }
  if (rows > 0) {
    const std::vector<int32_t> records = recordsOf(object, rows, columns);
    Table table{{"row", "rec", "sel"}};
    for (int32_t c = 0; c < columns; ++c) {
      const auto label = object.text(expressionOf("label"), c);
      table[0].push_back(label ? escaped(*label, o, o.width) : "[" + std::to_string(c) + "]");
    }
    for (const int32_t p : chosen(rows, o, records)) {
      if (platform::cancelRequested()) return cancelled(out);
      const int32_t record = records[static_cast<std::size_t>(p)];
      table.push_back({std::to_string(p), record >= 0 ? std::to_string(record) : "", record >= 0 ? "*" : ""});
      for (int32_t c = 0; c < columns; ++c) table.back().push_back(gridText(cellAt(object, p * columns + c), o));
    }
    printTable(out, table);
  }
  if (rows * columns < count) {
    out << "past the last complete row:\n";
    Table rest;
    for (int32_t i = rows * columns; i < count; ++i)
      rest.push_back({std::to_string(i), gridText(cellAt(object, i), o)});
    printTable(out, rest, "  ");
  }
}

void showPages(Object& object, int32_t count, std::ostream& out, const ShowOptions& o, const std::string& title) {
  const int32_t x = object.integer(expressionOf("boundaryX"));
  const int32_t y = object.integer(expressionOf("boundaryY"));
  constexpr int64_t kLargestPage = 1000000;  // cells of a page worth drawing
  const int64_t cellsOfPage = static_cast<int64_t>(x) * y;
  if (x < 1 || y < 1 || cellsOfPage > kLargestPage || beyondCells(cellsOfPage, count)) {
    out << title << ": 3D with boundaries " << x << " x " << y << ", no page to draw; "
        << plural(count, "element", "elements") << '\n';
    return showList(object, count, out, o);
  }
  const int32_t page = x * y;
  const int32_t pages = count / page + (count % page != 0);
  out << title << ": 3D, pages of " << plural(x, "column", "columns") << " x " << plural(y, "row", "rows") << ", "
      << plural(pages, "page", "pages") << ", " << plural(count, "element", "elements") << '\n';
  for (int32_t z = 0; z < pages; ++z) {
    if (platform::cancelRequested()) return cancelled(out);
    out << "page " << z << '\n';
    Table table{{"y\\x"}};
    for (int32_t i = 0; i < x; ++i) table[0].push_back(std::to_string(i));
    for (int32_t j = 0; j < y; ++j) {
      table.push_back({std::to_string(j)});
      const int32_t from = z * page + j * x;
      for (int32_t i = from; i < from + x; ++i) table.back().push_back(i < count ? gridText(cellAt(object, i), o) : "");
    }
    printTable(out, table, "  ");
  }
}

// One object: the shape, the labels and the cells the options let through,
// each with its index, type, text or bytes, key and (in 2D) row and selection.
// Read back by json_array.cpp: the whole array comes back from it.
void showJson(Object& object, int32_t count, int32_t dimensions, std::ostream& out, const ShowOptions& o,
              const std::string& title) {
  const int32_t columns = dimensions >= 2 ? object.integer(expressionOf("boundaryX")) : 0;
  const bool grid = dimensions == 2 && columns >= 1;
  // What a text without its bytes is in: auto writes UTF-8 as it is and gives the bytes of the rest.
  const encoding::Encoding& enc = o.encoding;
  out << "{\"name\": " << jsonString(title) << ", \"encoding\": \"" << enc.textName()
      << "\", \"dimensions\": " << dimensions << ", \"boundaries\": [";
  for (int32_t k = 1; k <= dimensions; ++k) out << (k > 1 ? ", " : "") << object.integer(expressionOf("boundary"), k);
  out << "], \"size\": " << count;
  if (dimensions >= 2) out << ", \"columns\": " << columns;
  if (dimensions == 3) out << ", \"rowsPerPage\": " << object.integer(expressionOf("boundaryY"));
  if (grid) {
    out << ", \"selectedRows\": " << object.integer(expressionOf("numberOfRows"));
    const Labels labels = labelsOf(object);
    if (beyondCells(columns, count)) {
      // One entry a column would cost what the array does not hold: the labels held, by column.
      out << ", \"labels\": null, \"labelsByColumn\": {";
      for (std::size_t k = 0; k < labels.size(); ++k)
        out << (k ? ", " : "") << '"' << labels[k].first << "\": " << labelJson(labels[k].second, enc);
      out << "}";
    } else {
      // No label table at all is [], so that one without labels comes back as it was.
      const bool table = !labels.empty() || object.text(expressionOf("labelList")).has_value();
      out << ", \"labels\": [";
      auto next = labels.begin();
      for (int32_t c = 0; table && c < columns; ++c) {
        const bool held = next != labels.end() && next->first == c;
        out << (c ? ", " : "") << (held ? labelJson((next++)->second, enc) : "null");
      }
      out << "]";
    }
  }
  out << ", \"cells\": [";
  bool first = true;
  const int64_t width = grid ? columns : 1;  // the elements of a row, or one of a list
  const auto rows = static_cast<int32_t>((count + width - 1) / width);
  for (const int32_t unit : chosen(rows, o, grid ? recordsOf(object, rows, columns) : std::vector<int32_t>())) {
    if (platform::cancelRequested()) {
      out << "\n(cancelled)\n";  // no longer JSON: the reader asked to stop
      return;
    }
    const int64_t end = std::min<int64_t>(count, (unit + 1) * width);
    for (auto i = static_cast<int32_t>(unit * width); i < end; ++i) {
      const ShownCell c = cellAt(object, i);
      out << (first ? "\n  " : ",\n  ") << "{\"index\": " << i << ", \"type\": \"" << typeName(c.facts.type) << '"';
      if (c.facts.type == TESSEL_CELL_DATA) {
        // The expressions give no data bytes; the element's own file does.
        const std::string bytes = writtenBy([&](const std::string& scratch) {
          object.act(catalogue::actionOf("saveElementToFile"), i, scratch);
          if (const auto done = object.lastOutcome(); done.code != 0)
            throw UserError("cannot read the bytes of element " + std::to_string(i) + ": " + done.text);
        });
        out << ", \"length\": " << c.facts.length << ", \"bytes\": \"" << json::base64(bytes) << '"';
      }
      if (c.facts.type == TESSEL_CELL_VALUE) out << ", \"value\": " << c.text;
      if (c.facts.type == TESSEL_CELL_STRING) out << ", " << textFields(c.text, enc);
      if (c.facts.keyType == TESSEL_CELL_DATA) {
        const std::string bytes = object.keyBytes(i).value_or("");
        out << ", \"key\": {\"type\": \"data\", \"length\": " << bytes.size() << ", \"bytes\": \""
            << json::base64(bytes) << "\"}";
      } else if (c.facts.keyType != TESSEL_CELL_NONE) {
        out << ", \"key\": {\"type\": \"" << typeName(c.facts.keyType) << "\", " << textFields(c.key, enc) << '}';
      }
      if (grid) out << ", \"row\": " << unit << ", \"selected\": " << (c.facts.rowSelected ? "true" : "false");
      out << '}';
      first = false;
    }
    object.releaseStringSpace();
  }
  out << (first ? "]}\n" : "\n]}\n");
}

}  // namespace

std::string jsonString(std::string_view text) { return jsonString(text, encoding::Encoding::utf8()); }

std::string textFields(std::string_view bytes, const encoding::Encoding& encoding) {
  std::string out = "\"text\": " + jsonString(bytes, encoding);
  if (!encoding.roundTrips(bytes)) out += ", \"bytes\": \"" + json::base64(bytes) + '"';
  return out;
}

std::string labelJson(std::string_view label, const encoding::Encoding& encoding) {
  return encoding.roundTrips(label) ? jsonString(label, encoding) : '{' + textFields(label, encoding) + '}';
}

std::string jsonString(std::string_view text, const encoding::Encoding& encoding) {
  return escaped(text, encoding, true, text.size(), Style::json);
}

std::string jsonOfBytes(std::string_view bytes) {
  return escaped(bytes, encoding::Encoding::utf8(), false, bytes.size(), Style::jsonBytes);
}

const char* typeName(int32_t type) {
  static const char* const kNames[] = {"empty", "value", "string", "data"};  // TESSEL_CELL_EMPTY onwards
  return type >= TESSEL_CELL_EMPTY && type <= TESSEL_CELL_DATA ? kNames[type] : "none";
}

Labels labelsOf(Object& object) {
  Labels out;
  for (int32_t c = object.nextLabel(0); c >= 0; c = c < INT32_MAX ? object.nextLabel(c + 1) : -1)
    out.emplace_back(c, object.text(expressionOf("label"), c).value_or(""));
  return out;
}

std::vector<std::string> labelRow(Object& object) {
  const int32_t columns = object.integer(expressionOf("boundaryX"));
  std::vector<std::string> row;
  for (auto& [c, text] : labelsOf(object)) {
    row.resize(static_cast<std::size_t>(c));
    row.push_back(std::move(text));
  }
  if (!beyondCells(columns, object.integer(expressionOf("size")))) row.resize(static_cast<std::size_t>(columns));
  object.releaseStringSpace();
  return row;
}

ShownCell cellAt(Object& object, int32_t index) {
  ShownCell c;
  if (const auto facts = object.describeCell(index)) c.facts = *facts;
  c.text = object.text(expressionOf("stringAt"), index).value_or("");
  if (c.facts.keyType != TESSEL_CELL_NONE) c.key = object.text(expressionOf("keyStringAt"), index).value_or("");
  return c;
}

std::string typedText(const ShownCell& c, const ShowOptions& options, std::size_t width) {
  ShowOptions o = options;
  o.width = width;
  o.types = o.keys = true;
  return gridText(c, o);
}

void printTable(std::ostream& out, const Table& rows, const std::string& indent) {
  std::vector<std::size_t> widths;
  const auto shownWidth = [](const std::string& s) {
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xc0) != 0x80; }));
  };
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], shownWidth(row[i]));
  }
  for (const auto& row : rows) {
    std::string line = indent;
    for (std::size_t i = 0; i < row.size(); ++i) line += row[i] + std::string(widths[i] - shownWidth(row[i]) + 2, ' ');
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}

std::string quoted(std::string_view text, const ShowOptions& options, std::size_t width) {
  return escaped(text, options.encoding, options.utf8, width, Style::quoted);
}

void show(Object& object, const std::string& title, std::ostream& out, const ShowOptions& options) {
  const int32_t count = object.integer(expressionOf("size"));
  const int32_t dimensions = object.integer(expressionOf("dimensionCount"));
  if (options.json) return showJson(object, count, dimensions, out, options, title);
  if (dimensions == 2) return showGrid(object, count, out, options, title);
  if (dimensions == 3) return showPages(object, count, out, options, title);
  out << title << ": "
      << (dimensions == 1 ? "1D" : "dimension count " + std::to_string(dimensions) + ", read as a list") << ", "
      << plural(count, "element", "elements") << '\n';
  if (count > 0) showList(object, count, out, options);
}

}  // namespace tessel::console
