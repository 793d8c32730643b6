// The file layer's system calls on Windows.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "persist/file.h"
#include "persist/platform.h"

namespace tessel::persist {

namespace {

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

}  // namespace

// A device (NUL, CON, /dev/zero) or a pipe is treated as a file that cannot
// be opened, on every system; a folder fails at its first read.
bool isDevice(std::FILE* f) {
  struct _stat info {};
  return _fstat(_fileno(f), &info) == 0 && (info.st_mode & _S_IFMT) != _S_IFREG && (info.st_mode & _S_IFMT) != _S_IFDIR;
}

std::size_t folderLength(const std::string& name) {
  const std::size_t slash = name.find_last_of("/\\:");
  return slash == std::string::npos ? 0 : slash + 1;
}

// How long the folder's part of `name` is once made absolute, as the system counts a path.
std::size_t fullFolderLength(const std::string& name) {
  const std::size_t base = name.size() - folderLength(name);
  const DWORD full = GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
  return full > base ? full - 1 - base : folderLength(name);
}

std::uint64_t sizeOf(std::FILE* f) {
  struct _stati64 info {};
  return _fstati64(_fileno(f), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

std::FILE* FileSystem::createNew(const char* name, const char* like) const {
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
    const KeptErrno kept;
    (void)markForDeletion(h, true);
    _close(fd);
    return nullptr;
  }
  return unbuffered(f);
}

bool FileSystem::flush(std::FILE* f) const {
  if (std::fflush(f) != 0) return false;
  return _commit(_fileno(f)) == 0;
}

bool FileSystem::truncate(std::FILE* f, std::uint64_t length) const {
  if (std::fflush(f) != 0) return false;
  const errno_t error = _chsize_s(_fileno(f), static_cast<__int64>(length));
  if (error != 0) errno = error;
  return error == 0;
}

// Hard links: the new file takes the place of this one name only; other
// names of the old file keep the old bytes. On Linux the new file belongs to
// whoever saves it (its permission bits are the old file's).
bool FileSystem::replace(std::FILE* f, const char* temp, const char* to) const {
  // Whatever may throw comes before the stream is released.
  const std::string fullTo = fullName(to), fullTemp = fullName(temp);
  if (!markForDeletion(handleOf(f), false) && markedForDeletion(handleOf(f))) {
    const KeptErrno kept(errnoOf(GetLastError()));
    (void)std::fclose(f);  // NOLINT(cppcoreguidelines-owning-memory): the stream is handed over
    return false;
  }
  if (std::fclose(f) != 0) {  // NOLINT(cppcoreguidelines-owning-memory): the stream is handed over
    const KeptErrno kept;
    (void)DeleteFileA(temp);
    return false;
  }
  // ReplaceFileA keeps the old file's attributes and security but takes only
  // full paths on some systems; a plain rename serves where nothing is replaced.
  const DWORD attributes = GetFileAttributesA(fullTo.c_str());
  auto move = [&] {
    return MoveFileExA(fullTemp.c_str(), fullTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  };
  bool done = attributes == INVALID_FILE_ATTRIBUTES ? move() : rename(fullTemp.c_str(), fullTo.c_str());
  DWORD why = done ? ERROR_SUCCESS : GetLastError();
  // The new file is moved in plainly, never removed, where the old one is
  // gone (1176: removed, there being no backup name; 1177: moved aside) with
  // the new one not moved in, and where both are still where they were: some
  // systems' ReplaceFile first moves the old file to a name of its own beside
  // it, which a folder near the path limit has no room for.
  if (why == ERROR_UNABLE_TO_MOVE_REPLACEMENT || why == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 ||
      (!done && GetFileAttributesA(fullTemp.c_str()) != INVALID_FILE_ATTRIBUTES &&
       GetFileAttributesA(fullTo.c_str()) != INVALID_FILE_ATTRIBUTES)) {
    done = move();
    why = done ? ERROR_SUCCESS : GetLastError();
  }
  if (!done) {
    const int error = errnoOf(why);
    const KeptErrno kept(error == EEXIST ? EIO : error);  // EEXIST would say the stream is still the caller's
    (void)DeleteFileA(fullTemp.c_str());
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
}

bool FileSystem::rename(const char* from, const char* to) const {
  return ReplaceFileA(to, from, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
}

bool FileSystem::syncFolder(const char* folder) const {
  (void)folder;  // the move was written through
  return true;
}

bool FileSystem::remove(const char* name) const { return DeleteFileA(name) != 0; }

void FileSystem::discard(std::FILE* f, const char* temp) const {
  const bool goes = markedForDeletion(handleOf(f));
  (void)std::fclose(f);  // NOLINT(cppcoreguidelines-owning-memory): the stream is handed over
  if (!goes) (void)DeleteFileA(temp);
}

FileSystem::Kind FileSystem::kindOf(const char* name, std::string& linkTarget) const {
  linkTarget.clear();
  const DWORD attributes = GetFileAttributesA(name);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return GetLastError() == ERROR_FILE_NOT_FOUND ? Kind::missing : Kind::other;
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return Kind::other;
  // A link is told by where the file really is: not every system marks one
  // as a reparse point (some show another system's links as plain files).
  HANDLE h = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  std::string target;
  if (h != INVALID_HANDLE_VALUE) {
    // Closed on every way out: a handle left open keeps the file from being replaced.
    const std::unique_ptr<void, decltype(&CloseHandle)> open(h, &CloseHandle);
    target = finalPath(h);
  }
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
}

bool FileSystem::writable(const char* name) const {
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
}

std::size_t FileSystem::maxPath() const { return MAX_PATH - 1; }

bool isDevice(const char* name) {
  if (name == nullptr) return false;
  if ((name[0] == '\\' || name[0] == '/') && (name[1] == '\\' || name[1] == '/') && name[2] == '.' &&
      (name[3] == '\\' || name[3] == '/'))
    return true;
  if (isReservedName(name)) return true;
  struct _stat info {};
  return _stat(name, &info) == 0 && (info.st_mode & _S_IFMT) != _S_IFREG && (info.st_mode & _S_IFMT) != _S_IFDIR;
}

}  // namespace tessel::persist
