// Every reader is linear in its input: each format's most expensive shape
// within the load rule, loaded from files of 64 KiB, 256 KiB, 1 MiB and
// 4 MiB through the routine tables. Each size takes the least CPU time of
// three loads; the counters are the nanoseconds per byte at each size and
// "spread", the largest of them over the smallest (flat within 3 is the goal).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "tests/e2e/temp_files.h"
#include "tests/host/catalogue_numbers.h"
#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

constexpr int kSetBoundary = actionOf("setBoundary"), kSetLabel = actionOf("setLabel");

std::string le(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16), static_cast<char>(u >> 24)};
}

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The files: one shape per format, `bytes` long or a little over.
std::string nativeRecords(std::size_t bytes) {
  // Records of a one-character string with a one-character key: 18 bytes a cell.
  const std::string record =
      le(2).substr(0, 2) + le(2) + std::string("a\0", 2) + le(2).substr(0, 2) + le(2) + std::string("k\0", 2);
  const auto n = static_cast<int32_t>(bytes / record.size());
  std::string f = std::string("QVXARRAY") + le(1).substr(0, 2) + le(1) + le(0) + le(0) + le(n);
  for (int32_t i = 0; i < n; ++i) f += record;
  return f;
}
std::string nativeLabels(std::size_t bytes) {
  // Labels of one character in every slot of a 2D table of 2 × L columns.
  const auto n = static_cast<int32_t>(bytes / 5);
  std::string f = std::string("QVXARRAY") + le(1).substr(0, 2) + le(2) + le(2 * n) + le(0) + le(n);
  for (int32_t i = 0; i < n; ++i) f += le(1) + "x";
  return f + le(0);
}
std::string hostValues(std::size_t bytes) {
  const auto n = static_cast<int32_t>(bytes / 4);
  std::string f = std::string("HGF ARRAY\0", 10) + le(2) + le(n) + le(1) + le(1) + le(1);
  for (int32_t i = 0; i < n; ++i) f += le(i + 1);
  return f;
}
std::string csvPadded(std::size_t bytes) {
  // A first line of three fields pads every line of one comma: two cells a byte... within the rule.
  std::string f = "a,b,c\n";
  while (f.size() < bytes) f += ",\n";
  return f;
}
std::string iniShort(std::size_t bytes) {
  std::string f = "[s]\n";
  while (f.size() < bytes) f += "ab\n";
  return f;
}

void linearLoad(benchmark::State& state, int action, const std::function<std::string(std::size_t)>& shape,
                bool labelsHeld) {
  TempDir dir;
  const std::size_t sizes[] = {std::size_t{64} << 10, std::size_t{256} << 10, std::size_t{1} << 20,
                               std::size_t{4} << 20};
  double perByte[4] = {};
  for (auto _ : state) {
    for (std::size_t s = 0; s < 4; ++s) {
      const std::string file = shape(sizes[s]);
      const std::string name = dir.file("in");
      writeBytes(name, file);
      double best = 1e9;
      for (int run = 0; run < 3; ++run) {
        HostedObject o(makeSetup(2, 2));
        if (labelsHeld) {
          // Labels above every column the file labels: the file's go in below them.
          const auto n = static_cast<int32_t>(file.size() / 5);
          o.act(kSetBoundary, 1, 2 * n);
          for (int32_t c = n; c < 2 * n; c += 7) o.act(kSetLabel, std::string("held"), c);
        }
        const double start = cpuSeconds();
        o.act(action, name);
        best = std::min(best, cpuSeconds() - start);
      }
      perByte[s] = best * 1e9 / static_cast<double>(file.size());
    }
  }
  const double lo = *std::min_element(perByte, perByte + 4), hi = *std::max_element(perByte, perByte + 4);
  state.counters["ns_per_byte_64KiB"] = perByte[0];
  state.counters["ns_per_byte_256KiB"] = perByte[1];
  state.counters["ns_per_byte_1MiB"] = perByte[2];
  state.counters["ns_per_byte_4MiB"] = perByte[3];
  state.counters["spread"] = lo > 0 ? hi / lo : 0;
}

void BM_LinearNativeRecords(benchmark::State& s) { linearLoad(s, kLoadNative, nativeRecords, false); }
void BM_LinearNativeLabels(benchmark::State& s) { linearLoad(s, kLoadNative, nativeLabels, true); }
void BM_LinearHostValues(benchmark::State& s) { linearLoad(s, kLoadHost, hostValues, false); }
void BM_LinearCsvPadded(benchmark::State& s) { linearLoad(s, kLoadCsv, csvPadded, false); }
void BM_LinearIniShortEntries(benchmark::State& s) { linearLoad(s, kLoadIni, iniShort, false); }
BENCHMARK(BM_LinearNativeRecords)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearNativeLabels)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearHostValues)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearCsvPadded)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearIniShortEntries)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessel::testing
