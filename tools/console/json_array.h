// The JSON form of a whole array, as show --json writes it, read back: the
// text into a plain description of the array, and that into the bytes of a
// native array file, which the module then loads as it loads any. So the
// module stays the one that builds arrays; this part only reads JSON.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::console::json {

// A cell or a key: its type (TESSEL_CELL_*; TESSEL_CELL_NONE for no key),
// the value of a value, the bytes of a string (without its zero byte) or of data.
struct Record {
  int32_t type = -1;
  int32_t value = 0;
  std::string bytes;
};

struct Element {
  Record cell;
  Record key;
  bool selected = false;  // its row's, in a 2D array
};

struct Array {
  int32_t dimensions = 0;
  std::vector<int32_t> boundaries;  // boundary 1 to the dimension count, as the module reports them
  // The column labels, empty when the array has no label table; a slot
  // without a label has none.
  std::vector<std::optional<std::string>> labels;
  std::vector<Element> cells;
  bool grid = false;  // 2D with columns: the rows have a selection
  int32_t columns() const { return boundaries.empty() ? 0 : boundaries[0]; }
};

// The array a JSON text describes. Throws UserError saying where the text is
// wrong (line and column of bad JSON, the field of a wrong shape) and what
// was expected there.
Array parse(std::string_view text);

// The array as a native array file. With `markSelection`, the first cell of
// each complete row of a grid is a value, 1 where the row is selected and
// empty where not, so that a query can select the rows; its key stays.
std::string nativeImage(const Array& array, bool markSelection = false);

// A native array file of value cells without keys, 0 an empty cell, in the
// shape given (boundary 1 to the dimension count).
std::string valueImage(int32_t dimensions, const std::vector<int32_t>& boundaries, const std::vector<int32_t>& values);

// Whether the complete rows of a grid are selected otherwise than all or none.
bool mixedSelection(const Array& array);

// What a JSON reader's exception says, as a mistake: "bad JSON at line 2,
// column 3: ..." where it gives a place, "bad JSON: number overflow ..." else.
std::string badJson(std::string_view what);

// Base64 with padding, and back (none for text that is not base64).
std::string base64(std::string_view bytes);
std::optional<std::string> fromBase64(std::string_view text);

// The length of the UTF-8 sequence that starts at s[i], or 0 when none does:
// overlong forms and surrogates are none, as a JSON reader refuses them.
std::size_t utf8Length(std::string_view s, std::size_t i);
// Whether the bytes are UTF-8, so that a JSON text field alone gives them back.
bool isUtf8(std::string_view bytes);

// The start of a JSON text of this form: "{" first (after blanks and a byte
// order mark) and a field of its shape near it.
bool looksLikeArrayJson(std::string_view head);

}  // namespace tessel::console::json
