// The action and expression tables handed to the host, built from the catalogue.
#pragma once

#include "host/tessel.h"

namespace tessel {

// TESSEL_ACTION_COUNT action routines and a terminating zero entry.
const TesselActionRoutine* actionTable();
// TESSEL_EXPRESSION_COUNT expression routines and a terminating zero entry;
// entries 31 to 33 are the routines of entries 28 to 30.
const TesselExpressionRoutine* expressionTable();
// The condition table: only its terminating zero entry.
const void* conditionTable();

}  // namespace tessel
