#include <algorithm>
#include <iterator>
#include <ostream>

#include "host/catalogue_notes.h"
#include "host/help_topics.h"
#include "host/menus.h"
#include "tools/console/console.h"

namespace tessel::console {

using catalogue::kActions;
using catalogue::kExpressions;
using catalogue::ParamKind;

namespace {

// Prints text indented by two, broken between words before the line grows past width.
void wrapped(std::ostream& out, std::string_view text, std::size_t width) {
  std::string line = " ";
  while (!text.empty()) {
    const std::size_t end = std::min(text.find(' '), text.size());
    if (line.size() > 2 && line.size() + 1 + end > width) {
      out << line << '\n';
      line = " ";
    }
    line += " " + std::string(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  out << line << '\n';
}

// "keyStr(index) -> text": how to call an expression and what it gives.
std::string callUsage(const catalogue::Expression& e) {
  std::string out = e.name;
  for (int i = 0; i < e.paramCount(); ++i) out += std::string(i ? ", " : "") + e.params[i].name;
  return out + (e.returnsText() ? ") -> text" : ") -> integer");
}

// An entry in full, with the texts shared with the help page: the note under
// the summary, each parameter's meaning, how to write it (actions), an example.
void detail(std::ostream& out, const std::string& heading, const catalogue::Note* note, const char* operation,
            const catalogue::Parameter* params, int count, const std::string& writeAs) {
  out << heading << '\n';
  catalogue::forEachNote(note, operation, [&](const char* text) { out << "  " << text << '\n'; });
  out << "  parameters:" << (count == 0 ? " none" : "");
  for (int i = 0; i < count; ++i)
    out << (i ? ", " : " ") << params[i].name << " (" << catalogue::paramKindName(params[i].kind) << ")";
  out << '\n';
  for (int i = 0; i < count; ++i)
    out << "    " << params[i].name << ": " << catalogue::meaningOf(params[i].name) << '\n';
  if (!writeAs.empty()) out << "  write it as: " << writeAs << '\n';
  if (note != nullptr && *note->example != '\0') out << "  for example: " << note->example << '\n';
}

// What a file action does with a bad file, in its format's words.
void badFileLines(std::ostream& out, int action) {
  facts::forEachBadFileOf(
      action, [&out](const facts::BadFile& b, const char* what) { out << "  " << b.name << ": " << what << '\n'; });
}

void actionDetail(std::ostream& out, const catalogue::Action& a) {
  detail(out, "action " + std::to_string(a.number) + ": " + a.label + "\n  " + a.summary,
         catalogue::actionNote(a.number), a.operation, a.params, a.paramCount(), usage(a));
  badFileLines(out, a.number);
}

void expressionDetail(std::ostream& out, const catalogue::Expression& e) {
  detail(out, "expression " + std::to_string(e.number) + ": " + callUsage(e) + "\n  " + e.label + ": " + e.summary,
         catalogue::expressionNote(e.number), e.operation, e.params, e.paramCount(), "");
}

// One line of an entry in a topic: how to write it and what it does.
void entryLine(std::ostream& out, int id) {
  if (id < catalogue::kFirstExpressionMenuId) {
    const auto& a = kActions[id - catalogue::kFirstActionMenuId];
    out << "  " << usage(a) << "\n      " << a.summary << '\n';
  } else {
    const auto& e = kExpressions[id - catalogue::kFirstExpressionMenuId];
    out << "  " << callUsage(e) << "\n      " << e.summary << '\n';
  }
}

// Prints the menu's items under headings of their popup path; with a topic,
// only the popups whose label starts with it (a trailing "s" aside) and what
// they hold. Counts the items printed.
template <std::size_t N>
void printMenu(std::ostream& out, const menus::Node (&menu)[N], const char* kind, const std::string& topic,
               int& printed) {
  std::vector<std::string> path;
  std::vector<bool> chosen{topic.empty()};
  bool headed = false;
  std::string stem = topic;
  if (stem.size() > 1 && stem.back() == 's') stem.pop_back();
  for (const menus::Node& n : menu) {
    if (n.kind == menus::Kind::popup) {
      path.emplace_back(n.label);
      chosen.push_back(chosen.back() || lowered(n.label).rfind(stem, 0) == 0);
      headed = false;
    } else if (n.kind == menus::Kind::end) {
      path.pop_back();
      chosen.pop_back();
      headed = false;
    } else if (n.kind == menus::Kind::item && chosen.back()) {
      if (!headed) {
        std::string heading = kind;
        for (const auto& p : path) heading += " > " + p;
        out << (printed ? "\n" : "") << heading << '\n';
        headed = true;
      }
      entryLine(out, n.id);
      ++printed;
    }
  }
}

// What each format keeps, one column a format, then the CSV dialect and what
// tessel itself adds around it.
void formats(std::ostream& out) {
  Table table{{""}};
  for (const auto& f : facts::kModuleFormats) {
    table[0].emplace_back(f.shortName);
    table[0].back().resize(7, ' ');  // as wide as "changed", also where a format changes nothing
  }
  for (const auto& a : facts::kAspects) {
    table.push_back({a.name});
    for (const auto& by : a.by) table.back().emplace_back(facts::fateName(by.fate));
  }
  printTable(out, table);
  out << "\nBad files (the game is told nothing; tessel says which case it was):\n";
  for (const auto& b : facts::kBadFiles) {
    out << "  " << b.name << ":\n";
    for (std::size_t k = 0; k < facts::kModuleFormatCount; ++k)
      out << "    " << facts::kFormats[k].shortName << ": " << b.by[k] << '\n';
  }
  out << "\nCSV, as the module reads and writes it:\n";
  for (const auto& rule : facts::kCsvDialect) out << "  " << rule.topic << ": " << rule.text << '\n';
  out << "  tessel: a leading UTF-8 byte order mark is left out when tessel loads a file; --header reads a\n"
         "  first row of column names as labels and writes the labels as a first row. Files with \";\" between\n"
         "  fields read as one field a line: tessel says so and points to the sheet format. tessel warns about\n"
         "  numbers that wrap when read as values, and says what a save could not keep (\"12 keys dropped\").\n";
  out << "\nsheet, the CSV of spreadsheets, which tessel reads and writes itself (--from sheet, --to sheet):\n";
  for (const auto& rule : facts::kSheetDialect) out << "  " << rule.topic << ": " << rule.text << '\n';
  out << "\njson, the JSON of show --json, which tessel reads back (--from json, --to json, or by its content):\n";
  for (const auto& rule : facts::kJsonForm) out << "  " << rule.topic << ": " << rule.text << '\n';
  out << "  For example (tessel convert items.arr items.json):\n" << facts::kJsonExample << '\n';
  out << "\ntilemap, the maps of tile map editors, which tessel reads and writes back (--from tilemap, --to tilemap\n"
         "--template MAP, or by its content):\n";
  for (const auto& rule : facts::kTileMapForm) out << "  " << rule.topic << ": " << rule.text << '\n';
  out << "  For example (tessel show level.tmj):\n" << facts::kTileMapExample << '\n';
}

// The command line's own command a topic names ("check", "tessel check",
// "version") or the sheet format ("sheet"), or null.
const topics::Topic* commandLineTopic(const std::string& wanted) {
  for (const auto& c : topics::kConsoleHost) {
    std::string_view term = c.term;
    if (term.rfind("tessel ", 0) == 0) {
      term.remove_prefix(7);
    } else if (term.rfind("sheet ", 0) != 0) {
      continue;  // "tessel" alone, and the notes on naming actions
    }
    const std::string name(term.substr(0, term.find(' ')));
    if (wanted == name || wanted == "tessel " + name || (wanted == "version" && name == "--version")) return &c;
  }
  return nullptr;
}

void overview(std::ostream& out) {
  out << "A line names an action by the words of its display string, parameters in their places: texts in\n"
         "double quotes, integers bare, or expressions (Set value 2 at 0, SELECT WHERE \"level\" > 3). A line\n"
         "name(parameters) prints an expression's result. # starts a comment.\n\nCommands:\n";
  for (const auto& c : topics::kShellCommands) out << "  " << c.term << '\n';
  std::string line = "\nhelp TOPIC lists a part of the menus:";
  for (const std::string& topic : helpTopics()) {
    if (line.size() + topic.size() + 2 > 100) {
      out << line << ",\n";
      line.clear();
    }
    line += (line.empty() ? "" : line.back() == ':' ? " " : ", ") + topic;
  }
  out << line << ";\nhelp NAME one action, expression or command; help formats the file formats.\n\n";
}

}  // namespace

std::vector<std::string> helpTopics() {
  std::vector<std::string> out{"elements"};  // what the menus call adding, replacing, removing and getting them
  const auto add = [&out](const auto& menu) {
    int depth = 0;
    for (const menus::Node& n : menu) {
      if (n.kind == menus::Kind::end) --depth;
      if (n.kind != menus::Kind::popup || depth++ != 0) continue;
      const std::string label = n.label;
      if (lowered(label).find(" elements") != std::string::npos) continue;
      const std::string word = lowered(label.substr(0, label.find(' ')));
      if (std::find(out.begin(), out.end(), word) == out.end()) out.push_back(word);
    }
  };
  add(menus::kActionMenu);
  add(menus::kExpressionMenu);
  return out;
}

void printHelp(std::ostream& out, std::string_view topic) {
  while (!topic.empty() && topic.front() == ' ') topic.remove_prefix(1);
  while (!topic.empty() && topic.back() == ' ') topic.remove_suffix(1);
  if (topic.size() >= 2 && topic.front() == '"' && topic.back() == '"') topic = topic.substr(1, topic.size() - 2);
  const std::string wanted = lowered(topic);
  if (wanted.empty()) overview(out);  // then the whole of the menus, as the part of them that "" names
  if (wanted == "formats" || wanted == "csv") return formats(out);
  // A command of the shell, of the command line, or both ("show").
  bool command = false;
  for (const auto& c : topics::kShellCommands) {
    const std::string_view name = std::string_view(c.term).substr(0, std::string_view(c.term).find(' '));
    if (wanted != name && !(wanted == "exit" && name == "quit")) continue;
    wrapped(out << c.term << '\n', c.text, 110);
    // The commands that take options list them from the one table.
    if (name == "new") out << optionLines(options::Scope::setup);
    if (name == "show") out << optionLines(options::Scope::show);
    command = true;
  }
  if (const topics::Topic* c = commandLineTopic(wanted)) {
    wrapped(out << (command ? "\n" : "") << c->term << '\n', facts::withFormatLists(c->text), 110);
    if (wanted == "sheet") {
      for (const auto& rule : facts::kSheetDialect) out << "  " << rule.topic << ": " << rule.text << '\n';
    }
    command = true;
  }
  if (command) return;
  // An option written as one ("--keys"); a bare name ("keys") is a part of the menus first.
  const std::string option = optionHelp(wanted);
  if (!option.empty() && wanted.rfind("--", 0) == 0) {
    out << option;
    return;
  }
  // A number names an action; an expression name, with or without "(", names it.
  if (!wanted.empty() && wanted.find_first_not_of("0123456789") == std::string::npos) {
    if (wanted.size() > 3 || std::stoi(wanted) >= static_cast<int>(catalogue::kActionCount)) {
      throw UserError("there is no action " + wanted + "; actions are numbered 0 to " +
                      std::to_string(catalogue::kActionCount - 1));
    }
    return actionDetail(out, kActions[std::stoi(wanted)]);
  }
  if (const int e = findExpression(topic); e >= 0) return expressionDetail(out, kExpressions[e]);
  // A part of the menus; "elements" is what they call adding, replacing, removing and getting them.
  std::vector<std::string> parts{wanted};
  if (wanted == "elements") parts = {"add elements", "replace elements", "remove elements", "save elements", "get"};
  int printed = 0;
  for (const auto& part : parts) printMenu(out, menus::kActionMenu, "Actions", part, printed);
  for (const auto& part : parts) printMenu(out, menus::kExpressionMenu, "Expressions", part, printed);
  if (printed > 0) return;
  if (!option.empty()) {
    out << option;
    return;
  }
  // Otherwise every entry whose label, name or display string holds the words.
  const auto holds = [&wanted](std::string_view label, std::string_view name) {
    return lowered(label).find(wanted) != std::string::npos || lowered(name).find(wanted) != std::string::npos;
  };
  int found = 0;
  for (const auto& a : kActions) {
    if (holds(a.label, usage(a))) actionDetail(out << (found++ ? "\n" : ""), a);
  }
  for (const auto& x : kExpressions) {
    if (holds(x.label, x.name)) expressionDetail(out << (found++ ? "\n" : ""), x);
  }
  if (found == 0)
    throw UserError("nothing in the catalogue is called \"" + std::string(topic) + "\"" + suggestionsFor(topic));
}

}  // namespace tessel::console
