// The catalogue numbers the benchmarks call, named from the catalogue.
#pragma once

#include "host/catalogue.h"

namespace tessel::testing::bench {

using catalogue::actionOf;
using catalogue::expressionOf;

// Actions.
inline constexpr int kSaveNative = actionOf("saveToFile"), kSaveHost = actionOf("saveAsHostArray"),
                     kSaveCsv = actionOf("saveToCsv"), kSaveIni = actionOf("saveToIni"),
                     kLoadNative = actionOf("loadFromFile"), kLoadHost = actionOf("loadFromHostArray"),
                     kLoadCsv = actionOf("loadFromCsv"), kLoadIni = actionOf("loadFromIni"),
                     kInsertString = actionOf("insertStringAt"), kAppendString = actionOf("appendString"),
                     kAppendValue = actionOf("appendValue"), kSetString = actionOf("setStringAt"),
                     kSetValue = actionOf("setValueAt"), kDeleteAt = actionOf("deleteAt"),
                     kDeleteAll = actionOf("deleteAll"), kSetKeyString = actionOf("setKeyStringAt"),
                     kSortStringsUp = actionOf("sortStringsAscending"), kSortValuesUp = actionOf("sortValuesAscending"),
                     kAppendRow = actionOf("appendRowFromList"),
                     kSortColumnValueAsc = actionOf("sortRowsByColumnValueAscending"),
                     kSortColumnStringAsc = actionOf("sortRowsByColumnStringAscending"),
                     kCaseInsensitive = actionOf("setCaseInsensitive"),
                     kGreaterOrEqual = actionOf("selectColumnGreaterOrEqual");

// Expressions.
inline constexpr int kSize = expressionOf("size"), kGetString = expressionOf("stringAt"),
                     kGetValue = expressionOf("valueAt"), kIndexOfKeyString = expressionOf("indexOfKeyString"),
                     kFindString = expressionOf("findMatchingString"),
                     kContainsString = expressionOf("findContainingString"), kRowList = expressionOf("rowList"),
                     kColumnList = expressionOf("columnList"), kColumnSum = expressionOf("columnSum");

}  // namespace tessel::testing::bench
