// Element operations through the routine tables, against the same work on a
// plain std::vector<std::string> and against a call that does nothing (the
// protocol's own cost), and the memory the store takes per cell.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>
#include <vector>

#include "bench/lean_host.h"
#include "tests/host/catalogue_numbers.h"

namespace tessel::testing {
namespace {

constexpr int64_t kCells = 100000;

// The floor: an action and an expression whose operation does next to nothing.
void BM_NoOpAction(benchmark::State& state) {
  LeanObject o;
  for (auto _ : state) o.act(kCaseInsensitive);
  state.SetItemsProcessed(state.iterations());
}

void BM_NoOpExpression(benchmark::State& state) {
  LeanObject o;
  for (auto _ : state) benchmark::DoNotOptimize(o.call(kSize));
  state.SetItemsProcessed(state.iterations());
}

// Per element, a fresh instance's creation and destruction included.
void BM_AppendString(benchmark::State& state) {
  for (auto _ : state) {
    LeanObject o;
    for (int64_t i = 0; i < state.range(0); ++i) o.act(kAppendString, "element");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_AppendValue(benchmark::State& state) {
  for (auto _ : state) {
    LeanObject o;
    for (int64_t i = 0; i < state.range(0); ++i) o.act(kAppendValue, i + 1);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Append_Vector(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<std::string> v;
    for (int64_t i = 0; i < state.range(0); ++i) v.emplace_back("element");
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void fill(LeanObject& o, int64_t n, bool values) {
  for (int64_t i = 0; i < n; ++i) values ? o.act(kAppendValue, i + 1) : o.act(kAppendString, "element");
}

template <int Expression, bool Values>
void BM_Get(benchmark::State& state) {
  LeanObject o;
  fill(o, state.range(0), Values);
  intptr_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(o.call(Expression, i));
    if (++i == state.range(0)) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_GetString(benchmark::State& state) { BM_Get<kGetString, false>(state); }
void BM_GetValue(benchmark::State& state) { BM_Get<kGetValue, true>(state); }

void BM_Get_Vector(benchmark::State& state) {
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
  LeanObject o;
  fill(o, state.range(0), false);
  intptr_t i = 0;
  for (auto _ : state) {
    o.act(kSetString, (i & 1) != 0 ? "changed" : "altered", i);
    if (++i == state.range(0)) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_SetValue(benchmark::State& state) {
  LeanObject o;
  fill(o, state.range(0), true);
  intptr_t i = 0;
  for (auto _ : state) {
    o.act(kSetValue, i + 7, i);
    if (++i == state.range(0)) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Set_Vector(benchmark::State& state) {
  std::vector<std::string> v(static_cast<std::size_t>(state.range(0)), "element");
  std::size_t i = 0;
  for (auto _ : state) {
    v[i] = (i & 1) != 0 ? "changed" : "altered";
    if (++i == v.size()) i = 0;
  }
  benchmark::DoNotOptimize(v.data());
  state.SetItemsProcessed(state.iterations());
}

// One insertion at 0 and one deletion at 0: the whole table moves twice.
void BM_InsertDeleteAtZero(benchmark::State& state) {
  LeanObject o;
  fill(o, state.range(0), false);
  for (auto _ : state) {
    o.act(kInsertString, "front", 0);
    o.act(kDeleteAt, intptr_t{0});
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
  constexpr int kMillion = 1000000;
  double perCell = 0;
  for (auto _ : state) {
    const std::size_t before = heapInUse();
    {
      LeanObject o;
      for (int i = 0; i < kMillion; ++i) {
        if (kind == 0) o.act(kAppendValue, intptr_t{0});  // the value 0 stores an empty cell
        if (kind == 1) o.act(kAppendValue, i + 1);
        if (kind == 2) o.act(kAppendString, "short");
        if (kind == 3) o.act(kAppendString, "item 123456");
      }
      perCell = static_cast<double>(heapInUse() - before) / kMillion;
    }
  }
  state.counters["bytes_per_cell"] = perCell;
}

void BM_MemoryPerEmptyCell(benchmark::State& state) { memoryPerCell(state, 0); }
void BM_MemoryPerValueCell(benchmark::State& state) { memoryPerCell(state, 1); }
void BM_MemoryPerShortStringCell(benchmark::State& state) { memoryPerCell(state, 2); }
void BM_MemoryPerElevenCharStringCell(benchmark::State& state) { memoryPerCell(state, 3); }

BENCHMARK(BM_NoOpAction);
BENCHMARK(BM_NoOpExpression);
BENCHMARK(BM_AppendString)->Arg(1000)->Arg(10000)->Arg(kCells);
BENCHMARK(BM_AppendValue)->Arg(1000)->Arg(10000)->Arg(kCells);
BENCHMARK(BM_Append_Vector)->Arg(1000)->Arg(10000)->Arg(kCells);
BENCHMARK(BM_GetString)->Arg(1000)->Arg(10000)->Arg(kCells);
BENCHMARK(BM_GetValue)->Arg(1000)->Arg(10000)->Arg(kCells);
BENCHMARK(BM_Get_Vector)->Arg(1000)->Arg(10000)->Arg(kCells);
BENCHMARK(BM_SetString)->Arg(1000)->Arg(10000)->Arg(kCells);
BENCHMARK(BM_SetValue)->Arg(1000)->Arg(10000)->Arg(kCells);
BENCHMARK(BM_Set_Vector)->Arg(1000)->Arg(10000)->Arg(kCells);
BENCHMARK(BM_InsertDeleteAtZero)->Arg(10000);
BENCHMARK(BM_InsertDeleteAtZero_Vector)->Arg(10000);
BENCHMARK(BM_MemoryPerEmptyCell)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryPerValueCell)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryPerShortStringCell)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryPerElevenCharStringCell)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessel::testing

int main(int argc, char** argv) {
  // Large blocks come from the heap rather than fresh mappings, and freed
  // memory stays: malloc otherwise moves its mapping threshold as blocks are
  // freed, so whether a case paid page faults depended on the cases before it
  // (an append at 10,000 cells measured 2.3 or 3.5 times the vector by order).
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
