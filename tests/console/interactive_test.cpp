// tessel at a terminal: line editing with completion of action labels and
// expression names, and history kept between sessions. The console runs on a
// pseudo-terminal, as a person would use it.
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

namespace {

struct Session {
  std::string output;
  int status = -1;
};

// Runs tessel on a terminal of 10 lines with HOME in `home` (its working
// folder too), PAGER set to `pager` and LC_ALL to `locale`, types `keys` and
// reads everything it prints until it ends; with `hangUp` the terminal is
// closed instead once every key is typed and the console waits at its prompt again.
Session typeInto(const std::string& home, const std::string& keys, const char* pager = "", const char* locale = "C",
                 bool hangUp = false) {
  Session s;
  int terminal = -1;
  winsize size{};
  size.ws_row = 10;
  size.ws_col = 80;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, &size);
  if (child == 0) {
    setenv("HOME", home.c_str(), 1);
    setenv("TERM", "dumb", 1);
    setenv("PAGER", pager, 1);
    setenv("LC_ALL", locale, 1);
    if (chdir(home.c_str()) != 0) _exit(126);
    execl(TESSEL_CONSOLE_PATH, "tessel", "--module", TESSEL_MODULE_PATH, static_cast<char*>(nullptr));
    _exit(127);
  }
  if (child < 0) return s;
  // Type one line at a time, each at a prompt: when the console has printed
  // something since the last line and now waits after "> ".
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  std::size_t typed = 0;
  std::size_t seenWhenTyped = 0;
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
    // "\x1d" sends the key after it a moment later, without waiting for a prompt.
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
    home_ = std::filesystem::temp_directory_path() / ("tessel-home-" + std::to_string(getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(home_);
  }
  void TearDown() override { std::filesystem::remove_all(home_); }
  std::filesystem::path home_;
};

TEST_F(Interactive, TabCompletesActionLabelsAndExpressionNames) {
  // "Append val" completes to the label "Append value ", "siz" to "size(",
  // and a name inside a line to the expression.
  const Session s = typeInto(home_.string(), "Append val\t7\nsiz\t)\necho \"d\" delim\t)\n\x04");
  EXPECT_NE(s.output.find("size() = 1"), std::string::npos) << s.output;
  EXPECT_NE(s.output.find("d ,"), std::string::npos) << s.output;
  ASSERT_TRUE(WIFEXITED(s.status)) << s.output;
  EXPECT_EQ(WEXITSTATUS(s.status), 0);
}

TEST_F(Interactive, MistakesAreReportedAndTheSessionGoesOn) {
  const Session s = typeInto(home_.string(), "Apend value 1\nAppend value 2\nsize()\n\x04");
  EXPECT_NE(s.output.find("did you mean \"Append value <value>\""), std::string::npos) << s.output;
  EXPECT_NE(s.output.find("size() = 1"), std::string::npos) << s.output;
  ASSERT_TRUE(WIFEXITED(s.status));
  EXPECT_EQ(WEXITSTATUS(s.status), 0);  // leaving the shell is no failure, whatever was mistyped
}

TEST_F(Interactive, TypedUtf8ReachesTheModuleByteForByte) {
  // "Épée" and a character beyond the first plane, typed under a UTF-8 locale.
  const Session s = typeInto(home_.string(),
                             "Append string \"\xc3\x89p\xc3\xa9"
                             "e \xf0\x9f\x97\xa1\"\n"
                             "Save to CSV file \"typed.csv\"\nquit\n",
                             "", "C.UTF-8");
  std::ifstream saved(home_ / "typed.csv", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text,
            "\xc3\x89p\xc3\xa9"
            "e \xf0\x9f\x97\xa1\r\n")
      << s.output;
}

TEST_F(Interactive, TypedBytesThatAreNotUtf8RefuseTheLineWithAMessage) {
  // A Windows-1252 "é", and a lead byte followed by no continuation: the
  // line does not run, and the byte after the lead is not lost from the next.
  const Session s = typeInto(home_.string(),
                             "Append string \"caf\xe9 \xc3(\"\n"
                             "Append string \"\xc3\xa9t\xc3\xa9\"\nsize()\nget$(0)\nquit\n",
                             "", "C.UTF-8");
  EXPECT_NE(s.output.find("the line is not run: it holds typed bytes that are not UTF-8, the terminal's encoding "
                          "(\"\\xe9\\xc3\")"),
            std::string::npos)
      << s.output;
  EXPECT_NE(s.output.find("size() = 1"), std::string::npos) << s.output;
  EXPECT_NE(s.output.find("get$(0) = \"\xc3\xa9t\xc3\xa9\""), std::string::npos) << s.output;
}

TEST_F(Interactive, AfterAFailedLoadASaveNeedsForce) {
  std::ofstream(home_ / "level1.csv") << "the real level\n";
  const Session s = typeInto(home_.string(),
                             "Load from CSV file \"levl1.csv\"\nSet string \"fix\" at 0\n"
                             "Save to CSV file \"level1.csv\"\nSave to CSV file \"level1.csv\" --force\nquit\n");
  EXPECT_NE(s.output.find("the load failed: cannot open: levl1.csv"), std::string::npos) << s.output;
  EXPECT_NE(s.output.find("not saved: the last load into \"main\" failed"), std::string::npos) << s.output;
  std::ifstream saved(home_ / "level1.csv");
  const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "fix\r\n");  // only the line with --force wrote
  ASSERT_TRUE(WIFEXITED(s.status)) << s.output;
  EXPECT_EQ(WEXITSTATUS(s.status), 0);  // quit, after mistakes
}

