// tessel: the module without the game. Loads the module through its exports
// and routine tables, as a game host does, and drives it from scripts, from a
// terminal, or on the array files that games write.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>

#include "host/help_topics.h"
#include "tools/console/console.h"

#if TESSEL_LINE_EDITING
#include <editline/readline.h>
#endif

namespace tessel::console {

namespace {

const char kUsageHead[] =
    "usage: tessel [options] run SCRIPT...     run scripts, one command a line\n"
    "       tessel [options] show FILE         print an array file\n"
    "       tessel [options] convert IN OUT    rewrite an array file in another format\n"
    "       tessel [options] check FILE...     say whether files load sound, as a game loads them\n"
    "       tessel [options] diff A B          the cells in which two array files differ\n"
    "       tessel help [NAME | TOPIC]         the actions and expressions, by topic as the menus group them\n"
    "       tessel --version                   the version of tessel\n"
    "       tessel [options]                   type commands at a terminal (a script on standard input otherwise)\n"
    "options:\n";

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

struct Options {
  Settings settings;
  std::vector<std::string> words;  // the command and its operands
};

Options parse(const std::vector<std::string>& args) {
  using options::Scope;
  Options o;
  for (std::size_t i = 0; i < args.size();) {
    const std::string& a = args[i];
    if (a.size() < 2 || a[0] != '-' || (!o.words.empty() && o.words[0] == "help")) {
      o.words.push_back(args[i++]);
      continue;
    }
    if (a == "--version" || a == "--help" || a == "-h") {
      o.words = {a};  // the whole command, whatever the rest of the line holds
      return o;
    }
    if (!readOption(args, i, {Scope::run, Scope::file, Scope::setup, Scope::show}, o.settings))
      throw UserError("unknown option " + a);
  }
  return o;
}

int runScripts(Session& session, const std::vector<std::string>& scripts, bool keepGoing) {
  bool ok = true;
  for (const std::string& path : scripts) {
    std::error_code error;
    std::ifstream in(path);
    const int openError = errno;
    const bool readable = in && !std::filesystem::is_directory(path, error);
    if (!readable) {
      std::cerr << "tessel: cannot read the script " << path << ": "
                << (in ? "it is a directory" : std::strerror(openError)) << '\n';
    }
    if (!readable || !session.run(in, path, std::cerr)) {
      ok = false;
      if (!keepGoing) return kFailed;
    }
  }
  return ok ? 0 : kFailed;
}

int showFile(hostkit::Module& module, const Options& o) {
  if (o.words.size() != 2) throw UserError("show takes one file: tessel show FILE");
  const std::string& path = o.words[1];
  const Format format = inputFormat(path, o.settings.from);
  hostkit::RunObject object(module, hostkit::makeSetup(o.settings.setup));
  std::vector<std::string> warnings;
  loadArray(object, format, path, o.settings, warnings);
  for (const auto& w : warnings) std::cerr << "tessel: warning: " << w << '\n';
  const std::string title = o.settings.show.json ? path : path + " (" + formatName(format) + ")";
  platform::page(std::cout, [&](std::ostream& text) { show(object, title, text, o.settings.show); });
  return 0;
}

int convert(hostkit::Module& module, const Options& o) {
  if (o.words.size() != 3) throw UserError("convert takes two files: tessel convert IN OUT");
  const std::string& in = o.words[1];
  const std::string& out = o.words[2];
  const Format from = inputFormat(in, o.settings.from);
  std::optional<Format> to = o.settings.to ? o.settings.to : formatOfExtension(out);
  if (!to)
    throw UserError("cannot tell the format to write " + out + " in; name it with --to native|host|csv|ini|sheet");
  std::error_code error;
  if (std::filesystem::equivalent(in, out, error)) throw UserError("convert does not write over its input " + in);
  if (std::filesystem::exists(out, error) && !o.settings.force) {
    throw UserError(out + " exists; convert replaces it only with --force");
  }
  hostkit::RunObject object(module, hostkit::makeSetup(o.settings.setup));
  std::vector<std::string> warnings;
  loadArray(object, from, in, o.settings, warnings);
  saveArray(object, *to, out, o.settings, warnings);
  for (const auto& w : warnings) std::cerr << "tessel: warning: " << w << '\n';
  const int32_t count = object.integer(catalogue::expressionOf("size"));
  std::cout << in << " (" << formatName(from) << ", " << plural(count, "element", "elements") << ") -> " << out << " ("
            << formatName(*to) << ")\n";
  return 0;
}

// ---- At a terminal: the console language with line editing, history,
// completion and Ctrl-C.

#if TESSEL_LINE_EDITING

// The files and folders whose path starts with `partial`, folders with a "/".
std::vector<std::string> paths(const std::string& partial) {
  const std::string folder = partial.substr(0, partial.rfind('/') + 1);  // empty without a '/': npos + 1 is 0
  const std::string stem = partial.substr(folder.size());
  std::vector<std::string> out;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, stem.size(), stem) != 0 || (stem.empty() && name.front() == '.')) continue;
    out.push_back(folder + name + (entry.is_directory(error) ? "/" : ""));
  }
  return out;
}

