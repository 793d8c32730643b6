// Checks below the routine tables: list splitting, row changes that run out
// of memory, the row flag index against a plain walk, and row sorting against
// a plain rendering of the first-row-pivot quicksort.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/array_store.h"
#include "core/compare.h"
#include "core/row_flags.h"
#include "recordset/labels.h"
#include "recordset/lists.h"
#include "recordset/row_sort.h"
#include "recordset/rows.h"
#include "tests/host/crafted_orders.h"
#include "tests/unit/stores.h"

namespace tessel {
namespace {

using testing::describe;
using testing::table;

TEST(Lists, SplittingTreatsTheDelimiterAsASetOfCharacters) {
  // Empty items vanish; blanks and apostrophes are kept as they are.
  const char* const cases[][3] = {
      {"a,,b", ",", "[a][b]"},      {",a,", ",", "[a]"}, {" a , b ", ",", "[ a ][ b ]"}, {"'x','y'", ",", "['x']['y']"},
      {"a;b,c", ";,", "[a][b][c]"}, {",;,", ";,", ""},   {"a,b", "", "[a,b]"},           {"", ",", ""}};
  for (const auto& c : cases) {
    std::string items;
    for (const std::string& item : recordset::splitList(c[0], c[1])) items += "[" + item + "]";
    EXPECT_EQ(items, c[2]) << c[0] << " / " << c[1];
  }
  EXPECT_TRUE(recordset::splitList(nullptr, ",").empty());
  char host[] = "p,q";  // split on a private copy: the caller's text stays whole
  recordset::splitList(host, ",");
  EXPECT_STREQ(host, "p,q");
}

TEST(Rows, RowChangesThatRunOutOfMemoryLeaveNoHalfRow) {
  for (const int32_t row : {0, 1, 2}) {  // in the middle, and appended
    ArrayStore s = table(3);
    for (const char* text : {"a", "a", "a", "b", "b", "b"}) s.append(CellDescriptor::ofString(text));
    EXPECT_GT(testing::failuresLeavingTheStore(s, [&] { recordset::insertRowFromList(s, "x,y,z", row); }), 0) << row;
    const char* const after[] = {"x,y,z,a,a,a,b,b,b", "a,a,a,x,y,z,b,b,b", "a,a,a,b,b,b,x,y,z"};
    EXPECT_EQ(recordset::elementList(s, ","), after[row]);
  }
  // A middle insert can leave the table where the growth rule grows it at the
  // next deletion; deleting a row there must fail whole or not at all.
  int failures = 0;
  for (int32_t cells = 1; cells <= 80; ++cells) {
    ArrayStore s = table(3);
    for (int32_t i = 0; i < cells; ++i) s.append(CellDescriptor::ofValue(i));
    s.insert(0, CellDescriptor::ofValue(-1));
    if (recordset::rowCount(s) > 0)
      failures += testing::failuresLeavingTheStore(s, [&] { recordset::deleteRow(s, 0); });
  }
  EXPECT_GT(failures, 0);  // some deletion did grow the table
  // With fewer flags than rows (the columns changed under them), a delete adds flags.
  const auto narrowed = [] {
    ArrayStore s = table(2, false);
    for (const char* t : {"0", "1", "2"}) s.append(CellDescriptor::ofString(t));
    s.rowFlags().set(0, RowFlags::kSelected);
    s.dimensions().setBoundary(1, 1);
    return s;
  };
  ArrayStore cell = narrowed(), row = narrowed();
  EXPECT_GT(testing::failuresLeavingTheStore(cell, [&] { cell.deleteAt(0); }), 0);
  EXPECT_GT(testing::failuresLeavingTheStore(row, [&] { recordset::deleteRow(row, 0); }), 0);
  EXPECT_EQ(describe(row), "2/25/x1:21,22, flags 1 2 (1)");
  // In a table the next change shrinks, a replacement happens whole or not at
  // all, and a delete needs no memory: a shrink that finds none keeps the larger table.
  ArrayStore s = table(3);
  for (int r = 0; r < 40; ++r) recordset::appendRowFromList(s, "a,b,c");
  for (int r = 0; r < 30; ++r) recordset::deleteRow(s, 0);
  EXPECT_GT(testing::failuresLeavingTheStore(
                s, [&] { recordset::replaceRowWithList(s, "a long first text,a long second,x", 1); }),
            0);
  EXPECT_EQ(recordset::rowCount(s), 10);
  EXPECT_EQ(std::string(s.cellAt(4)->text().view()), "a long second");
  testing::failAllocationAfter(0);
  recordset::deleteRow(s, 0);
  EXPECT_TRUE(testing::allocationFailed());
  testing::failAllocationAfter(-1);
  EXPECT_EQ(recordset::rowCount(s), 9);
  EXPECT_EQ(std::string(s.cellAt(0)->text().view()), "a long first text");
}

// A row goes in, or out, as one run of cells; the result must be what
// inserting or deleting it column by column leaves, growth rule and row
// flags included. The tables start as appends left them, with fewer or more
// flags than complete rows (the boundary changed under them), or just after a
// middle insert (one cell past half the capacity).
TEST(Rows, ARowInsertedOrDeletedAtOnceEndsAsColumnByColumn) {
  for (const int32_t columns : {1, 2, 3, 7, 40}) {
    for (int32_t cells = 0; cells <= 140; ++cells) {
      for (const int start : {0, 1, 2, 3}) {
        SCOPED_TRACE(::testing::Message() << columns << " columns, " << cells << " cells, start " << start);
        const auto make = [&] {
          ArrayStore s = table(start == 1 ? columns + 1 : start == 3 ? 1 : columns);
          s.rowFlags().setAutoSelect(cells % 2 == 0);
          for (int32_t i = 0; i < cells; ++i) s.append(CellDescriptor::ofString(std::to_string(i).c_str()));
          if (cells > 0) s.setKey(cells / 2, CellDescriptor::ofValue(5));
          for (int32_t p = 0; p < s.rowFlags().count(); p += 3) s.rowFlags().set(p, RowFlags::kSelected);
          if (start == 1 || start == 3) s.dimensions().setBoundary(1, columns);
          if (start == 2 && cells > 0) s.insert(0, CellDescriptor::ofValue(-1));
          return s;
        };
        const int32_t rows = recordset::rowCount(make());
        for (int32_t r = 0; r <= rows; ++r) {
          ArrayStore run = make(), single = make();
          recordset::insertRowFromList(run, "x,y", r);
          const int32_t base = recordset::cellIndexOfRow(single, r, 0);
          for (int32_t c = 0; c < columns; ++c) {
            const char* item = c == 0 ? "x" : c == 1 ? "y" : nullptr;
            single.insert(base + c, item ? CellDescriptor::ofString(item) : CellDescriptor{});
          }
          ASSERT_EQ(describe(run), describe(single)) << "insert at row " << r;
          if (r == rows) continue;
          run = make(), single = make();
          recordset::deleteRow(run, r);
          for (int32_t c = columns - 1; c >= 0; --c) single.deleteAt(base + c);
          ASSERT_EQ(describe(run), describe(single)) << "delete row " << r;
        }
      }
    }
  }
}

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
    ASSERT_EQ(flags.selectedCount(), r) << step;
    ASSERT_EQ(flags.positionOfSelected(r), -1) << step;
    ASSERT_EQ(flags.positionOfSelected(-1), -1) << step;
  }
}

