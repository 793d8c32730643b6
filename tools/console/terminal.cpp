// The console language typed at a terminal: line editing, history and Tab
// completion where the system has the line editor, plain lines elsewhere, and
// Ctrl-C for the line being typed.
#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <set>
#include <utility>

#include "host/help_topics.h"
#include "tools/console/console.h"

#if TESSEL_LINE_EDITING
#include <editline/readline.h>
#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>

#include "tools/console/json_array.h"
#endif

namespace tessel::console {

namespace {

#if TESSEL_LINE_EDITING

// The files and folders whose path starts with `partial`, folders with a "/".
std::vector<std::string> paths(const std::string& partial) {
  const std::string folder = partial.substr(0, partial.rfind('/') + 1);  // empty without a '/': npos + 1 is 0
  const std::string stem = partial.substr(folder.size());
  std::vector<std::string> out;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, stem.size(), stem) != 0 || (stem.empty() && name.front() == '.')) continue;
    out.push_back(folder + name + (entry.is_directory(error) ? "/" : ""));
  }
  return out;
}

// The blank-separated words of a line, a quoted text one word with its
// blanks.
std::vector<std::string> wordsOf(std::string_view line) {
  std::vector<std::string> out;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (!quoted && (c == ' ' || c == '\t')) continue;
    if (i == 0 || (!quoted && (line[i - 1] == ' ' || line[i - 1] == '\t'))) out.emplace_back();
    if (c == '"') quoted = !quoted;
    out.back() += c;
  }
  return out;
}

// An action's written form as words, each parameter slot one word "\x01"
// (a slot with text around it, as in *<text>*, holds it).
std::vector<std::string> usageWords(const catalogue::Action& a) {
  std::string u = usage(a);
  for (std::size_t open = u.find('<'); open != std::string::npos; open = u.find('<', open + 1))
    u.replace(open, u.find('>', open) - open + 1, "\x01");
  return wordsOf(u);
}

