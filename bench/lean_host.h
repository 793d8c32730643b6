// The cheapest host that still follows the protocol: parameters come from
// two slots, string space is one buffer reused from call to call (a game host
// copies the result before its next call). Timing through it measures the
// module, not a host's bookkeeping; the test host records every service call
// for the tests and costs several times the module's own work.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/tessel.h"
#include "tests/host/test_host.h"

namespace tessel::testing {

class LeanObject {
 public:
  explicit LeanObject(const TesselSetup& setup = makeSetup(), Module& module = builtModule())
      : infos_(module.infos()), context_(withServices()), memory_(module, setup, context_->services) {}

  TesselRunObject& record() { return memory_.record(); }

  short act(int n, intptr_t a = 0, intptr_t b = 0) { return infos_.actions[n](&record(), a, b); }
  short act(int n, const char* text, intptr_t b = 0) { return act(n, reinterpret_cast<intptr_t>(text), b); }
  intptr_t call(int n, intptr_t a = 0, intptr_t b = 0) {
    context_->params[0] = a;
    context_->params[1] = b;
    record().resultFlags = 0;
    return infos_.expressions[n](&record(), 0);
  }

 private:
  // The services find their data through the context pointer, as a host's do.
  struct Context {
    TesselHostContext services{};
    intptr_t params[2] = {0, 0};
    int next = 0;
    std::vector<char> space;
  };
  static std::unique_ptr<Context> withServices() {
    auto c = std::make_unique<Context>();
    c->services.getFirstParameter = &first;
    c->services.getNextParameter = &next;
    c->services.getStringSpace = &space;
    return c;
  }
  static Context& of(TesselRunObject* o) { return *reinterpret_cast<Context*>(o->hostContext); }
  static intptr_t TESSEL_CALL first(TesselRunObject* o, intptr_t, intptr_t) noexcept {
    of(o).next = 1;
    return of(o).params[0];
  }
  static intptr_t TESSEL_CALL next(TesselRunObject* o, intptr_t, intptr_t) noexcept {
    Context& c = of(o);
    return c.params[c.next++ & 1];
  }
  static intptr_t TESSEL_CALL space(TesselRunObject* o, intptr_t size, intptr_t) noexcept {
    Context& c = of(o);
    if (c.space.size() < static_cast<std::size_t>(size)) c.space.resize(static_cast<std::size_t>(size));
    return reinterpret_cast<intptr_t>(c.space.data());
  }

  const TesselRunInfos& infos_;
  std::unique_ptr<Context> context_;  // before the object, which is created and destroyed with it
  hostkit::ObjectMemory memory_;
};

}  // namespace tessel::testing
