#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <iterator>

#include "tools/console/console.h"

namespace tessel::console {

using catalogue::kActions;
using catalogue::kExpressions;
using catalogue::ParamKind;

namespace {

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }
char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// The text after the "11%s: " of a display string.
std::string_view displayText(const catalogue::Action& a) {
  std::string_view d = a.display;
  const std::size_t colon = d.find(": ");
  return colon == std::string_view::npos ? d : d.substr(colon + 2);
}

// A written text in a message, cut when long.
std::string quoteForMessage(std::string_view s) {
  constexpr std::size_t kLongest = 60;
  return "\"" + std::string(s.substr(0, kLongest)) + (s.size() > kLongest ? "\"..." : "\"");
}

const char* kindName(ParamKind kind) {
  return kind == ParamKind::integer ? "an integer" : kind == ParamKind::text ? "a text" : "nothing";
}

// "parameter 2 (index) must be an integer, but "a" is a text" for the first
// term not of the kind declared; empty when all are.
std::string kindMismatch(const catalogue::Parameter* declared, const std::vector<Term>& terms) {
  for (std::size_t i = 0; i < terms.size(); ++i) {
    if (declared[i].kind != terms[i].kind) {
      return "parameter " + std::to_string(i + 1) + " (" + declared[i].name + ") must be " +
             kindName(declared[i].kind) + ", but " + terms[i].source + " is " + kindName(terms[i].kind);
    }
  }
  return "";
}

std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// As many leading blank-separated words of s as `model` has.
std::string_view leadingWords(std::string_view s, std::string_view model) {
  std::size_t words = 0;
  for (std::size_t k = 0; k < model.size(); ++k) words += model[k] != ' ' && (k == 0 || model[k - 1] == ' ');
  std::size_t i = 0;
  for (std::size_t w = 0; w < words && i < s.size(); ++w) {
    while (i < s.size() && s[i] == ' ') ++i;
    while (i < s.size() && s[i] != ' ') ++i;
  }
  return s.substr(0, i);
}

// The tokens of a display text, a parameter slot as an empty token.
std::vector<std::string> pieces(const catalogue::Action& a) {
  std::vector<std::string> out;
  const std::string_view d = displayText(a);
  for (std::size_t i = 0; i < d.size();) {
    if (d.compare(i, 2, "%s") == 0) {
      out.emplace_back();
      i += 2;
    } else if (isWordChar(d[i])) {
      const std::size_t start = i;
      while (i < d.size() && isWordChar(d[i])) ++i;
      out.emplace_back(d.substr(start, i - start));
    } else {
      if (d[i] != ' ') out.emplace_back(1, d[i]);
      ++i;
    }
  }
  return out;
}

struct Attempt {
  int action = -1;
  int tokens = 0;     // literal tokens matched
  bool named = true;  // every literal before the first parameter matched
  bool full = false;  // the whole line read as this action
  std::string error;  // why it is not this action; empty when it is, its parameters of the kinds it takes
  std::vector<Term> params;
};

Attempt attempt(const catalogue::Action& a, std::string_view line, const LoopNames* names) {
  Attempt at;
  at.action = a.number;
  const auto failed = [&at](std::string error) {
    at.error = std::move(error);
    return at;
  };
  Cursor c(line, names);
  bool afterSlot = false;
  for (const std::string& p : pieces(a)) {
    if (!p.empty()) {
      if (!c.token(p)) {
        at.named = !at.params.empty();
        return failed("expected \"" + p + "\" at column " + std::to_string(c.position() + 1));
      }
      ++at.tokens;
      afterSlot = false;
      continue;
    }
    if (afterSlot) c.token(",");
    afterSlot = true;
    if (c.atEnd()) return failed("a parameter is missing");
    try {
      at.params.push_back(c.term());
    } catch (const UserError& e) {
      return failed(e.what());
    }
  }
  if (!c.atEnd())
    return failed((afterSlot ? "too many parameters: \"" : "unexpected \"") + std::string(c.rest()) + "\"");
  at.full = true;
  at.error = kindMismatch(a.params, at.params);
  return at;
}

// The attempts that pass `counts` and matched the most words.
template <typename Counts>
std::vector<const Attempt*> furthest(const std::vector<Attempt>& attempts, Counts counts) {
  std::vector<const Attempt*> out;  // each with as many tokens as the first
  for (const Attempt& a : attempts) {
    if (!counts(a) || (!out.empty() && a.tokens < out.front()->tokens)) continue;
    if (!out.empty() && a.tokens > out.front()->tokens) out.clear();
    out.push_back(&a);
  }
  return out;
}

std::string mistake(const std::vector<const Attempt*>& candidates) {
  std::string out = candidates.front()->error + "; write it as: ";
  for (std::size_t i = 0; i < candidates.size(); ++i) out += (i ? " or " : "") + usage(kActions[candidates[i]->action]);
  return out;
}

}  // namespace

