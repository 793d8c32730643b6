#include "persist/file.h"

#include <sys/stat.h>

#include <climits>

namespace tessel::persist {

namespace {

// Only a plain file is read: a folder, a device (NUL, CON, /dev/zero) or a pipe
// is treated as a file that cannot be opened, on every system.
bool isPlainFile(std::FILE* f) {
#if defined(_WIN32)
  struct _stat info {};
  return _fstat(_fileno(f), &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat info {};
  return fstat(fileno(f), &info) == 0 && S_ISREG(info.st_mode);
#endif
}

}  // namespace

File File::openForReading(const char* name) {
  File file(name != nullptr ? std::fopen(name, "rb") : nullptr);
  if (file.isOpen() && !isPlainFile(file.f_)) return File(nullptr);
  return file;
}

File File::openForWriting(const char* name, WriteMode mode) {
  if (name == nullptr) return File(nullptr);
  return File(std::fopen(name, mode == WriteMode::append ? "ab" : "wb"));
}

File::~File() {
  if (f_ != nullptr) std::fclose(f_);  // NOLINT(cppcoreguidelines-owning-memory): File is the stream's owner
}

bool File::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t n = std::fwrite(bytes.data(), 1, bytes.size(), f_);
    if (n == 0) return false;
    bytes.remove_prefix(n);
  }
  return std::fflush(f_) == 0;
}

std::size_t File::read(char* to, std::size_t n) { return std::fread(to, 1, n, f_); }

std::optional<std::size_t> File::sizeHint() {
  if (std::fseek(f_, 0, SEEK_END) != 0) return std::nullopt;
  const long end = std::ftell(f_);
  if (std::fseek(f_, 0, SEEK_SET) != 0 || end < 0) return std::nullopt;
  return static_cast<std::size_t>(end);
}

std::optional<std::string> readWholeFile(const char* name, std::size_t limit) {
  File file = File::openForReading(name);
  if (!file.isOpen()) return std::nullopt;
  // Sized from the system's idea of the file (trusted up to kTrusted bytes,
  // since devices and directories report odd sizes), then grown as bytes
  // actually arrive: a handful of large reads.
  constexpr std::size_t kStep = std::size_t{1} << 16;
  constexpr std::size_t kTrusted = std::size_t{1} << 26;
  const std::size_t hint = file.sizeHint().value_or(0);
  if (hint > limit) return std::nullopt;
  std::string content((hint < kTrusted ? hint : kTrusted) + 1, '\0');
  std::size_t used = 0;
  for (;;) {
    if (used == content.size()) {
      if (content.size() > limit) return std::nullopt;
      content.resize(content.size() + (content.size() < kStep ? kStep : content.size() / 2));
    }
    const std::size_t n = file.read(&content[used], content.size() - used);
    if (n == 0) break;
    used += n;
  }
  if (file.failed() || used > limit) return std::nullopt;
  content.resize(used);
  return content;
}

bool writeWholeFile(const char* name, WriteMode mode, std::string_view bytes) {
  File file = File::openForWriting(name, mode);
  return file.isOpen() && file.write(bytes);
}

}  // namespace tessel::persist
