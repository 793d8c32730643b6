// A module that breaks the host protocol, one rule an expression, for the
// host kit's checks to catch. ROGUE_SMALL makes its run-time object too
// small, ROGUE_TABLES its routine tables short; it exports no diagnostics.
#include <array>
#include <cstddef>

#include "host/export.h"
#include "host/tessel.h"

namespace {

using Routine = TesselExpressionRoutine;

TesselHostContext& services(TesselRunObject* o) { return *o->hostContext; }
intptr_t first(TesselRunObject* o, intptr_t raw) { return services(o).getFirstParameter(o, TESSEL_PARAM_INTEGER, raw); }

intptr_t TESSEL_CALL firstTwice(TesselRunObject* o, intptr_t raw) { return first(o, raw) + first(o, raw); }
intptr_t TESSEL_CALL foreignRaw(TesselRunObject* o, intptr_t raw) { return first(o, raw + 1); }
intptr_t TESSEL_CALL spaceTwice(TesselRunObject* o, intptr_t) {
  services(o).getStringSpace(o, 4, 0);
  return services(o).getStringSpace(o, 4, 0);
}
intptr_t TESSEL_CALL fetchAfterSpace(TesselRunObject* o, intptr_t raw) {
  services(o).getStringSpace(o, 4, 0);
  return first(o, raw);
}
intptr_t TESSEL_CALL textForInteger(TesselRunObject* o, intptr_t) {
  o->resultFlags |= TESSEL_TEXT_FLAG;
  return reinterpret_cast<intptr_t>("a text");
}
intptr_t TESSEL_CALL integerForText(TesselRunObject*, intptr_t) { return 7; }

short TESSEL_CALL action(TesselRunObject*, intptr_t, intptr_t) { return 0; }

constexpr std::array<Routine, 6> kRogues{firstTwice,      foreignRaw,     spaceTwice,
                                         fetchAfterSpace, textForInteger, integerForText};
// The tables, each ended by a null entry.
std::array<TesselActionRoutine, TESSEL_ACTION_COUNT + 1> actions{};
std::array<Routine, TESSEL_EXPRESSION_COUNT + 1> expressions{};

}  // namespace

extern "C" {

TESSEL_EXPORT short TESSEL_CALL GetRunObjectDataSize(intptr_t, intptr_t) {
#ifdef ROGUE_SMALL
  return static_cast<short>(sizeof(TesselRunObject) - 1);
#else
  return static_cast<short>(sizeof(TesselRunObject));
#endif
}
TESSEL_EXPORT short TESSEL_CALL CreateRunObject(TesselRunObject*, const TesselSetup*, intptr_t) { return 0; }
TESSEL_EXPORT short TESSEL_CALL DestroyRunObject(TesselRunObject*, intptr_t) { return 0; }
TESSEL_EXPORT short TESSEL_CALL GetRunObjectInfos(intptr_t, TesselRunInfos* infos) {
  for (std::size_t n = 0; n < TESSEL_ACTION_COUNT; ++n) actions[n] = action;
  for (std::size_t n = 0; n < TESSEL_EXPRESSION_COUNT; ++n) expressions[n] = kRogues[n % kRogues.size()];
  infos->actions = actions.data();
  infos->expressions = expressions.data();
  infos->actionCount = TESSEL_ACTION_COUNT;
#ifdef ROGUE_TABLES
  infos->expressionCount = TESSEL_EXPRESSION_COUNT - 1;
#else
  infos->expressionCount = TESSEL_EXPRESSION_COUNT;
#endif
  return 1;
}

}  // extern "C"
