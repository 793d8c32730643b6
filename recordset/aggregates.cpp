#include "recordset/aggregates.h"

#include "core/arithmetic.h"
#include "recordset/labels.h"
#include "recordset/rows.h"

namespace tessel::recordset {

int32_t columnAggregate(const ArrayStore& store, int32_t c, Aggregate what) {
  const RowFlags& flags = store.rowFlags();
  const int32_t rows = rowCount(store);
  const int32_t positions = rowsWithFlags(store);
  if (rows < 1 || c < 0) return 0;
  const int32_t columns = store.dimensions().columns();
  bool first = true;
  int32_t maximum = 0, minimum = 0, sum = 0;
  // One pass over the flags visits the selected rows in order.
  for (int32_t p = 0; p < positions; ++p) {
    if (!flags.isSelected(p)) continue;
    const int32_t v = store.valueAt(wrapAdd(wrapMul(p, columns), c));
    if (first || v > maximum) maximum = v;
    if (first || v < minimum) minimum = v;
    sum = wrapAdd(sum, v);
    first = false;
  }
  switch (what) {
    case Aggregate::maximum: return maximum;
    case Aggregate::minimum: return minimum;
    case Aggregate::sum: return sum;
    case Aggregate::average: return wrapDiv(sum, rows);
  }
  return 0;  // GCOVR_EXCL_LINE: every kind returns above
}

int32_t labelAggregate(const ArrayStore& store, const char* label, Aggregate what) {
  return columnAggregate(store, columnOfLabel(store, label), what);
}

}  // namespace tessel::recordset