// Whole-line completions of what has been typed so far, each once and in
// order: a file path inside an open quoted text, an instance name after with,
// show and drop, an action's words or a command at the start of the line, an
// expression name where a name is being typed.
std::set<std::string> completions(const std::string& typed, const Session& session) {
  std::set<std::string> out;
  if (std::count(typed.begin(), typed.end(), '"') % 2 == 1) {
    const std::size_t quote = typed.rfind('"');
    for (const auto& p : paths(typed.substr(quote + 1))) out.insert(typed.substr(0, quote + 1) + p);
    return out;
  }
  const std::string indent = typed.substr(0, typed.find_first_not_of(" \t"));  // all of it when all blank
  const std::string start = typed.substr(indent.size());
  for (const char* command : {"with ", "show ", "drop "}) {
    if (start.rfind(command, 0) != 0 || start.find(' ', std::strlen(command)) != std::string::npos) continue;
    for (const auto& [name, object] : session.instances()) {
      if (name.rfind(start.substr(std::strlen(command)), 0) == 0) out.insert(indent + command + name);
    }
    return out;
  }
  const std::string wanted = lowered(start);
  // A command with an operand it cannot do without comes with a blank after it.
  for (const auto& c : topics::kShellCommands) {
    const std::string_view term = c.term;
    const std::size_t end = term.find(' ');
    const std::string command(term.substr(0, std::isupper(static_cast<unsigned char>(term[end + 1])) ? end + 1 : end));
    if (lowered(command).rfind(wanted, 0) == 0) out.insert(indent + command);
  }
  for (const auto& a : catalogue::kActions) {
    const std::string words = usage(a).substr(0, usage(a).find(" <"));
    if (lowered(words).rfind(wanted, 0) == 0) out.insert(indent + words + (a.paramCount() > 0 ? " " : ""));
  }
  const std::size_t fragment = typed.rend() - std::find_if_not(typed.rbegin(), typed.rend(), isNameChar);
  const std::string name = typed.substr(fragment);
  for (const auto& e : catalogue::kExpressions) {
    if (lowered(e.name).rfind(lowered(name), 0) == 0) out.insert(typed.substr(0, fragment) + e.name);
  }
  return out;
}

// The line-editing library calls back without a context pointer, so the
// session whose instances are completed and the candidates of the completion
// under way are kept here for its generator.
struct Completion {
  const Session* session = nullptr;
  std::vector<std::string> candidates;
  std::size_t next = 0;
};

Completion& completion() {
  static Completion state;
  return state;
}

char* nextCandidate(const char*, int state) {
  Completion& c = completion();
  if (state == 0) c.next = 0;
  return c.next < c.candidates.size() ? strdup(c.candidates[c.next++].c_str()) : nullptr;
}

// The library replaces only the word under the cursor (from `start`), so each
// whole-line completion is handed over from there on.
char** complete(const char*, int start, int) {
  rl_attempted_completion_over = 1;  // tessel's own file names, not the library's
  rl_completion_append_character = '\0';
  const std::string typed(rl_line_buffer, static_cast<std::size_t>(rl_point));
  const std::size_t from = std::min(static_cast<std::size_t>(std::max(start, 0)), typed.size());
  std::vector<std::string>& candidates = completion().candidates;
  candidates.clear();
  for (const std::string& line : completions(typed, *completion().session)) {
    if (line.size() >= from) candidates.push_back(line.substr(from));
  }
  return candidates.empty() ? nullptr : rl_completion_matches(typed.c_str() + from, nextCandidate);
}

#endif

#if TESSEL_LINE_EDITING
// The history file, saved after each line so that a closed terminal loses
// none, and replaced whole so that a save cut short never empties it.
void saveHistory(const std::string& path, std::ostream& err) {
  try {
    replaceFile(path, writtenBy([](const std::string& scratch) {
                  if (write_history(scratch.c_str()) != 0) throw UserError("cannot write the history");
                }));
  } catch (const UserError& e) {
    err << "tessel: the history is not saved: " << e.what() << '\n';
  }
}
#endif

