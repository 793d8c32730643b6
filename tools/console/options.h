// The console host's options, written once: the command line, `new` and `show`
// read them from this table, and the usage text, help and the help page list
// them from it. Constant data only, so the help page's generator reads it too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/tessel_tools.h"

// What the console does when an option is not given, as the help texts
// state it: macros, so the texts can spell them inside their constants.
#define TESSEL_CONSOLE_MAX_CELLS 10000000
#define TESSEL_CONSOLE_WIDTH 24
#define TESSEL_CONSOLE_DIMENSIONS 1
#define TESSEL_CONSOLE_DELIMITER ","
#define TESSEL_CONSOLE_CODE_PAGE 1252

namespace tessel::console::options {

// Where an option may be given: the command line takes them all; `new` takes
// the setup options, `show` the show options.
enum class Scope : uint8_t { run, file, setup, show };

enum class Id : uint8_t {
  module,
  keepGoing,
  maxCells,
  width,
  from,
  to,
  force,
  templateMap,
  header,
  separator,
  bom,
  dims,
  x,
  y,
  delimiter,
  caseSensitive,
  wildcard,
  autoSelect,
  types,
  keys,
  rows,
  selected,
  head,
  json,
  encoding,
  codePage,
};

struct Option {
  Id id;
  Scope scope;
  const char* name;       // "--dims"; "--dims=3" also gives the operand
  const char* shortName;  // "-x", or nullptr
  const char* operand;    // what follows it ("N"), nullptr for an option that stands alone
  const char* help;
};

struct ScopeInfo {
  Scope scope;
  const char* heading;
};

inline constexpr ScopeInfo kScopes[] = {
    {Scope::run, "running"},
    {Scope::file, "files (show, convert, check, diff)"},
    {Scope::setup, "setup of the instances (also for new NAME; the default instance is \"main\")"},
    {Scope::show, "what show prints (also for show at the prompt)"},
};

// The most cells an index may add to an array at once unless --max-cells says otherwise.
inline constexpr int64_t kMaxCellsByDefault = TESSEL_CONSOLE_MAX_CELLS;
// The longest text show prints whole, in characters.
inline constexpr std::size_t kWidthByDefault = TESSEL_CONSOLE_WIDTH;
// The setup of instances made without options of their own.
inline constexpr int32_t kDimensionsByDefault = TESSEL_CONSOLE_DIMENSIONS;
inline constexpr char kDelimiterByDefault[] = TESSEL_CONSOLE_DELIMITER;

inline constexpr Option kOptions[] = {
    {Id::module, Scope::run, "--module", nullptr, "PATH",
     "the module to load (default: tessel.dll or libtessel.so next to tessel)"},
    {Id::keepGoing, Scope::run, "--keep-going", nullptr, nullptr,
     "a script goes on after an error (the exit status still tells), but writes no file after a load that failed"},
    {Id::maxCells, Scope::run, "--max-cells", nullptr, "N",
     "an index may grow an array by at most N cells (default " TESSEL_QUOTED(TESSEL_CONSOLE_MAX_CELLS) ")"},
    {Id::from, Scope::file, "--from", nullptr, "FORMAT",
     "format of the files read: {format names} (default: by their content)"},
    {Id::to, Scope::file, "--to", nullptr, "FORMAT",
     "format of the file written (default: by its extension: {extensions})"},
    {Id::templateMap, Scope::file, "--template", nullptr, "MAP",
     "a tile map is written into a copy of MAP, its tile layers' data replaced by the array's pages"},
    {Id::force, Scope::file, "--force", nullptr, nullptr,
     "convert may replace an existing file (never a read-only one)"},
    {Id::header, Scope::file, "--header", nullptr, nullptr,
     "a CSV or sheet file's first row holds the column labels, read and written"},
    {Id::separator, Scope::file, "--separator", nullptr, "SEP",
     "a sheet's separator: comma, semicolon or tab (default: read from its first row, a comma when written)"},
    {Id::bom, Scope::file, "--bom", nullptr, nullptr, "a sheet is written with a UTF-8 byte order mark"},
    {Id::encoding, Scope::file, "--encoding", nullptr, "NAME",
     "what texts' bytes stand for, in show, convert, check, diff, run and the shell: utf-8, windows-1250 to "
     "windows-1258 or auto (default: valid UTF-8 is UTF-8, the rest in the code page of --code-page); with a code "
     "page, typed texts and a sheet's UTF-8 are converted into it, and a sheet written back into UTF-8"},
    {Id::codePage, Scope::file, "--code-page", nullptr, "N",
     "the code page auto reads texts that are not UTF-8 in: 1250 to 1258 (default " TESSEL_QUOTED(
         TESSEL_CONSOLE_CODE_PAGE) ")"},
    {Id::dims, Scope::setup, "--dims", nullptr, "N",
     "dimension count of new instances (1, 2 or 3; default " TESSEL_QUOTED(TESSEL_CONSOLE_DIMENSIONS) ")"},
    {Id::x, Scope::setup, "--x", "-x", "N", "boundary of dimension 1 (columns)"},
    {Id::y, Scope::setup, "--y", "-y", "N", "boundary of dimension 2 (rows of a page)"},
    {Id::delimiter, Scope::setup, "--delimiter", nullptr, "TEXT",
     "list delimiter (default \"" TESSEL_CONSOLE_DELIMITER "\")"},
    {Id::caseSensitive, Scope::setup, "--case-sensitive", nullptr, nullptr,
     "compare strings respecting case (default: ignoring it)"},
    {Id::wildcard, Scope::setup, "--wildcard", nullptr, nullptr, "search with * and ? (default: literal)"},
    {Id::autoSelect, Scope::setup, "--auto-select", nullptr, nullptr, "rows added to the recordset start selected"},
    {Id::types, Scope::show, "--types", nullptr, nullptr, "each cell of a grid typed: \"text\", 12, -, [3 bytes]"},
    {Id::keys, Scope::show, "--keys", nullptr, nullptr, "each cell's key after it"},
    {Id::rows, Scope::show, "--rows", nullptr, "A:B",
     "only rows A to B (elements of a list); A: or :B leave an end open"},
    {Id::selected, Scope::show, "--selected", nullptr, nullptr, "only the selected rows of a recordset"},
    {Id::head, Scope::show, "--head", nullptr, "N", "at most N rows"},
    {Id::width, Scope::show, "--width", nullptr, "N",
     "cut texts longer than N characters (default " TESSEL_QUOTED(TESSEL_CONSOLE_WIDTH) ")"},
    {Id::json, Scope::show, "--json", nullptr, nullptr,
     "one JSON object: shape, labels, cells with type, text, key, selection (also for check and diff)"},
};

}  // namespace tessel::console::options
