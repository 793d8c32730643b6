#include "tools/console/json_array.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string_view>

#include "host/tessel_tools.h"
#include "persist/byte_io.h"
#include "persist/text_lines.h"
#include "tools/console/console.h"

namespace tessel::console::json {

namespace {

using Json = nlohmann::json;

constexpr const char* kTypeNames[] = {"empty", "value", "string", "data"};  // TESSEL_CELL_EMPTY onwards
constexpr int32_t kMaxDimensions = 9;                                       // the module keeps no count of 10 or more

[[noreturn]] void wrong(const std::string& where, const std::string& expected) {
  throw UserError(where + ": expected " + expected);
}

const Json* find(const Json& object, const char* name) {
  const auto it = object.find(name);
  return it == object.end() ? nullptr : &*it;
}

int32_t integer(const Json& v, const std::string& where, int64_t low = INT32_MIN, int64_t high = INT32_MAX) {
  const std::string range = "an integer from " + std::to_string(low) + " to " + std::to_string(high);
  if (!v.is_number_integer()) wrong(where, range);
  const bool fits = v.is_number_unsigned() ? v.get<uint64_t>() <= static_cast<uint64_t>(high)
                                           : v.get<int64_t>() >= low && v.get<int64_t>() <= high;
  if (!fits) wrong(where, range);
  return static_cast<int32_t>(v.get<int64_t>());
}

int32_t typeOf(const Json& v, const std::string& where) {
  if (v.is_string()) {
    for (int32_t t = 0; t < 4; ++t) {
      if (v.get_ref<const std::string&>() == kTypeNames[t]) return t;
    }
  }
  wrong(where, "a type: \"empty\", \"value\", \"string\" or \"data\"");
}

// A text of the JSON as bytes of its encoding.
std::string encoded(const std::string& text, const encoding::Encoding& encoding, const std::string& where) {
  encoding::Encoded e = encoding.encode(text);
  if (!e.ok) wrong(where, "a text that " + encoding.name() + " holds, not one with " + encoding::describe(e.unheld));
  return std::move(e.bytes);
}

// The bytes of a text: its "bytes" when it has them (texts the encoding does
// not give back), else its "text" in the JSON's encoding.
std::string bytesOf(const Json& object, const std::string& where, bool needText, const encoding::Encoding& encoding) {
  if (const Json* b = find(object, "bytes")) {
    if (!b->is_string()) wrong(where + ".bytes", "a base64 text");
    auto bytes = fromBase64(b->get_ref<const std::string&>());
    if (!bytes) wrong(where + ".bytes", "a base64 text");
    return std::move(*bytes);
  }
  const Json* t = find(object, "text");
  if (t == nullptr && !needText) return "";
  if (t == nullptr || !t->is_string()) wrong(where + ".text", "a text");
  return encoded(t->get_ref<const std::string&>(), encoding, where + ".text");
}

void noZeroByte(const std::string& bytes, const std::string& where) {
  if (bytes.find('\0') != std::string::npos) wrong(where, "a text without a zero byte (data may hold them)");
}

Record record(const Json& object, const std::string& where, bool isKey, const encoding::Encoding& encoding) {
  if (!object.is_object()) wrong(where, "an object");
  const Json* type = find(object, "type");
  if (type == nullptr) wrong(where + ".type", "a type: \"empty\", \"value\", \"string\" or \"data\"");
  Record r;
  r.type = typeOf(*type, where + ".type");
  switch (r.type) {
    case TESSEL_CELL_VALUE:
      if (const Json* v = find(object, "value")) {
        r.value = integer(*v, where + ".value");
      } else if (const Json* t = isKey ? find(object, "text") : nullptr; t != nullptr && t->is_string()) {
        // A value key is written as its decimal text.
        const std::string& text = t->get_ref<const std::string&>();
        std::size_t used = 0;
        long long number = 0;
        try {
          number = std::stoll(text, &used);
        } catch (const std::exception&) {
          used = 0;
        }
        if (used == 0 || used != text.size() || number < INT32_MIN || number > INT32_MAX)
          wrong(where + ".text", "a value key's decimal text");
        r.value = static_cast<int32_t>(number);
      } else {
        wrong(where + ".value", "an integer");
      }
      break;
    case TESSEL_CELL_STRING:
      r.bytes = bytesOf(object, where, true, encoding);
      noZeroByte(r.bytes, where + ".text");
      break;
    case TESSEL_CELL_DATA:
      if (!isKey && find(object, "bytes") == nullptr) wrong(where + ".bytes", "the data's bytes in base64");
      r.bytes = bytesOf(object, where, true, encoding);
      if (const Json* n = find(object, "length");
          n != nullptr && static_cast<std::size_t>(integer(*n, where + ".length", 0)) != r.bytes.size())
        wrong(where + ".length", "the number of its bytes, " + std::to_string(r.bytes.size()));
      break;
    default: break;
  }
  return r;
}

std::optional<std::string> label(const Json& v, const std::string& where, const encoding::Encoding& encoding) {
  if (v.is_null()) return std::nullopt;
  if (v.is_string()) {
    std::string bytes = encoded(v.get_ref<const std::string&>(), encoding, where);
    noZeroByte(bytes, where);
    return bytes;
  }
  if (!v.is_object()) wrong(where, "a text, null or {\"text\": ..., \"bytes\": ...}");
  std::string bytes = bytesOf(v, where, true, encoding);
  noZeroByte(bytes, where);
  return bytes;
}

void writeRecord(persist::ByteWriter& out, const Record& r) {
  if (r.type == TESSEL_CELL_VALUE) {
    out.u16(1);
    out.i32(4);
    out.i32(r.value);
    return;
  }
  if (r.type == TESSEL_CELL_STRING) {
    out.u16(2);
    out.i32(static_cast<int32_t>(r.bytes.size() + 1));
    out.bytes(r.bytes);
    out.bytes(std::string_view("\0", 1));
    return;
  }
  // Data, an empty cell, or no key (written as an empty one, as the module writes it).
  out.u16(r.type == TESSEL_CELL_DATA ? 3 : 0);
  out.i32(r.type == TESSEL_CELL_DATA ? static_cast<int32_t>(r.bytes.size()) : 0);
  if (r.type == TESSEL_CELL_DATA) out.bytes(r.bytes);
}

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

// Parse errors and numbers too large for a double alike: every one the reader throws.
std::string badJson(std::string_view what) {
  // "[json.exception.parse_error.101] parse error at line 2, column 3: ..."
  if (const std::size_t at = what.find(" at line "); at != std::string_view::npos)
    return "bad JSON" + std::string(what.substr(at));
  if (what.substr(0, 1) == "[") what.remove_prefix(std::min(what.size(), what.find("] ") + 2));
  return "bad JSON: " + std::string(what);
}

Array parse(std::string_view text) {
  Json doc;
  try {
    doc = Json::parse(text.begin(), text.end());
  } catch (const Json::exception& e) {
    throw UserError(badJson(e.what()));
  }
  if (!doc.is_object()) wrong("the JSON text", "an object {\"dimensions\": ..., \"cells\": [...]}");
  // The texts given without their bytes are in it.
  encoding::Encoding textEncoding = encoding::Encoding::utf8();
  if (const Json* e = find(doc, "encoding"); e != nullptr && *e != "utf-8") {
    auto named = e->is_string() ? encoding::Encoding::named(e->get_ref<const std::string&>()) : std::nullopt;
    if (!named || named->kind() == encoding::Kind::automatic)
      wrong("encoding", "the encoding of the texts: \"utf-8\" or windows-" + std::to_string(encoding::kFirstCodePage) +
                            " to windows-" + std::to_string(encoding::kLastCodePage));
    textEncoding = *named;
  }
  Array a;
  const Json* dimensions = find(doc, "dimensions");
  if (dimensions == nullptr) wrong("dimensions", "the dimension count");
  a.dimensions = integer(*dimensions, "dimensions", 0, kMaxDimensions);
  if (const Json* b = find(doc, "boundaries")) {
    if (!b->is_array() || b->size() != static_cast<std::size_t>(a.dimensions))
      wrong("boundaries", "an array of " + plural(a.dimensions, "boundary", "boundaries"));
    for (std::size_t k = 0; k < b->size(); ++k)
      a.boundaries.push_back(integer((*b)[k], "boundaries[" + std::to_string(k) + "]"));
  } else {
    // Written before the boundaries were: columns and rows per page.
    a.boundaries.assign(static_cast<std::size_t>(a.dimensions), 0);
    if (const Json* c = find(doc, "columns"); c != nullptr && a.dimensions >= 2)
      a.boundaries[0] = integer(*c, "columns");
    if (const Json* y = find(doc, "rowsPerPage"); y != nullptr && a.dimensions >= 3)
      a.boundaries[1] = integer(*y, "rowsPerPage");
  }
  if (const Json* c = find(doc, "columns"); c != nullptr && a.dimensions >= 2 && integer(*c, "columns") != a.columns())
    wrong("columns", "boundary 1, " + std::to_string(a.columns()));
  a.grid = a.dimensions == 2 && a.columns() >= 1;

  const Json* cells = find(doc, "cells");
  if (cells == nullptr || !cells->is_array()) wrong("cells", "an array of cells");
  if (const Json* size = find(doc, "size")) {
    const int32_t n = integer(*size, "size", 0);
    // Checked before anything is built: a short text may declare any size.
    if (static_cast<std::size_t>(n) != cells->size())
      wrong("cells", "all " + plural(n, "cell", "cells") + " of \"size\", not " + std::to_string(cells->size()) +
                         " (a JSON written with --head, --rows or --selected holds only part of the array)");
  }
  a.cells.reserve(cells->size());
  for (std::size_t i = 0; i < cells->size(); ++i) {
    const std::string where = "cells[" + std::to_string(i) + "]";
    const Json& c = (*cells)[i];
    Element e;
    e.cell = record(c, where, false, textEncoding);
    if (const Json* index = find(c, "index");
        index != nullptr && integer(*index, where + ".index") != static_cast<int64_t>(i))
      wrong(where + ".index", std::to_string(i) + ", its place among the cells");
    if (const Json* key = find(c, "key"); key != nullptr && !key->is_null())
      e.key = record(*key, where + ".key", true, textEncoding);
    if (const Json* s = find(c, "selected")) {
      if (!s->is_boolean()) wrong(where + ".selected", "true or false");
      e.selected = s->get<bool>();
    }
    a.cells.push_back(std::move(e));
  }
  // A width only declared (show writes "labels": null for it) gives its labels
  // by column; the slots up to the last one may not outgrow the load rule.
  if (const Json* byColumn = find(doc, "labelsByColumn"); byColumn != nullptr && !byColumn->is_null()) {
    if (!byColumn->is_object()) wrong("labelsByColumn", "an object of labels by column");
    const int64_t slots = ((int64_t{TESSEL_LOAD_ALLOWANCE_MIB} << 20) +
                           TESSEL_LOAD_BYTES_PER_FILE_BYTE * static_cast<int64_t>(text.size())) /
                          static_cast<int64_t>(sizeof(std::optional<std::string>) + 4);
    for (auto it = byColumn->begin(); it != byColumn->end(); ++it) {
      const std::string where = "labelsByColumn." + it.key();
      const std::string& key = it.key();
      const bool digits = !key.empty() && key.size() <= 10 && key.find_first_not_of("0123456789") == std::string::npos;
      const int64_t c = digits ? std::stoll(key) : -1;
      if (c < 0 || c >= a.columns()) wrong(where, "a column number of the array");
      if (c >= slots) wrong(where, "a column within the first " + std::to_string(slots) + " for a file of this size");
      if (a.labels.size() <= static_cast<std::size_t>(c)) a.labels.resize(static_cast<std::size_t>(c) + 1);
      a.labels[static_cast<std::size_t>(c)] = label(it.value(), where, textEncoding);
    }
  }
  if (const Json* labels = find(doc, "labels"); labels != nullptr && !labels->is_null()) {
    if (!labels->is_array()) wrong("labels", "an array of labels");
    for (std::size_t c = 0; c < labels->size(); ++c)
      a.labels.push_back(label((*labels)[c], "labels[" + std::to_string(c) + "]", textEncoding));
  }
  return a;
}

bool mixedSelection(const Array& a) {
  const std::size_t columns = a.grid ? static_cast<std::size_t>(a.columns()) : 0;
  if (columns == 0) return false;
  const std::size_t rows = a.cells.size() / columns;
  bool any = false, all = true;
  for (std::size_t p = 0; p < rows; ++p) {
    any = any || a.cells[p * columns].selected;
    all = all && a.cells[p * columns].selected;
  }
  return any && !all;
}

namespace {

// The native file's header, labels and element count: what comes before the elements.
void writeHead(persist::ByteWriter& out, int32_t dimensions, const std::vector<int32_t>& boundaries,
               const std::vector<std::optional<std::string>>& labels, std::size_t count) {
  out.bytes("QVXARRAY");
  out.u16(1);
  out.i32(dimensions);
  for (const int32_t b : boundaries) out.i32(b);
  out.i32(static_cast<int32_t>(labels.size()));
  for (const auto& l : labels) {
    out.i32(l ? static_cast<int32_t>(l->size()) : 0);
    if (l) out.bytes(*l);
  }
  out.i32(static_cast<int32_t>(count));
}

}  // namespace

std::string valueImage(int32_t dimensions, const std::vector<int32_t>& boundaries, const std::vector<int32_t>& values) {
  persist::StringWriter out;
  writeHead(out, dimensions, boundaries, {}, values.size());
  const Record none{TESSEL_CELL_NONE, 0, {}};
  for (const int32_t v : values) {
    writeRecord(out, v != 0 ? Record{TESSEL_CELL_VALUE, v, {}} : Record{TESSEL_CELL_EMPTY, 0, {}});
    writeRecord(out, none);
  }
  return out.take();
}

std::string nativeImage(const Array& a, bool markSelection) {
  persist::StringWriter out;
  writeHead(out, a.dimensions, a.boundaries, a.labels, a.cells.size());
  const std::size_t columns = a.grid ? static_cast<std::size_t>(a.columns()) : 0;
  const std::size_t marked = markSelection && columns > 0 ? a.cells.size() / columns * columns : 0;
  for (std::size_t i = 0; i < a.cells.size(); ++i) {
    const Element& e = a.cells[i];
    if (i < marked && i % columns == 0) {
      writeRecord(out, e.selected ? Record{TESSEL_CELL_VALUE, 1, {}} : Record{TESSEL_CELL_EMPTY, 0, {}});
    } else {
      writeRecord(out, e.cell);
    }
    writeRecord(out, e.key);
  }
  return out.take();
}

std::string base64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    uint32_t v = 0;
    for (std::size_t k = 0; k < 3; ++k) v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kAlphabet[(v >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

std::optional<std::string> fromBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    uint32_t v = 0;
    int pad = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const char c = text[i + k];
      const char* at = c == '\0' ? nullptr : std::strchr(kAlphabet, c);
      // Padding only at the very end, at most two.
      if (c == '=' && i + 4 == text.size() && k >= 2 && (k == 3 || text[i + 3] == '=')) {
        ++pad;
        v <<= 6;
        continue;
      }
      if (at == nullptr || pad > 0) return std::nullopt;
      v = v << 6 | static_cast<uint32_t>(at - kAlphabet);
    }
    for (int k = 0; k < 3 - pad; ++k) out += static_cast<char>((v >> (16 - 8 * k)) & 0xff);
  }
  return out;
}

std::size_t utf8Length(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned lead = byte(0);
  const std::size_t n = lead < 0x80                   ? 1
                        : lead >= 0xc2 && lead < 0xe0 ? 2
                        : lead >= 0xe0 && lead < 0xf0 ? 3
                        : lead >= 0xf0 && lead < 0xf5 ? 4
                                                      : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(k) & 0xc0) != 0x80) return 0;
  }
  // No overlong forms, no surrogates, nothing past U+10FFFF.
  if (n == 3 && ((lead == 0xe0 && byte(1) < 0xa0) || (lead == 0xed && byte(1) >= 0xa0))) return 0;
  if (n == 4 && ((lead == 0xf0 && byte(1) < 0x90) || (lead == 0xf4 && byte(1) >= 0x90))) return 0;
  return n;
}

bool isUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = utf8Length(bytes, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

bool looksLikeArrayJson(std::string_view head) {
  head = persist::withoutBom(head);
  const std::size_t open = head.find_first_not_of(" \t\r\n");
  if (open == std::string_view::npos || head[open] != '{') return false;
  return head.find("\"dimensions\"") != std::string_view::npos || head.find("\"cells\"") != std::string_view::npos;
}

}  // namespace tessel::console::json
