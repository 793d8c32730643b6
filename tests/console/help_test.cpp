// The tessel program's help says what the catalogue, the option table and
// the reference topics say, entry by entry; the layout of a few (an entry, a
// part of the menus, the formats' table, wrapped prose) is kept as expected
// output beside the scripts.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "host/catalogue_notes.h"
#include "host/help_topics.h"
#include "tools/console/console.h"

namespace tessel::console {
namespace {

// What `tessel help TOPIC` prints.
std::string help(const std::string& topic) {
  const std::string command = "'" TESSEL_CONSOLE_PATH "' --module '" TESSEL_MODULE_PATH "' help '" + topic + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "";
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// Blanks and line breaks as one blank: wrapped text reads as the text.
std::string flat(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c != ' ' && c != '\n')
      out += c;
    else if (!out.empty() && out.back() != ' ')
      out += ' ';
  }
  return out;
}

// `told` in the help of `topic`, however wrapped; its prose (not the option table) is wrapped at 110 columns.
void expectTold(const std::string& topic, const std::string& told) {
  const std::string text = help(topic);
  EXPECT_NE(flat(text).find(flat(told)), std::string::npos) << topic;
  std::istringstream lines(text);
  for (std::string l; std::getline(lines, l);) {
    EXPECT_TRUE(l.size() <= 110 || l.rfind("  --", 0) == 0 || l.rfind(' ') < 2) << topic << ": " << l;
  }
}

void expectParameters(const std::string& text, const catalogue::Parameter* params, int count) {
  for (int i = 0; i < count; ++i) {
    EXPECT_NE(text.find(std::string("\n    ") + params[i].name + ": " + catalogue::meaningOf(params[i].name) + "\n"),
              std::string::npos)
        << params[i].name;
  }
}

TEST(Help, EveryEntryIsTheCataloguesOwn) {
  for (const auto& a : catalogue::kActions) {
    const std::string text = help(std::to_string(a.number));
    SCOPED_TRACE(text);
    EXPECT_EQ(text.rfind("action " + std::to_string(a.number) + ": " + a.label + "\n  " + a.summary + "\n", 0), 0u);
    expectParameters(text, a.params, a.paramCount());
    EXPECT_NE(text.find("\n  write it as: " + usage(a) + "\n"), std::string::npos);
    const catalogue::Note* note = catalogue::actionNote(a.number);
    if (note != nullptr && *note->example != '\0') {
      EXPECT_NE(text.find(std::string("\n  for example: ") + note->example + "\n"), std::string::npos);
    }
  }
  for (const auto& e : catalogue::kExpressions) {
    const std::string text = help(e.name);
    SCOPED_TRACE(text);
    EXPECT_EQ(text.rfind("expression " + std::to_string(e.number) + ": " + e.name, 0), 0u);
    EXPECT_NE(text.find(std::string("\n  ") + e.label + ": " + e.summary + "\n"), std::string::npos);
    expectParameters(text, e.params, e.paramCount());
  }
  for (const auto& o : options::kOptions) expectTold(o.name, facts::withFormatLists(o.help));
  for (const auto& c : topics::kShellCommands)
    expectTold(std::string(c.term, std::string_view(c.term).find(' ')), std::string(c.term) + " " + c.text);
  for (const auto& c : topics::kConsoleHost) {
    for (const char* command : {"run", "convert", "check", "diff"}) {
      if (std::string_view(c.term).rfind(std::string("tessel ") + command + " ", 0) == 0)
        expectTold(command, std::string(c.term) + " " + facts::withFormatLists(c.text));
    }
  }
  // The sheet format: its topic, then each rule of its dialect on a line of its own.
  const std::string sheet = help("sheet");
  for (const auto& c : topics::kConsoleHost) {
    if (std::string_view(c.term).rfind("sheet ", 0) == 0) {
      EXPECT_EQ(flat(sheet).find(flat(std::string(c.term) + " " + facts::withFormatLists(c.text))), 0u) << sheet;
    }
  }
  for (const auto& rule : facts::kSheetDialect)
    EXPECT_NE(sheet.find(std::string("\n  ") + rule.topic + ": " + rule.text + "\n"), std::string::npos) << rule.topic;
}

}  // namespace
}  // namespace tessel::console
