#include "tools/console/help.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>

#include "host/catalogue_notes.h"

namespace tessel::console {

using catalogue::kActions;
using catalogue::kExpressions;
using catalogue::Param;

namespace {

std::string paramList(const catalogue::Parameter* params, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    out +=
        std::string(i ? ", " : "") + params[i].name + " (" + (params[i].kind == Param::text ? "text" : "integer") + ")";
  }
  return out.empty() ? "none" : out;
}

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

// The texts shared with the help page: a note under the summary, each
// parameter's meaning under the parameter list.
void noteLine(std::ostream& out, const catalogue::Note* note) {
  if (note != nullptr && *note->note != '\0') out << "  " << note->note << '\n';
}

void meanings(std::ostream& out, const catalogue::Parameter* params, int count) {
  for (int i = 0; i < count; ++i)
    out << "    " << params[i].name << ": " << catalogue::meaningOf(params[i].name) << '\n';
}

void exampleLine(std::ostream& out, const catalogue::Note* note) {
  if (note != nullptr && *note->example != '\0') out << "  for example: " << note->example << '\n';
}

void actionDetail(std::ostream& out, const catalogue::Action& a, const ActionNames& names) {
  const catalogue::Note* note = catalogue::actionNote(a.number);
  out << "action " << a.number << ": " << a.label << "\n  " << a.summary << '\n';
  noteLine(out, note);
  out << "  parameters: " << paramList(a.params, a.paramCount()) << '\n';
  meanings(out, a.params, a.paramCount());
  out << "  write it as:\n";
  for (const auto& u : names.usages(a.number)) out << "    " << u << '\n';
  exampleLine(out, note);
  for (const auto& other : kActions) {
    if (other.number != a.number && std::string_view(other.label) == a.label) {
      out << "  (its label also names action " << other.number << ", so the label alone does not name it)\n";
    }
  }
  out << "  menu item " << a.menuId() << ", display string " << a.stringId() << '\n';
}

std::string callUsage(const catalogue::Expression& e) {
  std::string out = e.name;
  for (int i = 0; i < e.paramCount(); ++i) out += std::string(i ? ", " : "") + e.params[i].name;
  return out + ")";
}

const char* resultName(const catalogue::Expression& e) { return e.returnsText() ? "text" : "integer"; }

void expressionDetail(std::ostream& out, const catalogue::Expression& e) {
  const catalogue::Note* note = catalogue::expressionNote(e.number);
  out << "expression " << e.number << ": " << callUsage(e) << " -> " << resultName(e) << "\n  " << e.label << ": "
      << e.summary << '\n';
  noteLine(out, note);
  out << "  parameters: " << paramList(e.params, e.paramCount()) << '\n';
  meanings(out, e.params, e.paramCount());
  exampleLine(out, note);
  out << "  menu item " << e.menuId() << ", name string " << e.stringId() << '\n';
}

}  // namespace

void printHelp(std::ostream& out, std::string_view topic, const ActionNames& names) {
  while (!topic.empty() && topic.front() == ' ') topic.remove_prefix(1);
  while (!topic.empty() && topic.back() == ' ') topic.remove_suffix(1);
  if (topic.size() >= 2 && topic.front() == '"' && topic.back() == '"') topic = topic.substr(1, topic.size() - 2);
  if (topic.empty()) {
    out << "A line names an action by its menu label, by the words of its display string (parameters\n"
           "after them or in their places) or by its number, followed by its parameters: texts in\n"
           "double quotes, integers bare, or expressions. An expression line, name(parameters), prints\n"
           "its result. Commands: new NAME [options], with NAME [line], show [NAME], echo ..., drop NAME,\n"
           "help [NAME]. # starts a comment.\n\nActions:\n";
    for (const auto& a : kActions) {
      out << (a.number < 10 ? "   " : "  ") << a.number << "  " << names.usages(a.number).front() << "\n      "
          << a.summary << '\n';
    }
    out << "\nExpressions:\n";
    for (const auto& e : kExpressions) {
      out << (e.number < 10 ? "   " : "  ") << e.number << "  " << callUsage(e) << " -> " << resultName(e) << "\n      "
          << e.summary << '\n';
    }
    return;
  }
  // A number names an action; an expression name, with or without "(", names it.
  if (std::all_of(topic.begin(), topic.end(), [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)); })) {
    const int n = std::stoi(std::string(topic.substr(0, 3)));
    if (topic.size() > 3 || n >= static_cast<int>(catalogue::kActionCount)) {
      throw UserError("there is no action " + std::string(topic) + "; actions are numbered 0 to 78");
    }
    actionDetail(out, kActions[n], names);
    return;
  }
  const int e = findExpression(topic);
  if (e >= 0) {
    expressionDetail(out, kExpressions[e]);
    return;
  }
  // Otherwise every entry whose label, name or display string holds the words.
  const std::string wanted = lowered(topic);
  int found = 0;
  for (const auto& a : kActions) {
    if (lowered(a.label).find(wanted) != std::string::npos ||
        lowered(displayUsage(a)).find(wanted) != std::string::npos) {
      if (found++) out << '\n';
      actionDetail(out, a, names);
    }
  }
  for (const auto& x : kExpressions) {
    if (lowered(x.label).find(wanted) != std::string::npos || lowered(x.name).find(wanted) != std::string::npos) {
      if (found++) out << '\n';
      expressionDetail(out, x);
    }
  }
  if (found == 0)
    throw UserError("nothing in the catalogue is called \"" + std::string(topic) + "\"" + suggestionsFor(topic));
}

}  // namespace tessel::console
