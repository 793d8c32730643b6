#include "tools/console/tilemap.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "persist/byte_io.h"
#include "persist/text_lines.h"
#include "tools/console/console.h"
#include "tools/console/json_array.h"

namespace tessel::console::tilemap {

namespace {

// Ordered: a copy of a map keeps its fields in the order the map has them.
using Json = nlohmann::ordered_json;

[[noreturn]] void wrong(const std::string& where, const std::string& expected) {
  throw UserError(where + ": expected " + expected);
}

template <typename J>
J* find(J& object, const char* name) {
  const auto it = object.find(name);
  return it == object.end() ? nullptr : &*it;
}

int64_t integer(const Json* v, const std::string& where, int64_t low, int64_t high) {
  const bool fits = v != nullptr && v->is_number_integer() &&
                    (v->is_number_unsigned() ? v->get<uint64_t>() <= static_cast<uint64_t>(high)
                                             : v->get<int64_t>() >= low && v->get<int64_t>() <= high);
  if (!fits) wrong(where, "an integer from " + std::to_string(low) + " to " + std::to_string(high));
  return v->get<int64_t>();
}

std::string textOf(const Json* v, const std::string& where, const char* absent = nullptr) {
  if (v == nullptr && absent != nullptr) return absent;
  if (v == nullptr || !v->is_string()) wrong(where, "a text");
  return v->get<std::string>();
}

// How a layer writes its data: a JSON array of ids, or base64 of their
// little-endian bytes, compressed or not.
struct Encoding {
  bool base64 = false;
  Compression compression = Compression::none;
};

constexpr const char* kCompressionNames[] = {"", "zlib", "gzip"};  // in the order of Compression

Encoding encodingOf(const Json& layer, const std::string& where) {
  Encoding e;
  const std::string encoding = textOf(find(layer, "encoding"), where + ".encoding", "csv");
  if (encoding != "csv" && encoding != "base64") wrong(where + ".encoding", "\"csv\" or \"base64\"");
  e.base64 = encoding == "base64";
  const std::string compression = textOf(find(layer, "compression"), where + ".compression", "");
  const auto* named = std::find(std::begin(kCompressionNames), std::end(kCompressionNames), compression);
  if (named == std::end(kCompressionNames))
    wrong(where + ".compression", "\"\", \"zlib\" or \"gzip\" (" + compression + " is not read)");
  e.compression = static_cast<Compression>(named - std::begin(kCompressionNames));
  if (e.compression != Compression::none && !e.base64) wrong(where + ".encoding", "\"base64\" for compressed data");
  return e;
}

// Calls each(layer, where, name) for the tile layers in map order, groups
// entered; the object and image layers are told in `skipped`.
template <typename J, typename Each>
void forEachTileLayer(J& layers, const std::string& where, const std::string& group, Each& each,
                      std::vector<std::string>& skipped) {
  if (!layers.is_array()) wrong(where, "an array of layers");
  for (std::size_t k = 0; k < layers.size(); ++k) {
    J& layer = layers[k];
    const std::string at = where + "[" + std::to_string(k) + "]";
    if (!layer.is_object()) wrong(at, "a layer object");
    const std::string type = textOf(find(layer, "type"), at + ".type");
    std::string name = group;
    name += textOf(find(layer, "name"), at + ".name", "");
    if (type == "tilelayer") {
      each(layer, at, name);
    } else if (type == "group") {
      J* inner = find(layer, "layers");
      if (inner == nullptr) wrong(at + ".layers", "the group's layers");
      forEachTileLayer(*inner, at + ".layers", name + "/", each, skipped);
    } else if (type == "objectgroup" || type == "imagelayer") {
      skipped.push_back(std::string(type == "objectgroup" ? "object" : "image") + " layer \"" + name +
                        "\" skipped: only tile layers become pages");
    } else {
      wrong(at + ".type", "\"tilelayer\", \"objectgroup\", \"imagelayer\" or \"group\"");
    }
  }
}

// A region of a page that one layer's data, or one chunk's, covers.
struct Region {
  int64_t x = 0, y = 0;  // in the map's tiles
  int32_t width = 0, height = 0;
  std::size_t count() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height); }
};

Region chunkRegion(const Json& chunk, const std::string& where) {
  if (!chunk.is_object()) wrong(where, "a chunk object");
  Region r;
  r.x = integer(find(chunk, "x"), where + ".x", INT32_MIN, INT32_MAX);
  r.y = integer(find(chunk, "y"), where + ".y", INT32_MIN, INT32_MAX);
  r.width = static_cast<int32_t>(integer(find(chunk, "width"), where + ".width", 1, 65536));
  r.height = static_cast<int32_t>(integer(find(chunk, "height"), where + ".height", 1, 65536));
  return r;
}

