// The file access of one instance: the file system every file goes through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "persist/file.h"

namespace tessel::persist {

// Whether a load replaces the array's content or adds to it.
enum class LoadMode { replace, append };

class FileHandler {
 public:
  explicit FileHandler(const FileSystem& fs = FileSystem::real()) : fs_(&fs) {}

  const FileSystem& fileSystem() const { return *fs_; }

  FileWriter beginSave(const char* name, WriteMode mode) const { return FileWriter(*fs_, name, mode); }
  // The whole file, up to `limit` bytes; empty with a failure when it cannot be read.
  Status read(const char* name, std::string& content, std::size_t limit = SIZE_MAX) const {
    if (standIn_ != nullptr && name != nullptr && standIn_->name_ == name) return standIn_->read(content, limit);
    return readWholeFile(*fs_, name, content, limit);
  }

  // While one lives, bytes a tool holds are what a read of the file `name`
  // gives, so a load runs on them without a copy on the disk.
  class StandIn {
   public:
    StandIn(FileHandler& files, std::string_view name, std::string_view bytes)
        : files_(files), name_(name), bytes_(bytes) {
      files_.standIn_ = this;
    }
    ~StandIn() { files_.standIn_ = nullptr; }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

   private:
    friend class FileHandler;
    Status read(std::string& content, std::size_t limit) const {
      content.clear();
      if (bytes_.size() > limit) return Status::failure(StatusCode::tooLarge, name_);
      content.assign(bytes_);
      return {};
    }

    FileHandler& files_;
    std::string_view name_;
    std::string_view bytes_;
  };

 private:
  const FileSystem* fs_;
  const StandIn* standIn_ = nullptr;
};

}  // namespace tessel::persist
