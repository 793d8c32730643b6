// Routes of the actions and expressions that reach the lists and the
// recordset: rows, columns, labels, selection, row sorting and aggregates.
#include "core/array_store.h"
#include "host/operations.h"

namespace tessel::expressions {

Result numberOfRows(Instance& o, const Arguments&) { return Result::integer(o.store().rowFlags().selectedCount()); }

}  // namespace tessel::expressions
