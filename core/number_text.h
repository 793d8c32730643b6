// The conversions between numbers and text that the whole system uses.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessel {

// Reads a text as the C library's atol does: leading white space, one
// optional sign, decimal digits up to the first non-digit; no digits give 0.
// The result wraps at 32 bits instead of overflowing. A null text reads as 0.
int32_t parseInteger(const char* text);

// Writes a value in decimal (a leading minus sign, no leading zeros) with a
// terminating zero byte; returns the number of characters. 12 bytes always suffice.
constexpr std::size_t kDecimalBufferSize = 12;
std::size_t formatInteger(int32_t value, char (&buffer)[kDecimalBufferSize]);

}  // namespace tessel
