#include "tests/host/test_host.h"

namespace tessel::testing {

TesselSetup makeSetup(int32_t dimensions, int32_t x, int32_t y, const char* delimiter) {
  return hostkit::makeSetup({dimensions, x, y, delimiter});
}

Module& builtModule() {
  static Module module(TESSEL_MODULE_PATH);
  return module;
}

}  // namespace tessel::testing
