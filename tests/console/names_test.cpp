// The console's line language: parameters as written, expression calls,
// loop names, and the action a whole line names, or the mistake it makes;
// and the help texts' examples, each read as the entry it stands under.
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

TEST(LineLanguage, ParametersAndWholeLinesReadAsWritten) {
  const LoopNames loops{{"i", 3}, {"i", 7}, {"n", 2}};
  const std::string deep = [] {
    std::string s;
    for (int k = 0; k < 65; ++k) s += "key$(";
    return s + "0" + std::string(65, ')');
  }();
  const auto T = term;    // a parameter
  const auto A = action;  // a line naming an action: its number, then its parameters
  const struct {
    std::string (*read)(const std::string&, const LoopNames*);
    std::string line, expected;
  } cases[] = {
      {T, R"("a\nb\t\"\\")", "'a\nb\t\"\\'"},
      {T, R"("C:\dir\x41\x4G")", "'C:\\dirA\x04G'"},  // unknown escapes stand for themselves
      {T, R"("\x0")", "error: \\x at column 4 needs a non-zero hex byte"},
      {T, R"("a\")", "error: the text starting at column 1 has no closing quote"},
      {T, "-2147483648", "-2147483648"},
      {T, "2147483648", "error: \"2147483648\" is not an integer from -2147483648 to 2147483647"},
      {T, "0x7FFFFFFF", "2147483647"},
      {T, "-0x10", "-16"},
      {T, "010", "10"},
      {T, "+5 ,", "5 then ,"},
      {T, "12ab", "error: \"12ab\" is not an integer from -2147483648 to 2147483647"},
      {T, "-x", "error: expected a parameter (a quoted text, an integer or an expression) at column 1, found '-'"},
      {T, "KEYSTR$( \"k\" )", "keyStr$('k')"},
      {T, "I", "7"},  // the inner loop's name hides the outer one's
      {T, "", "error: a parameter is missing at the end of the line"},
      {T, deep, "error: expressions nest more than 64 deep"},
      {A, R"(Append string "apple")", "8 'apple'"},
      {A, R"(  aPPEND   String "x"  )", "8 'x'"},
      {A, "Set value 2 at n", "14 2 2"},
      {A, "Set value keyVal(3) at 0", "14 keyVal(3) 0"},
      {A, "Delete all", "17"},
      {A, R"(SELECT WHERE "level" <= 3)", "37 'level' 3"},
      {A, R"(SELECT WHERE "level" < = 3)", "37 'level' 3"},
      {A, R"(SELECT WHERE "level" < 3)", "35 'level' 3"},
      {A, "SELECT WHERE col 0 = 5", "67 0 5"},
      {A, R"(SELECT WHERE col 1 LIKE *"a"*)", "66 1 'a'"},
      {A, R"(SELECT WHERE "name" LIKE *"a"*)", "74 'name' 'a'"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.read(c.line, &loops).substr(0, c.expected.size()), c.expected) << c.line;
  EXPECT_EQ(term("i"), "error: \"i\" is not a parameter: texts are written in double quotes, expressions as name(...)");
  EXPECT_EQ(usage(catalogue::kActions[18]), "Save element <index> to file <file name>");
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
    try {  // the call with all its arguments and nothing after it
      Cursor c(n.example);
      const Term t = c.term();
      EXPECT_EQ(t.expression, n.number) << n.example;
      EXPECT_EQ(static_cast<int>(t.arguments.size()), catalogue::kExpressions[n.number].paramCount()) << n.example;
      EXPECT_TRUE(c.atEnd()) << n.example;
    } catch (const UserError& e) {
      ADD_FAILURE() << n.example << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace tessel::console
