// Sorting, finding and key look-ups over 100,000 cells through the routine
// tables, each beside the same work on plain standard containers.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

constexpr int kAppendString = 8, kAppendValue = 9, kDeleteAll = 17, kSetKeyString = 20, kSortStringsUp = 22,
              kSortValuesUp = 24;
constexpr int kIndexOfKeyString = 6, kFindString = 12, kContainsString = 14;

TesselActionRoutine action(int n) { return builtModule().infos().actions[n]; }

std::vector<std::string> randomWords(std::size_t n) {
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> letter('a', 'z');
  std::vector<std::string> words(n);
  for (std::string& w : words) {
    for (int k = 0; k < 8; ++k) w.push_back(static_cast<char>(letter(random)));
  }
  return words;
}

std::vector<int32_t> randomValues(std::size_t n) {
  std::mt19937 random(54321);
  std::uniform_int_distribution<int32_t> value(-1000000, 1000000);
  std::vector<int32_t> values(n);
  for (int32_t& v : values) v = value(random);
  return values;
}

void fillWords(Instance& o, const std::vector<std::string>& words) {
  action(kDeleteAll)(&o.record(), 0, 0);
  const auto append = action(kAppendString);
  for (const std::string& w : words) append(&o.record(), reinterpret_cast<intptr_t>(w.c_str()), 0);
}

void fillValues(Instance& o, const std::vector<int32_t>& values) {
  action(kDeleteAll)(&o.record(), 0, 0);
  const auto append = action(kAppendValue);
  for (const int32_t v : values) append(&o.record(), v, 0);
}

void BM_SortStrings(benchmark::State& state) {
  const auto words = randomWords(static_cast<std::size_t>(state.range(0)));
  const auto sort = action(kSortStringsUp);
  Instance o;
  for (auto _ : state) {
    state.PauseTiming();
    fillWords(o, words);
    state.ResumeTiming();
    sort(&o.record(), 0, 0);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SortStrings_StdSort(benchmark::State& state) {
  const auto words = randomWords(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> v = words;
    state.ResumeTiming();
    std::sort(v.begin(), v.end());
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SortValues(benchmark::State& state) {
  const auto values = randomValues(static_cast<std::size_t>(state.range(0)));
  const auto sort = action(kSortValuesUp);
  Instance o;
  for (auto _ : state) {
    state.PauseTiming();
    fillValues(o, values);
    state.ResumeTiming();
    sort(&o.record(), 0, 0);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Strings sorted by their values: each comparison reads the leading number.
void BM_SortValuesOfStrings(benchmark::State& state) {
  std::vector<std::string> texts;
  for (const int32_t v : randomValues(static_cast<std::size_t>(state.range(0)))) texts.push_back(std::to_string(v));
  const auto sort = action(kSortValuesUp);
  Instance o;
  for (auto _ : state) {
    state.PauseTiming();
    fillWords(o, texts);
    state.ResumeTiming();
    sort(&o.record(), 0, 0);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SortValues_StdSort(benchmark::State& state) {
  const auto values = randomValues(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<int32_t> v = values;
    state.ResumeTiming();
    std::sort(v.begin(), v.end());
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Values in a given shape: 0 random, 1 in order, 2 in reverse, 3 all equal,
// 4 random with 100 distinct values.
void BM_SortValuesShaped(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::vector<int32_t> values = randomValues(n);
  for (std::size_t k = 0; k < n; ++k) {
    const auto i = static_cast<int32_t>(k);
    const int32_t shaped[] = {values[k], i + 1, static_cast<int32_t>(n) - i, 7, 1 + (values[k] & 0x7fffffff) % 100};
    values[k] = shaped[state.range(1)];
  }
  const auto sort = action(kSortValuesUp);
  Instance o;
  for (auto _ : state) {
    state.PauseTiming();
    fillValues(o, values);
    state.ResumeTiming();
    sort(&o.record(), 0, 0);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Searches for a text no cell holds, so every cell is visited.
void BM_FindMatchingString(benchmark::State& state) {
  Instance o;
  fillWords(o, randomWords(static_cast<std::size_t>(state.range(0))));
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
  Instance o;
  fillWords(o, randomWords(static_cast<std::size_t>(state.range(0))));
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
  Instance o;
  fillWords(o, words);
  const auto setKey = action(kSetKeyString);
  for (std::size_t i = 0; i < words.size(); ++i) {
    setKey(&o.record(), reinterpret_cast<intptr_t>(words[i].c_str()), static_cast<intptr_t>(i));
  }
  for (auto _ : state) benchmark::DoNotOptimize(o.integer(kIndexOfKeyString, std::string("absent!"), 0));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

#define TESSEL_SIZES ->Arg(1000)->Arg(10000)->Arg(100000)
BENCHMARK(BM_SortStrings) TESSEL_SIZES->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortStrings_StdSort)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortValues) TESSEL_SIZES->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortValuesShaped)
    ->ArgsProduct({{1000, 10000, 100000}, {0, 1, 2, 3, 4}})
    ->ArgNames({"n", "shape"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortValuesOfStrings)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortValues_StdSort)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindMatchingString) TESSEL_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindMatchingString_StdFind)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindContainingString) TESSEL_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindContainingString_StdFind)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IndexOfKey) TESSEL_SIZES->Unit(benchmark::kMicrosecond);
#undef TESSEL_SIZES

}  // namespace
}  // namespace tessel::testing
