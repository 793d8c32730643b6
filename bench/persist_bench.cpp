// Saving and loading a 1,000,000-cell array in each format, and loading a
// 50 MB CSV file, through the routine tables. Each benchmark also times
// writing or reading the same file's bytes with plain buffered stdio in the
// same run and reports the ratio as the counter "vs_raw", and the plainest
// program doing the same encoding or decoding as "vs_plain".
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "tests/e2e/temp_files.h"
#include "tests/host/catalogue_numbers.h"
#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

constexpr int kCells = 1000000;
constexpr int kColumns = 10;

TempDir& scratch() {
  static TempDir dir;
  return dir;
}

// A 2D array of 10 columns: short texts and numbers side by side.
void fill(HostedObject& o) {
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

// CPU time of this thread: the machine may be shared, and the ratios below
// compare work, not waiting. The kernel's time in reads and writes counts.
struct CpuClock {
  using duration = std::chrono::nanoseconds;
  static std::chrono::time_point<CpuClock, duration> now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::chrono::time_point<CpuClock, duration>(duration(t.tv_sec * 1000000000LL + t.tv_nsec));
  }
};

double seconds(CpuClock::duration d) { return std::chrono::duration<double>(d).count(); }

// Plain buffered stdio over the same bytes, best of a few runs.
double rawWrite(const std::string& path, const std::string& bytes) {
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    const auto start = CpuClock::now();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    best = std::min(best, seconds(CpuClock::now() - start));
  }
  return best;
}

// The whole file in one fread.
std::string readWhole(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  std::fseek(f, 0, SEEK_END);
  std::string all(static_cast<std::size_t>(std::ftell(f)), '\0');
  std::fseek(f, 0, SEEK_SET);
  benchmark::DoNotOptimize(std::fread(all.data(), 1, all.size(), f));
  std::fclose(f);
  return all;
}

double rawRead(const std::string& path) {
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    const auto start = CpuClock::now();
    const std::string all = readWhole(path);
    benchmark::DoNotOptimize(all.data());
    best = std::min(best, seconds(CpuClock::now() - start));
  }
  return best;
}

// The plainest decoding a program could do with the bytes it read: each cell
// of a native file (and its key) becomes a std::string; so does each entry of
// a host array file, each field of a CSV file and the value of each key=value
// line of an INI file, lines and fields split with memchr. Best of a few runs,
// reading included.
template <typename Decode>
double rawDecode(const std::string& path, Decode decode) {
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    const auto start = CpuClock::now();
    const std::string all = readWhole(path);
    std::vector<std::string> cells;
    decode(all, cells);
    benchmark::DoNotOptimize(cells.data());
    best = std::min(best, seconds(CpuClock::now() - start));
  }
  return best;
}

int32_t le32(const std::string& b, std::size_t at) {
  uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(k)]);
  return static_cast<int32_t>(v);
}

void decodeNative(const std::string& b, std::vector<std::string>& cells) {
  std::size_t at = 10;
  const int32_t dimensions = le32(b, at);
  at += 4 + 4 * static_cast<std::size_t>(dimensions);
  const int32_t labels = le32(b, at);
  at += 4;
  for (int32_t k = 0; k < labels; ++k) at += 4 + static_cast<std::size_t>(le32(b, at));
  const int32_t count = le32(b, at);
  at += 4;
  cells.reserve(2 * static_cast<std::size_t>(count));
  for (int32_t i = 0; i < 2 * count; ++i) {
    const bool value = b[at] == 1;
    const auto length = static_cast<std::size_t>(le32(b, at + 2));
    at += 6;
    if (length == 0) {
      cells.emplace_back();
    } else if (value) {
      cells.emplace_back(std::to_string(le32(b, at)));
      at += 4;
    } else {
      cells.emplace_back(b.data() + at, length - 1);
      at += length;
    }
  }
}

