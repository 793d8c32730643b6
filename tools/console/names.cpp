#include "tools/console/names.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>

namespace tessel::console {

using catalogue::kActions;
using catalogue::kExpressions;
using catalogue::Param;

namespace {

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }
bool isNameChar(char c) { return isWordChar(c) || c == '_' || c == '$'; }
char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

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

}  // namespace

catalogue::Param kindOf(const Term& term) {
  switch (term.kind) {
    case Term::Kind::integer: return Param::integer;
    case Term::Kind::text: return Param::text;
    case Term::Kind::expression: return kExpressions[term.expression].returnsText() ? Param::text : Param::integer;
  }
  return Param::none;
}

const char* kindName(catalogue::Param kind) {
  switch (kind) {
    case Param::integer: return "an integer";
    case Param::text: return "a text";
    case Param::none: break;
  }
  return "nothing";
}

void Cursor::skipSpace() {
  while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t' || line_[pos_] == '\r')) ++pos_;
}

bool Cursor::atEnd() {
  skipSpace();
  return pos_ >= line_.size();
}

bool Cursor::consume(char c) {
  skipSpace();
  if (pos_ < line_.size() && line_[pos_] == c) {
    ++pos_;
    return true;
  }
  return false;
}

bool Cursor::token(std::string_view t) {
  skipSpace();
  if (line_.size() - pos_ < t.size() || !equalIgnoringCase(line_.substr(pos_, t.size()), t)) return false;
  const std::size_t end = pos_ + t.size();
  if (isWordChar(t.back()) && end < line_.size() && isWordChar(line_[end])) return false;
  pos_ = end;
  return true;
}

std::string Cursor::word() {
  skipSpace();
  const std::size_t start = pos_;
  while (pos_ < line_.size() && (isNameChar(line_[pos_]) || line_[pos_] == '-' || line_[pos_] == '.')) ++pos_;
  return std::string(line_.substr(start, pos_ - start));
}

std::string Cursor::bare() {
  skipSpace();
  const std::size_t start = pos_;
  while (pos_ < line_.size() && line_[pos_] != ' ' && line_[pos_] != '\t') ++pos_;
  return std::string(line_.substr(start, pos_ - start));
}

Term Cursor::term() {
  skipSpace();
  if (pos_ >= line_.size()) throw UserError("a parameter is missing at the end of the line");
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
  t.kind = Term::Kind::text;
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
        int value = 0;
        int digits = 0;
        while (digits < 2 && pos_ < line_.size() && std::isxdigit(static_cast<unsigned char>(line_[pos_]))) {
          const char h = lower(line_[pos_++]);
          value = value * 16 + (std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : h - 'a' + 10);
          ++digits;
        }
        if (digits == 0 || value == 0)
          throw UserError("\\x at column " + std::to_string(pos_) + " needs a non-zero hex byte");
        t.text += static_cast<char>(value);
        break;
      }
      default: t.text += e;  // \" and \\ and anything else stand for themselves
    }
  }
  t.source = std::string(line_.substr(start, pos_ - start));
  return t;
}

Term Cursor::integerLiteral() {
  const std::size_t start = pos_;
  if (line_[pos_] == '-' || line_[pos_] == '+') ++pos_;
  while (pos_ < line_.size() && isNameChar(line_[pos_])) ++pos_;
  const std::string written(line_.substr(start, pos_ - start));
  // Decimal, or hexadecimal after 0x; a leading zero does not mean octal.
  const std::size_t digits = written.find_first_not_of("+-");
  const bool hex = written.compare(digits, 2, "0x") == 0 || written.compare(digits, 2, "0X") == 0;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(written.c_str(), &end, hex ? 16 : 10);
  if (end == nullptr || *end != '\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
    throw UserError(quoteForMessage(written) + " is not an integer from -2147483648 to 2147483647");
  }
  Term t;
  t.kind = Term::Kind::integer;
  t.integer = static_cast<int32_t>(value);
  t.source = written;
  return t;
}

