// What one run-time object owns behind its store field: the array store, the
// file handler its saves and loads go through, and the outcome of its last
// routine call.
#pragma once

#include <utility>

#include "core/array_store.h"
#include "core/status.h"
#include "persist/file_handler.h"

namespace tessel {

class RunState {
 public:
  ArrayStore& store() { return store_; }
  persist::FileHandler& files() { return files_; }
  const Status& lastOutcome() const { return lastOutcome_; }
  void setLastOutcome(Status s) noexcept { lastOutcome_ = std::move(s); }

 private:
  ArrayStore store_;
  persist::FileHandler files_;
  Status lastOutcome_;
};

}  // namespace tessel
