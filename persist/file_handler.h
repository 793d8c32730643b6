// The file access of one instance: the file system every file goes through.
#pragma once

#include <string>

#include "persist/file.h"

namespace tessel::persist {

// Whether a load replaces the array's content or adds to it.
enum class LoadMode { replace, append };

class FileHandler {
 public:
  explicit FileHandler(const FileSystem& fs = FileSystem::real()) : fs_(&fs) {}

  const FileSystem& fileSystem() const { return *fs_; }

  FileWriter beginSave(const char* name, WriteMode mode) const { return FileWriter(*fs_, name, mode); }
  // The whole file; empty with a failure when it cannot be read.
  Status read(const char* name, std::string& content) const { return readWholeFile(*fs_, name, content); }

 private:
  const FileSystem* fs_;
};

}  // namespace tessel::persist
