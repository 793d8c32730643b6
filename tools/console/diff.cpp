// tessel diff A B: two array files compared as arrays, cell by cell at the
// same coordinates, whatever their formats; only the differences are printed,
// as a unified diff prints lines.
#include <algorithm>
#include <array>
#include <map>
#include <ostream>
#include <tuple>

#include "tools/console/console.h"
#include "tools/console/json_array.h"

namespace tessel::console {

namespace {

using catalogue::expressionOf;

// How a side's indexes map to coordinates: a list's element i is (i, 0, 0).
struct Shape {
  int32_t dimensions = 0, x = 0, y = 0, size = 0;

  bool grid() const { return dimensions >= 2 && x >= 1; }
  bool paged() const { return dimensions == 3 && x >= 1 && y >= 1; }
  bool sameLayout(const Shape& o) const {
    return grid() == o.grid() && paged() == o.paged() && (!grid() || x == o.x) && (!paged() || y == o.y);
  }
  std::array<int32_t, 3> at(int32_t i) const {  // page, row, column: the order cells are compared in
    // A page of X x Y cells may pass 32 bits (65536 x 65536).
    if (paged()) return {static_cast<int32_t>(i / (int64_t{x} * y)), i / x % y, i % x};
    if (grid()) return {0, i / x, i % x};
    return {0, 0, i};
  }
  std::string describe() const {
    std::string out = std::to_string(dimensions) + "D, ";
    if (paged()) {
      out += "pages of " + std::to_string(x) + " x " + std::to_string(y) + ", ";
    } else if (grid()) {
      out += plural(x, "column", "columns") + ", ";
    }
    return out + plural(size, "element", "elements");
  }
  bool operator==(const Shape& o) const {
    return dimensions == o.dimensions && size == o.size && (dimensions < 2 || x == o.x) && (dimensions < 3 || y == o.y);
  }
};

struct Side {
  std::string path;
  Format format = Format::native;
  std::unique_ptr<hostkit::RunObject> object;
  Shape shape;
  Labels labels;  // of a 2D array's columns, those held
};

// --from names the format of the files that can be of it: a native file
// beside a sheet is read as native.
Format formatOf(const std::string& path, std::optional<Format> from) {
  try {
    return inputFormat(path, from);
  } catch (const UserError&) {
    if (!from) throw;
  }
  return inputFormat(path, std::nullopt);
}

Side load(hostkit::Module& module, const Settings& settings, std::optional<Format> from, const std::string& path,
          std::ostream& err) {
  Side s;
  s.path = path;
  s.format = formatOf(path, from);
  s.object = std::make_unique<hostkit::RunObject>(module, hostkit::makeSetup(settings.setup));
  std::vector<std::string> warnings;
  const auto outcome = loadArray(*s.object, s.format, path, settings, warnings);
  for (const auto& w : warnings) err << "tessel: warning: " << w << '\n';
  if (outcome.code != 0) throw UserError("cannot compare " + path + ": " + outcome.text);
  hostkit::RunObject& o = *s.object;
  s.shape.size = o.integer(expressionOf("size"));
  s.shape.dimensions = o.integer(expressionOf("dimensionCount"));
  if (s.shape.dimensions >= 2) s.shape.x = o.integer(expressionOf("boundaryX"));
  if (s.shape.dimensions >= 3) s.shape.y = o.integer(expressionOf("boundaryY"));
  if (s.shape.dimensions == 2) s.labels = labelsOf(o);
  o.releaseStringSpace();
  return s;
}

// The cells at one coordinate: each side's index, -1 where it has none.
struct Pair {
  std::array<int32_t, 3> at;
  int32_t a = -1, b = -1;
};

// Every coordinate either side has, in page, row, column order. A list has
// no rows of its own: it is read in the layout of a grid beside it.
std::vector<Pair> coordinates(Shape a, Shape b) {
  const auto layOut = [](Shape& list, const Shape& grid) {
    if (list.grid() || !grid.grid()) return;
    list.dimensions = grid.dimensions;
    list.x = grid.x;
    list.y = grid.y;
  };
  layOut(a, b);
  layOut(b, a);
  std::vector<Pair> out;
  if (a.sameLayout(b)) {
    for (int32_t i = 0; i < std::max(a.size, b.size); ++i)
      out.push_back({(i < a.size ? a : b).at(i), i < a.size ? i : -1, i < b.size ? i : -1});
    return out;
  }
  std::map<std::array<int32_t, 3>, std::pair<int32_t, int32_t>> cells;
  for (int32_t i = 0; i < a.size; ++i) cells.emplace(a.at(i), std::make_pair(i, -1));
  for (int32_t i = 0; i < b.size; ++i) cells.emplace(b.at(i), std::make_pair(-1, -1)).first->second.second = i;
  for (const auto& [at, indexes] : cells) out.push_back({at, indexes.first, indexes.second});
  return out;
}

// A cell as compared: a key that says nothing is no key, as native and INI
// loads give every element one.
// A data cell's text is its bytes, which no expression gives.
ShownCell compared(hostkit::RunObject& object, int32_t index) {
  ShownCell c = cellAt(object, index);
  if (!hasKey(c)) c.facts.keyType = TESSEL_CELL_NONE;
  if (c.facts.type == TESSEL_CELL_DATA) c.text = object.cellBytes(index).value_or("");
  return c;
}

bool sameCell(const ShownCell& a, const ShownCell& b) {
  return a.facts.type == b.facts.type && a.facts.keyType == b.facts.keyType && a.text == b.text &&
         (a.facts.keyType == TESSEL_CELL_NONE || a.key == b.key);
}

// As a line of the diff shows a cell: a data cell with its first bytes, so
// that two of one size can be told apart.
std::string cellLine(const ShownCell& c, const ShowOptions& shown) {
  std::string out = typedText(c, shown);
  if (c.facts.type != TESSEL_CELL_DATA) return out;
  static const char hex[] = "0123456789abcdef";
  constexpr std::size_t kShown = 16;
  std::string bytes;
  for (std::size_t k = 0; k < std::min(c.text.size(), kShown); ++k) {
    const auto u = static_cast<unsigned char>(c.text[k]);
    bytes += {k ? ' ' : '(', hex[u >> 4], hex[u & 15]};
  }
  if (!bytes.empty()) bytes += c.text.size() > kShown ? " ...)" : ")";
  return out + (bytes.empty() ? "" : " " + bytes);
}

// As show --json writes a cell: texts and keys in the output's encoding, with
// their bytes where the text alone would not give them back.
std::string cellJson(const ShownCell& c, int32_t index, const encoding::Encoding& enc) {
  std::string out = "{\"index\": " + std::to_string(index) + ", \"type\": \"" + typeName(c.facts.type) + '"';
  if (c.facts.type == TESSEL_CELL_DATA)
    out += ", \"length\": " + std::to_string(c.facts.length) + ", \"bytes\": \"" + json::base64(c.text) + '"';
  if (c.facts.type == TESSEL_CELL_VALUE) out += ", \"value\": " + c.text;
  if (c.facts.type == TESSEL_CELL_STRING) out += ", " + textFields(c.text, enc);
  if (c.facts.keyType != TESSEL_CELL_NONE)
    out += ", \"key\": {\"type\": \"" + std::string(typeName(c.facts.keyType)) + "\", " + textFields(c.key, enc) + '}';
  return out + '}';
}

std::string sideJson(const Side& s) {
  std::string out = "{\"path\": " + jsonString(s.path) + ", \"format\": \"" + formatName(s.format) +
                    "\", \"dimensions\": " + std::to_string(s.shape.dimensions) +
                    ", \"size\": " + std::to_string(s.shape.size);
  if (s.shape.dimensions >= 2) out += ", \"columns\": " + std::to_string(s.shape.x);
  if (s.shape.dimensions >= 3) out += ", \"rowsPerPage\": " + std::to_string(s.shape.y);
  return out + '}';
}

std::string labelText(const std::optional<std::string>& label, const ShowOptions& shown) {
  return label ? quoted(*label, shown) : "(no label)";
}

// The columns either side labels, in order, with each side's label there.
std::vector<std::tuple<int32_t, std::optional<std::string>, std::optional<std::string>>> labelPairs(const Labels& a,
                                                                                                    const Labels& b) {
  std::vector<std::tuple<int32_t, std::optional<std::string>, std::optional<std::string>>> out;
  auto ia = a.begin(), ib = b.begin();
  while (ia != a.end() || ib != b.end()) {
    const int32_t c = ib == b.end() || (ia != a.end() && ia->first < ib->first) ? ia->first : ib->first;
    std::optional<std::string> la, lb;
    if (ia != a.end() && ia->first == c) la = (ia++)->second;
    if (ib != b.end() && ib->first == c) lb = (ib++)->second;
    out.emplace_back(c, std::move(la), std::move(lb));
  }
  return out;
}

int compare(Side& a, Side& b, const Settings& settings, std::ostream& out) {
  const bool json = settings.show.json;
  const ShowOptions& shown = settings.show;
  const bool rows = a.shape.grid() || b.shape.grid();
  const bool pages = a.shape.paged() || b.shape.paged();
  const bool shapeDiffers = !(a.shape == b.shape);
  std::string labels, cells;  // the JSON arrays' items, or the text's hunks
  int labelsDiffering = 0, cellsDiffering = 0, rowsDiffering = 0;
  for (const auto& [c, la, lb] : labelPairs(a.labels, b.labels)) {
    if (la == lb) continue;
    ++labelsDiffering;
    if (json) {
      labels += std::string(labels.empty() ? "\n    " : ",\n    ") + "{\"column\": " + std::to_string(c) +
                ", \"a\": " + (la ? labelJson(*la, shown.encoding) : "null") +
                ", \"b\": " + (lb ? labelJson(*lb, shown.encoding) : "null") + "}";
    } else {
      labels += "-column " + std::to_string(c) + ": " + labelText(la, shown) + "\n+column " + std::to_string(c) + ": " +
                labelText(lb, shown) + "\n";
    }
  }
  std::array<int32_t, 2> hunk = {-1, -1};  // page and row of the last hunk header
  for (const Pair& p : coordinates(a.shape, b.shape)) {
    if (platform::cancelRequested()) break;
    const std::optional<ShownCell> ca = p.a >= 0 ? std::optional<ShownCell>(compared(*a.object, p.a)) : std::nullopt;
    const std::optional<ShownCell> cb = p.b >= 0 ? std::optional<ShownCell>(compared(*b.object, p.b)) : std::nullopt;
    if (ca && cb && sameCell(*ca, *cb)) continue;
    ++cellsDiffering;
    if (json) {
      cells += std::string(cells.empty() ? "\n    " : ",\n    ") + "{\"x\": " + std::to_string(p.at[2]) +
               ", \"y\": " + std::to_string(p.at[1]) + ", \"page\": " + std::to_string(p.at[0]) +
               ", \"a\": " + (ca ? cellJson(*ca, p.a, shown.encoding) : "null") +
               ", \"b\": " + (cb ? cellJson(*cb, p.b, shown.encoding) : "null") + "}";
      continue;
    }
    if (hunk != std::array<int32_t, 2>{p.at[0], p.at[1]}) {
      hunk = {p.at[0], p.at[1]};
      ++rowsDiffering;
      cells += !rows   ? std::string("@@ elements @@\n")
               : pages ? "@@ page " + std::to_string(p.at[0]) + ", row " + std::to_string(p.at[1]) + " @@\n"
                       : "@@ row " + std::to_string(p.at[1]) + " @@\n";
    }
    const std::string place = rows ? "x " + std::to_string(p.at[2]) : "[" + std::to_string(p.at[2]) + "]";
    if (ca) cells += "-" + place + ": " + cellLine(*ca, shown) + "\n";
    if (cb) cells += "+" + place + ": " + cellLine(*cb, shown) + "\n";
  }
  a.object->releaseStringSpace();
  b.object->releaseStringSpace();
  const bool same = !shapeDiffers && labelsDiffering == 0 && cellsDiffering == 0;
  if (json) {
    out << "{\"encoding\": \"" << shown.encoding.textName() << "\",\n \"a\": " << sideJson(a)
        << ",\n \"b\": " << sideJson(b) << ",\n \"same\": " << (same ? "true" : "false")
        << ", \"shapeDiffers\": " << (shapeDiffers ? "true" : "false") << ",\n \"labels\": [" << labels
        << (labels.empty() ? "]" : "\n  ]") << ",\n \"cells\": [" << cells << (cells.empty() ? "]" : "\n  ]") << "}\n";
    return same ? 0 : 1;
  }
  if (same) {
    out << a.path << " and " << b.path << " hold the same array: " << a.shape.describe() << '\n';
    return 0;
  }
  out << "--- " << a.path << " (" << formatName(a.format) << ")\n+++ " << b.path << " (" << formatName(b.format)
      << ")\n";
  if (shapeDiffers) out << "@@ shape @@\n-" << a.shape.describe() << "\n+" << b.shape.describe() << '\n';
  if (!labels.empty()) out << "@@ labels @@\n" << labels;
  out << cells;
  std::string summary;
  if (cellsDiffering > 0) {
    summary = plural(cellsDiffering, "cell differs", "cells differ");
    if (rows)
      summary += " in " + plural(rowsDiffering, pages ? "row of a page" : "row", pages ? "rows of pages" : "rows");
  }
  if (labelsDiffering > 0)
    summary += (summary.empty() ? "" : ", ") + plural(labelsDiffering, "label differs", "labels differ");
  if (shapeDiffers) summary += std::string(summary.empty() ? "" : ", ") + "the shape differs";
  out << summary << '\n';
  return 1;
}

}  // namespace

int diffFiles(hostkit::Module& module, const Settings& settings, std::optional<Format> from, const std::string& a,
              const std::string& b, std::ostream& out, std::ostream& err) {
  constexpr int kTrouble = 2;
  try {
    Side left = load(module, settings, from, a, err);
    Side right = load(module, settings, from, b, err);
    return compare(left, right, settings, out);
  } catch (const std::exception& e) {
    err << "tessel: " << e.what() << '\n';
    return kTrouble;
  }
}

}  // namespace tessel::console
