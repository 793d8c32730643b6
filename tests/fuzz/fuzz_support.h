// Shared by the fuzz targets: a scratch file per process for the input
// bytes, and the store's invariants, checked after every step (a broken one
// aborts, which the fuzzer reports with the input).
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/array_store.h"
#include "recordset/rows.h"

namespace tessel::fuzz {

// A file in this process's own folder, on the memory file system when there is one.
inline std::string scratchFile(const std::string& name) {
  static const std::string folder = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string f = std::string(base) + "/tessel-fuzz-" + std::to_string(getpid());
    if (mkdir(f.c_str(), 0700) != 0 && errno != EEXIST) std::abort();
    return f;
  }();
  return folder + "/" + name;
}

// The input bytes written to the scratch file `name`; its path.
inline std::string inputFile(const char* name, const uint8_t* data, std::size_t size) {
  const std::string path = scratchFile(name);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size)) std::abort();
  std::fclose(f);
  return path;
}

// Saves write what the dimensions and labels declare, 4 bytes or more per
// slot; the targets do not save arrays that declare more than this.
constexpr int32_t kLargeDeclared = 1 << 16;

inline bool declaresLargeFile(const ArrayStore& s) {
  const Dimensions& d = s.dimensions();
  return s.labels().size() > kLargeDeclared || d.entry(1) > kLargeDeclared || d.entry(2) > kLargeDeclared ||
         static_cast<int64_t>(d.entry(1) < 1 ? 1 : d.entry(1)) * (d.entry(2) < 1 ? 1 : d.entry(2)) > kLargeDeclared;
}

[[noreturn]] inline void broken(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", condition, file, line);
  std::abort();
}
#define TESSEL_FUZZ_CHECK(condition) ((condition) ? void() : ::tessel::fuzz::broken(#condition, __FILE__, __LINE__))

// The growth rule's bound, the row flags of a 2D array and the selected count.
inline void checkStore(const ArrayStore& s) {
  TESSEL_FUZZ_CHECK(s.size() >= 0 && s.size() <= s.capacity() / 2 + 1 && (s.capacity() >= 25 || s.size() == 0));
  const RowFlags& flags = s.rowFlags();
  int32_t selected = 0;
  for (int32_t r = 0; r < flags.count(); ++r) {
    TESSEL_FUZZ_CHECK(flags.at(r) == RowFlags::kSelected || flags.at(r) == RowFlags::kUnselected);
    selected += flags.at(r) == RowFlags::kSelected;
  }
  TESSEL_FUZZ_CHECK(selected == flags.selectedCount());
  // Rows are only the selected flags of complete rows.
  const int32_t rows = recordset::rowCount(s);
  TESSEL_FUZZ_CHECK(rows >= 0 && rows <= selected);
  TESSEL_FUZZ_CHECK(rows <= s.dimensions().physicalRows(s.size()) || s.dimensions().count() != 2);
  for (int32_t i = 0; i < s.size(); ++i) TESSEL_FUZZ_CHECK(s.cellAt(i) != nullptr);
}

}  // namespace tessel::fuzz
