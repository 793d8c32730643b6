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

#include "tools/console/console.h"

namespace tessel::console {

namespace {

const char kUsageHead[] =
    "usage: tessel [options] run SCRIPT...     run scripts, one command a line\n"
    "       tessel [options] show FILE         print an array file\n"
    "       tessel [options] convert IN OUT    rewrite an array file in another format\n"
    "       tessel help [NAME | TOPIC]         the actions and expressions, by topic as the menus group them\n"
    "       tessel --version                   the version of tessel\n"
    "       tessel [options]                   type commands at a terminal (a script on standard input otherwise)\n"
    "options:\n";
const char kUsageSetup[] = "setup of the instances (the default instance is \"main\"):\n";

}  // namespace

const char* const kCommandLineOptionsHelp =
    "  --module PATH       the module to load (default: libtessel.so, or tessel.dll on Windows, next to tessel)\n"
    "  --keep-going        a script goes on after an error (the exit status still tells), but writes no file\n"
    "                      after a load that failed\n"
    "  --width N           cut texts longer than N characters in show (default 24)\n"
    "  --from FORMAT       format of the file read: native, host, csv or ini (default: by its content)\n"
    "  --to FORMAT         format of the file written (default: by its extension: .arr, .array, .csv, .ini)\n"
    "  --force             convert may replace an existing file (never a read-only one)\n"
    "  --header            a CSV file's first row holds the column labels, read and written\n"
    "  --max-cells N       an index may grow an array by at most N cells (default 10000000)\n"
    "  --types, --keys, --rows A:B, --selected, --head N, --json   what show prints (tessel help show)\n";

namespace {

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
    } else if (a == "--max-cells") {
      const std::string& n = optionValue(args, i);
      if (n.empty() || n.size() > 10 || n.find_first_not_of("0123456789") != std::string::npos)
        throw UserError("--max-cells needs a number of cells, not \"" + n + "\"");
      o.settings.maxCells = std::stoll(n);
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
  // A file has no queries run on it: its selection is worth a word only when asked about.
  ShowOptions options = o.settings.show;
  options.selectionMatters = false;
  platform::page(std::cout, [&](std::ostream& text) { show(object, title, text, options); });
  return outcome.code == 0 ? 0 : kFailed;
}

int convert(hostkit::Module& module, const Options& o) {
  if (o.words.size() != 3) throw UserError("convert takes two files: tessel convert IN OUT");
  const std::string& in = o.words[1];
  const std::string& out = o.words[2];
  const Format from = inputFormat(in, o.from);
  std::optional<Format> to = o.to ? o.to : formatOfExtension(out);
  if (!to)
    throw UserError("cannot tell the format to write " + out +
                    " in; name it with --to native|host|csv|ini"
                    " (or end its name in .arr, .array, .csv or .ini)");
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

int dispatch(const Options& o, const char* argv0) {
  const std::string command = o.words.empty() ? "" : o.words[0];
  if (command == "--help" || command == "-h") {
    std::cout << kUsageHead << kCommandLineOptionsHelp << kUsageSetup << kSetupOptionsHelp;
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
