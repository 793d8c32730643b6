// Tile maps through the tessel program: random maps in every encoding, with
// groups, skipped layers and infinite chunks, read into the array a plain
// model of the mapping gives, and written back into their own copies with
// the same layer data; shapes that differ, and maps past the memory rule,
// write nothing.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <random>

#include "tools/console/json_array.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

std::string read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A layer's data as a map editor writes it: ids, or base64 of their bytes, plain, zlib or gzip.
enum class Coding { csv, base64, zlib, gzip };

Json encoded(const std::vector<uint32_t>& tiles, Coding c) {
  if (c == Coding::csv) return Json(tiles);
  std::string bytes;
  for (const uint32_t t : tiles)
    for (int k = 0; k < 4; ++k) bytes += static_cast<char>(t >> (8 * k));
  if (c != Coding::base64) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, c == Coding::gzip ? 31 : 15, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, bytes.size()) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(bytes.data());
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    bytes = out;
  }
  return tessel::console::json::base64(bytes);
}

std::vector<uint32_t> decoded(const Json& data, const std::string& compression) {
  if (data.is_array()) return data.get<std::vector<uint32_t>>();
  std::string bytes = *tessel::console::json::fromBase64(data.get<std::string>());
  if (!compression.empty()) {
    std::string out(1 << 20, '\0');
    z_stream z{};
    inflateInit2(&z, compression == "gzip" ? 31 : 15);
    z.next_in = reinterpret_cast<Bytef*>(bytes.data());
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    inflateEnd(&z);
    bytes = out;
  }
  std::vector<uint32_t> tiles;
  for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    uint32_t t = 0;
    for (int k = 3; k >= 0; --k) t = t << 8 | static_cast<unsigned char>(bytes[i + k]);
    tiles.push_back(t);
  }
  return tiles;
}

// A random map and the pages the mapping makes of it: the tile at column x,
// row y of page p is pages[p][y * width + x], the ids with their flip flags.
struct Model {  // NOLINT(bugprone-exception-escape): the map library checks its invariants on a move
  Json map;
  int32_t width = 0, height = 0;
  std::vector<std::vector<uint32_t>> pages;
};

uint32_t randomTile(std::mt19937& random) {
  if (random() % 3 == 0) return 0;
  return (1 + random() % 40) | (random() % 4 == 0 ? (random() % 8) << 29 : 0);
}

