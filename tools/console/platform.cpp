#include "tools/console/platform.h"

#include <filesystem>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#else
#include <stdlib.h>
#include <unistd.h>
#endif

namespace tessel::console::platform {

#if defined(_WIN32)

const char kModuleFileName[] = "tessel.dll";
const char kEndOfInputKeys[] = "Ctrl-Z and Enter";

std::string defaultModulePath(const char* argv0) {
  std::string self(MAX_PATH, '\0');
  DWORD length = 0;
  // A path longer than the buffer comes back cut, filling it: grow and ask again.
  while ((length = GetModuleFileNameA(nullptr, self.data(), static_cast<DWORD>(self.size()))) == self.size() &&
         self.size() < 32768) {
    self.resize(self.size() * 2);
  }
  std::error_code error;
  std::filesystem::path program = length > 0 && length < self.size() ? std::filesystem::path(self.substr(0, length))
                                                                     : std::filesystem::absolute(argv0, error);
  return (program.parent_path() / kModuleFileName).string();
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

#else

const char kModuleFileName[] = "libtessel.so";
const char kEndOfInputKeys[] = "Ctrl-D";

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

#endif

}  // namespace tessel::console::platform
