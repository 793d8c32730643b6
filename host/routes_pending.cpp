// Catalogue rows whose operations are not built yet. Each routine exists and
// returns its empty result (an action changes nothing, an expression gives 0
// or no text); the rows move to their layer's routes file as the layers land.
#include "host/operations.h"

namespace tessel {

namespace actions {

#define TESSEL_PENDING(op) \
  void op(Instance&, const Arguments&) {}

// Dimensions, keys, sorting.
TESSEL_PENDING(setKeyStringAt)
TESSEL_PENDING(setKeyValueAt)
TESSEL_PENDING(sortStringsAscending)
TESSEL_PENDING(sortStringsDescending)
TESSEL_PENDING(sortValuesAscending)
TESSEL_PENDING(sortValuesDescending)
TESSEL_PENDING(resizeBoundary)

// Files.
TESSEL_PENDING(saveToFile)
TESSEL_PENDING(saveAsHostArray)
TESSEL_PENDING(saveToCsv)
TESSEL_PENDING(loadFromFile)
TESSEL_PENDING(loadFromHostArray)
TESSEL_PENDING(loadFromCsv)
TESSEL_PENDING(appendFromFile)
TESSEL_PENDING(appendFromHostArray)
TESSEL_PENDING(appendFromCsv)
TESSEL_PENDING(saveElementToFile)
TESSEL_PENDING(appendElementToFile)
TESSEL_PENDING(setFileAt)
TESSEL_PENDING(insertFileAt)
TESSEL_PENDING(appendFile)
TESSEL_PENDING(saveToIni)
TESSEL_PENDING(loadFromIni)
TESSEL_PENDING(appendFromIni)

#undef TESSEL_PENDING

}  // namespace actions

namespace expressions {

#define TESSEL_PENDING(op, empty) \
  Result op(Instance&, const Arguments&) { return empty; }
#define TESSEL_NUMBER Result::integer(0)
#define TESSEL_TEXT_NONE Result::noText()

// Dimensions, keys, searching, totals.
TESSEL_PENDING(keyStringAt, TESSEL_TEXT_NONE)
TESSEL_PENDING(keyValueAt, TESSEL_NUMBER)
TESSEL_PENDING(indexOfKeyString, Result::integer(-1))
TESSEL_PENDING(indexOfKeyValue, Result::integer(-1))
TESSEL_PENDING(stringWithKeyString, TESSEL_TEXT_NONE)
TESSEL_PENDING(stringWithKeyValue, TESSEL_TEXT_NONE)
TESSEL_PENDING(valueWithKeyString, TESSEL_NUMBER)
TESSEL_PENDING(valueWithKeyValue, TESSEL_NUMBER)
TESSEL_PENDING(findMatchingString, Result::integer(-1))
TESSEL_PENDING(findMatchingValue, Result::integer(-1))
TESSEL_PENDING(findContainingString, Result::integer(-1))
TESSEL_PENDING(findContainingValue, Result::integer(-1))
TESSEL_PENDING(maximum, TESSEL_NUMBER)
TESSEL_PENDING(minimum, TESSEL_NUMBER)
TESSEL_PENDING(sum, TESSEL_NUMBER)
TESSEL_PENDING(average, TESSEL_NUMBER)
TESSEL_PENDING(coordinateOfIndex, TESSEL_NUMBER)
TESSEL_PENDING(xOfIndex, TESSEL_NUMBER)
TESSEL_PENDING(yOfIndex, TESSEL_NUMBER)
TESSEL_PENDING(zOfIndex, TESSEL_NUMBER)
TESSEL_PENDING(indexOfDimensionIndex, TESSEL_NUMBER)
TESSEL_PENDING(indexOfXY, TESSEL_NUMBER)

#undef TESSEL_PENDING
#undef TESSEL_NUMBER
#undef TESSEL_TEXT_NONE

}  // namespace expressions

}  // namespace tessel
