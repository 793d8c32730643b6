// Saving and loading a 1,000,000-cell array in each format, and loading a
// 50 MB CSV file, through the routine tables. Each benchmark also times
// writing or reading the same file's bytes with plain buffered stdio in the
// same run and reports the ratio as the counter "vs_raw".
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/temp_files.h"
#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

constexpr int kSaveNative = 0, kSaveHost = 1, kSaveCsv = 2, kLoadNative = 3, kLoadHost = 4, kLoadCsv = 5,
              kAppendString = 8, kAppendValue = 9, kSaveIni = 58, kLoadIni = 59;
constexpr int kCells = 1000000;
constexpr int kColumns = 10;

struct Format {
  const char* name;
  int save;
  int load;
};
constexpr Format kFormats[] = {{"native", kSaveNative, kLoadNative},
                               {"host", kSaveHost, kLoadHost},
                               {"csv", kSaveCsv, kLoadCsv},
                               {"ini", kSaveIni, kLoadIni}};

TempDir& scratch() {
  static TempDir dir;
  return dir;
}

// A 2D array of 10 columns: short texts and numbers side by side.
void fill(Instance& o) {
  const auto appendString = builtModule().infos().actions[kAppendString];
  const auto appendValue = builtModule().infos().actions[kAppendValue];
  std::string text;
  for (int i = 0; i < kCells; ++i) {
    if (i % 2 == 0) {
      text = "item " + std::to_string(i);
      appendString(&o.record(), reinterpret_cast<intptr_t>(text.c_str()), 0);
    } else {
      appendValue(&o.record(), i, 0);
    }
  }
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Plain buffered stdio over the same bytes, best of a few runs.
double rawWrite(const std::string& path, const std::string& bytes) {
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    best = std::min(best, seconds(std::chrono::steady_clock::now() - start));
  }
  return best;
}

double rawRead(const std::string& path) {
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    std::string all(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::fseek(f, 0, SEEK_SET);
    benchmark::DoNotOptimize(std::fread(all.data(), 1, all.size(), f));
    std::fclose(f);
    benchmark::DoNotOptimize(all.data());
    best = std::min(best, seconds(std::chrono::steady_clock::now() - start));
  }
  return best;
}

void report(benchmark::State& state, double total, double raw, std::size_t bytes) {
  const double perIteration = total / static_cast<double>(state.iterations());
  state.counters["vs_raw"] = perIteration / raw;
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void BM_Save(benchmark::State& state) {
  const Format& format = kFormats[state.range(0)];
  state.SetLabel(format.name);
  Instance o(makeSetup(2, kColumns));
  fill(o);
  const std::string path = scratch().file(std::string("save.") + format.name);
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    o.act(format.save, path);
    total += seconds(std::chrono::steady_clock::now() - start);
  }
  const std::string bytes = readBytes(path);
  report(state, total, rawWrite(scratch().file("raw"), bytes), bytes.size());
}

void BM_Load(benchmark::State& state) {
  const Format& format = kFormats[state.range(0)];
  state.SetLabel(format.name);
  const std::string path = scratch().file(std::string("load.") + format.name);
  {
    Instance source(makeSetup(2, kColumns));
    fill(source);
    source.act(format.save, path);
  }
  Instance o(makeSetup(2, kColumns));
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    o.act(format.load, path);
    total += seconds(std::chrono::steady_clock::now() - start);
  }
  report(state, total, rawRead(path), readBytes(path).size());
}

// About 50 MB of CSV: rows of 8 fields of words and numbers.
void BM_LoadCsv50MB(benchmark::State& state) {
  const std::string path = scratch().file("big.csv");
  {
    std::string text;
    for (int row = 0; text.size() < 50000000; ++row) {
      text += "name" + std::to_string(row) + "," + std::to_string(row * 7) + ",alpha,beta gamma," +
              std::to_string(-row) + ",\"\",delta," + std::to_string(row % 1000) + "\r\n";
    }
    writeBytes(path, text);
  }
  Instance o;
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    o.act(kLoadCsv, path);
    total += seconds(std::chrono::steady_clock::now() - start);
  }
  report(state, total, rawRead(path), readBytes(path).size());
}

BENCHMARK(BM_Save)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Load)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadCsv50MB)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace tessel::testing
