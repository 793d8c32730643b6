// Random sequences of actions and expressions through the routine tables, as
// a host calls them, with the store's invariants checked after every call.
// The input is read as steps: a routine number, then its parameters.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "host/catalogue.h"
#include "host/run_state.h"
#include "host/tessel.h"
#include "tests/fuzz/fuzz_support.h"

namespace tessel::fuzz {
namespace {

// Reads the input front to back; past its end every read gives zeros.
struct Input {
  const uint8_t* data;
  std::size_t size, pos = 0;
  bool atEnd() const { return pos >= size; }
  uint8_t byte() { return pos < size ? data[pos++] : 0; }
  // Mostly small numbers, sometimes an edge of the 32-bit range.
  int32_t integer() {
    static constexpr int32_t kEdges[] = {INT32_MIN, -1, 0, INT32_MAX, 1 << 16, 100, 1000};
    const uint8_t b = byte();
    if (b >= 0xF8) return kEdges[b - 0xF8 < 7 ? b - 0xF8 : 0];
    return static_cast<int32_t>(b % 48) - 4;
  }
  std::string text() {
    const std::size_t n = byte() % 24;
    std::string t;
    for (std::size_t i = 0; i < n && !atEnd(); ++i) {
      const uint8_t b = byte();
      t.push_back(b == 0 ? ',' : static_cast<char>(b));  // texts from the host have no inner zero byte
    }
    return t;
  }
};

// The host side: the context record (first, so that the object's context is
// the Host), the parameters of the current call and string space that lives
// until the next input.
struct Host {
  TesselHostContext context{};
  intptr_t params[2] = {0, 0};
  int fetched = 0;
  std::deque<std::string> space;
};

Host& hostOf(TesselRunObject* o) { return *reinterpret_cast<Host*>(o->hostContext); }

intptr_t TESSEL_CALL getFirst(TesselRunObject* o, intptr_t, intptr_t) {
  hostOf(o).fetched = 1;
  return hostOf(o).params[0];
}
intptr_t TESSEL_CALL getNext(TesselRunObject* o, intptr_t, intptr_t) {
  return hostOf(o).params[hostOf(o).fetched++ < 2 ? 1 : 0];
}
intptr_t TESSEL_CALL getSpace(TesselRunObject* o, intptr_t size, intptr_t) {
  return reinterpret_cast<intptr_t>(hostOf(o).space.emplace_back(static_cast<std::size_t>(size), '\0').data());
}

}  // namespace
}  // namespace tessel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace tessel;
  using namespace tessel::fuzz;
  static TesselRunInfos infos{};
  if (infos.actions == nullptr) GetRunObjectInfos(0, &infos);
  // Every input starts without files, so that it runs alike alone and after others.
  for (int f = 0; f < 4; ++f) std::remove(scratchFile("f" + std::to_string(f)).c_str());
  Input in{data, size};
  Host host;
  host.context.getFirstParameter = &getFirst;
  host.context.getNextParameter = &getNext;
  host.context.getStringSpace = &getSpace;
  std::vector<unsigned char> memory(static_cast<std::size_t>(GetRunObjectDataSize(0, 0)), 0);
  auto* object = reinterpret_cast<TesselRunObject*>(memory.data());
  object->hostContext = &host.context;
  TesselSetup setup{};
  setup.dimensionCount = in.byte() % 4;
  setup.xSize = in.byte() % 5;
  setup.ySize = in.byte() % 3;
  setup.autoSelect = in.byte() % 2;
  std::strcpy(setup.listDelimiter, ",");
  CreateRunObject(object, &setup, 0);
  auto* state = static_cast<RunState*>(object->store);
  TESSEL_FUZZ_CHECK(state != nullptr);

  for (int step = 0; step < 64 && !in.atEnd(); ++step) {
    const uint8_t pick = in.byte();
    const bool action = pick < 160;
    const std::size_t number = action ? pick % TESSEL_ACTION_COUNT : pick % TESSEL_EXPRESSION_COUNT;
    const catalogue::Parameter* params =
        action ? catalogue::kActions[number].params : catalogue::kExpressions[number].params;
    std::string texts[2];
    for (int i = 0; i < 2; ++i) {
      const bool text = params[i].kind == catalogue::ParamKind::text;
      // File names stay inside the scratch folder: one of four files.
      const bool file = text && params[i].name != nullptr && std::strcmp(params[i].name, "file name") == 0;
      if (text) texts[i] = file ? scratchFile("f" + std::to_string(in.byte() % 4)) : in.text();
      host.params[i] = text                                              ? reinterpret_cast<intptr_t>(texts[i].c_str())
                       : params[i].kind == catalogue::ParamKind::integer ? in.integer()
                                                                         : 0;
    }
    host.fetched = 0;
    const bool save = action && std::strncmp(catalogue::kActions[number].label, "Save", 4) == 0;
    if (save && declaresLargeFile(state->store())) continue;
    if (action) {
      TESSEL_FUZZ_CHECK(infos.actions[number](object, host.params[0], host.params[1]) == 0);
    } else {
      object->resultFlags = 0;
      const intptr_t result = infos.expressions[number](object, 0);
      const bool text = (object->resultFlags & TESSEL_TEXT_FLAG) != 0;
      TESSEL_FUZZ_CHECK(!text || catalogue::kExpressions[number].returnsText());
      if (text) TESSEL_FUZZ_CHECK(std::strlen(reinterpret_cast<const char*>(result)) + 1 <= host.space.back().size());
    }
    checkStore(state->store());
    char buffer[64];
    const int32_t code = TesselLastOutcome(object, buffer, sizeof buffer);
    TESSEL_FUZZ_CHECK(code == static_cast<int32_t>(state->lastOutcome().code()));
  }
  DestroyRunObject(object, 0);
  TESSEL_FUZZ_CHECK(object->store == nullptr);
  return 0;
}
