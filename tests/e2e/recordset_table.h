// Shared by the recordset tests: the catalogue numbers they use and a 2D
// instance with readers for its physical cells and its selected rows.
#pragma once

#include <cstdint>
#include <string>

#include "tests/host/test_host.h"

namespace tessel::testing::recordset {

// Actions.
constexpr int kInsertString = 6, kAppendString = 8, kAppendValue = 9, kSetString = 13, kSetValue = 14, kPickColumn = 15,
              kDeleteAt = 16, kBetweenValues = 26, kSetBoundary = 30, kInsertRow = 32, kLabelGreaterOrEqual = 33,
              kAppendRow = 34, kLabelLess = 35, kReplaceRow = 36, kLabelLessOrEqual = 37, kPickLabel = 38,
              kDeleteRow = 39, kSortColumnValueAsc = 40, kSortColumnValueDesc = 41, kSortColumnStringAsc = 42,
              kSortColumnStringDesc = 43, kSortLabelValueAsc = 44, kSortLabelValueDesc = 45, kSortLabelStringAsc = 46,
              kSortLabelStringDesc = 47, kSetLabel = 48, kBetweenStrings = 49, kCaseInsensitive = 50,
              kCaseSensitive = 51, kLiteral = 55, kWildcard = 56, kSetDelimiter = 57, kAndMode = 61, kOrMode = 62,
              kSelectAll = 63, kInvert = 64, kMatching = 65, kContaining = 66, kEqual = 67, kNotEqual = 68,
              kGreater = 69, kGreaterOrEqual = 70, kLess = 71, kLessOrEqual = 72, kLabelMatching = 73,
              kLabelContaining = 74, kLabelEqual = 75, kLabelNotEqual = 76, kLabelGreater = 77, kStartNewWhere = 78;
// Expressions.
constexpr int kSize = 0, kGetString = 2, kElementList = 16, kQuotedElementList = 17, kKeyList = 18, kQuotedKeyList = 19,
              kPairList = 20, kQuotedPairList = 21, kRows = 40, kRowList = 41, kColumns = 42, kLabel = 43,
              kLabelList = 44, kColumnOfLabel = 45, kColumnList = 46, kValueAt = 47, kStringAt = 48, kValueAtLabel = 49,
              kStringAtLabel = 50, kColumnMax = 52, kColumnMin = 53, kColumnSum = 54, kColumnAvg = 55, kLabelMax = 56,
              kLabelMin = 57, kLabelSum = 58, kLabelAvg = 59;

inline TesselSetup tableSetup(int32_t columns, bool autoSelect = true) {
  TesselSetup setup = makeSetup(2, columns);
  setup.autoSelect = autoSelect ? 1 : 0;
  return setup;
}

// Every complete physical row as its row texts, rows separated by "|".
inline std::string physical(Instance& o) {
  const int32_t columns = o.integer(28);  // boundaryX(
  std::string out;
  for (int32_t i = 0; i + columns <= o.integer(kSize); i += columns) {
    if (i > 0) out += "|";
    for (int32_t c = 0; c < columns; ++c) out += (c ? "," : "") + o.text(kGetString, i + c).value_or("<none>");
  }
  return out;
}

// The recordset rows (the selected ones) as their row lists, separated by "|".
inline std::string selected(Instance& o) {
  std::string out;
  for (int32_t r = 0; r < o.integer(kRows); ++r) out += (r ? "|" : "") + o.text(kRowList, r).value_or("<none>");
  return out;
}

// Appends each list as a row.
template <typename... Rows>
void appendRows(Instance& o, const Rows&... rows) {
  (o.act(kAppendRow, std::string(rows)), ...);
}

}  // namespace tessel::testing::recordset
