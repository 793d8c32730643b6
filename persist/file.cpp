#include "persist/file.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <exception>
#include <random>

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

// The new file of a replacing save is named ".~" and ten random letters or
// digits (fewer where the folder's path leaves less room), created
// exclusively: whatever is left in the folder can neither block a save nor
// take its bytes, and a save never removes a file it did not create.
constexpr std::size_t kTempLength = 12;
constexpr int kTempAttempts = 64;
constexpr char kTempLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";

std::uint64_t randomBits() {
  try {
    std::random_device device;
    return (std::uint64_t{device()} << 32U) ^ device();
  } catch (const std::exception&) {
    // No entropy source: the clock still varies, and the name is created exclusively.
    return static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
  }
}

std::size_t folderLength(const std::string& name) {
#ifdef _WIN32
  const std::size_t slash = name.find_last_of("/\\:");
#else
  const std::size_t slash = name.rfind('/');
#endif
  return slash == std::string::npos ? 0 : slash + 1;
}

// How long the folder's part of `name` is once made absolute, as the system counts a path.
std::size_t fullFolderLength(const std::string& name) {
#ifdef _WIN32
  const std::size_t base = name.size() - folderLength(name);
  const DWORD full = GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
  return full > base ? full - 1 - base : folderLength(name);
#else
  if (!name.empty() && name[0] == '/') return folderLength(name);
  char cwd[PATH_MAX];
  return (::getcwd(cwd, sizeof cwd) != nullptr ? std::strlen(cwd) + 1 : 0) + folderLength(name);
#endif
}

std::string folderOf(const char* name) {
  const std::string path(name);
  const std::size_t length = folderLength(path);
  return length == 0 ? "." : path.substr(0, length);
}

#ifdef _WIN32
// The system's reason for a failed file call, in errno's terms.
int errnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    default: return EIO;
  }
}

HANDLE handleOf(std::FILE* f) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f))); }

bool markForDeletion(HANDLE h, bool mark) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = mark ? TRUE : FALSE;
  return SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

bool markedForDeletion(HANDLE h) {
  FILE_STANDARD_INFO info{};
  return GetFileInformationByHandleEx(h, FileStandardInfo, &info, sizeof info) != 0 && info.DeletePending != 0;
}

std::string fullName(const char* name) {
  const DWORD size = GetFullPathNameA(name, 0, nullptr, nullptr);
  std::string full(size, '\0');
  const DWORD n = size > 0 ? GetFullPathNameA(name, size, full.data(), nullptr) : 0;
  return n > 0 && n < size ? full.substr(0, n) : std::string(name);
}

