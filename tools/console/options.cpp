#include "tools/console/options.h"

#include <algorithm>

#include "tools/console/console.h"
#include "tools/console/sheet.h"

namespace tessel::console {

namespace {

using options::Id;
using options::kOptions;
using options::Option;
using options::Scope;

int32_t integer(const std::string& name, const std::string& value) {
  Cursor c(value);
  try {
    const Term t = c.term();
    if (t.expression < 0 && t.kind == catalogue::ParamKind::integer && c.atEnd()) return t.integer;
  } catch (const UserError&) {
    // what is wrong with it is said below, in the option's terms
  }
  throw UserError(name + " needs an integer, not \"" + value + "\"");
}

int32_t count(const std::string& name, const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    throw UserError(name + " needs a number from 0, not \"" + text + "\"");
  return std::stoi(text);
}

void apply(const Option& o, const std::string& v, Settings& s) {
  const std::string name = o.name;
  switch (o.id) {
    case Id::module: s.module = v; break;
    case Id::keepGoing: s.keepGoing = true; break;
    case Id::maxCells:
      if (v.empty() || v.size() > 10 || v.find_first_not_of("0123456789") != std::string::npos)
        throw UserError(name + " needs a number of cells, not \"" + v + "\"");
      s.maxCells = std::stoll(v);
      break;
    case Id::from: s.from = formatNamed(v); break;
    case Id::to: s.to = formatNamed(v); break;
    case Id::force: s.force = true; break;
    case Id::templateMap: s.templateMap = v; break;
    case Id::header: s.csvHeader = true; break;
    case Id::separator:
      s.sheet.separator = sheet::separatorNamed(v);
      if (!s.sheet.separator) throw UserError(name + " is \",\" (comma), \";\" (semicolon) or tab, not \"" + v + "\"");
      break;
    case Id::bom: s.sheet.bom = true; break;
    case Id::encoding: {
      auto e = encoding::Encoding::named(v, s.show.encoding.codePage());
      if (!e) throw UserError(name + " is " + encoding::Encoding::choices() + ", not \"" + v + "\"");
      s.show.encoding = *e;
      break;
    }
    case Id::codePage: {
      const bool digits = v.size() == 4 && v.find_first_not_of("0123456789") == std::string::npos;
      const int number = digits ? std::stoi(v) : 0;
      if (number < encoding::kFirstCodePage || number > encoding::kLastCodePage)
        throw UserError(name + " is a number from " + std::to_string(encoding::kFirstCodePage) + " to " +
                        std::to_string(encoding::kLastCodePage) + ", not \"" + v + "\"");
      // It is auto's fallback; an encoding named as well stays.
      const std::string kind = s.show.encoding.kind() == encoding::Kind::automatic ? "auto" : s.show.encoding.name();
      auto e = encoding::Encoding::named(kind, number);
      if (!e) throw UserError(name + " " + v + ": this system converts no such code page");
      s.show.encoding = *e;
      break;
    }
    case Id::dims: s.setup.dimensions = integer(name, v); break;
    case Id::x: s.setup.x = integer(name, v); break;
    case Id::y: s.setup.y = integer(name, v); break;
    case Id::delimiter:
      if (v.size() > TESSEL_DELIMITER_LIMIT)  // what the setup dialog stores
        throw UserError(name + " holds at most " + std::to_string(TESSEL_DELIMITER_LIMIT) + " characters");
      s.setup.delimiter = v;
      break;
    case Id::caseSensitive: s.setup.caseSensitive = true; break;
    case Id::wildcard: s.setup.wildcard = true; break;
    case Id::autoSelect: s.setup.autoSelect = true; break;
    case Id::types: s.show.types = true; break;
    case Id::keys: s.show.keys = true; break;
    case Id::selected: s.show.selectedOnly = true; break;
    case Id::json: s.show.json = true; break;
    case Id::head: s.show.head = count(name, v); break;
    case Id::width:
      if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos || v.size() > 6 || std::stoi(v) < 1)
        throw UserError(name + " needs a positive number, not \"" + v + "\"");
      s.show.width = static_cast<std::size_t>(std::stoi(v));
      break;
    case Id::rows: {
      const std::size_t colon = v.find(':');
      if (colon == std::string::npos) throw UserError(name + " needs a range A:B, not \"" + v + "\"");
      s.show.first = colon == 0 ? 0 : count(name, v.substr(0, colon));
      s.show.last = colon + 1 == v.size() ? INT32_MAX : count(name, v.substr(colon + 1));
      break;
    }
  }
}

// "--rows A:B", "-x N": the option as it is written.
std::string written(const Option& o) {
  std::string out = o.name;
  if (o.shortName != nullptr) out += std::string(", ") + o.shortName;
  return o.operand != nullptr ? out + " " + o.operand : out;
}

// "  --dims N            dimension count ...", as the usage lists it.
std::string usageLine(const Option& o) {
  std::string line = "  " + written(o);
  line.resize(std::max<std::size_t>(line.size() + 2, 22), ' ');
  return line + facts::withFormatLists(o.help) + "\n";
}

}  // namespace

bool readOption(const std::vector<std::string>& args, std::size_t& i, std::initializer_list<Scope> scopes,
                Settings& settings) {
  std::string name = args[i];
  std::optional<std::string> inlineValue;
  if (const std::size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
    inlineValue = name.substr(equals + 1);
    name.erase(equals);
  }
  for (const Option& o : kOptions) {
    if (std::find(scopes.begin(), scopes.end(), o.scope) == scopes.end()) continue;
    if (name != o.name && (o.shortName == nullptr || name != o.shortName)) continue;
    if (o.operand == nullptr && inlineValue) throw UserError(name + " takes no value");
    apply(o, o.operand == nullptr ? "" : inlineValue ? *inlineValue : optionValue(args, i), settings);
    ++i;
    return true;
  }
  return false;
}

std::string optionLines(Scope scope) {
  std::string out;
  for (const Option& o : kOptions) {
    if (o.scope == scope) out += usageLine(o);
  }
  return out;
}

std::string optionHelp(const std::string& name) {
  const std::string dashed = name.rfind('-', 0) == 0 ? name : "--" + name;
  for (const Option& o : kOptions) {
    if (dashed == o.name || (o.shortName != nullptr && name == o.shortName)) return usageLine(o);
  }
  return "";
}

std::string optionNames(Scope scope) {
  std::vector<std::string> names;
  for (const Option& o : kOptions) {
    if (o.scope == scope) names.push_back(o.operand != nullptr ? std::string(o.name) + " " + o.operand : o.name);
  }
  std::string out;
  for (std::size_t k = 0; k < names.size(); ++k)
    out += (k == 0 ? "" : k + 1 == names.size() ? " and " : ", ") + names[k];
  return out;
}

std::string usageOfOptions() {
  std::string out;
  for (const auto& s : options::kScopes) out += std::string(s.heading) + ":\n" + optionLines(s.scope);
  return out;
}

}  // namespace tessel::console
