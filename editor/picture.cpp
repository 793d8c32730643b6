#include "editor/picture.h"

#include <cstdint>
#include <sstream>

#include "persist/byte_io.h"

namespace tessel::editor {
namespace {

// The 16 standard colours as blue, green, red.
constexpr unsigned char kPalette[16][3] = {{0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                                           {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
                                           {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                                           {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};

constexpr std::size_t kHeaderSize = 40;

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::size_t rowBytes(int width, int bits) { return static_cast<std::size_t>((width * bits + 31) / 32) * 4; }

void infoHeader(persist::ByteWriter& w, int width, int height, int bits, std::size_t imageBytes, int colours) {
  w.i32(kHeaderSize);
  w.i32(width);
  w.i32(height);
  w.u16(1);
  w.u16(static_cast<uint16_t>(bits));
  w.i32(0);  // uncompressed
  w.i32(static_cast<int32_t>(imageBytes));
  w.i32(0);
  w.i32(0);
  w.i32(colours);
  w.i32(0);
}

}  // namespace

std::string parsePixelMap(std::string_view text, PixelMap& out) {
  out = PixelMap{};
  std::istringstream in{std::string(text)};
  std::string line;
  bool header = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (!header) {
      std::istringstream h(line);
      std::string kind;
      std::string hotspot;
      h >> kind >> out.width >> out.height;
      if (kind == "cursor") {
        out.cursor = true;
        h >> hotspot >> out.hotX >> out.hotY;
        if (hotspot != "hotspot") return "cursor header lacks its hotspot";
      } else if (kind != "bitmap") {
        return "header names neither bitmap nor cursor";
      }
      if (h.fail() || out.width < 1 || out.height < 1 || out.width > 256 || out.height > 256) {
        return "header has no usable size";
      }
      header = true;
      continue;
    }
    if (static_cast<int>(line.size()) != out.width)
      return "row " + std::to_string(out.rows.size()) + " has the wrong width";
    for (const char c : line) {
      const bool ok = out.cursor ? (c == '.' || c == '0' || c == 'f') : hexDigit(c) >= 0;
      if (!ok) return std::string("unknown pixel '") + c + "'";
    }
    out.rows.push_back(line);
  }
  if (!header) return "no header";
  if (static_cast<int>(out.rows.size()) != out.height) return "wrong number of rows";
  if (out.cursor && (out.hotX < 0 || out.hotX >= out.width || out.hotY < 0 || out.hotY >= out.height)) {
    return "hotspot outside the picture";
  }
  return {};
}

std::string bitmapFile(const PixelMap& map) {
  const std::size_t stride = rowBytes(map.width, 4);
  const std::size_t image = stride * static_cast<std::size_t>(map.height);
  const std::size_t offset = 14 + kHeaderSize + std::size_t{16} * 4;
  persist::StringWriter w;
  w.bytes("BM");
  w.i32(static_cast<int32_t>(offset + image));
  w.i32(0);
  w.i32(static_cast<int32_t>(offset));
  infoHeader(w, map.width, map.height, 4, image, 16);
  for (const auto& c : kPalette)
    w.bytes(std::string{static_cast<char>(c[0]), static_cast<char>(c[1]), static_cast<char>(c[2]), '\0'});
  for (int y = map.height - 1; y >= 0; --y) {
    std::string row(stride, '\0');
    const std::string& src = map.rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < map.width; ++x) {
      const int v = hexDigit(src[static_cast<std::size_t>(x)]);
      char& cell = row[static_cast<std::size_t>(x / 2)];
      cell = static_cast<char>(cell | (x % 2 == 0 ? v << 4 : v));
    }
    w.bytes(row);
  }
  return w.take();
}

std::string cursorFile(const PixelMap& map) {
  const std::size_t stride = rowBytes(map.width, 1);
  const std::size_t masks = 2 * stride * static_cast<std::size_t>(map.height);
  const std::size_t imageSize = kHeaderSize + std::size_t{2} * 4 + masks;
  persist::StringWriter w;
  // The directory: one cursor image.
  w.u16(0);
  w.u16(2);
  w.u16(1);
  w.bytes(std::string{static_cast<char>(map.width & 0xFF), static_cast<char>(map.height & 0xFF), 2, 0});
  w.u16(static_cast<uint16_t>(map.hotX));
  w.u16(static_cast<uint16_t>(map.hotY));
  w.i32(static_cast<int32_t>(imageSize));
  w.i32(6 + 16);
  // The image: its header counts the colour and the mask rows together.
  infoHeader(w, map.width, 2 * map.height, 1, masks, 2);
  w.bytes(std::string("\0\0\0\0\xff\xff\xff\0", 8));
  std::string colour;
  std::string mask;
  for (int y = map.height - 1; y >= 0; --y) {
    std::string c(stride, '\0');
    std::string m(stride, '\0');
    const std::string& src = map.rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < map.width; ++x) {
      const char p = src[static_cast<std::size_t>(x)];
      const int bit = 0x80 >> (x % 8);
      char& colourByte = c[static_cast<std::size_t>(x / 8)];
      char& maskByte = m[static_cast<std::size_t>(x / 8)];
      if (p == 'f') colourByte = static_cast<char>(colourByte | bit);
      if (p == '.') maskByte = static_cast<char>(maskByte | bit);
    }
    colour += c;
    mask += m;
  }
  w.bytes(colour);
  w.bytes(mask);
  return w.take();
}

std::size_t storedBitmapSize(std::string_view stored) {
  if (stored.size() < kHeaderSize) return 0;
  persist::ByteReader r(stored);
  r.skip(4);
  const int32_t width = r.i32();
  const int32_t height = r.i32();
  r.skip(2);
  const uint16_t bits = r.u16();
  const std::size_t palette = bits <= 8 ? (std::size_t{1} << bits) * 4 : 0;
  // compat: the copy reckons the rows in 16 bits; larger pictures were never copied whole.
  const auto stride = static_cast<uint16_t>(((static_cast<uint32_t>(width) * bits + 31) / 32) * 4);
  const auto rows = static_cast<uint16_t>(stride * static_cast<uint16_t>(height < 0 ? -height : height));
  const std::size_t total = kHeaderSize + palette + rows;
  return total <= stored.size() ? total : 0;
}

int storedBitCount(std::string_view stored) {
  if (stored.size() < kHeaderSize) return 0;
  persist::ByteReader r(stored);
  r.skip(14);
  return r.u16();
}

}  // namespace tessel::editor
