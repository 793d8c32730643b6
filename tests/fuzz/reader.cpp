// One reader, chosen at build time (TESSEL_FUZZ_READER): the input is written
// to a file and loaded into a fresh store through the real load path, once
// replacing and once appending, with the invariants checked after each. The
// native reader's array is saved and loaded again in between: the second
// load gives the same array, keys, labels and dimensions, so the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "persist/csv_file.h"
#include "persist/element_file.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace tessel::fuzz {
namespace {

enum Reader { native, hostArray, csv, ini, element };

bool load(ArrayStore& store, const persist::FileHandler& files, const char* name, persist::LoadMode mode) {
  Status status;
  switch (TESSEL_FUZZ_READER) {
    case native: status = persist::loadFromFile(store, files, name, mode); break;
    case hostArray: status = persist::loadFromHostArray(store, files, name, mode); break;
    case csv: status = persist::loadFromCsv(store, files, name, mode); break;
    case ini: status = persist::loadFromIni(store, files, name, mode); break;
    default:
      status = mode == persist::LoadMode::replace ? persist::setFileAt(store, files, name, 3)
                                                  : persist::insertFileAt(store, files, name, 1);
      break;
  }
  TESSEL_FUZZ_CHECK(status.ok() || status.code() == StatusCode::badFormat || status.code() == StatusCode::damaged ||
                    status.code() == StatusCode::tooLarge);
  return status.ok();
}

std::string bytesOf(const ArrayStore& s) {
  persist::StringWriter out;
  persist::writeNativeFile(s, out);
  return out.take();
}

void saveAndLoadAgain(const ArrayStore& a, persist::FileHandler& files) {
  // A few bytes can declare millions of label slots, which the file then
  // holds 4 bytes each: right, but too slow to fuzz.
  if (TESSEL_FUZZ_READER != native || a.labels().size() > kLargeDeclared) return;
  const std::string second = scratchFile("second");
  ArrayStore b;
  TESSEL_FUZZ_CHECK(persist::saveToFile(a, files, second.c_str(), persist::WriteMode::replace).ok());
  TESSEL_FUZZ_CHECK(persist::loadFromFile(b, files, second.c_str(), persist::LoadMode::replace).ok());
  checkStore(b);
  // The bytes hold all but the label slots past the last label of a wide table.
  TESSEL_FUZZ_CHECK(bytesOf(a) == bytesOf(b) && a.labels().size() == b.labels().size());
}

}  // namespace
}  // namespace tessel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace tessel;
  const std::string name = fuzz::inputFile("input", data, size);
  persist::FileHandler files;
  ArrayStore store;
  // A 2D array with rows and a label first, so that loads meet row flags and labels.
  store.dimensions().setCount(2);
  store.dimensions().setBoundary(1, 2);
  store.rowFlags().setAutoSelect(true);
  for (int i = 0; i < 5; ++i) store.append(CellDescriptor::ofValue(i + 1));
  const bool loaded = fuzz::load(store, files, name.c_str(), persist::LoadMode::replace);
  fuzz::checkStore(store);
  if (loaded) fuzz::saveAndLoadAgain(store, files);
  fuzz::load(store, files, name.c_str(), persist::LoadMode::append);
  fuzz::checkStore(store);
  return 0;
}
