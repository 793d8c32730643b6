// What the console host's files offer each other, a part a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/catalogue.h"
#include "host/format_facts.h"
#include "tools/console/lowered.h"
#include "tools/console/options.h"
#include "tools/console/text_encoding.h"
#include "tools/console/tilemap.h"
#include "tools/host_kit.h"

namespace tessel::console {

// ---- names.cpp: how a line of the console language names actions (by the
// words of their display strings) and expressions (in their own call syntax).
// Every name comes from the catalogue.

// A mistake in what the user wrote; the message is complete and ready to print.
struct UserError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A parameter as written: a literal or a nested expression call.
struct Term {
  catalogue::Param kind = catalogue::Param::integer;  // of the value it gives
  int32_t integer = 0;
  std::string text;
  int expression = -1;  // catalogue number of the call, for a call
  std::vector<Term> arguments;
  std::string source;  // as written, for messages
};

// A character of an expression's name.
bool isNameChar(char c);

// A count in words: "1 row", "2 rows".
inline std::string plural(int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The word after the option words[i], moving i onto it; throws UserError when there is none.
inline const std::string& optionValue(const std::vector<std::string>& words, std::size_t& i) {
  if (i + 1 >= words.size()) throw UserError(words[i] + " needs a value");
  return words[++i];
}

// The integers a loop's names stand for while its lines run, innermost
// last; names compare ignoring case, as words do.
using LoopNames = std::vector<std::pair<std::string, int32_t>>;

// Reads one line token by token; a loop's name stands where an integer may.
class Cursor {
 public:
  explicit Cursor(std::string_view line, const LoopNames* names = nullptr) : line_(line), names_(names) {}

  bool atEnd() {  // after blanks
    skipSpace();
    return pos_ >= line_.size();
  }
  std::size_t position() const { return pos_; }
  // One literal token of a name: a word (letters and digits, compared ignoring
  // case, not followed by a letter or digit) or one punctuation character.
  bool token(std::string_view t);
  // A quoted text, an integer or an expression call; throws UserError.
  Term term();
  // A bare word (letters, digits, _ . -), for instance and option names.
  std::string word();
  // Everything up to the next blank, as it stands.
  std::string bare();
  std::string_view rest() const { return line_.substr(pos_); }

 private:
  Term textLiteral();
  Term integerLiteral();
  Term call();
  void skipSpace();
  // Moves past blanks, then past the characters `accepts` takes; what it
  // moved past after the blanks.
  template <typename Accepts>
  std::string_view scan(Accepts accepts);

  static constexpr int kMaxDepth = 64;

  std::string_view line_;
  const LoopNames* names_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

// The catalogue number of an expression name, written with or without its "(";
// -1 when there is none.
int findExpression(std::string_view name);
// Expression names and action labels near a mistyped name, for messages.
std::string suggestionsFor(std::string_view written);

struct ActionCall {
  int number = -1;
  std::vector<Term> params;
};

// The action a line names: the words of its display string, as the event
// editor lists it, with the parameters in their places ("Set value 2 at 0",
// "SELECT WHERE \"level\" > 3"). Words compare ignoring case; neighbouring
// parameters may be separated by a comma. Rows written alike are told apart by
// their parameter kinds. Throws UserError saying what is wrong and how to write it.
ActionCall resolveAction(std::string_view line, const LoopNames* names = nullptr);
// "Save to file <file name>": the display string with the parameter names in place.
std::string usage(const catalogue::Action& action);

// ---- show.cpp: an instance's array as a person wants to see it, or as JSON
// for a program: texts through the module's expressions, types, keys and row
// selection through its cell diagnostic.

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
struct Cell {
  TesselCellFacts facts{TESSEL_CELL_NONE, 0, TESSEL_CELL_NONE, 0};
  std::string text;
  std::string key;  // the key's text, when facts.keyType says it has one
};
Cell cellAt(hostkit::RunObject& object, int32_t index);
// Whether the cell has a key that says something: a native or INI load gives
// every element a key, empty or the empty string where it had none.
inline bool hasKey(const Cell& c) {
  return c.facts.keyType == TESSEL_CELL_VALUE || c.facts.keyType == TESSEL_CELL_DATA ||
         (c.facts.keyType == TESSEL_CELL_STRING && !c.key.empty());
}
// As show --types --keys writes it: "text", 12, -, [3 bytes], then #key.
std::string typedText(const Cell& cell, const ShowOptions& options, std::size_t width = std::string::npos);
// "empty", "value", "string", "data"; "none" for TESSEL_CELL_NONE.
const char* typeName(int32_t type);
// A text as a JSON string, in quotes, read as UTF-8 or decoded in `encoding`
// (a byte that stands for no character as the code point of its number).
std::string jsonString(std::string_view text);
std::string jsonString(std::string_view text, const encoding::Encoding& encoding);
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

// ---- files.cpp: the array files games write, read and written through the
// module's own load and save actions. What happened comes from the module's
// outcome diagnostic, what a save could not keep from its save report.

// The formats of whole-array files, as facts::kFormats lists them: the
// module's through its load and save actions, and beside them the CSV of
// spreadsheets (sheet.cpp), the JSON form of show --json (json_file.cpp) and
// tile maps (tilemap_file.cpp), which tessel reads and writes itself
// (facts::readByTessel). The element file is no format of a whole array.
using Format = facts::Format;
using facts::readByTessel;
// ".arr, .array, .csv, .ini, .json or .tmj"; "native|host|csv|ini|sheet|json|tilemap".
std::string extensionList();
std::string formatChoices();

// "native", "host", "csv", "ini", "sheet", "json" or "tilemap"; throws UserError for another name.
Format formatNamed(const std::string& name);
inline const char* formatName(Format format) { return facts::formatInfo(format).shortName; }

// The format of an existing file to read: the one named, which its content
// must show (CSV: anything that is not one of the others), or else the one
// its magic or header shows, else its extension's. Throws UserError when the
// file cannot be read or told, or is not of the format named.
Format inputFormat(const std::string& path, std::optional<Format> named);
// The format a file is to be written in, by its extension; none when unknown.
std::optional<Format> formatOfExtension(const std::string& path);

// Whether the file exists and its permissions let nobody write it.
bool isReadOnly(const std::string& path);
// Why a save of `path` failed, from the module's outcome, in the user's
// terms: "the save failed: ...". A file that exists but "does not exist" is
// one whose folder takes no new file (such as /proc): a save writes its new
// content beside the file before it takes the file's place.
std::string saveFailure(const std::string& path, const std::string& outcome);

// A load, append or save action of the catalogue that names a whole-array file.
struct FileAction {
  using Kind = facts::FileUse;
  Format format;
  Kind kind;
};
std::optional<FileAction> fileActionOf(int action);

// The catalogue number of the module's action for a file action.
int actionNumber(const FileAction& action);

// The file's bytes, the first `most` of them at most; throws UserError when it
// cannot be read.
std::string readAll(const std::string& path, std::size_t most = std::string::npos);

// Runs the action on the file, with what tessel asks of the module's CSV
// reader (a byte order mark left out, with `csvHeader` a first row of labels). Adds
// to `warnings` what wraps and what a save could not keep (as the module
// counted it while writing); throws UserError when the module reports a failed
// save, the file is read-only, or tessel's own part fails. A load's outcome is
// left to the caller, given to `loaded` when there is one: a failed or damaged
// load is a mistake in a script and in convert, a warning in show.
void runFileAction(hostkit::RunObject& object, const FileAction& action, const std::string& path, bool csvHeader,
                   std::vector<std::string>& warnings, hostkit::RunObject::Outcome* loaded = nullptr);

// What to say of a text the module's CSV reader is given that looks written by
// a spreadsheet, after the file's name or "it"; nothing when it does not look so.
std::optional<std::string> spreadsheetWarning(std::string_view text);

// ---- sheet_array.cpp: spreadsheet CSV files as arrays. A sheet loads as a 2D
// array of strings, as wide as its widest row, a first row of labels with
// --header; a save writes the cells' texts as show's rows and columns, quoted
// where a spreadsheet needs it, the labels first with --header.

struct SheetOptions {
  std::optional<char> separator;  // ',' when writing, guessed from the first row when reading
  bool bom = false;               // a save starts the file with a UTF-8 byte order mark
};

// The load returns the outcome as the module's do: TESSEL_OUTCOME_DAMAGED for a sheet that
// ends inside a quoted field, whose rows before it are loaded.
// A sheet's texts are UTF-8; with a code page they are converted into it on
// the way in and out of it on the way out, and a character one side cannot
// hold is a UserError naming its row and column, with nothing loaded or written.
hostkit::RunObject::Outcome loadSheet(hostkit::RunObject& object, const std::string& path, bool header,
                                      const SheetOptions& options, const encoding::Encoding& encoding,
                                      std::vector<std::string>& warnings);
void saveSheet(hostkit::RunObject& object, const std::string& path, bool header, const SheetOptions& options,
               const encoding::Encoding& encoding, std::vector<std::string>& warnings);

// Runs the action, one that reads a file, on `bytes` as the content of the
// file `path` (TESSEL_READ_* flags for a CSV load), without writing them
// anywhere; the outcome is the action's.
hostkit::RunObject::Outcome actOnBytes(hostkit::RunObject& object, int action, const std::string& bytes,
                                       const std::string& path, int32_t second = 0, int32_t flags = 0);

// ---- json_file.cpp: the JSON of show --json as a file. A load reads the
// whole array the JSON describes, through the module's own load of a native
// file made from it; a bad JSON is a UserError and changes nothing. A save
// writes what show --json writes, named `name`.
hostkit::RunObject::Outcome loadJson(hostkit::RunObject& object, const std::string& path, bool append);
void saveJson(hostkit::RunObject& object, const std::string& name, const std::string& path,
              const encoding::Encoding& encoding);

// ---- tilemap_file.cpp: tile maps as 3D arrays, a page a tile layer (see
// tilemap.h). A load reads the map through the module's own load of a native
// file made from it, the layers skipped told in `warnings`; a bad map is a
// UserError and changes nothing. A save writes a copy of settings.templateMap
// with its tile layers' data replaced by the pages, when the sizes match.
struct Settings;
hostkit::RunObject::Outcome loadTileMap(hostkit::RunObject& object, const std::string& path, const Settings& settings,
                                        bool append, std::vector<std::string>& warnings);
void saveTileMap(hostkit::RunObject& object, const std::string& path, const Settings& settings,
                 std::vector<std::string>& warnings);
// Whether the path names a file whose content shows a map.
bool isTileMapFile(const std::string& path);

// What `write` puts into a scratch file of tessel's own, which is removed
// after; `write` throws UserError when it fails.
std::string writtenBy(const std::function<void(const std::string& scratch)>& write);
// Replaces the file whole with `bytes`, as the module's saves do: the old file
// stays byte for byte unless every new byte arrives. Throws UserError when it fails.
void replaceFile(const std::string& path, const std::string& bytes);

// ---- help.cpp: the catalogue as help text, for `help` and `tessel help`.

// Everything, grouped as the menus group it, when the topic is empty;
// otherwise a shell command, the file formats, a part of the menus, the
// action of a number, the expression of a name, or every entry whose label,
// name or display string holds the topic. Throws UserError when nothing does.
void printHelp(std::ostream& out, std::string_view topic);
// The topics of `help TOPIC`: "elements", then the first word of each of the
// menus' top popups, each once.
std::vector<std::string> helpTopics();

// ---- session.cpp: one run of the console language: named instances of the
// object side by side, and the lines that act on them.

struct Settings {
  // for instances created without options of their own
  hostkit::SetupOptions setup{options::kDimensionsByDefault, 0, 0, options::kDelimiterByDefault};
  ShowOptions show;
  bool csvHeader = false;                          // a CSV file's first row holds the column labels
  bool keepGoing = false;                          // a script goes on after an error
  int64_t maxCells = options::kMaxCellsByDefault;  // the most cells an index may add to an array at once
  bool interactive = false;                        // lines are typed at a terminal, not read from a script
  SheetOptions sheet;
  std::optional<std::string> module;  // the module to load, when not the one next to tessel
  std::optional<Format> from, to;     // the formats of the files read and written, when named
  bool force = false;                 // convert may replace an existing file

  std::optional<std::string> templateMap;  // the map a tile map save copies
  tilemap::Codec codec;                    // of tile maps' compressed data
};

// ---- options.cpp: the options of options.h applied to settings.

// Reads the option at args[i] ("--dims 3", "--x=4", "--auto-select") when it
// is one of the scopes', advancing i past it and its operand; false when it is
// none of them. Throws UserError for a bad or missing value.
bool readOption(const std::vector<std::string>& args, std::size_t& i, std::initializer_list<options::Scope> scopes,
                Settings& settings);
// A scope's options as usage lines ("  --dims N            dimension count ...").
std::string optionLines(options::Scope scope);
// The usage line of the option "--dims" (also written "dims" or "-x"), or "".
std::string optionHelp(const std::string& name);
// "--types, --keys, ... and --json": a scope's options in a sentence.
std::string optionNames(options::Scope scope);
// Every scope's heading and options, for the usage text.
std::string usageOfOptions();

// A whole file into a new object or out of it, in any format the console
// knows, as show, convert and diff read and write them. The load's outcome
// is the caller's to judge.
hostkit::RunObject::Outcome loadArray(hostkit::RunObject& object, Format format, const std::string& path,
                                      const Settings& settings, std::vector<std::string>& warnings);
void saveArray(hostkit::RunObject& object, Format format, const std::string& path, const Settings& settings,
               std::vector<std::string>& warnings);

// ---- check.cpp and diff.cpp: tessel check FILE... and tessel diff A B, with
// their exit status: check 0 when every file is sound, 1 when one is damaged,
// 2 when one cannot be read; diff 0 when the arrays are the same, 1 when they
// differ, 2 when one cannot be read or loads damaged. settings.show.json asks for JSON.
// diff's warnings and trouble go to err.
int checkFiles(hostkit::Module& module, const Settings& settings, std::optional<Format> from,
               const std::vector<std::string>& paths, std::ostream& out);
int diffFiles(hostkit::Module& module, const Settings& settings, std::optional<Format> from, const std::string& a,
              const std::string& b, std::ostream& out, std::ostream& err);

// Text the user typed (a line, an option's value) as the bytes the game
// would have: in a code page its bytes there, otherwise as typed. Throws
// UserError when `what` holds a character the code page cannot hold.
std::string typedBytes(std::string_view typed, const encoding::Encoding& encoding, const std::string& what,
                       const std::string& hint = "");

class Session {
 public:
  Session(hostkit::Module& module, Settings settings, std::ostream& out)
      : module_(module), settings_(std::move(settings)), out_(out) {}

  // Runs one line, then prints its mistake and warnings to err after `where`;
  // false when it failed.
  bool runLine(std::string_view line, const std::string& where, std::ostream& err);
  // Runs a script line by line; messages go to err as "name:line: message".
  // Returns false when a line failed.
  bool run(std::istream& script, const std::string& name, std::ostream& err);
  // The end of the lines: a loop still open is a mistake, told at its for
  // line, and its lines are not run. False when one was open.
  bool endOfInput(std::ostream& err);

  const std::string& currentName() const { return current_; }
  const std::map<std::string, std::unique_ptr<hostkit::RunObject>>& instances() const { return instances_; }
  bool quitRequested() const { return quit_; }
  // Lines are being gathered into a loop, up to its end.
  bool inLoop() const { return loop_.has_value(); }
  void dropLoop() { loop_.reset(); }

 private:
  // Runs one line of the language; throws UserError. What the module would
  // not do, or did not do, is kept as warnings for the line.
  void execute(std::string_view line);
  hostkit::RunObject& instance(const std::string& name);
  hostkit::RunObject& create(const std::string& name, const hostkit::SetupOptions& setup);
  bool builtin(std::string_view line);
  // "for NAME from A to B": starts gathering the loop's lines.
  void openLoop(Cursor& c);
  // Gathers one line into the open loop, and runs the loop at its end.
  bool gather(std::string_view line, const std::string& where, std::ostream& err);
  // Runs an action of the catalogue; loads and saves go through the guard
  // below. `force` is the line's trailing --force.
  void runAction(hostkit::RunObject& object, const ActionCall& call, bool force);
  // A save after a load that failed: a script's saves write nothing after it,
  // and at the terminal a save needs --force (or a good load of that instance).
  void guardSave(bool force) const;

  // A load that failed and what it said, with the instance it emptied.
  struct FailedLoad {
    std::string instance;
    std::string where;  // "fix.tessel:3: ", empty at the terminal
    std::string what;
  };

  // A loop being gathered: its name and bounds, and its lines with where each stands.
  struct Loop {
    std::string name;
    int32_t from = 0, to = -1;
    std::string where;
    std::vector<std::pair<std::string, std::string>> lines;
    int nested = 0;     // loops opened inside it and not yet ended
    bool skip = false;  // its for line was a mistake: the lines are gathered, not run
  };

  hostkit::Module& module_;
  Settings settings_;
  std::ostream& out_;
  std::map<std::string, std::unique_ptr<hostkit::RunObject>> instances_;
  std::string current_ = "main";
  std::vector<std::string> warnings_;
  std::string where_;  // of the line being run, for messages that point back to it
  std::optional<FailedLoad> failedLoad_;
  std::optional<Loop> loop_;
  LoopNames loopNames_;
  bool quit_ = false;
};

// ---- terminal.cpp: the console language typed at a terminal, with line
// editing, history and Tab completion where the system has the line editor.

// Reads and runs lines until quit or the end of input; returns the exit
// status, 0: mistakes were told on their lines.
int interactive(Session& session, std::ostream& err);

// ---- platform.cpp: what the console host does differently on each system, in
// one place, with what it does differently at a terminal: Ctrl-C cancels the
// line being typed or the command that is running (which checks between
// steps), long output goes through a pager, and UTF-8 is shown as text where
// the locale takes it.
namespace platform {

// The module's file name on this system, and the keys that end typed input at a terminal.
#if defined(_WIN32)
inline constexpr char kModuleFileName[] = "tessel.dll";
inline constexpr char kEndOfInputKeys[] = "Ctrl-Z and Enter";
#else
inline constexpr char kModuleFileName[] = "libtessel.so";
inline constexpr char kEndOfInputKeys[] = "Ctrl-D";
#endif

// The module next to the running program.
std::string defaultModulePath(const char* argv0);

// Whether standard input is a terminal someone types at (not a file or a pipe).
bool inputIsTerminal();

// Creates a new empty file in the temporary folder; its path, or nothing when
// none can be made.
std::string createTempFile();

// Output bytes as written: "\n" stays "\n" on every system, so that scripts
// print the same bytes everywhere and output can be compared with a file.
void prepareStandardStreams();

// Catches Ctrl-C from now on instead of ending the program.
void catchInterrupts();
// Whether Ctrl-C came since the last clearCancel().
bool cancelRequested();
void clearCancel();

// Whether the output takes UTF-8, so texts are shown decoded: where the
// locale's character set is UTF-8, and on Windows always (a console through
// ConsoleText, files and pipes in UTF-8 as tessel's other files are).
bool outputTakesUtf8();

// While it lives, standard output and error that are a Windows console show
// their UTF-8 through the console's wide calls; elsewhere it does nothing.
class ConsoleText {
 public:
  ConsoleText();
  ~ConsoleText();
  ConsoleText(const ConsoleText&) = delete;
  ConsoleText& operator=(const ConsoleText&) = delete;

 private:
#if defined(_WIN32)
  class Buffer;
  std::unique_ptr<Buffer> out_, err_;
  std::streambuf* oldOut_ = nullptr;
  std::streambuf* oldErr_ = nullptr;
#endif
};

// One line typed on standard input, as UTF-8 (a Windows console types
// UTF-16); false at the end of input.
bool readTypedLine(std::string& line);
// The command line's words after the program's name: on Windows from its
// wide command line, as UTF-8 (what a console types), elsewhere as given.
std::vector<std::string> arguments(int argc, char** argv);
// A file name as the console itself opens it: on Windows a UTF-8 name through
// the wide calls, other bytes in the system's code page, as the module reads them.
std::filesystem::path filePath(const std::string& name);
// The name under which the module's single-byte file calls reach the same
// file: on Windows a UTF-8 name in the system's code page, or the short name
// of a file or folder that the code page cannot name; throws UserError when
// there is none (a new file's own name beyond it).
std::string systemName(const std::string& name);
// Writes what `print` prints to out, through $PAGER (default "less -FRX") when
// out is the terminal and the text is longer than its screen.
void page(std::ostream& out, const std::function<void(std::ostream&)>& print);

}  // namespace platform

}  // namespace tessel::console
