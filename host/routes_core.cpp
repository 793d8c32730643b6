// Routes of the actions and expressions that reach the array core: elements,
// settings, dimensions, keys, searching, sorting and totals.
#include "core/array_store.h"
#include "host/operations.h"

namespace tessel {

namespace actions {

void insertStringAt(Instance& o, const Arguments& a) {
  o.store().insert(a.integer(1), CellDescriptor::ofString(a.text(0)));
}
void insertValueAt(Instance& o, const Arguments& a) {
  o.store().insert(a.integer(1), CellDescriptor::ofValue(a.integer(0)));
}
void appendString(Instance& o, const Arguments& a) { o.store().append(CellDescriptor::ofString(a.text(0))); }
void appendValue(Instance& o, const Arguments& a) { o.store().append(CellDescriptor::ofValue(a.integer(0))); }
void setStringAt(Instance& o, const Arguments& a) { o.store().set(a.integer(1), CellDescriptor::ofString(a.text(0))); }
void setValueAt(Instance& o, const Arguments& a) { o.store().set(a.integer(1), CellDescriptor::ofValue(a.integer(0))); }
void deleteAt(Instance& o, const Arguments& a) { o.store().deleteAt(a.integer(0)); }
void deleteAll(Instance& o, const Arguments&) { o.store().deleteAll(); }
void setCaseInsensitive(Instance& o, const Arguments&) { o.store().setCaseSensitive(false); }
void setCaseSensitive(Instance& o, const Arguments&) { o.store().setCaseSensitive(true); }
void useLiteralMode(Instance& o, const Arguments&) { o.store().setWildcard(false); }
void useWildcardMode(Instance& o, const Arguments&) { o.store().setWildcard(true); }
void setListDelimiter(Instance& o, const Arguments& a) { o.store().setListDelimiter(a.text(0)); }
void setDimensionCount(Instance& o, const Arguments& a) { o.store().dimensions().setCount(a.integer(0)); }
void useTwoDimensions(Instance& o, const Arguments&) { o.store().dimensions().setCount(2); }
void useThreeDimensions(Instance& o, const Arguments&) { o.store().dimensions().setCount(3); }
void setBoundary(Instance& o, const Arguments& a) { o.store().dimensions().setBoundary(a.integer(0), a.integer(1)); }

}  // namespace actions

namespace expressions {

Result size(Instance& o, const Arguments&) { return Result::integer(o.store().size()); }
Result capacity(Instance& o, const Arguments&) { return Result::integer(o.store().capacity()); }
Result valueAt(Instance& o, const Arguments& a) { return Result::integer(o.store().valueAt(a.integer(0))); }
Result listDelimiter(Instance& o, const Arguments&) { return Result::text(o.store().listDelimiter().c_str()); }
Result dimensionCount(Instance& o, const Arguments&) { return Result::integer(o.store().dimensions().count()); }
Result boundary(Instance& o, const Arguments& a) {
  return Result::integer(o.store().dimensions().boundary(a.integer(0)));
}
Result boundaryX(Instance& o, const Arguments&) { return Result::integer(o.store().dimensions().boundary(1)); }
Result boundaryY(Instance& o, const Arguments&) { return Result::integer(o.store().dimensions().boundary(2)); }
Result boundaryZ(Instance& o, const Arguments&) { return Result::integer(o.store().dimensions().boundary(3)); }

Result stringAt(Instance& o, const Arguments& a) {
  const auto text = o.store().stringAt(a.integer(0));
  return text ? Result::text(*text) : Result::noText();
}

}  // namespace expressions

}  // namespace tessel