bool isNameChar(char c) { return isWordChar(c) || c == '_' || c == '$'; }

void Cursor::skipSpace() {
  while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t' || line_[pos_] == '\r')) ++pos_;
}

bool Cursor::token(std::string_view t) {
  skipSpace();
  if (line_.size() - pos_ < t.size() || lowered(line_.substr(pos_, t.size())) != lowered(t)) return false;
  const std::size_t end = pos_ + t.size();
  if (isWordChar(t.back()) && end < line_.size() && isWordChar(line_[end])) return false;
  pos_ = end;
  return true;
}

template <typename Accepts>
std::string_view Cursor::scan(Accepts accepts) {
  skipSpace();
  const std::size_t start = pos_;
  while (pos_ < line_.size() && accepts(line_[pos_])) ++pos_;
  return line_.substr(start, pos_ - start);
}

std::string Cursor::word() {
  return std::string(scan([](char c) { return isNameChar(c) || c == '-' || c == '.'; }));
}

std::string Cursor::bare() {
  return std::string(scan([](char c) { return c != ' ' && c != '\t'; }));
}

Term Cursor::term() {
  if (atEnd()) throw UserError("a parameter is missing at the end of the line");
  const char c = line_[pos_];
  if (c == '"') return textLiteral();
  const bool sign =
      (c == '-' || c == '+') && pos_ + 1 < line_.size() && std::isdigit(static_cast<unsigned char>(line_[pos_ + 1]));
  if (std::isdigit(static_cast<unsigned char>(c)) || sign) return integerLiteral();
  if (isNameChar(c)) return call();
  throw UserError("expected a parameter (a quoted text, an integer or an expression) at column " +
                  std::to_string(pos_ + 1) + ", found '" + std::string(1, c) + "'");
}

Term Cursor::textLiteral() {
  const std::size_t start = pos_++;
  Term t;
  t.kind = ParamKind::text;
  while (true) {
    if (pos_ >= line_.size())
      throw UserError("the text starting at column " + std::to_string(start + 1) + " has no closing quote");
    const char c = line_[pos_++];
    if (c == '"') break;
    if (c != '\\') {
      t.text += c;
      continue;
    }
    if (pos_ >= line_.size()) continue;
    const char e = line_[pos_++];
    switch (e) {
      case 'n': t.text += '\n'; break;
      case 't': t.text += '\t'; break;
      case 'r': t.text += '\r'; break;
      case 'x': {
        unsigned char value = 0;  // from up to two hex digits; none leave it 0
        const char* digits = line_.data() + pos_;
        pos_ += std::from_chars(digits, digits + std::min<std::size_t>(2, line_.size() - pos_), value, 16).ptr - digits;
        if (value == 0) throw UserError("\\x at column " + std::to_string(pos_) + " needs a non-zero hex byte");
        t.text += static_cast<char>(value);
        break;
      }
      case '"':
      case '\\': t.text += e; break;
      // Any other backslash stands for itself, so a Windows path reads as written.
      default: t.text += '\\'; t.text += e;
    }
  }
  t.source = std::string(line_.substr(start, pos_ - start));
  return t;
}

