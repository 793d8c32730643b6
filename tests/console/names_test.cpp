// The console's line language where no script reaches (line_language.tessel
// shows the rest), and the help texts' examples, each read as the entry it
// stands under.
#include <gtest/gtest.h>

#include <string>

#include "host/catalogue_notes.h"
#include "tools/console/console.h"

namespace tessel::console {
namespace {

// "5", "'text'", or "name(arguments)" for a call.
std::string describe(const Term& t) {
  if (t.expression >= 0) {
    std::string out = catalogue::kExpressions[t.expression].name;
    for (std::size_t i = 0; i < t.arguments.size(); ++i) out += (i ? "," : "") + describe(t.arguments[i]);
    return out + ")";
  }
  return t.kind == catalogue::ParamKind::text ? "'" + t.text + "'" : std::to_string(t.integer);
}

// What a parameter reads as, or "error: " and the message.
std::string term(const std::string& line, const LoopNames* names = nullptr) {
  try {
    Cursor c(line, names);
    const Term t = c.term();
    return describe(t) + (c.atEnd() ? "" : " then " + std::string(c.rest()));
  } catch (const UserError& e) {
    return std::string("error: ") + e.what();
  }
}

// The action's number and its parameters, or "error: " and the message.
std::string action(const std::string& line, const LoopNames* names = nullptr) {
  try {
    const ActionCall call = resolveAction(line, names);
    std::string out = std::to_string(call.number);
    for (const Term& p : call.params) out += " " + describe(p);
    return out;
  } catch (const UserError& e) {
    return std::string("error: ") + e.what();
  }
}

// What a script can show is in line_language.tessel; here where a parameter
// ends, and names that no script can give (an inner loop's hiding an outer one's).
TEST(LineLanguage, ParametersEndWhereTheyEnd) {
  const LoopNames loops{{"i", 3}, {"i", 7}, {"n", 2}};
  const std::pair<std::string, std::string> cases[] = {
      {"+5 ,", "5 then ,"},
      {"I", "7"},
      {"n", "2"},
      {"", "error: a parameter is missing at the end of the line"},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(term(line, &loops), expected) << line;
}

TEST(LineLanguage, EachHelpExampleNamesItsEntry) {
  int checked = 0;
  for (const catalogue::Note& n : catalogue::kActionNotes) {
    if (*n.example == '\0') continue;
    EXPECT_EQ(action(n.example).substr(0, action(n.example).find(' ')), std::to_string(n.number)) << n.example;
    ++checked;
  }
  EXPECT_GT(checked, 40);
  for (const catalogue::Note& n : catalogue::kExpressionNotes) {
    if (*n.example == '\0') continue;
    const std::string read = term(n.example);  // the call, with the arguments it takes, and nothing after it
    EXPECT_EQ(read.rfind(catalogue::kExpressions[n.number].name, 0), 0u) << n.example << ": " << read;
    EXPECT_EQ(read.find(" then "), std::string::npos) << n.example << ": " << read;
  }
}

}  // namespace
}  // namespace tessel::console