TEST(LabelTable, CostsTheLabelsItHoldsNotTheColumns) {
  ArrayStore s;
  s.dimensions().setCount(2);
  s.dimensions().setBoundary(1, 80000000);
  recordset::setLabel(s, "price", 79999999);
  recordset::setLabel(s, "name", 3);
  EXPECT_EQ(s.labels().size(), 80000000);
  EXPECT_EQ(s.labels().held().size(), 2u);
  EXPECT_STREQ(recordset::label(s, 79999999), "price");
  EXPECT_EQ(recordset::label(s, 4), nullptr);
  EXPECT_EQ(recordset::columnOfLabel(s, "PRICE"), 79999999);
  // Fewer columns drop the labels past them, and the slots stay as many as the columns.
  s.dimensions().setBoundary(1, 5);
  recordset::setLabel(s, "", 0);
  EXPECT_EQ(s.labels().size(), 5);
  EXPECT_EQ(recordset::labelList(s), ",,,name,");
  EXPECT_EQ(recordset::columnOfLabel(s, "price"), -1);
}

// Splitting counts its items before it takes them; against a plain split
// on random texts and delimiters.
TEST(Lists, SplittingMatchesAPlainSplitOnRandomTexts) {
  std::mt19937 random(7);
  const char alphabet[] = ",; ab";
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
}

