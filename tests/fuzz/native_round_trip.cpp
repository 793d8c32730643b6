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
  ArrayStore a;
  if (!persist::loadFromFile(a, files, first.c_str(), persist::LoadMode::replace).ok()) return 0;
  fuzz::checkStore(a);
  // A few bytes can declare millions of label slots, which the file then
  // holds 4 bytes each: right, but too slow to fuzz.
  if (a.labels().size() > fuzz::kLargeDeclared) return 0;
  TESSEL_FUZZ_CHECK(persist::saveToFile(a, files, second.c_str(), persist::WriteMode::replace).ok());
  ArrayStore b;
  TESSEL_FUZZ_CHECK(persist::loadFromFile(b, files, second.c_str(), persist::LoadMode::replace).ok());
  fuzz::checkStore(b);
  TESSEL_FUZZ_CHECK(a.size() == b.size());
  TESSEL_FUZZ_CHECK(a.dimensions().count() == b.dimensions().count());
  for (int32_t d = 0; d < a.dimensions().count() && d < 10; ++d)
    TESSEL_FUZZ_CHECK(a.dimensions().boundary(d) == b.dimensions().boundary(d));
  TESSEL_FUZZ_CHECK(a.labels().size() == b.labels().size());
  for (int32_t c = 0; c < a.labels().size(); ++c) {
    const char* la = a.labels().at(c);
    const char* lb = b.labels().at(c);
    // An empty label is written like no label and comes back as none.
    TESSEL_FUZZ_CHECK(std::string(la != nullptr ? la : "") == (lb != nullptr ? lb : ""));
  }
  TESSEL_FUZZ_CHECK(bytesOf(a) == bytesOf(b));
  return 0;
}
