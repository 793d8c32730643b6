// 32-bit arithmetic as the host's machine does it: two's complement wrap,
// never undefined behaviour.
#pragma once

#include <cstdint>

namespace tessel {

inline int32_t wrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t wrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

inline int32_t wrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Truncates toward zero; a divisor of 0 gives 0 and INT32_MIN / -1 wraps to INT32_MIN.
inline int32_t wrapDiv(int32_t a, int32_t b) {
  if (b == 0) return 0;
  if (b == -1) return wrapSub(0, a);
  return a / b;
}

// The remainder that goes with wrapDiv; 0 for a divisor of 0 or -1.
inline int32_t wrapMod(int32_t a, int32_t b) {
  if (b == 0 || b == -1) return 0;
  return a % b;
}

}  // namespace tessel
