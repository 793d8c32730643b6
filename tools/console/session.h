// One run of the console language: named instances of the object side by
// side, and the lines that act on them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/console/files.h"
#include "tools/console/names.h"
#include "tools/console/options.h"
#include "tools/console/sheet_array.h"
#include "tools/console/show.h"
#include "tools/console/tilemap.h"
#include "tools/host_kit.h"

namespace tessel::console {

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

// Text the user typed (a line, an option's value) as the bytes the game
// would have: in a code page its bytes there, otherwise as typed. Throws
// UserError when `what` holds a character the code page cannot hold.
std::string typedBytes(std::string_view typed, const encoding::Encoding& encoding, const std::string& what,
                       const std::string& hint = "");

// The console's own words, which begin a line in place of an action, by what
// they do: a host that runs single lines against one instance (the
// workbench's command bar) refuses the first two kinds.
enum class WordKind : uint8_t { session, loop, reads };
struct OwnWord {
  std::string_view word;
  WordKind kind;
};
inline constexpr OwnWord kOwnWords[] = {
    {"new", WordKind::session},  {"with", WordKind::session}, {"drop", WordKind::session}, {"quit", WordKind::session},
    {"exit", WordKind::session}, {"for", WordKind::loop},     {"end", WordKind::loop},     {"show", WordKind::reads},
    {"help", WordKind::reads},   {"echo", WordKind::reads},
};

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

}  // namespace tessel::console
