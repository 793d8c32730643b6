// The outcome of an operation that can fail for reasons outside the array:
// what failed, on which file, and the system's reason (an errno value). The
// host is never told; the console and the tests read it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace tessel {

enum class StatusCode : int32_t {
  ok = 0,
  cannotOpen = 1,    // the file cannot be opened or created
  readFailed = 2,    // reading stopped before the end of the file
  writeFailed = 3,   // a write did not take every byte (a full disk, a quota)
  flushFailed = 4,   // the written bytes could not be brought to the disk
  closeFailed = 5,   // closing reported a late write failure
  renameFailed = 6,  // the finished file could not take the old one's place
  badFormat = 7,     // the file is not of the kind the load expects
  tooLarge = 8,      // the file or the array does not fit what the format or a cell can hold
  outOfMemory = 9,   // the operation could not get its memory and changed nothing
  noElement = 10,    // the index names no element
  damaged = 11,      // the file ends early or holds a malformed record; what could be read was loaded
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status failure(StatusCode code, std::string_view file = {}, int reason = 0) {
    return Status(code, file, reason);
  }

  // The same outcome with a fact about it: why it failed beyond the system's
  // reason ("too large for the array: 36000000 cells"), or on success what the
  // caller should still know ("written in place").
  Status withDetail(std::string detail) && {
    detail_ = std::move(detail);
    return std::move(*this);
  }

  bool ok() const { return code_ == StatusCode::ok; }
  StatusCode code() const { return code_; }
  const std::string& file() const { return file_; }
  const std::string& detail() const { return detail_; }
  int reason() const { return reason_; }

  // One line: what failed (or "ok"), the file, the detail and the system's reason.
  std::string describe() const;

 private:
  Status(StatusCode code, std::string_view file, int reason) : code_(code), file_(file), reason_(reason) {}

  StatusCode code_ = StatusCode::ok;
  std::string file_;
  std::string detail_;
  int reason_ = 0;
};

}  // namespace tessel
