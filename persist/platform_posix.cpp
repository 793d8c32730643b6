// The file layer's system calls on POSIX systems (Linux, and the wasm build's
// emulated file system).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "persist/file.h"
#include "persist/platform.h"

namespace tessel::persist {

namespace {

// A new file not yet linked into its folder (O_TMPFILE): it goes with its last stream.
bool unnamed(std::FILE* f) {
  struct stat st {};
  return ::fstat(::fileno(f), &st) == 0 && st.st_nlink == 0;
}

// Whether unnamed files can be named through /proc/self/fd.
bool procFds() { return ::access("/proc/self/fd", X_OK) == 0; }

}  // namespace

// A device (NUL, CON, /dev/zero) or a pipe is treated as a file that cannot
// be opened, on every system; a folder fails at its first read.
bool isDevice(std::FILE* f) {
  struct stat info {};
  return fstat(fileno(f), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

std::size_t folderLength(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

// How long the folder's part of `name` is once made absolute, as the system counts a path.
std::size_t fullFolderLength(const std::string& name) {
  if (!name.empty() && name[0] == '/') return folderLength(name);
  char cwd[PATH_MAX];
  return (::getcwd(cwd, sizeof cwd) != nullptr ? std::strlen(cwd) + 1 : 0) + folderLength(name);
}

std::uint64_t sizeOf(std::FILE* f) {
  struct stat info {};
  return ::fstat(::fileno(f), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

std::FILE* FileSystem::createNew(const char* name, const char* like) const {
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
    // GCOVR_EXCL_START: fdopen of a descriptor just opened fails only without memory
    const KeptErrno kept;
    struct stat st {};
    const bool named = ::fstat(fd, &st) == 0 && st.st_nlink > 0;
    ::close(fd);
    if (named) ::unlink(name);
    return nullptr;
  }  // GCOVR_EXCL_STOP
  return unbuffered(f);
}

bool FileSystem::flush(std::FILE* f) const {
  if (std::fflush(f) != 0) return false;
  // Files that cannot be synced (a pipe, a device) have nothing more to bring to a disk.
  return ::fsync(::fileno(f)) == 0 || errno == EINVAL || errno == ENOTSUP;
}

bool FileSystem::truncate(std::FILE* f, std::uint64_t length) const {
  if (std::fflush(f) != 0) return false;
  return ::ftruncate(::fileno(f), static_cast<off_t>(length)) == 0;
}

// Hard links: the new file takes the place of this one name only; other
// names of the old file keep the old bytes. On Linux the new file belongs to
// whoever saves it (its permission bits are the old file's).
bool FileSystem::replace(std::FILE* f, const char* temp, const char* to) const {
  // Whatever may throw comes before the stream is released.
  const std::string self = "/proc/self/fd/" + std::to_string(::fileno(f));
  if (unnamed(f)) {
    // Named only now; a name taken meanwhile (EEXIST) leaves the stream to the caller for another try.
    // Where /proc went away meanwhile, the privileged call that names a descriptor itself.
    // GCOVR_EXCL_START: a name taken since it was chosen, or /proc gone and the privileged call refused too
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp, AT_SYMLINK_FOLLOW) != 0 &&
        (errno != ENOENT || ::linkat(::fileno(f), "", AT_FDCWD, temp, AT_EMPTY_PATH) != 0)) {
      if (errno == EEXIST) return false;
      const KeptErrno kept;
      (void)std::fclose(f);  // NOLINT(cppcoreguidelines-owning-memory): the stream is handed over
      return false;
    }  // GCOVR_EXCL_STOP
  }
  if (std::fclose(f) != 0 || !rename(temp, to)) {  // NOLINT(cppcoreguidelines-owning-memory)
    // GCOVR_EXCL_START: a close or rename failing after the bytes were written: a disk failing
    const KeptErrno kept;
    ::unlink(temp);
    return false;
  }  // GCOVR_EXCL_STOP
  return true;
}

bool FileSystem::rename(const char* from, const char* to) const { return std::rename(from, to) == 0; }

bool FileSystem::syncFolder(const char* folder) const {
  const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
  const KeptErrno kept;
  ::close(fd);
  return synced;
}

bool FileSystem::remove(const char* name) const { return ::unlink(name) == 0; }

void FileSystem::discard(std::FILE* f, const char* temp) const {
  const bool goes = unnamed(f);
  (void)std::fclose(f);  // NOLINT(cppcoreguidelines-owning-memory): the stream is handed over
  if (!goes) ::unlink(temp);
}

FileSystem::Kind FileSystem::kindOf(const char* name, std::string& linkTarget) const {
  linkTarget.clear();
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
}

bool FileSystem::writable(const char* name) const {
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
}

std::size_t FileSystem::maxPath() const { return PATH_MAX - 1; }

bool isDevice(const char* name) {
  if (name == nullptr) return false;
  struct stat info {};
  return ::stat(name, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

}  // namespace tessel::persist
