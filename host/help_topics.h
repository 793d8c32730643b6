// The reference texts beside the catalogue: the object and its setup, the
// concepts behind elements, lists and the recordset, and the console host.
// The help page prints them all; the console's help can print any of them.
#pragma once

#include <cstddef>

#include "host/new_object.h"
#include "host/tessel.h"
#include "host/tessel_tools.h"

// The save bound of host/tessel_tools.h as the Lists topic quotes it.
#define TESSEL_LIST_BOUND_TEXT                                                                                      \
  TESSEL_QUOTED(TESSEL_SAVE_BYTES_PER_ARRAY_BYTE)                                                                   \
  " bytes for each byte the cells take, plus " TESSEL_QUOTED(TESSEL_SAVE_ALLOWANCE_MIB) " MiB, and " TESSEL_QUOTED( \
      TESSEL_MAX_SAVE_GIB) " GiB at most"

namespace tessel::topics {

// One field of the setup dialog: what the user sees, what a new object starts
// with, and what it does at run time.
struct SetupField {
  const char* group;
  const char* choices;
  const char* newObject;
  const char* meaning;
};

inline constexpr SetupField kSetupFields[] = {
    {"Dimensioning", "1D, 2D, 3D", TESSEL_QUOTED(TESSEL_NEW_DIMENSIONS) "D",
     "How the array is read: a list, a grid of columns and rows, or pages of such grids."},
    {"X", "a number", TESSEL_QUOTED(TESSEL_NEW_X),
     "Boundary of dimension 1: the number of columns. Used by 2D and 3D; a number below 1 keeps the default."},
    {"Y", "a number", TESSEL_QUOTED(TESSEL_NEW_Y),
     "Boundary of dimension 2: the rows of one page. Used by 3D only."},
    {"List delimiter", "any text, up to " TESSEL_QUOTED(TESSEL_DELIMITER_LIMIT) " characters",
     TESSEL_NEW_DELIMITER,
     "Joins the row, column and label lists and splits the lists that fill rows. Empty keeps \",\"."},
    {"String Comparisons", "Case insensitive, Case sensitive",
     newobject::kCaseSensitive ? "Case sensitive" : "Case insensitive",
     "Whether searches, key look-ups, labels, sorts and queries tell A from a. Only A to Z are folded."},
    {"Search Mode", "Literal, Wildcard", newobject::kWildcard ? "Wildcard" : "Literal",
     "Whether texts looked for are taken as written or as patterns with * (any run of characters) and ? (one "
     "character)."},
    {"Select New Rows (Automatically)", "On, Off", newobject::kAutoSelect ? "On" : "Off",
     "Whether rows that come into being start selected. No action changes it later; with Off, appended rows stay "
     "out of the recordset until a query or \"Select all rows\" selects them."},
};

struct Topic {
  const char* term;
  const char* text;
};

inline constexpr Topic kElementConcepts[] = {
    {"Elements",
     "Each element (cell) is empty, a value (a signed 32-bit integer), a string or data (raw bytes). "
     "Storing the value 0 leaves an empty element."},
    {"Text and value",
     "Every element reads both ways. A value's text is its decimal number; a string's value is "
     "the number it starts with (blanks, a sign, digits), 0 when there is none. Empty and data "
     "elements read as the empty text and 0."},
    {"Keys",
     "Any element can carry a key, a string or a value, by which the key expressions find it. Keys travel "
     "with their elements when they move."},
    {"Indexes",
     "Indexes, rows and columns count from 0. A search that finds nothing gives -1; a getter out of range "
     "gives 0 or no text; a setter past the end extends the array with empty elements; a negative index "
     "does nothing."},
    {"Dimensions",
     "The array is always one flat run of elements. In 2D the element at column x of row y has the "
     "index x + y * X; in 3D the page z adds z * X * Y. The last dimension is open and grows with the "
     "elements."},
    {"Comparisons",
     "Literal search mode compares texts as written; wildcard mode reads * and ? in the text looked "
     "for. Case sensitivity applies to both and to sorting."},
    {"Lists",
     "The list expressions join texts with the separator you give. Lists that fill rows are split at every "
     "character of the list delimiter: empty items are skipped, blanks and apostrophes are kept. A list "
     "longer than a save of the array may write (" TESSEL_LIST_BOUND_TEXT ") gives no text, such as the label "
     "list of a table declared billions of columns wide."},
    {"Failures",
     "Nothing is ever reported: an action that cannot be carried out changes nothing, and an expression "
     "returns -1, 0 or no text."},
};

inline constexpr Topic kRecordsetConcepts[] = {
    {"Recordset",
     "A 2D array is also a table: columns are fields and rows are records, read row after row. X, the "
     "boundary of dimension 1, is the number of columns; only complete rows count."},
    {"Physical rows",
     "All complete rows of the array, numbered from 0 in storage order. The \"from column, row\" "
     "and \"from label, row\" expressions read physical rows."},
    {"Selected rows",
     "Each physical row is selected or not. The recordset's rows are the selected ones, in order: "
     "row 0 is the first selected row. Row lists, column lists, numberOfRows( and the row actions "
     "(insert, append, replace, delete) count selected rows only."},
    {"Labels",
     "A column can be named with \"Set label\". Actions and expressions that take a label look the column "
     "up by it: in wildcard search mode the label is a pattern and the first match wins. Only the native "
     "array file keeps labels."},
    {"WHERE queries",
     "A query tests one column of every physical row, selected or not: by text (matching, "
     "containing) or by value (=, <>, >, >=, <, <=). The column is given by number or by label; a "
     "label that names no column fails every row."},
    {"BETWEEN",
     "Pick the column first (\"Pick col\" or \"Pick label\"), then select the rows whose value or text "
     "lies between two bounds, both included."},
    {"AND / OR mode",
     "In OR mode (the default) a query adds the rows that pass to the selection. In AND mode it "
     "keeps only the selected rows that pass."},
    {"Start new Where",
     "Deselects every row and returns to OR mode, so the next query selects exactly the rows that "
     "pass it; switch to AND afterwards to narrow them down."},
    {"Auto-select",
     "The setup's \"Select New Rows (Automatically)\" decides whether new rows start selected. With "
     "it Off, new rows join the recordset only through a query or \"Select all rows\"."},
    {"Selection stays in place",
     "Selection belongs to row positions, not to the rows' contents: sorting, inserting "
     "or deleting rows moves contents past the selection marks. No file keeps the "
     "selection."},
    {"Sorting and aggregates",
     "Row sorts and column aggregates work on the selected rows: a sort reorders them "
     "among their own positions, moving whole rows with their keys while labels stay with "
     "their columns; the aggregates count and average the selected rows only."},
};

inline constexpr Topic kConsoleHost[] = {
    {"tessel run SCRIPT...",
     "Runs scripts, one command a line; # starts a comment. A script stops at its first "
     "mistake with its file name and line, unless --keep-going is given. A load that fails "
     "is a mistake, and after it no save of that script writes a file."},
    {"tessel", "The same at a terminal, with line editing, history and Tab completion."},
    {"tessel show FILE",
     "Prints a native, host array, CSV, INI, spreadsheet CSV (sheet) or JSON file; a damaged file is shown as far as "
     "it "
     "reads, with a warning, and the exit status is 1."},
    {"tessel convert IN OUT",
     "Loads a file with the module's load action and saves it with its save action, saying what the new file "
     "will not give back. OUT's format comes from --to or its extension ({named extensions}); "
     "an existing OUT is replaced only with --force, and a read-only one never. Nothing is written when the "
     "load fails or finds the file damaged."},
    {"tessel check FILE...",
     "Loads each file as a game does and says whether it is sound: its format, what the load keeps, and any damage "
     "(ends early, a malformed record, a size the module refuses). Exit status 0 when all are sound, 1 when one is "
     "damaged, 2 when one cannot be read; --json for scripts. For example: tessel check levels.arr items.csv"},
    {"tessel diff A B",
     "Compares two array files as arrays, whatever their formats: shape, labels, and each cell's type, text or "
     "value and key, by coordinates as show prints them. Prints only the differences, like a unified diff, and a "
     "summary; exit status 0 same, 1 different, 2 trouble; --json (naming the encoding, texts with their bytes as show "
     "--json gives them). For example: tessel diff levels.arr levels.csv"},
    {"sheet (spreadsheet CSV)",
     "The CSV that spreadsheets make, which tessel reads and writes itself beside the module's CSV: quoted fields "
     "with commas, quotes and line breaks, ; or tab separators (--separator), a byte order mark (--bom), a header "
     "row of labels (--header). For example: tessel --header --from sheet --to native convert items.csv "
     "items.arr, and back with --to sheet."},
    {"tessel --version", "The version of tessel and the size of the catalogue it was built with."},
    {"tessel help [NAME | TOPIC]",
     "The actions and expressions, from the same catalogue as this page, grouped as the menus group them; "
     "help formats shows what each file format keeps."},
    {"Naming an action",
     "By the words of its display string, as the event editor lists it, with the parameters in "
     "their places (Set value 2 at 0, SELECT WHERE col 1 >= 100); words compare ignoring case. "
     "Texts are quoted, integers bare, and an expression can stand for either."},
    {"Expressions", "A line such as get$(0) or get$(indexOfKeyStr(\"k\")) prints its result."},
};

// The console's own commands, besides the actions and expressions: how to
// write each (its first word is its name) and what it does.
inline constexpr Topic kShellCommands[] = {
    {"new NAME [SETUP OPTIONS]",
     "Creates an instance from a setup record, as the editor writes it, and makes it the current one. The setup "
     "options are those of the command line: --dims N, --x N, --auto-select and the rest."},
    {"with NAME [LINE]", "Makes NAME the current instance, or runs LINE on it and stays where it was."},
    {"show [NAME] [SHOW OPTIONS]",
     "Draws an instance's array: a list, a grid with its labels and selection, or pages. --types and --keys add a "
     "cell's type and key to a grid, --rows A:B and --head N limit the rows, --selected keeps the selected ones, "
     "--json prints the cells as one JSON object (stable field names, for programs); the command line's show "
     "options hold unless a show line names its own."},
    {"echo TERM...", "Prints texts, integers and expression results on one line."},
    {"for NAME from A to B ... end",
     "Runs the lines up to the matching end once for each integer from A to B in turn (none when B is less than "
     "A), with NAME standing for it wherever an integer may (Set value y at indexOfXY(x, y), get(i)). A and "
     "B are integers, a loop's name or integer expressions, read once as the loop starts; loops nest, each with a "
     "name of its own. A mistake in a line stops the loop as it stops a script, and a for without its end is a "
     "mistake at its line."},
    {"drop NAME", "Destroys an instance."},
    {"help [NAME | TOPIC | formats]", "The catalogue, a topic of the menus, one entry, or the file formats."},
    {"quit (or exit, or Ctrl-D)",
     "Leaves the shell, with exit status 0 whatever was mistyped on the way (a script keeps its status); Ctrl-C "
     "cancels the line being typed or stops a long output."},
};

}  // namespace tessel::topics
