// Tile maps in the JSON map format of tile map editors (.tmj, .json), read
// into a 3D array and written back into a copy of a map: X the map's width,
// Y its height, one page a tile layer in the map's order (those in groups
// included), each cell the layer's global tile id with its flip flags. This
// part only reads and writes the map's text; the module builds the array
// from a native file made of it (tilemap_file.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::console::tilemap {

enum class Compression : uint8_t { none, zlib, gzip };

// What compresses a layer's base64 bytes: the console's is zlib; the page
// inflates with the browser and cannot deflate.
struct Codec {
  // The bytes `packed` inflates to, when they inflate to exactly `size` bytes.
  std::function<std::optional<std::string>(Compression, std::string_view packed, std::size_t size)> inflate;
  // The bytes compressed, none where the codec cannot compress.
  std::function<std::optional<std::string>(Compression, std::string_view bytes)> deflate;
};

// zlib's (tilemap_zlib.cpp, in the console only).
Codec zlibCodec();

struct Map {
  int32_t width = 0, height = 0;     // of a page: the map's, or the bounds of an infinite map's chunks
  int64_t originX = 0, originY = 0;  // the tile at column 0, row 0 (not 0 for an infinite map only)
  std::vector<std::string> layers;   // the tile layers' names, a page each
  std::vector<uint32_t> tiles;       // page after page, row after row
  std::vector<std::string> notes;    // the layers skipped, by name
};

// The map a text holds; `most` tiles at most (the memory rule of loads, which
// the caller works out). Throws UserError naming the field that is wrong
// ("layers[2].data") and what was expected there.
Map read(std::string_view text, std::size_t most, const Codec& codec);

// The size of a map's pages and their number, its data not read; read()'s
// checks but those of the data.
struct Shape {
  int32_t width = 0, height = 0;
  std::size_t pages = 0;
};
Shape shapeOf(std::string_view text, std::size_t most);

// The map text with its tile layers' data replaced by `tiles` (in the shape
// read() gives), each in the encoding and compression of the layer it
// replaces; where the codec cannot compress, base64 uncompressed, said in
// `notes`. Throws UserError when the shapes differ or the map is bad.
std::string write(std::string_view map, int32_t width, int32_t height, std::size_t pages,
                  const std::vector<uint32_t>& tiles, const Codec& codec, std::vector<std::string>& notes);

// The compressed data of a map's tile layers, each with the size it must
// inflate to, for a reader that inflates them beforehand (the page).
struct Packed {
  Compression compression;
  std::string bytes;
  std::size_t size;
};
std::vector<Packed> packedData(std::string_view text);

// The start of a map's text: "{" first and a field only maps have near it.
bool looksLikeMap(std::string_view head);

}  // namespace tessel::console::tilemap
