// What a newly inserted object starts with: the editor writes it into the
// setup record, the help texts state it. Numbers and the delimiter are macros
// so the help can spell them inside its constant texts.
#pragma once

#define TESSEL_NEW_DIMENSIONS 2
#define TESSEL_NEW_X 10
#define TESSEL_NEW_Y 10
#define TESSEL_NEW_DELIMITER ","

namespace tessel::newobject {

inline constexpr bool kCaseSensitive = false;
inline constexpr bool kWildcard = false;
inline constexpr bool kAutoSelect = false;

}  // namespace tessel::newobject
