#include "tools/console/interactive.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "host/catalogue.h"
#include "tools/console/platform.h"

#if TESSEL_LINE_EDITING
#include <editline/readline.h>
#endif

namespace tessel::console {

namespace {

#if TESSEL_LINE_EDITING

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

// Whole-line completions of what has been typed so far: an action label or a
// command at the start of the line, an expression name where a name is being typed.
std::vector<std::string> completions(const std::string& typed) {
  std::vector<std::string> out;
  const std::size_t lead = typed.find_first_not_of(" \t");
  const std::string start = lead == std::string::npos ? "" : typed.substr(lead);
  const std::string indent = typed.substr(0, typed.size() - start.size());
  for (const char* command : {"new ", "with ", "show", "help", "echo ", "drop "}) {
    if (startsWithIgnoringCase(command, start)) out.push_back(indent + command);
  }
  for (const auto& a : catalogue::kActions) {
    if (startsWithIgnoringCase(a.label, start)) out.push_back(indent + a.label + (a.paramCount() > 0 ? " " : ""));
  }
  std::size_t fragment = typed.size();
  while (fragment > 0 && (std::isalnum(static_cast<unsigned char>(typed[fragment - 1])) || typed[fragment - 1] == '$' ||
                          typed[fragment - 1] == '_')) {
    --fragment;
  }
  const std::string name = typed.substr(fragment);
  if (!name.empty() || fragment == typed.size()) {
    for (const auto& e : catalogue::kExpressions) {
      if (startsWithIgnoringCase(e.name, name)) out.push_back(typed.substr(0, fragment) + e.name);
    }
  }
  return out;
}

// The line-editing library calls back without a context pointer, so the
// candidates of the completion under way are kept here for its generator.
std::vector<std::string>& pendingCandidates() {
  static std::vector<std::string> candidates;
  return candidates;
}

char* nextCandidate(const char*, int state) {
  static std::size_t next = 0;
  if (state == 0) next = 0;
  auto& candidates = pendingCandidates();
  if (next >= candidates.size()) return nullptr;
  return strdup(candidates[next++].c_str());
}

// The library replaces only the word under the cursor (from `start`), so each
// whole-line completion is handed over from there on.
char** complete(const char*, int start, int) {
  rl_attempted_completion_over = 1;  // no file names
  rl_completion_append_character = '\0';
  const std::string typed(rl_line_buffer, static_cast<std::size_t>(rl_point));
  const std::size_t from = std::min(static_cast<std::size_t>(std::max(start, 0)), typed.size());
  std::vector<std::string>& candidates = pendingCandidates();
  candidates.clear();
  for (const std::string& line : completions(typed)) {
    if (line.size() >= from) candidates.push_back(line.substr(from));
  }
  if (candidates.empty()) return nullptr;
  return rl_completion_matches(typed.c_str() + from, nextCandidate);
}

std::string historyPath() {
  const char* home = std::getenv("HOME");
  return home != nullptr ? std::string(home) + "/.tessel_history" : std::string();
}

#endif

}  // namespace

bool lineEditing() { return TESSEL_LINE_EDITING != 0; }

int interactive(Session& session, std::ostream& err) {
  std::cout << "tessel: type help for the catalogue, end with " << platform::kEndOfInputKeys << '\n';
  int errors = 0;
#if TESSEL_LINE_EDITING
  static char wordBreaks[] = "\n";  // complete whole lines: labels hold blanks
  rl_readline_name = "tessel";
  rl_completer_word_break_characters = wordBreaks;
  rl_attempted_completion_function = complete;
  using_history();
  stifle_history(1000);
  const std::string history = historyPath();
  if (!history.empty()) read_history(history.c_str());
  while (true) {
    const std::string prompt = session.currentName() + "> ";
    char* raw = readline(prompt.c_str());
    if (raw == nullptr) break;
    const std::string line(raw);
    std::free(raw);  // NOLINT(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory): the line editor mallocs it
    if (line.find_first_not_of(" \t") != std::string::npos) add_history(line.c_str());
#else
  std::string line;
  while (std::cout << session.currentName() << "> " << std::flush, std::getline(std::cin, line)) {
#endif
    try {
      session.execute(line);
    } catch (const std::exception& e) {
      std::cout.flush();
      err << e.what() << '\n';
      ++errors;
    }
    std::cout.flush();
  }
#if TESSEL_LINE_EDITING
  if (!history.empty()) write_history(history.c_str());
#endif
  std::cout << '\n';
  return errors == 0 ? 0 : 1;
}

}  // namespace tessel::console
