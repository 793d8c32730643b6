#include "tests/host/test_host.h"

#include <stdexcept>

namespace tessel::testing {

TesselSetup makeSetup(int32_t dimensions, int32_t x, int32_t y, const char* delimiter) {
  hostkit::SetupOptions options;
  options.dimensions = dimensions;
  options.x = x;
  options.y = y;
  options.delimiter = delimiter;
  return hostkit::makeSetup(options);
}

Module& builtModule() {
  static Module module(TESSEL_MODULE_PATH);
  return module;
}

Instance::Instance(const TesselSetup& setup, Module& module) : object_(module, setup) {}

short Instance::act(int n, const Param& first, const Param& second) { return object_.act(n, first, second); }

ExpressionCall Instance::call(int n, const Param& first, const Param& second) { return object_.call(n, first, second); }

int32_t Instance::integer(int n, const Param& first, const Param& second) {
  const ExpressionCall c = call(n, first, second);
  if (!c.protocolError.empty()) throw std::logic_error(c.protocolError);
  if (c.textFlag) throw std::logic_error("expression returned text where an integer was expected");
  return static_cast<int32_t>(c.raw);
}

std::optional<std::string> Instance::text(int n, const Param& first, const Param& second) {
  ExpressionCall c = call(n, first, second);
  if (!c.protocolError.empty()) throw std::logic_error(c.protocolError);
  if (!c.textFlag && c.raw != 0) throw std::logic_error("expression returned an integer where a text was expected");
  return c.text;
}

Instance::Outcome Instance::lastOutcome() {
  using Diagnostic = int32_t(TESSEL_CALL*)(TesselRunObject*, char*, int32_t);
  const auto read = object_.module().entry<Diagnostic>("TesselLastOutcome");
  char buffer[512];
  const int32_t code = read(&record(), buffer, sizeof buffer);
  return {code, buffer};
}

}  // namespace tessel::testing
