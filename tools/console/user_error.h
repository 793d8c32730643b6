// A mistake in what the user wrote, and the counts its messages give.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tessel::console {

// A mistake in what the user wrote; the message is complete and ready to print.
struct UserError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A count in words: "1 row", "2 rows".
inline std::string plural(int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace tessel::console