struct Row {
  int32_t id, value;
  const char* text;
};

// The shortcuts of the row sort (a unique order when every cell differs,
// ranges already strictly in order or in reverse) must leave rows exactly
// where the plain steps do.
TEST(RowSort, FollowsTheQuicksortStepsWhateverTheInput) {
  std::mt19937 random(11);
  const char* texts[] = {"a", "A", "b", "B", "ab", "aB", "*", "10", "9"};
  for (int trial = 0; trial < 700; ++trial) {
    const int n = 2 + static_cast<int>(random() % 60);
    // Values with few distinct (many ties), all distinct, runs in order or in reverse with
    // ties, in order with a few out of place, in order with runs of any length: each reaches
    // a different shortcut. Then texts, where ignoring case makes ties of different texts.
    const int shape = trial % 7;
    const SortKind kind = shape == 6 ? kSortByString : kSortByValue;
    std::vector<Row> rows;
    int32_t run = 0;
    for (int k = 0; k < n; ++k) {
      const int32_t values[] = {static_cast<int32_t>(random() % 4),
                                k * 7919 % 1009 - 500,
                                k / 3 + (k % 5 == 0 ? 0 : 100),
                                (n - k) / 2,
                                k / 2 + (k > n / 2 ? 7 : 0) - (k % 9 == 4 ? 3 : 0),
                                run += random() % 3 == 0,
                                0};
      rows.push_back({k + 1, values[shape], texts[random() % 9]});  // ids from 1: 0 would be an empty cell
    }
    for (const SortOrder order : {SortOrder::ascending, SortOrder::descending}) {
      std::vector<Row> expected = rows;
      // The row sort's quicksort pivots the first row.
      testing::referenceQuicksort(expected, 0, n - 1, false, [&](const Row& a, const Row& b) {
        const int c =
            kind == kSortByValue ? (a.value > b.value) - (a.value < b.value) : literalCompare(a.text, b.text, false);
        return order == SortOrder::ascending ? (c > 0) - (c < 0) : (c < 0) - (c > 0);
      });
      ArrayStore store = table(2);
      for (const Row& r : rows) {
        store.append(CellDescriptor::ofValue(r.id));
        store.append(kind == kSortByValue ? CellDescriptor::ofValue(r.value) : CellDescriptor::ofString(r.text));
      }
      recordset::sortRowsByColumn(store, 1, kind, order);
      for (int k = 0; k < n; ++k) ASSERT_EQ(store.valueAt(2 * k), expected[k].id) << "trial " << trial << " row " << k;
    }
  }
}

// Sorting by texts compares their first eight bytes at once: texts that share
// them, end around them, differ in case there or past them, and value cells
// read as texts, against the plain steps, in both case modes.
TEST(RowSort, TextsOrderAsTheirWholeTextsWhateverTheyShare) {
  std::mt19937 random(23);
  const char* stems[] = {"", "abcdefg", "ABCDEFG", "abcdefgh", "abcdefgH", "abcdefghi", "abcdefgh\xe9", "-12", "7"};
  for (int trial = 0; trial < 400; ++trial) {
    const int n = 2 + static_cast<int>(random() % 80);
    const bool caseSensitive = trial % 2 == 1;
    std::vector<std::string> texts;
    std::vector<int32_t> values;  // a value cell where non-zero
    for (int k = 0; k < n; ++k) {
      values.push_back(random() % 5 == 0 ? static_cast<int32_t>(random() % 40) - 20 : 0);
      texts.push_back(values.back() != 0 ? std::to_string(values.back())
                                         : stems[random() % 9] + std::string(random() % 3, "xX"[random() % 2]));
    }
    for (const SortOrder order : {SortOrder::ascending, SortOrder::descending}) {
      std::vector<Row> expected;
      for (int k = 0; k < n; ++k) expected.push_back({k + 1, 0, texts[static_cast<std::size_t>(k)].c_str()});
      testing::referenceQuicksort(expected, 0, n - 1, false, [&](const Row& a, const Row& b) {
        const int c = literalCompare(a.text, b.text, caseSensitive);
        return order == SortOrder::ascending ? (c > 0) - (c < 0) : (c < 0) - (c > 0);
      });
      ArrayStore store = table(2);
      store.setCaseSensitive(caseSensitive);
      for (int k = 0; k < n; ++k) {
        store.append(CellDescriptor::ofValue(k + 1));
        const auto i = static_cast<std::size_t>(k);
        store.append(values[i] != 0 ? CellDescriptor::ofValue(values[i]) : CellDescriptor::ofString(texts[i].c_str()));
      }
      recordset::sortRowsByColumn(store, 1, kSortByString, order);
      for (int k = 0; k < n; ++k) ASSERT_EQ(store.valueAt(2 * k), expected[k].id) << "trial " << trial << " row " << k;
    }
  }
}

