// How a line of the console language names actions (by the words of their
// display strings) and expressions (in their own call syntax). Every name
// comes from the catalogue.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/catalogue.h"

namespace tessel::console {

// A mistake in what the user wrote; the message is complete and ready to print.
class UserError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A parameter as written: a literal or a nested expression call.
struct Term {
  enum class Kind { integer, text, expression };
  Kind kind = Kind::integer;
  int32_t integer = 0;
  std::string text;
  int expression = -1;  // catalogue number of the call
  std::vector<Term> arguments;
  std::string source;  // as written, for messages
};

// A character of an expression's name.
bool isNameChar(char c);

// Texts compared and searched the way names are: A to Z ignoring case.
std::string lowered(std::string_view text);
bool startsWithIgnoringCase(std::string_view text, std::string_view prefix);

// A count in words: "1 row", "2 rows".
std::string plural(int64_t n, const char* one, const char* many);

// The word after the option words[i], moving i onto it; throws UserError when there is none.
const std::string& optionValue(const std::vector<std::string>& words, std::size_t& i);

// Reads one line token by token.
class Cursor {
 public:
  explicit Cursor(std::string_view line) : line_(line) {}

  bool atEnd();  // after blanks
  std::size_t position() const { return pos_; }
  // One literal token of a name: a word (letters and digits, compared ignoring
  // case, not followed by a letter or digit) or one punctuation character.
  bool token(std::string_view t);
  // A quoted text, an integer or an expression call; throws UserError.
  Term term();
  // A bare word (letters, digits, _ . -), for instance and option names.
  std::string word();
  // Everything up to the next blank, as it stands.
  std::string bare();
  std::string_view rest() const { return line_.substr(pos_); }

 private:
  Term textLiteral();
  Term integerLiteral();
  Term call();
  void skipSpace();
  // Moves past the characters `accepts` takes; what it moved past.
  template <typename Accepts>
  std::string_view scan(Accepts accepts);

  static constexpr int kMaxDepth = 64;

  std::string_view line_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

// The catalogue number of an expression name, written with or without its "(";
// -1 when there is none.
int findExpression(std::string_view name);
// Expression names and action labels near a mistyped name, for messages.
std::string suggestionsFor(std::string_view written);

struct ActionCall {
  int number = -1;
  std::vector<Term> params;
};

// The action a line names: the words of its display string, as the event
// editor lists it, with the parameters in their places ("Set value 2 at 0",
// "SELECT WHERE \"level\" > 3"). Words compare ignoring case; neighbouring
// parameters may be separated by a comma. Rows written alike are told apart by
// their parameter kinds. Throws UserError saying what is wrong and how to write it.
ActionCall resolveAction(std::string_view line);
// "Save to file <file name>": the display string with the parameter names in place.
std::string usage(const catalogue::Action& action);

}  // namespace tessel::console
