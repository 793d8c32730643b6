// The setup record as the editor sees it: the new-object values, the states
// of the setup dialog's controls it shows and reads back on OK, the frame
// size and the object's rectangle.
#pragma once

#include <cstdint>
#include <string>

#include "host/tessel.h"

namespace tessel::editor {

// The longest delimiter the dialog stores, terminator included.
inline constexpr std::size_t kDelimiterLimit = TESSEL_DELIMITER_LIMIT + 1;
static_assert(kDelimiterLimit <= TESSEL_DELIMITER_SIZE);

// Fills every field the object owns with the values of a new object; the host
// header is the host's and stays.
void writeNewObject(TesselSetup& setup);

// What the dialog's controls hold. Each pair of radio buttons is one flag: the
// first button checked, or the second. Neither 2D nor 3D means 1D.
struct ControlStates {
  bool twoD = false;
  bool threeD = false;
  std::string x;
  std::string y;
  std::string delimiter;
  bool caseInsensitive = true;
  bool literal = true;
  bool autoSelectOn = false;
};

struct BoxesEnabled {
  bool x;
  bool y;
};

// The controls as the dialog opens on a setup record.
ControlStates controlsFor(const TesselSetup& setup);
// Which of the X and Y boxes take input for the checked dimension buttons.
BoxesEnabled boxesEnabled(bool twoD, bool threeD);
// What OK writes: only the fields the dialog edits; the Y size (1D and 2D) and
// the X size (1D) keep their values, the delimiter is cut to the limit.
void applyOk(const ControlStates& controls, TesselSetup& setup);
// A box's number: optional blanks, an optional sign and decimal digits,
// optional blanks; anything else, or a number past 32 bits, reads as 0.
int32_t boxNumber(const std::string& text);

// The host's resize notice: in mode 0 the size record's third and fourth
// 16-bit values become the frame width and height.
void resizeFrame(TesselSetup& setup, int32_t mode, const int16_t* size);
// The rectangle grown from its left and top by the frame size.
void objectRect(TesselRect& rect, const TesselSetup& setup);

}  // namespace tessel::editor