// The shape of a map: its pages and where its tile layers' data lies.
struct Layout {
  bool infinite = false;
  int32_t width = 0, height = 0;
  int64_t originX = 0, originY = 0;
  std::size_t pages = 0;
  std::vector<std::string> names;
  std::vector<std::string> skipped;
};

const Json& layersOf(const Json& root) {
  const Json* layers = find(root, "layers");
  if (layers == nullptr) wrong("layers", "the map's layers");
  return *layers;
}

Layout layoutOf(const Json& root, std::size_t most) {
  if (!root.is_object()) wrong("the map", "an object with \"layers\", \"width\" and \"height\"");
  if (const Json* type = find(root, "type"); type != nullptr && *type != "map") wrong("type", "\"map\"");
  if (textOf(find(root, "orientation"), "orientation") != "orthogonal")
    wrong("orientation", "\"orthogonal\" (other orientations are not read)");
  Layout l;
  if (const Json* infinite = find(root, "infinite")) {
    if (!infinite->is_boolean()) wrong("infinite", "true or false");
    l.infinite = infinite->get<bool>();
  }
  if (!l.infinite) {
    l.width = static_cast<int32_t>(integer(find(root, "width"), "width", 1, INT32_MAX));
    l.height = static_cast<int32_t>(integer(find(root, "height"), "height", 1, INT32_MAX));
  }
  int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
  auto each = [&](const Json& layer, const std::string& where, const std::string& name) {
    l.names.push_back(name);
    if (!l.infinite) {
      for (const char* side : {"width", "height"}) {
        const Json* n = find(layer, side);
        const int64_t want = side[0] == 'w' ? l.width : l.height;
        if (n != nullptr && integer(n, where + "." + side, 0, INT32_MAX) != want)
          wrong(where + "." + side, "the map's " + std::string(side) + ", " + std::to_string(want));
      }
      return;
    }
    const Json* chunks = find(layer, "chunks");
    if (chunks == nullptr || !chunks->is_array()) wrong(where + ".chunks", "an infinite map's chunks");
    for (std::size_t c = 0; c < chunks->size(); ++c) {
      const Region r = chunkRegion((*chunks)[c], where + ".chunks[" + std::to_string(c) + "]");
      left = std::min(left, r.x);
      top = std::min(top, r.y);
      right = std::max(right, r.x + r.width);
      bottom = std::max(bottom, r.y + r.height);
    }
  };
  forEachTileLayer(layersOf(root), "layers", "", each, l.skipped);
  l.pages = l.names.size();
  if (l.pages == 0) wrong("layers", "a tile layer");
  if (l.infinite) {
    if (left > right) wrong("layers", "a chunk in a tile layer of the infinite map");
    if (right - left > INT32_MAX || bottom - top > INT32_MAX)
      wrong("layers", "chunks within 2147483647 tiles of each other");
    l.width = static_cast<int32_t>(right - left);
    l.height = static_cast<int32_t>(bottom - top);
    l.originX = left;
    l.originY = top;
  }
  // Checked before any tile is decoded: a few bytes of zlib may stand for gigabytes.
  const auto tiles = static_cast<double>(l.width) * static_cast<double>(l.height) * static_cast<double>(l.pages);
  if (tiles > static_cast<double>(most))
    throw UserError(std::to_string(l.pages) + (l.pages == 1 ? " tile layer of " : " tile layers of ") +
                    std::to_string(l.width) + " x " + std::to_string(l.height) +
                    " tiles are more than a file of its size may load (" + std::to_string(most) +
                    " tiles: " TESSEL_LOAD_BOUND_TEXT " bytes for each byte of the file)");
  return l;
}

Json parsed(std::string_view text) {
  try {
    return Json::parse(text.begin(), text.end());
  } catch (const Json::exception& e) {
    throw UserError(json::badJson(e.what()));
  }
}

