// The array store's element operations and growth rule, and how they behave
// when memory runs out.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "core/array_store.h"
#include "tests/unit/allocation_faults.h"

namespace tessel {
namespace {

std::vector<std::string> contents(const ArrayStore& s) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < s.size(); ++i) {
    const Cell* c = s.cellAt(i);
    std::string item = std::to_string(static_cast<int>(c->type())) + ":" + std::string(c->text().view());
    if (c->key() != nullptr) item += "/" + std::string(c->key()->text().view());
    out.push_back(item);
  }
  return out;
}

struct Snapshot {
  std::vector<std::string> cells;
  int32_t capacity;
  std::vector<int> flags;
  int32_t selected;

  explicit Snapshot(const ArrayStore& s)
      : cells(contents(s)), capacity(s.capacity()), selected(s.rowFlags().selectedCount()) {
    for (int32_t r = 0; r < s.rowFlags().count(); ++r) flags.push_back(s.rowFlags().at(r));
  }
  bool operator==(const Snapshot& o) const {
    return cells == o.cells && capacity == o.capacity && flags == o.flags && selected == o.selected;
  }
};

TEST(ArrayStore, NewStoreIsEmptyWithTwentyFiveSlots) {
  ArrayStore s;
  EXPECT_EQ(s.size(), 0);
  EXPECT_EQ(s.capacity(), 25);
  EXPECT_FALSE(s.stringAt(0).has_value());
  EXPECT_EQ(s.valueAt(-1), 0);
}

TEST(ArrayStore, GrowsByHalfAsSoonAsHalfIsPassed) {
  ArrayStore s;
  std::vector<int32_t> capacities{s.capacity()};
  for (int i = 0; i < 300; ++i) {
    s.append(CellDescriptor::ofValue(i + 1));
    if (s.capacity() != capacities.back()) {
      capacities.push_back(s.capacity());
      EXPECT_EQ(s.size() - 1, capacities[capacities.size() - 2] / 2) << "grew at the wrong count";
    }
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{25, 37, 55, 82, 123, 184, 276, 414, 621}));
}

TEST(ArrayStore, SetPastTheEndExtendsWithEmptyCells) {
  ArrayStore s;
  s.set(12, CellDescriptor::ofString("x"));
  EXPECT_EQ(s.size(), 13);
  EXPECT_EQ(s.capacity(), 37);
  EXPECT_EQ(s.cellAt(11)->type(), CellType::empty);
  ArrayStore t;
  t.set(100, CellDescriptor::ofValue(1));
  EXPECT_EQ(t.size(), 101);
  EXPECT_EQ(t.capacity(), 276);
}

TEST(ArrayStore, ShrinksStepByStepAsCellsAreDeleted) {
  ArrayStore s;
  s.set(310, CellDescriptor::ofValue(1));
  ASSERT_EQ(s.capacity(), 931);
  std::vector<int32_t> capacities{s.capacity()};
  while (s.size() > 0) {
    s.deleteAt(0);
    if (s.capacity() != capacities.back()) capacities.push_back(s.capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{931, 698, 523, 392, 294, 220, 165, 123, 92}));
}

TEST(ArrayStore, InsertAndDeleteMoveCellsWithTheirKeys) {
  ArrayStore s;
  s.append(CellDescriptor::ofString("A"));
  s.append(CellDescriptor::ofString("B"));
  s.setKey(0, CellDescriptor::ofString("ka"));
  s.insert(0, CellDescriptor::ofString("X"));
  EXPECT_EQ(contents(s), (std::vector<std::string>{"2:X", "2:A/ka", "2:B"}));
  s.insert(5, CellDescriptor::ofValue(7));  // past the end: as set
  EXPECT_EQ(s.size(), 6);
  s.deleteAt(0);
  s.deleteAt(5);  // outside: nothing
  EXPECT_EQ(contents(s), (std::vector<std::string>{"2:A/ka", "2:B", "0:", "0:", "1:7"}));
  s.set(0, CellDescriptor::ofString("A2"));
  EXPECT_EQ(contents(s)[0], "2:A2/ka");
}

