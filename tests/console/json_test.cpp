// The JSON form through the tessel program: native files round-trip through
// it byte for byte on many random arrays, selections come back, bad JSON is
// told with its place and writes nothing, and declared sizes cost no memory.
// The reader's own parts (base64, UTF-8, the messages) are tested in process.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <random>

#include "tools/console/console.h"
#include "tools/console/json_array.h"

namespace tessel::console {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

class Json : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "tessel-json-XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir_ = name;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // tessel's exit status on `arguments` (file names in dir_), its messages in err_;
  // `limit` caps its address space, in KiB.
  int tessel(const std::string& arguments, std::string limit = "unlimited") {
    if (kSanitized) limit = "unlimited";  // the sanitizers reserve terabytes of addresses
    const std::string command = "cd '" + dir_.string() + "' && (ulimit -v " + limit + "; timeout 60 '" +
                                TESSEL_CONSOLE_PATH "' --module '" TESSEL_MODULE_PATH "' " + arguments +
                                " >stdout.txt 2>stderr.txt)";
    const int status = std::system(command.c_str());
    err_ = read(dir_ / "stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path dir_;
  std::string err_;
};

// Random bytes that are often not UTF-8 (lone continuation bytes, overlong
// forms, surrogates, code page bytes, some of which stand for nothing in
// one code page or another), sometimes with zero bytes where they may be.
std::string randomBytes(std::mt19937& random, bool zeros) {
  static const std::string kPieces[] = {"a",
                                        "Z",
                                        " ",
                                        "\xc3\xa9",
                                        "\xe2\x82\xac",
                                        "\xf0\x9f\x99\x82",
                                        "\xe9",
                                        "\x80",
                                        "\xc0\xaf",
                                        "\xed\xa0\x80",
                                        "\xf4\x90\x80\x80",
                                        "\"",
                                        "\\",
                                        "\n",
                                        "\x01",
                                        "\x7f",
                                        "\x81",
                                        "\x98",
                                        "\xaa",
                                        "\xd2",
                                        "\xfe",
                                        "\xff",
                                        "\xc2\x85"};
  std::string out;
  for (int n = static_cast<int>(random() % 6); n > 0; --n) {
    out += zeros && random() % 5 == 0 ? std::string(1, '\0') : kPieces[random() % std::size(kPieces)];
  }
  return out;
}

json::Record randomRecord(std::mt19937& random, bool key) {
  json::Record r;
  // Keys: none or any type.
  r.type = key ? static_cast<int32_t>(random() % 5) - 1 : static_cast<int32_t>(random() % 4);
  if (r.type == TESSEL_CELL_VALUE) r.value = static_cast<int32_t>(random()) - (random() % 2 ? 0 : 1000);
  if (r.type == TESSEL_CELL_STRING) r.bytes = randomBytes(random, false);
  if (r.type == TESSEL_CELL_DATA) r.bytes = randomBytes(random, true);
  return r;
}

json::Array randomArray(std::mt19937& random) {
  json::Array a;
  a.dimensions = 1 + static_cast<int32_t>(random() % 4);  // 1D to 4D
  for (int32_t k = 1; k < a.dimensions; ++k) a.boundaries.push_back(1 + static_cast<int32_t>(random() % 4));
  a.boundaries.push_back(0);
  a.grid = a.dimensions == 2;
  const int32_t count = static_cast<int32_t>(random() % 14);
  for (int32_t i = 0; i < count; ++i) a.cells.push_back({randomRecord(random, false), randomRecord(random, true)});
  if (a.grid && random() % 3 != 0) {
    for (int32_t c = 0; c < a.columns(); ++c)
      a.labels.push_back(random() % 3 == 0 ? std::nullopt : std::optional<std::string>(randomBytes(random, false)));
  }
  return a;
}

// Each encoding the JSON may be written in, auto with another code page too.
const char* const kEncodings[] = {"",
                                  "--encoding utf-8",
                                  "--encoding auto --code-page 1251",
                                  "--encoding windows-1250",
                                  "--encoding windows-1251",
                                  "--encoding windows-1252",
                                  "--encoding windows-1253",
                                  "--encoding windows-1254",
                                  "--encoding windows-1255",
                                  "--encoding windows-1256",
                                  "--encoding windows-1257",
                                  "--encoding windows-1258"};

TEST_F(Json, NativeFilesComeBackByteForByteInEveryEncodingAndJsonIsWhatShowWrites) {
  std::mt19937 random(31);
  for (int round = 0; round < 72; ++round) {
    const std::string encoding = kEncodings[round % std::size(kEncodings)];
    SCOPED_TRACE("round " + std::to_string(round) + " " + encoding);
    // The module makes a.arr from the raw image, so a.arr is a file it writes.
    write(dir_ / "raw.arr", json::nativeImage(randomArray(random)));
    ASSERT_EQ(tessel("convert --force raw.arr a.arr"), 0) << err_;
    ASSERT_EQ(tessel(encoding + " convert --force a.arr a.json"), 0) << err_;
    // Read back in the encoding it names, whatever the reader's own.
    ASSERT_EQ(tessel("convert --force a.json b.arr"), 0) << err_;
    ASSERT_EQ(read(dir_ / "a.arr"), read(dir_ / "b.arr")) << read(dir_ / "a.json");
    const nlohmann::json doc = nlohmann::json::parse(read(dir_ / "a.json"));
    const std::size_t named = encoding.find("windows-");
    EXPECT_EQ(doc["encoding"], named == std::string::npos ? "utf-8" : encoding.substr(named)) << encoding;
    ASSERT_EQ(tessel(encoding + " show --json a.arr"), 0) << err_;
    ASSERT_EQ(read(dir_ / "stdout.txt"), read(dir_ / "a.json"));
    // Found by content too, whatever the name says.
    fs::rename(dir_ / "a.json", dir_ / "a.txt");
    ASSERT_EQ(tessel("convert --force --to native a.txt c.arr"), 0) << err_;
    ASSERT_EQ(read(dir_ / "a.arr"), read(dir_ / "c.arr"));
  }
}

TEST_F(Json, ACodePagesTextsAreWrittenInItAndTextsInOneAreReadIntoItsBytes) {
  write(dir_ / "make.tessel",
        "Set array dimension to 2\nSet dimension 1 boundary to 1\nSet label to \"\\xc9tat\" at column 0\n"
        "Append string \"\\xc9p\\xe9e\"\nSet key string \"cl\\xe9\" at 0\nSave to file \"a.arr\"\n");
  ASSERT_EQ(tessel("run make.tessel"), 0) << err_;
  ASSERT_EQ(tessel("--encoding windows-1252 show --json a.arr"), 0) << err_;
  nlohmann::json doc = nlohmann::json::parse(read(dir_ / "stdout.txt"));
  EXPECT_EQ(doc["labels"][0], "\xc3\x89tat");
  EXPECT_EQ(doc["cells"][0]["text"],
            "\xc3\x89p\xc3\xa9"
            "e");
  EXPECT_FALSE(doc["cells"][0].contains("bytes"));
  EXPECT_EQ(doc["cells"][0]["key"]["text"], "cl\xc3\xa9");
  EXPECT_FALSE(doc["cells"][0]["key"].contains("bytes"));
  // In UTF-8 the same bytes are no text: they come with their bytes.
  ASSERT_EQ(tessel("--encoding utf-8 show --json a.arr"), 0) << err_;
  doc = nlohmann::json::parse(read(dir_ / "stdout.txt"));
  EXPECT_EQ(doc["cells"][0]["bytes"], json::base64("\xc9p\xe9"
                                                   "e"));
  // Texts of another code page become its bytes.
  write(dir_ / "cyrillic.json", R"({"encoding": "windows-1251", "dimensions": 1, "cells": [)"
                                R"({"type": "string", "text": "\u0419p\u0439e"}]})");
  ASSERT_EQ(tessel("convert cyrillic.json c.arr"), 0) << err_;
  ASSERT_EQ(tessel("--encoding utf-8 show --json c.arr"), 0) << err_;
  doc = nlohmann::json::parse(read(dir_ / "stdout.txt"));
  EXPECT_EQ(doc["cells"][0]["bytes"], json::base64("\xc9p\xe9"
                                                   "e"));
}

// What a text, key or label of diff --json stands for: its bytes when given,
// else its text in the encoding the output names.
std::string bytesOf(const nlohmann::json& j, const encoding::Encoding& e) {
  if (j.is_object() && j.contains("bytes")) return json::fromBase64(j["bytes"].get<std::string>()).value_or("?");
  const encoding::Encoded made = e.encode(j.is_object() ? j["text"].get<std::string>() : j.get<std::string>());
  return made.ok ? made.bytes : "?";
}

TEST_F(Json, DiffNamesItsEncodingAndGivesTheBytesOfTextsThatDoNotDecodeToThem) {
  std::mt19937 random(11);
  std::size_t texts = 0;
  for (int round = 0; round < 24; ++round) {
    const std::string encoding = kEncodings[round % std::size(kEncodings)];
    SCOPED_TRACE("round " + std::to_string(round) + " " + encoding);
    json::Array sides[2] = {randomArray(random), randomArray(random)};
    for (json::Array& s : sides) {
      s.dimensions = 2;
      s.boundaries = {2, 0};
      s.grid = true;
      s.labels.resize(2);
    }
    write(dir_ / "a.arr", json::nativeImage(sides[0]));
    write(dir_ / "b.arr", json::nativeImage(sides[1]));
    const int status = tessel(encoding + " diff --json a.arr b.arr");
    ASSERT_TRUE(status == 0 || status == 1) << err_;
    const nlohmann::json doc = nlohmann::json::parse(read(dir_ / "stdout.txt"));
    const std::size_t named = encoding.find("windows-");
    ASSERT_EQ(doc["encoding"], named == std::string::npos ? "utf-8" : encoding.substr(named));
    const auto e = encoding::Encoding::named(doc["encoding"].get<std::string>());
    ASSERT_TRUE(e);
    for (const auto& cell : doc["cells"]) {
      for (int k = 0; k < 2; ++k) {
        const nlohmann::json& side = cell[k == 0 ? "a" : "b"];
        if (side.is_null()) continue;
        const json::Element& held = sides[k].cells.at(side["index"].get<std::size_t>());
        if (held.cell.type == TESSEL_CELL_STRING) {
          EXPECT_EQ(bytesOf(side, *e), held.cell.bytes) << side.dump();
          ++texts;
        }
        if (held.key.type == TESSEL_CELL_STRING && !held.key.bytes.empty()) {
          EXPECT_EQ(bytesOf(side["key"], *e), held.key.bytes) << side.dump();
        }
      }
    }
    for (const auto& label : doc["labels"]) {
      const auto c = label["column"].get<std::size_t>();
      for (int k = 0; k < 2; ++k) {
        const nlohmann::json& side = label[k == 0 ? "a" : "b"];
        if (!side.is_null()) {
          EXPECT_EQ(bytesOf(side, *e), sides[k].labels.at(c).value_or("?")) << label.dump();
        }
      }
    }
    texts += doc["labels"].size();
  }
  EXPECT_GT(texts, 40u) << "the rounds compared too few texts to prove anything";
}

TEST_F(Json, RowSelectionComesBackWithTheCellsItMarkedOnTheWay) {
  std::mt19937 random(7);
  for (int round = 0; round < 25; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    json::Array a = randomArray(random);
    a.dimensions = 2;
    a.boundaries = {1 + static_cast<int32_t>(random() % 3), 0};
    a.grid = true;
    a.labels.clear();
    write(dir_ / "raw.arr", json::nativeImage(a));
    ASSERT_EQ(tessel("convert --force raw.arr a.json"), 0) << err_;
    nlohmann::json doc = nlohmann::json::parse(read(dir_ / "a.json"));
    // Each row selected or not at random: mixed, all and none all happen.
    std::vector<bool> rows(doc["cells"].size() + 1);
    for (std::size_t p = 0; p < rows.size(); ++p)
      rows[p] = round % 5 == 0 ? true : round % 5 == 1 ? false : random() % 2;
    for (auto& cell : doc["cells"]) cell["selected"] = static_cast<bool>(rows[cell["row"].get<std::size_t>()]);
    write(dir_ / "chosen.json", doc.dump());
    ASSERT_EQ(tessel("convert --force chosen.json back.json"), 0) << err_;
    const nlohmann::json back = nlohmann::json::parse(read(dir_ / "back.json"));
    const std::size_t complete = doc["cells"].size() / static_cast<std::size_t>(a.columns()) * a.columns();
    ASSERT_EQ(back["cells"].size(), doc["cells"].size());
    for (std::size_t i = 0; i < doc["cells"].size(); ++i) {
      nlohmann::json want = doc["cells"][i];
      if (i >= complete) want["selected"] = false;  // a row not complete has no selection
      EXPECT_EQ(back["cells"][i], want) << i;
    }
  }
}

TEST_F(Json, AScriptsNativeLoadReadsJsonAndAppendKeepsTheRowsThere) {
  write(dir_ / "two.json",
        R"({"dimensions": 1, "cells": [{"type": "value", "value": 5}, {"type": "string", "text": "x"}]})");
  write(dir_ / "s.tessel", "Load from file \"two.json\"\nAppend elements from file \"two.json\"\nshow --json\n");
  ASSERT_EQ(tessel("run s.tessel"), 0) << err_;
  const nlohmann::json shown = nlohmann::json::parse(read(dir_ / "stdout.txt"));
  ASSERT_EQ(shown["cells"].size(), 4u);
  EXPECT_EQ(shown["cells"][2]["value"], 5);
  EXPECT_EQ(shown["cells"][3]["text"], "x");
}

TEST_F(Json, BadJsonSaysWhereAndWhatAndWritesNothing) {
  const struct {
    const char* text;
    const char* told;
  } rows[] = {
      {"{\"dimensions\": 1,\n \"cells\": [}", "line 2, column 12"},
      {"{\"dimensions\": 1, \"cells\": [{\"type\": \"value\", \"value\": 1E400}]}", "bad JSON: number overflow"},
      {"{\"dimensions\": 1, \"cells\": [", "expected"},
      {"[1, 2]", "expected an object"},
      {"{\"cells\": []}", "dimensions: expected the dimension count"},
      {"{\"dimensions\": 12, \"cells\": []}", "dimensions: expected an integer from 0 to 9"},
      {"{\"dimensions\": 1, \"cells\": [{\"type\": \"text\"}]}", "cells[0].type: expected a type"},
      {"{\"dimensions\": 1, \"cells\": [{\"type\": \"value\", \"value\": 3000000000}]}",
       "cells[0].value: expected an integer from -2147483648 to 2147483647"},
      {"{\"dimensions\": 1, \"cells\": [{\"type\": \"data\", \"bytes\": \"QQ=x\"}]}",
       "cells[0].bytes: expected a base64"},
      {"{\"dimensions\": 1, \"cells\": [{\"type\": \"string\", \"text\": \"a\\u0000b\"}]}", "without a zero byte"},
      {"{\"dimensions\": 1, \"size\": 9, \"cells\": [{\"type\": \"empty\"}]}", "all 9 cells of \"size\", not 1"},
      {"{\"dimensions\": 1, \"cells\": [{\"index\": 4, \"type\": \"empty\"}]}", "cells[0].index: expected 0"},
      {"{\"dimensions\": 2, \"boundaries\": [3], \"cells\": []}", "boundaries: expected an array of 2 boundaries"},
      {"{\"dimensions\": 1, \"encoding\": \"latin-9\", \"cells\": []}", "encoding: expected the encoding of the texts"},
      {"{\"dimensions\": 1, \"encoding\": \"windows-1252\", \"cells\": [{\"type\": \"string\", \"text\": \"\u03a9\"}]}",
       "cells[0].text: expected a text that windows-1252 holds, not one with '\xce\xa9' (U+03A9)"},
      {"{\"dimensions\": 1, \"cells\": [{\"type\": \"empty\", \"key\": {\"type\": \"value\", \"text\": \"7x\"}}]}",
       "cells[0].key.text: expected a value key's decimal text"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    try {
      json::parse(row.text);
      ADD_FAILURE() << "read without a mistake";
    } catch (const UserError& e) {
      EXPECT_NE(std::string(e.what()).find(row.told), std::string::npos) << e.what();
    }
  }
  // Through the program: the mistake names the file, and no file is written.
  write(dir_ / "bad.json", rows[0].text);
  EXPECT_EQ(tessel("convert --from json bad.json out.arr"), 1);
  EXPECT_NE(err_.find("bad.json: bad JSON at line 2, column 12"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(dir_ / "out.arr"));
  EXPECT_EQ(tessel("check bad.json"), 2) << err_;
}

TEST_F(Json, DeclaredSizesAndBoundariesCostNoMemory) {
  // Under 256 MiB of address space: a cell of each declared one would need gigabytes.
  write(dir_ / "wide.json", R"({"dimensions": 2, "boundaries": [2000000000, 0], "labels": [], "cells": []})");
  EXPECT_EQ(tessel("convert wide.json wide.arr", "262144"), 0) << err_;
  EXPECT_EQ(read(dir_ / "wide.arr").substr(14, 4), std::string("\x00\x94\x35\x77", 4));  // 2000000000
  write(dir_ / "long.json", R"({"dimensions": 1, "size": 2000000000, "cells": [{"type": "empty"}]})");
  EXPECT_EQ(tessel("convert long.json long.arr", "262144"), 1) << err_;
  EXPECT_NE(err_.find("all 2000000000 cells"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(dir_ / "long.arr"));
}

// A width only declared: show writes the labels it holds by column, and they
// come back byte for byte, under the same cap.
TEST_F(Json, LabelsOfAWidthOnlyDeclaredComeBackByColumn) {
  write(dir_ / "make.tessel",
        "Set array dimension to 2\nSet dimension 1 boundary to 2000000000\nSet value 7 at 0\n"
        "Set label to \"a\" at column 2\nSet label to \"b\\xe9\" at column 900\nSave to file \"a.arr\"\n");
  ASSERT_EQ(tessel("run make.tessel"), 0) << err_;
  ASSERT_EQ(tessel("convert a.arr a.json", "262144"), 0) << err_;
  const std::string text = read(dir_ / "a.json");
  EXPECT_NE(text.find("\"labels\": null, \"labelsByColumn\": {\"2\": \"a\", \"900\": {"), std::string::npos) << text;
  ASSERT_EQ(tessel("convert a.json b.arr", "262144"), 0) << err_;
  EXPECT_EQ(read(dir_ / "a.arr"), read(dir_ / "b.arr"));
  // A label past what a file of this size may ask for is refused.
  write(dir_ / "far.json", R"({"dimensions": 2, "boundaries": [2000000000, 0], "size": 0, "labels": null,)"
                           R"( "labelsByColumn": {"1999999999": "z"}, "cells": []})");
  EXPECT_EQ(tessel("convert far.json far.arr", "262144"), 1);
  EXPECT_NE(err_.find("labelsByColumn.1999999999"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(dir_ / "far.arr"));
}

TEST(JsonParts, Base64BothWaysAndWhatIsNotBase64) {
  const std::pair<std::string, std::string> known[] = {{"", ""},
                                                       {"f", "Zg=="},
                                                       {"fo", "Zm8="},
                                                       {"foo", "Zm9v"},
                                                       {"foob", "Zm9vYg=="},
                                                       {"fooba", "Zm9vYmE="},
                                                       {std::string("\0\xff\xfe", 3), "AP/+"}};
  for (const auto& [bytes, text] : known) {
    EXPECT_EQ(json::base64(bytes), text);
    EXPECT_EQ(json::fromBase64(text), bytes);
  }
  for (const char* bad : {"Zg=", "Z===", "Zm9v=Zm9", "Zg==Zg==", "Zm!v", "=Zm9"})
    EXPECT_EQ(json::fromBase64(bad), std::nullopt) << bad;
  std::mt19937 random(3);
  for (int n = 0; n < 200; ++n) {
    std::string bytes(random() % 40, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    EXPECT_EQ(json::fromBase64(json::base64(bytes)), bytes);
  }
}

TEST(JsonParts, Utf8IsWhatAJsonReaderTakes) {
  // Each against the JSON library's own reading of it as a text.
  const std::string cases[] = {"plain",
                               "\xc3\xa9",
                               "\xe2\x82\xac",
                               "\xf0\x9f\x99\x82",
                               "\xf4\x8f\xbf\xbf",
                               "\xe9",
                               "\xc0\xaf",
                               "\xc1\xbf",
                               "\xe0\x9f\xbf",
                               "\xed\xa0\x80",
                               "\xf0\x8f\xbf\xbf",
                               "\xf4\x90\x80\x80",
                               "\xf5\x80\x80\x80",
                               "\xc3",
                               "\xe2\x82"};
  for (const std::string& s : cases) {
    bool accepted = true;
    try {
      accepted = nlohmann::json::parse("\"" + s + "\"").is_string();
    } catch (const nlohmann::json::parse_error&) {
      accepted = false;
    }
    EXPECT_EQ(json::isUtf8(s), accepted) << testing::PrintToString(s);
  }
}

}  // namespace
}  // namespace tessel::console
