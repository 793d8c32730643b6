// The smallest host: loads the module by path, creates one instance from a
// setup record, calls a few actions and expressions through the routine
// tables, and prints what happens. Everything goes through the exports
// declared in host/tessel.h, exactly as a game host does it; the routine
// numbers come from the catalogue.
//
//   first_host path/to/libtessel.so
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/catalogue.h"
#include "host/tessel.h"

namespace {

using tessel::catalogue::actionOf;
using tessel::catalogue::expressionOf;

// The host's side of an expression call: its parameters and its string space.
struct Call {
  std::vector<intptr_t> params;
  std::size_t next = 0;
  std::vector<std::string> spaces;
};
Call* current = nullptr;

intptr_t TESSEL_CALL getFirst(TesselRunObject*, intptr_t, intptr_t) {
  current->next = 1;
  return current->params.empty() ? 0 : current->params[0];
}
intptr_t TESSEL_CALL getNext(TesselRunObject*, intptr_t, intptr_t) {
  return current->next < current->params.size() ? current->params[current->next++] : 0;
}
intptr_t TESSEL_CALL getStringSpace(TesselRunObject*, intptr_t size, intptr_t) {
  current->spaces.emplace_back(static_cast<std::size_t>(size), '\0');
  return reinterpret_cast<intptr_t>(current->spaces.back().data());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s MODULE\n", argv[0]);
    return 2;
  }
  void* module = dlopen(argv[1], RTLD_NOW);
  if (module == nullptr) {
    std::fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
    return 1;
  }
  auto dataSize = reinterpret_cast<short(TESSEL_CALL*)(intptr_t, intptr_t)>(dlsym(module, "GetRunObjectDataSize"));
  auto getInfos = reinterpret_cast<short(TESSEL_CALL*)(intptr_t, TesselRunInfos*)>(dlsym(module, "GetRunObjectInfos"));
  auto create = reinterpret_cast<short(TESSEL_CALL*)(TesselRunObject*, const TesselSetup*, intptr_t)>(
      dlsym(module, "CreateRunObject"));
  auto destroy = reinterpret_cast<short(TESSEL_CALL*)(TesselRunObject*, intptr_t)>(dlsym(module, "DestroyRunObject"));
  if (!dataSize || !getInfos || !create || !destroy) {
    std::fprintf(stderr, "%s is not a tessel module\n", argv[1]);
    return 1;
  }

  TesselRunInfos infos{};
  getInfos(0, &infos);
  std::printf("module %.4s: %d actions, %d expressions, setup record of %d bytes\n", infos.identifier,
              infos.actionCount, infos.expressionCount, infos.setupSize);

  // The host allocates the run-time object and its context record.
  std::vector<unsigned char> memory(static_cast<std::size_t>(dataSize(0, 0)));
  auto* object = reinterpret_cast<TesselRunObject*>(memory.data());
  TesselHostContext context{};
  context.getFirstParameter = getFirst;
  context.getNextParameter = getNext;
  context.getStringSpace = getStringSpace;
  object->hostContext = &context;

  TesselSetup setup{};
  setup.dimensionCount = 1;
  std::strcpy(setup.listDelimiter, ",");
  create(object, &setup, 0);
  std::printf("created a run-time object of %d bytes\n", dataSize(0, 0));

  const auto act = [&](int n, intptr_t a, intptr_t b) { infos.actions[n](object, a, b); };
  const auto expression = [&](int n, std::vector<intptr_t> params) {
    Call call{std::move(params), 0, {}};
    current = &call;
    object->resultFlags = 0;
    const intptr_t result = infos.expressions[n](object, 0);
    current = nullptr;
    if (object->resultFlags & TESSEL_TEXT_FLAG) return "\"" + std::string(reinterpret_cast<char*>(result)) + "\"";
    return std::to_string(result);
  };

  act(actionOf("appendString"), reinterpret_cast<intptr_t>("apple"), 0);
  std::printf("Append string \"apple\"\n");
  act(actionOf("appendValue"), 42, 0);
  std::printf("Append value 42\n");
  act(actionOf("insertStringAt"), reinterpret_cast<intptr_t>("first"), 0);
  std::printf("Insert string \"first\" at 0\n");
  std::printf("size( = %s, capacity( = %s\n", expression(expressionOf("size"), {}).c_str(),
              expression(expressionOf("capacity"), {}).c_str());
  for (intptr_t i = 0; i < 4; ++i) {
    std::printf("get$(%d) = %s, get(%d) = %s\n", static_cast<int>(i), expression(expressionOf("stringAt"), {i}).c_str(),
                static_cast<int>(i), expression(expressionOf("valueAt"), {i}).c_str());
  }
  act(actionOf("deleteAt"), 0, 0);
  std::printf("Delete at 0: size( = %s, get$(0) = %s\n", expression(expressionOf("size"), {}).c_str(),
              expression(expressionOf("stringAt"), {0}).c_str());

  destroy(object, 0);
  std::printf("destroyed\n");
  dlclose(module);
  return 0;
}
