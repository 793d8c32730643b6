// The row flag table's index of selected rows, checked against a plain walk
// over the flags through every kind of change.
#include "core/row_flags.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace tessel {
namespace {

// The r-th selected row by walking every flag.
int32_t walk(const std::vector<uint8_t>& flags, int32_t r) {
  int32_t seen = 0;
  for (std::size_t p = 0; p < flags.size(); ++p) {
    if (flags[p] == RowFlags::kSelected && seen++ == r) return static_cast<int32_t>(p);
  }
  return -1;
}

void expectMatches(const RowFlags& table, const std::vector<uint8_t>& model) {
  ASSERT_EQ(table.count(), static_cast<int32_t>(model.size()));
  int32_t selected = 0;
  for (std::size_t p = 0; p < model.size(); ++p) {
    ASSERT_EQ(table.at(static_cast<int32_t>(p)), model[p]);
    selected += model[p] == RowFlags::kSelected;
  }
  ASSERT_EQ(table.selectedCount(), selected);
  for (int32_t r = -1; r <= selected; ++r) ASSERT_EQ(table.positionOfSelected(r), walk(model, r)) << "r = " << r;
}

TEST(RowFlags, IndexFollowsEveryChange) {
  std::mt19937 random(7);
  RowFlags table;
  std::vector<uint8_t> model;
  for (int step = 0; step < 3000; ++step) {
    const auto pick = [&](uint32_t n) { return static_cast<int32_t>(random() % n); };
    const uint8_t flag = pick(2) == 0 ? RowFlags::kSelected : RowFlags::kUnselected;
    switch (pick(6)) {
      case 0:  // grow by a few rows (as appends do) or many (as a far set does)
      case 1: {
        table.setAutoSelect(pick(2) == 0);
        const int32_t rows = table.count() + (pick(8) == 0 ? pick(40) : 1);
        model.resize(static_cast<std::size_t>(rows), table.autoSelect() ? RowFlags::kSelected : RowFlags::kUnselected);
        table.upkeep(rows);
        break;
      }
      case 2: {  // shrink
        const int32_t rows = table.count() - pick(4);
        model.resize(static_cast<std::size_t>(rows < 0 ? 0 : rows));
        table.upkeep(rows);
        break;
      }
      case 3:
      case 4:
        if (!model.empty()) {
          const int32_t row = pick(static_cast<uint32_t>(model.size()));
          model[static_cast<std::size_t>(row)] = flag;
          table.set(row, flag);
        }
        break;
      default:
        if (pick(2) == 0) {
          model.assign(model.size(), flag);
          table.fill(flag);
        } else {
          for (auto& f : model) f = f == RowFlags::kSelected ? RowFlags::kUnselected : RowFlags::kSelected;
          table.transform([](int32_t, uint8_t f) {
            return f == RowFlags::kSelected ? RowFlags::kUnselected : RowFlags::kSelected;
          });
        }
    }
    expectMatches(table, model);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(RowFlags, OutOfRangeRowsChangeNothingAndNegativeSizeEmpties) {
  RowFlags table;
  table.setAutoSelect(true);
  table.upkeep(3);
  table.set(-1, RowFlags::kUnselected);
  table.set(3, RowFlags::kUnselected);
  expectMatches(table, {1, 1, 1});
  table.upkeep(-5);
  expectMatches(table, {});
}

}  // namespace
}  // namespace tessel