// What `help` takes besides names: the formats, the parts of the menus, the
// shell's commands, the command line's commands and the sheet format.
std::vector<std::string> topicsOfHelp() {
  std::vector<std::string> out{"formats"};
  for (const auto& topic : helpTopics()) out.push_back(topic);
  const auto firstWord = [](std::string_view term) { return std::string(term.substr(0, term.find(' '))); };
  for (const auto& c : topics::kShellCommands) out.push_back(firstWord(c.term));
  for (const auto& c : topics::kConsoleHost) {
    const std::string_view term = c.term;
    if (term.rfind("tessel ", 0) == 0 && term[7] != '-') out.push_back(firstWord(term.substr(7)));
    if (term.rfind("sheet ", 0) == 0) out.emplace_back("sheet");
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

// Whole-line completions of what has been typed so far, each once and in
// order: a file path inside an open quoted text (a file's closing the quote),
// an instance name after with, show and drop, a topic after help, an action's
// next word where its words so far match (parameters standing for its
// slots), a command at the start of the line, and an expression name only
// where a parameter or an expression line can stand.
std::set<std::string> completions(const std::string& typed, const Session& session) {
  std::set<std::string> out;
  if (std::count(typed.begin(), typed.end(), '"') % 2 == 1) {
    const std::size_t quote = typed.rfind('"');
    for (const auto& p : paths(typed.substr(quote + 1)))
      out.insert(typed.substr(0, quote + 1) + p + (p.back() == '/' ? "" : "\""));
    return out;
  }
  const std::string indent = typed.substr(0, typed.find_first_not_of(" \t"));  // all of it when all blank
  const std::string start = typed.substr(indent.size());
  for (const char* command : {"with ", "show ", "drop ", "help "}) {
    if (start.rfind(command, 0) != 0 || start.find(' ', std::strlen(command)) != std::string::npos) continue;
    const std::string rest = start.substr(std::strlen(command));
    const std::string lead = indent + command;
    if (std::strcmp(command, "help ") == 0) {
      for (const auto& topic : topicsOfHelp()) {
        if (topic.rfind(lowered(rest), 0) == 0) out.insert(lead + topic);
      }
      return out;
    }
    for (const auto& [name, object] : session.instances()) {
      if (name.rfind(rest, 0) == 0) out.insert(lead + name);
    }
    return out;
  }
  const std::string wanted = lowered(start);
  // A command with an operand it cannot do without comes with a blank after it.
  for (const auto& c : topics::kShellCommands) {
    const std::string_view term = c.term;
    const std::size_t end = term.find(' ');
    const std::string command(term.substr(0, std::isupper(static_cast<unsigned char>(term[end + 1])) ? end + 1 : end));
    if (lowered(command).rfind(wanted, 0) == 0) out.insert(indent + command);
  }
  // The actions whose words so far match: their next word.
  std::vector<std::string> written = wordsOf(start);
  const bool inWord = !start.empty() && start.back() != ' ' && start.back() != '\t';
  const std::string partial = inWord ? written.back() : "";
  if (inWord) written.pop_back();
  const std::string head = typed.substr(0, typed.size() - partial.size());
  bool slotHere = written.empty();  // an expression line
  for (const auto& a : catalogue::kActions) {
    const std::vector<std::string> words = usageWords(a);
    if (words.size() <= written.size()) continue;
    bool matches = true;
    for (std::size_t i = 0; i < written.size() && matches; ++i)
      matches = words[i].find('\x01') != std::string::npos || lowered(words[i]) == lowered(written[i]);
    if (!matches) continue;
    const std::string& next = words[written.size()];
    if (next.find('\x01') != std::string::npos) {
      slotHere = true;
    } else if (lowered(next).rfind(lowered(partial), 0) == 0) {
      out.insert(head + next + (written.size() + 1 < words.size() ? " " : ""));
    }
  }
  const std::size_t fragment = typed.rend() - std::find_if_not(typed.rbegin(), typed.rend(), isNameChar);
  const std::string before = typed.substr(0, fragment);
  const std::size_t last = before.find_last_not_of(" \t");
  const bool inCall = last != std::string::npos && (before[last] == '(' || before[last] == ',');
  if (!slotHere && !inCall && lowered(start).rfind("echo ", 0) != 0) return out;
  const std::string name = typed.substr(fragment);
  for (const auto& e : catalogue::kExpressions) {
    if (lowered(e.name).rfind(lowered(name), 0) == 0) out.insert(before + e.name);
  }
  return out;
}

// The line-editing library calls back without a context pointer, so the
// session whose instances are completed and the candidates of the completion
// under way are kept here for its generator, with the typed bytes that were
// not UTF-8 and a byte read past them, for its reader.
struct Completion {
  const Session* session = nullptr;
  std::vector<std::string> candidates;
  std::size_t next = 0;
  std::string refused;
  int pending = -1;
};

Completion& completion() {
  static Completion state;
  return state;
}

char* nextCandidate(const char*, int state) {
  Completion& c = completion();
  if (state == 0) c.next = 0;
  return c.next < c.candidates.size() ? strdup(c.candidates[c.next++].c_str()) : nullptr;
}

int typedByte(FILE* in) {
  unsigned char byte = 0;
  for (;;) {
    const ssize_t n = ::read(fileno(in), &byte, 1);
    if (n == 1) return byte;
    if (n < 0 && errno == EINTR && !platform::cancelRequested()) continue;
    return -1;  // the end of input, or Ctrl-C
  }
}

// The editor takes each character as one wide value. In a UTF-8 locale its
// own reader drops bytes that are not UTF-8, so they are read here and kept,
// standing in the line as U+FFFD, for the line to be refused.
int typedCharacter(FILE* in) {
  Completion& state = completion();
  const int lead = state.pending >= 0 ? std::exchange(state.pending, -1) : typedByte(in);
  if (lead < 0x80) return lead;
  const std::size_t n = lead >= 0xc2 && lead < 0xe0   ? 2
                        : lead >= 0xe0 && lead < 0xf0 ? 3
                        : lead >= 0xf0 && lead < 0xf5 ? 4
                                                      : 1;
  std::string sequence(1, static_cast<char>(lead));
  while (sequence.size() < n) {
    const int b = typedByte(in);
    if (b < 0) return -1;
    if ((b & 0xc0) != 0x80) {
      state.pending = b;  // the start of what comes next
      break;
    }
    sequence += static_cast<char>(b);
  }
  if (json::utf8Length(sequence, 0) != sequence.size() || sequence.size() != n) {
    state.refused += sequence;
    return 0xfffd;
  }
  char32_t c = 0;
  (void)encoding::Encoding::utf8().next(sequence, 0, true, c);
  return static_cast<int>(c);
}

// The library replaces only the word under the cursor (from `start`), so each
// whole-line completion is handed over from there on.
char** complete(const char*, int start, int) {
  rl_attempted_completion_over = 1;  // tessel's own file names, not the library's
  rl_completion_append_character = '\0';
  const std::string typed(rl_line_buffer, static_cast<std::size_t>(rl_point));
  const std::size_t from = std::min(static_cast<std::size_t>(std::max(start, 0)), typed.size());
  std::vector<std::string>& candidates = completion().candidates;
  candidates.clear();
  for (const std::string& line : completions(typed, *completion().session)) {
    if (line.size() >= from) candidates.push_back(line.substr(from));
  }
  return candidates.empty() ? nullptr : rl_completion_matches(typed.c_str() + from, nextCandidate);
}

// The user's character set while a line is typed: the line editor decodes
// the keys in it (in the C locale it drops every byte beyond ASCII) and hands
// the line back in the same encoding, byte for byte. The module runs in the C
// locale, as in a game, so it is put back before the line runs.
class TypingLocale {
 public:
  TypingLocale() { std::setlocale(LC_CTYPE, ""); }
  ~TypingLocale() { std::setlocale(LC_CTYPE, "C"); }
  TypingLocale(const TypingLocale&) = delete;
  TypingLocale& operator=(const TypingLocale&) = delete;
};

// The history file, saved after each line so that a closed terminal loses
// none, and replaced whole so that a save cut short never empties it. It
// holds what was typed, so it is made readable by its owner only; the
// replacing save keeps that mode.
void saveHistory(const std::string& path, std::ostream& err) {
  try {
    if (const int made = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); made >= 0) ::close(made);
    replaceFile(path, writtenBy([](const std::string& scratch) {
                  if (write_history(scratch.c_str()) != 0) throw UserError("cannot write the history");
                }));
  } catch (const UserError& e) {
    err << "tessel: the history is not saved: " << e.what() << '\n';
  }
}

#endif

}  // namespace

