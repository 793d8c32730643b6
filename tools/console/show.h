// Prints an instance's array as a person wants to see it, or as JSON for a
// program: texts through the module's expressions, types, keys and row
// selection through its cell diagnostic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/host_kit.h"

namespace tessel::console {

struct ShowOptions {
  std::size_t width = 24;  // longest text shown before it is cut, in characters
  bool utf8 = false;       // the output takes UTF-8: such texts are shown as they are, not escaped
  bool types = false;      // a grid writes each cell as its type shows it
  bool keys = false;       // a grid shows each cell's key after it
  bool selectedOnly = false;
  bool json = false;
  int32_t first = 0;         // the first row (the first element of a list) shown
  int32_t last = INT32_MAX;  // the last one shown
  int32_t head = INT32_MAX;  // how many are shown at most
};

// Reads "--types", "--rows 2:5" and the rest from words at i, advancing i;
// false when words[i] is not a show option. Throws UserError for a bad value.
bool readShowOption(const std::vector<std::string>& words, std::size_t& i, ShowOptions& options);

// A text in double quotes, control characters and quotes escaped, cut after
// `width` characters with "..." after the closing quote.
std::string quoted(std::string_view text, bool utf8, std::size_t width = std::string::npos);

// The rows of a table, printed in columns separated by two blanks, each as
// wide as its widest entry.
using Table = std::vector<std::vector<std::string>>;
void printTable(std::ostream& out, const Table& rows, const std::string& indent = "");

// Prints the array of `object` under `title`.
void show(hostkit::RunObject& object, const std::string& title, std::ostream& out, const ShowOptions& options);

}  // namespace tessel::console