TEST_F(Interactive, HistoryIsKeptForTheNextSession) {
  const mode_t umaskWas = umask(022);  // the common one, which would leave a new file readable by all
  typeInto(home_.string(), "Append value 41\n\x04");
  umask(umaskWas);
  std::ifstream history(home_ / ".tessel_history");
  std::string saved((std::istreambuf_iterator<char>(history)), std::istreambuf_iterator<char>());
  EXPECT_NE(saved.find("41"), std::string::npos) << saved;
  // What was typed is for its owner's eyes only.
  struct stat made {};
  ASSERT_EQ(stat((home_ / ".tessel_history").c_str(), &made), 0);
  EXPECT_EQ(made.st_mode & 0777, 0600u);
  // Arrow up brings the line back in a new session.
  const Session s = typeInto(home_.string(), "\x1b[A\nsize()\n\x04");
  EXPECT_NE(s.output.find("size() = 1"), std::string::npos) << s.output;
}

TEST_F(Interactive, AClosedTerminalLosesNoHistory) {
  typeInto(home_.string(), "Append value 41\n\x04");
  // The window is closed while the console waits at its prompt.
  typeInto(home_.string(), "Append value 42\n", "", "C", true);
  std::ifstream history(home_ / ".tessel_history");
  std::string saved((std::istreambuf_iterator<char>(history)), std::istreambuf_iterator<char>());
  EXPECT_NE(saved.find("41"), std::string::npos) << saved;
  EXPECT_NE(saved.find("42"), std::string::npos) << saved;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home_), {}), 1);  // nothing beside it
}

TEST_F(Interactive, CtrlCDropsTheLineAndTheSessionGoesOn) {
  const Session s = typeInto(home_.string(), "Append value 5\x03size()\nquit\n");
  EXPECT_NE(s.output.find("^C"), std::string::npos) << s.output;
  EXPECT_NE(s.output.find("size() = 0"), std::string::npos) << s.output;
  ASSERT_TRUE(WIFEXITED(s.status)) << s.output;
  EXPECT_EQ(WEXITSTATUS(s.status), 0);  // quit left; Ctrl-C ended nothing
}

TEST_F(Interactive, ALoopIsTypedLineByLineAndCtrlCDropsIt) {
  // The prompt says a loop is being typed; it runs at its end. Ctrl-C drops
  // the loop with the line, so the end after it ends nothing.
  const Session s = typeInto(home_.string(),
                             "for i from 1 to 3\nAppend value i\nend\nsize()\n"
                             "for j from 1 to 2\nAppend value j\x03"
                             "end\nsize()\nquit\n");
  EXPECT_NE(s.output.find("main...> Append value i"), std::string::npos) << s.output;
  EXPECT_NE(s.output.find("end without a for"), std::string::npos) << s.output;
  const std::size_t first = s.output.find("size() = 3");
  ASSERT_NE(first, std::string::npos) << s.output;
  EXPECT_NE(s.output.find("size() = 3", first + 1), std::string::npos) << s.output;  // nothing appended
}

TEST_F(Interactive, TabCompletesInstanceNamesAndFilePaths) {
  std::ofstream(home_ / "scores-2026.csv") << "ann,120\n";
  const Session s =
      typeInto(home_.string(), "new inventory\nwith main\nwith inv\t\nLoad from CSV file \"scores-\t\nsize()\n\x04");
  EXPECT_NE(s.output.find("inventory> "), std::string::npos) << s.output;
  EXPECT_NE(s.output.find("size() = 2"), std::string::npos)
      << s.output;  // the file's name and closing quote came by Tab
}

