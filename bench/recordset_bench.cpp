// Recordset operations through the routine tables at 1,000, 10,000 and
// 100,000 rows. Every benchmark reports rows per second (items), so the
// per-row cost at the three sizes shows how each operation scales.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/compare.h"
#include "tests/host/catalogue_numbers.h"
#include "tests/host/crafted_orders.h"
#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

constexpr int32_t kColumns = 3;

TesselActionRoutine action(int n) { return builtModule().infos().actions[n]; }

TesselSetup tableSetup() {
  TesselSetup setup = makeSetup(2, kColumns);
  setup.autoSelect = 1;
  return setup;
}

// Appends n rows "name,value,tag"; values come from `value(k)`.
template <typename Value>
void fill(HostedObject& o, int64_t n, Value&& value) {
  const auto append = action(kAppendRow);
  for (int64_t k = 0; k < n; ++k) {
    const std::string row = "row" + std::to_string(k) + "," + std::to_string(value(k)) + ",t";
    append(&o.record(), reinterpret_cast<intptr_t>(row.c_str()), 0);
  }
}

int32_t spread(int64_t k) { return static_cast<int32_t>(k * 7919 % 1000003); }

void BM_AppendRow(benchmark::State& state) {
  const auto append = action(kAppendRow);
  for (auto _ : state) {
    HostedObject o(tableSetup());
    for (int64_t k = 0; k < state.range(0); ++k) append(&o.record(), reinterpret_cast<intptr_t>("a,12,t"), 0);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RowListOfEveryRow(benchmark::State& state) {
  HostedObject o(tableSetup());
  fill(o, state.range(0), spread);
  for (auto _ : state) {
    for (int32_t r = 0; r < state.range(0); ++r) benchmark::DoNotOptimize(o.call(kRowList, r).raw);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ColumnList(benchmark::State& state) {
  HostedObject o(tableSetup());
  fill(o, state.range(0), spread);
  for (auto _ : state) benchmark::DoNotOptimize(o.call(kColumnList, 1).raw);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WhereQuery(benchmark::State& state) {
  HostedObject o(tableSetup());
  fill(o, state.range(0), spread);
  const auto where = action(kGreaterOrEqual);
  for (auto _ : state) where(&o.record(), 1, 500000);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Sorting changes the table, so each round sorts a freshly filled one:
// `row(r, k)` gives row k of round r, and the table is sorted by `column`
// with the action `by`.
template <typename Row>
void timeRowSort(benchmark::State& state, Row&& row, int by, intptr_t column) {
  const auto append = action(kAppendRow);
  const auto sort = action(by);
  int64_t round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      HostedObject o(tableSetup());
      for (int64_t k = 0; k < state.range(0); ++k) {
        const std::string text = row(round, k);
        append(&o.record(), reinterpret_cast<intptr_t>(text.c_str()), 0);
      }
      ++round;
      state.ResumeTiming();
      sort(&o.record(), column, 0);
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Rows as fill makes them, sorted by their values (`value(r, k)`).
template <typename Value>
void sortRows(benchmark::State& state, Value&& value) {
  timeRowSort(
      state,
      [&](int64_t round, int64_t k) {
        return "row" + std::to_string(k) + "," + std::to_string(value(round, k)) + ",t";
      },
      kSortColumnValueAsc, 1);
}

// Every value distinct, in no order; one of 16 orders in turn (the same
// order every round let the branch predictor learn the index sort's
// comparisons, which made 1,000 rows look twice as cheap).
int32_t distinct(int64_t round, int64_t k) { return static_cast<int32_t>(k * (7919 + 1000 * (round % 16)) % 1000003); }

void BM_SortRowsByValue(benchmark::State& state) { sortRows(state, distinct); }

// The baselines of the row sorts: std::sort of the (value, position) pairs
// of `value(r, k)`, packed as the row sort packs them.
template <typename Value>
void stdSortPairs(benchmark::State& state, Value&& value) {
  std::vector<uint64_t> pairs(static_cast<std::size_t>(state.range(0)));
  int64_t round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t k = 0; k < pairs.size(); ++k) {
      const int32_t v = value(round, static_cast<int64_t>(k));
      pairs[k] = static_cast<uint64_t>(static_cast<uint32_t>(v) ^ 0x80000000U) << 32 | k;
    }
    ++round;
    state.ResumeTiming();
    std::sort(pairs.begin(), pairs.end());
    benchmark::DoNotOptimize(pairs.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same values as BM_SortRowsByValue: the baseline of every row sort
// whose ties leave the order to the quicksort's steps, which std::sort
// need not take.
void BM_SortRowsByValue_StdSort(benchmark::State& state) { stdSortPairs(state, distinct); }

// Distinct values already in order, and in reverse order: the order is the
// one sorted order, so each is measured against std::sort of the same pairs.
int32_t ascending(int64_t, int64_t k) { return static_cast<int32_t>(k); }
int32_t descending(int64_t, int64_t k) { return static_cast<int32_t>(-k); }
void BM_SortRowsByValueSorted(benchmark::State& state) { sortRows(state, ascending); }
void BM_SortRowsByValueSorted_StdSort(benchmark::State& state) { stdSortPairs(state, ascending); }
void BM_SortRowsByValueReversed(benchmark::State& state) { sortRows(state, descending); }
void BM_SortRowsByValueReversed_StdSort(benchmark::State& state) { stdSortPairs(state, descending); }

// 100 distinct values: the ties leave the order to the quicksort's own steps.
void BM_SortRowsByValueWithTies(benchmark::State& state) {
  std::mt19937 random(5);
  sortRows(state, [&](int64_t, int64_t) { return static_cast<int32_t>(random() % 100); });
}

// Already in order, with pairs of equal values.
void BM_SortRowsByValueSortedWithTies(benchmark::State& state) {
  sortRows(state, [](int64_t, int64_t k) { return static_cast<int32_t>(k / 2); });
}

// In reverse order with pairs of equal values: long scans for the quicksort.
void BM_SortRowsByValueReversedWithTies(benchmark::State& state) {
  const int64_t n = state.range(0);
  sortRows(state, [n](int64_t, int64_t k) { return static_cast<int32_t>((n - k) / 2); });
}

// Every value the same: each scan stops at once, every row is exchanged.
void BM_SortRowsByValueAllEqual(benchmark::State& state) {
  sortRows(state, [](int64_t, int64_t) { return 7; });
}

// Built against a middle pivot, each value twice: the ties take the
// first-row-pivot quicksort's own steps on an order no plain quicksort likes.
void BM_SortRowsByValueCrafted(benchmark::State& state) {
  const std::vector<int32_t> killer = middlePivotKiller(static_cast<int32_t>(state.range(0)));
  sortRows(state, [&](int64_t, int64_t k) { return killer[static_cast<std::size_t>(k)] / 2; });
}

// Text keys: rows named `name(r, k)`, sorted by their names as texts. A
// name is a number written in six letters ("aabqxd"), so text order is
// number order.
std::string lettered(int64_t number) {
  std::string name(6, 'a');
  for (auto k = name.size(); k-- > 0 && number > 0; number /= 26) name[k] = static_cast<char>('a' + number % 26);
  return name;
}

template <typename Number>
void sortRowsByText(benchmark::State& state, Number&& number) {
  timeRowSort(
      state, [&](int64_t round, int64_t k) { return lettered(number(round, k)) + "," + std::to_string(k) + ",t"; },
      kSortColumnStringAsc, 0);
}

// Every name distinct, in no order; one of 16 orders in turn.
void BM_SortRowsByText(benchmark::State& state) { sortRowsByText(state, distinct); }

// The baseline of the text row sorts: std::sort of (text, position) pairs by
// the row sort's comparison (the literal one, not case-sensitive), the same
// names as BM_SortRowsByText.
void BM_SortRowsByText_StdSort(benchmark::State& state) {
  struct Pair {
    const char* text;
    int32_t position;
  };
  std::vector<std::string> names(static_cast<std::size_t>(state.range(0)));
  std::vector<Pair> pairs(names.size());
  int64_t round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t k = 0; k < pairs.size(); ++k) {
      names[k] = lettered(distinct(round, static_cast<int64_t>(k)));
      pairs[k] = {names[k].c_str(), static_cast<int32_t>(k)};
    }
    ++round;
    state.ResumeTiming();
    std::sort(pairs.begin(), pairs.end(),
              [](const Pair& a, const Pair& b) { return literalCompare(a.text, b.text, false) < 0; });
    benchmark::DoNotOptimize(pairs.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// 100 distinct names.
void BM_SortRowsByTextWithTies(benchmark::State& state) {
  std::mt19937 random(5);
  sortRowsByText(state, [&](int64_t, int64_t) { return static_cast<int64_t>(random() % 100); });
}

// Already in order, with pairs of equal names.
void BM_SortRowsByTextSortedWithTies(benchmark::State& state) {
  sortRowsByText(state, [](int64_t, int64_t k) { return k / 2; });
}

// In reverse order with pairs of equal names.
void BM_SortRowsByTextReversedWithTies(benchmark::State& state) {
  const int64_t n = state.range(0);
  sortRowsByText(state, [n](int64_t, int64_t k) { return (n - k) / 2; });
}

void BM_ColumnSum(benchmark::State& state) {
  HostedObject o(tableSetup());
  fill(o, state.range(0), spread);
  for (auto _ : state) benchmark::DoNotOptimize(o.integer(kColumnSum, 1));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

#define TESSEL_ROWS ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_AppendRow) TESSEL_ROWS;
BENCHMARK(BM_RowListOfEveryRow) TESSEL_ROWS;
BENCHMARK(BM_ColumnList) TESSEL_ROWS;
BENCHMARK(BM_WhereQuery) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByValue) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByValue_StdSort) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByValueSorted) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByValueSorted_StdSort) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByValueReversed) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByValueReversed_StdSort) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByValueWithTies) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByValueSortedWithTies) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByValueReversedWithTies) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByValueAllEqual) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByValueCrafted) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByText) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByText_StdSort) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByTextWithTies) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByTextSortedWithTies) TESSEL_ROWS;
BENCHMARK(BM_SortRowsByTextReversedWithTies) TESSEL_ROWS;
BENCHMARK(BM_ColumnSum) TESSEL_ROWS;
#undef TESSEL_ROWS

}  // namespace
}  // namespace tessel::testing
