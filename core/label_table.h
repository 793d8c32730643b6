// The column labels of a 2D array. The table does not exist until the first
// label is set; then it holds one entry per column, each a text or no label.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessel {

class LabelTable {
 public:
  bool exists() const { return exists_; }
  int32_t size() const { return static_cast<int32_t>(labels_.size()); }
  // The label of column c, or null when there is none.
  const char* at(int32_t c) const {
    if (c < 0 || c >= size() || !labels_[static_cast<std::size_t>(c)]) return nullptr;
    return labels_[static_cast<std::size_t>(c)]->c_str();
  }

  // Creates the table when there is none, then keeps the first n entries.
  void resize(int32_t n) {
    labels_.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
    exists_ = true;
  }
  void set(int32_t c, const char* text) {
    if (c < 0 || c >= size() || text == nullptr) return;
    labels_[static_cast<std::size_t>(c)] = std::string(text);
  }

 private:
  std::vector<std::optional<std::string>> labels_;
  bool exists_ = false;
};

}  // namespace tessel
