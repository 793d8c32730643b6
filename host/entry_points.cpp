// The exported run-time entry points: the whole C boundary of the module.
#include <cstring>
#include <memory>
#include <new>

#include "core/array_store.h"
#include "host/export.h"
#include "host/records.h"
#include "host/routines.h"
#include "host/run_state.h"
#include "host/tessel.h"

namespace tessel {
namespace {

void applySetup(ArrayStore& store, const TesselSetup& setup) {
  Dimensions& dims = store.dimensions();
  switch (setup.dimensionCount) {
    case 3:
      dims.setCount(3);
      dims.setBoundary(1, setup.xSize);
      dims.setBoundary(2, setup.ySize);
      break;
    case 2:
      dims.setCount(2);
      dims.setBoundary(1, setup.xSize);
      break;
    default: dims.setCount(1); break;
  }
  // The delimiter field may lack its terminator; read no further than the field.
  const char* field = setup.listDelimiter;
  const std::size_t length = strnlen(field, sizeof setup.listDelimiter);
  if (length > 0) store.setListDelimiter(std::string(field, length).c_str());
  store.setCaseSensitive(setup.caseSensitive != 0);
  store.setWildcard(setup.wildcard != 0);
  store.rowFlags().setAutoSelect(setup.autoSelect == 1);
}

}  // namespace
}  // namespace tessel

extern "C" {

TESSEL_EXPORT short TESSEL_CALL GetRunObjectDataSize(intptr_t, intptr_t) {
  return static_cast<short>(sizeof(TesselRunObject));
}

TESSEL_EXPORT short TESSEL_CALL CreateRunObject(TesselRunObject* object, const TesselSetup* setup, intptr_t) {
  object->store = nullptr;
  object->betweenColumn = 0;
  try {
    auto state = std::make_unique<tessel::RunState>();
    if (setup != nullptr) tessel::applySetup(state->store(), *setup);
    object->store = state.release();
  } catch (...) {
    // No memory for a store: the routines find none and do nothing.
  }
  return 0;
}

TESSEL_EXPORT short TESSEL_CALL DestroyRunObject(TesselRunObject* object, intptr_t) {
  std::unique_ptr<tessel::RunState> state(static_cast<tessel::RunState*>(object->store));
  object->store = nullptr;
  return 0;
}

TESSEL_EXPORT short TESSEL_CALL HandleRunObject(TesselRunObject*) { return 1; }

TESSEL_EXPORT short TESSEL_CALL DisplayRunObject(TesselRunObject*) { return 0; }

#if !defined(_WIN32)
// One routine under four names; the Windows build aliases them in its module definition.
TESSEL_EXPORT short TESSEL_CALL ReInitRunObject(TesselRunObject*) __attribute__((alias("DisplayRunObject")));
TESSEL_EXPORT short TESSEL_CALL PauseRunObject(TesselRunObject*) __attribute__((alias("DisplayRunObject")));
TESSEL_EXPORT short TESSEL_CALL ContinueRunObject(TesselRunObject*) __attribute__((alias("DisplayRunObject")));
#endif

TESSEL_EXPORT short TESSEL_CALL GetRunObjectInfos(intptr_t, TesselRunInfos* infos) {
  infos->conditions = tessel::conditionTable();
  infos->actions = tessel::actionTable();
  infos->expressions = tessel::expressionTable();
  infos->conditionCount = 0;
  infos->actionCount = TESSEL_ACTION_COUNT;
  infos->expressionCount = TESSEL_EXPRESSION_COUNT;
  infos->setupSize = TESSEL_SETUP_SIZE;
  infos->reserved0 = 0;
  infos->hostByte = 10;
  infos->reserved1 = 0;
  std::memcpy(infos->identifier, "TSL7", 4);
  infos->reserved2 = 0;
  return 1;
}

}  // extern "C"
