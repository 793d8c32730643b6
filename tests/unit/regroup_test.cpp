// Layout changes that move many cells at once: the capacity they leave, their
// strong guarantee when memory runs out, and the row flags after a resize.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/array_store.h"
#include "core/cell_table.h"
#include "core/dimensions.h"
#include "tests/unit/allocation_faults.h"

namespace tessel {
namespace {

// A table of n value cells 1..n; with `shrunk`, it first held 400 cells, so
// its capacity is larger than a fresh table's at the same count.
CellTable filled(int32_t n, bool shrunk) {
  CellTable t;
  if (shrunk) {
    for (int32_t i = 0; i < 400; ++i) t.insert(t.count(), CellDescriptor::ofValue(i + 1));
    while (t.count() > n) t.erase(t.count() - 1);
  }
  for (int32_t i = t.count(); i < n; ++i) t.insert(i, CellDescriptor::ofValue(i + 1));
  for (int32_t i = 0; i < n; ++i) t.at(i)->assignValue(i + 1);
  return t;
}

std::vector<int32_t> values(const CellTable& t) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < t.count(); ++i) out.push_back(t.at(i)->value());
  return out;
}

// The regrouping done one cell at a time with the table's own inserts and erases.
void regroupCellByCell(CellTable& t, const Regrouping& r) {
  int64_t at = 0;
  for (int64_t left = t.count(); left > 0;) {
    const int64_t length = std::min(left, r.span);
    left -= length;
    const int64_t kept = std::min(length, r.keep);
    for (int64_t k = kept; k < length; ++k) t.erase(static_cast<int32_t>(at + kept));
    at += kept;
    if (length == r.span) {
      for (int64_t k = 0; k < r.pad; ++k) t.insert(static_cast<int32_t>(at++), CellDescriptor());
    }
  }
}

TEST(Regroup, CapacityMatchesSingleChangesEverywhere) {
  for (const bool shrunk : {false, true}) {
    for (int32_t n = 0; n <= 130; ++n) {
      for (const Regrouping r :
           {Regrouping{1, 1, 1}, Regrouping{1, 1, 4}, Regrouping{3, 3, 2}, Regrouping{5, 5, 11}, Regrouping{7, 7, 1},
            Regrouping{2, 1, 0}, Regrouping{4, 1, 0}, Regrouping{9, 5, 0}, Regrouping{50, 10, 0}}) {
        SCOPED_TRACE("n " + std::to_string(n) + " span " + std::to_string(r.span) + " keep " + std::to_string(r.keep) +
                     " pad " + std::to_string(r.pad) + (shrunk ? " shrunk" : ""));
        CellTable whole = filled(n, shrunk);
        CellTable single = filled(n, shrunk);
        ASSERT_TRUE(whole.regroup(r));
        regroupCellByCell(single, r);
        ASSERT_EQ(values(whole), values(single));
        ASSERT_EQ(whole.capacity(), single.capacity());
      }
    }
  }
}

std::string describe(const ArrayStore& s) {
  std::string out = std::to_string(s.size()) + "/" + std::to_string(s.capacity()) + "/x" +
                    std::to_string(s.dimensions().entry(1)) + ":";
  for (int32_t i = 0; i < s.size(); ++i) {
    const Cell* c = s.cellAt(i);
    out += std::string(c->text().view()) + (c->key() ? "#" + std::string(c->key()->text().view()) : "") + ",";
  }
  out += " flags";
  for (int32_t r = 0; r < s.rowFlags().count(); ++r) out += " " + std::to_string(s.rowFlags().at(r));
  return out;
}

ArrayStore grid(int32_t columns, int32_t cells) {
  ArrayStore s;
  s.dimensions().setCount(2);
  s.dimensions().setBoundary(1, columns);
  for (int32_t i = 0; i < cells; ++i) s.append(CellDescriptor::ofString(std::to_string(i).c_str()));
  s.setKey(1, CellDescriptor::ofString("k"));
  return s;
}

TEST(Regroup, ResizeOutOfMemoryChangesNothing) {
  for (const int32_t to : {7, 1}) {
    ArrayStore s = grid(3, 40);
    const std::string before = describe(s);
    const int failures = testing::forEachAllocationFailure([&] { resizeBoundary(s, 1, to); },
                                                           [&](bool) { EXPECT_EQ(describe(s), before); });
    EXPECT_GT(failures, 0);
    EXPECT_NE(describe(s), before);
  }
}

TEST(Regroup, RowFlagsKeepTheirPositionsAndFollowTheRowCount) {
  ArrayStore s = grid(3, 10);  // three complete rows and one cell
  s.rowFlags().set(0, RowFlags::kSelected);
  s.rowFlags().set(2, RowFlags::kSelected);
  resizeBoundary(s, 1, 5);
  EXPECT_EQ(describe(s), "16/37/x5:0,1#k,2,,,3,4,5,,,6,7,8,,,9, flags 1 2 1");
  resizeBoundary(s, 1, 2);
  EXPECT_EQ(describe(s), "7/37/x2:0,1#k,3,4,6,7,9, flags 1 2 1");
}

}  // namespace
}  // namespace tessel