Term Cursor::call() {
  const std::size_t start = pos_;
  while (pos_ < line_.size() && isNameChar(line_[pos_])) ++pos_;
  const std::string_view name = line_.substr(start, pos_ - start);
  if (pos_ >= line_.size() || line_[pos_] != '(') {
    throw UserError(quoteForMessage(name) +
                    " is not a parameter: texts are written in double quotes, expressions as name(...)");
  }
  const int n = findExpression(name);
  if (n < 0) throw UserError("unknown expression " + std::string(name) + "(" + suggestionsFor(name));
  if (depth_ >= kMaxDepth) throw UserError("expressions nest more than " + std::to_string(kMaxDepth) + " deep");
  ++pos_;
  ++depth_;
  Term t;
  t.kind = Term::Kind::expression;
  t.expression = n;
  const auto& e = kExpressions[n];
  if (!consume(')')) {
    do {
      t.arguments.push_back(term());
    } while (consume(','));
    if (!consume(')')) {
      throw UserError(std::string("expected ',' or ')' in ") + e.name + " at column " + std::to_string(pos_ + 1));
    }
  }
  --depth_;
  t.source = std::string(line_.substr(start, pos_ - start));
  // A trailing parameter the routine fetches but never uses may be left out.
  const int declared = e.paramCount();
  if (static_cast<int>(t.arguments.size()) + 1 == declared &&
      std::string_view(e.params[declared - 1].name) == "unused") {
    Term zero;
    zero.source = "0";
    t.arguments.push_back(zero);
  }
  if (static_cast<int>(t.arguments.size()) != declared) {
    throw UserError(std::string(e.name) + " takes " + std::to_string(declared) + " parameter" +
                    (declared == 1 ? "" : "s") + ", not " + std::to_string(t.arguments.size()) + ": " + t.source);
  }
  for (int i = 0; i < declared; ++i) {
    const Param want = e.params[i].kind;
    const Param got = kindOf(t.arguments[static_cast<std::size_t>(i)]);
    if (want != got) {
      throw UserError(std::string(e.name) + " parameter " + std::to_string(i + 1) + " (" + e.params[i].name +
                      ") must be " + kindName(want) + ", but " + t.arguments[static_cast<std::size_t>(i)].source +
                      " is " + kindName(got));
    }
  }
  return t;
}

int findExpression(std::string_view name) {
  std::string wanted(name);
  if (wanted.empty() || wanted.back() != '(') wanted += '(';
  for (const auto& e : kExpressions) {
    if (wanted == e.name) return e.number;
  }
  int found = -1;
  for (const auto& e : kExpressions) {
    if (equalIgnoringCase(wanted, e.name)) {
      if (found >= 0) return -1;  // only a unique match ignoring case counts
      found = e.number;
    }
  }
  return found;
}

namespace {

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

// The first `words` blank-separated words of s.
std::string_view leadingWords(std::string_view s, std::size_t words) {
  std::size_t i = 0;
  for (std::size_t w = 0; w < words && i < s.size(); ++w) {
    while (i < s.size() && s[i] == ' ') ++i;
    while (i < s.size() && s[i] != ' ') ++i;
  }
  return s.substr(0, i);
}

std::size_t wordCount(std::string_view s) {
  std::size_t words = 0;
  for (std::size_t i = 0; i < s.size(); ++i) words += s[i] != ' ' && (i == 0 || s[i - 1] == ' ');
  return words;
}

}  // namespace

std::string suggestionsFor(std::string_view written) {
  // Names within a typo or two of what was written.
  std::vector<std::string> near;
  std::string name(written);
  if (const std::size_t paren = name.find('('); paren != std::string::npos) name.resize(paren);
  for (const auto& e : kExpressions) {
    const std::string_view candidate(e.name, std::string_view(e.name).size() - 1);
    if (editDistance(name, candidate) <= 2) near.emplace_back(e.name);
  }
  for (const auto& a : kActions) {
    const std::string_view lead = leadingWords(written, wordCount(a.label));
    if (editDistance(lead, a.label) <= 2 && std::find(near.begin(), near.end(), a.label) == near.end()) {
      near.emplace_back(a.label);
    }
  }
  if (near.empty() || near.size() > 6) return "";
  std::string out = " (did you mean ";
  for (std::size_t i = 0; i < near.size(); ++i) out += (i ? ", " : "") + quoteForMessage(near[i]);
  return out + "?)";
}

std::vector<std::string> nameTokens(std::string_view text) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
    } else if (isWordChar(text[i])) {
      const std::size_t start = i;
      while (i < text.size() && isWordChar(text[i])) ++i;
      tokens.emplace_back(text.substr(start, i - start));
    } else {
      tokens.emplace_back(1, text[i++]);
    }
  }
  return tokens;
}

