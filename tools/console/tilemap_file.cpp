// Tile maps as arrays, through the module: a map becomes a native array file
// that the module's own load reads (so the load follows its rules), and a
// save reads the array through its expressions and writes a copy of the
// template map with the pages in its tile layers.
#include <filesystem>

#include "tools/console/console.h"
#include "tools/console/json_array.h"
#include "tools/console/tilemap.h"

namespace tessel::console {

namespace {

using catalogue::actionOf;
using catalogue::expressionOf;

// What a tile costs while a map loads: its id, the value made of it, its two
// records in the native file and in the module's read of that file, and its cell.
constexpr int64_t kBytesPerTile = 4 + 4 + 2 * 12 + TESSEL_CELL_BYTES;

// The most tiles a map file of `bytes` may hold: the memory rule of loads.
std::size_t mostTiles(std::size_t bytes) {
  const int64_t budget =
      (int64_t{TESSEL_LOAD_ALLOWANCE_MIB} << 20) + TESSEL_LOAD_BYTES_PER_FILE_BYTE * static_cast<int64_t>(bytes);
  return static_cast<std::size_t>(budget / kBytesPerTile);
}

}  // namespace

hostkit::RunObject::Outcome loadTileMap(hostkit::RunObject& object, const std::string& path, const Settings& settings,
                                        bool append, std::vector<std::string>& warnings) {
  const std::string text = readAll(path);
  std::string image;
  try {
    tilemap::Map map = tilemap::read(text, mostTiles(text.size()), settings.codec);
    const std::string about = path + ": ";
    for (const std::string& note : map.notes) warnings.push_back(about + note);
    // The flip flags are the id's top bits: kept as they are, the value may be negative.
    std::vector<int32_t> values(map.tiles.begin(), map.tiles.end());
    map.tiles = {};
    image = json::valueImage(3, {map.width, map.height, 0}, values);
  } catch (const UserError& e) {
    throw UserError(path + ": " + e.what() + "; nothing is loaded");
  }
  return actOnBytes(object, actionOf(append ? "appendFromFile" : "loadFromFile"), image, path);
}

void saveTileMap(hostkit::RunObject& object, const std::string& path, const Settings& settings,
                 std::vector<std::string>& warnings) {
  if (!settings.templateMap) throw UserError("a tile map is written into a copy of a map: name it with --template MAP");
  const std::string& from = *settings.templateMap;
  if (isReadOnly(path)) throw UserError("the save failed: " + path + " is read-only");
  const std::string map = readAll(from);
  const int32_t dims = object.integer(expressionOf("dimensionCount"));
  const int32_t x = object.integer(expressionOf("boundaryX"));
  const int32_t y = object.integer(expressionOf("boundaryY"));
  const int32_t size = object.integer(expressionOf("size"));
  if (dims != 3 || x <= 0 || y <= 0)
    throw UserError(
        "a tile map is written from a 3D array (X the map's width, Y its height, a page a tile layer), "
        "not from a " +
        std::to_string(dims) + "D one; " + path + " is not written");
  const int64_t page = int64_t{x} * y;
  const auto pages = static_cast<std::size_t>((size + page - 1) / page);
  // The shapes first: the array's declared pages may be far larger than what
  // it holds; a map too large to load is too large to fill.
  tilemap::Shape shape;
  try {
    shape = tilemap::shapeOf(map, mostTiles(map.size()));
  } catch (const UserError& e) {
    throw UserError(from + ": " + e.what() + "; " + path + " is not written");
  }
  if (shape.width != x || shape.height != y || shape.pages != pages) {
    throw UserError("the map's tile layers are " + plural(static_cast<int64_t>(shape.pages), "page", "pages") + " of " +
                    std::to_string(shape.width) + " x " + std::to_string(shape.height) + ", the array " +
                    plural(static_cast<int64_t>(pages), "page", "pages") + " of " + std::to_string(x) + " x " +
                    std::to_string(y) + ": the sizes must match; " + path + " is not written");
  }
  std::vector<uint32_t> tiles;
  tiles.reserve(pages * static_cast<std::size_t>(page));
  int32_t texts = 0;
  for (int64_t i = 0; i < static_cast<int64_t>(pages) * page; ++i) {
    const auto at = static_cast<int32_t>(i);
    const auto facts = at < size ? object.describeCell(at) : std::nullopt;
    const int32_t type = facts ? facts->type : TESSEL_CELL_EMPTY;
    if (type == TESSEL_CELL_DATA)
      throw UserError("element " + std::to_string(at) + " holds data, which no tile can; " + path + " is not written");
    texts += type == TESSEL_CELL_STRING;
    tiles.push_back(type == TESSEL_CELL_EMPTY ? 0U
                                              : static_cast<uint32_t>(object.integer(expressionOf("valueAt"), at)));
  }
  std::vector<std::string> notes;
  std::string text;
  try {
    text = tilemap::write(map, x, y, pages, tiles, settings.codec, notes);
  } catch (const UserError& e) {
    throw UserError(from + ": " + e.what() + "; " + path + " is not written");
  }
  replaceFile(path, text);
  if (texts > 0)
    warnings.push_back(path + " (tilemap): " + plural(texts, "text", "texts") + " written as the ids they read as");
  const std::string about = path + " (tilemap): ";
  for (const std::string& note : notes) warnings.push_back(about + note);
}

bool isTileMapFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(platform::filePath(path), error) && tilemap::looksLikeMap(readAll(path, 512));
}

}  // namespace tessel::console
