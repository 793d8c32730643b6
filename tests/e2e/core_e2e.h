// Numbers and helpers shared by the end-to-end tests of the array core.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "host/catalogue.h"
#include "tests/host/test_host.h"

namespace tessel::testing::core {

// Catalogue numbers.
using catalogue::actionOf;
using catalogue::expressionOf;
constexpr int kInsertString = actionOf("insertStringAt"), kInsertValue = actionOf("insertValueAt"),
              kAppendString = actionOf("appendString"), kAppendValue = actionOf("appendValue"),
              kSetString = actionOf("setStringAt"), kSetValue = actionOf("setValueAt"),
              kDeleteAt = actionOf("deleteAt"), kDeleteAll = actionOf("deleteAll"),
              kSetKeyString = actionOf("setKeyStringAt"), kSetKeyValue = actionOf("setKeyValueAt"),
              kSortStringsUp = actionOf("sortStringsAscending"), kSortStringsDown = actionOf("sortStringsDescending"),
              kSortValuesUp = actionOf("sortValuesAscending"), kSortValuesDown = actionOf("sortValuesDescending"),
              kUse2D = actionOf("useTwoDimensions"), kSetBoundary = actionOf("setBoundary"),
              kResize = actionOf("resizeBoundary"), kCaseInsensitive = actionOf("setCaseInsensitive"),
              kCaseSensitive = actionOf("setCaseSensitive"), kLiteral = actionOf("useLiteralMode"),
              kWildcard = actionOf("useWildcardMode"), kSetDelimiter = actionOf("setListDelimiter");
constexpr int kSize = expressionOf("size"), kCapacity = expressionOf("capacity"), kGetString = expressionOf("stringAt"),
              kGetValue = expressionOf("valueAt"), kKeyString = expressionOf("keyStringAt"),
              kKeyValue = expressionOf("keyValueAt"), kIndexOfKeyString = expressionOf("indexOfKeyString"),
              kIndexOfKeyValue = expressionOf("indexOfKeyValue"),
              kStringWithKeyString = expressionOf("stringWithKeyString"),
              kStringWithKeyValue = expressionOf("stringWithKeyValue"),
              kValueWithKeyString = expressionOf("valueWithKeyString"),
              kValueWithKeyValue = expressionOf("valueWithKeyValue"), kFindString = expressionOf("findMatchingString"),
              kFindValue = expressionOf("findMatchingValue"), kContainsString = expressionOf("findContainingString"),
              kContainsValue = expressionOf("findContainingValue"), kMaximum = expressionOf("maximum"),
              kMinimum = expressionOf("minimum"), kSum = expressionOf("sum"), kAverage = expressionOf("average"),
              kDimensionCount = expressionOf("dimensionCount"), kBoundary = expressionOf("boundary"),
              kBoundaryX = expressionOf("boundaryX"), kCoordinate = expressionOf("coordinateOfIndex"),
              kXOfIndex = expressionOf("xOfIndex"), kYOfIndex = expressionOf("yOfIndex"),
              kZOfIndex = expressionOf("zOfIndex"), kIndexOfDimensionIndex = expressionOf("indexOfDimensionIndex"),
              kIndexOfXY = expressionOf("indexOfXY"), kNumberOfRows = expressionOf("numberOfRows"),
              kDelimiter = expressionOf("listDelimiter");

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

}  // namespace tessel::testing::core