// The `count` tile ids of a layer's or chunk's data.
std::vector<uint32_t> decode(const Json* data, const Encoding& e, std::size_t count, const std::string& where,
                             const Codec& codec) {
  std::vector<uint32_t> tiles;
  tiles.reserve(count);
  if (!e.base64) {
    if (data == nullptr || !data->is_array() || data->size() != count)
      wrong(where, "an array of " + plural(static_cast<int64_t>(count), "tile id", "tile ids") +
                       (data != nullptr && data->is_array() ? ", not " + std::to_string(data->size()) : ""));
    for (std::size_t i = 0; i < count; ++i)
      tiles.push_back(
          static_cast<uint32_t>(integer(&(*data)[i], where + "[" + std::to_string(i) + "]", 0, UINT32_MAX)));
    return tiles;
  }
  if (data == nullptr || !data->is_string()) wrong(where, "base64 text");
  std::optional<std::string> bytes = json::fromBase64(data->get_ref<const std::string&>());
  if (!bytes) wrong(where, "base64 text");
  const std::size_t size = count * 4;
  if (e.compression != Compression::none) {
    const std::string kind = kCompressionNames[static_cast<int>(e.compression)];
    if (!codec.inflate) throw UserError(where + ": " + kind + " data cannot be inflated here");
    bytes = codec.inflate(e.compression, *bytes, size);
    if (!bytes) wrong(where, kind + " data that inflates to " + std::to_string(size) + " bytes, 4 a tile");
  }
  if (bytes->size() != size) wrong(where, std::to_string(size) + " bytes of base64, 4 a tile");
  persist::ByteReader in(*bytes);
  for (std::size_t i = 0; i < count; ++i) tiles.push_back(static_cast<uint32_t>(in.i32()));
  return tiles;
}

Json encode(const std::vector<uint32_t>& tiles, Encoding& e, const std::string& where, const Codec& codec,
            std::vector<std::string>& notes) {
  if (!e.base64) return Json(tiles);
  persist::StringWriter out;
  for (const uint32_t t : tiles) out.i32(static_cast<int32_t>(t));
  std::string bytes = out.take();
  if (e.compression != Compression::none) {
    const auto packed = codec.deflate ? codec.deflate(e.compression, bytes) : std::nullopt;
    if (packed) {
      bytes = *packed;
    } else {
      notes.push_back(where + ": written as base64 without " +
                      std::string(kCompressionNames[static_cast<int>(e.compression)]) +
                      " compression, which cannot be made here; the map reads the same");
      e.compression = Compression::none;
    }
  }
  return json::base64(bytes);
}

// Where each of a layer's data and chunks goes, for read and write alike.
template <typename J, typename Each>
void forEachRegion(J& layer, const std::string& where, const Layout& l, Each each) {
  if (!l.infinite) {
    each(layer, find(layer, "data"), where + ".data", Region{0, 0, l.width, l.height});
    return;
  }
  J& chunks = *find(layer, "chunks");
  for (std::size_t c = 0; c < chunks.size(); ++c) {
    const std::string at = where + ".chunks[" + std::to_string(c) + "]";
    each(chunks[c], find(chunks[c], "data"), at + ".data", chunkRegion(chunks[c], at));
  }
}

// The layout-mapped offset of a region's row in a page.
std::size_t rowStart(const Layout& l, const Region& r, int32_t row) {
  return static_cast<std::size_t>(r.y - l.originY + row) * static_cast<std::size_t>(l.width) +
         static_cast<std::size_t>(r.x - l.originX);
}

// Lays a map out as a compact text when it came as one, else one field a line.
void print(std::string& out, const Json& v, int depth) {
  const auto items = [&](char open, char close, auto item) {
    out += open;
    if (v.empty()) {
      out += close;
      return;
    }
    const bool flat = std::none_of(v.begin(), v.end(), [](const Json& e) { return e.is_structured(); });
    const std::string inner(flat ? 0 : 2 * static_cast<std::size_t>(depth + 1), ' ');
    bool first = true;
    for (auto it = v.begin(); it != v.end(); ++it) {
      out += first ? (flat ? "" : "\n") : flat ? ", " : ",\n";
      out += inner;
      item(it);
      first = false;
    }
    if (!flat) out += "\n" + std::string(2 * static_cast<std::size_t>(depth), ' ');
    out += close;
  };
  if (v.is_object()) {
    items('{', '}', [&](auto it) {
      out += Json(it.key()).dump() + ": ";
      print(out, it.value(), depth + 1);
    });
  } else if (v.is_array()) {
    items('[', ']', [&](auto it) { print(out, *it, depth + 1); });
  } else {
    out += v.dump();
  }
}

}  // namespace

Map read(std::string_view text, std::size_t most, const Codec& codec) {
  const Json root = parsed(text);
  const Layout l = layoutOf(root, most);
  Map map;
  map.width = l.width;
  map.height = l.height;
  map.originX = l.originX;
  map.originY = l.originY;
  map.layers = l.names;
  map.notes = l.skipped;
  const std::size_t page = static_cast<std::size_t>(l.width) * static_cast<std::size_t>(l.height);
  map.tiles.assign(page * l.pages, 0);
  std::size_t p = 0;
  std::vector<std::string> skipped;
  auto each = [&](const Json& layer, const std::string& where, const std::string&) {
    const Encoding e = encodingOf(layer, where);
    forEachRegion(layer, where, l, [&](const Json&, const Json* data, const std::string& at, const Region& r) {
      const std::vector<uint32_t> tiles = decode(data, e, r.count(), at, codec);
      for (int32_t row = 0; row < r.height; ++row) {
        std::copy_n(tiles.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(row) * r.width), r.width,
                    map.tiles.begin() + static_cast<std::ptrdiff_t>(p * page + rowStart(l, r, row)));
      }
    });
    ++p;
  };
  forEachTileLayer(layersOf(root), "layers", "", each, skipped);
  return map;
}

