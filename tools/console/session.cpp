#include <algorithm>
#include <cctype>
#include <cstring>
#include <istream>
#include <iterator>
#include <ostream>

#include "persist/text_lines.h"
#include "tools/console/console.h"

namespace tessel::console {

using catalogue::expressionOf;
using catalogue::kActions;
using catalogue::ParamKind;

namespace {

// An expression's result: an integer, a text, or no text at all.
struct Value {
  bool isText = false;
  int32_t integer = 0;
  std::optional<std::string> text;
};

Value literal(const Term& t) { return {t.kind == ParamKind::text, t.integer, t.text}; }

// A text that is not there reaches the module as an empty one, as from a game.
hostkit::Param toParam(const Value& v) {
  return v.isText ? hostkit::Param(v.text.value_or("")) : hostkit::Param(v.integer);
}

// Setters past the end extend the array; the rest of the index actions do nothing there.
bool extendsArray(const catalogue::Parameter* declared) {
  for (const char* operation :
       {"setStringAt", "setValueAt", "setFileAt", "insertStringAt", "insertValueAt", "insertFileAt"}) {
    if (declared == kActions[catalogue::actionOf(operation)].params) return true;
  }
  return false;
}

// Why a label names no column, or nothing when it names one: the labels
// there are, or that the array has none.
std::string unknownLabel(hostkit::RunObject& object, const std::string& label) {
  if (object.integer(expressionOf("columnOfLabel"), label) >= 0) return "";
  if (object.integer(expressionOf("dimensionCount")) != 2) return "the array is not 2D, so it has no labels";
  std::string known;
  const ShowOptions escapedAll;  // messages show the bytes
  for (const auto& [c, text] : labelsOf(object)) {
    if (!text.empty()) known += (known.empty() ? "" : ", ") + quoted(text, escapedAll);
  }
  return "label " + quoted(label, escapedAll) + " names no column" +
         (known.empty() ? std::string(" (no column has a label)") : " (the labels are " + known + ")");
}

// Warns when an index, row or column parameter names nothing.
void warnOutOfRange(hostkit::RunObject& object, const catalogue::Parameter* declared, const Value* values, bool action,
                    std::vector<std::string>& warnings) {
  for (int i = 0; i < 2; ++i) {
    // A label that names no column: the lookups find nothing (setting a label
    // and asking for a label's column are what a new label is for).
    if (declared[i].kind == ParamKind::text && std::string_view(declared[i].name) == "label" &&
        declared != kActions[catalogue::actionOf("setLabel")].params &&
        declared != catalogue::kExpressions[expressionOf("columnOfLabel")].params) {
      const std::string problem = unknownLabel(object, values[i].text.value_or(""));
      if (!problem.empty())
        warnings.push_back(problem + (action ? ": the module does nothing" : ": the result is empty"));
      continue;
    }
    const std::string name = declared[i].kind == ParamKind::integer ? declared[i].name : "";
    const int32_t v = values[i].integer;
    const std::string named = name + " " + std::to_string(v);  // "index 7", as the messages start
    const bool row = name == "row";
    std::string problem;
    if (name == "index") {
      const int32_t size = object.integer(expressionOf("size"));
      if (v < 0) problem = named + " is negative";
      if (v >= size && !(action && extendsArray(declared)))
        problem = named + " is past the last element (size " + std::to_string(size) + ")";
    } else if ((row || name == "column") && object.integer(expressionOf("dimensionCount")) != 2) {
      problem = "the array is not 2D, so its " + name + "s are not a recordset's";
    } else if (row || name == "column") {
      const int32_t limit = object.integer(expressionOf(row ? "numberOfRows" : "boundaryX"));
      if (v < 0 || v >= limit + (row && action ? 1 : 0))
        problem =
            named + " is outside 0 to " + std::to_string(limit - 1) + (row ? " (rows count the selected ones)" : "");
    }
    if (!problem.empty())
      warnings.push_back(problem + (action ? ": the module does nothing" : ": the result is empty"));
  }
}

// An index past the end that would grow the array by more than `most` cells
// is refused (a slip of a digit can ask for gigabytes); one the module
// ignores, because the array cannot hold it, is warned about.
void checkGrowth(hostkit::RunObject& object, const catalogue::Parameter* declared, const Value* values, int64_t most,
                 std::vector<std::string>& warnings) {
  if (!extendsArray(declared)) return;
  for (int i = 0; i < 2; ++i) {
    if (declared[i].kind != ParamKind::integer || std::string_view(declared[i].name) != "index") continue;
    const int64_t index = values[i].integer;
    if (index == INT32_MAX) {
      warnings.push_back(
          "index 2147483647 would make the array 2147483648 elements, more than it can hold: the "
          "module does nothing");
      return;
    }
    const int64_t growth = index + 1 - object.integer(expressionOf("size"));
    if (growth <= most) return;
    const int64_t bytes = growth * TESSEL_CELL_BYTES;  // what the cells take in the module, besides their texts
    const std::string size = bytes >= (int64_t{10} << 30)   ? std::to_string(bytes >> 30) + " GiB"
                             : bytes >= (int64_t{10} << 20) ? std::to_string(bytes >> 20) + " MiB"
                             : bytes >= (int64_t{10} << 10) ? std::to_string(bytes >> 10) + " KiB"
                                                            : std::to_string(bytes) + " bytes";
    throw UserError("refused: index " + std::to_string(index) + " would grow the array by " + std::to_string(growth) +
                    " cells (some " + size + " of memory); --max-cells " + std::to_string(growth) + " allows it");
  }
}

Value evaluate(hostkit::RunObject& object, const Term& term, std::vector<std::string>& warnings) {
  if (term.expression < 0) return literal(term);
  Value values[2];
  for (std::size_t i = 0; i < term.arguments.size() && i < 2; ++i)
    values[i] = evaluate(object, term.arguments[i], warnings);
  const auto& e = catalogue::kExpressions[term.expression];
  if (std::string_view(e.label).find("from index") == std::string_view::npos)
    warnOutOfRange(object, e.params, values, false, warnings);  // index transforms are arithmetic on any number
  const hostkit::Param first = toParam(values[0]), second = toParam(values[1]);
  if (e.returnsText()) return {true, 0, object.text(term.expression, first, second)};
  return {false, object.integer(term.expression, first, second), std::nullopt};
}

// The actions that write a file.
bool isSave(int action) {
  if (const auto file = fileActionOf(action)) return file->kind == FileAction::Kind::save;
  return action == catalogue::actionOf("saveElementToFile") || action == catalogue::actionOf("appendElementToFile");
}

// The actions that read a file into the array.
bool isLoad(int action) {
  if (const auto file = fileActionOf(action)) return file->kind != FileAction::Kind::save;
  return action == catalogue::actionOf("setFileAt") || action == catalogue::actionOf("insertFileAt") ||
         action == catalogue::actionOf("appendFile");
}

// A line's last word "--force", outside quotes: taken off the line.
bool takeForce(std::string_view& line) {
  constexpr std::string_view kForce = "--force";
  if (line.size() < kForce.size() || line.substr(line.size() - kForce.size()) != kForce) return false;
  std::string_view rest = line.substr(0, line.size() - kForce.size());
  if (!rest.empty() && rest.back() != ' ' && rest.back() != '\t') return false;
  if (std::count(rest.begin(), rest.end(), '"') % 2 != 0) return false;  // inside a text
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
  line = rest;
  return true;
}

// A line without its comment (a # outside quotes ends it) and surrounding blanks.
std::string_view code(std::string_view line) {
  bool inText = false;
  std::size_t end = 0;
  for (; end < line.size() && (inText || line[end] != '#'); ++end) {
    if (inText && line[end] == '\\') {
      ++end;
    } else if (line[end] == '"') {
      inText = !inText;
    }
  }
  line = line.substr(0, end);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) line.remove_prefix(1);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
  return line;
}

// The built-in word a line starts with, lowered; empty when it starts with an expression call.
std::string keywordOf(std::string_view line) {
  Cursor c(line);
  const std::string keyword = lowered(c.word());
  return !c.atEnd() && c.rest().front() == '(' ? "" : keyword;
}

}  // namespace

