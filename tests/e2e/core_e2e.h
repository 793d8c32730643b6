// Numbers and helpers shared by the end-to-end tests of the array core.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "tests/host/test_host.h"

namespace tessel::testing::core {

// Actions.
constexpr int kInsertString = 6, kInsertValue = 7, kAppendString = 8, kAppendValue = 9, kSetString = 13, kSetValue = 14,
              kDeleteAt = 16, kDeleteAll = 17, kSetKeyString = 20, kSetKeyValue = 21, kSortStringsUp = 22,
              kSortStringsDown = 23, kSortValuesUp = 24, kSortValuesDown = 25, kUse2D = 28, kSetBoundary = 30,
              kResize = 31, kCaseInsensitive = 50, kCaseSensitive = 51, kLiteral = 55, kWildcard = 56,
              kSetDelimiter = 57;
// Expressions.
constexpr int kSize = 0, kCapacity = 1, kGetString = 2, kGetValue = 3, kKeyString = 4, kKeyValue = 5,
              kIndexOfKeyString = 6, kIndexOfKeyValue = 7, kStringWithKeyString = 8, kStringWithKeyValue = 9,
              kValueWithKeyString = 10, kValueWithKeyValue = 11, kFindString = 12, kFindValue = 13,
              kContainsString = 14, kContainsValue = 15, kMaximum = 22, kMinimum = 23, kSum = 24, kAverage = 25,
              kDimensionCount = 26, kBoundary = 27, kBoundaryX = 28, kCoordinate = 34, kXOfIndex = 35, kYOfIndex = 36,
              kZOfIndex = 37, kIndexOfDimensionIndex = 38, kIndexOfXY = 39, kNumberOfRows = 40, kDelimiter = 51;

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
