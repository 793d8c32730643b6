// The editor side's logic: parameter declarations and menu numbering, the setup record through the dialog's controls,
// texts for the host's buffers, and the pictures and resource script made at build time. The same entry points are
// driven through the Windows API in tests/windows.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "editor/picture.h"
#include "editor/resource_script.h"
#include "editor/setup.h"
#include "editor/tables.h"
#include "editor/text.h"

namespace tessel::editor {
namespace {

std::string infosText(const TesselInfos& i) {
  return std::to_string(i.code) + " " + std::to_string(i.flags) + " " + std::to_string(i.kinds[0]) + " " +
         std::to_string(i.kinds[1]) + " " + std::to_string(i.titles[0]) + " " + std::to_string(i.titles[1]);
}

// Both kinds and both ends of each table; infosOf builds every entry alike.
TEST(EditorInfos, EntriesAndMenuIdsFollowTheCatalogueAndStrayNumbersGetNone) {
  const struct {
    bool action;
    int32_t number;
    int index;
    const char* expected;
  } cases[] = {
      {false, 50, 50, "50 0 3 1 0 0"},         {true, 0, 0, "0 0 45 0 0 0"},         {true, 78, 78, "78 0 0 0 0 0"},
      {false, 59, 59, "59 0 3 0 0 0"},         {true, 79, -1, "0 0 0 0 0 0"},        {true, -1, -1, "0 0 0 0 0 0"},
      {true, 65536 + 6, 6, "6 0 45 22 0 0"},   {true, INT32_MIN, 0, "0 0 45 0 0 0"}, {false, 60, -1, "0 0 0 0 0 0"},
      {false, -65536 + 60, -1, "0 0 0 0 0 0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.action ? actionIndex(c.number) : expressionIndex(c.number), c.index) << c.action << " " << c.number;
    EXPECT_EQ(infosText(c.action ? actionInfos(c.number) : expressionInfos(c.number)), c.expected)
        << c.action << " " << c.number;
  }
  // Menu ids give numbers at both ends of each range only.
  const struct {
    int32_t id;
    int action;
    int expression;
  } menus[] = {
      {25000, 0, -1},         {25078, 78, -1},         {25079, -1, -1}, {24999, -1, -1}, {0, -1, -1},
      {25000 + 65536, 0, -1}, {-40536, 0, -1},         {27000, -1, 0},  {27059, -1, 59}, {27060, -1, -1},
      {26999, -1, -1},        {27000 + 65536, -1, -1}, {-1, -1, -1},
  };
  for (const auto& m : menus) {
    EXPECT_EQ(actionCodeFromMenu(m.id), m.action) << m.id;
    EXPECT_EQ(expressionCodeFromMenu(m.id), m.expression) << m.id;
  }
}

TesselSetup filled(unsigned char byte) {
  TesselSetup s;
  std::memset(&s, byte, sizeof s);
  return s;
}

std::string shown(const ControlStates& c) {
  return std::to_string(c.threeD ? 3 : 1 + c.twoD) + "D x" + c.x + " y" + c.y + " [" + c.delimiter + "] " +
         (c.caseInsensitive ? "insensitive" : "sensitive") + " " + (c.literal ? "literal" : "wildcard") + " " +
         (c.autoSelectOn ? "on" : "off");
}

// The new object's and plain records, and each dimension's boxes, are shown through the real controls in tests/windows.
TEST(EditorSetup, DialogShowsTheRecord) {
  TesselSetup s = filled(0);
  s.xSize = 7;
  s.ySize = -4;
  std::strcpy(s.listDelimiter, ";");
  const struct {
    int32_t dimensions, caseFlag, wildcard, autoSelect;
    const char* expected;
  } cases[] = {
      {0, 5, -1, 2, "1D x7 y-4 [;] sensitive wildcard off"},
      {4, 0, 0, -1, "1D x7 y-4 [;] insensitive literal off"},
  };
  for (const auto& c : cases) {
    s.dimensionCount = c.dimensions;
    s.caseSensitive = c.caseFlag;
    s.wildcard = c.wildcard;
    s.autoSelect = c.autoSelect;
    EXPECT_EQ(shown(controlsFor(s)), c.expected);
  }
  // A delimiter filling the whole field, without terminator, is read to the field's end.
  std::memset(s.listDelimiter, 'x', sizeof s.listDelimiter);
  EXPECT_EQ(controlsFor(s).delimiter.size(), sizeof s.listDelimiter);
}

// The new object's fields and the host's header cross CreateObject in tests/windows.
TEST(EditorSetup, NewObjectClearsTheDelimiterAndOkWritesWhatTheControlsHold) {
  TesselSetup n = filled(0xAB);
  writeNewObject(n);
  for (std::size_t i = 1; i < sizeof n.listDelimiter; ++i) ASSERT_EQ(n.listDelimiter[i], '\0') << i;
  // What OK writes for each dimension and flag crosses the real controls in tests/windows; here a delimiter too long.
  TesselSetup s = filled(0x5A);
  ControlStates c;
  c.delimiter = std::string(1500, 'd');
  applyOk(c, s);
  // 1D keeps X and Y; every other byte, the frame's and those past the limit, stays.
  TesselSetup want = filled(0x5A);
  want.dimensionCount = 1;
  want.caseSensitive = want.wildcard = want.autoSelect = 0;
  std::memset(want.listDelimiter, 'd', kDelimiterLimit - 1);
  want.listDelimiter[kDelimiterLimit - 1] = '\0';
  EXPECT_EQ(std::memcmp(&s, &want, sizeof s), 0);
}

TEST(EditorSetup, BoxNumbersAreWholeSignedDecimalsAndTheFrameStaysInRange) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {// clang-format off
      {"", 0}, {"-5", -5}, {" 7 ", 7}, {"+3", 3}, {"12a", 0}, {"-", 0}, {"1 2", 0}, {"007", 7}, {"2147483647", INT32_MAX},
      {"2147483648", 0}, {"-2147483648", INT32_MIN}, {"99999999999999999999", 0}};  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(boxNumber(c.text), c.value) << '"' << c.text << '"';
  // The resize modes and the plain rectangle cross the exports in tests/windows; here what needs no window.
  TesselSetup s = filled(0);
  s.frameWidth = -10;
  s.frameHeight = 1;
  resizeFrame(s, 0, nullptr);
  TesselRect r{INT32_MIN, INT32_MAX, 9, 9};
  objectRect(r, s);
  EXPECT_EQ((std::vector<int32_t>{r.left, r.right, r.bottom}),
            (std::vector<int32_t>{INT32_MIN, INT32_MAX - 9, INT32_MIN}));
}

TEST(EditorText, CopiesStayInsideTheBufferAndDescriptionsAndHelpPagesAreMade) {
  const struct {
    int32_t size;
    std::size_t copied;
    const char* buffer;
  } cases[] = {{-1, 0, "########"}, {0, 0, "########"},  {1, 0, "\0#######"},
               {3, 2, "He\0#####"}, {6, 5, "Hello\0##"}, {8, 5, "Hello\0##"}};
  for (const auto& c : cases) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(copyText(buffer, c.size, "Hello"), c.copied) << c.size;
    EXPECT_EQ(std::string(buffer, 8), std::string(c.buffer, 8)) << c.size;
  }
  EXPECT_EQ(copyText(nullptr, 10, "Hello"), 0u);

