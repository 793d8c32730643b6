// A host written for testing: it loads the built module through its exported
// entry points, offers the three run-time services and the result flags word,
// and records how the module used them. The generic host work is the host
// kit's; this adds the defaults and checks that tests want.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/tessel.h"
#include "tools/host_kit.h"

namespace tessel::testing {

// The setup record as the editor writes it for a new object, with the
// dimension fields a test asks for.
TesselSetup makeSetup(int32_t dimensions = 1, int32_t x = 0, int32_t y = 0, const char* delimiter = ",");

// The loaded module: its entry points and routine tables.
using Module = hostkit::Module;

// The module built next to the tests (its path is compiled in).
Module& builtModule();

using Param = hostkit::Param;
using ExpressionCall = hostkit::ExpressionCall;

// One run-time object, created from a setup record and destroyed at the end.
class HostedObject {
 public:
  explicit HostedObject(const TesselSetup& setup = makeSetup(), Module& module = builtModule());
  HostedObject(const HostedObject&) = delete;
  HostedObject& operator=(const HostedObject&) = delete;

  // Calls action n with the given parameters (texts are passed as pointers).
  short act(int n, const Param& first = {}, const Param& second = {});
  // Calls expression n; the flag word is cleared before the call, as a host does.
  ExpressionCall call(int n, const Param& first = {}, const Param& second = {});
  // Shorthands for expressions known to return an integer or a text; they throw when it is the other.
  int32_t integer(int n, const Param& first = {}, const Param& second = {}) {
    return object_.integer(n, first, second);
  }
  std::optional<std::string> text(int n, const Param& first = {}, const Param& second = {}) {
    return object_.text(n, first, second);
  }

  // The module's diagnostic of the last routine call: its code (0 = ok) and description.
  using Outcome = hostkit::RunObject::Outcome;
  Outcome lastOutcome() { return object_.lastOutcome(); }
  std::optional<TesselCellFacts> describeCell(int32_t index) { return object_.describeCell(index); }
  std::optional<TesselSaveReport> lastSaveReport() { return object_.lastSaveReport(); }

  TesselRunObject& record() { return object_.record(); }
  uint16_t resultFlags() { return record().resultFlags; }

 private:
  hostkit::RunObject object_;
};

}  // namespace tessel::testing
