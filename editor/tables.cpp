#include "editor/tables.h"

namespace tessel::editor {

const TesselInfos& actionInfos(int32_t number) {
  const auto n = static_cast<int16_t>(number);
  return n >= 0 && static_cast<std::size_t>(n) < kActionInfos.size() ? kActionInfos[n] : kNoInfos;
}

const TesselInfos& expressionInfos(int32_t number) {
  const auto n = static_cast<int16_t>(number);
  return n >= 0 && static_cast<std::size_t>(n) < kExpressionInfos.size() ? kExpressionInfos[n] : kNoInfos;
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
