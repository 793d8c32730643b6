// How a line of the console language names actions and expressions: by menu
// label, by the words of the display string (parameters after them or in
// their places), by number, or, for expressions, in their own call syntax.
// Every name comes from the catalogue.
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

// The kind of value a term gives.
catalogue::Param kindOf(const Term& term);
const char* kindName(catalogue::Param kind);

// Reads one line token by token.
class Cursor {
 public:
  explicit Cursor(std::string_view line, std::size_t position = 0) : line_(line), pos_(position) {}

  void skipSpace();
  bool atEnd();  // after blanks
  std::size_t position() const { return pos_; }
  void seek(std::size_t position) { pos_ = position; }
  bool consume(char c);  // after blanks
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

  static constexpr int kMaxDepth = 64;

  std::string_view line_;
  std::size_t pos_;
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

// Resolves the action a line names.
class ActionNames {
 public:
  ActionNames();
  // Throws UserError with a message that says what is wrong and how to write it.
  ActionCall resolve(std::string_view line) const;
  // The ways to write action n, one a line.
  std::vector<std::string> usages(int n) const;

 private:
  struct Piece {
    std::string token;  // a literal token, or empty for a parameter slot
  };
  struct Form {
    int action;
    std::vector<Piece> pieces;
    bool unique = true;  // no other action is written the same way
    bool label = false;  // the menu-label form, parameters after it
    bool shown = true;   // offered in usages (the words-after form is only accepted)
  };
  struct Attempt {
    bool full = false;
    bool named = false;  // every literal before the first parameter matched
    int tokens = 0;      // literal tokens matched
    std::string error;
    std::vector<Term> params;
  };

  Attempt attempt(const Form& form, std::string_view line) const;
  std::string ambiguity(std::string_view line, const std::vector<int>& actions) const;
  std::string usage(const Form& form) const;

  std::vector<Form> forms_;
};

// Tokens of a name as the matcher sees them.
std::vector<std::string> nameTokens(std::string_view text);
// "Save to file <file name>" from the display string, parameters in place.
std::string displayUsage(const catalogue::Action& action);

}  // namespace tessel::console