// In a code page, what is typed or written as text becomes its bytes there, as the game would have them.
std::string typedBytes(std::string_view typed, const encoding::Encoding& e, const std::string& what,
                       const std::string& hint) {
  if (e.kind() != encoding::Kind::codePage) return std::string(typed);
  encoding::Encoded bytes = e.encode(typed);
  if (!bytes.ok)
    throw UserError(what + " holds " + encoding::describe(bytes.unheld) + ", which " + e.name() + " cannot hold" +
                    hint);
  return std::move(bytes.bytes);
}

hostkit::RunObject& Session::instance(const std::string& name) {
  if (const auto found = instances_.find(name); found != instances_.end()) return *found->second;
  if (name == "main") return create(name, settings_.setup);  // the default instance comes into being on first use
  std::string known;
  for (const auto& entry : instances_) known += (known.empty() ? "" : ", ") + entry.first;
  throw UserError("there is no instance \"" + name + "\"" + (known.empty() ? "" : " (there are: " + known + ")"));
}

hostkit::RunObject& Session::create(const std::string& name, const hostkit::SetupOptions& setup) {
  if (instances_.count(name) != 0) throw UserError("there is already an instance \"" + name + "\"");
  auto object = std::make_unique<hostkit::RunObject>(module_, hostkit::makeSetup(setup));
  return *instances_.emplace(name, std::move(object)).first->second;
}