void decodeHostArray(const std::string& b, std::vector<std::string>& cells) {
  // Magic (10 bytes), version, X, Y, Z, flags; then each entry's length and text.
  const int64_t entries = int64_t{le32(b, 14)} * le32(b, 18) * le32(b, 22);
  std::size_t at = 30;
  cells.reserve(static_cast<std::size_t>(entries));
  for (int64_t i = 0; i < entries && at < b.size(); ++i) {
    const auto length = static_cast<std::size_t>(le32(b, at));
    cells.emplace_back(b.data() + at + 4, length);
    at += 4 + length;
  }
}

// Calls line(first, last) for each line, its CR LF or LF left out.
template <typename Line>
void splitLines(const std::string& b, Line line) {
  const char* p = b.data();
  const char* end = p + b.size();
  while (p < end) {
    const char* newline = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* stop = newline != nullptr ? newline : end;
    line(p, stop > p && stop[-1] == '\r' ? stop - 1 : stop);
    p = stop + 1;
  }
}

void decodeCsv(const std::string& b, std::vector<std::string>& cells) {
  splitLines(b, [&](const char* first, const char* last) {
    for (const char* field = first;;) {
      const char* comma = static_cast<const char*>(std::memchr(field, ',', static_cast<std::size_t>(last - field)));
      cells.emplace_back(field, comma != nullptr ? comma : last);
      if (comma == nullptr) break;
      field = comma + 1;
    }
  });
}

void decodeIni(const std::string& b, std::vector<std::string>& cells) {
  splitLines(b, [&](const char* first, const char* last) {
    if (first == last || *first == '[') return;
    const char* equals = static_cast<const char*>(std::memchr(first, '=', static_cast<std::size_t>(last - first)));
    if (equals != nullptr) cells.emplace_back(equals + 1, last);
  });
}

// The plainest encoding of the same cells (the texts and numbers the array
// was filled with), between the format's head and tail, written with
// buffered stdio. Best of a few runs.
template <typename Encode>
double rawEncode(const std::string& path, Encode encode, const std::string& head, const std::string& tail) {
  std::vector<std::string> texts(kCells);
  for (int i = 0; i < kCells; i += 2) texts[static_cast<std::size_t>(i)] = "item " + std::to_string(i);
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    const auto start = CpuClock::now();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::string buffer = head;
    const auto flush = [&](bool always) {
      if (!always && buffer.size() < (1 << 16)) return;
      std::fwrite(buffer.data(), 1, buffer.size(), f);
      buffer.clear();
    };
    for (int i = 0; i < kCells; ++i) {
      encode(buffer, i, texts[static_cast<std::size_t>(i)]);
      flush(false);
    }
    buffer += tail;
    flush(true);
    std::fclose(f);
    best = std::min(best, seconds(CpuClock::now() - start));
  }
  return best;
}

void put32(std::string& out, int32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>(static_cast<uint32_t>(v) >> (8 * k)));
}

void encodeNative(std::string& out, int i, const std::string& text) {
  const bool value = i % 2 != 0;
  out.push_back(value ? '\1' : '\2');
  out.push_back('\0');
  put32(out, value ? 4 : static_cast<int32_t>(text.size() + 1));
  if (value) {
    put32(out, i);
  } else {
    out.append(text.c_str(), text.size() + 1);
  }
  out.append(6, '\0');  // no key
}

// A host array file's entries are texts: a value as its decimal digits.
void encodeHostArray(std::string& out, int i, const std::string& text) {
  const std::string entry = i % 2 != 0 ? std::to_string(i) : text;
  put32(out, static_cast<int32_t>(entry.size()));
  out += entry;
}

void encodeCsv(std::string& out, int i, const std::string& text) {
  if (i % kColumns != 0) out.push_back(',');
  out += i % 2 != 0 ? std::to_string(i) : text;
  if (i % kColumns == kColumns - 1) out.append("\r\n", 2);
}

