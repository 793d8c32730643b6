// Whole-file access: every file is opened, used and closed within one call.
// Names are used as given, as single-byte paths; a null name is a file that
// cannot be opened. Every step's outcome travels up as a Status.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

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

  // fopen with "rb", "wb" or "ab".
  virtual std::FILE* open(const char* name, const char* mode) const;
  // Creates a file that must not exist yet (errno EEXIST when it does), for
  // writing, with the permissions of `like` when that file exists.
  virtual std::FILE* createNew(const char* name, const char* like) const;
  virtual std::size_t read(std::FILE* f, char* to, std::size_t n) const;
  virtual std::size_t write(std::FILE* f, const char* from, std::size_t n) const;
  // Brings written bytes to the disk.
  virtual bool flush(std::FILE* f) const;
  // Releases the stream whatever the result.
  virtual bool close(std::FILE* f) const;
  // Renames `from` over `to`, replacing it.
  virtual bool replace(const char* from, const char* to) const;
  virtual bool remove(const char* name) const;
  // Whether a new file may take the place of `name`: it is missing or a
  // plain file (not a device, a directory or a link).
  virtual bool replaceable(const char* name) const;
  // How many bytes a save gathers before each write.
  virtual std::size_t bufferSize() const { return ByteWriter::kBufferSize; }
};

// A save in progress. A replacing save writes a new file beside the target
// and renames it over the target only once every byte is written, flushed
// and closed; a save that fails or is dropped before commit() removes the
// new file, so the old one stays byte for byte. An appending save writes at
// the end of the file itself. After the first failure further bytes are
// ignored and commit() reports that failure.
class FileWriter final : public ByteWriter {
 public:
  FileWriter(const FileSystem& fs, const char* name, WriteMode mode);
  ~FileWriter() override;
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  bool failed() const override { return !status_.ok(); }
  Status commit();

 private:
  void drain(std::string_view bytes) override;
  void fail(StatusCode code);
  void abandon() noexcept;

  const FileSystem& fs_;
  std::string name_;
  std::string temp_;  // empty when writing in place
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
