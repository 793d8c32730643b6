// A host written for testing: the host kit's run-time object, which loads the
// built module through its exported entry points, offers the run-time
// services and records how the module used them, with the defaults tests want.
#pragma once

#include <cstdint>

#include "host/tessel.h"
#include "tools/host_kit.h"

namespace tessel::testing {

// The setup record as the editor writes it for a new object, with the
// dimension fields a test asks for.
TesselSetup makeSetup(int32_t dimensions = 1, int32_t x = 0, int32_t y = 0, const char* delimiter = ",");

using Module = hostkit::Module;
using Param = hostkit::Param;
using ExpressionCall = hostkit::ExpressionCall;

// The module built next to the tests (its path is compiled in).
Module& builtModule();

// One run-time object, created from a setup record and destroyed at the end.
class HostedObject : public hostkit::RunObject {
 public:
  explicit HostedObject(const TesselSetup& setup = makeSetup(), Module& module = builtModule())
      : RunObject(module, setup) {}
};

}  // namespace tessel::testing