  EXPECT_EQ(
      (std::vector{formatDescription(TESSEL_DESC_FORMAT, nullptr), formatDescription("%s%%%d%", "v"),
                   formatDescription("%s/%s", "ab"), helpPagePath("/opt/kit/libtessel.so"),
                   helpPagePath("tessel.dll")}),
      (std::vector<std::string>{"  : tessel", "v%%d%", "ab/ab", "/opt/kit/tessel-help.html", "tessel-help.html"}));
}

// The little-endian words `width` bytes wide at each offset.
std::vector<uint32_t> words(const std::string& b, int width, std::initializer_list<std::size_t> offsets) {
  std::vector<uint32_t> out;
  for (const std::size_t at : offsets) {
    out.push_back(0);
    for (int i = 0; i < width; ++i) out.back() |= uint32_t{static_cast<unsigned char>(b.at(at + i))} << (8 * i);
  }
  return out;
}

TEST(EditorPictures, BitmapsAreStoredBottomUpHighNibbleFirstAndSizedByTheirHeader) {
  PixelMap map;
  ASSERT_EQ(parsePixelMap("; two rows\nbitmap 3 2\n9ab\nc0f\n", map), "");
  const std::string file = bitmapFile(map);
  const std::size_t pixels = 14 + 40 + 64;
  ASSERT_EQ(file.substr(0, 2) + std::to_string(file.size()), "BM" + std::to_string(pixels + 2 * 4));
  // File size, pixel offset; colours 9 red and c blue (blue, green, red, 0); the bottom row first, padded to 4 bytes.
  EXPECT_EQ(words(file, 4, {2, 10, 14 + 40 + 4 * 9, 14 + 40 + 4 * 12, pixels, pixels + 4}),
            (std::vector<uint32_t>{126, 118, 0xFF0000, 0x0000FF, 0x0000F0C0, 0x0000B09A}));
  EXPECT_EQ(storedBitmapSize(file.substr(14)), file.size() - 14);
  EXPECT_EQ(storedBitCount(file.substr(14)), 4);
  // Larger than the writer's buffer, as the module's own pictures are: every row arrives, in order.
  std::string rows = "bitmap 64 8\n";
  for (const char digit : std::string("12345678")) rows += std::string(64, digit) + "\n";
  ASSERT_EQ(parsePixelMap(rows, map), "");
  const std::string large = bitmapFile(map);
  ASSERT_EQ(large.size(), pixels + 8 * 32);
  EXPECT_EQ(words(large, 4, {pixels, large.size() - 4}), (std::vector<uint32_t>{0x88888888, 0x11111111}));
  // The stored size is reckoned from the header and never past the data: one byte short of a 32x32 4-bit picture, a
  // top-down one, 1, 24 and 8 bits, a header cut short.
  const auto header = [](int32_t width, int32_t height, uint16_t bits, std::size_t dataSize) {
    std::string h(dataSize, '\0');  // little-endian, as every machine these tests run on
    std::memcpy(&h[4], &width, 4);
    std::memcpy(&h[8], &height, 4);
    std::memcpy(&h[14], &bits, 2);
    return h;
  };
  EXPECT_EQ((std::vector{storedBitmapSize(header(32, 32, 4, 615)), storedBitmapSize(header(32, -32, 4, 700)),
                         storedBitmapSize(header(3, 2, 1, 100)), storedBitmapSize(header(10, 10, 24, 2000)),
                         storedBitmapSize(header(256, 300, 8, 20000)), storedBitmapSize(std::string(39, '\0'))}),
            (std::vector<std::size_t>{0, 616, 40 + 8 + 8, 40 + 32 * 10, 40 + 1024 + (256 * 300) % 65536, 0}));
  EXPECT_EQ(storedBitCount(std::string(39, '\0')), 0);
}

TEST(EditorPictures, CursorMasksAndHotspot) {
  PixelMap map;
  ASSERT_EQ(parsePixelMap("cursor 9 2 hotspot 8 1\n0f.......\n.......f0\n", map), "");
  const std::string file = cursorFile(map);
  const std::size_t stride = 4, colour = 22 + 40 + 8, mask = colour + 2 * stride;
  ASSERT_EQ(file.size(), 6u + 16 + 40 + 8 + std::size_t{4} * stride);
  // A cursor and its hotspot; the image's size; a header height that counts both masks.
  EXPECT_EQ(words(file, 2, {2, 10, 12}), (std::vector<uint32_t>{2, 8, 1}));
  EXPECT_EQ(words(file, 4, {14, 22 + 8}), (std::vector<uint32_t>{static_cast<uint32_t>(file.size() - 22), 4}));
  // Rows bottom first: white at x 7, then at x 1; see-through but x 7 and 8, then from x 2.
  EXPECT_EQ(words(file, 4, {colour, colour + stride, mask, mask + stride}),
            (std::vector<uint32_t>{0x01, 0x40, 0xFE, 0x803F}));
}

TEST(EditorPictures, FaultyMapsAreNamed) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {// clang-format off
      {"", "no header"}, {"icon 2 2\n00\n00\n", "header names neither bitmap nor cursor"},
      {"bitmap 0 2\n", "header has no usable size"}, {"bitmap 2 2\n00\n0\n", "row 1 has the wrong width"},
      {"bitmap 2 2\n00\n0g\n", "unknown pixel 'g'"}, {"bitmap 2 2\n00\n", "wrong number of rows"},
      {"cursor 2 1 hotspot 2 0\n0.\n", "hotspot outside the picture"},
      {"cursor 2 1 hot 0 0\n0.\n", "cursor header lacks its hotspot"}, {"cursor 2 1 hotspot 0 0\n07\n", "unknown pixel '7'"}};
  // clang-format on
  for (const auto& c : cases) {
    PixelMap map;
    EXPECT_EQ(parsePixelMap(c.text, map), c.error) << c.text;
  }
}

// What the catalogue's own script holds crosses the built module's resources in tests/windows.
TEST(EditorScript, MenusNestAndTextsAreQuoted) {
  EXPECT_EQ(quoted("a \"b\" \\c"), "\"a \"\"b\"\" \\\\c\"");
  const menus::Node tree[] = {menus::action(6), menus::popup("In \"here\""), menus::separator(), menus::expression(51),
                              menus::end()};
  EXPECT_EQ(menuScript(7, tree, std::size(tree)),
            "7 MENU\nBEGIN\n  POPUP \"\"\n  BEGIN\n"
            "    MENUITEM \"Insert string at\", 25006\n"
            "    POPUP \"In \"\"here\"\"\"\n    BEGIN\n"
            "      MENUITEM SEPARATOR\n"
            "      MENUITEM \"Get list delimiter\", 27051\n"
            "    END\n  END\nEND\n\n");
}

}  // namespace
}  // namespace tessel::editor
