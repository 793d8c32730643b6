// What each file format keeps and loses, its dialect and its layout, as
// constant data for the readers of the object: the help page and the console's
// help print these, and a test round-trips arrays through the formats to hold
// the table to what the code does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "host/catalogue.h"
#include "host/tessel_tools.h"
#include "persist/recognition.h"

// The memory rules of host/tessel_tools.h as the texts below quote them:
// "64 MiB + 64" (bytes for each byte of the file), and a save's bound.
#define TESSEL_LOAD_BOUND_TEXT \
  TESSEL_QUOTED(TESSEL_LOAD_ALLOWANCE_MIB) " MiB + " TESSEL_QUOTED(TESSEL_LOAD_BYTES_PER_FILE_BYTE)
#define TESSEL_SAVE_BOUND_TEXT \
  TESSEL_QUOTED(TESSEL_MAX_SAVE_GIB) " GiB, or " TESSEL_QUOTED(TESSEL_SAVE_BYTES_PER_ARRAY_BYTE) " times the " \
                                     "array's own size plus " TESSEL_QUOTED(TESSEL_SAVE_ALLOWANCE_MIB) " MiB"

namespace tessel::facts {

// Every file format a tool names: the module's own first (native to element,
// the columns of kAspects and kBadFiles), then those the console host reads
// and writes itself. A new format is a row of kFormats (and, for one of the
// module's, a column of each table below).
enum class Format : uint8_t { native, hostArray, csv, ini, element, sheet, json, tilemap };
inline constexpr std::size_t kModuleFormatCount = 5;

// kept: comes back as it was saved; changed: comes back, but not as it was;
// lost: does not come back at all.
enum class Fate : uint8_t { kept, changed, lost };

constexpr const char* fateName(Fate f) { return f == Fate::kept ? "kept" : f == Fate::changed ? "changed" : "lost"; }

// How an action uses its file: the array formats have a save, a replacing
// load and an appending load; the element file two saves (replace, append),
// then loads that add to the array.
enum class FileUse : uint8_t { save, load, append };

struct FileActionUse {
  int action;  // catalogue number; -1 ends a shorter list
  FileUse use;
};

// What shows a file's format in its first bytes, in the order a tool asks:
// a more particular sign before one that would take its files too (a tile
// map is JSON as well). `none`: only a name or an extension tells it.
enum class Sign : uint8_t { magic, tileMapFields, arrayJsonFields, iniSection, none };

struct FormatInfo {
  Format format;
  const char* name;
  const char* shortName;     // as a command line names it
  const char* extension;     // the file name ending a tool tells it by; nullptr when none
  Sign sign;                 // how its first bytes show it
  std::string_view magic;    // the bytes at offset 0, for Sign::magic
  bool wholeArray;           // a file holds a whole array (the element file holds one element)
  FileActionUse actions[5];  // the module's actions on it; none for the console's own formats
  const char* summary;       // for the module's formats
};

using catalogue::actionOf;

// clang-format off
inline constexpr FormatInfo kFormats[] = {
    {Format::native, "Native array file", "native", ".arr", Sign::magic, persist::kNativeMagic, true,
     {{actionOf("saveToFile"), FileUse::save}, {actionOf("loadFromFile"), FileUse::load},
      {actionOf("appendFromFile"), FileUse::append}, {-1, FileUse::save}},
     "The object's own binary file (magic \"QVXARRAY\"): the whole array with its dimensions, labels and keys. A "
     "file cut short or holding a malformed record loads what it holds and is reported as damaged."},
    {Format::hostArray, "Host array file", "host", ".array", Sign::magic, persist::kHostArrayMagic, true,
     {{actionOf("saveAsHostArray"), FileUse::save}, {actionOf("loadFromHostArray"), FileUse::load},
      {actionOf("appendFromHostArray"), FileUse::append}, {-1, FileUse::save}},
     "The host's binary array file (magic \"HGF ARRAY\"): an X by Y by Z grid of texts, for exchanging arrays with "
     "the host. A file cut short loads what it holds and is reported as damaged. A save whose grid would "
     "pass " TESSEL_SAVE_BOUND_TEXT ", is refused and the old file stays."},
    // Any bytes read as CSV: a file that shows no other format is one.
    {Format::csv, "CSV file", "csv", ".csv", Sign::none, {}, true,
     {{actionOf("saveToCsv"), FileUse::save}, {actionOf("loadFromCsv"), FileUse::load},
      {actionOf("appendFromCsv"), FileUse::append}, {-1, FileUse::save}},
     "A comma-separated text file, one line per row, read back as a 2D array of strings."},
    {Format::ini, "INI file", "ini", ".ini", Sign::iniSection, {}, true,
     {{actionOf("saveToIni"), FileUse::save}, {actionOf("loadFromIni"), FileUse::load},
      {actionOf("appendFromIni"), FileUse::append}, {-1, FileUse::save}},
     "A text file with one section and one key=text line per element, read back as keyed strings."},
    {Format::element, "Element file", "element", nullptr, Sign::none, {}, false,
     {{actionOf("saveElementToFile"), FileUse::save}, {actionOf("appendElementToFile"), FileUse::save},
      {actionOf("setFileAt"), FileUse::append}, {actionOf("insertFileAt"), FileUse::append},
      {actionOf("appendFile"), FileUse::append}},
     "The raw bytes of one element; reading a file stores all its bytes as one data element."},
    // Spreadsheet CSV is named, never told by a file (kSheetDialect).
    {Format::sheet, "Spreadsheet CSV", "sheet", nullptr, Sign::none, {}, true, {{-1, FileUse::save}}, ""},
    {Format::json, "JSON array", "json", ".json", Sign::arrayJsonFields, {}, true, {{-1, FileUse::save}}, ""},
    {Format::tilemap, "Tile map", "tilemap", ".tmj", Sign::tileMapFields, {}, true, {{-1, FileUse::save}}, ""},
};
// clang-format on

constexpr bool inFormatOrder() {
  for (std::size_t f = 0; f < std::size(kFormats); ++f) {
    if (static_cast<std::size_t>(kFormats[f].format) != f) return false;
    if ((kFormats[f].actions[0].action >= 0) != (f < kModuleFormatCount)) return false;
  }
  return true;
}
static_assert(inFormatOrder(), "kFormats is indexed by Format, the module's formats first, each with its actions");

// The module's formats, for a range-for over the columns of the tables below.
struct ModuleFormats {
  constexpr const FormatInfo* begin() const { return kFormats; }
  constexpr const FormatInfo* end() const { return kFormats + kModuleFormatCount; }
};
inline constexpr ModuleFormats kModuleFormats{};

constexpr const FormatInfo& formatInfo(Format f) { return kFormats[static_cast<std::size_t>(f)]; }

// The first of the format's actions with that use; -1 when it has none.
constexpr int actionFor(Format f, FileUse use) {
  for (const FileActionUse& a : formatInfo(f).actions) {
    if (a.action < 0) break;
    if (a.use == use) return a.action;
  }
  return -1;
}

// The console host reads and writes the formats without actions itself.
constexpr bool readByTessel(Format f) { return actionFor(f, FileUse::load) < 0 && formatInfo(f).wholeArray; }

// The formats of whole arrays as a list: "native, host, ... or tilemap" (names),
// ".arr, .array, ..." (extensions) or ".arr native, .array host, .csv, ..."
// (extensions with the names that differ from them), each joined by
// `separator`, the last by `last`.
enum class FormatList : uint8_t { names, extensions, namedExtensions };
inline std::string formatList(FormatList what, std::string_view separator, std::string_view last) {
  std::vector<std::string> items;
  for (const FormatInfo& f : kFormats) {
    if (!f.wholeArray || (what != FormatList::names && f.extension == nullptr)) continue;
    if (what == FormatList::names) {
      items.emplace_back(f.shortName);
    } else {
      items.emplace_back(f.extension);
      if (what == FormatList::namedExtensions && items.back().substr(1) != f.shortName)
        items.back().append(" ").append(f.shortName);
    }
  }
  std::string out;
  for (std::size_t k = 0; k < items.size(); ++k)
    out.append(k == 0 ? "" : k + 1 == items.size() ? last : separator).append(items[k]);
  return out;
}

// A help text with the lists above where it names them: "{format names}"
// (", " and " or "), "{extensions}" and "{named extensions}" (", ").
inline std::string withFormatLists(std::string_view text) {
  struct Slot {
    std::string_view mark;
    FormatList what;
    std::string_view last;
  };
  constexpr Slot kSlots[] = {{"{format names}", FormatList::names, " or "},
                             {"{extensions}", FormatList::extensions, ", "},
                             {"{named extensions}", FormatList::namedExtensions, ", "}};
  std::string out(text);
  for (const Slot& slot : kSlots) {
    for (std::size_t at = out.find(slot.mark); at != std::string::npos; at = out.find(slot.mark, at)) {
      const std::string list = formatList(slot.what, ", ", slot.last);
      out.replace(at, slot.mark.size(), list);
      at += list.size();
    }
  }
  return out;
}

struct FateNote {
  Fate fate;
  const char* note;
};

struct Aspect {
  const char* name;
  FateNote by[kModuleFormatCount];  // in the order of Format
};

// clang-format off
inline constexpr Aspect kAspects[] = {
    {"Dimensions and boundaries", {
        {Fate::kept, "A replacing load restores the dimension count and the boundaries; an appending load leaves them."},
        {Fate::changed, "X and Y are stored and a replacing load makes the array 1D, 2D or 3D again, but the page count "
                        "is rounded up past the last cell, so at least one empty element comes back at the end."},
        {Fate::changed, "Rows become lines: a 1D array is one line, a 3D array its rows page after page. A load always "
                        "makes a 2D array as wide as the widest line."},
        {Fate::lost, "Not stored; a load leaves the dimension count and boundaries as they are."},
        {Fate::lost, "One element only."}}},
    {"Keys", {
        {Fate::kept, "String, value and data keys, with their kind. An element that had none comes back with an "
                     "empty key (reads as \"\" and 0)."},
        {Fate::lost, "Not stored."},
        {Fate::lost, "Not stored."},
        {Fate::changed, "Stored as text: every key comes back as a string key (7 becomes \"7\"), an element that had "
                        "none gets the empty string as key, and leading blanks of a key are dropped."},
        {Fate::lost, "Not stored."}}},
    {"Column labels", {
        {Fate::kept, "Restored when the array is 2D after the load."},
        {Fate::lost, "Not stored."},
        {Fate::lost, "Not stored: there is no header line."},
        {Fate::lost, "Not stored."},
        {Fate::lost, "Not stored."}}},
    {"Empty cells", {
        {Fate::kept, ""},
        {Fate::kept, "Written as empty texts, read back as empty cells."},
        {Fate::changed, "Written as \"\" and read back as empty strings; the last line is padded with them to the full "
                        "width."},
        {Fate::changed, "With a key, an empty cell comes back as an empty string; without one it is written as a bare "
                        "\"=\" and skipped on load."},
        {Fate::kept, "Nothing is written; an empty file reads back as an empty cell."}}},
    {"Value cells (integers)", {
        {Fate::kept, ""},
        {Fate::changed, "Written as decimal text; they come back as strings."},
        {Fate::changed, "Written in decimal; they come back as strings."},
        {Fate::changed, "Written in decimal; they come back as strings."},
        {Fate::changed, "Written as decimal text and a zero byte; they come back as data."}}},
    {"String cells", {
        {Fate::kept, ""},
        {Fate::kept, "Kept, except that an empty string comes back as an empty cell."},
        {Fate::kept, "Written as they are, never quoted. A text of exactly two double quotes comes back empty."},
        {Fate::kept, "Written as they are; an empty string without a key is written as a bare \"=\" and skipped on "
                     "load."},
        {Fate::changed, "Written with their closing zero byte; they come back as data."}}},
    {"Data cells (raw bytes)", {
        {Fate::kept, "Byte for byte."},
        {Fate::lost, "Written as empty texts."},
        {Fate::lost, "Written as empty fields."},
        {Fate::lost, "Written as empty texts; without a key, skipped on load like an empty cell."},
        {Fate::kept, "Byte for byte."}}},
    {"Texts holding the format's separator", {
        {Fate::kept, "Texts are stored with their length; nothing separates them."},
        {Fate::kept, "Texts are stored with their length; nothing separates them."},
        {Fate::lost, "Nothing is quoted: a comma in a text splits it into two fields on load, and the rest of the row "
                     "moves right."},
        {Fate::changed, "An \"=\" in a text is kept; an \"=\" in a key ends the key there and the rest joins the "
                        "text."},
        {Fate::kept, "Bytes are written as they are."}}},
    {"Texts holding line breaks", {
        {Fate::kept, ""},
        {Fate::kept, ""},
        {Fate::lost, "A line break ends the row: the text is split across two rows on load."},
        {Fate::lost, "A line break ends the entry: the rest of the text loads as an element of its own."},
        {Fate::kept, ""}}},
    {"Row selection and settings", {
        {Fate::lost, "The list delimiter, case and search modes and the row selection are not stored; a load keeps "
                     "the current ones."},
        {Fate::lost, "Not stored; a load keeps the current ones."},
        {Fate::lost, "Not stored; a load keeps the current ones."},
        {Fate::lost, "Not stored; a load keeps the current ones."},
        {Fate::lost, "Not stored."}}},
};
// clang-format on

inline constexpr std::size_t kAspectCount = sizeof(kAspects) / sizeof(kAspects[0]);

// What a load or a save does with a bad file: one that cannot be opened, a
// damaged one, one past the memory rule, and a save that fails. The game is
// told none of it; the console host and the workbench say which it was.
struct BadFile {
  const char* name;
  bool loads, appends, saves;          // the uses of the file it concerns
  const char* by[kModuleFormatCount];  // in the order of Format
};

// clang-format off
inline constexpr BadFile kBadFiles[] = {
    {"A load of a file that cannot be opened (missing, unreadable, a folder)", true, false, false, {
        "The array is left empty, as by a load of an empty file.",
        "The array is left empty, as by a load of an empty file.",
        "The array is left empty, as by a load of an empty file.",
        "The array is left empty, as by a load of an empty file.",
        "Nothing is stored; the array stays as it was."}},
    {"An append from a file that cannot be opened", false, true, false, {
        "Nothing is added; the array stays as it was.",
        "Nothing is added; the array stays as it was.",
        "Nothing is added; the array stays as it was.",
        "Nothing is added; the array stays as it was.",
        "Nothing is stored; the array stays as it was."}},
    {"A damaged file", true, true, false, {
        "A file cut short or holding a record no writer makes loads what could be read, and the load is reported "
        "as damaged.",
        "A file cut short or holding an entry no writer makes loads what could be read, and the load is reported "
        "as damaged.",
        "A zero byte followed by more bytes (a text saved as UTF-16) ends the text there: what comes before it "
        "loads, and the load is reported as damaged.",
        "A zero byte followed by more bytes (a text saved as UTF-16) ends the text there: what comes before it "
        "loads, and the load is reported as damaged.",
        "Every byte is kept as it is, so an element file is never damaged."}},
    {"A file past the memory rule (" TESSEL_LOAD_BOUND_TEXT " bytes for each byte of the file)", true, true, false, {
        "Cannot happen: every element takes bytes of the file.",
        "Refused before the array changes (\"too large for the array\"): the array stays as it was.",
        "Refused before the array changes (\"too large for the array\"): the array stays as it was.",
        "Cannot happen: every element takes a line of the file.",
        "A file larger than an element can hold (2 GiB) is not read; the array stays as it was."}},
    {"A save that fails (a full disk, a folder that cannot be written)", false, false, true, {
        "The old file stays as it was, byte for byte.",
        "The old file stays as it was, byte for byte.",
        "The old file stays as it was, byte for byte.",
        "The old file stays as it was, byte for byte.",
        "The old file stays as it was; an append that fails cuts the file back to its old length."}},
};
// clang-format on

// Calls each(bad file, what the action does with it) for the bad files that
// concern a file action (by catalogue number), in the words of its format;
// false when the action names no format's file.
template <typename Each>
bool forEachBadFileOf(int action, Each each) {
  for (const FormatInfo& f : kFormats) {
    for (const FileActionUse& a : f.actions) {
      if (a.action < 0) break;
      if (a.action != action) continue;
      const FileUse use = a.use;
      for (const BadFile& b : kBadFiles) {
        if (use == FileUse::save ? b.saves : use == FileUse::load ? b.loads : b.appends)
          each(b, b.by[static_cast<std::size_t>(f.format)]);
      }
      return true;
    }
  }
  return false;
}

struct Rule {
  const char* topic;
  const char* text;
};

// The CSV dialect, the same for writing and reading.
inline constexpr Rule kCsvDialect[] = {
    {"Separator", "A comma, always; the list delimiter plays no part."},
    {"Quoting",
     "None. No field is quoted or escaped; double quotes are ordinary characters, except that a field of "
     "exactly two double quotes (\"\") is the empty text. Empty cells, empty strings and data cells are "
     "written as \"\"."},
    {"Line ends",
     "Each row ends with CR LF. A reader accepts CR LF, LF or CR; any run of line ends is one, so empty "
     "lines give no row."},
    {"Rows",
     "A 2D or 3D array writes one line per row of X elements, the last line padded to full width; a 1D array "
     "writes one line of all its elements."},
    {"Loading",
     "Every field becomes a string element, also one that looks like a number. The array becomes 2D with "
     "as many columns as the widest line; shorter lines are filled up with empty strings."},
    {"Characters",
     "Single bytes, no encoding conversion. A zero byte in the file ends the text there; when other bytes "
     "follow it, the load says the file is damaged."},
    {"Size",
     "Loading a file of N bytes never takes more than " TESSEL_LOAD_BOUND_TEXT " times N bytes of memory beyond "
     "the array it replaces: a file whose lines, filled up to the widest, would need more cells is refused (\"too "
     "large for the array\") and the array stays as it was. A save whose padded rows would pass " TESSEL_SAVE_BOUND_TEXT
     ", is refused and the old file stays."},
};

// The spreadsheet CSV that the console host reads and writes itself, beside
// the module's CSV, named "sheet" wherever it names a format. Games never read it.
inline constexpr Rule kSheetDialect[] = {
    {"Quoting",
     "A field in double quotes may hold the separator, line breaks and double quotes (written twice). Fields are "
     "quoted only where a reader needs it, as spreadsheets write them."},
    {"Separator",
     "A comma, a semicolon or a tab: read from the first row unless --separator names it; written as a comma "
     "unless --separator names another."},
    {"Lines",
     "Rows end with CR LF when written; a reader takes CR LF, LF or CR. An empty line is a row of one empty "
     "field; the last line needs no line break."},
    {"Header", "With --header the first row is the column labels, read and written back."},
    {"Byte order mark", "A leading UTF-8 byte order mark is skipped when read; --bom writes one."},
    {"Keeps",
     "Every field's text, also with commas, quotes and line breaks, and with --header the labels: a spreadsheet "
     "loaded and saved again is the same file, byte for byte, when written with the separator, --bom and "
     "--header it was read with. Every field loads as a string, as from the module's CSV; keys and the 3D shape "
     "are not written."},
    {"Damage", "A quoted field that the file ends inside is damage: the rows before it load."},
};

// The JSON form that the console host writes (show --json, convert --to json)
// and reads back (--from json, or a file that starts as one), beside the
// module's formats. Games never read it.
inline constexpr Rule kJsonForm[] = {
    {"Object",
     "One object: \"name\" (the file or instance shown), \"encoding\" (\"utf-8\", or the code page of --encoding, "
     "\"windows-1252\"), \"dimensions\", \"boundaries\" "
     "(boundary 1 to the dimension count, the last one 0, as the module reports them), \"size\", for 2D and 3D "
     "\"columns\" and for 3D \"rowsPerPage\", for a 2D grid \"selectedRows\" and \"labels\" ([] when no label "
     "was ever set, else one entry a column, null where it has none), and \"cells\"."},
    {"Cells",
     "One object per element in index order: \"index\", \"type\" (empty, value, string or data), then "
     "\"value\" for a value, \"text\" for a string, \"length\" and \"bytes\" (base64) for data; \"key\" as "
     "{\"type\", \"text\"} when the element has one (a data key as {\"type\", \"length\", \"bytes\"}); in a 2D grid "
     "\"row\" and \"selected\"."},
    {"Texts",
     "Texts are single bytes, as the module keeps them, and \"text\" is what they stand for in the encoding: "
     "under auto, UTF-8 as it is and the rest in the code page of --code-page; with --encoding windows-1252 (any "
     "code page), every text in it. A text, key or label that the encoding does not give back byte for byte also "
     "gives \"bytes\" (base64), which a reader takes instead of \"text\", so two different byte strings never read "
     "back alike; a reader makes the other texts into bytes of \"encoding\"."},
    {"Reading",
     "The whole array comes back: the dimension count, every boundary, the labels, each cell's type, value, text "
     "or bytes and key, and the row selection (an array loaded with rows selected otherwise than all or none has "
     "its query mode set to OR). A native file converted to JSON and back is the same file, byte for byte, in "
     "every encoding. A script's \"Load from file\" and "
     "\"Append elements from file\" read a JSON file too; an append keeps the selection there is."},
    {"Mistakes",
     "Bad JSON is a mistake naming its line and column and what was expected there; a wrong field names its place "
     "(cells[3].type) and what it should hold. A JSON holding part of an array (show --json with --head, --rows or "
     "--selected) is refused. Nothing is loaded or written then."},
    {"Size",
     "A load stays within the rule of every format, " TESSEL_LOAD_BOUND_TEXT " times the file's bytes, and takes "
     "time in proportion to the file: the array is built from the cells the file holds, never from a size or "
     "boundary it declares."},
};

// A short array in the JSON form, for the help texts and the README.
inline constexpr const char* kJsonExample =
    "{\"name\": \"items.arr\", \"encoding\": \"utf-8\", \"dimensions\": 2, \"boundaries\": [2, 0], \"size\": 2,\n"
    " \"columns\": 2, \"selectedRows\": 1, \"labels\": [\"name\", null], \"cells\": [\n"
    "  {\"index\": 0, \"type\": \"string\", \"text\": \"\u00c9p\u00e9e\", \"bytes\": \"yXDpZQ==\", \"row\": 0, "
    "\"selected\": true},\n"
    "  {\"index\": 1, \"type\": \"value\", \"value\": 12, \"key\": {\"type\": \"string\", \"text\": \"atk\"}, \"row\": "
    "0, "
    "\"selected\": true}\n"
    "]}";

// Tile maps in the JSON map format of tile map editors, which the console
// host reads into 3D arrays and writes back into a copy of a map (--from
// tilemap, --to tilemap --template MAP). Games never read them.
inline constexpr Rule kTileMapForm[] = {
    {"Maps",
     "Orthogonal maps in the JSON map format of tile map editors (.tmj, or .json told by its fields), finite or "
     "infinite. A tile layer's \"data\" is an array of global tile ids or base64 of their little-endian bytes, "
     "uncompressed, zlib or gzip. Other orientations and zstd data are refused."},
    {"Array",
     "A 3D array: X the map's width, Y its height, one page for each tile layer in the map's order, the layers "
     "inside groups in their places. The tile at column x, row y of page p is element x + X*y + X*Y*p."},
    {"Tiles",
     "Each tile is a value cell holding the global tile id with its flip flags (its top three bits) as they are, "
     "read as a signed 32-bit integer, so a tile flipped horizontally is negative. Id 0, no tile, is an empty "
     "cell, as the module stores 0."},
    {"Infinite maps",
     "The pages span the chunks of every tile layer, from the leftmost and topmost; where a layer has no chunk "
     "its tiles are empty. Written back, each chunk takes the tiles of its place; tiles outside every chunk are "
     "not written, and the save says how many."},
    {"Other layers", "Object and image layers are skipped, each named in a note."},
    {"Writing",
     "--to tilemap --template MAP writes a copy of MAP whose tile layers' data are the pages, each layer in its "
     "own encoding and compression; the rest of the map is kept field by field in its order. The array must be "
     "3D, as wide and as high as the map's pages, with a page for each tile layer; otherwise nothing is written. "
     "A text cell is written as the id it reads as; a data cell is refused. Where no compressor is at hand (the "
     "workbench) a compressed layer is written as uncompressed base64, which reads the same, and the save says so."},
    {"Mistakes",
     "A bad map is a mistake naming the field (layers[2].data) and what it should hold, bad JSON its line and "
     "column. Nothing is loaded or written then."},
    {"Size", "A load stays within the rule of every format, " TESSEL_LOAD_BOUND_TEXT " times the file's bytes: a map "
             "whose layers hold more tiles than that allows is refused before its data is read, however few bytes its "
             "compressed data takes."},
};

// A small map and the array it becomes, for the help texts and the README.
inline constexpr const char* kTileMapExample =
    "{\"width\": 3, \"height\": 2, \"orientation\": \"orthogonal\", \"infinite\": false, \"layers\": [\n"
    "  {\"type\": \"tilelayer\", \"name\": \"ground\", \"data\": [1, 1, 2, 1, 3, 2147483649]},\n"
    "  {\"type\": \"objectgroup\", \"name\": \"spawns\", \"objects\": []}]}\n"
    "loads as a 3D array of 3 x 2 x 1: elements 0 to 5 hold 1, 1, 2, 1, 3 and -2147483647 (tile 1 flipped\n"
    "horizontally); the object layer \"spawns\" is skipped.";

// The INI layout, as written and as read.
inline constexpr Rule kIniLayout[] = {
    {"Section", "One section, [QVXArray], holding every element in index order, followed by an empty line."},
    {"Entries",
     "One line per element: the key's text, \"=\", the element's text. An element without a key gives "
     "\"=\" and its text. Lines end with CR LF; nothing is escaped."},
    {"Reading",
     "Every section is read, whatever its name, in file order; lines before the first section header are "
     "ignored. Each line is key=text, split at the first \"=\"; a line without \"=\" is a key with an empty "
     "cell."},
    {"Blanks", "Leading spaces and tabs of a line are dropped; blanks around \"=\" stay part of the key or the text."},
    {"Comments", "A line starting with // is skipped. A line starting with ; is an ordinary entry."},
    {"Short lines", "A line of fewer than 2 characters is skipped."},
    {"Loading",
     "Every text comes back as a string element and every key as a string key. The dimension count and "
     "boundaries are left as they are."},
    {"Size",
     "Every entry takes a line of the file, so a load stays within the rule of every format: a file of N bytes "
     "never takes more than " TESSEL_LOAD_BOUND_TEXT " times N bytes of memory beyond the array it replaces."},
};

}  // namespace tessel::facts
