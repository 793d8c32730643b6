// What one run-time object owns behind its store field: the array store, the
// file handler its saves and loads go through, the outcome of its last
// routine call and, when that call was a whole-array save, what the save
// could not keep.
#pragma once

#include <optional>
#include <utility>

#include "core/array_store.h"
#include "core/status.h"
#include "persist/file_handler.h"
#include "persist/save_report.h"

namespace tessel {

class RunState {
 public:
  ArrayStore& store() { return store_; }
  persist::FileHandler& files() { return files_; }
  const Status& lastOutcome() const { return lastOutcome_; }
  void setLastOutcome(Status s) noexcept {
    lastOutcome_ = std::move(s);
    lastSave_.reset();
  }
  // The same as setLastOutcome(Status()), which every routine call starts
  // with; most find it so already, and a plain check costs a fraction of
  // assigning an outcome with its two texts.
  void clearLastOutcome() noexcept {
    const Status& s = lastOutcome_;
    if (s.ok() && s.file().empty() && s.detail().empty() && s.reason() == 0 && !lastSave_) return;
    setLastOutcome(Status());
  }
  const std::optional<persist::SaveReport>& lastSave() const { return lastSave_; }
  void setLastSave(Status s, const persist::SaveReport& report) noexcept {
    const bool saved = s.ok();
    setLastOutcome(std::move(s));
    if (saved) lastSave_ = report;
  }

 private:
  ArrayStore store_;
  persist::FileHandler files_;
  Status lastOutcome_;
  std::optional<persist::SaveReport> lastSave_;
};

}  // namespace tessel
