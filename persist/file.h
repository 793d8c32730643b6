// Whole-file access: every file is opened, used and closed within one call.
// Names are used as given, as single-byte paths; a null name is a file that
// cannot be opened.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace tessel::persist {

// 0 creates or truncates the file; 1 creates it when missing and writes at its end.
enum class WriteMode : uint16_t { replace = 0, append = 1 };

class File {
 public:
  static File openForReading(const char* name);
  static File openForWriting(const char* name, WriteMode mode);

  File(File&& other) noexcept : f_(other.f_) { other.f_ = nullptr; }
  File& operator=(File&&) = delete;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  bool isOpen() const { return f_ != nullptr; }
  // Writes every byte; false when a write fails.
  bool write(std::string_view bytes);
  // Reads up to n bytes; 0 at the end or on failure.
  std::size_t read(char* to, std::size_t n);
  // Whether a read failed (rather than reaching the end), as for a directory.
  bool failed() const { return std::ferror(f_) != 0; }
  // The file's size when the system can tell, else nothing.
  std::optional<std::size_t> sizeHint();

 private:
  explicit File(std::FILE* f) : f_(f) {}
  std::FILE* f_;
};

// The whole content of a file, or nothing when it cannot be opened or read.
// Files longer than `limit` bytes are refused as well.
std::optional<std::string> readWholeFile(const char* name, std::size_t limit = SIZE_MAX);

// Opens, writes every byte and closes; false when the file cannot be opened
// or a write fails.
bool writeWholeFile(const char* name, WriteMode mode, std::string_view bytes);

}  // namespace tessel::persist