// No cell has a key, so each line is "=" and the cell's text.
void encodeIni(std::string& out, int i, const std::string& text) {
  out.push_back('=');
  out += i % 2 != 0 ? std::to_string(i) : text;
  out.append("\r\n", 2);
}

// A native file's header: 2 dimensions (10 columns), no labels, the cell count.
std::string nativeHead() {
  std::string head("QVXARRAY\1\0", 10);
  for (const int32_t field : {2, kColumns, 0, 0, kCells}) put32(head, field);
  return head;
}

// A host array file's header: a grid of 10 columns, one row, and one more
// page than the full ones; its tail: the empty entries after the last cell.
std::string hostArrayHead() {
  std::string head("HGF ARRAY\0", 10);
  for (const int32_t field : {2, kColumns, 1, kCells / kColumns + 1, 2}) put32(head, field);
  return head;
}
std::string hostArrayTail() { return std::string(4 * static_cast<std::size_t>(kColumns), '\0'); }

struct Format {
  const char* name;
  int save;
  int load;
  void (*encode)(std::string&, int, const std::string&);
  void (*decode)(const std::string&, std::vector<std::string>&);
  std::string (*head)();
  std::string (*tail)();
};
std::string none() { return {}; }
std::string iniHead() { return "[QVXArray]\r\n"; }
std::string iniTail() { return "\r\n"; }
constexpr Format kFormats[] = {
    {"native", kSaveNative, kLoadNative, encodeNative, decodeNative, nativeHead, none},
    {"host", kSaveHost, kLoadHost, encodeHostArray, decodeHostArray, hostArrayHead, hostArrayTail},
    {"csv", kSaveCsv, kLoadCsv, encodeCsv, decodeCsv, none, none},
    {"ini", kSaveIni, kLoadIni, encodeIni, decodeIni, iniHead, iniTail}};

void report(benchmark::State& state, double total, double raw, std::size_t bytes, double plain) {
  const double perIteration = total / static_cast<double>(state.iterations());
  state.counters["vs_plain"] = perIteration / plain;
  state.counters["vs_raw"] = perIteration / raw;
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

// The thread's CPU time of every iteration's action on the file, in seconds.
double timeActions(benchmark::State& state, HostedObject& o, int fileAction, const std::string& path) {
  double total = 0;
  for (auto _ : state) {
    const auto start = CpuClock::now();
    o.act(fileAction, path);
    total += seconds(CpuClock::now() - start);
  }
  return total;
}

void BM_Save(benchmark::State& state) {
  const Format& format = kFormats[state.range(0)];
  state.SetLabel(format.name);
  HostedObject o(makeSetup(2, kColumns));
  fill(o);
  const std::string path = scratch().file(std::string("save.") + format.name);
  const double total = timeActions(state, o, format.save, path);
  const std::string bytes = readBytes(path);
  const std::string raw = scratch().file("raw");
  const double encoded = rawEncode(raw, format.encode, format.head(), format.tail());
  if (readBytes(raw) != bytes) state.SkipWithError("the plain encoding is not the file the module wrote");
  report(state, total, rawWrite(raw, bytes), bytes.size(), encoded);
}

void BM_Load(benchmark::State& state) {
  const Format& format = kFormats[state.range(0)];
  state.SetLabel(format.name);
  const std::string path = scratch().file(std::string("load.") + format.name);
  {
    HostedObject source(makeSetup(2, kColumns));
    fill(source);
    source.act(format.save, path);
  }
  HostedObject o(makeSetup(2, kColumns));
  const double total = timeActions(state, o, format.load, path);
  const double decoded = rawDecode(path, format.decode);
  report(state, total, rawRead(path), readBytes(path).size(), decoded);
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
  HostedObject o;
  const double total = timeActions(state, o, kLoadCsv, path);
  report(state, total, rawRead(path), readBytes(path).size(), rawDecode(path, decodeCsv));
}

BENCHMARK(BM_Save)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Load)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadCsv50MB)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace tessel::testing
