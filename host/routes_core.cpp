// Routes of the actions and expressions that reach the array core: elements,
// settings, dimensions, keys, searching, sorting and totals.
#include <optional>

#include "core/array_store.h"
#include "core/dimensions.h"
#include "core/keys.h"
#include "core/search.h"
#include "core/sort.h"
#include "core/totals.h"
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
void resizeBoundary(Instance& o, const Arguments& a) { tessel::resizeBoundary(o.store(), a.integer(0), a.integer(1)); }
void setKeyStringAt(Instance& o, const Arguments& a) { tessel::setKeyStringAt(o.store(), a.text(0), a.integer(1)); }
void setKeyValueAt(Instance& o, const Arguments& a) { tessel::setKeyValueAt(o.store(), a.integer(0), a.integer(1)); }
void sortStringsAscending(Instance& o, const Arguments&) { sortCells(o.store(), kSortByString, SortOrder::ascending); }
void sortStringsDescending(Instance& o, const Arguments&) {
  sortCells(o.store(), kSortByString, SortOrder::descending);
}
void sortValuesAscending(Instance& o, const Arguments&) { sortCells(o.store(), kSortByValue, SortOrder::ascending); }
void sortValuesDescending(Instance& o, const Arguments&) { sortCells(o.store(), kSortByValue, SortOrder::descending); }

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

namespace {
Result textOrNone(const std::optional<CellText>& text) { return text ? Result::text(*text) : Result::noText(); }
}  // namespace

Result stringAt(Instance& o, const Arguments& a) {
  const Cell* cell = o.store().cellAt(a.integer(0));
  return cell != nullptr ? Result::text(*cell) : Result::noText();
}

Result keyStringAt(Instance& o, const Arguments& a) { return textOrNone(tessel::keyStringAt(o.store(), a.integer(0))); }
Result keyValueAt(Instance& o, const Arguments& a) {
  return Result::integer(tessel::keyValueAt(o.store(), a.integer(0)));
}
Result indexOfKeyString(Instance& o, const Arguments& a) {
  return Result::integer(indexOfKey(o.store(), CellDescriptor::ofString(a.text(0))));
}
Result indexOfKeyValue(Instance& o, const Arguments& a) {
  return Result::integer(indexOfKey(o.store(), CellDescriptor::ofValue(a.integer(0))));
}
Result stringWithKeyString(Instance& o, const Arguments& a) {
  return textOrNone(stringWithKey(o.store(), CellDescriptor::ofString(a.text(0))));
}
Result stringWithKeyValue(Instance& o, const Arguments& a) {
  return textOrNone(stringWithKey(o.store(), CellDescriptor::ofValue(a.integer(0))));
}
Result valueWithKeyString(Instance& o, const Arguments& a) {
  return Result::integer(valueWithKey(o.store(), CellDescriptor::ofString(a.text(0))));
}
Result valueWithKeyValue(Instance& o, const Arguments& a) {
  return Result::integer(valueWithKey(o.store(), CellDescriptor::ofValue(a.integer(0))));
}

// The second parameter of the finds is fetched as declared and has no effect.
Result findMatchingString(Instance& o, const Arguments& a) {
  return Result::integer(tessel::findMatchingString(o.store(), a.text(0)));
}
Result findMatchingValue(Instance& o, const Arguments& a) {
  return Result::integer(tessel::findMatchingValue(o.store(), a.integer(0)));
}
Result findContainingString(Instance& o, const Arguments& a) {
  return Result::integer(tessel::findContainingString(o.store(), a.text(0)));
}
Result findContainingValue(Instance& o, const Arguments& a) {
  return Result::integer(tessel::findContainingValue(o.store(), a.integer(0)));
}

Result maximum(Instance& o, const Arguments&) { return Result::integer(maximumValue(o.store())); }
Result minimum(Instance& o, const Arguments&) { return Result::integer(minimumValue(o.store())); }
Result sum(Instance& o, const Arguments&) { return Result::integer(sumOfValues(o.store())); }
Result average(Instance& o, const Arguments&) { return Result::integer(averageValue(o.store())); }

Result coordinateOfIndex(Instance& o, const Arguments& a) {
  return Result::integer(o.store().dimensions().coordinateOfIndex(a.integer(0), a.integer(1)));
}
Result xOfIndex(Instance& o, const Arguments& a) {
  return Result::integer(o.store().dimensions().coordinateOfIndex(1, a.integer(0)));
}
Result yOfIndex(Instance& o, const Arguments& a) {
  return Result::integer(o.store().dimensions().coordinateOfIndex(2, a.integer(0)));
}
Result zOfIndex(Instance& o, const Arguments& a) {
  return Result::integer(o.store().dimensions().coordinateOfIndex(3, a.integer(0)));
}
Result indexOfDimensionIndex(Instance& o, const Arguments& a) {
  ArrayStore& store = o.store();
  return Result::integer(store.dimensions().indexOfDimensionIndex(a.text(0), store.listDelimiter()));
}
Result indexOfXY(Instance& o, const Arguments& a) {
  return Result::integer(o.store().dimensions().indexOfXY(a.integer(0), a.integer(1)));
}

}  // namespace expressions

}  // namespace tessel
