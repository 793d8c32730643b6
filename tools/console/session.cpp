#include "tools/console/session.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <istream>
#include <ostream>

namespace tessel::console {

using catalogue::kActions;
using catalogue::kExpressions;
using catalogue::Param;

const char* const kSetupOptionsHelp =
    "  --dims N            dimension count of new instances (1, 2 or 3; default 1)\n"
    "  --x N, --y N        boundaries of dimensions 1 and 2 (columns, rows)\n"
    "  --delimiter TEXT    list delimiter (default \",\")\n"
    "  --case-sensitive    compare strings respecting case (default: ignoring it)\n"
    "  --wildcard          search with * and ? (default: literal)\n"
    "  --auto-select       rows added to the recordset start selected\n";

namespace {

int32_t integerOption(const std::string& name, const std::string& value) {
  Cursor c(value);
  Term t;
  try {
    t = c.term();
  } catch (const UserError&) {
    throw UserError(name + " needs an integer, not \"" + value + "\"");
  }
  if (t.kind != Term::Kind::integer || !c.atEnd()) throw UserError(name + " needs an integer, not \"" + value + "\"");
  return t.integer;
}

// A text that is not there reaches the module as an empty one, as from a game.
hostkit::Param toParam(const Value& v) {
  if (v.isText) return v.text.value_or("");
  return v.integer;
}

}  // namespace

bool readSetupOption(const std::vector<std::string>& args, std::size_t& i, hostkit::SetupOptions& setup) {
  std::string name = args[i];
  std::optional<std::string> inlineValue;
  const std::size_t equals = name.find('=');
  if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
    inlineValue = name.substr(equals + 1);
    name = name.substr(0, equals);
  }
  const auto value = [&]() -> std::string {
    if (inlineValue) return *inlineValue;
    if (i + 1 >= args.size()) throw UserError(name + " needs a value");
    return args[++i];
  };
  if (name == "--dims") {
    setup.dimensions = integerOption(name, value());
  } else if (name == "--x" || name == "-x") {
    setup.x = integerOption(name, value());
  } else if (name == "--y" || name == "-y") {
    setup.y = integerOption(name, value());
  } else if (name == "--delimiter") {
    setup.delimiter = value();
    // The setup dialog stores at most 1023 characters.
    if (setup.delimiter.size() > 1023) throw UserError("--delimiter holds at most 1023 characters");
  } else if (name == "--case-sensitive") {
    setup.caseSensitive = true;
  } else if (name == "--case-insensitive") {
    setup.caseSensitive = false;
  } else if (name == "--wildcard") {
    setup.wildcard = true;
  } else if (name == "--literal") {
    setup.wildcard = false;
  } else if (name == "--auto-select") {
    setup.autoSelect = true;
  } else {
    return false;
  }
  ++i;
  return true;
}

Session::Session(hostkit::Module& module, Settings settings, std::ostream& out)
    : module_(module), settings_(std::move(settings)), out_(out) {}

hostkit::RunObject& Session::instance(const std::string& name) {
  auto found = instances_.find(name);
  if (found != instances_.end()) return *found->second;
  if (name == "main") return create(name, settings_.setup);  // the default instance comes into being on first use
  std::string known;
  for (const auto& entry : instances_) known += (known.empty() ? "" : ", ") + entry.first;
  throw UserError("there is no instance \"" + name + "\"" + (known.empty() ? "" : " (there are: " + known + ")"));
}

hostkit::RunObject& Session::create(const std::string& name, const hostkit::SetupOptions& setup) {
  if (instances_.count(name) != 0) throw UserError("there is already an instance \"" + name + "\"");
  const TesselSetup record = hostkit::makeSetup(setup);
  auto object = std::make_unique<hostkit::RunObject>(module_, record);
  return *instances_.emplace(name, std::move(object)).first->second;
}

Value Session::evaluate(hostkit::RunObject& object, const Term& term) {
  Value v;
  switch (term.kind) {
    case Term::Kind::integer: v.integer = term.integer; return v;
    case Term::Kind::text:
      v.isText = true;
      v.text = term.text;
      return v;
    case Term::Kind::expression: break;
  }
  hostkit::Param params[2];
  for (std::size_t i = 0; i < term.arguments.size() && i < 2; ++i) {
    params[i] = toParam(evaluate(object, term.arguments[i]));
  }
  const auto& e = kExpressions[term.expression];
  const hostkit::ExpressionCall call = object.call(term.expression, params[0], params[1]);
  if (!call.protocolError.empty()) {
    throw UserError(std::string("the module broke the host protocol in ") + e.name + ": " + call.protocolError);
  }
  v.isText = e.returnsText();
  if (v.isText) {
    if (!call.textFlag && call.raw != 0)
      throw UserError(std::string(e.name) + " returned an integer where a text was due");
    v.text = call.text;
  } else {
    if (call.textFlag) throw UserError(std::string(e.name) + " returned a text where an integer was due");
    v.integer = static_cast<int32_t>(call.raw);
  }
  return v;
}

