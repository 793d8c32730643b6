#include "persist/file.h"

#include <cerrno>
#include <climits>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessel::persist {

namespace {

// A device (NUL, CON, /dev/zero) or a pipe is treated as a file that cannot
// be opened, on every system; a folder fails at its first read.
bool isDevice(std::FILE* f) {
#if defined(_WIN32)
  struct _stat info {};
  return _fstat(_fileno(f), &info) == 0 && (info.st_mode & _S_IFMT) != _S_IFREG && (info.st_mode & _S_IFMT) != _S_IFDIR;
#else
  struct stat info {};
  return fstat(fileno(f), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
#endif
}

#ifdef _WIN32
// The names the system keeps for its devices in every folder, whatever the
// extension or letter case: "nul", "Con.txt", "saves\\aux.ini".
bool isReservedName(const char* name) {
  const char* base = name;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
  }
  std::string stem;
  for (const char* p = base; *p != '\0' && *p != '.'; ++p) {
    stem += static_cast<char>(*p >= 'a' && *p <= 'z' ? *p - 'a' + 'A' : *p);
  }
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" || stem == "CONOUT$")
    return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
         stem[3] <= '9';
}
#endif

Status refusedDevice(const char* name) {
  return Status::failure(StatusCode::cannotOpen, name).withDetail("a device or a pipe, not a file");
}

// Names of the new file a replacing save writes first, tried in turn: one
// left behind by a crash is passed over, never reused.
constexpr int kTempAttempts = 64;

std::string tempName(const std::string& name, int attempt) { return name + ".~tsl" + std::to_string(attempt); }

#ifdef _WIN32
// The system's reason for a failed file call, in errno's terms.
int errnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    default: return EIO;
  }
}
#endif

}  // namespace

const FileSystem& FileSystem::real() {
  static const FileSystem system;  // stateless: every call goes straight to the system
  return system;
}

std::FILE* FileSystem::open(const char* name, const char* mode) const {
  return std::fopen(name, mode);  // NOLINT(cppcoreguidelines-owning-memory): the caller owns the stream until close()
}

std::FILE* FileSystem::createNew(const char* name, const char* like) const {
#ifdef _WIN32
  (void)like;
  const int fd = _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* f = _fdopen(fd, "wb");
  if (f == nullptr) _close(fd);
  return f;
#else
  struct stat old {};
  const bool keep = like != nullptr && ::stat(like, &old) == 0;
  const int fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  // The new file takes the old one's permissions, so a replacing save does not change them.
  if (keep) (void)::fchmod(fd, old.st_mode & 07777);
  std::FILE* f = ::fdopen(fd, "wb");
  if (f == nullptr) {
    const int reason = errno;
    ::close(fd);
    ::unlink(name);
    errno = reason;
  }
  return f;
#endif
}

std::size_t FileSystem::read(std::FILE* f, char* to, std::size_t n) const { return std::fread(to, 1, n, f); }

std::size_t FileSystem::write(std::FILE* f, const char* from, std::size_t n) const {
  return std::fwrite(from, 1, n, f);
}

bool FileSystem::flush(std::FILE* f) const {
  if (std::fflush(f) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(f)) == 0;
#else
  // Files that cannot be synced (a pipe, a device) have nothing more to bring to a disk.
  return ::fsync(::fileno(f)) == 0 || errno == EINVAL || errno == ENOTSUP;
#endif
}

bool FileSystem::close(std::FILE* f) const {
  return std::fclose(f) == 0;  // NOLINT(cppcoreguidelines-owning-memory): the caller hands the stream over
}

bool FileSystem::replace(const char* from, const char* to) const {
#ifdef _WIN32
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  errno = errnoOf(GetLastError());
  return false;
#else
  return std::rename(from, to) == 0;
#endif
}

bool FileSystem::remove(const char* name) const { return std::remove(name) == 0; }

bool FileSystem::replaceable(const char* name) const {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(name);
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
#else
  struct stat st {};
  if (::lstat(name, &st) != 0) return errno == ENOENT;
  return S_ISREG(st.st_mode);
#endif
}

FileWriter::FileWriter(const FileSystem& fs, const char* name, WriteMode mode)
    : ByteWriter(fs.bufferSize()), fs_(fs), name_(name != nullptr ? name : "") {
  if (name == nullptr) {
    status_ = Status::failure(StatusCode::cannotOpen, "", ENOENT);
    return;
  }
  if (isDevice(name)) {
    status_ = refusedDevice(name);
    return;
  }
  if (mode == WriteMode::replace && fs_.replaceable(name)) {
    for (int attempt = 0; attempt < kTempAttempts && file_ == nullptr; ++attempt) {
      // Named before it exists: nothing may throw between creating it and
      // owning it, or it would be left behind.
      temp_ = tempName(name_, attempt);
      file_ = fs_.createNew(temp_.c_str(), name);
      if (file_ != nullptr) break;
      const int reason = errno;
      temp_.clear();
      errno = reason;
      if (reason != EEXIST) break;
    }
    if (file_ != nullptr) return;
    // compat: a folder that refuses new files (no write permission on it) may
    // still hold a writable file; saving there always worked, so the file is
    // written in place, and a failure halfway can then cut it short.
    if (errno != EACCES && errno != EPERM) {
      fail(StatusCode::cannotOpen);
      return;
    }
  }
  file_ = fs_.open(name, mode == WriteMode::append ? "ab" : "wb");
  if (file_ == nullptr) fail(StatusCode::cannotOpen);
}

