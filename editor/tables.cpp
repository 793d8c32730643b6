#include "editor/tables.h"

namespace tessel::editor {

// The resource script's ids are the catalogue's.
static_assert(TESSEL_ACTION_IDS == catalogue::kFirstActionMenuId);
static_assert(TESSEL_EXPRESSION_IDS == catalogue::kFirstExpressionMenuId);
static_assert(TESSEL_ACTION_STRINGS == catalogue::kFirstActionStringId);
static_assert(TESSEL_EXPRESSION_STRINGS == catalogue::kFirstExpressionStringId);
// The string ids of the two kinds do not run into each other.
static_assert(catalogue::kFirstActionStringId + static_cast<int>(catalogue::kActionCount) <=
              catalogue::kFirstExpressionStringId);

namespace {

int indexIn(int32_t number, std::size_t count) {
  const auto n = static_cast<int16_t>(number);
  return n >= 0 && static_cast<std::size_t>(n) < count ? n : -1;
}

}  // namespace

int actionIndex(int32_t number) { return indexIn(number, kActionInfos.size()); }
int expressionIndex(int32_t number) { return indexIn(number, kExpressionInfos.size()); }

const TesselInfos& actionInfos(int32_t number) {
  const int n = actionIndex(number);
  return n < 0 ? kNoInfos : kActionInfos[static_cast<std::size_t>(n)];
}

const TesselInfos& expressionInfos(int32_t number) {
  const int n = expressionIndex(number);
  return n < 0 ? kNoInfos : kExpressionInfos[static_cast<std::size_t>(n)];
}

int16_t actionCodeFromMenu(int32_t id) {
  // compat: the host hands menu ids through 16-bit words; only the low half counts.
  const int32_t low = static_cast<int16_t>(id);
  const int32_t last = TESSEL_ACTION_IDS + static_cast<int32_t>(catalogue::kActionCount) - 1;
  return low >= TESSEL_ACTION_IDS && low <= last ? static_cast<int16_t>(low - TESSEL_ACTION_IDS) : int16_t{-1};
}

int16_t expressionCodeFromMenu(int32_t id) {
  const int32_t last = TESSEL_EXPRESSION_IDS + static_cast<int32_t>(catalogue::kExpressionCount) - 1;
  return id >= TESSEL_EXPRESSION_IDS && id <= last ? static_cast<int16_t>(id - TESSEL_EXPRESSION_IDS) : int16_t{-1};
}

uint32_t infosQuery(int32_t query) {
  switch (query) {
    case 0: return 512;
    case 2: return 256;
    default: return 0;
  }
}

}  // namespace tessel::editor
