// One selection flag per physical row of a 2D array, kept by position.
//
// Beside the flags the table keeps a Fenwick tree of the selected flags, so
// that the r-th selected row is found in O(log n) instead of by a walk over
// every row: appending rows one by one and reading each row by its recordset
// number then cost n log n in all. Single changes and appended entries keep
// the tree in O(log n); whole-table changes rebuild it in O(n).
#pragma once

#include <algorithm>
#include <cstddef>
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

  // The number of selected rows among rows 0 to n - 1.
  int32_t selectedBefore(int32_t n) const {
    if (n >= count()) return selected_;
    int32_t sum = 0;
    for (std::size_t i = static_cast<std::size_t>(n < 0 ? 0 : n); i > 0; i -= lowBit(i)) sum += tree_[i - 1];
    return sum;
  }

  // The physical row of the r-th selected row (counting from 0), or -1 when
  // r is negative or not below the selected count.
  int32_t positionOfSelected(int32_t r) const {
    if (r < 0 || r >= selected_) return -1;
    const std::size_t n = tree_.size();
    std::size_t step = 1;
    while (step * 2 <= n) step *= 2;
    std::size_t pos = 0;  // rows [0, pos) hold fewer than r + 1 selected flags
    int32_t rest = r + 1;
    for (; step > 0; step /= 2) {
      if (pos + step <= n && tree_[pos + step - 1] < rest) {
        pos += step;
        rest -= tree_[pos - 1];
      }
    }
    return static_cast<int32_t>(pos);
  }

  void set(int32_t row, uint8_t flag) {
    if (row < 0 || row >= count()) return;
    uint8_t& f = flags_[static_cast<std::size_t>(row)];
    const int32_t delta = (flag == kSelected) - (f == kSelected);
    f = flag;
    if (delta != 0) add(static_cast<std::size_t>(row), delta);
  }
  void fill(uint8_t flag) {
    flags_.assign(flags_.size(), flag);
    rebuild();
  }
  // Gives every row the flag next(row, flag) returns, then rebuilds the index
  // once: a query over the whole table stays linear.
  template <typename Next>
  void transform(Next&& next) {
    for (std::size_t p = 0; p < flags_.size(); ++p) flags_[p] = next(static_cast<int32_t>(p), flags_[p]);
    rebuild();
  }

  bool autoSelect() const { return autoSelect_; }
  void setAutoSelect(bool on) { autoSelect_ = on; }
  // 1 = OR (inclusive), 0 = AND (exclusive).
  int32_t mode() const { return mode_; }
  void setMode(int32_t mode) { mode_ = mode; }

  // Makes room for `rows` flags so that upkeep to that many cannot fail.
  // Grows geometrically, so that rows added one at a time cost amortised O(1).
  void reserve(int32_t rows) {
    const auto n = static_cast<std::size_t>(rows < 0 ? 0 : rows);
    if (n <= flags_.capacity() && n <= tree_.capacity()) return;
    const std::size_t target = std::max(n, flags_.capacity() + flags_.capacity() / 2);
    flags_.reserve(target);
    tree_.reserve(target);
  }
  // Truncates or extends the table at its end to `rows` entries; new entries
  // follow the auto-select flag. Flags never shift.
  void upkeep(int32_t rows) {
    const auto n = static_cast<std::size_t>(rows < 0 ? 0 : rows);
    if (n < flags_.size()) {
      for (std::size_t r = n; r < flags_.size(); ++r) selected_ -= flags_[r] == kSelected;
      flags_.resize(n);
      tree_.resize(n);  // a node covers only rows up to its own, so the rest stays exact
    }
    if (n > flags_.size()) reserve(rows);  // throws before anything changes, if at all
    while (flags_.size() < n) push(autoSelect_ ? kSelected : kUnselected);
  }

 private:
  static std::size_t lowBit(std::size_t i) { return i & (~i + 1); }

  // Node i (from 1) is tree_[i - 1] and counts the selected rows i - lowBit(i) to i - 1.
  void add(std::size_t row, int32_t delta) {
    selected_ += delta;
    for (std::size_t i = row + 1; i <= tree_.size(); i += lowBit(i)) tree_[i - 1] += delta;
  }
  void push(uint8_t flag) {
    flags_.push_back(flag);
    const std::size_t i = flags_.size();
    int32_t node = flag == kSelected;
    for (std::size_t child = 1; child < lowBit(i); child *= 2) node += tree_[i - child - 1];
    tree_.push_back(node);
    selected_ += flag == kSelected;
  }
  void rebuild() {
    const std::size_t n = flags_.size();
    selected_ = 0;
    for (std::size_t p = 0; p < n; ++p) {
      tree_[p] = flags_[p] == kSelected;
      selected_ += tree_[p];
    }
    for (std::size_t i = 1; i <= n; ++i) {
      const std::size_t parent = i + lowBit(i);
      if (parent <= n) tree_[parent - 1] += tree_[i - 1];
    }
  }

  std::vector<uint8_t> flags_;
  std::vector<int32_t> tree_;
  int32_t selected_ = 0;
  int32_t mode_ = 1;
  bool autoSelect_ = false;
};

}  // namespace tessel
