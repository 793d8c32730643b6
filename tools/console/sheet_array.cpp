#include <algorithm>
#include <filesystem>

#include "persist/loading.h"
#include "tools/console/console.h"
#include "tools/console/json_array.h"
#include "tools/console/sheet.h"

namespace tessel::console {

namespace {

using catalogue::actionOf;
using catalogue::expressionOf;
using Outcome = hostkit::RunObject::Outcome;

// The rows and columns a save writes: a 2D or 3D array as rows of X cells, page
// after page, a list (or an array without columns) as one row, as the module's CSV does.
int32_t columnsOf(hostkit::RunObject& object, int32_t size) {
  const int32_t dimensions = object.integer(expressionOf("dimensionCount"));
  const int32_t x = dimensions >= 2 ? object.integer(expressionOf("boundaryX")) : 0;
  return x >= 1 ? x : std::max(size, 1);
}

// What a sheet cannot keep of the array, counted: "3 keys dropped, ...".
std::string losses(hostkit::RunObject& object, int32_t size, bool header) {
  int keys = 0, data = 0, values = 0;
  for (int32_t i = 0; i < size; ++i) {
    const ShownCell c = cellAt(object, i);
    keys += hasKey(c);
    data += c.facts.type == TESSEL_CELL_DATA;
    values += c.facts.type == TESSEL_CELL_VALUE;
  }
  int labels = 0;
  const int32_t dimensions = object.integer(expressionOf("dimensionCount"));
  for (const auto& [c, text] : header || dimensions != 2 ? Labels() : labelsOf(object)) labels += !text.empty();
  std::string out;
  const auto add = [&out](int n, const char* one, const char* many) {
    if (n > 0) out += (out.empty() ? "" : ", ") + plural(n, one, many);
  };
  add(keys, "key dropped", "keys dropped");
  add(labels, "label dropped (--header writes them as a first row)",
      "labels dropped (--header writes them as a first row)");
  add(values, "value becomes a text", "values become texts");
  add(data, "data cell written empty", "data cells written empty");
  if (dimensions == 3) out += std::string(out.empty() ? "" : ", ") + "the 3D shape flattened";
  return out;
}

// "row 3, column 2", as a spreadsheet counts them (a header is row 1).
std::string place(std::size_t row, std::size_t column) {
  return "row " + std::to_string(row + 1) + ", column " + std::to_string(column + 1);
}

// A sheet's UTF-8 into the code page; under auto it stays, told once when a
// game in a single-byte code page would show it otherwise.
void intoCodePage(std::vector<sheet::Row>& rows, const encoding::Encoding& e, const std::string& path,
                  std::vector<std::string>& warnings) {
  if (e.kind() != encoding::Kind::codePage) {
    const auto beyondAscii = [](const std::string& f) {
      return std::any_of(f.begin(), f.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) &&
             json::isUtf8(f);
    };
    const bool any = std::any_of(rows.begin(), rows.end(), [&](const sheet::Row& row) {
      return std::any_of(row.begin(), row.end(), beyondAscii);
    });
    if (any && e.kind() == encoding::Kind::automatic)
      warnings.push_back(path +
                         ": texts beyond ASCII are kept as UTF-8, which a game in a single-byte code page "
                         "shows wrongly; --encoding windows-" +
                         std::to_string(e.codePage()) + " (or the game's code page) converts them");
    return;
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      encoding::Encoded bytes = e.encode(rows[r][c]);
      if (!bytes.ok)
        throw UserError(path + ": " + place(r, c) + ": " + encoding::describe(bytes.unheld) + " is not in " + e.name() +
                        "; nothing is loaded");
      rows[r][c] = std::move(bytes.bytes);
    }
  }
}

// The texts out of the code page into UTF-8 for the sheet.
void outOfCodePage(std::vector<sheet::Row>& rows, const encoding::Encoding& e, const std::string& path) {
  if (e.kind() != encoding::Kind::codePage) return;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      const std::string& bytes = rows[r][c];
      auto text = e.decode(bytes);
      if (text) {
        rows[r][c] = std::move(*text);
        continue;
      }
      std::size_t at = 0;
      for (char32_t ignored = 0; e.next(bytes, at, false, ignored) > 0;) ++at;
      static const char hex[] = "0123456789abcdef";
      const auto u = static_cast<unsigned char>(bytes[at]);
      throw UserError("the save failed: " + path + ": " + place(r, c) + ": the byte \\x" + hex[u >> 4] + hex[u & 15] +
                      " stands for no character in " + e.name() + "; nothing is written");
    }
  }
}

}  // namespace

