// One selection flag per physical row of a 2D array, kept by position.
#pragma once

#include <cstdint>
#include <vector>

namespace tessel {

class RowFlags {
 public:
  static constexpr uint8_t kSelected = 1;
  static constexpr uint8_t kUnselected = 2;

  int32_t count() const { return static_cast<int32_t>(flags_.size()); }
  uint8_t at(int32_t row) const { return flags_[static_cast<std::size_t>(row)]; }
  bool isSelected(int32_t row) const { return row >= 0 && row < count() && at(row) == kSelected; }
  // The number of selected rows.
  int32_t selectedCount() const { return selected_; }

  void set(int32_t row, uint8_t flag) {
    if (row < 0 || row >= count()) return;
    uint8_t& f = flags_[static_cast<std::size_t>(row)];
    selected_ += (flag == kSelected) - (f == kSelected);
    f = flag;
  }
  void fill(uint8_t flag) {
    flags_.assign(flags_.size(), flag);
    selected_ = flag == kSelected ? count() : 0;
  }

  bool autoSelect() const { return autoSelect_; }
  void setAutoSelect(bool on) { autoSelect_ = on; }
  // 1 = OR (inclusive), 0 = AND (exclusive).
  int32_t mode() const { return mode_; }
  void setMode(int32_t mode) { mode_ = mode; }

  // Makes room for `rows` flags so that upkeep to that many cannot fail.
  // Grows geometrically: rows come one at a time as cells are appended.
  void reserve(int32_t rows) {
    const auto n = static_cast<std::size_t>(rows < 0 ? 0 : rows);
    if (n > flags_.capacity()) flags_.reserve(n > 2 * flags_.capacity() ? n : 2 * flags_.capacity());
  }
  // Truncates or extends the table at its end to `rows` entries; new entries
  // follow the auto-select flag. Flags never shift.
  void upkeep(int32_t rows) {
    const auto n = static_cast<std::size_t>(rows < 0 ? 0 : rows);
    const std::size_t old = flags_.size();
    if (n < old) {
      for (std::size_t r = n; r < old; ++r) selected_ -= flags_[r] == kSelected;
      flags_.resize(n);
    } else if (n > old) {
      flags_.resize(n, autoSelect_ ? kSelected : kUnselected);
      if (autoSelect_) selected_ += static_cast<int32_t>(n - old);
    }
  }

 private:
  std::vector<uint8_t> flags_;
  int32_t selected_ = 0;
  int32_t mode_ = 1;
  bool autoSelect_ = false;
};

}  // namespace tessel