Term Cursor::integerLiteral() {
  const std::size_t start = pos_;
  if (line_[pos_] == '-' || line_[pos_] == '+') ++pos_;
  scan(isNameChar);
  const std::string written(line_.substr(start, pos_ - start));
  // Decimal, or hexadecimal after 0x; a leading zero does not mean octal.
  const bool hex = lowered(written.substr(written.find_first_not_of("+-"))).rfind("0x", 0) == 0;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(written.c_str(), &end, hex ? 16 : 10);
  if (end == nullptr || *end != '\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
    throw UserError(quoteForMessage(written) + " is not an integer from -2147483648 to 2147483647");
  Term t;
  t.integer = static_cast<int32_t>(value);
  t.source = written;
  return t;
}

Term Cursor::call() {
  const std::size_t start = pos_;
  const std::string_view name = scan(isNameChar);
  if (pos_ >= line_.size() || line_[pos_] != '(') {
    if (names_ != nullptr) {
      const std::string folded = lowered(name);
      for (auto n = names_->rbegin(); n != names_->rend(); ++n) {  // an inner loop's name hides an outer one's
        if (n->first != folded) continue;
        Term t;
        t.integer = n->second;
        t.source = std::string(name);
        return t;
      }
    }
    throw UserError(quoteForMessage(name) +
                    " is not a parameter: texts are written in double quotes, expressions as name(...)");
  }
  const int n = findExpression(name);
  if (n < 0) throw UserError("unknown expression " + std::string(name) + "(" + suggestionsFor(name));
  if (depth_ >= kMaxDepth) throw UserError("expressions nest more than " + std::to_string(kMaxDepth) + " deep");
  ++pos_;
  ++depth_;
  Term t;
  const auto& e = kExpressions[n];
  t.kind = e.returnsText() ? ParamKind::text : ParamKind::integer;
  t.expression = n;
  if (!token(")")) {
    do {
      t.arguments.push_back(term());
    } while (token(","));
    if (!token(")"))
      throw UserError(std::string("expected ',' or ')' in ") + e.name + " at column " + std::to_string(pos_ + 1));
  }
  --depth_;
  t.source = std::string(line_.substr(start, pos_ - start));
  // A trailing parameter the routine fetches but never uses may be left out.
  const int declared = e.paramCount();
  if (static_cast<int>(t.arguments.size()) + 1 == declared &&
      std::string_view(e.params[declared - 1].name) == "unused") {
    t.arguments.push_back(Cursor("0").term());
  }
  if (static_cast<int>(t.arguments.size()) != declared) {
    throw UserError(std::string(e.name) + " takes " + plural(declared, "parameter", "parameters") + ", not " +
                    std::to_string(t.arguments.size()) + ": " + t.source);
  }
  if (const std::string wrong = kindMismatch(e.params, t.arguments); !wrong.empty())
    throw UserError(std::string(e.name) + " " + wrong);
  return t;
}

int findExpression(std::string_view name) {
  std::string wanted(name);
  if (wanted.empty() || wanted.back() != '(') wanted += '(';
  const std::string folded = lowered(wanted);
  int found = -1;
  int alike = 0;  // matches ignoring case: only a unique one counts
  for (const auto& e : kExpressions) {
    if (wanted == e.name) return e.number;
    if (lowered(e.name) == folded && alike++ == 0) found = e.number;
  }
  return alike == 1 ? found : -1;
}

std::string suggestionsFor(std::string_view written) {
  // Names within a typo or two of what was written.
  std::vector<std::string> near;
  const std::string_view name = written.substr(0, written.find('('));
  for (const auto& e : kExpressions) {
    const std::string_view candidate(e.name, std::string_view(e.name).size() - 1);
    if (editDistance(name, candidate) <= 2) near.emplace_back(e.name);
  }
  // An action whose words or menu label are near the line's leading words;
  // labels count because the menus show them.
  for (const auto& a : kActions) {
    const std::string writtenForm = usage(a);
    const std::string words = writtenForm.substr(0, writtenForm.find(" <"));
    const bool nearWords = editDistance(leadingWords(written, words), words) <= 2;
    const bool nearLabel = editDistance(leadingWords(written, a.label), a.label) <= 2;
    if ((nearWords || nearLabel) && std::find(near.begin(), near.end(), writtenForm) == near.end())
      near.push_back(writtenForm);
  }
  if (near.empty() || near.size() > 6) return "";
  std::string out = " (did you mean ";
  for (std::size_t i = 0; i < near.size(); ++i) out += (i ? ", " : "") + quoteForMessage(near[i]);
  return out + "?)";
}

ActionCall resolveAction(std::string_view line, const LoopNames* names) {
  std::vector<Attempt> attempts;
  for (const auto& a : kActions) attempts.push_back(attempt(a, line, names));

  const auto complete = furthest(attempts, [](const Attempt& a) { return a.full; });
  if (!complete.empty()) {
    std::vector<const Attempt*> fitting;
    std::copy_if(complete.begin(), complete.end(), std::back_inserter(fitting),
                 [](const Attempt* a) { return a->error.empty(); });
    if (fitting.size() == 1) return {fitting.front()->action, fitting.front()->params};
    if (fitting.empty()) throw UserError(mistake(complete));
    std::string out = quoteForMessage(line) + " could be " + std::to_string(fitting.size()) + " actions:";
    for (const Attempt* a : fitting) out += "\n  " + usage(kActions[a->action]);
    throw UserError(out);
  }
  const auto partial = furthest(attempts, [](const Attempt& a) { return a.named && a.tokens > 0; });
  if (partial.empty()) throw UserError("unknown action or expression: " + quoteForMessage(line) + suggestionsFor(line));
  throw UserError(mistake(partial));
}

std::string usage(const catalogue::Action& action) {
  std::string out(displayText(action));
  for (int slot = 0; slot < action.paramCount(); ++slot)
    out.replace(out.find("%s"), 2, std::string("<") + action.params[slot].name + ">");
  return out;
}

}  // namespace tessel::console