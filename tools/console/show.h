// Prints an instance's array as a person wants to see it, learning everything
// through the module's expressions.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

#include "tools/host_kit.h"

namespace tessel::console {

struct ShowOptions {
  std::size_t width = 24;  // longest text shown before it is cut
};

// A text in double quotes, control characters and quotes escaped, cut after
// `width` characters with "..." after the closing quote.
std::string quoted(std::string_view text, std::size_t width = std::string::npos);

// Prints the array of `object` under `title`.
void show(hostkit::RunObject& object, const std::string& title, std::ostream& out, const ShowOptions& options);

}  // namespace tessel::console
