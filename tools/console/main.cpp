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
    "       tessel help [NAME | TOPIC]         the actions and expressions, by topic as the menus group them\n"
    "       tessel --version                   the version of tessel\n"
    "       tessel [options]                   type commands at a terminal (a script on standard input otherwise)\n"
    "options:\n"
    "  --module PATH       the module to load (default: ";
const char kUsageTail[] =
    " next to tessel)\n"
    "  --keep-going        a script goes on after an error (the exit status still tells)\n"
    "  --width N           cut texts longer than N characters in show (default 24)\n"
    "  --from FORMAT       format of the file read: native, host, csv or ini (default: by its content)\n"
    "  --to FORMAT         format of the file written (default: by its extension)\n"
    "  --force             convert may replace an existing file\n"
    "  --header            a CSV file's first row holds the column labels, read and written\n"
    "  --types, --keys, --rows A:B, --selected, --head N, --json   what show prints (tessel help show)\n"
    "setup of the instances (the default instance is \"main\"):\n";

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

struct Options {
  Settings settings;
  std::optional<std::string> module;
  std::optional<Format> from;
  std::optional<Format> to;
  bool force = false;
  std::vector<std::string> words;  // the command and its operands
};

Options parse(const std::vector<std::string>& args) {
  Options o;
  for (std::size_t i = 0; i < args.size();) {
    const std::string& a = args[i];
    if (a.size() < 2 || a[0] != '-' || (!o.words.empty() && o.words[0] == "help")) {
      o.words.push_back(args[i++]);
      continue;
    }
    if (readSetupOption(args, i, o.settings.setup) || readShowOption(args, i, o.settings.show)) continue;
    if (a == "--module") {
      o.module = optionValue(args, i);
    } else if (a == "--keep-going") {
      o.settings.keepGoing = true;
    } else if (a == "--width") {
      const std::string& w = optionValue(args, i);
      if (w.empty() || w.find_first_not_of("0123456789") != std::string::npos || w.size() > 6 || std::stoi(w) < 1)
        throw UserError("--width needs a positive number, not \"" + w + "\"");
      o.settings.show.width = static_cast<std::size_t>(std::stoi(w));
    } else if (a == "--from") {
      o.from = formatNamed(optionValue(args, i));
    } else if (a == "--to") {
      o.to = formatNamed(optionValue(args, i));
    } else if (a == "--force") {
      o.force = true;
    } else if (a == "--header") {
      o.settings.csvHeader = true;
    } else if (a == "--version" || a == "--help" || a == "-h") {
      o.words = {a};  // the whole command, whatever the rest of the line holds
      return o;
    } else {
      throw UserError("unknown option " + a);
    }
    ++i;
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
  const Format format = inputFormat(path, o.from);
  hostkit::RunObject object(module, hostkit::makeSetup(o.settings.setup));
  std::vector<std::string> warnings;
  const auto outcome = runFileAction(object, {format, FileAction::Kind::load}, path, o.settings.csvHeader, warnings);
  // A damaged file is shown as far as it reads, and the status says it is damaged.
  if (outcome.code != 0 && outcome.code != kDamaged) throw UserError("the load failed: " + outcome.text);
  if (outcome.code == kDamaged) warnings.push_back(outcome.text + "; shown as far as it reads");
  for (const auto& w : warnings) std::cerr << "tessel: warning: " << w << '\n';
  const std::string title = o.settings.show.json ? path : path + " (" + formatName(format) + ")";
  platform::page(std::cout, [&](std::ostream& text) { show(object, title, text, o.settings.show); });
  return outcome.code == 0 ? 0 : kFailed;
}

int convert(hostkit::Module& module, const Options& o) {
  if (o.words.size() != 3) throw UserError("convert takes two files: tessel convert IN OUT");
  const std::string& in = o.words[1];
  const std::string& out = o.words[2];
  const Format from = inputFormat(in, o.from);
  std::optional<Format> to = o.to ? o.to : formatOfExtension(out);
  if (!to) throw UserError("cannot tell the format to write " + out + " in; name it with --to native|host|csv|ini");
  std::error_code error;
  if (std::filesystem::equivalent(in, out, error)) throw UserError("convert does not write over its input " + in);
  if (std::filesystem::exists(out, error) && !o.force) {
    throw UserError(out + " exists; convert replaces it only with --force");
  }
  hostkit::RunObject object(module, hostkit::makeSetup(o.settings.setup));
  std::vector<std::string> warnings;
  const auto loaded = runFileAction(object, {from, FileAction::Kind::load}, in, o.settings.csvHeader, warnings);
  if (loaded.code != 0) {
    for (const auto& w : warnings) std::cerr << "tessel: warning: " << w << '\n';
    if (loaded.code == kDamaged)
      throw UserError(loaded.text + "; " + out + " is not written (tessel show " + in + " shows what it holds)");
    throw UserError("the load failed: " + loaded.text + "; " + out + " is not written");
  }
  runFileAction(object, {*to, FileAction::Kind::save}, out, o.settings.csvHeader, warnings);
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

// Reads and runs lines until end of input; returns the exit status.
int interactive(Session& session, std::ostream& err) {
  std::cout << "tessel: type help for the catalogue; Ctrl-C cancels a line, quit or " << platform::kEndOfInputKeys
            << " ends\n";
  platform::catchInterrupts();
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
    if (line.find_first_not_of(" \t") != std::string::npos) add_history(line.c_str());
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
    (void)session.runLine(line, "", err);  // mistakes are told on their line; the shell goes on
  }
#if TESSEL_LINE_EDITING
  if (!history.empty()) write_history(history.c_str());
  completion().session = nullptr;  // the completion state outlives the session it points to
#endif
  std::cout << '\n';
  // Leaving the shell is not a failure, whatever was mistyped on the way.
  return 0;
}

int dispatch(const Options& o, const char* argv0) {
  const std::string command = o.words.empty() ? "" : o.words[0];
  if (command == "--help" || command == "-h") {
    std::cout << kUsageHead << platform::kModuleFileName << kUsageTail << kSetupOptionsHelp;
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
  if (!command.empty() && command != "run" && command != "show" && command != "convert") {
    std::cerr << "tessel: unknown command \"" << command << "\" (tessel --help shows the usage)\n";
    return kUsageError;
  }
  if (command == "run" && o.words.size() < 2) throw UserError("run needs at least one script");

  std::optional<hostkit::Module> module;
  try {
    module.emplace((o.module ? *o.module : platform::defaultModulePath(argv0)).c_str());
  } catch (const std::exception& e) {
    std::cerr << "tessel: " << e.what() << '\n';
    return kUsageError;
  }
  if (command == "show") return showFile(*module, o);
  if (command == "convert") return convert(*module, o);
  Settings settings = o.settings;
  settings.interactive = command.empty() && platform::inputIsTerminal();
  Session session(*module, settings, std::cout);
  if (command == "run") return runScripts(session, {o.words.begin() + 1, o.words.end()}, o.settings.keepGoing);
  if (settings.interactive) return interactive(session, std::cerr);
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
