// Catalogue numbers and helpers shared by the end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "host/catalogue.h"
#include "tests/host/test_host.h"

namespace tessel::testing {

using catalogue::actionOf;
using catalogue::expressionOf;
constexpr int kAppendElement = actionOf("appendElementToFile"), kAppendFile = actionOf("appendFile"),
              kAppendCsv = actionOf("appendFromCsv"), kAppendNative = actionOf("appendFromFile"),
              kAppendHost = actionOf("appendFromHostArray"), kAppendIni = actionOf("appendFromIni"),
              kAppendRow = actionOf("appendRowFromList"), kAppendString = actionOf("appendString"),
              kAppendValue = actionOf("appendValue"), kDeleteAll = actionOf("deleteAll"),
              kDeleteAt = actionOf("deleteAt"), kDeleteRow = actionOf("deleteRow"),
              kInsertFileAt = actionOf("insertFileAt"), kInsertRow = actionOf("insertRowFromList"),
              kInsertString = actionOf("insertStringAt"), kInsertValue = actionOf("insertValueAt"),
              kInvert = actionOf("invertSelection"), kLoadCsv = actionOf("loadFromCsv"),
              kLoadNative = actionOf("loadFromFile"), kLoadHost = actionOf("loadFromHostArray"),
              kLoadIni = actionOf("loadFromIni"), kPickColumn = actionOf("pickBetweenColumn"),
              kPickLabel = actionOf("pickBetweenLabel"), kReplaceRow = actionOf("replaceRowWithList"),
              kResize = actionOf("resizeBoundary"), kSaveHost = actionOf("saveAsHostArray"),
              kSaveElement = actionOf("saveElementToFile"), kSaveCsv = actionOf("saveToCsv"),
              kSaveNative = actionOf("saveToFile"), kSaveIni = actionOf("saveToIni"),
              kSelectAll = actionOf("selectAllRows"), kBetweenStrings = actionOf("selectBetweenStrings"),
              kBetweenValues = actionOf("selectBetweenValues"), kContaining = actionOf("selectColumnContaining"),
              kEqual = actionOf("selectColumnEqual"), kGreater = actionOf("selectColumnGreater"),
              kGreaterOrEqual = actionOf("selectColumnGreaterOrEqual"), kLess = actionOf("selectColumnLess"),
              kLessOrEqual = actionOf("selectColumnLessOrEqual"), kMatching = actionOf("selectColumnMatching"),
              kNotEqual = actionOf("selectColumnNotEqual"), kLabelContaining = actionOf("selectLabelContaining"),
              kLabelEqual = actionOf("selectLabelEqual"), kLabelGreater = actionOf("selectLabelGreater"),
              kLabelGreaterOrEqual = actionOf("selectLabelGreaterOrEqual"), kLabelLess = actionOf("selectLabelLess"),
              kLabelLessOrEqual = actionOf("selectLabelLessOrEqual"), kLabelMatching = actionOf("selectLabelMatching"),
              kLabelNotEqual = actionOf("selectLabelNotEqual"), kSetBoundary = actionOf("setBoundary"),
              kCaseInsensitive = actionOf("setCaseInsensitive"), kCaseSensitive = actionOf("setCaseSensitive"),
              kSetDimensionCount = actionOf("setDimensionCount"), kSetFileAt = actionOf("setFileAt"),
              kSetKeyString = actionOf("setKeyStringAt"), kSetKeyValue = actionOf("setKeyValueAt"),
              kSetLabel = actionOf("setLabel"), kSetDelimiter = actionOf("setListDelimiter"),
              kSetString = actionOf("setStringAt"), kSetValue = actionOf("setValueAt"),
              kSortColumnStringAsc = actionOf("sortRowsByColumnStringAscending"),
              kSortColumnStringDesc = actionOf("sortRowsByColumnStringDescending"),
              kSortColumnValueAsc = actionOf("sortRowsByColumnValueAscending"),
              kSortColumnValueDesc = actionOf("sortRowsByColumnValueDescending"),
              kSortLabelStringAsc = actionOf("sortRowsByLabelStringAscending"),
              kSortLabelStringDesc = actionOf("sortRowsByLabelStringDescending"),
              kSortLabelValueAsc = actionOf("sortRowsByLabelValueAscending"),
              kSortLabelValueDesc = actionOf("sortRowsByLabelValueDescending"),
              kSortStringsUp = actionOf("sortStringsAscending"), kSortStringsDown = actionOf("sortStringsDescending"),
              kSortValuesUp = actionOf("sortValuesAscending"), kSortValuesDown = actionOf("sortValuesDescending"),
              kStartNewWhere = actionOf("startNewWhere"), kAndMode = actionOf("useAndMode"),
              kLiteral = actionOf("useLiteralMode"), kOrMode = actionOf("useOrMode"),
              kUse2D = actionOf("useTwoDimensions"), kWildcard = actionOf("useWildcardMode");
constexpr int kAverage = expressionOf("average"), kBoundary = expressionOf("boundary"),
              kBoundaryX = expressionOf("boundaryX"), kBoundaryY = expressionOf("boundaryY"),
              kCapacity = expressionOf("capacity"), kColumnAvg = expressionOf("columnAverage"),
              kColumnList = expressionOf("columnList"), kColumnMax = expressionOf("columnMaximum"),
              kColumnMin = expressionOf("columnMinimum"), kColumnOfLabel = expressionOf("columnOfLabel"),
              kColumnSum = expressionOf("columnSum"), kCoordinate = expressionOf("coordinateOfIndex"),
              kDimensionCount = expressionOf("dimensionCount"), kElementList = expressionOf("elementList"),
              kContainsString = expressionOf("findContainingString"),
              kContainsValue = expressionOf("findContainingValue"), kFindString = expressionOf("findMatchingString"),
              kFindValue = expressionOf("findMatchingValue"),
              kIndexOfDimensionIndex = expressionOf("indexOfDimensionIndex"),
              kIndexOfKeyString = expressionOf("indexOfKeyString"), kIndexOfKeyValue = expressionOf("indexOfKeyValue"),
              kIndexOfXY = expressionOf("indexOfXY"), kKeyList = expressionOf("keyList"),
              kKeyString = expressionOf("keyStringAt"), kKeyValue = expressionOf("keyValueAt"),
              kLabel = expressionOf("label"), kLabelAvg = expressionOf("labelAverage"),
              kLabelList = expressionOf("labelList"), kLabelMax = expressionOf("labelMaximum"),
              kLabelMin = expressionOf("labelMinimum"), kLabelSum = expressionOf("labelSum"),
              kDelimiter = expressionOf("listDelimiter"), kMaximum = expressionOf("maximum"),
              kMinimum = expressionOf("minimum"), kNumberOfRows = expressionOf("numberOfRows"),
              kPairList = expressionOf("pairList"), kQuotedElementList = expressionOf("quotedElementList"),
              kQuotedKeyList = expressionOf("quotedKeyList"), kQuotedPairList = expressionOf("quotedPairList"),
              kRowList = expressionOf("rowList"), kSize = expressionOf("size"), kGetString = expressionOf("stringAt"),
              kStringAt = expressionOf("stringAtColumnRow"), kStringAtLabel = expressionOf("stringAtLabelRow"),
              kStringWithKeyString = expressionOf("stringWithKeyString"),
              kStringWithKeyValue = expressionOf("stringWithKeyValue"), kSum = expressionOf("sum"),
              kGetValue = expressionOf("valueAt"), kValueAt = expressionOf("valueAtColumnRow"),
              kValueAtLabel = expressionOf("valueAtLabelRow"), kValueWithKeyString = expressionOf("valueWithKeyString"),
              kValueWithKeyValue = expressionOf("valueWithKeyValue"), kXOfIndex = expressionOf("xOfIndex"),
              kYOfIndex = expressionOf("yOfIndex"), kZOfIndex = expressionOf("zOfIndex");

// One action call with its parameters, for running several in a row.
struct Act {
  int n;
  Param first = {}, second = {};
};
inline void run(Instance& o, std::initializer_list<Act> acts) {
  for (const Act& a : acts) o.act(a.n, a.first, a.second);
}

// The element texts joined by "|", an empty text as "_".
inline std::string all(Instance& o) {
  std::string out;
  for (int32_t i = 0; i < o.integer(kSize); ++i) {
    const std::string t = o.text(kGetString, i).value_or("<none>");
    out += (i ? "|" : "") + (t.empty() ? std::string("_") : t);
  }
  return out;
}

// The key texts joined by "|", a missing key as "-".
inline std::string keys(Instance& o) {
  std::string out;
  for (int32_t i = 0; i < o.integer(kSize); ++i) out += (i ? "|" : "") + o.text(kKeyString, i).value_or("-");
  return out;
}

inline void appendStrings(Instance& o, std::initializer_list<const char*> texts) {
  for (const char* t : texts) o.act(kAppendString, std::string(t));
}

// The integer results of `expression` for each first parameter, joined by spaces.
inline std::string results(Instance& o, int expression, std::initializer_list<Param> firsts, const Param& second = {}) {
  std::string out;
  for (const Param& p : firsts) out += (out.empty() ? "" : " ") + std::to_string(o.integer(expression, p, second));
  return out;
}

}  // namespace tessel::testing
