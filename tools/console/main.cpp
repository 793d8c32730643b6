// tessel: the module without the game. Loads the module through its exports
// and routine tables, as a game host does, and drives it from scripts, from a
// terminal, or on the array files that games write.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
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
  // Typed as an argument, it becomes bytes as a typed line does, whichever option came first.
  o.settings.setup.delimiter = typedBytes(o.settings.setup.delimiter, o.settings.show.encoding, "--delimiter");
  return o;
}

int runScripts(Session& session, const std::vector<std::string>& scripts, bool keepGoing) {
  bool ok = true;
  for (const std::string& path : scripts) {
    std::error_code error;
    std::ifstream in(platform::filePath(path));
    const int openError = errno;
    const bool readable = in && !std::filesystem::is_directory(platform::filePath(path), error);
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
  const auto outcome = loadArray(object, format, path, o.settings, warnings);
  // A damaged file is shown as far as it reads, and the status says it is damaged.
  if (outcome.code != 0 && outcome.code != TESSEL_OUTCOME_DAMAGED) {
    for (const auto& w : warnings) std::cerr << "tessel: warning: " << w << '\n';
    throw UserError("the load failed: " + outcome.text);
  }
  if (outcome.code == TESSEL_OUTCOME_DAMAGED) warnings.push_back(outcome.text + "; shown as far as it reads");
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
  const Format from = inputFormat(in, o.settings.from);
  std::optional<Format> to = o.settings.to ? o.settings.to : formatOfExtension(out);
  if (!to)
    throw UserError("cannot tell the format to write " + out + " in; name it with --to " + formatChoices() +
                    " (or end its name in " + extensionList() + ")");
  std::error_code error;
  if (std::filesystem::equivalent(platform::filePath(in), platform::filePath(out), error))
    throw UserError("convert does not write over its input " + in);
  if (std::filesystem::exists(platform::filePath(out), error) && !o.settings.force) {
    throw UserError(out + " exists; convert replaces it only with --force");
  }
  hostkit::RunObject object(module, hostkit::makeSetup(o.settings.setup));
  std::vector<std::string> warnings;
  const auto loaded = loadArray(object, from, in, o.settings, warnings);
  if (loaded.code != 0) {
    for (const auto& w : warnings) std::cerr << "tessel: warning: " << w << '\n';
    if (loaded.code == TESSEL_OUTCOME_DAMAGED)
      throw UserError(loaded.text + "; " + out + " is not written (tessel show " + in + " shows what it holds)");
    throw UserError("the load failed: " + loaded.text + "; " + out + " is not written");
  }
  // The JSON names the file it came from, as show --json does.
  if (*to == Format::json) {
    saveJson(object, in, out, o.settings.show.encoding);
  } else {
    saveArray(object, *to, out, o.settings, warnings);
  }
  for (const auto& w : warnings) std::cerr << "tessel: warning: " << w << '\n';
  const int32_t count = object.integer(catalogue::expressionOf("size"));
  std::cout << in << " (" << formatName(from) << ", " << plural(count, "element", "elements") << ") -> " << out << " ("
            << formatName(*to) << ")\n";
  return 0;
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
    module.emplace(
        platform::systemName(o.settings.module ? *o.settings.module : platform::defaultModulePath(argv0)).c_str());
  } catch (const std::exception& e) {
    std::cerr << "tessel: " << e.what() << '\n';
    return kUsageError;
  }
  if (command == "show") return showFile(*module, o);
  if (command == "convert") return convert(*module, o);
  if (command == "check")
    return checkFiles(*module, o.settings, o.settings.from, {o.words.begin() + 1, o.words.end()}, std::cout);
  if (command == "diff")
    return diffFiles(*module, o.settings, o.settings.from, o.words[1], o.words[2], std::cout, std::cerr);
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
  const platform::ConsoleText console;
  Options options;
  try {
    options = parse(platform::arguments(argc, argv));
    options.settings.show.utf8 = platform::outputTakesUtf8();
    options.settings.codec = tilemap::zlibCodec();
  } catch (const UserError& e) {
    std::cerr << "tessel: " << e.what() << " (tessel --help shows the usage)\n";
    return kUsageError;
  }
  int status = kFailed;
  try {
    status = dispatch(options, argv[0]);
  } catch (const std::exception& e) {
    std::cerr << "tessel: " << e.what() << '\n';
  }
  // Output that never reached its file (a full disk, a closed pipe) is a
  // failure, whatever the command found; a stream that failed once writes
  // nothing more, so nothing spins on it.
  std::cout.flush();
  if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::cerr << "tessel: cannot write the output: " << std::strerror(errno) << '\n';
    return kUsageError;
  }
  return status;
}
