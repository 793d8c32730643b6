// Catalogue rows whose operations are not built yet. Each routine exists and
// returns its empty result (an action changes nothing, an expression gives 0
// or no text); the rows move to their layer's routes file as the layers land.
#include "host/operations.h"

namespace tessel {

namespace actions {

#define TESSEL_PENDING(op) \
  void op(Instance&, const Arguments&) {}

// Recordset.
TESSEL_PENDING(pickBetweenColumn)
TESSEL_PENDING(selectBetweenValues)
TESSEL_PENDING(insertRowFromList)
TESSEL_PENDING(selectLabelGreaterOrEqual)
TESSEL_PENDING(appendRowFromList)
TESSEL_PENDING(selectLabelLess)
TESSEL_PENDING(replaceRowWithList)
TESSEL_PENDING(selectLabelLessOrEqual)
TESSEL_PENDING(pickBetweenLabel)
TESSEL_PENDING(deleteRow)
TESSEL_PENDING(sortRowsByColumnValueAscending)
TESSEL_PENDING(sortRowsByColumnValueDescending)
TESSEL_PENDING(sortRowsByColumnStringAscending)
TESSEL_PENDING(sortRowsByColumnStringDescending)
TESSEL_PENDING(sortRowsByLabelValueAscending)
TESSEL_PENDING(sortRowsByLabelValueDescending)
TESSEL_PENDING(sortRowsByLabelStringAscending)
TESSEL_PENDING(sortRowsByLabelStringDescending)
TESSEL_PENDING(setLabel)
TESSEL_PENDING(selectBetweenStrings)
TESSEL_PENDING(useAndMode)
TESSEL_PENDING(useOrMode)
TESSEL_PENDING(selectAllRows)
TESSEL_PENDING(invertSelection)
TESSEL_PENDING(selectColumnMatching)
TESSEL_PENDING(selectColumnContaining)
TESSEL_PENDING(selectColumnEqual)
TESSEL_PENDING(selectColumnNotEqual)
TESSEL_PENDING(selectColumnGreater)
TESSEL_PENDING(selectColumnGreaterOrEqual)
TESSEL_PENDING(selectColumnLess)
TESSEL_PENDING(selectColumnLessOrEqual)
TESSEL_PENDING(selectLabelMatching)
TESSEL_PENDING(selectLabelContaining)
TESSEL_PENDING(selectLabelEqual)
TESSEL_PENDING(selectLabelNotEqual)
TESSEL_PENDING(selectLabelGreater)
TESSEL_PENDING(startNewWhere)

#undef TESSEL_PENDING

}  // namespace actions

namespace expressions {

#define TESSEL_PENDING(op, empty) \
  Result op(Instance&, const Arguments&) { return empty; }
#define TESSEL_NUMBER Result::integer(0)
#define TESSEL_TEXT_NONE Result::noText()

// Lists and recordset.
TESSEL_PENDING(elementList, TESSEL_TEXT_NONE)
TESSEL_PENDING(quotedElementList, TESSEL_TEXT_NONE)
TESSEL_PENDING(keyList, TESSEL_TEXT_NONE)
TESSEL_PENDING(quotedKeyList, TESSEL_TEXT_NONE)
TESSEL_PENDING(pairList, TESSEL_TEXT_NONE)
TESSEL_PENDING(quotedPairList, TESSEL_TEXT_NONE)
TESSEL_PENDING(rowList, TESSEL_TEXT_NONE)
TESSEL_PENDING(numberOfColumns, TESSEL_NUMBER)
TESSEL_PENDING(label, TESSEL_TEXT_NONE)
TESSEL_PENDING(labelList, TESSEL_TEXT_NONE)
TESSEL_PENDING(columnOfLabel, Result::integer(-1))
TESSEL_PENDING(columnList, TESSEL_TEXT_NONE)
TESSEL_PENDING(valueAtColumnRow, TESSEL_NUMBER)
TESSEL_PENDING(stringAtColumnRow, TESSEL_TEXT_NONE)
TESSEL_PENDING(valueAtLabelRow, TESSEL_NUMBER)
TESSEL_PENDING(stringAtLabelRow, TESSEL_TEXT_NONE)
TESSEL_PENDING(columnMaximum, TESSEL_NUMBER)
TESSEL_PENDING(columnMinimum, TESSEL_NUMBER)
TESSEL_PENDING(columnSum, TESSEL_NUMBER)
TESSEL_PENDING(columnAverage, TESSEL_NUMBER)
TESSEL_PENDING(labelMaximum, TESSEL_NUMBER)
TESSEL_PENDING(labelMinimum, TESSEL_NUMBER)
TESSEL_PENDING(labelSum, TESSEL_NUMBER)
TESSEL_PENDING(labelAverage, TESSEL_NUMBER)

#undef TESSEL_PENDING
#undef TESSEL_NUMBER
#undef TESSEL_TEXT_NONE

}  // namespace expressions

}  // namespace tessel