// Reads and runs lines until end of input; returns the exit status.
int interactive(Session& session, std::ostream& err) {
  std::cout << "tessel: type help for the catalogue; Ctrl-C cancels a line, quit or " << platform::kEndOfInputKeys
            << " ends\n";
  platform::catchInterrupts();
  int errors = 0;
#if TESSEL_LINE_EDITING
  static char wordBreaks[] = "\n";  // complete whole lines: action words hold blanks
  rl_readline_name = "tessel";
  rl_completer_word_break_characters = wordBreaks;
  rl_attempted_completion_function = complete;
  completion().session = &session;
  using_history();
  stifle_history(1000);
  const char* home = std::getenv("HOME");
  const std::string history = home != nullptr ? std::string(home) + "/.tessel_history" : "";
  if (!history.empty()) read_history(history.c_str());
#endif
  while (!session.quitRequested()) {
    platform::clearCancel();
    const std::string prompt = session.currentName() + "> ";
#if TESSEL_LINE_EDITING
    char* raw = readline(prompt.c_str());
    if (raw == nullptr && !platform::cancelRequested()) break;
    const std::string line = raw != nullptr ? raw : "";
    std::free(raw);  // NOLINT(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory): the line editor mallocs it
    if (line.find_first_not_of(" \t") != std::string::npos) {
      add_history(line.c_str());
      if (!history.empty()) saveHistory(history, err);
    }
#else
    std::string line;
    std::cout << prompt << std::flush;
    if (!std::getline(std::cin, line) && !platform::cancelRequested()) break;
    std::cin.clear();
#endif
    if (platform::cancelRequested()) {
      std::cout << "^C\n";  // the line is dropped
      continue;
    }
    if (!session.runLine(line, "", err)) ++errors;
  }
#if TESSEL_LINE_EDITING
  completion().session = nullptr;  // the completion state outlives the session it points to
#endif
  std::cout << '\n';
  return errors == 0 ? 0 : 1;
}

int dispatch(const Options& o, const char* argv0) {
  const std::string command = o.words.empty() ? "" : o.words[0];
  if (command == "--help" || command == "-h") {
    std::cout << kUsageHead << usageOfOptions();
    return 0;
  }
  if (command == "--version") {
    std::cout << "tessel " << TESSEL_VERSION << " (" << TESSEL_ACTION_COUNT << " actions, " << TESSEL_EXPRESSION_COUNT
              << " expressions)\n";
    return 0;
  }
  if (command == "help") {
    std::string topic;
    for (std::size_t i = 1; i < o.words.size(); ++i) topic += (i > 1 ? " " : "") + o.words[i];
    platform::page(std::cout, [&](std::ostream& text) { printHelp(text, topic); });
    return 0;
  }
  if (!command.empty() && command != "run" && command != "show" && command != "convert" && command != "check" &&
      command != "diff") {
    std::cerr << "tessel: unknown command \"" << command << "\" (tessel --help shows the usage)\n";
    return kUsageError;
  }
  if (command == "run" && o.words.size() < 2) throw UserError("run needs at least one script");
  // check and diff keep status 1 for what they find, so their usage mistakes are trouble, 2, as for diff(1).
  if ((command == "check" && o.words.size() < 2) || (command == "diff" && o.words.size() != 3)) {
    std::cerr << "tessel: "
              << (command == "check" ? "check needs at least one file: tessel check FILE..."
                                     : "diff takes two files: tessel diff A B")
              << '\n';
    return kUsageError;
  }

  std::optional<hostkit::Module> module;
  try {
    module.emplace((o.settings.module ? *o.settings.module : platform::defaultModulePath(argv0)).c_str());
  } catch (const std::exception& e) {
    std::cerr << "tessel: " << e.what() << '\n';
    return kUsageError;
  }
  if (command == "show") return showFile(*module, o);
  if (command == "convert") return convert(*module, o);
  if (command == "check")
    return checkFiles(*module, o.settings, o.settings.from, {o.words.begin() + 1, o.words.end()}, std::cout);
  if (command == "diff") return diffFiles(*module, o.settings, o.settings.from, o.words[1], o.words[2], std::cout);
  Session session(*module, o.settings, std::cout);
  if (command == "run") return runScripts(session, {o.words.begin() + 1, o.words.end()}, o.settings.keepGoing);
  if (platform::inputIsTerminal()) return interactive(session, std::cerr);
  return session.run(std::cin, "<stdin>", std::cerr) ? 0 : kFailed;
}

}  // namespace

}  // namespace tessel::console

int main(int argc, char** argv) {
  using namespace tessel::console;
  platform::prepareStandardStreams();
  Options options;
  try {
    options = parse(std::vector<std::string>(argv + 1, argv + argc));
    options.settings.show.utf8 = platform::outputTakesUtf8();
  } catch (const UserError& e) {
    std::cerr << "tessel: " << e.what() << " (tessel --help shows the usage)\n";
    return kUsageError;
  }
  try {
    return dispatch(options, argv[0]);
  } catch (const std::exception& e) {
    std::cerr << "tessel: " << e.what() << '\n';
    return kFailed;
  }
}