FileWriter::~FileWriter() { abandon(); }

void FileWriter::fail(StatusCode code) {
  if (status_.ok()) status_ = Status::failure(code, name_, errno != 0 ? errno : EIO);
}

void FileWriter::drain(std::string_view bytes) {
  if (failed()) return;
  while (!bytes.empty()) {
    errno = 0;
    const std::size_t n = fs_.write(file_, bytes.data(), bytes.size());
    if (n == 0) {
      fail(StatusCode::writeFailed);
      return;
    }
    bytes.remove_prefix(n < bytes.size() ? n : bytes.size());
  }
}

Status FileWriter::commit() {
  drainBuffer();
  if (!failed()) {
    errno = 0;
    if (!fs_.flush(file_)) fail(StatusCode::flushFailed);
  }
  if (file_ != nullptr) {
    errno = 0;
    const bool closed = fs_.close(file_);
    file_ = nullptr;
    if (!closed) fail(StatusCode::closeFailed);
  }
  if (!failed() && !temp_.empty()) {
    errno = 0;
    if (fs_.replace(temp_.c_str(), name_.c_str())) {
      temp_.clear();
    } else {
      fail(StatusCode::renameFailed);
    }
  }
  abandon();
  return status_;
}

void FileWriter::abandon() noexcept {
  if (file_ != nullptr) {
    (void)fs_.close(file_);
    file_ = nullptr;
  }
  if (!temp_.empty()) {
    (void)fs_.remove(temp_.c_str());
    temp_.clear();
  }
}

bool isDevice(const char* name) {
  if (name == nullptr) return false;
#ifdef _WIN32
  if ((name[0] == '\\' || name[0] == '/') && (name[1] == '\\' || name[1] == '/') && name[2] == '.' &&
      (name[3] == '\\' || name[3] == '/'))
    return true;
  if (isReservedName(name)) return true;
  struct _stat info {};
  return _stat(name, &info) == 0 && (info.st_mode & _S_IFMT) != _S_IFREG && (info.st_mode & _S_IFMT) != _S_IFDIR;
#else
  struct stat info {};
  return ::stat(name, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
#endif
}

Status readWholeFile(const FileSystem& fs, const char* name, std::string& content, std::size_t limit) {
  content.clear();
  if (name == nullptr) return Status::failure(StatusCode::cannotOpen, "", ENOENT);
  // Checked before opening: opening a pipe waits for a writer.
  if (isDevice(name)) return refusedDevice(name);
  std::FILE* f = fs.open(name, "rb");
  if (f == nullptr) return Status::failure(StatusCode::cannotOpen, name, errno);
  struct Closer {
    const FileSystem& fs;
    std::FILE* f;
    ~Closer() { (void)fs.close(f); }  // nothing was written: a close failure loses nothing
  } closer{fs, f};
  if (isDevice(f)) return Status::failure(StatusCode::cannotOpen, name);
  // Sized from the system's idea of the file (trusted up to kTrusted bytes,
  // since devices and directories report odd sizes), then grown as bytes
  // actually arrive: a handful of large reads.
  constexpr std::size_t kStep = std::size_t{1} << 16;
  constexpr std::size_t kTrusted = std::size_t{1} << 26;
  std::size_t hint = 0;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long end = std::ftell(f);
    if (std::fseek(f, 0, SEEK_SET) == 0 && end > 0) hint = static_cast<std::size_t>(end);
  }
  std::clearerr(f);
  // One byte first: a file that opens but cannot be read (a directory)
  // fails here, whatever size it claims.
  char first = 0;
  errno = 0;
  if (fs.read(f, &first, 1) == 0) {
    if (std::ferror(f) != 0) return Status::failure(StatusCode::readFailed, name, errno != 0 ? errno : EIO);
    return {};
  }
  if (hint > limit) return Status::failure(StatusCode::tooLarge, name);
  content.resize((hint < kTrusted ? hint : kTrusted) + 1);
  content[0] = first;
  std::size_t used = 1;
  for (;;) {
    if (used == content.size()) {
      if (content.size() > limit) break;
      content.resize(content.size() + (content.size() < kStep ? kStep : content.size() / 2));
    }
    errno = 0;
    const std::size_t n = fs.read(f, &content[used], content.size() - used);
    if (n == 0) break;
    used += n;
  }
  if (used > limit) {
    content.clear();
    return Status::failure(StatusCode::tooLarge, name);
  }
  if (std::ferror(f) != 0) {
    const int reason = errno != 0 ? errno : EIO;
    content.clear();
    return Status::failure(StatusCode::readFailed, name, reason);
  }
  content.resize(used);
  return {};
}

}  // namespace tessel::persist