// Larger tables, where the quicksort's depth budgets run out, with only some
// rows selected (the others keep their positions): values of every kind of
// spread, the extreme 32-bit values, and texts sharing long beginnings.
TEST(RowSort, SelectedRowsOfLargerTablesFollowTheQuicksortSteps) {
  std::mt19937 random(29);
  // Texts that tie on their first 8, 16 or 24 bytes, end around them, or differ in case past them.
  const char* stems[] = {"item-0000",
                         "Item-0000",
                         "abcdefghijklmnop",
                         "ABCDEFGHijklmnop",
                         "abcdefghijklmnoq",
                         "abcdefghijklmnopq",
                         "abcdefghijklmnopqrstuvwx",
                         "abcdefghijklmnopqrstuvwX",
                         "abcdefghijklmnopqr",
                         "abcdefghijklmno",
                         "x",
                         ""};
  for (int trial = 0; trial < 240; ++trial) {
    const int n = 2 + static_cast<int>(random() % 700);
    const int shape = trial % 6;
    const SortKind kind = shape == 5 ? kSortByString : kSortByValue;
    const bool caseSensitive = trial % 4 < 2;
    std::vector<std::string> texts;
    std::vector<Row> rows;
    for (int k = 0; k < n; ++k) {
      const int32_t values[] = {static_cast<int32_t>(random() % 7) - 3,
                                static_cast<int32_t>(random()),
                                k / 2,
                                (n - k) / 2,
                                random() % 3 == 0 ? INT32_MIN : (random() % 2 ? INT32_MAX : 1),
                                0};
      texts.push_back(stems[random() % 12] + std::string(random() % 3, "yY"[random() % 2]));
      rows.push_back({k + 1, values[shape], nullptr});
    }
    for (int k = 0; k < n; ++k) rows[static_cast<std::size_t>(k)].text = texts[static_cast<std::size_t>(k)].c_str();
    std::vector<bool> selected(static_cast<std::size_t>(n));
    for (std::size_t k = 0; k < selected.size(); ++k) selected[k] = trial % 3 == 0 || random() % 4 != 0;
    for (const SortOrder order : {SortOrder::ascending, SortOrder::descending}) {
      // The plain steps on the selected rows only, then put back at their positions.
      std::vector<Row> chosen;
      for (int k = 0; k < n; ++k) {
        if (selected[static_cast<std::size_t>(k)]) chosen.push_back(rows[static_cast<std::size_t>(k)]);
      }
      testing::referenceQuicksort(chosen, 0, static_cast<int>(chosen.size()) - 1, false,
                                  [&](const Row& a, const Row& b) {
                                    const int c = kind == kSortByValue ? (a.value > b.value) - (a.value < b.value)
                                                                       : literalCompare(a.text, b.text, caseSensitive);
                                    return order == SortOrder::ascending ? (c > 0) - (c < 0) : (c < 0) - (c > 0);
                                  });
      std::vector<Row> expected = rows;
      for (std::size_t k = 0, next = 0; k < expected.size(); ++k) {
        if (selected[k]) expected[k] = chosen[next++];
      }
      ArrayStore store = table(3);
      store.setCaseSensitive(caseSensitive);
      for (const Row& r : rows) {
        store.append(CellDescriptor::ofValue(r.id));
        store.append(kind == kSortByValue ? CellDescriptor::ofValue(r.value) : CellDescriptor::ofString(r.text));
        store.append(CellDescriptor::ofValue(-r.id));
      }
      for (int k = 0; k < n; ++k) {
        if (!selected[static_cast<std::size_t>(k)]) store.rowFlags().set(k, RowFlags::kUnselected);
      }
      recordset::sortRowsByColumn(store, 1, kind, order);
      for (int k = 0; k < n; ++k) {
        const Row& want = expected[static_cast<std::size_t>(k)];
        ASSERT_EQ(store.valueAt(3 * k), want.id) << "trial " << trial << " row " << k;
        ASSERT_EQ(store.valueAt(3 * k + 2), -want.id) << "trial " << trial << " row " << k;
      }
    }
  }
}