void Session::execute(std::string_view line) {
  line = code(line);
  if (line.empty()) return;
  const std::string bytes =
      typedBytes(line, settings_.show.encoding, "the line", " (a quoted text may give a byte as \\xNN)");
  line = bytes;
  if (builtin(line)) return;

  hostkit::RunObject& object = instance(current_);
  // An expression in its own syntax: its result is printed.
  const std::size_t nameEnd = std::find_if_not(line.begin(), line.end(), isNameChar) - line.begin();
  if (nameEnd > 0 && nameEnd < line.size() && line[nameEnd] == '(' &&
      !std::isdigit(static_cast<unsigned char>(line[0]))) {
    Cursor e(line, &loopNames_);
    const Term term = e.term();
    if (!e.atEnd()) throw UserError("unexpected \"" + std::string(e.rest()) + "\" after " + term.source);
    const Value v = evaluate(object, term, warnings_);
    out_ << term.source << " = "
         << (!v.isText ? std::to_string(v.integer)
             : v.text  ? quoted(*v.text, settings_.show)
                       : "(no text)")
         << '\n';
  } else {
    const bool force = takeForce(line);
    const ActionCall call = resolveAction(line, &loopNames_);
    if (force && !isSave(call.number)) throw UserError("--force only goes after a save");
    runAction(object, call, force);
  }
  object.releaseStringSpace();
}

bool Session::builtin(std::string_view line) {
  Cursor c(line, &loopNames_);
  const std::string keyword = c.word();
  if (!c.atEnd() && c.rest().front() == '(') return false;
  // Only the words of the table are the console's, so that hosts told them agree.
  const auto own = [&](const OwnWord& w) { return w.word == keyword; };
  if (std::none_of(std::begin(kOwnWords), std::end(kOwnWords), own)) return false;
  if (keyword == "for") {
    openLoop(c);
  } else if (keyword == "end") {
    throw UserError(c.atEnd() ? "end without a for" : "end takes nothing");
  } else if (keyword == "new") {
    const std::string name = c.word();
    if (name.empty() || name.front() == '-') throw UserError("new needs a name for the instance, then its options");
    // A quoted value, such as a delimiter with blanks, is one word.
    std::vector<std::string> args;
    while (!c.atEnd()) args.push_back(c.rest().front() == '"' ? c.term().text : c.bare());
    Settings chosen;  // a setup of its own, not the command line's
    for (std::size_t i = 0; i < args.size();) {
      if (!readOption(args, i, {options::Scope::setup}, chosen)) {
        const std::string list = optionLines(options::Scope::setup);
        throw UserError("unknown option \"" + args[i] + "\" for new; the options are:\n" +
                        list.substr(0, list.size() - 1));
      }
    }
    create(name, chosen.setup);
    current_ = name;
  } else if (keyword == "with") {
    const std::string name = c.word();
    if (name.empty()) throw UserError("with needs the name of an instance");
    instance(name);
    const std::string previous = std::exchange(current_, name);
    if (c.atEnd()) return true;  // the instance stays the current one
    try {
      execute(c.rest());
    } catch (...) {
      current_ = previous;
      throw;
    }
    current_ = previous;
  } else if (keyword == "show") {
    std::vector<std::string> words;
    while (!c.atEnd()) words.push_back(c.bare());
    Settings chosen = settings_;  // the command line's show options, and these
    std::string name = current_;
    for (std::size_t i = 0; i < words.size();) {
      if (readOption(words, i, {options::Scope::show}, chosen)) continue;
      if (words[i].front() == '-' || i > 0) {
        throw UserError("show takes an instance name and the options " + optionNames(options::Scope::show) +
                        ", not \"" + words[i] + "\"");
      }
      name = words[i++];
    }
    const ShowOptions& options = chosen.show;
    hostkit::RunObject& object = instance(name);
    platform::page(out_, [&](std::ostream& text) { show(object, name, text, options); });
    object.releaseStringSpace();
  } else if (keyword == "quit" || keyword == "exit") {
    if (!c.atEnd()) throw UserError(keyword + " takes nothing");
    quit_ = true;
  } else if (keyword == "help") {
    platform::page(out_, [&](std::ostream& text) { printHelp(text, c.rest()); });
  } else if (keyword == "echo") {
    hostkit::RunObject* object = nullptr;
    for (const char* gap = ""; !c.atEnd(); gap = " ") {
      const Term t = c.term();
      if (t.expression >= 0 && object == nullptr) object = &instance(current_);
      const Value v = object != nullptr ? evaluate(*object, t, warnings_) : literal(t);
      out_ << gap << (v.isText ? v.text.value_or("") : std::to_string(v.integer));
    }
    out_ << '\n';
    if (object != nullptr) object->releaseStringSpace();
  } else if (keyword == "drop") {
    const std::string name = c.word();
    if (!c.atEnd() || name.empty()) throw UserError("drop takes the name of an instance");
    instance(name);
    instances_.erase(name);
    if (current_ == name) current_ = "main";
  } else {
    return false;
  }
  return true;
}