TEST_F(Interactive, TabOffersOnlyWordsThatCanFollowAndHelpTopics) {
  // After "Sort values " only the action's own next words are offered (no
  // expression name starting with "a"), after a parameter the word that
  // follows it, and after help the topics.
  const Session s = typeInto(home_.string(),
                             "Append value 3\nAppend value 1\nSort values a\t(123)\nSet value 9 a\t1\n"
                             "echo get$(0) get$(1)\nhelp ke\t\nhelp chec\t\n\x04",
                             "cat");
  EXPECT_NE(s.output.find("\n1 9"), std::string::npos) << s.output;
  EXPECT_NE(s.output.find("Actions > Keys"), std::string::npos) << s.output;
  EXPECT_NE(s.output.find("tessel check FILE..."), std::string::npos) << s.output;  // a command line's command
  EXPECT_EQ(s.output.find("expected"), std::string::npos) << s.output;              // no line was mistaken
}

TEST_F(Interactive, CtrlCStopsALongJsonShowAndThePromptStartsAFreshLine) {
  const Session s = typeInto(home_.string(), "Set value 1 at 2000000\nshow --json\n\x1d\x03size()\nquit\n", "cat");
  EXPECT_NE(s.output.find("(cancelled)"), std::string::npos) << s.output.substr(0, 2000);
  EXPECT_NE(s.output.find("\nmain> size()"), std::string::npos) << s.output.substr(s.output.size() - 2000);
  EXPECT_NE(s.output.find("size() = 2000001"), std::string::npos);
}

TEST_F(Interactive, LongOutputGoesThroughThePager) {
  const Session s = typeInto(home_.string(),
                             "Append value 1\nAppend value 2\nAppend value 3\nAppend value 4\nAppend value 5\n"
                             "Append value 6\nAppend value 7\nAppend value 8\nAppend value 9\nshow\n\x04",
                             "sed s/^/paged:/");
  EXPECT_NE(s.output.find("paged:main: 1D, 9 elements"), std::string::npos) << s.output;
  EXPECT_NE(s.output.find("paged:8      value  9"), std::string::npos) << s.output;
}

}  // namespace

// The exit status of tessel run by the shell with `arguments` (quoted by the
// caller), its messages (with `withOutput` its output too) in `err`.
int runTessel(const std::string& arguments, std::string& err, const std::filesystem::path& folder,
              bool withOutput = false) {
  const std::filesystem::path errors = folder / "stderr.txt";
  const std::string command = "timeout 20 '" TESSEL_CONSOLE_PATH "' --module '" TESSEL_MODULE_PATH "' " + arguments +
                              " 2>'" + errors.string() + "'" + (withOutput ? " 1>&2" : "");
  const int status = std::system(command.c_str());
  std::ifstream in(errors);
  err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Interactive, APipeIsRefusedBeforeItIsOpened) {
  const std::string fifo = (home_ / "pipe.arr").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Without a writer an open would wait for ever (timeout's 124).
  const struct {
    std::string command;
    int status;
  } rows[] = {{"show", 1}, {"check", 2}, {"convert", 1}};
  for (const auto& row : rows) {
    std::string err;
    const std::string out = row.command == "convert" ? " '" + (home_ / "out.csv").string() + "'" : "";
    EXPECT_EQ(runTessel(row.command + " '" + fifo + "'" + out, err, home_, true), row.status) << row.command << err;
    EXPECT_NE(err.find("a device or a pipe, not a file"), std::string::npos) << row.command << err;
  }
}

TEST_F(Interactive, OutputThatCannotBeWrittenIsAFailure) {
  std::string err;
  EXPECT_EQ(runTessel("--version >/dev/full", err, home_), 2) << err;
  EXPECT_NE(err.find("cannot write the output"), std::string::npos) << err;
  EXPECT_EQ(runTessel("--version >/dev/null", err, home_), 0) << err;
}

TEST_F(Interactive, CheckSaysWhatNoWriterPutsInAFile) {
  // An empty 1D native file with three bytes after its last record.
  const std::string file = (home_ / "tail.arr").string();
  std::ofstream(file, std::ios::binary) << std::string("QVXARRAY\1\0\1\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0xyz", 29);
  std::string out;
  EXPECT_EQ(runTessel("check '" + file + "'", out, home_, true), 1) << out;
  EXPECT_NE(out.find("damaged: 3 bytes after the last record"), std::string::npos) << out;
}

TEST_F(Interactive, APlainCsvFileIsLoadedWithoutACopy) {
  // No file may grow here (root too), so a copy of the CSV file could not be
  // written; the output goes through a pipe, which the limit does not touch.
  const std::string file = (home_ / "plain.csv").string();
  std::ofstream(file, std::ios::binary) << "a,b\r\nc,d\r\n";
  const std::string command = "(ulimit -f 0; trap '' XFSZ; timeout 20 '" TESSEL_CONSOLE_PATH
                              "' --module '" TESSEL_MODULE_PATH "' show '" +
                              file + "' 2>&1; echo \"status $?\") | cat";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  EXPECT_NE(out.find("status 0"), std::string::npos) << out;
  EXPECT_NE(out.find("c"), std::string::npos) << out;
}
