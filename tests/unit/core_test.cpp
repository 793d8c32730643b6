// Cells, layout changes that move many cells at once, the store's strong guarantee when memory runs out, and the cell
// sort against its plain model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "core/array_store.h"
#include "core/cell_table.h"
#include "core/compare.h"
#include "core/dimensions.h"
#include "core/keys.h"
#include "core/sort.h"
#include "tests/host/crafted_orders.h"
#include "tests/unit/allocation_faults.h"
#include "tests/unit/stores.h"

namespace tessel {
namespace {

using testing::describe;
using testing::describeAll;

// "type length text value" of a cell.
std::string cellOf(const Cell& c) {
  return std::to_string(static_cast<int>(c.type())) + " " + std::to_string(c.length()) + " " +
         std::string(c.text().view()) + " " + std::to_string(c.value());
}

// Bytes at and around the size a cell holds itself, moved, exchanged and assigned from their own storage: content,
// length and key survive each step.
TEST(Cell, ContentInsideAndOutsideTheCellSurvivesMoves) {
  const std::size_t local = Cell::kLocalSize;
  std::vector<std::size_t> sizes{3 * local};
  for (std::size_t n = 1; n <= local + 1; ++n) sizes.push_back(n);  // short copies take size-dependent steps
  auto textOf = [](std::size_t n) {  // n bytes with the terminator, each different from its neighbours
    std::string text;
    for (std::size_t k = 0; k + 1 < n; ++k) text += static_cast<char>('a' + k % 26);
    return text;
  };
  Cell reused;  // each size after the one before: long to short, short to longer, short to long
  for (const std::size_t n : sizes) {
    SCOPED_TRACE(n);
    const std::string text = textOf(n);
    reused.assignString(text.c_str());
    EXPECT_EQ(cellOf(reused), "2 " + std::to_string(n) + " " + text + " 0");
    const std::string data = std::string(n, '\0') + "z";
    Cell a, b;
    a.assignString(text.c_str());
    a.setKey(CellDescriptor::ofString(text.c_str()));
    b.assignData(data.data(), static_cast<int32_t>(data.size()));
    std::swap(a, b);
    const std::string described = "2 " + std::to_string(n) + " " + text + " 0";
    EXPECT_EQ(cellOf(b) + "#" + cellOf(*b.key()), described + "#" + described);
    EXPECT_EQ(std::string(a.bytes(), data.size()), data);
    Cell moved(std::move(b));
    EXPECT_EQ(cellOf(moved), described);
    const CellText kept = moved.textAcrossMoves();  // outlives the cell's move
    b = std::move(moved);
    moved.assignString("other");
    EXPECT_EQ(kept.view(), text);
    b.assign(CellDescriptor::ofString(b.bytes() + n / 2));  // from its own storage
    EXPECT_EQ(std::string(b.text().view()), text.substr(n / 2));
    a.takeContent(b);
    EXPECT_EQ(std::string(a.text().view()) + "|" + std::to_string(b.length()), text.substr(n / 2) + "|0");
    EXPECT_NE(b.key(), nullptr);  // the key stayed with its cell
  }
}

// Empty keys and empty text keys share one cell each: changing, moving or clearing one holder leaves the others as they
// were.
TEST(Cell, SharedEmptyKeysStayApartWhenOneChanges) {
  using D = CellDescriptor;
  const D ways[2][3] = {{{}, D::ofValue(0), D::ofString(nullptr)}, {D::ofString(""), D::ofString(""), D::ofString("")}};
  for (int kind = 0; kind < 2; ++kind) {
    const D* empty = ways[kind];
    Cell blank;
    blank.assign(empty[0]);
    const std::string e = cellOf(blank) + "|" + cellOf(blank);
    for (const D& d : {D::ofValue(5), D::ofString("k"), ways[1 - kind][0], D::ofData("ab", 2)}) {
      SCOPED_TRACE(::testing::Message() << kind << " becomes " << static_cast<int>(d.type));
      Cell a, b, c;
      a.setKey(empty[0]);
      b.setKey(empty[1]);
      c.setKey(empty[2]);
      ASSERT_NE(a.key(), nullptr);
      b.setKey(d);
      EXPECT_EQ(cellOf(*a.key()) + "|" + cellOf(*c.key()), e);
      EXPECT_EQ(b.key()->type(), d.type);
      b.setKey(empty[0]);  // emptied again, but its own
      a.setKey(d);
      EXPECT_EQ(cellOf(*b.key()) + "|" + cellOf(*c.key()), e);
      Cell moved(std::move(c));
      c.clear();
      moved.clear();
      EXPECT_EQ(moved.key(), nullptr);
      b.setKey(d);
      EXPECT_EQ(cellOf(*a.key()), cellOf(*b.key()));
    }
    // Sharing is what lets a file of many such keys cost nothing for them.
    Cell keyed;
    EXPECT_EQ(testing::forEachAllocationFailure([&] { keyed.setKey(empty[0]); }, [](bool) {}), 0) << kind;
  }
}

// A 2D store of string cells "0", "1", ..., with the key "k" on cell 1.
ArrayStore grid(int32_t columns, int32_t cells) {
  ArrayStore s = testing::table(columns, false);
  for (int32_t i = 0; i < cells; ++i) s.append(CellDescriptor::ofString(std::to_string(i).c_str()));
  s.setKey(1, CellDescriptor::ofString("k"));
  return s;
}

// Every way of adding cells at the end (append, set past the end, reserved appends, a load's run with room for fewer,
// as many or more) ends as inserts do, from tables grown, shrunk, far below their capacity or regrouped.
TEST(ArrayStore, EveryWayOfAddingAtTheEndEndsAsAnInsert) {
  for (const int32_t dimensions : {1, 2}) {
    for (const int32_t start : {0, 12, 26, 37, 500, -40, -1, -2, -3}) {
      SCOPED_TRACE(std::to_string(dimensions) + "D, start " + std::to_string(start));
      const auto make = [&] {
        ArrayStore s = grid(3, start == -3 ? 600 : start < 0 ? 500 : start);
        if (start == -1 || start == -2) s.set(2000, CellDescriptor::ofValue(1));
        while ((start == -40 || start == -2) && s.size() > 40) s.deleteAt(0);
        if (start == -3) resizeBoundary(s, 1, 1);
        s.rowFlags().set(2, RowFlags::kSelected);
        s.rowFlags().setAutoSelect(true);  // new rows come selected
        s.dimensions().setBoundary(1, 7);  // fewer rows than flags: the first insert drops some
        s.dimensions().setCount(dimensions);
        return s;
      };
      ArrayStore inserted = make(), appended = make(), set = make(), reserved = make();
      reserved.reserveAppends(1500);
      std::deque<ArrayStore> loaded;
      std::deque<ArrayStore::Appends> loads;
      for (const int64_t room : {0, 500, 1500, 3000}) loads.emplace_back(loaded.emplace_back(make()), room);
      for (int32_t i = 0; i < 1500; ++i) {
        const std::string text = i % 3 == 0 ? "a text longer than a cell holds" : std::to_string(i);
        const CellDescriptor d = CellDescriptor::ofString(text.c_str());
        inserted.insert(inserted.size(), d);
        appended.append(d);
        set.set(set.size(), d);
        reserved.append(d);
        for (ArrayStore::Appends& a : loads) a.add(d);
        for (const ArrayStore* w : {&appended, &set, &reserved}) ASSERT_EQ(w->capacity(), inserted.capacity()) << i;
      }
      for (ArrayStore::Appends& a : loads) a.finish();
      const ArrayStore* ways[] = {&appended, &set, &reserved, &loaded[0], &loaded[1], &loaded[2], &loaded[3]};
      for (const ArrayStore* way : ways) EXPECT_EQ(describeAll(*way), describeAll(inserted)) << &way - ways;
    }
  }
}

// A copy (the workbench's snapshots) holds what the store holds, at every fill of its capacity, and stays apart from
// it.
TEST(ArrayStore, ACopyIsTheSameAndApart) {
  for (const int32_t cells : {2, 3, 499, 500, 501, 1500}) {
    ArrayStore s = grid(3, cells);
    s.set(0, CellDescriptor::ofString("a text longer than a cell holds"));
    const std::string before = describeAll(s);
    ArrayStore c = s.copy();
    EXPECT_EQ(describeAll(c), before) << cells;
    c.set(0, CellDescriptor::ofValue(5));
    c.setKey(1, CellDescriptor::ofString("other"));
    EXPECT_EQ(describeAll(s), before) << cells;
    // A copy that runs out of memory throws and keeps nothing it took (the sanitizer build sees a leak).
    EXPECT_GT(testing::forEachAllocationFailure([&] { (void)s.copy(); }, [](bool threw) { EXPECT_TRUE(threw); }), 0);
  }
}

// A search by a key of bytes matches its length and bytes; the empty key matches an empty one.
TEST(Keys, KeysOfBytesAreFoundByLengthAndBytes) {
  ArrayStore s = grid(1, 4);
  s.setKey(2, CellDescriptor::ofData("a\0c", 3));
  s.setKey(3, CellDescriptor::ofData("a\0", 2));
  s.setKey(0, CellDescriptor());
  EXPECT_EQ(
      std::vector({indexOfKey(s, CellDescriptor::ofData("a\0c", 3)), indexOfKey(s, CellDescriptor::ofData("a\0", 2)),
                   indexOfKey(s, CellDescriptor::ofData("a\0d", 3)), indexOfKey(s, CellDescriptor())}),
      std::vector({2, 3, -1, 0}));
}

// Each change, run out of memory at each of its allocations in turn, fails whole or not at all; a delete cannot fail.
TEST(ArrayStore, FailedAllocationsLeaveTheStoreAsItWas) {
  ArrayStore s = grid(2, 11);
  // Texts too long to be held inside a cell, so that each change allocates.
  const std::function<void()> changes[] = {
      [&] { s.append(CellDescriptor::ofString("the twelfth element")); },
      [&] { s.insert(0, CellDescriptor::ofString("a new front element")); },  // grows
      [&] { s.set(2, CellDescriptor::ofString("replaced")); },
      [&] { s.setKey(5, CellDescriptor::ofString("key")); },
      [&] { s.set(310, CellDescriptor::ofString("far")); },
      [&] { s.set(s.size() + 1, CellDescriptor::ofString("past the end, with room")); },
      [&] { resizeBoundary(s, 1, 7); },
      [&] { resizeBoundary(s, 1, 1); },
  };
  // Each failure throws and leaves the store as it was.
  const auto failuresLeavingTheStore = [&](const std::function<void()>& change) {
    const std::string before = describeAll(s);
    return testing::forEachAllocationFailure(change, [&](bool threw) {
      EXPECT_TRUE(threw);
      EXPECT_EQ(describeAll(s), before);
    });
  };
  for (const auto& change : changes) {
    const std::string before = describeAll(s);
    EXPECT_GT(failuresLeavingTheStore(change), 0) << &change - changes;
    EXPECT_NE(describeAll(s), before);
  }
  while (s.size() >= s.capacity() / 4) s.deleteAt(0);  // so that the next delete shrinks
  // A shrink that finds no memory keeps the larger table.
  const int32_t count = s.size(), capacity = s.capacity();
  testing::failAllocationAfter(0);
  s.deleteAt(0);
  EXPECT_TRUE(testing::allocationFailed());
  testing::failAllocationAfter(-1);
  EXPECT_EQ(std::pair(s.size(), s.capacity() < capacity), std::pair(count - 1, true));
  EXPECT_GT(failuresLeavingTheStore([&] { s.deleteAll(); }), 0);
  EXPECT_EQ(s.size(), 0);
}

// Cells 1..n; built up to `from` cells first, so a cut table keeps a larger capacity.
CellTable filled(int32_t n, int32_t from) {
  CellTable t;
  for (int32_t i = 0; i < std::max(n, from); ++i) t.insert(i, CellDescriptor::ofValue(i + 1));
  while (t.count() > n) t.erase(t.count() - 1);
  return t;
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
    for (int64_t k = 0; length == r.span && k < r.pad; ++k) t.insert(static_cast<int32_t>(at++), CellDescriptor());
  }
}

TEST(Regroup, CapacityMatchesSingleChangesEverywhere) {
  for (const int32_t from : {0, 400}) {
    for (int32_t n = 0; n <= 130; ++n) {
      for (const Regrouping r :
           {Regrouping{1, 1, 1}, Regrouping{1, 1, 4}, Regrouping{3, 3, 2}, Regrouping{5, 5, 11}, Regrouping{7, 7, 1},
            Regrouping{2, 1, 0}, Regrouping{4, 1, 0}, Regrouping{9, 5, 0}, Regrouping{50, 10, 0}}) {
        SCOPED_TRACE(::testing::Message()
                     << n << " from " << from << " span " << r.span << " keep " << r.keep << " pad " << r.pad);
        CellTable whole = filled(n, from), single = filled(n, from);
        ASSERT_TRUE(whole.regroup(r));
        regroupCellByCell(single, r);
        // The layouts themselves are checked end to end.
        ASSERT_EQ(std::pair(whole.count(), whole.capacity()), std::pair(single.count(), single.capacity()));
      }
    }
  }
}

// The first positions of the cells in the order a sort left them.
std::vector<int32_t> positions(const ArrayStore& s) {
  std::vector<int32_t> got;
  for (int32_t i = 0; i < s.size(); ++i) got.push_back(s.cellAt(i)->key()->value() - 1);
  return got;
}

// A store of `texts` keyed by position from 1, so that ties can be told apart; "=N" is a value cell, and so is every
// text when `values` is set.
ArrayStore keyedCells(const std::vector<std::string>& texts, bool values, bool caseSensitive) {
  ArrayStore s;
  s.setCaseSensitive(caseSensitive);
  for (std::size_t k = 0; k < texts.size(); ++k) {
    const char* t = texts[k].c_str();
    s.append(t[0] == '=' ? CellDescriptor::ofValue(std::atoi(t + 1))  // 0 makes an empty cell
             : values    ? CellDescriptor::ofValue(std::atoi(t))
                         : CellDescriptor::ofString(t));
    s.setKey(static_cast<int32_t>(k), CellDescriptor::ofValue(static_cast<int32_t>(k) + 1));
  }
  return s;
}

// The order the plain middle-pivot quicksort leaves on whole cells.
std::vector<int32_t> referencePositions(const ArrayStore& s, SortKind kind, SortOrder order) {
  std::vector<int32_t> expected(static_cast<std::size_t>(s.size()));
  std::iota(expected.begin(), expected.end(), 0);
  const bool caseSensitive = s.compareMode().caseSensitive;
  testing::referenceQuicksort(expected, 0, s.size() - 1, true, [&](int32_t a, int32_t b) {
    const Cell &x = *s.cellAt(a), &y = *s.cellAt(b);
    const int c = kind == kSortByValue ? (x.value() > y.value()) - (x.value() < y.value())
                                       : literalCompare(x.text().c_str(), y.text().c_str(), caseSensitive);
    return order == SortOrder::descending ? -c : c;
  });
  return expected;
}

// The bounded path at every depth and the whole sort against the plain quicksort: ties, shared eight-byte prefixes,
// numbers as texts, crafted orders.
TEST(SortCells, LeaveTheOrderOfThePlainQuicksortAtEveryDepth) {
  std::mt19937 random(22);
  const char letters[] = "aAbB9-";
  const char* stems[] = {
      "",           "a",          "B", "abcdefg", "ABCDEFG", "abcdefgh",   "abcdefgH", "abcdefghi", "abcdefgh\xe9",
      "abcdefghij", "ABCDEFGHIJ", "7", "7x",      "-12",     "zzzzzzzzzz", "\x80\x81"};
  for (int trial = 0; trial < 1800; ++trial) {
    const int n = static_cast<int>(random() % (trial % 50 == 0 ? 600 : 120));
    const int shape = trial % 6;
    std::vector<std::string> texts;
    const std::vector<int32_t> killer = testing::middlePivotKiller(n);
    for (int k = 0; k < n; ++k) {
      std::string text;
      if (shape == 0) text = std::to_string(random() % 4);
      if (shape == 1) text = std::to_string(static_cast<int32_t>(random()));
      if (shape == 2) text = "abcdefg" + std::string(1, letters[random() % 6]) + std::string(random() % 3, 'x');
      if (shape == 3) {  // texts longer than eight bytes, ordered as the numbers in them
        const std::string digits = std::to_string(killer[static_cast<std::size_t>(k)] / (1 + trial % 3));
        text = "item-" + std::string(8 - digits.size(), '0') + digits;
      }
      for (int len = shape == 4 ? static_cast<int>(random() % 11) : 0; len > 0; --len) text += letters[random() % 6];
      if (shape == 5) text = random() % 5 == 0 ? "=" + std::to_string(random() % 9 - 4) : stems[random() % 16];
      texts.push_back(text);
    }
    for (const SortKind kind : {kSortByValue, kSortByString}) {
      const bool caseSensitive = trial % 2 == 1, values = kind == kSortByValue && shape != 5;
      const SortOrder order = random() % 2 ? SortOrder::ascending : SortOrder::descending;
      ArrayStore s = keyedCells(texts, values, caseSensitive);
      const std::vector<int32_t> expected = referencePositions(s, kind, order);
      const auto depth = static_cast<int32_t>(random() % 6);
      sortCellsWithin(s, kind, order, depth);
      ASSERT_EQ(positions(s), expected) << "trial " << trial << " kind " << kind << " depth " << depth;
      ArrayStore t = keyedCells(texts, values, caseSensitive);
      sortCells(t, kind, order);
      ASSERT_EQ(positions(t), expected) << "trial " << trial << " kind " << kind;
    }
  }
}

// Moving runs of cells (rows) against moving each run's cells one by one to a copy: runs narrower and wider than a pass
// takes, a tail left alone, keys along.
TEST(CellTable, PermutingRunsMovesEachRunWhole) {
  std::mt19937 random(41);
  const auto shown = [](const Cell& c) { return describe(c) + (c.key() ? "#" + describe(*c.key()) : ""); };
  for (int trial = 0; trial < 300; ++trial) {
    const auto span = static_cast<int32_t>(1 + random() % 20), runs = static_cast<int32_t>(random() % 40);
    const int32_t cells = runs * span + static_cast<int32_t>(random() % 5);  // a tail past the runs
    ArrayStore s;
    std::vector<std::string> before;
    for (int32_t k = 0; k < cells; ++k) {
      const std::string text = k % 3 == 0 ? "a long text of cell " + std::to_string(k) : std::to_string(k + 1);
      s.append(CellDescriptor::ofString(text.c_str()));
      if (k % 4 == 0) s.setKey(k, CellDescriptor::ofValue(-k - 1));
      before.push_back(shown(*s.cellAt(k)));
    }
    std::vector<int32_t> from(static_cast<std::size_t>(runs));
    std::iota(from.begin(), from.end(), 0);
    std::shuffle(from.begin(), from.end(), random);
    std::vector<std::string> expected = before, got;
    const auto width = static_cast<std::size_t>(span);
    for (std::size_t k = 0; k < from.size() * width; ++k) expected[k] = before[from[k / width] * width + k % width];
    s.permuteRuns(from, span);
    for (int32_t k = 0; k < s.size(); ++k) got.push_back(shown(*s.cellAt(k)));
    ASSERT_EQ(got, expected) << "trial " << trial << " span " << span;
  }
}

}  // namespace
}  // namespace tessel
