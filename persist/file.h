// Whole-file access: every file is opened, used and closed within one call.
// Names are used as given, as single-byte paths; a null name is a file that
// cannot be opened. Every step's outcome travels up as a Status.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "core/status.h"
#include "persist/byte_io.h"

namespace tessel::persist {

// 0 creates or truncates the file; 1 creates it when missing and writes at its end.
enum class WriteMode : uint16_t { replace = 0, append = 1 };

// The system calls of the file layer. A failing call returns null, a short
// count or false and leaves its reason in errno. Tests put a failing one in
// place; everything else uses real().
class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  static const FileSystem& real();

  // fopen with "rb", "r+b", "wb" or "ab"; a stream opened for writing is unbuffered.
  virtual std::FILE* open(const char* name, const char* mode) const;
  // A new file for writing that must not exist yet under `name` (errno
  // EEXIST when it does), created with the permissions of `like` when that
  // file exists. Until replace() gives it a place, the folder shows it under
  // no name where the system allows (on Linux an unnamed file, on Windows one
  // marked for deletion), so that a killed save leaves nothing behind.
  virtual std::FILE* createNew(const char* name, const char* like) const;
  virtual std::size_t read(std::FILE* f, char* to, std::size_t n) const;
  virtual std::size_t write(std::FILE* f, const char* from, std::size_t n) const;
  // Brings written bytes to the disk.
  virtual bool flush(std::FILE* f) const;
  // Cuts the file (or grows it with zeros) to `length` bytes.
  virtual bool truncate(std::FILE* f, std::uint64_t length) const;
  // Releases the stream whatever the result.
  virtual bool close(std::FILE* f) const;
  // Gives the finished, flushed file `f` of createNew(`temp`) the place of
  // `to`, keeping what the old `to` had (permissions, owner and group where
  // the system allows, attributes, security). Releases the stream
  // whatever the result; on failure nothing is left under `temp` unless errno
  // is EEXIST (`temp` was taken meanwhile: try again under another name).
  virtual bool replace(std::FILE* f, const char* temp, const char* to) const;
  // Gives the closed file `from` the name `to`, replacing what is there (on
  // Windows with ReplaceFileA, which keeps the old file's attributes and
  // security, leaving its reason in GetLastError).
  virtual bool rename(const char* from, const char* to) const;
  // Brings the folder's entries to the disk, so that a new name survives a power cut.
  virtual bool syncFolder(const char* folder) const;
  virtual bool remove(const char* name) const;
  // Releases a stream of createNew(`temp`) and its file.
  virtual void discard(std::FILE* f, const char* temp) const;
  // What is at `name`, and for a link a name of the plain file it leads to,
  // or of the missing one it names (empty when neither, or when that name
  // is longer than the system takes).
  enum class Kind { missing, plain, link, other };
  virtual Kind kindOf(const char* name, std::string& linkTarget) const;
  // Whether an existing file may be opened for writing (not read-only, not
  // denied to this user; one without any write permission is refused even
  // to the superuser); errno says why not.
  virtual bool writable(const char* name) const;
  // The longest path the system takes, or 0 when it has no such limit.
  virtual std::size_t maxPath() const;
  // How many bytes a save gathers before each write.
  virtual std::size_t bufferSize() const { return ByteWriter::kBufferSize; }
};

// A save in progress; its bytes either all reach the file or the file keeps
// its old bytes.
// - Replace, plain file (or a link, through to the file it leads to): a new
//   file beside the target, under an unpredictable name, created exclusively,
//   takes the target's place once every byte is written and flushed.
// - Replace where no new file can be made (a folder that refuses new files,
//   a name too long for one): the target is written in place; its old bytes
//   are read first and written back when the save fails, and the outcome
//   says "written in place".
// - Append: the target's length is noted and it is cut back to it when the
//   save fails; a file the append made is removed.
// A replacing save whose folder cannot be synced after the new file took its
// place succeeds with that said in its detail.
// - A device, or anything else that is not a file, is written as it is.
// A save into an existing file that could not be opened for writing fails
// with cannotOpen and touches nothing. After the first failure further bytes
// are ignored and commit() reports that failure.
class FileWriter final : public ByteWriter {
 public:
  FileWriter(const FileSystem& fs, const char* name, WriteMode mode);
  ~FileWriter() override;
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  bool failed() const override { return !status_.ok(); }
  Status commit();

 private:
  enum class Path { replacing, inPlace, appending, device };

  void drain(std::string_view bytes) override;
  void fail(StatusCode code);
  bool openTemp(const std::string& target);
  bool nextTempName(const std::string& target);
  void openInPlace();
  void openForAppend();
  Status commitTemp();
  Status commitInPlace();
  void putBack() noexcept;
  void abandon() noexcept;

  const FileSystem& fs_;
  std::string name_;
  std::string target_;  // the file written: name_, or the file a link leads to
  std::string temp_;    // the new file's name on the replacing path
  std::string folder_;  // its folder
  std::string old_;     // the old bytes, on the in-place path
  std::uint64_t oldLength_ = 0;
  std::uint64_t written_ = 0;
  bool touched_ = false;  // the target itself may have changed
  bool made_ = false;     // an append that creates its file: removed when it fails
  Path path_ = Path::replacing;
  std::FILE* file_ = nullptr;
  Status status_;
};

// Whether `name` is a device or a pipe (NUL, CON, COM1, LPT1 with or without
// an extension, \\.\ names on Windows; FIFOs, sockets and device files
// elsewhere). Loads and saves refuse one before opening it: opening a pipe
// can block for ever, and writing to a device writes to the console or a port.
bool isDevice(const char* name);

// The whole content of a file into `content`. Files longer than `limit`
// bytes are refused (tooLarge); on any failure `content` is left empty.
Status readWholeFile(const FileSystem& fs, const char* name, std::string& content, std::size_t limit = SIZE_MAX);

}  // namespace tessel::persist