void Session::runAction(hostkit::RunObject& object, const ActionCall& call) {
  hostkit::Param params[2];
  for (std::size_t i = 0; i < call.params.size(); ++i) params[i] = toParam(evaluate(object, call.params[i]));
  object.act(call.number, params[0], params[1]);
}

void Session::execute(std::string_view line) {
  // Blanks and comments: a # outside quotes ends the line.
  bool inText = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (inText && line[i] == '\\') {
      ++i;
    } else if (line[i] == '"') {
      inText = !inText;
    } else if (!inText && line[i] == '#') {
      line = line.substr(0, i);
      break;
    }
  }
  Cursor c(line);
  if (c.atEnd()) return;
  line = c.rest();
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
  if (builtin(line)) return;

  hostkit::RunObject& object = instance(current_);
  // An expression in its own syntax: its result is printed.
  std::size_t nameEnd = 0;
  while (nameEnd < line.size() &&
         (std::isalnum(static_cast<unsigned char>(line[nameEnd])) || line[nameEnd] == '_' || line[nameEnd] == '$')) {
    ++nameEnd;
  }
  if (nameEnd > 0 && nameEnd < line.size() && line[nameEnd] == '(' &&
      !std::isdigit(static_cast<unsigned char>(line[0]))) {
    Cursor e(line);
    const Term term = e.term();
    if (!e.atEnd()) throw UserError("unexpected \"" + std::string(e.rest()) + "\" after " + term.source);
    const Value v = evaluate(object, term);
    out_ << term.source << " = ";
    if (!v.isText) {
      out_ << v.integer;
    } else if (v.text) {
      out_ << quoted(*v.text);
    } else {
      out_ << "(no text)";
    }
    out_ << '\n';
    object.releaseStringSpace();
    return;
  }
  runAction(object, resolveAction(line));
  object.releaseStringSpace();
}

bool Session::builtin(std::string_view line) {
  Cursor c(line);
  const std::string keyword = c.word();
  if (!c.atEnd() && c.rest().front() == '(') return false;
  if (keyword == "new") {
    newInstance(c);
  } else if (keyword == "with") {
    const std::string name = c.word();
    if (name.empty()) throw UserError("with needs the name of an instance");
    instance(name);
    if (c.atEnd()) {
      current_ = name;
    } else {
      const std::string previous = current_;
      current_ = name;
      try {
        execute(c.rest());
      } catch (...) {
        current_ = previous;
        throw;
      }
      current_ = previous;
    }
  } else if (keyword == "show") {
    std::string name = c.word();
    if (!c.atEnd()) throw UserError("show takes at most the name of an instance");
    if (name.empty()) name = current_;
    hostkit::RunObject& object = instance(name);
    show(object, name, out_, settings_.show);
    object.releaseStringSpace();
  } else if (keyword == "help") {
    printHelp(out_, c.rest());
  } else if (keyword == "echo") {
    hostkit::RunObject* object = nullptr;
    bool first = true;
    while (!c.atEnd()) {
      const Term t = c.term();
      if (t.kind == Term::Kind::expression && object == nullptr) object = &instance(current_);
      const Value v = object != nullptr ? evaluate(*object, t) : Value{t.kind == Term::Kind::text, t.integer, t.text};
      out_ << (first ? "" : " ") << (v.isText ? v.text.value_or("") : std::to_string(v.integer));
      first = false;
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

void Session::newInstance(Cursor& c) {
  const std::string name = c.word();
  if (name.empty() || name.front() == '-') throw UserError("new needs a name for the instance, then its options");
  std::vector<std::string> args;
  while (!c.atEnd()) {
    if (c.rest().front() == '"') {
      args.push_back(c.term().text);  // a quoted value, such as a delimiter with blanks
    } else {
      args.push_back(c.bare());
    }
  }
  hostkit::SetupOptions setup;
  for (std::size_t i = 0; i < args.size();) {
    if (!readSetupOption(args, i, setup)) {
      throw UserError("unknown option \"" + args[i] + "\" for new; the options are:\n" +
                      std::string(kSetupOptionsHelp, std::strlen(kSetupOptionsHelp) - 1));
    }
  }
  create(name, setup);
  current_ = name;
}

bool Session::run(std::istream& script, const std::string& name, std::ostream& err) {
  std::string line;
  int number = 0;
  bool ok = true;
  while (std::getline(script, line)) {
    ++number;
    try {
      execute(line);
    } catch (const std::exception& e) {
      out_.flush();
      err << name << ":" << number << ": " << e.what() << '\n';
      ok = false;
      if (!settings_.keepGoing) return false;
    }
  }
  return ok;
}

}  // namespace tessel::console
