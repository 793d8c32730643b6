// Row sorting against a plain rendering of the first-row-pivot quicksort: the
// shortcuts (a unique order when every cell differs, ranges already strictly
// in order or in reverse) must leave rows exactly where the plain steps do.
#include "recordset/row_sort.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/array_store.h"
#include "core/compare.h"
#include "recordset/labels.h"
#include "recordset/lists.h"

namespace tessel {
namespace {

using recordset::SortKind;
using recordset::SortOrder;

struct Row {
  int32_t id;
  int32_t value;
};

// The quicksort step by step: left part by recursion, right part by the loop.
void reference(std::vector<Row>& rows, int lo, int hi, int direction) {
  while (hi > lo) {
    const int32_t pivot = rows[static_cast<std::size_t>(lo)].value;
    const auto compare = [&](int k) {
      const int32_t v = rows[static_cast<std::size_t>(k)].value;
      return ((v > pivot) - (v < pivot)) * direction;
    };
    int i = lo, j = hi;
    do {
      while (compare(i) < 0) ++i;
      while (compare(j) > 0) --j;
      if (j < i) break;
      std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(j)]);
      ++i;
      --j;
    } while (j >= i);
    reference(rows, lo, j, direction);
    lo = i;
  }
}

ArrayStore tableOf(const std::vector<Row>& rows) {
  ArrayStore store;
  store.dimensions().setCount(2);
  store.dimensions().setBoundary(1, 2);
  store.rowFlags().setAutoSelect(true);
  for (const Row& r : rows) {
    store.append(CellDescriptor::ofValue(r.id));
    store.append(CellDescriptor::ofValue(r.value));
  }
  return store;
}

std::vector<int32_t> ids(const ArrayStore& store) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < store.size(); i += 2) out.push_back(store.valueAt(i));
  return out;
}

std::vector<int32_t> ids(const std::vector<Row>& rows) {
  std::vector<int32_t> out;
  for (const Row& r : rows) out.push_back(r.id);
  return out;
}

TEST(RowSort, FollowsTheQuicksortStepsWhateverTheInput) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 400; ++trial) {
    const int n = 2 + static_cast<int>(random() % 60);
    // Few distinct values (many ties), all distinct, runs in order or in
    // reverse with ties mixed in, in order with ties and a few rows out of
    // place, and in order with runs of any length: each reaches a different shortcut.
    const int shape = trial % 6;
    std::vector<Row> rows;
    int32_t run = 0;
    for (int k = 0; k < n; ++k) {
      int32_t v = 0;
      switch (shape) {
        case 0: v = static_cast<int32_t>(random() % 4); break;
        case 1: v = k * 7919 % 1009 - 500; break;
        case 2: v = k / 3 + (k % 5 == 0 ? 0 : 100); break;
        case 3: v = (n - k) / 2; break;
        case 4: v = k / 2 + (k > n / 2 ? 7 : 0) - (k % 9 == 4 ? 3 : 0); break;
        default: v = run += (random() % 3 == 0) ? 1 : 0; break;
      }
      rows.push_back({k + 1, v});  // ids from 1: a value of 0 would leave the cell empty
    }
    for (const SortOrder order : {SortOrder::ascending, SortOrder::descending}) {
      std::vector<Row> expected = rows;
      reference(expected, 0, n - 1, order == SortOrder::ascending ? 1 : -1);
      ArrayStore store = tableOf(rows);
      recordset::sortRowsByColumn(store, 1, SortKind::value, order);
      ASSERT_EQ(ids(store), ids(expected)) << "trial " << trial << " order " << static_cast<int>(order);
    }
  }
}

// The same steps over texts, where case-insensitive comparison makes ties of
// different texts.
void referenceTexts(std::vector<std::pair<int32_t, std::string>>& rows, int lo, int hi, int direction) {
  while (hi > lo) {
    const std::string pivot = rows[static_cast<std::size_t>(lo)].second;
    const auto compare = [&](int k) {
      const int c = literalCompare(rows[static_cast<std::size_t>(k)].second.c_str(), pivot.c_str(), false);
      return ((c > 0) - (c < 0)) * direction;
    };
    int i = lo, j = hi;
    do {
      while (compare(i) < 0) ++i;
      while (compare(j) > 0) --j;
      if (j < i) break;
      std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(j)]);
      ++i;
      --j;
    } while (j >= i);
    referenceTexts(rows, lo, j, direction);
    lo = i;
  }
}

TEST(RowSort, TextTiesFollowTheQuicksortSteps) {
  std::mt19937 random(3);
  const char* texts[] = {"a", "A", "b", "B", "ab", "aB", "*", "10", "9"};
  for (int trial = 0; trial < 200; ++trial) {
    const int n = 2 + static_cast<int>(random() % 40);
    std::vector<std::pair<int32_t, std::string>> rows;
    for (int k = 0; k < n; ++k) rows.emplace_back(k + 1, texts[random() % 9]);
    for (const SortOrder order : {SortOrder::ascending, SortOrder::descending}) {
      auto expected = rows;
      referenceTexts(expected, 0, n - 1, order == SortOrder::ascending ? 1 : -1);
      ArrayStore store;
      store.dimensions().setCount(2);
      store.dimensions().setBoundary(1, 2);
      store.rowFlags().setAutoSelect(true);
      for (const auto& [id, text] : rows) {
        store.append(CellDescriptor::ofValue(id));
        store.append(CellDescriptor::ofString(text.c_str()));
      }
      recordset::sortRowsByColumn(store, 1, SortKind::string, order);
      std::vector<int32_t> want;
      for (const auto& row : expected) want.push_back(row.first);
      ASSERT_EQ(ids(store), want) << "trial " << trial;
    }
  }
}

TEST(RowSort, KeysTravelWithTheirCellsAndLabelsStay) {
  ArrayStore store = tableOf({{1, 30}, {2, 10}, {3, 20}});
  store.setKey(1, CellDescriptor::ofString("k30"));
  store.setKey(3, CellDescriptor::ofString("k10"));
  recordset::setLabel(store, "v", 1);
  recordset::sortRowsByLabel(store, "v", SortKind::string, SortOrder::ascending);
  EXPECT_EQ(ids(store), (std::vector<int32_t>{2, 3, 1}));
  EXPECT_EQ(recordset::keyList(store, ","), ",k10,,,,k30");
  EXPECT_EQ(recordset::columnOfLabel(store, "v"), 1);
}

}  // namespace
}  // namespace tessel
