// tessel at a terminal (line editing, completion, Ctrl-C, history, the
// pager), run on a pseudo-terminal as a person would use it.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Session {
  std::string output;
  int status = -1;
};

// Runs tessel on a UTF-8 terminal of 10 lines with HOME and the working folder
// in `home` and a pager that marks its lines, types `keys` one line at a time,
// each at a prompt ("\x1d" sends the key after it a moment later, without
// waiting for one), and reads all it prints; with `hangUp` the terminal is
// closed at the prompt after the last key.
Session typeInto(const fs::path& home, const std::string& keys, bool hangUp = false) {
  Session s;
  int terminal = -1;
  winsize size{10, 80, 0, 0};  // rows, columns
  const pid_t child = forkpty(&terminal, nullptr, nullptr, &size);
  if (child == 0) {
    setenv("HOME", home.c_str(), 1);
    setenv("TERM", "dumb", 1);
    setenv("PAGER", "sed s/^/paged:/", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    if (chdir(home.c_str()) != 0) _exit(126);
    execl(TESSEL_CONSOLE_PATH, "tessel", "--module", TESSEL_MODULE_PATH, static_cast<char*>(nullptr));
    _exit(127);
  }
  if (child < 0) return s;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  std::size_t typed = 0, seenWhenTyped = 0;
  auto lastTyped = std::chrono::steady_clock::now();
  char buffer[4096];
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{terminal, POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      const ssize_t n = read(terminal, buffer, sizeof buffer);
      if (n <= 0) break;  // the console has ended
      s.output.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    const bool atPrompt =
        s.output.size() > seenWhenTyped && s.output.size() >= 2 && s.output.compare(s.output.size() - 2, 2, "> ") == 0;
    if (typed + 1 < keys.size() && keys[typed] == '\x1d' &&
        std::chrono::steady_clock::now() > lastTyped + std::chrono::milliseconds(300)) {
      if (write(terminal, keys.data() + typed + 1, 1) < 0) break;
      typed += 2;
      continue;
    }
    if (hangUp && typed == keys.size() && atPrompt) break;
    if (typed < keys.size() && atPrompt) {
      std::size_t end = keys.find_first_of("\n\x03\x04", typed);
      end = end == std::string::npos ? keys.size() : end + 1;
      if (write(terminal, keys.data() + typed, end - typed) < 0) break;
      typed = end;
      seenWhenTyped = s.output.size();
      lastTyped = std::chrono::steady_clock::now();
    }
  }
  close(terminal);
  waitpid(child, &s.status, 0);
  return s;
}

class Interactive : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() / ("tessel-home-" + std::to_string(getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(home_);
  }
  void TearDown() override { fs::remove_all(home_); }
  fs::path home_;
};

TEST_F(Interactive, TypedLinesAndWhatTheTerminalShows) {
  const struct {
    const char* keys;
    std::vector<std::string> shown;  // in this order
    const char* never;
  } sessions[] = {
      // Tab completes action labels, expression names, and names inside a line.
      {"Append val\t7\nsiz\t)\necho \"d\" delim\t)\n\x04", {"size() = 1", "d ,"}, "expected"},
      // After "Sort values " only the action's own next words, after a parameter the
      // word that follows it, after help the topics and the command line's commands.
      {"Append value 3\nAppend value 1\nSort values a\t(123)\nSet value 9 a\t1\necho get$(0) get$(1)\n"
       "help ke\t\nhelp chec\t\n\x04",
       {"\n1 9", "Actions > Keys", "tessel check FILE..."},
       "expected"},
      // Instance names and file paths, the closing quote too.
      {"new inventory\nwith main\nwith inv\t\nLoad from CSV file \"scores-\t\nsize()\n\x04",
       {"inventory> ", "size() = 2"},
       "cannot open"},
      // A mistake is told and the session goes on, Ctrl-C drops the line being typed; leaving is no failure.
      {"Apend value 1\nAppend value 5\x03size()\nquit\n",
       {"did you mean \"Append value <value>\"", "^C", "size() = 0"},
       "size() = 1"},
      // A loop is typed line by line under its own prompt; Ctrl-C drops it, so the end after it ends nothing.
      // Long output goes through the pager.
      {"for i from 1 to 9\nAppend value i\nend\nsize()\nfor j from 1 to 2\nAppend value j\x03"
       "end\nsize()\nshow\nquit\n",
       {"main...> Append value i", "size() = 9", "end without a for", "size() = 9", "paged:main: 1D, 9 elements",
        "paged:8      value  9"},
       "\nmain: 1D"},
      // Typed bytes that are not UTF-8 refuse the line, and the byte after a lead is not lost from the next;
      // typed UTF-8 (beyond the first plane too) is saved as it was typed.
      {"Append string \"caf\xe9 \xc3(\"\nAppend string \"\xc3\xa9t\xc3\xa9 \xf0\x9f\x97\xa1\"\nsize()\nget$(0)\n"
       "Save to CSV file \"typed.csv\"\nquit\n",
       {"the line is not run: it holds typed bytes that are not UTF-8, the terminal's encoding (\"\\xe9\\xc3\")",
        "size() = 1", "get$(0) = \"\xc3\xa9t\xc3\xa9 \xf0\x9f\x97\xa1\""},
       "size() = 2"},
      // After a failed load a save writes only with --force.
      {"Load from CSV file \"levl1.csv\"\nSet string \"fix\" at 0\nSave to CSV file \"level1.csv\"\n"
       "Save to CSV file \"level1.csv\" --force\nquit\n",
       {"the load failed: cannot open: levl1.csv", "not saved: the last load into \"main\" failed"},
       "expected"},
      // Ctrl-C stops a long show, and the prompt starts a fresh line.
      {"Set value 1 at 2000000\nshow --json\n\x1d\x03size()\nquit\n",
       {"(cancelled)", "\nmain> size()", "size() = 2000001"},
       "\"index\": 2000000"},
  };
  std::ofstream(home_ / "scores-2026.csv") << "ann,120\n";
  std::ofstream(home_ / "level1.csv") << "the real level\n";
  for (const auto& row : sessions) {
    SCOPED_TRACE(row.keys);
    const Session s = typeInto(home_, row.keys);
    std::size_t at = 0;
    for (const std::string& told : row.shown) {
      at = s.output.find(told, at);
      ASSERT_NE(at, std::string::npos) << told << "\n" << s.output.substr(0, 4000);
      at += told.size();
    }
    EXPECT_EQ(s.output.find(row.never), std::string::npos) << s.output.substr(0, 4000);
    EXPECT_TRUE(WIFEXITED(s.status) && WEXITSTATUS(s.status) == 0) << s.output.substr(0, 4000);
  }
  EXPECT_EQ(contents(home_ / "typed.csv"), "\xc3\xa9t\xc3\xa9 \xf0\x9f\x97\xa1\r\n");
  EXPECT_EQ(contents(home_ / "level1.csv"), "fix\r\n");  // only the line with --force wrote
}

TEST_F(Interactive, HistoryIsTheOwnersOnlyAndSurvivesAClosedTerminal) {
  const mode_t umaskWas = umask(022);  // the common one, which would leave a new file readable by all
  typeInto(home_, "Append value 41\n\x04");
  umask(umaskWas);
  struct stat made {};
  ASSERT_EQ(stat((home_ / ".tessel_history").c_str(), &made), 0);
  EXPECT_EQ(made.st_mode & 0777, 0600u);
  // Arrow up brings the line back in a new session, whose terminal is then closed at the prompt.
  const Session s = typeInto(home_, "\x1b[A\nsize()\n", true);
  EXPECT_NE(s.output.find("size() = 1"), std::string::npos) << s.output;
  const std::string saved = contents(home_ / ".tessel_history");
  EXPECT_NE(saved.find("size()"), std::string::npos) << saved;
  EXPECT_EQ(std::distance(fs::directory_iterator(home_), {}), 1);  // no scratch file left beside it
}

}  // namespace
