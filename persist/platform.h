// What the save logic and the whole-file reader ask of the system beyond the
// FileSystem calls; each system's file (platform_posix.cpp,
// platform_windows.cpp) gives these and the FileSystem calls it alone has.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tessel::persist {

// Whether the open stream is a device or a pipe (a folder is not).
bool isDevice(std::FILE* f);
// How long the folder's part of `name` is, its last separator included; 0 when it has none.
std::size_t folderLength(const std::string& name);
// How long the folder's part of `name` is once made absolute, as the system counts a path.
std::size_t fullFolderLength(const std::string& name);
// The stream's file length, or 0 when the system cannot say.
std::uint64_t sizeOf(std::FILE* f);

// Puts errno back as it was made when it goes, so that clean-up calls after a
// failure leave the caller the failure's own reason.
class KeptErrno {
 public:
  KeptErrno() = default;
  explicit KeptErrno(int reason) : reason_(reason) {}
  KeptErrno(const KeptErrno&) = delete;
  KeptErrno& operator=(const KeptErrno&) = delete;
  ~KeptErrno() { errno = reason_; }

 private:
  int reason_ = errno;
};

// A save's stream writes straight through: the save logic brings whole
// buffers and flushes itself.
inline std::FILE* unbuffered(std::FILE* f) {
  if (f != nullptr) (void)std::setvbuf(f, nullptr, _IONBF, 0);
  return f;
}

inline std::string folderOf(const char* name) {
  const std::string path(name);
  const std::size_t length = folderLength(path);
  return length == 0 ? "." : path.substr(0, length);
}

}  // namespace tessel::persist
