// How the console and the help page fold a text before comparing or
// searching it: A to Z ignoring case, every other byte as it is.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace tessel::console {

inline std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace tessel::console