std::string displayUsage(const catalogue::Action& action) {
  std::string_view d = displayText(action);
  std::string out;
  int slot = 0;
  for (std::size_t i = 0; i < d.size(); ++i) {
    if (d[i] == '%' && i + 1 < d.size() && d[i + 1] == 's') {
      out += std::string("<") + action.params[slot++].name + ">";
      ++i;
    } else {
      out += d[i];
    }
  }
  return out;
}

namespace {

std::vector<std::string> parameterSlots(const catalogue::Action& a) {
  std::vector<std::string> slots;
  slots.reserve(static_cast<std::size_t>(a.paramCount()));
  for (int i = 0; i < a.paramCount(); ++i) slots.emplace_back(std::string("<") + a.params[i].name + ">");
  return slots;
}

std::string joinedUsage(std::string_view name, const catalogue::Action& a) {
  std::string out(name);
  for (const auto& s : parameterSlots(a)) out += " " + s;
  return out;
}

}  // namespace

ActionNames::ActionNames() {
  for (const auto& a : kActions) {
    // Menu label, parameters after it.
    Form label{a.number, {}, true, true, true};
    for (auto& t : nameTokens(a.label)) label.pieces.push_back({t});
    for (int i = 0; i < a.paramCount(); ++i) label.pieces.push_back({""});
    // Display string, parameters in their places.
    Form inPlace{a.number, {}, true, false, true};
    std::string_view d = displayText(a);
    std::size_t start = 0;
    while (true) {
      const std::size_t slot = d.find("%s", start);
      for (auto& t : nameTokens(d.substr(start, slot == std::string_view::npos ? d.npos : slot - start))) {
        inPlace.pieces.push_back({t});
      }
      if (slot == std::string_view::npos) break;
      inPlace.pieces.push_back({""});
      start = slot + 2;
    }
    // The words of the display string, parameters after them.
    Form after{a.number, {}, true, false, false};
    for (const auto& p : inPlace.pieces) {
      if (!p.token.empty()) after.pieces.push_back(p);
    }
    for (int i = 0; i < a.paramCount(); ++i) after.pieces.push_back({""});
    forms_.push_back(label);
    forms_.push_back(inPlace);
    if (a.paramCount() > 0) forms_.push_back(after);
  }
  // A form shared with another action names neither of them.
  const auto key = [](const Form& f) {
    std::string k;
    for (const auto& p : f.pieces) k += (p.token.empty() ? std::string("\x01") : lowered(p.token)) + " ";
    return k;
  };
  std::map<std::string, std::vector<std::size_t>> byKey;
  for (std::size_t i = 0; i < forms_.size(); ++i) byKey[key(forms_[i])].push_back(i);
  for (const auto& entry : byKey) {
    for (std::size_t i : entry.second) {
      for (std::size_t j : entry.second) {
        if (forms_[i].action != forms_[j].action) forms_[i].unique = false;
      }
    }
  }
}

ActionNames::Attempt ActionNames::attempt(const Form& form, std::string_view line) const {
  Attempt a;
  Cursor c(line);
  bool beforeSlot = true;
  a.named = true;
  for (std::size_t i = 0; i < form.pieces.size(); ++i) {
    const Piece& p = form.pieces[i];
    if (!p.token.empty()) {
      if (!c.token(p.token)) {
        if (beforeSlot) a.named = false;
        a.error = "expected \"" + p.token + "\" at column " + std::to_string(c.position() + 1);
        return a;
      }
      ++a.tokens;
      continue;
    }
    // Neighbouring parameters may be separated by a comma.
    if (beforeSlot == false && form.pieces[i - 1].token.empty()) c.consume(',');
    beforeSlot = false;
    if (c.atEnd()) {
      a.error = "a parameter is missing";
      return a;
    }
    try {
      a.params.push_back(c.term());
    } catch (const UserError& e) {
      a.error = e.what();
      return a;
    }
  }
  if (!c.atEnd()) {
    a.error = form.pieces.empty() || !form.pieces.back().token.empty() || a.params.empty()
                  ? "unexpected \"" + std::string(c.rest()) + "\" after the name"
                  : "too many parameters: \"" + std::string(c.rest()) + "\"";
    return a;
  }
  a.full = true;
  return a;
}

