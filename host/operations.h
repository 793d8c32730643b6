// The operation behind every action and expression, one function per row of
// the catalogue. Each is thin: it reads its parameters, calls one operation
// of the store or its layers, and (for expressions) returns the result.
#pragma once

#include "host/runtime.h"

namespace tessel {

using ActionOperation = void (*)(Instance&, const Arguments&);
using ExpressionOperation = Result (*)(Instance&, const Arguments&);

namespace actions {
#define TESSEL_ACTION(no, label, display, p1, p2, op, summary) void op(Instance&, const Arguments&);
#include "host/catalogue.inc"
#undef TESSEL_ACTION
}  // namespace actions

namespace expressions {
#define TESSEL_EXPRESSION(no, label, name, p1, p2, result, op, summary) Result op(Instance&, const Arguments&);
#include "host/catalogue.inc"
#undef TESSEL_EXPRESSION
}  // namespace expressions

}  // namespace tessel
