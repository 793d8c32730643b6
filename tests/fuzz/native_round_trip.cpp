// Load, save, load again: the second load gives the same array, keys,
// labels and dimensions as the first, so saving both gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "persist/native_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::string bytesOf(const tessel::ArrayStore& s) {
  tessel::persist::StringWriter out;
  tessel::persist::writeNativeFile(s, out);
  return out.take();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace tessel;
  const std::string first = fuzz::inputFile("first", data, size), second = fuzz::scratchFile("second");
  persist::FileHandler files;
  ArrayStore a, b;
  if (!persist::loadFromFile(a, files, first.c_str(), persist::LoadMode::replace).ok()) return 0;
  fuzz::checkStore(a);
  // A few bytes can declare millions of label slots, which the file then
  // holds 4 bytes each: right, but too slow to fuzz.
  if (a.labels().size() > fuzz::kLargeDeclared) return 0;
  TESSEL_FUZZ_CHECK(persist::saveToFile(a, files, second.c_str(), persist::WriteMode::replace).ok());
  TESSEL_FUZZ_CHECK(persist::loadFromFile(b, files, second.c_str(), persist::LoadMode::replace).ok());
  fuzz::checkStore(b);
  // The bytes hold all but the label slots past the last label of a wide table.
  TESSEL_FUZZ_CHECK(bytesOf(a) == bytesOf(b) && a.labels().size() == b.labels().size());
  return 0;
}