// Where the file of `h` really is, however long that name; empty when the system cannot say.
std::string finalPath(HANDLE h) {
  std::string path(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD n = GetFinalPathNameByHandleA(h, path.data(), static_cast<DWORD>(path.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return {};
    if (n < path.size()) return path.substr(0, n);
    path.resize(n + 1);  // the size it needs, its terminator included
  }
  return {};
}
#else
// A new file not yet linked into its folder (O_TMPFILE): it goes with its last stream.
bool unnamed(std::FILE* f) {
  struct stat st {};
  return ::fstat(::fileno(f), &st) == 0 && st.st_nlink == 0;
}

// Whether unnamed files can be named through /proc/self/fd.
bool procFds() { return ::access("/proc/self/fd", X_OK) == 0; }

#endif

std::uint64_t sizeOf(std::FILE* f) {
#ifdef _WIN32
  struct _stati64 info {};
  return _fstati64(_fileno(f), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
#else
  struct stat info {};
  return ::fstat(::fileno(f), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
#endif
}

}  // namespace

const FileSystem& FileSystem::real() {
  static const FileSystem system;  // stateless: every call goes straight to the system
  return system;
}

std::FILE* FileSystem::open(const char* name, const char* mode) const {
  // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): the caller owns the stream until close()
  std::FILE* f = std::fopen(name, mode);
  // The writer gathers its own buffer: each write reaches the system at once,
  // and a failed one leaves nothing pending for a later flush.
  if (f != nullptr && std::strcmp(mode, "rb") != 0) (void)std::setvbuf(f, nullptr, _IONBF, 0);
  return f;
}

std::FILE* FileSystem::createNew(const char* name, const char* like) const {
#ifdef _WIN32
  (void)like;  // replace() has the old file's attributes and security kept
  HANDLE h = CreateFileA(name, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = errnoOf(GetLastError());
    return nullptr;
  }
  // Marked for deletion until replace(): a killed save leaves nothing behind.
  // Where the system cannot mark it, discard() removes it by name.
  (void)markForDeletion(h, true);
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    (void)markForDeletion(h, true);
    CloseHandle(h);
    errno = EMFILE;
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "wb");
  if (f == nullptr) {
    const int reason = errno;
    (void)markForDeletion(h, true);
    _close(fd);
    errno = reason;
    return nullptr;
  }
  (void)std::setvbuf(f, nullptr, _IONBF, 0);
  return f;
#else
  // Created with the old file's permission bits (narrowed by the umask, never
  // wider), so no other user can read a private file's copy, then given them exactly.
  struct stat old {};
  const bool keep = like != nullptr && ::stat(like, &old) == 0;
  const mode_t mode = keep ? (old.st_mode & 07777) : 0666;
  // An unnamed file is named later through /proc; without it (some
  // containers), or on a file system without unnamed files, a named one,
  // removed by discard().
  int fd = procFds() ? ::open(folderOf(name).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode) : -1;
  if (fd < 0 && (!procFds() || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  }
  if (fd < 0) return nullptr;
  if (keep) {
    // The old owner and group where the system allows it (the superuser, or
    // a member of the file's group for the group), then the exact permission
    // bits, which a change of owner may clear.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    (void)::fchmod(fd, mode);
  }
  std::FILE* f = ::fdopen(fd, "wb");
  if (f == nullptr) {
    const int reason = errno;
    struct stat st {};
    const bool named = ::fstat(fd, &st) == 0 && st.st_nlink > 0;
    ::close(fd);
    if (named) ::unlink(name);
    errno = reason;
    return nullptr;
  }
  (void)std::setvbuf(f, nullptr, _IONBF, 0);
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

bool FileSystem::truncate(std::FILE* f, std::uint64_t length) const {
  if (std::fflush(f) != 0) return false;
#ifdef _WIN32
  const errno_t error = _chsize_s(_fileno(f), static_cast<__int64>(length));
  if (error != 0) errno = error;
  return error == 0;
#else
  return ::ftruncate(::fileno(f), static_cast<off_t>(length)) == 0;
#endif
}

bool FileSystem::close(std::FILE* f) const {
  return std::fclose(f) == 0;  // NOLINT(cppcoreguidelines-owning-memory): the caller hands the stream over
}

// Hard links: the new file takes the place of this one name only; other
// names of the old file keep the old bytes. On Linux the new file belongs to
// whoever saves it (its permission bits are the old file's).
bool FileSystem::replace(std::FILE* f, const char* temp, const char* to) const {
  // Whatever may throw comes before the stream is released.
#ifdef _WIN32
  const std::string fullTo = fullName(to), fullTemp = fullName(temp);
  if (!markForDeletion(handleOf(f), false) && markedForDeletion(handleOf(f))) {
    const int reason = errnoOf(GetLastError());
    (void)std::fclose(f);  // NOLINT(cppcoreguidelines-owning-memory): the stream is handed over
    errno = reason;
    return false;
  }
  if (std::fclose(f) != 0) {  // NOLINT(cppcoreguidelines-owning-memory): the stream is handed over
    const int reason = errno;
    (void)DeleteFileA(temp);
    errno = reason;
    return false;
  }
  // ReplaceFileA keeps the old file's attributes and security but takes only
  // full paths on some systems; a plain rename serves where nothing is replaced.
  const DWORD attributes = GetFileAttributesA(fullTo.c_str());
  auto move = [&] {
    return MoveFileExA(fullTemp.c_str(), fullTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  };
  bool done = attributes == INVALID_FILE_ATTRIBUTES ? move() : rename(fullTemp.c_str(), fullTo.c_str());
  // The old file is gone (1176: removed, there being no backup name; 1177:
  // moved aside) but the new one was not moved in: its name is empty, so the
  // new file is moved in plainly, never removed.
  const DWORD why = done ? ERROR_SUCCESS : GetLastError();
  if (why == ERROR_UNABLE_TO_MOVE_REPLACEMENT || why == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) done = move();
  if (!done) {
    const int error = errnoOf(GetLastError());
    const int reason = error == EEXIST ? EIO : error;  // EEXIST would say the stream is still the caller's
    (void)DeleteFileA(fullTemp.c_str());
    errno = reason;
    return false;
  }
  // Not every system carries the hidden and system attributes over.
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  const DWORD now = GetFileAttributesA(fullTo.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && now != INVALID_FILE_ATTRIBUTES &&
      (now & kKept) != (attributes & kKept)) {
    (void)SetFileAttributesA(fullTo.c_str(), (now & ~FILE_ATTRIBUTE_NORMAL) | (attributes & kKept));
  }
  return true;
#else
  const std::string self = "/proc/self/fd/" + std::to_string(::fileno(f));
  if (unnamed(f)) {
    // Named only now; a name taken meanwhile (EEXIST) leaves the stream to the caller for another try.
    // Where /proc went away meanwhile, the privileged call that names a descriptor itself.
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp, AT_SYMLINK_FOLLOW) != 0 &&
        (errno != ENOENT || ::linkat(::fileno(f), "", AT_FDCWD, temp, AT_EMPTY_PATH) != 0)) {
      const int reason = errno;
      if (reason == EEXIST) return false;
      (void)std::fclose(f);  // NOLINT(cppcoreguidelines-owning-memory): the stream is handed over
      errno = reason;
      return false;
    }
  }
  if (std::fclose(f) != 0 || !rename(temp, to)) {  // NOLINT(cppcoreguidelines-owning-memory)
    const int reason = errno;
    ::unlink(temp);
    errno = reason;
    return false;
  }
  return true;
#endif
}

bool FileSystem::rename(const char* from, const char* to) const {
#ifdef _WIN32
  return ReplaceFileA(to, from, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
#else
  return std::rename(from, to) == 0;
#endif
}

bool FileSystem::syncFolder(const char* folder) const {
#ifdef _WIN32
  (void)folder;  // the move was written through
  return true;
#else
  const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
  const int reason = errno;
  ::close(fd);
  errno = reason;
  return synced;
#endif
}

bool FileSystem::remove(const char* name) const {
#ifdef _WIN32
  return DeleteFileA(name) != 0;
#else
  return ::unlink(name) == 0;
#endif
}

void FileSystem::discard(std::FILE* f, const char* temp) const {
#ifdef _WIN32
  const bool goes = markedForDeletion(handleOf(f));
  (void)std::fclose(f);  // NOLINT(cppcoreguidelines-owning-memory): the stream is handed over
  if (!goes) (void)DeleteFileA(temp);
#else
  const bool goes = unnamed(f);
  (void)std::fclose(f);  // NOLINT(cppcoreguidelines-owning-memory): the stream is handed over
  if (!goes) ::unlink(temp);
#endif
}

FileSystem::Kind FileSystem::kindOf(const char* name, std::string& linkTarget) const {
  linkTarget.clear();
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(name);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return GetLastError() == ERROR_FILE_NOT_FOUND ? Kind::missing : Kind::other;
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return Kind::other;
  // A link is told by where the file really is: not every system marks one
  // as a reparse point (some show another system's links as plain files).
  HANDLE h = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  // Closed however finalPath() ends: a handle left open would keep the file from being replaced.
  struct Closer {
    HANDLE h;
    ~Closer() {
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
  } closer{h};
  std::string target = h != INVALID_HANDLE_VALUE ? finalPath(h) : std::string();
  if (target.rfind("\\\\?\\UNC\\", 0) == 0) {
    target = "\\\\" + target.substr(8);
  } else if (target.rfind("\\\\?\\", 0) == 0) {
    target = target.substr(4);
  }
  const bool reparse = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (!reparse && (target.empty() || _stricmp(target.c_str(), fullName(name).c_str()) == 0)) return Kind::plain;
  const DWORD targetAttributes = target.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(target.c_str());
  if (targetAttributes != INVALID_FILE_ATTRIBUTES &&
      (targetAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT)) == 0) {
    linkTarget = target;
  }
  return Kind::link;
#else
  struct stat st {};
  if (::lstat(name, &st) != 0) return errno == ENOENT ? Kind::missing : Kind::other;
  if (S_ISREG(st.st_mode)) return Kind::plain;
  if (!S_ISLNK(st.st_mode)) return Kind::other;
  // Each link's text from its own folder, as the system follows it: no
  // absolute name is made, so a deep folder sets no limit beyond the
  // system's own on the names handed to it. A name it cannot take leaves the
  // target unnamed, and the writer then works through the link itself.
  std::string at(name);
  for (int hop = 0; hop < 40; ++hop) {
    std::string next(256, '\0');
    ssize_t n = 0;
    while ((n = ::readlink(at.c_str(), next.data(), next.size())) >= static_cast<ssize_t>(next.size())) {
      next.resize(next.size() * 2);
    }
    if (n <= 0) return Kind::link;
    next.resize(static_cast<std::size_t>(n));
    if (next[0] != '/') next.insert(0, at.substr(0, folderLength(at)));
    if (::lstat(next.c_str(), &st) != 0) {
      // A link to a file not made yet: the name it holds.
      if (errno == ENOENT) linkTarget = next;
      return Kind::link;
    }
    if (S_ISREG(st.st_mode)) linkTarget = next;
    if (!S_ISLNK(st.st_mode)) return Kind::link;
    at = std::move(next);
  }
  return Kind::link;
#endif
}

bool FileSystem::writable(const char* name) const {
#ifdef _WIN32
  // Checked here too: some systems let an administrator open a read-only file for writing.
  const DWORD attributes = GetFileAttributesA(name);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    errno = EACCES;
    return false;
  }
  HANDLE h = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = errnoOf(GetLastError());
    return false;
  }
  CloseHandle(h);
  return true;
#else
  // A file nobody may write to is protected, also from the superuser, who could open it.
  struct stat st {};
  if (::stat(name, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) {
    errno = EACCES;
    return false;
  }
  // Opening without truncating changes nothing in the file.
  const int fd = ::open(name, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
#endif
}

std::size_t FileSystem::maxPath() const {
#ifdef _WIN32
  return MAX_PATH - 1;
#else
  return PATH_MAX - 1;
#endif
}

FileWriter::FileWriter(const FileSystem& fs, const char* name, WriteMode mode)
    : ByteWriter(fs.bufferSize()), fs_(fs), name_(name != nullptr ? name : ""), target_(name_) {
  if (name == nullptr) {
    status_ = Status::failure(StatusCode::cannotOpen, "", ENOENT);
    return;
  }
  if (isDevice(name)) {
    status_ = refusedDevice(name);
    return;
  }
  std::string linked, ignored;
  const FileSystem::Kind kind = fs_.kindOf(name, linked);
  if (!linked.empty()) target_ = linked;
  const bool exists = kind == FileSystem::Kind::plain ||
                      (!linked.empty() && fs_.kindOf(target_.c_str(), ignored) == FileSystem::Kind::plain);
  // A file the user could not open for writing is not replaced either; nor
  // is one reached through a link whose target has no usable name.
  errno = 0;
  const bool unnamedTarget = kind == FileSystem::Kind::link && linked.empty();
  if ((exists || unnamedTarget) && !fs_.writable(target_.c_str()) && (exists || errno != ENOENT)) {
    fail(StatusCode::cannotOpen);
    return;
  }
  if (mode == WriteMode::append) {
    made_ = !exists && (kind == FileSystem::Kind::missing || !linked.empty());
    openForAppend();
    return;
  }
  if (kind == FileSystem::Kind::other) {
    // A folder (devices and pipes were refused above): opening it fails here.
    path_ = Path::device;
    file_ = fs_.open(name, "wb");
    if (file_ == nullptr) fail(StatusCode::cannotOpen);
    return;
  }
  if (unnamedTarget) {
    // A link that leads nowhere yet, or to a file whose name is too long to
    // use: written through the link, old bytes kept.
    openInPlace();
    return;
  }
  if (openTemp(target_)) return;
  // compat: a folder that refuses new files (no write permission on it) may
  // still hold a writable file, and saving there always worked; so does a
  // name with no room beside it for another. The file is written in place
  // with its old bytes kept for a failure.
  if (errno != EACCES && errno != EPERM && errno != EEXIST && errno != ENAMETOOLONG) {
    fail(StatusCode::cannotOpen);
    return;
  }
  openInPlace();
}

FileWriter::~FileWriter() { abandon(); }

bool FileWriter::nextTempName(const std::string& target) {
  const std::size_t folder = folderLength(target);
  const std::size_t used = fullFolderLength(target);
  const std::size_t limit = fs_.maxPath();
  std::size_t length = kTempLength;
  if (limit != 0 && used + length > limit) length = used < limit ? limit - used : 0;
  if (length == 0) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::uint64_t bits = randomBits();
  temp_.assign(target, 0, folder);
  const std::size_t prefix = length >= 3 ? 2 : 0;
  if (prefix != 0) temp_ += ".~";
  for (std::size_t i = prefix; i < length; ++i) {
    temp_ += kTempLetters[bits % (sizeof kTempLetters - 1)];
    bits /= sizeof kTempLetters - 1;
    if (bits == 0) bits = randomBits();
  }
  return true;
}

bool FileWriter::openTemp(const std::string& target) {
  path_ = Path::replacing;
  folder_ = folderOf(target.c_str());  // made now: nothing may throw once the new file is in place
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    if (!nextTempName(target)) return false;
    errno = 0;
    file_ = fs_.createNew(temp_.c_str(), target.c_str());
    if (file_ != nullptr) return true;
    if (errno != EEXIST) break;
  }
  const int reason = errno;
  temp_.clear();
  errno = reason;
  return false;
}

void FileWriter::openInPlace() {
  path_ = Path::inPlace;
  // Read as the system follows the name (through any link): only a file
  // that is not there has no old bytes to keep.
  const Status read = readWholeFile(fs_, target_.c_str(), old_);
  const bool existed = read.ok() || read.reason() != ENOENT;
  if (existed && !read.ok()) {
    // Old bytes that cannot be kept are not risked.
    status_ = Status::failure(StatusCode::cannotOpen, name_, read.reason() != 0 ? read.reason() : EACCES);
    return;
  }
  errno = 0;
  file_ = fs_.open(target_.c_str(), existed ? "r+b" : "wb");
  if (file_ == nullptr) fail(StatusCode::cannotOpen);
}

void FileWriter::openForAppend() {
  path_ = Path::appending;
  errno = 0;
  file_ = fs_.open(name_.c_str(), "ab");
  if (file_ == nullptr) {
    fail(StatusCode::cannotOpen);
    return;
  }
  oldLength_ = sizeOf(file_);
}

void FileWriter::fail(StatusCode code) {
  if (status_.ok()) status_ = Status::failure(code, name_, errno != 0 ? errno : EIO);
}

void FileWriter::drain(std::string_view bytes) {
  if (failed()) return;
  touched_ = true;
  while (!bytes.empty()) {
    errno = 0;
    const std::size_t n = fs_.write(file_, bytes.data(), bytes.size());
    if (n == 0) {
      fail(StatusCode::writeFailed);
      return;
    }
    const std::size_t taken = n < bytes.size() ? n : bytes.size();
    written_ += taken;
    bytes.remove_prefix(taken);
  }
}

Status FileWriter::commit() {
  drainBuffer();
  Status outcome = path_ == Path::replacing ? commitTemp() : commitInPlace();
  abandon();
  return outcome;
}

Status FileWriter::commitTemp() {
  if (!failed()) {
    errno = 0;
    if (!fs_.flush(file_)) fail(StatusCode::flushFailed);
  }
  for (int attempt = 1; !failed(); ++attempt) {
    errno = 0;
    if (fs_.replace(file_, temp_.c_str(), target_.c_str())) {
      file_ = nullptr;
      temp_.clear();
      errno = 0;
      // The save is done: only its lasting through a power cut is unknown.
      if (!fs_.syncFolder(folder_.c_str())) {
        status_ = Status::failure(StatusCode::ok, name_, errno != 0 ? errno : EIO)
                      .withDetail("the new bytes are in place; their folder could not be synced to the disk");
      }
      break;
    }
    const int reason = errno;
    // The stream is still ours only when the name was taken meanwhile: then another name is tried.
    if (reason == EEXIST && attempt < kTempAttempts && nextTempName(target_)) continue;
    if (reason != EEXIST) {
      file_ = nullptr;
      temp_.clear();
    }
    errno = reason;
    fail(StatusCode::renameFailed);
  }
  return status_;
}

Status FileWriter::commitInPlace() {
  if (!failed() && path_ == Path::inPlace && written_ < old_.size()) {
    touched_ = true;
    errno = 0;
    if (!fs_.truncate(file_, written_)) fail(StatusCode::writeFailed);
  }
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
  if (failed()) {
    putBack();
    return status_;
  }
  return path_ == Path::inPlace ? Status().withDetail("written in place") : Status();
}

// After a failed in-place save or append: the old bytes and length again.
void FileWriter::putBack() noexcept {
  if (path_ == Path::replacing || path_ == Path::device) return;
  const bool appending = path_ == Path::appending;
  if (!touched_ && !made_) return;
  // The failed stream is done with: its own failure is already reported.
  if (file_ != nullptr) (void)fs_.close(file_);
  if (made_) {
    file_ = nullptr;
    status_ = std::move(status_).withDetail(fs_.remove(target_.c_str()) ? "the file it made is removed"
                                                                        : "the file it made could not be removed");
    return;
  }
  file_ = fs_.open(target_.c_str(), "r+b");
  bool restored = file_ != nullptr;
  if (restored && !appending) {
    for (std::string_view rest = old_; restored && !rest.empty();) {
      const std::size_t n = fs_.write(file_, rest.data(), rest.size());
      restored = n != 0;
      rest.remove_prefix(n < rest.size() ? n : rest.size());
    }
  }
  restored = restored && fs_.truncate(file_, appending ? oldLength_ : old_.size()) && fs_.flush(file_);
  if (file_ != nullptr) restored = fs_.close(file_) && restored;
  file_ = nullptr;
  status_ = std::move(status_).withDetail(restored ? "the old bytes are kept" : "the old bytes could not be put back");
}

void FileWriter::abandon() noexcept {
  if (file_ != nullptr) {
    if (path_ == Path::replacing) {
      fs_.discard(file_, temp_.c_str());
    } else {
      (void)fs_.close(file_);
    }
    file_ = nullptr;
  }
  temp_.clear();
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
