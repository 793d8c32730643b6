// The JSON form and tile maps through the tessel program: native files and
// row selections through JSON in every encoding, random tile maps read as a
// plain model of the mapping says and written back into their copies, and
// what needs a pipe, a full disk or a memory limit (the other inputs and
// mistakes are console cases: json_mistakes and those after it).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>

#include "tools/console/console.h"
#include "tools/console/json_array.h"

namespace tessel::console {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

std::string read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class Forms : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "tessel-json-XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir_ = name;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // tessel's exit status on `arguments` (file names in dir_, redirections of
  // its own after them), its output in out_ and its messages in err_; `limit`
  // caps its address space, in KiB.
  int tessel(const std::string& arguments, const char* limit = "unlimited") {
#if defined(__SANITIZE_ADDRESS__)
    limit = "unlimited";  // the sanitizers reserve terabytes of addresses
#endif
    const std::string command = "cd '" + dir_.string() + "' && (ulimit -v " + limit + "; timeout 60 '" +
                                TESSEL_CONSOLE_PATH "' >stdout.txt 2>stderr.txt --module '" TESSEL_MODULE_PATH "' " +
                                arguments + ")";
    const int status = std::system(command.c_str());
    out_ = read(dir_ / "stdout.txt");
    err_ = read(dir_ / "stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  Json json(const char* file) { return Json::parse(read(dir_ / file)); }

  fs::path dir_;
  std::string out_, err_;
};

// Random bytes that are often not UTF-8 (lone continuation bytes, overlong
// forms, surrogates, code page bytes, some of which stand for nothing in
// one code page or another), sometimes with zero bytes where they may be.
std::string randomBytes(std::mt19937& random, bool zeros) {
  static const std::string kPieces[] = {"a",    "Z",    " ",    "\xc3\xa9", "\xe2\x82\xac",     "\xf0\x9f\x99\x82",
                                        "\xe9", "\x80", "\"",   "\\",       "\xc0\xaf",         "\xed\xa0\x80",
                                        "\n",   "\x01", "\x7f", "\x81",     "\xf4\x90\x80\x80", "\x98",
                                        "\xaa", "\xd2", "\xfe", "\xff",     "\xc2\x85"};
  std::string out;
  for (int n = static_cast<int>(random() % 6); n > 0; --n)
    out += zeros && random() % 5 == 0 ? std::string(1, '\0') : kPieces[random() % std::size(kPieces)];
  return out;
}

json::Record randomRecord(std::mt19937& random, bool key) {
  json::Record r;
  r.type = key ? static_cast<int32_t>(random() % 5) - 1 : static_cast<int32_t>(random() % 4);  // keys: none too
  if (r.type == TESSEL_CELL_VALUE) r.value = static_cast<int32_t>(random()) - (random() % 2 ? 0 : 1000);
  if (r.type == TESSEL_CELL_STRING || r.type == TESSEL_CELL_DATA)
    r.bytes = randomBytes(random, r.type == TESSEL_CELL_DATA);
  return r;
}

// 1D to 4D, or with `columns` a grid of that many, with labels or not.
json::Array randomArray(std::mt19937& random, int32_t columns = 0) {
  json::Array a;
  a.dimensions = columns > 0 ? 2 : 1 + static_cast<int32_t>(random() % 4);
  for (int32_t k = 1; k < a.dimensions; ++k)
    a.boundaries.push_back(columns > 0 ? columns : 1 + static_cast<int32_t>(random() % 4));
  a.boundaries.push_back(0);
  a.grid = a.dimensions == 2;
  for (int32_t i = static_cast<int32_t>(random() % 14); i > 0; --i)
    a.cells.push_back({randomRecord(random, false), randomRecord(random, true)});
  if (a.grid && random() % 3 != 0) {
    for (int32_t c = 0; c < a.columns(); ++c)
      a.labels.push_back(random() % 3 == 0 ? std::nullopt : std::optional<std::string>(randomBytes(random, false)));
  }
  return a;
}

// A round's encoding option: none, UTF-8, auto with another code page, then each code page.
std::string encodingOption(int round) {
  const char* const first[] = {"", "--encoding utf-8", "--encoding auto --code-page 1251"};
  return round % 12 < 3 ? first[round % 12] : "--encoding windows-125" + std::to_string(round % 12 - 3);
}

TEST_F(Forms, NativeFilesComeBackThroughJsonByteForByteAndSelectionsWithThem) {
  std::mt19937 random(31);
  for (int round = 0; round < 48; ++round) {
    const std::string encoding = encodingOption(round);
    SCOPED_TRACE("round " + std::to_string(round) + " " + encoding);
    // The module makes a.arr from the raw image, so a.arr is a file it writes.
    write(dir_ / "raw.arr", json::nativeImage(randomArray(random, round % 3 == 0 ? 1 + round % 4 : 0)));
    ASSERT_EQ(tessel("convert --force raw.arr a.arr"), 0) << err_;
    ASSERT_EQ(tessel(encoding + " convert --force a.arr a.json"), 0) << err_;
    ASSERT_EQ(tessel(encoding + " show --json a.arr"), 0) << err_;
    ASSERT_EQ(out_, read(dir_ / "a.json"));
    // Read in the encoding it names, and found by its content whatever its name says.
    fs::rename(dir_ / "a.json", dir_ / "a.txt");
    ASSERT_EQ(tessel("convert --force --to native a.txt b.arr"), 0) << err_;
    ASSERT_EQ(read(dir_ / "a.arr"), read(dir_ / "b.arr")) << read(dir_ / "a.txt");
    Json doc = json("a.txt");
    const std::size_t named = encoding.find("windows-");
    EXPECT_EQ(doc["encoding"], named == std::string::npos ? "utf-8" : encoding.substr(named));
    if (!doc.contains("selectedRows")) continue;
    // A grid's rows selected at random (all and none too) come back, but for a row not complete.
    std::vector<bool> rows(doc["cells"].size() + 1);
    for (std::size_t p = 0; p < rows.size(); ++p) rows[p] = round % 4 == 0 || (round % 4 != 1 && random() % 2);
    for (auto& cell : doc["cells"]) cell["selected"] = static_cast<bool>(rows[cell["row"].get<std::size_t>()]);
    write(dir_ / "chosen.json", doc.dump());
    ASSERT_EQ(tessel(encoding + " convert --force chosen.json back.json"), 0) << err_;
    const std::size_t complete =
        doc["cells"].size() / doc["columns"].get<std::size_t>() * doc["columns"].get<std::size_t>();
    for (std::size_t i = complete; i < doc["cells"].size(); ++i) doc["cells"][i]["selected"] = false;
    EXPECT_EQ(json("back.json")["cells"], doc["cells"]);
  }
}

// ---- Tile maps: a layer's data as a map editor writes it, ids or base64 of their bytes, plain, zlib or gzip.
enum class Coding { csv, base64, zlib, gzip };

std::string deflated(std::string bytes, bool gzip) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, gzip ? 31 : 15, 9, 0), Z_OK);
  std::string out(deflateBound(&z, bytes.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(bytes.data());
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

Json encoded(const std::vector<uint32_t>& tiles, Coding c) {
  if (c == Coding::csv) return Json(tiles);
  std::string bytes;
  for (const uint32_t t : tiles)
    for (int k = 0; k < 4; ++k) bytes += static_cast<char>(t >> (8 * k));
  return json::base64(c == Coding::base64 ? bytes : deflated(bytes, c == Coding::gzip));
}

// A random map and the pages the mapping makes of it: the tile at column x,
// row y of page p is pages[p][y * width + x], the ids with their flip flags.
struct Model {  // NOLINT(bugprone-exception-escape): the map library checks its invariants on a move
  Json map;
  int32_t width = 0, height = 0;
  std::vector<std::vector<uint32_t>> pages;
};

Model randomMap(std::mt19937& random) {
  Model m;
  const bool infinite = random() % 3 == 0;
  // Each layer's pieces: one covering the map, or chunks of 4 x 2 on a grid from -8 to 8.
  std::vector<std::array<int, 4>> pieces;  // x, y, width, height
  if (infinite) {
    for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n)
      pieces.push_back({4 * (static_cast<int>(random() % 5) - 2), 2 * (static_cast<int>(random() % 5) - 2), 4, 2});
    std::sort(pieces.begin(), pieces.end());
    pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
  } else {
    pieces.push_back({0, 0, 1 + static_cast<int>(random() % 7), 1 + static_cast<int>(random() % 5)});
  }
  int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
  for (const auto& [x, y, w, h] : pieces)
    left = std::min(left, x), top = std::min(top, y), right = std::max(right, x + w), bottom = std::max(bottom, y + h);
  m.width = right - left;
  m.height = bottom - top;
  Json list = Json::array();
  for (std::size_t l = 1 + random() % 3; l > 0; --l) {
    std::vector<uint32_t>& page =
        m.pages.emplace_back(static_cast<std::size_t>(m.width) * static_cast<std::size_t>(m.height), 0);
    const auto coding = static_cast<Coding>(random() % 4);
    Json chunks = Json::array();
    for (const auto& [x, y, w, h] : pieces) {
      std::vector<uint32_t> tiles;
      for (int k = 0; k < w * h; ++k) {
        tiles.push_back(random() % 3 == 0 ? 0 : (1 + random() % 40) | (random() % 4 == 0 ? (random() % 8) << 29 : 0));
        const int at = (y - top + k / w) * m.width + x - left + k % w;
        page[static_cast<std::size_t>(at)] = tiles.back();
      }
      chunks.push_back({{"data", encoded(tiles, coding)}, {"height", h}, {"width", w}});
      if (infinite) chunks.back()["x"] = x, chunks.back()["y"] = y;
    }
    Json layer = infinite ? Json{{"chunks", chunks}} : chunks[0];
    layer["name"] = "layer " + std::to_string(l);
    layer["type"] = "tilelayer";
    if (coding != Coding::csv) layer["encoding"] = "base64";
    if (coding == Coding::zlib || coding == Coding::gzip)
      layer["compression"] = coding == Coding::zlib ? "zlib" : "gzip";
    list.push_back(layer);
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
  m.map = Json::parse(R"({"orientation": "orthogonal", "tileheight": 16, "tilewidth": 16, "type": "map"})");
  m.map["width"] = infinite ? 10 : m.width, m.map["height"] = infinite ? 10 : m.height;
  m.map["infinite"] = infinite, m.map["layers"] = list;
  return m;
}

// A map without its tiles: what its copy keeps as it was.
Json withoutData(Json j) {
  if (j.is_object()) j.erase("data");
  if (j.is_structured())
    for (Json& v : j) v = withoutData(v);
  return j;
}

TEST_F(Forms, RandomMapsReadAsTheModelSaysAndComeBackIntoTheirCopies) {
  std::mt19937 random(31);
  for (int round = 0; round < 30; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const Model m = randomMap(random);
    write(dir_ / "map.tmj", m.map.dump(random() % 2 ? -1 : 1));
    ASSERT_EQ(tessel("convert --force map.tmj map.json"), 0) << err_;
    const Json array = json("map.json");
    EXPECT_EQ(array["boundaries"], Json::array({m.width, m.height, 0}));
    const auto page = static_cast<std::size_t>(m.width) * static_cast<std::size_t>(m.height);
    ASSERT_EQ(array["cells"].size(), m.pages.size() * page);
    for (std::size_t i = 0; i < array["cells"].size(); ++i) {
      const uint32_t want = m.pages[i / page][i % page];
      EXPECT_EQ(array["cells"][i].value("value", 0), static_cast<int32_t>(want)) << i;
      EXPECT_EQ(array["cells"][i]["type"] == "empty", want == 0) << i;
    }
    // Back into a copy of the map it came from: the same tiles, and all but the tiles as they were.
    ASSERT_EQ(tessel("convert --force map.tmj map.arr"), 0) << err_;
    ASSERT_EQ(tessel("convert --force --template map.tmj map.arr back.tmj"), 0) << err_;
    ASSERT_EQ(tessel("convert --force back.tmj back.json"), 0) << err_;
    EXPECT_EQ(json("back.json")["cells"], array["cells"]);
    EXPECT_EQ(withoutData(json("back.tmj")), withoutData(m.map));
    // A copy written again is the same bytes.
    ASSERT_EQ(tessel("convert --force --template back.tmj map.arr again.tmj"), 0) << err_;
    EXPECT_EQ(read(dir_ / "again.tmj"), read(dir_ / "back.tmj"));
  }
}

TEST_F(Forms, DeclaredShapesGoRoundAndPipesAndFullDisksAreTold) {
  write(dir_ / "declared.tessel",
        "Set array dimension to 2\nSet dimension 1 boundary to 2000000000\nSet value 7 at 0\n"
        "Set label to \"a\" at column 2\nSet label to \"b\\xe9\" at column 900\nSave to file \"w.arr\"\n");
  ASSERT_EQ(mkfifo((dir_ / "pipe.arr").c_str(), 0600), 0);
  const char* const cap = "262144";  // 256 MiB: a cell of each declared one would need gigabytes
  const struct {
    std::string command;
    int status;
    std::string told{};  // in the output or the messages
    const char* limit = "unlimited";
  } rows[] = {
      // Declared boundaries and labels by column cost no memory, through JSON and back.
      {"run declared.tessel", 0},
      {"convert w.arr w.json", 0, "", cap},
      {"convert w.json back.arr", 0, "", cap},
      {"show --json w.arr", 0, "\"labels\": null, \"labelsByColumn\": {\"2\": \"a\", \"900\": {", cap},
      // A pipe without a writer would be waited on for ever (timeout's 124); a full disk is told.
      {"show pipe.arr", 1, "a device or a pipe, not a file"},
      {"check pipe.arr", 2, "a device or a pipe, not a file"},
      {"--version >/dev/full", 2, "cannot write the output"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.command);
    EXPECT_EQ(tessel(row.command, row.limit), row.status) << err_;
    EXPECT_NE((out_ + err_).find(row.told), std::string::npos) << out_ << err_;
  }
  EXPECT_EQ(read(dir_ / "w.arr"), read(dir_ / "back.arr"));
}

TEST(JsonParts, Base64AndUtf8AsAJsonReaderTakesThem) {
  EXPECT_EQ(json::fromBase64("AP/+Zm8="), std::string("\0\xff\xfe", 3) + "fo");
  // Not an object: never taken for JSON by the program, so the reader's refusal is only seen here.
  EXPECT_THROW(static_cast<void>(json::parse("[1, 2]")), UserError);
  for (const char* text : {"Zg=", "Z===", "Zm9v=Zm9", "Zg==Zg==", "Zm!v", "=Zm9"})
    EXPECT_EQ(json::fromBase64(text), std::nullopt) << text;
  // Each against the JSON library's own reading of it as a text.
  for (const std::string s : {"plain", "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x99\x82", "\xf4\x8f\xbf\xbf", "\xe9",
                              "\xc0\xaf", "\xc1\xbf", "\xe0\x9f\xbf", "\xed\xa0\x80", "\xf0\x8f\xbf\xbf",
                              "\xf4\x90\x80\x80", "\xf5\x80\x80\x80", "\xc3", "\xe2\x82"}) {
    EXPECT_EQ(json::isUtf8(s), nlohmann::json::accept("\"" + s + "\"")) << testing::PrintToString(s);
  }
}

}  // namespace
}  // namespace tessel::console