Outcome loadSheet(hostkit::RunObject& object, const std::string& path, bool header, const SheetOptions& options,
                  const encoding::Encoding& encoding, std::vector<std::string>& warnings) {
  std::error_code error;
  if (std::filesystem::is_directory(platform::filePath(path), error))
    throw UserError("cannot read " + path + ": it is a directory");
  const std::string bytes = readAll(path);
  const sheet::Text text = sheet::parse(bytes, options.separator);
  std::vector<sheet::Row> rows = text.rows;
  intoCodePage(rows, encoding, path, warnings);
  sheet::Row labels;
  if (header && !rows.empty()) {
    labels = std::move(rows.front());
    rows.erase(rows.begin());
  }
  std::size_t width = labels.size();
  for (const auto& row : rows) width = std::max(width, row.size());
  // The module's memory rule for loads: short rows filled up to the widest
  // may ask for cells out of proportion to the file, refused before any is made.
  const int64_t cells = static_cast<int64_t>(width) * static_cast<int64_t>(rows.size());
  if (cells > persist::loadCellBudget(bytes.size()))
    return {TESSEL_OUTCOME_TOO_LARGE,
            "too large: " + path + ": too large for the array: " + std::to_string(cells) + " cells"};
  object.act(actionOf("deleteAll"));
  object.act(actionOf("setDimensionCount"), 2);
  object.act(actionOf("setBoundary"), 1, static_cast<int32_t>(width));  // 0 leaves it: the module ignores it
  // Every field becomes a string, as the module's CSV makes them; short rows are filled up.
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < width; ++c) object.act(actionOf("appendString"), c < row.size() ? row[c] : "");
  }
  for (std::size_t c = 0; c < labels.size(); ++c) {
    if (!labels[c].empty()) object.act(actionOf("setLabel"), labels[c], static_cast<int32_t>(c));
  }
  const auto hasZero = [](const sheet::Row& row) {
    return std::any_of(row.begin(), row.end(), [](const std::string& f) { return f.find('\0') != std::string::npos; });
  };
  if (std::any_of(rows.begin(), rows.end(), hasZero) || hasZero(labels))
    warnings.push_back(path + ": a field holds a zero byte; the module's texts end there");
  if (text.problem.empty()) return {0, "ok"};
  return {TESSEL_OUTCOME_DAMAGED, "damaged: " + path + ": " + text.problem + "; the rows before it were read"};
}

void saveSheet(hostkit::RunObject& object, const std::string& path, bool header, const SheetOptions& options,
               const encoding::Encoding& encoding, std::vector<std::string>& warnings) {
  const int32_t size = object.integer(expressionOf("size"));
  const int32_t columns = columnsOf(object, size);
  std::vector<sheet::Row> rows;
  if (header) {
    rows.push_back(labelRow(object));
    if (!beyondCells(columns, size)) rows.back().resize(static_cast<std::size_t>(columns));
  }
  for (int32_t i = 0; i < size; ++i) {
    if (i % columns == 0) rows.emplace_back();
    rows.back().push_back(object.text(expressionOf("stringAt"), i).value_or(""));
  }
  // The last row filled up, as show draws it, unless the columns are only declared.
  if (size > 0 && !beyondCells(columns, size)) rows.back().resize(static_cast<std::size_t>(columns));
  const std::string lost = losses(object, size, header);
  object.releaseStringSpace();
  outOfCodePage(rows, encoding, path);
  sheet::WriteOptions write;
  write.separator = options.separator.value_or(',');
  write.bom = options.bom;
  // A read-only file is never replaced from here, as for the module's formats.
  if (isReadOnly(path)) throw UserError("the save failed: " + path + " is read-only");
  replaceFile(path, sheet::write(rows, write));
  if (!lost.empty()) warnings.push_back(path + " (sheet): " + lost);
}

Outcome loadArray(hostkit::RunObject& object, Format format, const std::string& path, const Settings& settings,
                  std::vector<std::string>& warnings) {
  if (format == Format::sheet)
    return loadSheet(object, path, settings.csvHeader, settings.sheet, settings.show.encoding, warnings);
  if (format == Format::json) return loadJson(object, path, false);
  if (format == Format::tilemap) return loadTileMap(object, path, settings, false, warnings);
  Outcome loaded;
  runFileAction(object, {format, FileAction::Kind::load}, path, settings.csvHeader, warnings, &loaded);
  return loaded;
}

void saveArray(hostkit::RunObject& object, Format format, const std::string& path, const Settings& settings,
               std::vector<std::string>& warnings) {
  if (format == Format::sheet)
    return saveSheet(object, path, settings.csvHeader, settings.sheet, settings.show.encoding, warnings);
  if (format == Format::json) return saveJson(object, path, path, settings.show.encoding);
  if (format == Format::tilemap) return saveTileMap(object, path, settings, warnings);
  runFileAction(object, {format, FileAction::Kind::save}, path, settings.csvHeader, warnings);
}

}  // namespace tessel::console
