#include "tools/console/console.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <langinfo.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>

namespace tessel::console::platform {

namespace {

// A signal handler can reach nothing but a flag of this type.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) { interrupted = 1; }

}  // namespace

#if defined(_WIN32)

std::string defaultModulePath(const char* argv0) {
  std::wstring self(MAX_PATH, L'\0');
  DWORD length = 0;
  // A path longer than the buffer comes back cut, filling it: grow and ask again.
  while ((length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()))) == self.size() &&
         self.size() < 32768) {
    self.resize(self.size() * 2);
  }
  std::error_code error;
  std::filesystem::path program = length > 0 && length < self.size() ? std::filesystem::path(self.substr(0, length))
                                                                     : std::filesystem::absolute(argv0, error);
  // UTF-8, as the console's other file names are on Windows.
  return (program.parent_path() / kModuleFileName).u8string();
}

bool inputIsTerminal() {
  // The C runtime's isatty is also true for the NUL device; only a console has a console mode.
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

std::string createTempFile() {
  char folder[MAX_PATH + 1] = "";
  char path[MAX_PATH + 1] = "";
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length > MAX_PATH || GetTempFileNameA(folder, "tes", 0, path) == 0) return "";
  return path;
}

void prepareStandardStreams() {
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

void catchInterrupts() { std::signal(SIGINT, onInterrupt); }

bool outputTakesUtf8() { return true; }

#else

std::string defaultModulePath(const char* argv0) {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) self = std::filesystem::absolute(argv0, error);
  return (self.parent_path() / kModuleFileName).string();
}

bool inputIsTerminal() { return isatty(STDIN_FILENO) != 0; }

std::string createTempFile() {
  std::error_code ignored;
  std::string path = (std::filesystem::temp_directory_path(ignored) / "tessel-XXXXXX").string();
  const int fd = mkstemp(path.data());
  if (fd < 0) return "";
  close(fd);
  return path;
}

void prepareStandardStreams() {}

void catchInterrupts() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a read waiting for a line returns at once
  sigaction(SIGINT, &action, nullptr);
}

bool outputTakesUtf8() {
  // Only asked, then put back: the module runs in the C locale, as in a game.
  std::setlocale(LC_CTYPE, "");
  const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  std::setlocale(LC_CTYPE, "C");
  return utf8;
}

#endif

// The text is written whole or not at all. The console windows of Windows
// scroll back, so only other systems page it.
void page(std::ostream& out, const std::function<void(std::ostream&)>& print) {
  std::ostringstream buffer;
  print(buffer);
  const std::string text = buffer.str();
#if !defined(_WIN32)
  winsize size{};
  const bool terminal = &out == &std::cout && isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0;
  const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  const char* pager = std::getenv("PAGER");
  out.flush();
  FILE* pipe = terminal && size.ws_row != 0 && lines >= size.ws_row
                   ? popen(pager != nullptr && *pager != '\0' ? pager : "less -FRX", "w")
                   : nullptr;
  if (pipe != nullptr) {
    // The pager ends on its own when the reader quits it; Ctrl-C there is its business.
    std::signal(SIGPIPE, SIG_IGN);
    std::fwrite(text.data(), 1, text.size(), pipe);
    pclose(pipe);
    return clearCancel();
  }
#endif
  // Written in pieces, so Ctrl-C stops a long text at the terminal too.
  constexpr std::size_t kPiece = 1 << 16;
  for (std::size_t at = 0; at < text.size(); at += kPiece) {
    if (cancelRequested()) {
      out << (at > 0 && text[at - 1] != '\n' ? "\n" : "") << "(cancelled)\n";
      return;
    }
    out.write(text.data() + at, static_cast<std::streamsize>(std::min(kPiece, text.size() - at)));
  }
}

bool cancelRequested() { return interrupted != 0; }

void clearCancel() { interrupted = 0; }

}  // namespace tessel::console::platform