// Orders built against the first-row pivot (in order, each value twice) and
// the middle pivot (with ties), at 100,000 rows (kCraftedItems): the rows end where the plain
// quicksort puts them (which takes seconds; texts take the same path and are
// checked on smaller inputs above).
TEST(RowSort, CraftedOrdersEndWhereThePlainSortPutsThem) {
  const int32_t n = testing::kCraftedItems;
  std::vector<int32_t> middle = testing::middlePivotKiller(n);
  for (int32_t& v : middle) v /= 2;
  std::vector<int32_t> first = testing::firstPivotKiller(n);
  for (const std::vector<int32_t>* values : {&first, &middle}) {
    const SortOrder order = values == &first ? SortOrder::ascending : SortOrder::descending;
    std::vector<Row> expected;
    for (int32_t k = 0; k < n; ++k) expected.push_back({k + 1, (*values)[static_cast<std::size_t>(k)], ""});
    ArrayStore store = table(2);
    for (const Row& r : expected) {
      store.append(CellDescriptor::ofValue(r.id));
      store.append(CellDescriptor::ofValue(r.value));
    }
    testing::referenceQuicksort(expected, 0, n - 1, false, [&](const Row& a, const Row& b) {
      const int d = (a.value > b.value) - (a.value < b.value);
      return order == SortOrder::ascending ? d : -d;
    });
    recordset::sortRowsByColumn(store, 1, kSortByValue, order);
    int32_t misplaced = 0;
    for (int32_t k = 0; k < n; ++k) misplaced += store.valueAt(2 * k) != expected[static_cast<std::size_t>(k)].id;
    EXPECT_EQ(misplaced, 0) << static_cast<int>(order);
  }
}

// Without memory for any step, a row sort either leaves the rows as they were
// or, when only the one-pass move lacks memory, exchanges them into the same
// order; keys travel with their cells either way.
TEST(RowSort, OutOfMemoryLeavesTheRowsOrSortsThemAllTheSame) {
  const auto build = [] {
    ArrayStore store = table(2);
    for (int k = 0; k < 40; ++k) {
      store.append(CellDescriptor::ofValue(k + 1));
      store.append(CellDescriptor::ofValue(k * 7 % 5));
      store.setKey(2 * k, CellDescriptor::ofValue(100 + k));
    }
    return store;
  };
  ArrayStore sorted = build();
  recordset::sortRowsByColumn(sorted, 1, kSortByValue, SortOrder::descending);
  const std::string before = describe(build());
  ArrayStore store = build();
  int exchanged = 0;
  const int failures = testing::forEachAllocationFailure(
      [&] { recordset::sortRowsByColumn(store, 1, kSortByValue, SortOrder::descending); },
      [&](bool threw) {
        EXPECT_EQ(describe(store), threw ? before : describe(sorted));
        exchanged += threw ? 0 : 1;
        store = build();
      });
  EXPECT_GT(failures, 1);
  EXPECT_EQ(exchanged, 1);  // the move's one allocation: its index list
  EXPECT_EQ(describe(store), describe(sorted));
  EXPECT_NE(describe(sorted), before);
}

}  // namespace
}  // namespace tessel
