// The file access of one instance: the write mode of its whole-array saves
// (each save sets the mode it was asked for just before writing, and it keeps
// that value afterwards) and the file system every file goes through.
#pragma once

#include <string>

#include "persist/file.h"

namespace tessel::persist {

// Whether a load replaces the array's content or adds to it.
enum class LoadMode { replace, append };

class FileHandler {
 public:
  explicit FileHandler(const FileSystem& fs = FileSystem::real()) : fs_(&fs) {}

  WriteMode writeMode() const { return mode_; }
  void setWriteMode(WriteMode mode) { mode_ = mode; }
  const FileSystem& fileSystem() const { return *fs_; }

  // A save of a whole array in the current write mode.
  FileWriter beginSave(const char* name) const { return FileWriter(*fs_, name, mode_); }
  // The whole file; empty with a failure when it cannot be read.
  Status read(const char* name, std::string& content) const { return readWholeFile(*fs_, name, content); }

 private:
  const FileSystem* fs_;
  WriteMode mode_ = WriteMode::replace;
};

}  // namespace tessel::persist