int interactive(Session& session, std::ostream& err) {
  std::cout << "tessel: type help for the catalogue; Ctrl-C cancels a line, quit or " << platform::kEndOfInputKeys
            << " ends\n";
  platform::catchInterrupts();
#if TESSEL_LINE_EDITING
  static char wordBreaks[] = "\n";  // complete whole lines: action words hold blanks
  rl_readline_name = "tessel";
  rl_completer_word_break_characters = wordBreaks;
  rl_attempted_completion_function = complete;
  completion().session = &session;
  {
    // The editor reads the character set once, here. It takes the characters
    // U+0080 to U+00FF (and, in a single-byte locale, those bytes) for meta
    // keys; they are typed text.
    const TypingLocale typing;
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0) rl_getc_function = typedCharacter;
    rl_initialize();
    for (int c = 0x80; c <= 0xff; ++c) rl_bind_key(c, rl_insert);
  }
  using_history();
  stifle_history(1000);
  const char* home = std::getenv("HOME");
  const std::string history = home != nullptr ? std::string(home) + "/.tessel_history" : "";
  if (!history.empty()) read_history(history.c_str());
#endif
  while (!session.quitRequested()) {
    platform::clearCancel();
    const std::string prompt = session.currentName() + (session.inLoop() ? "...> " : "> ");
#if TESSEL_LINE_EDITING
    char* raw = nullptr;
    {
      const TypingLocale typing;
      raw = readline(prompt.c_str());
    }
    completion().pending = -1;
    if (raw == nullptr && !platform::cancelRequested()) break;
    const std::string line = raw != nullptr ? raw : "";
    std::free(raw);  // NOLINT(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory): the line editor mallocs it
    if (const std::string refused = std::exchange(completion().refused, {}); !refused.empty()) {
      const ShowOptions bytes;
      err << "tessel: the line is not run: it holds typed bytes that are not UTF-8, the terminal's encoding ("
          << quoted(refused, bytes) << "); a quoted text may give a byte as \\xNN\n";
      continue;
    }
    if (line.find_first_not_of(" \t") != std::string::npos) {
      add_history(line.c_str());
      if (!history.empty()) saveHistory(history, err);
    }
#else
    std::string line;
    std::cout << prompt << std::flush;
    if (!platform::readTypedLine(line) && !platform::cancelRequested()) break;
    std::cin.clear();
#endif
    if (platform::cancelRequested()) {
      std::cout << "^C\n";  // the line is dropped, and a loop being typed with it
      session.dropLoop();
      continue;
    }
    (void)session.runLine(line, "", err);  // mistakes are told on their line; the shell goes on
  }
  (void)session.endOfInput(err);  // told; leaving is not a failure
#if TESSEL_LINE_EDITING
  completion().session = nullptr;  // the completion state outlives the session it points to
#endif
  std::cout << '\n';
  // Leaving the shell is not a failure, whatever was mistyped on the way.
  return 0;
}

}  // namespace tessel::console
