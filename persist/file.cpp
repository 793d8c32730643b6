// The save logic and the whole-file reader above the system calls of
// platform_posix.cpp and platform_windows.cpp.
#include "persist/file.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <random>

#include "persist/platform.h"

namespace tessel::persist {

namespace {

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
  } catch (const std::exception&) {  // GCOVR_EXCL_START: no test can take the entropy source away
    // No entropy source: the clock still varies, and the name is created exclusively.
    return static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
  }  // GCOVR_EXCL_STOP
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

std::size_t FileSystem::read(std::FILE* f, char* to, std::size_t n) const { return std::fread(to, 1, n, f); }

std::size_t FileSystem::write(std::FILE* f, const char* from, std::size_t n) const {
  return std::fwrite(from, 1, n, f);
}

bool FileSystem::close(std::FILE* f) const {
  return std::fclose(f) == 0;  // NOLINT(cppcoreguidelines-owning-memory): the caller hands the stream over
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
  temp_.clear();  // leaves errno as the last try made it
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
