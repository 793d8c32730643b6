// One run of the console language: named instances of the object side by
// side, and the lines that act on them.
#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/console/files.h"
#include "tools/console/help.h"
#include "tools/console/names.h"
#include "tools/console/show.h"
#include "tools/host_kit.h"

namespace tessel::console {

// Reads one setup option ("--dims 3", "--x=4", "--auto-select") from args at
// i, advancing i past it; false when args[i] is not a setup option. Throws
// UserError for a bad value.
bool readSetupOption(const std::vector<std::string>& args, std::size_t& i, hostkit::SetupOptions& setup);
extern const char* const kSetupOptionsHelp;

struct Settings {
  hostkit::SetupOptions setup;  // for instances created without options of their own
  ShowOptions show;
  bool csvHeader = false;  // a CSV file's first row holds the column labels
  bool keepGoing = false;  // a script goes on after an error
};

class Session {
 public:
  Session(hostkit::Module& module, Settings settings, std::ostream& out);

  // Runs one line, then prints its mistake and warnings to err after `where`;
  // false when it failed.
  bool runLine(std::string_view line, const std::string& where, std::ostream& err);
  // Runs a script line by line; messages go to err as "name:line: message".
  // Returns false when a line failed.
  bool run(std::istream& script, const std::string& name, std::ostream& err);

  const std::string& currentName() const { return current_; }
  std::vector<std::string> instanceNames() const;
  bool quitRequested() const { return quit_; }

 private:
  // Runs one line of the language; throws UserError. What the module would
  // not do, or did not do, is kept as warnings for the line.
  void execute(std::string_view line);
  hostkit::RunObject& instance(const std::string& name);
  hostkit::RunObject& create(const std::string& name, const hostkit::SetupOptions& setup);
  bool builtin(std::string_view line);

  hostkit::Module& module_;
  Settings settings_;
  std::ostream& out_;
  std::map<std::string, std::unique_ptr<hostkit::RunObject>> instances_;
  std::string current_ = "main";
  std::vector<std::string> warnings_;
  bool quit_ = false;
};

}  // namespace tessel::console