void Session::openLoop(Cursor& c) {
  Loop loop;
  loop.where = where_;
  // In a script, a for line that is a mistake still gathers its lines, so that
  // --keep-going passes over them; at the terminal it is typed again.
  loop.skip = true;
  if (!settings_.interactive) loop_ = loop;
  constexpr const char* kForm = "write it as: for NAME from A to B, then its lines, then end";
  const std::string name = c.word();
  const bool named = !name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_') &&
                     std::all_of(name.begin(), name.end(), [](char ch) { return isNameChar(ch) && ch != '$'; });
  if (!named) throw UserError(std::string("a loop needs a name of letters, digits and _; ") + kForm);
  loop.name = lowered(name);
  for (const auto& outer : loopNames_) {
    if (outer.first == loop.name) throw UserError(name + " already names an enclosing loop");
  }
  // The bounds, once, as the loop starts: integers, a loop's name or integer expressions.
  int32_t bounds[2] = {};
  for (int i = 0; i < 2; ++i) {
    const char* word = i == 0 ? "from" : "to";
    if (!c.token(word)) throw UserError(std::string("expected \"") + word + "\" in the for line; " + kForm);
    const Term t = c.term();
    if (t.kind != ParamKind::integer) throw UserError("a loop's bounds are integers, but " + t.source + " is a text");
    hostkit::RunObject* object = t.expression >= 0 ? &instance(current_) : nullptr;
    bounds[i] = object != nullptr ? evaluate(*object, t, warnings_).integer : t.integer;
    if (object != nullptr) object->releaseStringSpace();
  }
  if (!c.atEnd()) throw UserError("unexpected \"" + std::string(c.rest()) + "\" after the for line's bounds");
  loop.from = bounds[0];
  loop.to = bounds[1];
  loop.skip = false;
  loop_ = std::move(loop);
}

bool Session::gather(std::string_view line, const std::string& where, std::ostream& err) {
  const std::string keyword = keywordOf(code(line));
  if (keyword == "for") ++loop_->nested;
  if (keyword != "end" || loop_->nested-- > 0) {
    loop_->lines.emplace_back(line, where);
    return true;
  }
  const Loop loop = *std::exchange(loop_, std::nullopt);
  if (loop.skip) return true;  // its for line was told as a mistake
  bool ok = true;
  for (int64_t value = loop.from; value <= loop.to; ++value) {
    loopNames_.emplace_back(loop.name, static_cast<int32_t>(value));
    for (const auto& [text, at] : loop.lines) {
      const bool done = runLine(text, at, err);
      ok = ok && done;
      if ((!done && !settings_.keepGoing) || quit_ || platform::cancelRequested()) {
        loop_.reset();  // an inner loop left open by the stop
        loopNames_.pop_back();
        return done;  // a cancel is told by whoever reads the lines
      }
    }
    loopNames_.pop_back();
  }
  return ok;
}

bool Session::endOfInput(std::ostream& err) {
  if (!loop_) return true;
  err << loop_->where << "this for has no end, so its lines did not run\n";
  loop_.reset();
  return false;
}

