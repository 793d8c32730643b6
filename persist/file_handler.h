// The file access of the whole-array formats, with its write mode. Each save
// sets the mode it was asked for just before writing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "persist/file.h"

namespace tessel::persist {

// Whether a load replaces the array's content or adds to it.
enum class LoadMode { replace, append };

class FileHandler {
 public:
  WriteMode writeMode() const { return mode_; }
  void setWriteMode(WriteMode mode) { mode_ = mode; }

  // Writes the bytes of an image in the current write mode; a file that
  // cannot be opened is left alone.
  bool write(const char* name, std::string_view bytes) const { return writeWholeFile(name, mode_, bytes); }
  // The whole file, or nothing when it cannot be opened.
  std::optional<std::string> read(const char* name) const { return readWholeFile(name); }

 private:
  WriteMode mode_ = WriteMode::replace;
};

}  // namespace tessel::persist