Model randomMap(std::mt19937& random) {
  Model m;
  const bool infinite = random() % 3 == 0;
  const std::size_t layers = 1 + random() % 3;
  Json list = Json::array();
  // Infinite: chunks of 4 x 2 on a grid, anywhere from -8 to 8, some layers without some.
  std::vector<std::pair<int, int>> chunks;
  if (infinite) {
    for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n)
      chunks.emplace_back(4 * (static_cast<int>(random() % 5) - 2), 2 * (static_cast<int>(random() % 5) - 2));
    std::sort(chunks.begin(), chunks.end());
    chunks.erase(std::unique(chunks.begin(), chunks.end()), chunks.end());
    int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
    for (const auto& [x, y] : chunks) {
      left = std::min(left, x), top = std::min(top, y), right = std::max(right, x + 4),
      bottom = std::max(bottom, y + 2);
    }
    m.width = right - left;
    m.height = bottom - top;
    for (auto& [x, y] : chunks) x -= left, y -= top;  // where each lands in a page, shifted back when written
    for (std::size_t l = 0; l < layers; ++l) {
      std::vector<uint32_t> page(static_cast<std::size_t>(m.width * m.height), 0);
      Json layer = {{"name", "layer " + std::to_string(l)}, {"type", "tilelayer"}};
      const auto coding = static_cast<Coding>(random() % 4);
      Json out = Json::array();
      for (const auto& [x, y] : chunks) {
        std::vector<uint32_t> tiles(8);
        for (std::size_t k = 0; k < 8; ++k) {
          const auto at = static_cast<std::size_t>(y * m.width + x) + k / 4 * static_cast<std::size_t>(m.width) + k % 4;
          page[at] = tiles[k] = randomTile(random);
        }
        out.push_back({{"data", encoded(tiles, coding)}, {"height", 2}, {"width", 4}, {"x", x + left}, {"y", y + top}});
      }
      layer["chunks"] = out;
      if (coding != Coding::csv) layer["encoding"] = "base64";
      if (coding == Coding::zlib || coding == Coding::gzip)
        layer["compression"] = coding == Coding::zlib ? "zlib" : "gzip";
      list.push_back(layer);
      m.pages.push_back(page);
    }
  } else {
    m.width = 1 + static_cast<int32_t>(random() % 7);
    m.height = 1 + static_cast<int32_t>(random() % 5);
    for (std::size_t l = 0; l < layers; ++l) {
      std::vector<uint32_t> page(static_cast<std::size_t>(m.width * m.height));
      for (auto& t : page) t = randomTile(random);
      const auto coding = static_cast<Coding>(random() % 4);
      Json layer = {{"data", encoded(page, coding)},
                    {"height", m.height},
                    {"name", "layer " + std::to_string(l)},
                    {"type", "tilelayer"},
                    {"width", m.width}};
      if (coding != Coding::csv) layer["encoding"] = "base64";
      if (coding == Coding::zlib || coding == Coding::gzip)
        layer["compression"] = coding == Coding::zlib ? "zlib" : "gzip";
      list.push_back(layer);
      m.pages.push_back(page);
    }
  }
  // Object and image layers between them, and groups around some, change no page.
  for (std::size_t k = list.size(); k-- > 0;) {
    if (random() % 3 == 0)
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(k),
                  Json{{"name", "o"}, {"objects", Json::array()}, {"type", "objectgroup"}});
    if (random() % 4 == 0)
      list[k] = Json{{"layers", Json::array({list[k], Json{{"name", "i"}, {"type", "imagelayer"}}})},
                     {"name", "g"},
                     {"type", "group"}};
  }
  m.map = {{"height", infinite ? 10 : m.height},
           {"infinite", infinite},
           {"layers", list},
           {"orientation", "orthogonal"},
           {"tileheight", 16},
           {"tilewidth", 16},
           {"type", "map"},
           {"width", infinite ? 10 : m.width}};
  return m;
}

class TileMap : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "tessel-tilemap-XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir_ = name;
  }
  void TearDown() override { fs::remove_all(dir_); }

  int tessel(const std::string& arguments) {
    const std::string command = "cd '" + dir_.string() +
                                "' && timeout 60 '" TESSEL_CONSOLE_PATH "' --module '" TESSEL_MODULE_PATH "' " +
                                arguments + " >stdout.txt 2>stderr.txt";
    const int status = std::system(command.c_str());
    err_ = read(dir_ / "stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path dir_;
  std::string err_;
};

// The tile layers of a map, groups entered, in order.
void tileLayers(const Json& layers, std::vector<const Json*>& out) {
  for (const Json& l : layers) {
    if (l["type"] == "group") tileLayers(l["layers"], out);
    if (l["type"] == "tilelayer") out.push_back(&l);
  }
}

TEST_F(TileMap, RandomMapsReadAsTheModelSaysAndComeBackIntoTheirCopies) {
  std::mt19937 random(31);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const Model m = randomMap(random);
    write(dir_ / "map.tmj", m.map.dump(random() % 2 ? -1 : 1));
    fs::remove(dir_ / "map.json");
    ASSERT_EQ(tessel("convert map.tmj map.json"), 0) << err_;
    const Json array = Json::parse(read(dir_ / "map.json"));
    EXPECT_EQ(array["dimensions"], 3);
    EXPECT_EQ(array["boundaries"][0], m.width);
    EXPECT_EQ(array["boundaries"][1], m.height);
    const Json& cells = array["cells"];
    ASSERT_EQ(cells.size(), m.pages.size() * static_cast<std::size_t>(m.width * m.height));
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const uint32_t want =
          m.pages[i / static_cast<std::size_t>(m.width * m.height)][i % static_cast<std::size_t>(m.width * m.height)];
      if (want == 0) {
        EXPECT_EQ(cells[i]["type"], "empty") << i;
      } else {
        EXPECT_EQ(cells[i]["value"], static_cast<int32_t>(want)) << i;
      }
    }
    // Back into a copy of the map it came from: every layer's data as it was, in its own encoding.
    fs::remove(dir_ / "map.arr");
    fs::remove(dir_ / "back.tmj");
    ASSERT_EQ(tessel("convert map.tmj map.arr"), 0) << err_;
    ASSERT_EQ(tessel("convert --template map.tmj map.arr back.tmj"), 0) << err_;
    const Json back = Json::parse(read(dir_ / "back.tmj"));
    std::vector<const Json*> before, after;
    tileLayers(m.map["layers"], before);
    tileLayers(back["layers"], after);
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t l = 0; l < before.size(); ++l) {
      const Json& a = *before[l];
      const Json& b = *after[l];
      EXPECT_EQ(a.value("encoding", ""), b.value("encoding", ""));
      EXPECT_EQ(a.value("compression", ""), b.value("compression", ""));
      const auto data = [](const Json& layer) {
        std::vector<uint32_t> all;
        for (const Json& c : layer.contains("chunks") ? layer["chunks"] : Json::array({layer})) {
          const auto part = decoded(c["data"], layer.value("compression", ""));
          all.insert(all.end(), part.begin(), part.end());
        }
        return all;
      };
      EXPECT_EQ(data(a), data(b)) << "layer " << l;
    }
    // A copy written again is the same bytes.
    fs::remove(dir_ / "again.tmj");
    ASSERT_EQ(tessel("convert --template back.tmj map.arr again.tmj"), 0) << err_;
    EXPECT_EQ(read(dir_ / "again.tmj"), read(dir_ / "back.tmj"));
  }
}

