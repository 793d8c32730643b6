// Sorting, finding and key look-ups over 100,000 cells through the routine
// tables, each beside the same work on plain standard containers.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/host/catalogue_numbers.h"
#include "tests/host/crafted_orders.h"
#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

TesselActionRoutine action(int n) { return builtModule().infos().actions[n]; }

std::vector<std::string> randomWords(std::size_t n, unsigned seed = 12345) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> letter('a', 'z');
  std::vector<std::string> words(n);
  for (std::string& w : words) {
    for (int k = 0; k < 8; ++k) w.push_back(static_cast<char>(letter(random)));
  }
  return words;
}

std::vector<int32_t> randomValues(std::size_t n, unsigned seed = 54321) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int32_t> value(-1000000, 1000000);
  std::vector<int32_t> values(n);
  for (int32_t& v : values) v = value(random);
  return values;
}

void fill(HostedObject& o, const std::vector<std::string>& words) {
  action(kDeleteAll)(&o.record(), 0, 0);
  const auto append = action(kAppendString);
  for (const std::string& w : words) append(&o.record(), reinterpret_cast<intptr_t>(w.c_str()), 0);
}

void fill(HostedObject& o, const std::vector<int32_t>& values) {
  action(kDeleteAll)(&o.record(), 0, 0);
  const auto append = action(kAppendValue);
  for (const int32_t v : values) append(&o.record(), v, 0);
}

// A sort benchmark takes its inputs in turn from this many different ones:
// sorting one input over and over lets the branch predictor learn its
// comparisons, which made a sort of 1,000 random elements look up to five
// times cheaper than one of fresh data.
constexpr unsigned kInputs = 16;

template <typename Make>
auto inputs(Make make) {
  std::vector<decltype(make(0U))> all;
  for (unsigned k = 0; k < kInputs; ++k) all.push_back(make(k + 1));
  return all;
}

