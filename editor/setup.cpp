#include "editor/setup.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "host/new_object.h"

namespace tessel::editor {

void writeNewObject(TesselSetup& setup) {
  setup.frameWidth = 32;
  setup.frameHeight = 32;
  setup.dimensionCount = TESSEL_NEW_DIMENSIONS;
  setup.xSize = TESSEL_NEW_X;
  setup.ySize = TESSEL_NEW_Y;
  setup.caseSensitive = newobject::kCaseSensitive ? 1 : 0;
  setup.wildcard = newobject::kWildcard ? 1 : 0;
  static_assert(sizeof TESSEL_NEW_DELIMITER <= sizeof setup.listDelimiter);
  std::memset(setup.listDelimiter, 0, sizeof setup.listDelimiter);
  std::memcpy(setup.listDelimiter, TESSEL_NEW_DELIMITER, sizeof TESSEL_NEW_DELIMITER);
  setup.autoSelect = newobject::kAutoSelect ? 1 : 0;
}

ControlStates controlsFor(const TesselSetup& setup) {
  ControlStates c;
  c.threeD = setup.dimensionCount == 3;
  c.twoD = setup.dimensionCount == 2;
  c.x = std::to_string(setup.xSize);
  c.y = std::to_string(setup.ySize);
  // A record made elsewhere may lack the terminator; read no further than the field.
  c.delimiter.assign(setup.listDelimiter, strnlen(setup.listDelimiter, sizeof setup.listDelimiter));
  c.caseInsensitive = setup.caseSensitive == 0;
  c.literal = setup.wildcard == 0;
  c.autoSelectOn = setup.autoSelect == 1;
  return c;
}

BoxesEnabled boxesEnabled(bool twoD, bool threeD) {
  if (threeD) return {true, true};
  return {twoD, false};
}

void applyOk(const ControlStates& c, TesselSetup& setup) {
  const std::size_t length = std::min(c.delimiter.size(), kDelimiterLimit - 1);
  std::memcpy(setup.listDelimiter, c.delimiter.data(), length);
  setup.listDelimiter[length] = '\0';
  if (c.threeD) {
    setup.dimensionCount = 3;
    setup.xSize = boxNumber(c.x);
    setup.ySize = boxNumber(c.y);
  } else if (c.twoD) {
    setup.dimensionCount = 2;
    setup.xSize = boxNumber(c.x);
  } else {
    setup.dimensionCount = 1;
  }
  setup.caseSensitive = c.caseInsensitive ? 0 : 1;
  setup.wildcard = c.literal ? 0 : 1;
  setup.autoSelect = c.autoSelectOn ? 1 : 0;
}

int32_t boxNumber(const std::string& text) {
  const auto blank = [](char ch) { return ch == ' ' || ch == '\t'; };
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && blank(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  const std::size_t digits = i;
  int64_t value = 0;
  for (; i < n && std::isdigit(static_cast<unsigned char>(text[i])) != 0; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{INT32_MAX} + 1) return 0;
  }
  if (i == digits) return 0;
  while (i < n && blank(text[i])) ++i;
  if (i != n) return 0;
  if (negative) value = -value;
  return value < INT32_MIN || value > INT32_MAX ? 0 : static_cast<int32_t>(value);
}

void resizeFrame(TesselSetup& setup, int32_t mode, const int16_t* size) {
  if (mode != 0 || size == nullptr) return;
  setup.frameWidth = size[2];
  setup.frameHeight = size[3];
}

void objectRect(TesselRect& rect, const TesselSetup& setup) {
  // Wraps like the host's 32-bit arithmetic instead of overflowing.
  rect.right = static_cast<int32_t>(static_cast<uint32_t>(rect.left) + static_cast<uint32_t>(setup.frameWidth));
  rect.bottom = static_cast<int32_t>(static_cast<uint32_t>(rect.top) + static_cast<uint32_t>(setup.frameHeight));
}

}  // namespace tessel::editor
