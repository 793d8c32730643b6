// An instance's array as a person wants to see it, or as JSON for a
// program: texts through the module's expressions, types, keys and row
// selection through its cell diagnostic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/console/options.h"
#include "tools/console/text_encoding.h"
#include "tools/host_kit.h"

namespace tessel::console {

struct ShowOptions {
  std::size_t width = options::kWidthByDefault;  // longest text shown before it is cut, in characters
  bool utf8 = false;                             // the output takes UTF-8: texts are shown decoded, not escaped
  encoding::Encoding encoding;                   // what the texts' bytes stand for
  bool types = false;                            // a grid writes each cell as its type shows it
  bool keys = false;                             // a grid shows each cell's key after it
  bool selectedOnly = false;
  bool json = false;
  bool selectionMatters = true;  // say when no row is selected (what then finds no row, and what is not affected)
  int32_t first = 0;             // the first row (the first element of a list) shown
  int32_t last = INT32_MAX;      // the last one shown
  int32_t head = INT32_MAX;      // how many are shown at most
};

// A text in double quotes, decoded as the options say, control characters,
// quotes and bytes that stand for no character escaped, cut after `width`
// characters with "..." after the closing quote.
std::string quoted(std::string_view text, const ShowOptions& options, std::size_t width = std::string::npos);

// The rows of a table, printed in columns separated by two blanks, each as
// wide as its widest entry.
using Table = std::vector<std::vector<std::string>>;
void printTable(std::ostream& out, const Table& rows, const std::string& indent = "");

// Prints the array of `object` under `title`.
void show(hostkit::RunObject& object, const std::string& title, std::ostream& out, const ShowOptions& options);

// An element as the module tells it: texts through its expressions, the rest
// through its cell diagnostic.
struct ShownCell {
  TesselCellFacts facts{TESSEL_CELL_NONE, 0, TESSEL_CELL_NONE, 0};
  std::string text;
  std::string key;  // the key's text, when facts.keyType says it has one
};
ShownCell cellAt(hostkit::RunObject& object, int32_t index);
// Whether the cell has a key that says something: a native or INI load gives
// every element a key, empty or the empty string where it had none.
inline bool hasKey(const ShownCell& c) {
  return c.facts.keyType == TESSEL_CELL_VALUE || c.facts.keyType == TESSEL_CELL_DATA ||
         (c.facts.keyType == TESSEL_CELL_STRING && !c.key.empty());
}
// As show --types --keys writes it: "text", 12, -, [3 bytes], then #key.
std::string typedText(const ShownCell& cell, const ShowOptions& options, std::size_t width = std::string::npos);
// "empty", "value", "string", "data"; "none" for TESSEL_CELL_NONE.
const char* typeName(int32_t type);
// A text as a JSON string, in quotes, read as UTF-8 or decoded in `encoding`
// (a byte that stands for no character as the code point of its number).
std::string jsonString(std::string_view text);
std::string jsonString(std::string_view text, const encoding::Encoding& encoding);
// The bytes as a JSON string, each byte beyond ASCII as the code point of its
// number: for a reader that shows them in an encoding of its own.
std::string jsonOfBytes(std::string_view bytes);
// A text's JSON fields: "text", and "bytes" (base64) as well when the text
// alone would not give its bytes back in `encoding`.
std::string textFields(std::string_view bytes, const encoding::Encoding& encoding);
// A label as JSON: its text, or an object of its text fields when it needs its bytes.
std::string labelJson(std::string_view label, const encoding::Encoding& encoding);

// The labels of a 2D array, by column, found through the labels held: a table
// declared billions of columns wide costs what its labels cost.
using Labels = std::vector<std::pair<int32_t, std::string>>;
Labels labelsOf(hostkit::RunObject& object);
// The labels as the fields of a header row: to the array's width, or to the
// last label when the columns are only declared (see beyondCells).
std::vector<std::string> labelRow(hostkit::RunObject& object);

// How many columns (or cells of a 3D page) a tool walks whatever the array
// holds. A declared span past it and past the elements held is described,
// not walked: a 44-byte file may declare 2^31 - 1 columns.
inline constexpr int64_t kSpanWalkedFreely = 65536;
inline bool beyondCells(int64_t span, int32_t elements) { return span > kSpanWalkedFreely && span > elements; }

}  // namespace tessel::console
