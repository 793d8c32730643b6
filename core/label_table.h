// The column labels of a 2D array. The table does not exist until the first
// label is set; then it has one slot per column, each a text or no label.
// Only the labels held take memory, so a table of millions of columns with
// one label costs one entry.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tessel {

class LabelTable {
 public:
  struct Label {
    int32_t column;
    std::string text;
  };

  bool exists() const { return exists_; }
  // The number of slots.
  int32_t size() const { return size_; }
  // The label of column c, or null when there is none.
  const char* at(int32_t c) const {
    const auto it = find(c);
    return it != held_.end() && it->column == c ? it->text.c_str() : nullptr;
  }
  // The first column at or after c that has a label, or -1.
  int32_t next(int32_t c) const {
    const auto it = find(c);
    return it != held_.end() ? it->column : -1;
  }
  // The labels held, in column order.
  const std::vector<Label>& held() const { return held_; }

  // Creates the table when there is none, then keeps n slots: labels at n
  // and above are dropped.
  void resize(int32_t n) {
    size_ = n < 0 ? 0 : n;
    held_.erase(find(size_), held_.end());
    exists_ = true;
  }
  // What set() of each label in turn does, in one pass: `labels` come in
  // rising column order, each column once; those outside the slots are
  // dropped, the others replace or join the labels held. Throws
  // std::bad_alloc with the table unchanged.
  void setAll(std::vector<Label> labels) {
    std::vector<Label> merged;
    merged.reserve(held_.size() + labels.size());
    auto old = held_.begin();
    for (Label& l : labels) {
      if (l.column < 0 || l.column >= size()) continue;
      for (; old != held_.end() && old->column <= l.column; ++old) {
        if (old->column < l.column) merged.push_back(std::move(*old));
      }
      merged.push_back(std::move(l));
    }
    for (; old != held_.end(); ++old) merged.push_back(std::move(*old));
    held_ = std::move(merged);
  }
  void set(int32_t c, const char* text) {
    if (c < 0 || c >= size() || text == nullptr) return;
    std::string copy(text);
    const auto it = find(c);
    if (it != held_.end() && it->column == c) {
      it->text = std::move(copy);
    } else {
      held_.insert(it, Label{c, std::move(copy)});
    }
  }

 private:
  std::vector<Label>::const_iterator find(int32_t c) const {
    return std::lower_bound(held_.begin(), held_.end(), c, [](const Label& l, int32_t k) { return l.column < k; });
  }
  std::vector<Label>::iterator find(int32_t c) {
    return std::lower_bound(held_.begin(), held_.end(), c, [](const Label& l, int32_t k) { return l.column < k; });
  }

  std::vector<Label> held_;
  int32_t size_ = 0;
  bool exists_ = false;
};

}  // namespace tessel