TEST_F(TileMap, ShapesThatDifferAndMapsPastTheMemoryRuleWriteNothing) {
  std::mt19937 random(7);
  Model m = randomMap(random);
  while (m.map["infinite"]) m = randomMap(random);
  write(dir_ / "map.tmj", m.map.dump());
  ASSERT_EQ(tessel("convert map.tmj map.json"), 0) << err_;
  // One column more: the array no longer fits the map.
  m.map["width"] = m.width + 1;
  for (Json& l : m.map["layers"]) l.erase("width");
  write(dir_ / "wider.tmj", m.map.dump());
  EXPECT_EQ(tessel("convert --template wider.tmj map.json out.tmj"), 1);
  EXPECT_NE(err_.find("the sizes must match; out.tmj is not written"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(dir_ / "out.tmj"));
  EXPECT_EQ(tessel("convert --to tilemap map.json out.tmj"), 1);
  EXPECT_NE(err_.find("--template MAP"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(dir_ / "out.tmj"));
  // 100 million tiles in a few hundred bytes of zlib: refused before they are inflated.
  const Json huge = {{"height", 10000},
                     {"infinite", false},
                     {"orientation", "orthogonal"},
                     {"width", 10000},
                     {"layers",
                      {{{"type", "tilelayer"},
                        {"encoding", "base64"},
                        {"compression", "zlib"},
                        {"data", encoded(std::vector<uint32_t>(1000), Coding::zlib)}}}}};
  write(dir_ / "huge.tmj", huge.dump());
  EXPECT_EQ(tessel("show huge.tmj"), 1);
  EXPECT_NE(err_.find("more than a file of its size may load"), std::string::npos) << err_;
  EXPECT_EQ(tessel("convert --template huge.tmj map.json out.tmj"), 1);
  EXPECT_FALSE(fs::exists(dir_ / "out.tmj"));
  // A number past a double's range is bad JSON like any other mistake in it.
  write(dir_ / "overflow.tmj", R"({"orientation": "orthogonal", "width": 1E400, "height": 1, "layers": []})");
  EXPECT_EQ(tessel("convert overflow.tmj overflow.arr"), 1);
  EXPECT_NE(err_.find("overflow.tmj: bad JSON: number overflow"), std::string::npos) << err_;
  EXPECT_NE(err_.find("nothing is loaded"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(dir_ / "overflow.arr"));
  // A map is told by its fields, not by a text that names one; a map past the rule is named.
  write(dir_ / "texts.json", R"({"dimensions": 1, "cells": [{"type": "string", "text": "infinite"}]})");
  EXPECT_EQ(tessel("convert texts.json texts.arr"), 0) << err_;
  EXPECT_NE(read(dir_ / "stdout.txt").find("(json, 1 element)"), std::string::npos);
  EXPECT_EQ(tessel("convert huge.tmj huge.arr"), 1);
  EXPECT_NE(read(dir_ / "stderr.txt").find("huge.tmj: 1 tile layer of 10000 x 10000"), std::string::npos) << err_;
}

}  // namespace