void Session::guardSave(bool force) const {
  if (!failedLoad_) return;
  if (!settings_.interactive) {
    throw UserError("not saved: the load at " + failedLoad_->where.substr(0, failedLoad_->where.size() - 2) +
                    " failed, so this script writes no file after it");
  }
  if (force) return;
  throw UserError("not saved: the last load into \"" + failedLoad_->instance + "\" failed (" + failedLoad_->what +
                  "), so the array may not hold what you think; add --force to the line to save anyway");
}

void Session::runAction(hostkit::RunObject& object, const ActionCall& call, bool force) {
  Value values[2];
  for (std::size_t i = 0; i < call.params.size(); ++i) values[i] = evaluate(object, call.params[i], warnings_);
  if (isSave(call.number)) guardSave(force);
  hostkit::RunObject::Outcome outcome;
  const std::size_t warned = warnings_.size();
  if (const auto file = fileActionOf(call.number)) {
    const std::string path = values[0].text.value_or("");
    // A native load of a tile map reads the array the map makes, as convert does.
    if (file->format == Format::native && file->kind != FileAction::Kind::save && isTileMapFile(path)) {
      outcome = loadTileMap(object, path, settings_, file->kind == FileAction::Kind::append, warnings_);
    } else {
      runFileAction(object, *file, path, settings_.csvHeader, warnings_, &outcome);
    }
  } else {
    // The element files reach the module under the names its file calls take, as the array files do.
    for (std::size_t i = 0; i < call.params.size(); ++i) {
      const auto& declared = kActions[call.number].params[i];
      if (declared.kind == ParamKind::text && std::string_view(declared.name) == "file name" && values[i].text)
        values[i].text = platform::systemName(*values[i].text);
    }
    const std::string target = values[1].text.value_or("");
    if (isSave(call.number) && isReadOnly(target)) throw UserError("the save failed: " + target + " is read-only");
    checkGrowth(object, kActions[call.number].params, values, settings_.maxCells, warnings_);
    warnOutOfRange(object, kActions[call.number].params, values, true, warnings_);
    object.act(call.number, toParam(values[0]), toParam(values[1]));
    // The element files: what the module reports, never guessed.
    outcome = object.lastOutcome();
    if (outcome.code != 0 && isSave(call.number)) throw UserError(saveFailure(target, outcome.text));
    if (outcome.code != 0 && warnings_.size() > warned) return;  // an index that names nothing was warned about
  }
  if (isSave(call.number)) {
    if (settings_.interactive) failedLoad_.reset();  // saved with --force: the user has seen the array
    return;
  }
  if (!isLoad(call.number)) return;
  const bool replaces = fileActionOf(call.number) && fileActionOf(call.number)->kind == FileAction::Kind::load;
  if (outcome.code == 0) {
    // At the terminal a good load of the same instance makes its array trustworthy again.
    if (settings_.interactive && replaces && failedLoad_ && failedLoad_->instance == current_) failedLoad_.reset();
    return;
  }
  failedLoad_ = FailedLoad{current_, where_, outcome.text};
  if (outcome.code == TESSEL_OUTCOME_DAMAGED) throw UserError(outcome.text + "; what could be read was loaded");
  throw UserError("the load failed: " + outcome.text + (replaces ? "; the array is empty now, as in a game" : ""));
}

bool Session::run(std::istream& script, const std::string& name, std::ostream& err) {
  std::string line;
  int number = 0;
  bool ok = true;
  failedLoad_.reset();  // a failed load stops the saves of its own script
  while (!quit_ && std::getline(script, line)) {
    if (++number == 1 && persist::startsWithBom(line)) line.erase(0, persist::kUtf8Bom.size());
    const bool done = runLine(line, name + ":" + std::to_string(number) + ": ", err);
    ok = ok && done;
    if (!done && !settings_.keepGoing) {
      loop_.reset();
      return false;
    }
    if (platform::cancelRequested()) {
      err << name << ":" << number << ": cancelled\n";
      loop_.reset();
      return false;
    }
  }
  return endOfInput(err) && ok;
}

bool Session::runLine(std::string_view line, const std::string& where, std::ostream& err) {
  if (loop_) return gather(line, where, err);
  std::optional<std::string> mistake;
  where_ = where;
  try {
    execute(line);
  } catch (const std::exception& e) {
    mistake = e.what();
  }
  // The line's warnings come before its mistake, which often follows from them.
  out_.flush();
  for (const auto& w : std::exchange(warnings_, {})) err << where << "warning: " << w << '\n';
  if (mistake) err << where << *mistake << '\n';
  return !mistake;
}

}  // namespace tessel::console
