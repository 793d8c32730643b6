#include "tools/console/terminal.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace tessel::console {

namespace {

// A signal handler can reach nothing but a flag of this type.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) { interrupted = 1; }

}  // namespace

#if defined(_WIN32)

void catchInterrupts() { std::signal(SIGINT, onInterrupt); }

bool outputTakesUtf8() { return GetConsoleOutputCP() == CP_UTF8; }

// The console windows of this system scroll back; no pager.
void page(const std::string& text, std::ostream& out) { out << text; }

#else

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

void page(const std::string& text, std::ostream& out) {
  winsize size{};
  const bool terminal = &out == &std::cout && isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0;
  const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  if (!terminal || size.ws_row == 0 || lines < size.ws_row) {
    out << text;
    return;
  }
  const char* pager = std::getenv("PAGER");
  out.flush();
  FILE* pipe = popen(pager != nullptr && *pager != '\0' ? pager : "less -FRX", "w");
  if (pipe == nullptr) {
    out << text;
    return;
  }
  // The pager ends on its own when the reader quits it; Ctrl-C there is its business.
  std::signal(SIGPIPE, SIG_IGN);
  std::fwrite(text.data(), 1, text.size(), pipe);
  pclose(pipe);
  clearCancel();
}

#endif

bool cancelRequested() { return interrupted != 0; }

void clearCancel() { interrupted = 0; }

}  // namespace tessel::console