ActionCall ActionNames::resolve(std::string_view line) const {
  // By number: "65 0 \"a*\"".
  Cursor c(line);
  c.skipSpace();
  if (!c.atEnd() && std::isdigit(static_cast<unsigned char>(c.rest()[0]))) {
    const Term number = c.term();
    if (number.kind != Term::Kind::integer || number.integer < 0 ||
        number.integer >= static_cast<int>(catalogue::kActionCount)) {
      throw UserError("there is no action " + number.source + "; actions are numbered 0 to 78");
    }
    ActionCall call{number.integer, {}};
    const auto& a = kActions[call.number];
    while (!c.atEnd() && static_cast<int>(call.params.size()) < a.paramCount()) {
      call.params.push_back(c.term());
      c.consume(',');
    }
    if (static_cast<int>(call.params.size()) != a.paramCount() || !c.atEnd()) {
      throw UserError(std::string(a.label) + " takes " + std::to_string(a.paramCount()) + " parameter" +
                      (a.paramCount() == 1 ? "" : "s") + "; write it as: " + joinedUsage(std::to_string(a.number), a));
    }
    return call;
  }

  std::vector<std::pair<const Form*, Attempt>> attempts;
  for (const Form& f : forms_) attempts.emplace_back(&f, attempt(f, line));

  // The attempts that pass `counts` and went furthest: their distinct actions,
  // and the first of them in form order.
  std::vector<int> actions;
  const Form* chosen = nullptr;
  const Attempt* chosenAttempt = nullptr;
  const auto pickFurthest = [&](auto counts) {
    int best = -1;
    for (const auto& [form, a] : attempts) {
      if (counts(a)) best = std::max(best, a.tokens);
    }
    for (const auto& [form, a] : attempts) {
      if (!counts(a) || a.tokens != best) continue;
      if (std::find(actions.begin(), actions.end(), form->action) == actions.end()) actions.push_back(form->action);
      if (chosen == nullptr) {
        chosen = form;
        chosenAttempt = &a;
      }
    }
    if (actions.size() > 1) throw UserError(ambiguity(line, actions));
  };

  // Complete matches: the one that matched the most name words wins.
  pickFurthest([](const Attempt& a) { return a.full; });
  if (chosen != nullptr) return {chosen->action, chosenAttempt->params};

  // Nothing matched completely: report on the form that got furthest.
  pickFurthest([](const Attempt& a) { return a.named && a.tokens > 0; });
  if (chosen == nullptr) {
    throw UserError("unknown action or expression: " + quoteForMessage(line) + suggestionsFor(line));
  }
  const auto& a = kActions[chosen->action];
  throw UserError(std::string(a.label) + ": " + chosenAttempt->error + "; write it as: " + usage(*chosen));
}

std::string ActionNames::usage(const Form& form) const {
  const auto& a = kActions[form.action];
  if (form.label) return joinedUsage(a.label, a);
  bool inPlace = false;
  for (std::size_t i = 0; i + 1 < form.pieces.size(); ++i) {
    if (form.pieces[i].token.empty() && !form.pieces[i + 1].token.empty()) inPlace = true;
  }
  if (inPlace || a.paramCount() == 0) return displayUsage(a);
  std::string words;
  for (const auto& p : form.pieces) {
    if (!p.token.empty()) words += (words.empty() ? "" : " ") + p.token;
  }
  return joinedUsage(words, a);
}

std::vector<std::string> ActionNames::usages(int n) const {
  std::vector<std::string> out;
  for (const Form& f : forms_) {
    if (f.action != n || !f.unique || !f.shown) continue;
    const std::string u = usage(f);
    if (std::find(out.begin(), out.end(), u) == out.end()) out.push_back(u);
  }
  out.push_back(joinedUsage(std::to_string(n), kActions[n]));
  return out;
}

std::string ActionNames::ambiguity(std::string_view line, const std::vector<int>& actions) const {
  const std::string_view label = kActions[actions.front()].label;
  const bool sameLabel = std::all_of(actions.begin(), actions.end(), [&](int n) { return kActions[n].label == label; });
  std::string out =
      sameLabel ? "\"" + std::string(label) + "\" is the label of " + std::to_string(actions.size()) + " actions"
                : quoteForMessage(line) + " could be " + std::to_string(actions.size()) + " actions";
  out += "; name the one you mean:";
  for (int n : actions) {
    const auto& a = kActions[n];
    out += "\n  action " + std::to_string(n) + ": " + a.summary;
    for (const auto& u : usages(n)) out += "\n    " + u;
  }
  return out;
}

}  // namespace tessel::console
