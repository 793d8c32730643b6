// The module's pictures, kept as text pixel maps and turned into the bitmap
// and cursor files the resource compiler takes; and the byte count of a
// stored bitmap as the icon copy reckons it.
//
// A pixel map is a header line, "bitmap W H" or "cursor W H hotspot X Y",
// then H rows of W characters, top row first. In a bitmap each character is a
// hex digit naming one of the 16 standard colours (0 black, 7 silver, 8 grey,
// 9 red, a green, b yellow, c blue, f white, ...); in a cursor '0' is black,
// 'f' white and '.' shows what lies beneath. Lines starting with ';' are
// comments.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::editor {

struct PixelMap {
  bool cursor = false;
  int width = 0;
  int height = 0;
  int hotX = 0;
  int hotY = 0;
  std::vector<std::string> rows;
};

// Reads a pixel map; the error is empty on success and names the fault otherwise.
std::string parsePixelMap(std::string_view text, PixelMap& out);

// A 4-bit bitmap file with the 16-colour palette, rows bottom up.
std::string bitmapFile(const PixelMap& map);
// A cursor file holding one monochrome image with its mask.
std::string cursorFile(const PixelMap& map);

// Bytes of a stored bitmap (header, palette, rows) reckoned from its 40-byte
// header: the palette has 2^bits colours up to 8 bits and none above, and
// the rows' total is kept to 16 bits as the host's copy does. 0 when the
// header is short or the count runs past the data.
std::size_t storedBitmapSize(std::string_view stored);
// Bits per pixel of a stored bitmap; 0 when the header is short.
int storedBitCount(std::string_view stored);

}  // namespace tessel::editor
