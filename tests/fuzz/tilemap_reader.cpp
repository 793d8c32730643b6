// The tile map reader on any text: a map either reads into pages of the size
// it declares, within the memory rule of loads, or is refused with a message;
// the shape read without the data agrees; and a map that reads is written
// back into its own copy and reads again as the same tiles. Past the first
// read, a refusal escapes and aborts, which the fuzzer reports with the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "tools/console/console.h"
#include "tools/console/tilemap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace tessel::console;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static const tilemap::Codec codec = tilemap::zlibCodec();
  (void)tilemap::looksLikeMap(text);
  // A small budget, so that the fuzzer meets the refusal of maps too large for their file.
  const std::size_t most = 4096 + 64 * size;
  tilemap::Map map;
  try {
    map = tilemap::read(text, most, codec);
  } catch (const UserError&) {
    return 0;
  }
  const std::size_t page = static_cast<std::size_t>(map.width) * static_cast<std::size_t>(map.height);
  TESSEL_FUZZ_CHECK(map.width > 0 && map.height > 0 && !map.layers.empty());
  TESSEL_FUZZ_CHECK(map.tiles.size() == page * map.layers.size() && map.tiles.size() <= most);
  const tilemap::Shape shape = tilemap::shapeOf(text, most);
  TESSEL_FUZZ_CHECK(shape.width == map.width && shape.height == map.height && shape.pages == map.layers.size());
  std::vector<std::string> notes;
  const std::string copy = tilemap::write(text, map.width, map.height, map.layers.size(), map.tiles, codec, notes);
  // zlib compresses here, and the tiles outside an infinite map's chunks were read as none.
  TESSEL_FUZZ_CHECK(notes.empty());
  const tilemap::Map again = tilemap::read(copy, SIZE_MAX, codec);
  TESSEL_FUZZ_CHECK(again.width == map.width && again.height == map.height && again.originX == map.originX &&
                    again.originY == map.originY);
  TESSEL_FUZZ_CHECK(again.layers == map.layers && again.tiles == map.tiles && again.notes == map.notes);
  return 0;
}
