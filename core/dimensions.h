// How the flat sequence of cells reads as 1D, 2D or 3D: the dimension count
// and the boundary table.
#pragma once

#include <array>
#include <cstdint>

namespace tessel {

class Dimensions {
 public:
  static constexpr int32_t kEntries = 10;

  int32_t count() const { return count_; }
  // Counts of 10 and above are ignored; anything below, 0 and negatives included, is kept.
  void setCount(int32_t n) {
    if (n < kEntries) count_ = n;
  }

  // The boundary of dimension d when d is below the dimension count, else 0.
  int32_t boundary(int32_t d) const { return d >= 0 && d < count_ ? entries_[static_cast<std::size_t>(d)] : 0; }
  // Sets a boundary without moving cells; a boundary below 1 or a dimension
  // not below the dimension count is ignored.
  void setBoundary(int32_t d, int32_t b) {
    if (b < 1 || d < 0 || d >= count_) return;
    entries_[static_cast<std::size_t>(d)] = b;
  }

  // Entry d of the table as stored, whatever the dimension count.
  int32_t entry(int32_t d) const { return entries_[static_cast<std::size_t>(d)]; }
  // The length of a row: entry 1, as the recordset and the X,Y formulas read it.
  int32_t columns() const { return entries_[1]; }
  // Complete rows of a 2D array of `cells` cells; 0 unless 2D with at least one column.
  int32_t physicalRows(int32_t cells) const { return count_ == 2 && entries_[1] >= 1 ? cells / entries_[1] : 0; }

 private:
  int32_t count_ = 1;
  std::array<int32_t, kEntries> entries_ = {-1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
};

}  // namespace tessel
