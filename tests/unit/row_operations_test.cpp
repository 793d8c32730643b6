// The row operations of the recordset against a plain model of their literal element steps (one set, insert or delete
// at a time, each with the growth rule and the row flag upkeep), on random tables whose X boundary may have changed
// under their row flags.
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

// The literal steps of a replace (0), insert (1), append (2) or delete (3), each through the store's single-element
// operations.
void modelRow(ArrayStore& s, uint32_t op, const char* list, int32_t r) {
  const int32_t rows = recordset::rowCount(s);
  if (op == 2) r = rows;
  if (s.dimensions().count() != 2 || r < 0 || r > rows - (op == 0 || op == 3)) return;
  const int32_t base = recordset::cellIndexOfRow(s, r, 0);
  const auto items = recordset::splitList(list, s.listDelimiter());
  for (int32_t c = 0; c < s.dimensions().columns(); ++c) {
    const auto k = static_cast<std::size_t>(c);
    const CellDescriptor d = k < items.size() ? CellDescriptor::ofString(items[k].c_str()) : CellDescriptor{};
    if (op == 0) s.set(base + c, d);
    if (op == 1 || op == 2) s.insert(base + c, d);
    if (op == 3) s.deleteAt(base);
  }
}

// A random table, the same for one seed: short and long texts, data, keys, unselected rows, deletions that leave a
// capacity appends alone would not, at times its X boundary changed under its flags or just after a middle insert.
ArrayStore randomTable(uint32_t seed) {
  std::minstd_rand random(seed);
  const int32_t widths[] = {1, 2, 3, 5, 7, 40};
  ArrayStore s = testing::table(widths[random() % 6], random() % 2 == 0);
  const auto cells = static_cast<int32_t>(random() % (random() % 4 == 0 ? 400 : 141));
  const std::string longText(30, 'w');
  for (int32_t i = 0; i < cells; ++i) {
    switch (random() % 5) {
      case 0: s.append(CellDescriptor{}); break;
      case 1: s.append(CellDescriptor::ofString(("t" + std::to_string(i)).c_str())); break;
      case 2: s.append(CellDescriptor::ofString((longText + std::to_string(i)).c_str())); break;
      case 3: s.append(CellDescriptor::ofData("\0\1\2", 3)); break;
      default: s.append(CellDescriptor::ofValue(i + 1)); break;
    }
    if (random() % 6 == 0) s.setKey(i, random() % 2 ? CellDescriptor::ofValue(i) : CellDescriptor::ofString(""));
  }
  for (int32_t k = static_cast<int32_t>(random() % 3 == 0 ? random() % (cells / 2 + 1) : 0); k > 0; --k)
    s.deleteAt(static_cast<int32_t>(random() % static_cast<uint32_t>(s.size())));
  for (int32_t row = 0; row < s.rowFlags().count(); ++row) {
    if (random() % 3 == 0) s.rowFlags().set(row, RowFlags::kUnselected);
  }
  const auto start = random() % 4;
  if (start == 0) s.dimensions().setBoundary(1, static_cast<int32_t>(1 + random() % 8));
  if (start == 1 && s.size() > 0) s.insert(0, CellDescriptor::ofValue(-1));
  s.rowFlags().setAutoSelect(random() % 2 == 0);
  return s;
}

// The store without its capacity: a delete that finds no memory to shrink keeps the larger table.
std::string content(const ArrayStore& s) {
  std::string out = describeAll(s);
  const std::size_t slash = out.find('/');
  return out.erase(slash, out.find('/', slash + 1) - slash);
}

// Each operation against its element steps; on some tables again with each of its allocations failing in turn: a
// failure changes nothing, or (a delete that could not shrink the table) leaves the same rows.
TEST(RowOperations, DoWhatTheirElementStepsDoAndFailWhole) {
  for (uint32_t seed = 1; seed <= 12000; ++seed) {
    std::minstd_rand random(uint64_t{seed} * 7919);
    const auto op = random() % 4;
    ArrayStore model = randomTable(seed);
    const auto r = static_cast<int32_t>(random() % (recordset::rowCount(model) + 2)) - 1;
    const std::string list = std::vector<std::string>{"", "a", "a,b", "a,b,c,d,e,f,g"}[random() % 4];
    const auto change = [&](ArrayStore& s) {
      switch (op) {
        case 0: recordset::replaceRowWithList(s, list.c_str(), r); break;
        case 1: recordset::insertRowFromList(s, list.c_str(), r); break;
        case 2: recordset::appendRowFromList(s, list.c_str()); break;
        default: recordset::deleteRow(s, r); break;
      }
    };
    modelRow(model, op, list.c_str(), r);
    ArrayStore fast = randomTable(seed);
    change(fast);
    ASSERT_EQ(describeAll(fast), describeAll(model)) << "seed " << seed << " operation " << op << " row " << r;
    if (seed % 20 != 0) continue;
    ArrayStore failing = randomTable(seed);
    const std::string before = describeAll(failing);
    testing::forEachAllocationFailure(
        [&] { change(failing); },
        [&](bool threw) {
          EXPECT_EQ(threw ? describeAll(failing) : content(failing), threw ? before : content(model))
              << "seed " << seed;
          EXPECT_TRUE(threw || op == 3) << "seed " << seed;
          failing = randomTable(seed);
        });
  }
}

// The workbench's column steps: a single insert (of a value of 0) or delete at column `at` of every row, from the last
// row up.
void modelColumn(ArrayStore& s, bool insert, int32_t span, int32_t at) {
  const int32_t rows = (s.size() + span - 1) / span;
  for (int32_t r = rows - 1; r >= 0; --r) {
    insert ? s.insert(r * span + at, CellDescriptor::ofValue(0)) : s.deleteAt(r * span + at);
  }
}

TEST(ColumnOperations, DoWhatTheirElementStepsDo) {
  for (uint32_t seed = 1; seed <= 4000; ++seed) {
    ArrayStore fast = randomTable(seed), model = randomTable(seed);
    std::minstd_rand random(uint64_t{seed} * 104729);
    const bool insert = random() % 2 == 0;
    // The span is the X boundary mostly, and any other width sometimes (a 1D list, an unset boundary).
    const int32_t x = model.dimensions().entry(1);
    const auto span = random() % 4 == 0 ? static_cast<int32_t>(1 + random() % 9) : x;
    const auto at = static_cast<int32_t>(random() % static_cast<uint32_t>(span));
    ASSERT_TRUE(insert ? fast.insertColumn(span, at) : fast.deleteColumn(span, at));
    modelColumn(model, insert, span, at);
    ASSERT_EQ(describeAll(fast), describeAll(model))
        << "seed " << seed << (insert ? " insert" : " delete") << " span " << span << " at " << at;
  }
}

}  // namespace
}  // namespace tessel
