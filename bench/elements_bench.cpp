// Element operations through the routine tables, against the same work on a
// plain std::vector<std::string>, and the memory the store takes per cell.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>
#include <vector>

#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

constexpr int kAppendString = 8, kAppendValue = 9, kInsertString = 6, kDeleteAt = 16, kSetString = 13;
constexpr int kGetString = 2;

TesselActionRoutine action(int n) { return builtModule().infos().actions[n]; }

void BM_AppendString(benchmark::State& state) {
  const auto append = action(kAppendString);
  for (auto _ : state) {
    Instance o;
    for (int64_t i = 0; i < state.range(0); ++i) append(&o.record(), reinterpret_cast<intptr_t>("element"), 0);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_AppendString_Vector(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<std::string> v;
    for (int64_t i = 0; i < state.range(0); ++i) v.emplace_back("element");
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void fill(Instance& o, int64_t n) {
  const auto append = action(kAppendString);
  for (int64_t i = 0; i < n; ++i) append(&o.record(), reinterpret_cast<intptr_t>("element"), 0);
}

void BM_GetString(benchmark::State& state) {
  Instance o;
  fill(o, state.range(0));
  int32_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(o.call(kGetString, i).raw);
    if (++i == state.range(0)) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_GetString_Vector(benchmark::State& state) {
  std::vector<std::string> v(static_cast<std::size_t>(state.range(0)), "element");
  std::size_t i = 0;
  for (auto _ : state) {
    std::string copy = v[i];  // a host gets its own copy of the text
    benchmark::DoNotOptimize(copy.data());
    if (++i == v.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_SetString(benchmark::State& state) {
  Instance o;
  fill(o, state.range(0));
  const auto set = action(kSetString);
  intptr_t i = 0;
  for (auto _ : state) {
    set(&o.record(), reinterpret_cast<intptr_t>("changed"), i);
    if (++i == state.range(0)) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_SetString_Vector(benchmark::State& state) {
  std::vector<std::string> v(static_cast<std::size_t>(state.range(0)), "element");
  std::size_t i = 0;
  for (auto _ : state) {
    v[i] = "changed";
    if (++i == v.size()) i = 0;
  }
  benchmark::DoNotOptimize(v.data());
  state.SetItemsProcessed(state.iterations());
}

// One insertion at 0 and one deletion at 0: the whole table moves twice.
void BM_InsertDeleteAtZero(benchmark::State& state) {
  Instance o;
  fill(o, state.range(0));
  const auto insert = action(kInsertString);
  const auto erase = action(kDeleteAt);
  for (auto _ : state) {
    insert(&o.record(), reinterpret_cast<intptr_t>("front"), 0);
    erase(&o.record(), 0, 0);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_InsertDeleteAtZero_Vector(benchmark::State& state) {
  std::vector<std::string> v(static_cast<std::size_t>(state.range(0)), "element");
  for (auto _ : state) {
    v.insert(v.begin(), "front");
    v.erase(v.begin());
  }
  benchmark::DoNotOptimize(v.data());
  state.SetItemsProcessed(state.iterations());
}

// Heap in use, large blocks (which malloc maps separately) included.
std::size_t heapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

// Heap bytes the store holds per cell at 1,000,000 cells, spare slots included.
void memoryPerCell(benchmark::State& state, int kind) {
  constexpr int kCells = 1000000;
  double perCell = 0;
  for (auto _ : state) {
    const std::size_t before = heapInUse();
    {
      Instance o;
      const auto appendValue = action(kAppendValue);
      const auto appendString = action(kAppendString);
      for (int i = 0; i < kCells; ++i) {
        if (kind == 0) appendValue(&o.record(), 0, 0);  // the value 0 stores an empty cell
        if (kind == 1) appendValue(&o.record(), i + 1, 0);
        if (kind == 2) appendString(&o.record(), reinterpret_cast<intptr_t>("short"), 0);
      }
      perCell = static_cast<double>(heapInUse() - before) / kCells;
    }
  }
  state.counters["bytes_per_cell"] = perCell;
}

void BM_MemoryPerEmptyCell(benchmark::State& state) { memoryPerCell(state, 0); }
void BM_MemoryPerValueCell(benchmark::State& state) { memoryPerCell(state, 1); }
void BM_MemoryPerShortStringCell(benchmark::State& state) { memoryPerCell(state, 2); }

BENCHMARK(BM_AppendString)->Arg(100000);
BENCHMARK(BM_AppendString_Vector)->Arg(100000);
BENCHMARK(BM_GetString)->Arg(100000);
BENCHMARK(BM_GetString_Vector)->Arg(100000);
BENCHMARK(BM_SetString)->Arg(100000);
BENCHMARK(BM_SetString_Vector)->Arg(100000);
BENCHMARK(BM_InsertDeleteAtZero)->Arg(10000);
BENCHMARK(BM_InsertDeleteAtZero_Vector)->Arg(10000);
BENCHMARK(BM_MemoryPerEmptyCell)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryPerValueCell)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryPerShortStringCell)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessel::testing

BENCHMARK_MAIN();
