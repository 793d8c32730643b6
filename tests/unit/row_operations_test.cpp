// The row operations of the recordset against a plain model of their literal
// element steps (one set, insert or delete at a time, each with the growth
// rule and the row flag upkeep), on random tables whose X boundary may have
// changed under their row flags.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/array_store.h"
#include "recordset/lists.h"
#include "recordset/rows.h"
#include "tests/unit/stores.h"

namespace tessel {
namespace {

using testing::describeAll;

CellDescriptor item(const std::vector<std::string>& items, int32_t c) {
  const auto k = static_cast<std::size_t>(c);
  return k < items.size() ? CellDescriptor::ofString(items[k].c_str()) : CellDescriptor{};
}

// The literal steps, each through the store's single-element operations.
void modelInsert(ArrayStore& s, const char* list, int32_t r) {
  if (s.dimensions().count() != 2 || r < 0 || r > recordset::rowCount(s)) return;
  const int32_t base = recordset::cellIndexOfRow(s, r, 0);
  const auto items = recordset::splitList(list, s.listDelimiter());
  for (int32_t c = 0; c < s.dimensions().columns(); ++c) s.insert(base + c, item(items, c));
}
void modelReplace(ArrayStore& s, const char* list, int32_t r) {
  if (s.dimensions().count() != 2 || r < 0 || r >= recordset::rowCount(s)) return;
  const int32_t base = recordset::cellIndexOfRow(s, r, 0);
  const auto items = recordset::splitList(list, s.listDelimiter());
  for (int32_t c = 0; c < s.dimensions().columns(); ++c) s.set(base + c, item(items, c));
}
void modelDelete(ArrayStore& s, int32_t r) {
  if (s.dimensions().count() != 2 || r < 0 || r >= recordset::rowCount(s)) return;
  const int32_t base = recordset::cellIndexOfRow(s, r, 0);
  for (int32_t c = s.dimensions().columns() - 1; c >= 0; --c) s.deleteAt(base + c);
}

// A random table built the same way twice from one seed.
ArrayStore randomTable(uint32_t seed) {
  std::minstd_rand random(seed);
  ArrayStore s = testing::table(static_cast<int32_t>(1 + random() % 5), random() % 2 == 0);
  const auto cells = static_cast<int32_t>(random() % 80);
  for (int32_t i = 0; i < cells; ++i) {
    s.append(CellDescriptor::ofValue(i + 1));
    if (random() % 7 == 0) s.setKey(i, CellDescriptor::ofString("k"));
  }
  for (int32_t row = 0; row < s.rowFlags().count(); ++row) {
    if (random() % 3 == 0) s.rowFlags().set(row, RowFlags::kUnselected);
  }
  // A boundary change without an element operation: the flags no longer match the rows.
  if (random() % 2 == 0) s.dimensions().setBoundary(1, static_cast<int32_t>(1 + random() % 6));
  s.rowFlags().setAutoSelect(random() % 2 == 0);
  return s;
}

TEST(RowOperations, DoWhatTheirElementStepsDo) {
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    ArrayStore fast = randomTable(seed), model = randomTable(seed);
    std::minstd_rand random(seed * 7919);
    const auto op = random() % 4;
    const auto r = static_cast<int32_t>(random() % (recordset::rowCount(model) + 2)) - 1;
    const std::string list = std::vector<std::string>{"", "a", "a,b", "a,b,c,d,e,f,g"}[random() % 4];
    switch (op) {
      case 0:
        recordset::replaceRowWithList(fast, list.c_str(), r);
        modelReplace(model, list.c_str(), r);
        break;
      case 1:
        recordset::insertRowFromList(fast, list.c_str(), r);
        modelInsert(model, list.c_str(), r);
        break;
      case 2:
        recordset::appendRowFromList(fast, list.c_str());
        modelInsert(model, list.c_str(), recordset::rowCount(model));
        break;
      default:
        recordset::deleteRow(fast, r);
        modelDelete(model, r);
        break;
    }
    ASSERT_EQ(describeAll(fast), describeAll(model)) << "seed " << seed << " operation " << op << " row " << r;
  }
}

TEST(RowOperations, ReplaceRowRunsOutOfMemoryWithoutEndingTheProcess) {
  // A middle insert at half the capacity leaves the count past it (the rule
  // runs before the count goes up), so the replace grows the table.
  ArrayStore s = testing::table(3);
  for (int i = 0; i < 16; ++i) s.append(CellDescriptor::ofValue(i + 1));
  recordset::insertRowFromList(s, "x,y,z", 1);
  ASSERT_GT(s.size(), s.capacity() / 2);
  EXPECT_GT(testing::failuresLeavingTheStore(s, [&] { recordset::replaceRowWithList(s, "p,q,r", 0); }), 0);
  EXPECT_EQ(s.cellAt(0)->text().view(), "p");
  EXPECT_LE(s.size(), s.capacity() / 2);
}

}  // namespace
}  // namespace tessel