TEST(ArrayStore, NegativeAndUnrepresentableIndexesChangeNothing) {
  ArrayStore s;
  s.append(CellDescriptor::ofString("a"));
  const Snapshot before(s);
  s.set(-1, CellDescriptor::ofString("x"));
  s.insert(-1, CellDescriptor::ofString("x"));
  s.deleteAt(-1);
  s.set(INT32_MAX, CellDescriptor::ofString("x"));
  s.insert(INT32_MAX, CellDescriptor::ofString("x"));
  s.set(INT32_MAX - 1, CellDescriptor::ofValue(1));
  s.set(1 << 30, CellDescriptor::ofValue(1));
  EXPECT_TRUE(Snapshot(s) == before);
}

TEST(ArrayStore, DeleteAllKeepsDimensionsAndReturnsToTwentyFive) {
  ArrayStore s;
  s.dimensions().setCount(2);
  s.dimensions().setBoundary(1, 4);
  s.set(310, CellDescriptor::ofValue(1));
  s.deleteAll();
  EXPECT_EQ(s.size(), 0);
  EXPECT_EQ(s.capacity(), 25);
  EXPECT_EQ(s.dimensions().count(), 2);
  EXPECT_EQ(s.dimensions().boundary(1), 4);
  EXPECT_EQ(s.rowFlags().count(), 0);
}

TEST(ArrayStore, RowFlagsFollowThePhysicalRowsByPosition) {
  ArrayStore s;
  s.dimensions().setCount(2);
  s.dimensions().setBoundary(1, 3);
  s.set(8, CellDescriptor::ofValue(1));
  ASSERT_EQ(s.rowFlags().count(), 3);
  EXPECT_EQ(s.rowFlags().selectedCount(), 0);
  s.rowFlags().set(1, RowFlags::kSelected);
  s.rowFlags().setAutoSelect(true);
  s.insert(0, CellDescriptor::ofValue(5));  // 10 cells: still 3 rows, flags unmoved
  EXPECT_EQ(s.rowFlags().count(), 3);
  EXPECT_TRUE(s.rowFlags().isSelected(1));
  s.append(CellDescriptor::ofValue(5));
  s.append(CellDescriptor::ofValue(5));  // 12 cells: a fourth row, auto-selected
  EXPECT_EQ(s.rowFlags().count(), 4);
  EXPECT_EQ(s.rowFlags().selectedCount(), 2);
  for (int i = 0; i < 4; ++i) s.deleteAt(0);
  EXPECT_EQ(s.rowFlags().count(), 2);
  EXPECT_EQ(s.rowFlags().selectedCount(), 1);
  s.dimensions().setCount(1);
  s.deleteAll();  // not 2D: the flags are left alone
  EXPECT_EQ(s.rowFlags().count(), 2);
}

TEST(ArrayStore, FailedAllocationsLeaveTheStoreAsItWas) {
  ArrayStore s;
  s.dimensions().setCount(2);
  s.dimensions().setBoundary(1, 2);
  for (int i = 0; i < 11; ++i) s.append(CellDescriptor::ofString("cell"));
  s.setKey(3, CellDescriptor::ofString("k"));
  // Each operation below crosses a growth or shrink step or allocates a string.
  const std::vector<std::function<void()>> operations = {
      [&] { s.append(CellDescriptor::ofString("twelfth")); },
      [&] { s.insert(0, CellDescriptor::ofString("front")); },
      [&] { s.set(40, CellDescriptor::ofString("far")); },
      [&] { s.set(2, CellDescriptor::ofString("replaced")); },
      [&] { s.deleteAt(0); },
      [&] { s.deleteAll(); },
  };
  for (const auto& operation : operations) {
    const Snapshot before(s);
    testing::forEachAllocationFailure(operation, [&](bool threw) {
      EXPECT_TRUE(threw);
      EXPECT_TRUE(Snapshot(s) == before);
    });
  }
  EXPECT_EQ(s.size(), 0);
}

}  // namespace
}  // namespace tessel
