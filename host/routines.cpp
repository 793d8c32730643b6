#include "host/routines.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

#include "core/status.h"
#include "host/catalogue.h"
#include "host/operations.h"
#include "host/run_state.h"
#include "host/runtime.h"

namespace tessel {

namespace {

// Only the operation column is used: the others are dropped unexpanded, so
// their parameter and result macros need no definitions here.
constexpr ActionOperation kActionOperations[] = {
#define TESSEL_ACTION(no, label, display, p1, p2, op, summary) &actions::op,
#include "host/catalogue.inc"
#undef TESSEL_ACTION
};

constexpr ExpressionOperation kExpressionOperations[] = {
#define TESSEL_EXPRESSION(no, label, name, p1, p2, result, op, summary) &expressions::op,
#include "host/catalogue.inc"
#undef TESSEL_EXPRESSION
};

static_assert(std::size(kActionOperations) == catalogue::kActionCount);
static_assert(std::size(kExpressionOperations) == catalogue::kExpressionCount);

RunState* stateOf(TesselRunObject* object) { return static_cast<RunState*>(object->store); }

// The outcome of a call that could not get its memory; it changed nothing.
Status outOfMemory() { return Status::failure(StatusCode::outOfMemory); }

// The host calls one routine at a time; nothing here may throw back into it.
template <std::size_t N>
short runAction(TesselRunObject* object, intptr_t first, intptr_t second) noexcept {
  RunState* state = stateOf(object);
  if (state == nullptr) return 0;
  state->clearLastOutcome();
  try {
    Instance instance(*object);
    kActionOperations[N](instance, Arguments(first, second));
  } catch (...) {
    // Only memory can run out here, and the operation has changed nothing.
    state->setLastOutcome(outOfMemory());
  }
  // The one place where outcomes are dropped on purpose: a game host has no
  // way to hear of a failure, so every action returns 0. The outcome stays
  // with the instance for the console and the tests (TesselLastOutcome).
  return 0;
}

constexpr intptr_t typeCode(const catalogue::Parameter& p) {
  return p.kind == catalogue::ParamKind::text ? TESSEL_PARAM_TEXT : TESSEL_PARAM_INTEGER;
}

// Expression N with its catalogue row known at compile time: the parameters
// are fetched in order as declared, then the result is handed back.
template <std::size_t N>
intptr_t runExpression(TesselRunObject* object, intptr_t raw) noexcept {
  constexpr const catalogue::Expression& entry = catalogue::kExpressions[N];
  RunState* state = stateOf(object);
  try {
    TesselHostContext* context = object->hostContext;
    // Two scalars rather than an array: the operation's arguments then come
    // straight from registers.
    intptr_t first = 0;
    intptr_t second = 0;
    if constexpr (entry.paramCount() > 0) first = context->getFirstParameter(object, typeCode(entry.params[0]), raw);
    if constexpr (entry.paramCount() > 1) second = context->getNextParameter(object, typeCode(entry.params[1]), raw);
    if (state == nullptr) return 0;
    state->clearLastOutcome();
    Instance instance(*object);
    const Result result = kExpressionOperations[N](instance, Arguments(first, second));
    if constexpr (!entry.returnsText()) {
      return result.value();
    } else {
      if (!result.isText()) return 0;
      const std::string_view text = result.textView();
      auto* space = reinterpret_cast<char*>(context->getStringSpace(object, static_cast<intptr_t>(text.size() + 1), 0));
      if (space == nullptr) return 0;
      object->resultFlags = static_cast<uint16_t>(object->resultFlags | TESSEL_TEXT_FLAG);
      std::memcpy(space, text.data(), text.size());
      space[text.size()] = '\0';
      return reinterpret_cast<intptr_t>(space);
    }
  } catch (...) {
    // As for actions: the host gets the empty result, the instance keeps the outcome.
    if (state != nullptr) state->setLastOutcome(outOfMemory());
    return 0;
  }
}

template <std::size_t N>
short TESSEL_CALL actionRoutine(TesselRunObject* object, intptr_t first, intptr_t second) {
  return runAction<N>(object, first, second);
}

template <std::size_t N>
intptr_t TESSEL_CALL expressionRoutine(TesselRunObject* object, intptr_t raw) {
  return runExpression<N>(object, raw);
}

// Rows that name the same operation with the same parameters share one routine.
constexpr std::size_t routineOwner(std::size_t n) {
  for (std::size_t m = 0; m < n; ++m) {
    const catalogue::Expression& a = catalogue::kExpressions[m];
    const catalogue::Expression& b = catalogue::kExpressions[n];
    if (catalogue::sameText(a.operation, b.operation) && a.params[0].kind == b.params[0].kind &&
        a.params[1].kind == b.params[1].kind && a.result == b.result) {
      return m;
    }
  }
  return n;
}

template <std::size_t... N>
constexpr std::array<TesselActionRoutine, sizeof...(N) + 1> makeActionTable(std::index_sequence<N...>) {
  return {&actionRoutine<N>..., nullptr};
}

template <std::size_t... N>
constexpr std::array<TesselExpressionRoutine, sizeof...(N) + 1> makeExpressionTable(std::index_sequence<N...>) {
  return {&expressionRoutine<routineOwner(N)>..., nullptr};
}

constexpr auto kActionTable = makeActionTable(std::make_index_sequence<catalogue::kActionCount>{});
constexpr auto kExpressionTable = makeExpressionTable(std::make_index_sequence<catalogue::kExpressionCount>{});
constexpr const void* kConditionTable[] = {nullptr};

static_assert(routineOwner(31) == 28 && routineOwner(32) == 29 && routineOwner(33) == 30);

}  // namespace

const TesselActionRoutine* actionTable() { return kActionTable.data(); }
const TesselExpressionRoutine* expressionTable() { return kExpressionTable.data(); }
const void* conditionTable() { return kConditionTable; }

}  // namespace tessel