// Runs `run` once per iteration, after an untimed `prepare` of the k-th run.
template <typename Prepare, typename Run>
void timeRuns(benchmark::State& state, Prepare prepare, Run run) {
  std::size_t k = 0;
  for (auto _ : state) {
    state.PauseTiming();
    prepare(k++);
    state.ResumeTiming();
    run();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Sorts the array through the action table, refilled with the next input.
template <typename T>
void timeSorts(benchmark::State& state, int sortAction, const std::vector<std::vector<T>>& data) {
  const auto sort = action(sortAction);
  HostedObject o;
  timeRuns(
      state, [&](std::size_t k) { fill(o, data[k % data.size()]); }, [&] { sort(&o.record(), 0, 0); });
}

// The baseline: std::sort of a copy of the next input.
template <typename T>
void timeStdSorts(benchmark::State& state, const std::vector<std::vector<T>>& data) {
  std::vector<T> v;
  timeRuns(
      state, [&](std::size_t k) { v = data[k % data.size()]; },
      [&] {
        std::sort(v.begin(), v.end());
        benchmark::DoNotOptimize(v.data());
      });
}

std::size_t size(const benchmark::State& state) { return static_cast<std::size_t>(state.range(0)); }

void BM_SortStrings(benchmark::State& state) {
  timeSorts(state, kSortStringsUp, inputs([&](unsigned seed) { return randomWords(size(state), seed); }));
}

void BM_SortStrings_StdSort(benchmark::State& state) {
  timeStdSorts(state, inputs([&](unsigned seed) { return randomWords(size(state), seed); }));
}

void BM_SortValues(benchmark::State& state) {
  timeSorts(state, kSortValuesUp, inputs([&](unsigned seed) { return randomValues(size(state), seed); }));
}

void BM_SortValues_StdSort(benchmark::State& state) {
  timeStdSorts(state, inputs([&](unsigned seed) { return randomValues(size(state), seed); }));
}

// Strings sorted by their values: each comparison reads the leading number.
void BM_SortValuesOfStrings(benchmark::State& state) {
  timeSorts(state, kSortValuesUp, inputs([&](unsigned seed) {
              std::vector<std::string> texts;
              for (const int32_t v : randomValues(size(state), seed)) texts.push_back(std::to_string(v));
              return texts;
            }));
}

// Values in a given shape: 0 random, 1 in order, 2 in reverse, 3 all equal,
// 4 random with 100 distinct values, 5 built against the middle pivot (each
// range's middle value its smallest), 6 the same with each value twice.
std::vector<int32_t> shapedValues(std::size_t n, int64_t shape, unsigned seed) {
  std::vector<int32_t> values = randomValues(n, seed);
  const std::vector<int32_t> killer = middlePivotKiller(static_cast<int32_t>(n));
  for (std::size_t k = 0; k < n; ++k) {
    const auto i = static_cast<int32_t>(k);
    const int32_t shaped[] = {
        values[k], i + 1, static_cast<int32_t>(n) - i, 7, 1 + (values[k] & 0x7fffffff) % 100, killer[k], killer[k] / 2};
    values[k] = shaped[shape];
  }
  return values;
}

void BM_SortValuesShaped(benchmark::State& state) {
  timeSorts(state, kSortValuesUp,
            inputs([&](unsigned seed) { return shapedValues(size(state), state.range(1), seed); }));
}

void BM_SortValuesShaped_StdSort(benchmark::State& state) {
  timeStdSorts(state, inputs([&](unsigned seed) { return shapedValues(size(state), state.range(1), seed); }));
}

// Searches for a text no cell holds, so every cell is visited.
void BM_FindMatchingString(benchmark::State& state) {
  HostedObject o;
  fill(o, randomWords(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(o.integer(kFindString, std::string("absent!"), 0));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_FindMatchingString_StdFind(benchmark::State& state) {
  const auto words = randomWords(static_cast<std::size_t>(state.range(0)));
  const std::string needle = "absent!";
  for (auto _ : state) benchmark::DoNotOptimize(std::find(words.begin(), words.end(), needle));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_FindContainingString(benchmark::State& state) {
  HostedObject o;
  fill(o, randomWords(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(o.integer(kContainsString, std::string("q!z"), 0));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_FindContainingString_StdFind(benchmark::State& state) {
  const auto words = randomWords(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    auto hit = std::find_if(words.begin(), words.end(),
                            [](const std::string& w) { return w.find("q!z") != std::string::npos; });
    benchmark::DoNotOptimize(hit);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_IndexOfKey(benchmark::State& state) {
  const auto words = randomWords(static_cast<std::size_t>(state.range(0)));
  HostedObject o;
  fill(o, words);
  const auto setKey = action(kSetKeyString);
  for (std::size_t i = 0; i < words.size(); ++i) {
    setKey(&o.record(), reinterpret_cast<intptr_t>(words[i].c_str()), static_cast<intptr_t>(i));
  }
  for (auto _ : state) benchmark::DoNotOptimize(o.integer(kIndexOfKeyString, std::string("absent!"), 0));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

#define TESSEL_SIZES ->Arg(1000)->Arg(10000)->Arg(100000)
#define TESSEL_SHAPES ->ArgsProduct({{1000, 10000, 100000}, {0, 1, 2, 3, 4, 5, 6}})->ArgNames({"n", "shape"})
BENCHMARK(BM_SortStrings) TESSEL_SIZES->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortStrings_StdSort) TESSEL_SIZES->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortValues) TESSEL_SIZES->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortValues_StdSort) TESSEL_SIZES->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortValuesShaped) TESSEL_SHAPES->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortValuesShaped_StdSort) TESSEL_SHAPES->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortValuesOfStrings)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindMatchingString) TESSEL_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindMatchingString_StdFind)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindContainingString) TESSEL_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindContainingString_StdFind)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IndexOfKey) TESSEL_SIZES->Unit(benchmark::kMicrosecond);
#undef TESSEL_SIZES
#undef TESSEL_SHAPES

}  // namespace
}  // namespace tessel::testing
