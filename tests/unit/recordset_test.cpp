// Below the routine tables: list splitting and the row flag index against plain models, row sorting against the plain
// first-row-pivot quicksort.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/array_store.h"
#include "core/compare.h"
#include "core/row_flags.h"
#include "recordset/labels.h"
#include "recordset/lists.h"
#include "recordset/row_sort.h"
#include "tests/unit/stores.h"

namespace tessel {
namespace {

using testing::table;

TEST(RowFlags, IndexMatchesAPlainWalkThroughEveryChange) {
  std::mt19937 random(7);
  const auto pick = [&](int32_t n) { return static_cast<int32_t>(random() % static_cast<uint32_t>(n)); };
  const auto other = [](uint8_t f) { return f == RowFlags::kSelected ? RowFlags::kUnselected : RowFlags::kSelected; };
  RowFlags flags;
  std::vector<uint8_t> model;
  for (int step = 0; step < 4000; ++step) {
    const uint8_t flag = pick(2) ? RowFlags::kSelected : RowFlags::kUnselected;
    const auto count = static_cast<int32_t>(model.size());
    const int32_t row = pick(count + 2) - 1;  // at times just outside the table: changes nothing
    const int32_t rows = count + (pick(4) ? pick(5) - 2 : pick(40));
    switch (pick(4)) {
      case 0:  // grow by a few rows (appends) or many (a far set), shrink, or go below zero (empties)
        flags.setAutoSelect(flag == RowFlags::kSelected);
        model.resize(static_cast<std::size_t>(std::max(rows, 0)), flag);
        flags.upkeep(rows);
        break;
      case 1:
        if (row >= 0 && row < count) model[static_cast<std::size_t>(row)] = flag;
        flags.set(row, flag);
        break;
      case 2:
        model.assign(model.size(), flag);
        flags.fill(flag);
        break;
      default:
        std::transform(model.begin(), model.end(), model.begin(), other);
        flags.transform([&](int32_t, uint8_t f) { return other(f); });
    }
    ASSERT_EQ(flags.count(), static_cast<int32_t>(model.size())) << step;
    int32_t r = 0;  // a plain walk: the r-th selected flag must be where the index says
    for (int32_t p = 0; p < flags.count(); ++p) {
      ASSERT_EQ(flags.at(p), model[static_cast<std::size_t>(p)]) << step;
      if (flags.at(p) == RowFlags::kSelected) {
        ASSERT_EQ(flags.positionOfSelected(r++), p) << step;
      }
    }
    // As many as the walk met, and none before the first or past the last.
    ASSERT_EQ((std::vector{flags.selectedCount(), flags.positionOfSelected(r), flags.positionOfSelected(-1)}),
              (std::vector{r, -1, -1}))
        << step;
  }
}

TEST(LabelTable, CostsTheLabelsItHoldsNotTheColumns) {
  ArrayStore s = table(80000000);
  recordset::setLabel(s, "price", 79999999);
  recordset::setLabel(s, "name", 3);
  EXPECT_EQ(std::to_string(s.labels().size()) + " slots " + std::to_string(s.labels().held().size()) + " " +
                std::to_string(recordset::columnOfLabel(s, "PRICE")) + " " + recordset::label(s, 79999999),
            "80000000 slots 2 79999999 price");
  EXPECT_EQ(recordset::label(s, 4), nullptr);
  // Fewer columns drop the labels past them, and the slots stay as many as the columns.
  s.dimensions().setBoundary(1, 5);
  recordset::setLabel(s, "", 0);
  EXPECT_EQ(std::to_string(s.labels().size()) + " " + recordset::labelList(s).value_or("<none>") + " " +
                std::to_string(recordset::columnOfLabel(s, "price")),
            "5 ,,,name, -1");
}

// Splitting treats the delimiter as a set of characters, empty items vanish, blanks and apostrophes stay; it counts its
// items before it takes them. Against a plain split on random texts and delimiters.
TEST(Lists, SplittingMatchesAPlainSplitOnRandomTexts) {
  std::mt19937 random(7);
  const char alphabet[] = ",; a'";
  for (int trial = 0; trial < 3000; ++trial) {
    std::string text, delimiter;
    for (int k = static_cast<int>(random() % 12); k > 0; --k) text += alphabet[random() % 5];
    for (int k = static_cast<int>(random() % 3); k > 0; --k) delimiter += alphabet[random() % 3];
    std::vector<std::string> expected{""};
    for (const char ch : text) {
      if (delimiter.find(ch) == std::string::npos) {
        expected.back() += ch;
      } else if (!expected.back().empty()) {
        expected.emplace_back();
      }
    }
    if (expected.back().empty()) expected.pop_back();
    const std::vector<std::string> got = recordset::splitList(text.c_str(), delimiter);
    ASSERT_EQ(got, expected) << "[" << text << "] by [" << delimiter << "]";
    EXPECT_EQ(got.capacity(), got.size());
  }
  EXPECT_TRUE(recordset::splitList(nullptr, ",").empty());
  char host[] = "p,q";  // split on a private copy: the caller's text stays whole
  EXPECT_EQ(recordset::splitList(host, ",").size(), 2u);
  EXPECT_STREQ(host, "p,q");
}

struct Row {
  int32_t id, value;
  std::string text;
};

// The one oracle of the row sort: the rows of a three-column table (id, the sort key, -id) end, in both orders, where
// the plain first-row-pivot quicksort puts the selected ones; the others keep their positions.
void expectRowSortFollowsTheQuicksort(const std::vector<Row>& rows, const std::vector<bool>& selected, SortKind kind,
                                      bool caseSensitive, const std::string& trace) {
  for (const SortOrder order : {SortOrder::ascending, SortOrder::descending}) {
    std::vector<Row> chosen;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      if (selected[k]) chosen.push_back(rows[k]);
    }
    testing::referenceQuicksort(chosen, 0, static_cast<int>(chosen.size()) - 1, false, [&](const Row& a, const Row& b) {
      const int c = kind == kSortByValue ? (a.value > b.value) - (a.value < b.value)
                                         : literalCompare(a.text.c_str(), b.text.c_str(), caseSensitive);
      return order == SortOrder::ascending ? (c > 0) - (c < 0) : (c < 0) - (c > 0);
    });
    ArrayStore store = table(3);
    store.setCaseSensitive(caseSensitive);
    std::vector<int32_t> expected, got;
    for (std::size_t k = 0, next = 0; k < rows.size(); ++k) {
      const Row& r = rows[k];
      store.append(CellDescriptor::ofValue(r.id));
      // A text that reads as a non-zero number goes in as a value cell: it sorts by its text all the same.
      const bool asValue = kind == kSortByValue || (r.value != 0 && r.text == std::to_string(r.value));
      store.append(asValue ? CellDescriptor::ofValue(r.value) : CellDescriptor::ofString(r.text.c_str()));
      store.append(CellDescriptor::ofValue(-r.id));
      if (!selected[k]) store.rowFlags().set(static_cast<int32_t>(k), RowFlags::kUnselected);
      expected.push_back(selected[k] ? chosen[next++].id : r.id);
    }
    recordset::sortRowsByColumn(store, 1, kind, order);
    for (int32_t at = 0; at < store.size(); at += 3) {
      got.push_back(store.valueAt(at) == -store.valueAt(at + 2) ? store.valueAt(at) : 0);  // 0: a row torn apart
    }
    ASSERT_EQ(got, expected) << trace << (order == SortOrder::ascending ? " ascending" : " descending");
  }
}

// Random tables of every shape the sort's shortcuts reach (unique, in order, reversed, few values, 32-bit extremes,
// texts sharing 8, 16 or 24 bytes), and larger ones, where the depth budgets run out, with only some rows selected.
TEST(RowSort, FollowsTheQuicksortStepsWhateverTheInput) {
  std::mt19937 random(11);
  std::vector<std::string> stems{""};
  std::istringstream words(
      "a A b aB 10 9 * abcdefg ABCDEFG abcdefgh abcdefgH abcdefghi abcdefgh\xe9 abcdefghijklmnop ABCDEFGHijklmnop "
      "abcdefghijklmnoq abcdefghijklmnopqrstuvwx abcdefghijklmnopqrstuvwX");
  for (std::string w; words >> w;) stems.push_back(w);
  for (int trial = 0; trial < 1600; ++trial) {
    const bool large = trial % 6 == 5;
    const int n = 2 + static_cast<int>(random() % (large ? 700 : 80));
    const int shape = trial % 9;
    const SortKind kind = shape >= 7 ? kSortByString : kSortByValue;
    const bool caseSensitive = trial % 5 < 2;
    std::vector<Row> rows;
    int32_t run = 0;
    for (int k = 0; k < n; ++k) {
      const int32_t values[] = {static_cast<int32_t>(random() % 4),
                                k * 7919 % 1009 - 500,
                                static_cast<int32_t>(random()),
                                k / 3 + (k % 5 == 0 ? 0 : 100),
                                (n - k) / 2,
                                k / 2 + (k > n / 2 ? 7 : 0) - (k % 9 == 4 ? 3 : 0),
                                random() % 3 == 0 ? INT32_MIN : (random() % 2 ? INT32_MAX : run += random() % 3 == 0),
                                0,
                                random() % 5 == 0 ? static_cast<int32_t>(random() % 40) - 20 : 0};
      const int32_t value = values[shape];
      // ids from 1: 0 would be an empty cell; a value among texts is a value cell read as its text.
      rows.push_back({k + 1, value,
                      shape == 8 && value != 0 ? std::to_string(value)
                                               : stems[random() % 19] + std::string(random() % 3, "xX"[random() % 2])});
    }
    std::vector<bool> selected;  // all rows of the smaller tables, some of the larger ones
    for (int k = 0; k < n; ++k) selected.push_back(!large || trial % 3 == 0 || random() % 4 != 0);
    expectRowSortFollowsTheQuicksort(rows, selected, kind, caseSensitive, "trial " + std::to_string(trial));
  }
}

}  // namespace
}  // namespace tessel
