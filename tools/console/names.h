// How a line of the console language names actions (by the words of their
// display strings) and expressions (in their own call syntax). Every name
// comes from the catalogue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/catalogue.h"
#include "tools/console/user_error.h"

namespace tessel::console {

// A parameter as written: a literal or a nested expression call.
struct Term {
  catalogue::ParamKind kind = catalogue::ParamKind::integer;  // of the value it gives
  int32_t integer = 0;
  std::string text;
  int expression = -1;  // catalogue number of the call, for a call
  std::vector<Term> arguments;
  std::string source;  // as written, for messages
};

// A character of an expression's name.
bool isNameChar(char c);

// The word after the option words[i], moving i onto it; throws UserError when there is none.
inline const std::string& optionValue(const std::vector<std::string>& words, std::size_t& i) {
  if (i + 1 >= words.size()) throw UserError(words[i] + " needs a value");
  return words[++i];
}

// The integers a loop's names stand for while its lines run, innermost
// last; names compare ignoring case, as words do.
using LoopNames = std::vector<std::pair<std::string, int32_t>>;

// Reads one line token by token; a loop's name stands where an integer may.
class Cursor {
 public:
  explicit Cursor(std::string_view line, const LoopNames* names = nullptr) : line_(line), names_(names) {}

  bool atEnd() {  // after blanks
    skipSpace();
    return pos_ >= line_.size();
  }
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
  // Moves past blanks, then past the characters `accepts` takes; what it
  // moved past after the blanks.
  template <typename Accepts>
  std::string_view scan(Accepts accepts);

  static constexpr int kMaxDepth = 64;

  std::string_view line_;
  const LoopNames* names_;
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
ActionCall resolveAction(std::string_view line, const LoopNames* names = nullptr);
// "Save to file <file name>": the display string with the parameter names in place.
std::string usage(const catalogue::Action& action);

}  // namespace tessel::console