Shape shapeOf(std::string_view text, std::size_t most) {
  const Layout l = layoutOf(parsed(text), most);
  return {l.width, l.height, l.pages};
}

std::string write(std::string_view text, int32_t width, int32_t height, std::size_t pages,
                  const std::vector<uint32_t>& tiles, const Codec& codec, std::vector<std::string>& notes) {
  Json root = parsed(text);
  const Layout l = layoutOf(root, SIZE_MAX);
  if (l.width != width || l.height != height || l.pages != pages) {
    throw UserError("the map's tile layers are " + std::to_string(l.pages) + " pages of " + std::to_string(l.width) +
                    " x " + std::to_string(l.height) + ", the array " + std::to_string(pages) + " of " +
                    std::to_string(width) + " x " + std::to_string(height) + ": the sizes must match");
  }
  const std::size_t page = static_cast<std::size_t>(l.width) * static_cast<std::size_t>(l.height);
  std::size_t p = 0;
  int64_t written = 0;
  std::vector<std::string> skipped;
  auto each = [&](Json& layer, const std::string& where, const std::string& name) {
    Encoding e = encodingOf(layer, where);
    const Compression before = e.compression;
    forEachRegion(layer, where, l, [&](Json& holder, const Json*, const std::string& at, const Region& r) {
      std::vector<uint32_t> part(r.count());
      for (int32_t row = 0; row < r.height; ++row) {
        std::copy_n(tiles.begin() + static_cast<std::ptrdiff_t>(p * page + rowStart(l, r, row)), r.width,
                    part.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(row) * r.width));
      }
      written += std::count_if(part.begin(), part.end(), [](uint32_t t) { return t != 0; });
      Encoding used = e;
      holder["data"] = encode(part, used, "layer \"" + name + "\" (" + at + ")", codec, notes);
      e.compression = used.compression;
    });
    if (e.compression != before) layer["compression"] = "";
    ++p;
  };
  forEachTileLayer(*find(root, "layers"), "layers", "", each, skipped);
  // An infinite map keeps only its chunks: what was drawn beside them has nowhere to go.
  const auto drawn = [](auto first, auto last) {
    return std::count_if(first, last, [](uint32_t t) { return t != 0; });
  };
  if (const auto lost = drawn(tiles.begin(), tiles.end()) - written; lost > 0)
    notes.push_back(plural(lost, "tile", "tiles") + " outside the map's chunks not written");
  std::string out;
  // A compact map (one line, perhaps with a line break after it) stays compact.
  if (text.substr(0, text.find_last_not_of(" \t\r\n") + 1).find('\n') == std::string_view::npos) {
    out = root.dump();
  } else {
    print(out, root, 0);
  }
  return out + "\n";
}

std::vector<Packed> packedData(std::string_view text) {
  const Json root = parsed(text);
  const Layout l = layoutOf(root, SIZE_MAX);
  std::vector<Packed> out;
  std::vector<std::string> skipped;
  auto each = [&](const Json& layer, const std::string& where, const std::string&) {
    const Encoding e = encodingOf(layer, where);
    if (e.compression == Compression::none) return;
    forEachRegion(layer, where, l, [&](const Json&, const Json* data, const std::string&, const Region& r) {
      if (data == nullptr || !data->is_string()) return;  // read() says what is wrong
      if (auto bytes = json::fromBase64(data->get_ref<const std::string&>()))
        out.push_back({e.compression, std::move(*bytes), r.count() * 4});
    });
  };
  forEachTileLayer(layersOf(root), "layers", "", each, skipped);
  return out;
}

bool looksLikeMap(std::string_view head) {
  head = persist::withoutBom(head);
  const std::size_t open = head.find_first_not_of(" \t\r\n");
  if (open == std::string_view::npos || head[open] != '{') return false;
  // Fields the map editors write before or beside the layers; an array's JSON
  // has none of them, though its texts may hold their names.
  for (const std::string_view field : {"\"orientation\"", "\"infinite\"", "\"tilewidth\"", "\"nextlayerid\""}) {
    for (std::size_t at = head.find(field); at != std::string_view::npos; at = head.find(field, at + 1)) {
      const std::size_t next = head.find_first_not_of(" \t\r\n", at + field.size());
      if (next != std::string_view::npos && head[next] == ':') return true;
    }
  }
  return false;
}

}  // namespace tessel::console::tilemap
