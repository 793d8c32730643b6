#include "core/status.h"

#include <cstring>

namespace tessel {

namespace {

constexpr const char* kWhat[] = {
    "ok",           "cannot open",   "read failed",     "write failed",
    "flush failed", "close failed",  "rename failed",   "not a file of this format",
    "too large",    "out of memory", "no such element", "damaged",
};

static_assert(std::size(kWhat) == static_cast<std::size_t>(StatusCode::damaged) + 1, "every code is named");

}  // namespace

std::string Status::describe() const {
  const auto index = static_cast<std::size_t>(code_);
  std::string out = index < std::size(kWhat) ? kWhat[index] : "unknown failure";
  if (!file_.empty()) out += ": " + file_;
  if (!detail_.empty()) out += ": " + detail_;
  if (reason_ != 0) {
    out += ": ";
    out += std::strerror(reason_);  // NOLINT(concurrency-mt-unsafe): the module runs on the host's one thread
  }
  return out;
}

}  // namespace tessel
