// What the catalogue rows leave unsaid, written once for every reader of the
// catalogue (the help page and the console's help): what each parameter name
// means, and for some entries a note on results or odd cases and an example
// line in the console's language.
#pragma once

#include <cstddef>
#include <iterator>

#include "host/catalogue.h"

namespace tessel::catalogue {

struct ParamMeaning {
  const char* name;  // as the catalogue names the parameter
  const char* meaning;
};

// clang-format off
inline constexpr ParamMeaning kParamMeanings[] = {
    {"file name", "A path, used as given; a relative name is relative to the game's current folder."},
    {"string", "The text to store or look for."},
    {"value", "A signed 32-bit integer."},
    {"index", "A 0-based element index."},
    {"key", "The key: a text or an integer, by the parameter's kind."},
    {"column", "A 0-based column number of the 2D array."},
    {"row", "A 0-based row number."},
    {"label", "A column label. In wildcard search mode it is a pattern and the first matching label wins."},
    {"list", "Items split at every character of the list delimiter; empty items are skipped, blanks are kept."},
    {"pattern", "The text to compare with. In wildcard search mode * stands for any run of characters and ? for one."},
    {"text", "The text to look for inside the cells."},
    {"low value", "The lower bound, included."},
    {"high value", "The upper bound, included."},
    {"low string", "The lower bound, included, in string order."},
    {"high string", "The upper bound, included, in string order."},
    {"dimension count", "1 (a list), 2 (columns and rows) or 3 (pages of columns and rows)."},
    {"dimension", "1 for X (columns), 2 for Y (rows), 3 for Z (pages)."},
    {"boundary", "The number of positions along that dimension."},
    {"delimiter", "Any text. Lists are joined with the whole text and split at each of its characters."},
    {"separator", "Written whole between two items; it may be empty or several characters long."},
    {"pair separator", "Written between a key and its element."},
    {"unused", "Any integer; it has no effect."},
    {"X", "The column: the coordinate along dimension 1."},
    {"Y", "The row: the coordinate along dimension 2."},
    {"list of positions", "The coordinates X, Y, Z ... as a list split at the list delimiter."},
};
// clang-format on

// The meaning of a parameter name, or null for a name without one.
constexpr const char* meaningOf(const char* name) {
  for (const ParamMeaning& m : kParamMeanings) {
    if (sameText(m.name, name)) return m.meaning;
  }
  return nullptr;  // GCOVR_EXCL_LINE: every parameter name has a meaning, checked at compile time
}

struct Note {
  int number;
  const char* note;     // results, odd cases; may be empty
  const char* example;  // a console line; may be empty
};

// clang-format off
inline constexpr Note kActionNotes[] = {
    {0, "Overwrites the file. Settings and the row selection are not saved.", "Save to file \"scores.arr\""},
    {1, "Values are written as their decimal texts; keys, labels and data are not written.", "Save to KZP Array \"scores.array\""},
    {2, "Keys and labels are not written; see the CSV dialect.", "Save to CSV file \"scores.csv\""},
    {3, "", "Load from file \"scores.arr\""},
    {5, "Every field becomes a string element; the array becomes 2D, as wide as the widest line.", "Load from CSV file \"scores.csv\""},
    {6, "An index past the end extends the array with empty elements first; a negative index does nothing.", "Insert string \"apple\" at 0"},
    {7, "", "Insert value 42 at 0"},
    {8, "", "Append string \"apple\""},
    {9, "", "Append value 1200"},
    {10, "The dimension count and boundaries stay; labels of the file replace those of its columns.", "Append elements from file \"more.arr\""},
    {12, "The array becomes 2D with as many columns as the file's widest line; no element moves.", "Append elements from CSV file \"more.csv\""},
    {13, "The element keeps its key.", "Set string \"pear\" at 3"},
    {14, "", "Set value 2 at 0"},
    {15, "The column is not checked against the number of columns.", "Pick col 1 for SELECT BETWEEN"},
    {16, "", "Delete at 0"},
    {17, "", "Delete all"},
    {18, "A string is written with its closing zero byte, a value as its decimal text and a zero byte, an empty element as nothing. An index out of range writes no file.", "Save element 0 to file \"note.txt\""},
    {19, "", "Append element 0 to file \"log.txt\""},
    {20, "", "Set key string \"sword\" at 1"},
    {21, "The key 0 leaves an empty key.", "Set key value 100 at 3"},
    {22, "Values sort by their decimal texts; the comparison follows the case setting.", "Sort strings ascending (ABC)"},
    {24, "Strings sort by the number they start with, 0 when none.", "Sort values ascending (123)"},
    {26, "Compares values of the column chosen with a pick action (column 0 until then). Bounds in reverse order pass nothing.", "SELECT BETWEEN 10 AND 20"},
    {27, "Elements keep their indexes; only the way they are read changes.", "Set array dimension to 1"},
    {30, "Elements keep their indexes, so in a filled array they land in other rows and columns; the resize action keeps each one at its coordinates.", "Set dimension 1 boundary to 3"},
    {31, "", "Resize dimension 1 boundary to 4"},
    {32, "The new row goes before the selected row of that number.", "Insert row from list \"eve,700,2\" at 0"},
    {33, "", "SELECT WHERE \"points\" >= 1000"},
    {34, "A list with fewer items than columns leaves the last cells empty; extra items are ignored.", "Append row from list \"ann,1200,4\""},
    {35, "", "SELECT WHERE \"points\" < 1000"},
    {36, "Cells keep their keys.", "Replace row from list \"bob,900,3\" at 1"},
    {37, "", "SELECT WHERE \"level\" <= 3"},
    {38, "A label that names no column makes the BETWEEN queries pass no row.", "Pick \"name\" for SELECT BETWEEN"},
    {39, "", "Delete row 0"},
    {40, "", "Sort rows by column 1 value ascending"},
    {44, "A label that names no column changes nothing.", "Sort rows by label \"points\" value ascending"},
    {46, "", "Sort rows by label \"name\" string ascending"},
    {48, "Only a 2D array has labels.", "Set label to \"points\" at column 1"},
    {49, "Compares texts of the column chosen with a pick action; the search mode plays no part.", "SELECT BETWEEN \"b\" AND \"d\""},
    {50, "Only the letters A to Z are folded.", "Case insensitive (A=a)"},
    {52, "The whole file, zero bytes and line ends included, becomes one data element. An empty file gives an empty element.", "Set file \"logo.png\" at 0"},
    {54, "", "Append file \"logo.png\""},
    {56, "Affects searching, key look-ups, labels and the matching queries.", "Use wildcard search mode"},
    {57, "With \";,\" both characters split lists, and lists are joined with \";,\".", "Set list delimiter to \";\""},
    {58, "", "Save to INI file \"inventory.ini\""},
    {59, "Every element comes back as a string with a string key.", "Load from INI file \"inventory.ini\""},
    {61, "A row stays selected only if it was selected and passes.", "Select rows using AND mode"},
    {62, "The default mode.", "Select rows using OR mode"},
    {63, "", "Select all rows"},
    {64, "The selection mode stays.", "Invert selection of rows"},
    {65, "In literal mode the text must equal the pattern; in wildcard mode the pattern must cover the whole text.", "SELECT WHERE col 0 LIKE \"a*\""},
    {66, "An empty text passes every row.", "SELECT WHERE col 0 LIKE *\"nn\"*"},
    {67, "A string's value is the number it starts with, so a text cell equals 0.", "SELECT WHERE col 2 = 3"},
    {69, "", "SELECT WHERE col 1 > 1000"},
    {73, "", "SELECT WHERE \"name\" LIKE \"b*\""},
    {75, "", "SELECT WHERE \"level\" = 3"},
    {77, "", "SELECT WHERE \"level\" > 3"},
    {78, "The next query then selects exactly the rows that pass it.", "Start new WHERE (reset selected rows)"},
};

inline constexpr Note kExpressionNotes[] = {
    {0, "", "size()"},
    {1, "At least the size; the table grows ahead of the elements.", "capacity()"},
    {2, "A value gives its decimal text, an empty or data element the empty text. No text when the index is out of range.", "get$(0)"},
    {3, "A string gives the number it starts with; 0 when there is none or the index is out of range.", "get(0)"},
    {4, "No text when the element has no key.", "key$(1)"},
    {5, "0 when the element has no key.", "key(3)"},
    {6, "Compares by the search mode and the case setting; in wildcard mode the stored key is the pattern.", "indexOfKeyStr(\"sword\")"},
    {7, "A string key counts as the number it starts with.", "indexOfKeyVal(100)"},
    {8, "The $ in the name marks the text key; the result is a text.", "keyStr$(\"sword\")"},
    {9, "Returns a text although its name has no $: the name tells the key's kind.", "keyStr(100)"},
    {10, "Returns an integer although its name has a $: the $ marks the text key. 0 when no element has the key.", "keyVal$(\"arrow\")"},
    {11, "0 when no element has the key.", "keyVal(100)"},
    {12, "Literal or wildcard by the search mode. The second parameter has no effect.", "findStr(\"apple\", 0)"},
    {13, "The second parameter has no effect.", "findVal(42, 0)"},
    {14, "The second parameter has no effect.", "containsStr(\"pp\", 0)"},
    {15, "Looks for the number's digits inside each element's text. The second parameter has no effect.", "containsVal(45, 0)"},
    {16, "Empty and data elements give empty items.", "list$(\", \")"},
    {17, "Strings are wrapped in apostrophes, never escaped; values stay bare.", "quotedList$(\", \")"},
    {18, "One item per element; elements without a key give empty items.", "keyList$(\",\")"},
    {20, "Elements without a key, and empty or data elements, give nothing.", "pairList$(\"=\", \", \")"},
    {21, "The key is never quoted.", "pairQuotedList$(\"=\", \"; \")"},
    {24, "", "sum()"},
    {25, "-7 / 2 gives -3.", "avg()"},
    {26, "", "dim()"},
    {27, "The last dimension is open: its boundary reads 0.", "boundary(1)"},
    {28, "Same routine as boundaryCol(.", "boundaryX()"},
    {31, "Same routine as boundaryX(.", "boundaryCol()"},
    {34, "Returns an integer despite the $ in its name.", "dimIndexOfIndex$(1, 7)"},
    {35, "", "XOfIndex(7)"},
    {38, "The list is split at the list delimiter.", "indexOfDimIndex(\"2,1\")"},
    {39, "Whatever the list delimiter.", "indexOfXY(2, 3)"},
    {40, "Only selected rows count.", "numberOfRows()"},
    {41, "No text for a row that does not exist.", "rowList$(0)"},
    {42, "0 unless the array is 2D.", "numberOfCols()"},
    {43, "No text for a column that has never been labelled.", "getLabel$(1)"},
    {44, "", "labelList$()"},
    {45, "Literal or wildcard by the search mode; -1 when no label matches.", "getCol(\"points\")"},
    {46, "Only the selected rows, in order.", "columnList$(0)"},
    {47, "Row is a physical row: the selection plays no part.", "getFromColumnRow(1, 0)"},
    {48, "Row is a physical row. No text outside the array.", "getFromColumnRow$(0, 2)"},
    {49, "Row is a physical row; 0 when no label matches.", "getFromLabelRow(\"points\", 0)"},
    {50, "Row is a physical row; no text when no label matches.", "getFromLabelRow$(\"name\", 1)"},
    {51, "", "delimiter$()"},
    {52, "", "colMax(1)"},
    {55, "The sum divided by the number of selected rows, toward zero.", "colAvg(1)"},
    {56, "0 when no label matches.", "labMax(\"points\")"},
    {58, "", "labSum(\"points\")"},
    {59, "", "labAvg(\"points\")"},
};
// clang-format on

// A note that holds for a group of entries, written once and shown on each
// of them after the entry's own note.
struct GroupNote {
  const char* note;
  const char* operations[32];  // of the actions and expressions it concerns; the list ends at the first null
};

// clang-format off
inline constexpr GroupNote kGroupNotes[] = {
    {"Only the selected rows move, among their own positions, whole and with their keys; labels stay with their "
     "columns. With no row selected nothing moves.",
     {"sortRowsByColumnValueAscending", "sortRowsByColumnValueDescending", "sortRowsByColumnStringAscending",
      "sortRowsByColumnStringDescending", "sortRowsByLabelValueAscending", "sortRowsByLabelValueDescending",
      "sortRowsByLabelStringAscending", "sortRowsByLabelStringDescending"}},
    {"Over the selected rows only: with none selected the result is 0. Empty cells and texts that are not numbers "
     "count as 0.",
     {"columnMaximum", "columnMinimum", "columnSum", "columnAverage", "labelMaximum", "labelMinimum", "labelSum",
      "labelAverage"}},
    {"Rows are counted among the selected rows only: row 0 is the first selected row, and a row that is not "
     "selected has no number.",
     {"insertRowFromList", "replaceRowWithList", "deleteRow", "rowList"}},
    {"The new row starts selected only when the object was set up to select new rows automatically; otherwise it "
     "joins the recordset through a query or Select all rows.",
     {"insertRowFromList", "appendRowFromList"}},
    {"The value 0 is stored as an empty element: it reads back as 0 and as the empty text.",
     {"insertValueAt", "appendValue", "setValueAt"}},
    {"Texts compare by the case setting (only A to Z fold, unless Case Sensitive) and by the search mode: in "
     "Wildcard mode * stands for any run of characters and ? for one.",
     {"findMatchingString", "findContainingString", "findContainingValue", "indexOfKeyString",
      "stringWithKeyString", "valueWithKeyString", "columnOfLabel", "valueAtLabelRow", "stringAtLabelRow",
      "labelMaximum", "labelMinimum", "labelSum", "labelAverage", "selectColumnMatching", "selectColumnContaining",
      "selectLabelMatching", "selectLabelContaining", "selectLabelEqual", "selectLabelNotEqual", "selectLabelGreater",
      "selectLabelGreaterOrEqual", "selectLabelLess", "selectLabelLessOrEqual", "pickBetweenLabel",
      "sortRowsByLabelValueAscending", "sortRowsByLabelValueDescending", "sortRowsByLabelStringAscending",
      "sortRowsByLabelStringDescending"}},
};
// clang-format on

// Calls `f` with every note of the entry with this operation: its own (when it
// has one) and those of its groups.
template <typename F>
void forEachNote(const Note* own, const char* operation, F f) {
  if (own != nullptr && *own->note != '\0') f(own->note);
  for (const GroupNote& g : kGroupNotes) {
    for (const char* const* o = g.operations; o != std::end(g.operations) && *o != nullptr; ++o) {
      if (sameText(*o, operation)) f(g.note);
    }
  }
}

template <std::size_t N>
constexpr const Note* noteOf(const Note (&notes)[N], int number) {
  for (const Note& n : notes) {
    if (n.number == number) return &n;
  }
  return nullptr;
}

constexpr const Note* actionNote(int number) { return noteOf(kActionNotes, number); }
constexpr const Note* expressionNote(int number) { return noteOf(kExpressionNotes, number); }

template <typename Entry, std::size_t N>
constexpr bool everyParameterHasMeaning(const Entry (&entries)[N]) {
  for (const Entry& e : entries) {
    for (int i = 0; i < e.paramCount(); ++i) {
      if (meaningOf(e.params[i].name) == nullptr) return false;
    }
  }
  return true;
}

template <std::size_t N>
constexpr bool ascendingBelow(const Note (&notes)[N], std::size_t count) {
  for (std::size_t i = 0; i < N; ++i) {
    if (notes[i].number < 0 || notes[i].number >= static_cast<int>(count)) return false;
    if (i > 0 && notes[i].number <= notes[i - 1].number) return false;
  }
  return true;
}

constexpr bool everyGroupMemberExists() {
  for (const GroupNote& g : kGroupNotes) {
    for (const char* o : g.operations) {
      if (o == nullptr) continue;
      bool found = false;
      for (const Action& a : kActions) found = found || sameText(a.operation, o);
      for (const Expression& e : kExpressions) found = found || sameText(e.operation, o);
      if (!found) return false;
    }
  }
  return true;
}

static_assert(everyGroupMemberExists(), "a group note names operations of the catalogue");
static_assert(everyParameterHasMeaning(kActions) && everyParameterHasMeaning(kExpressions),
              "every parameter name of the catalogue has a meaning");
static_assert(ascendingBelow(kActionNotes, kActionCount) && ascendingBelow(kExpressionNotes, kExpressionCount),
              "notes are numbered in order, once each, within the catalogue");

}  // namespace tessel::catalogue
