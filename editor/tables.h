// The parameter declarations (infos entries) and the menu-id numbering the
// host's editor asks for, derived from the catalogue.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "editor/resource.h"
#include "host/catalogue.h"
#include "host/tessel.h"

namespace tessel::editor {

// The host's parameter kinds: actions and expressions number them differently.
constexpr int16_t actionKind(catalogue::ParamKind p) {
  return static_cast<int16_t>(p == catalogue::ParamKind::text ? 45 : p == catalogue::ParamKind::integer ? 22 : 0);
}
constexpr int16_t expressionKind(catalogue::ParamKind p) {
  return static_cast<int16_t>(p == catalogue::ParamKind::text ? 3 : p == catalogue::ParamKind::integer ? 1 : 0);
}

template <typename Entry, std::size_t N>
constexpr std::array<TesselInfos, N> infosOf(const Entry (&entries)[N], int16_t (*kind)(catalogue::ParamKind)) {
  std::array<TesselInfos, N> out{};
  for (std::size_t i = 0; i < N; ++i) {
    out[i] = TesselInfos{static_cast<int16_t>(entries[i].number),
                         0,
                         {kind(entries[i].params[0].kind), kind(entries[i].params[1].kind)},
                         {0, 0}};
  }
  return out;
}

inline constexpr auto kActionInfos = infosOf(catalogue::kActions, actionKind);
inline constexpr auto kExpressionInfos = infosOf(catalogue::kExpressions, expressionKind);
// The object has no condition; the host finds a single all-zero entry.
inline constexpr TesselInfos kNoInfos{};

// The entry a number names: the host passes numbers as signed 16-bit, so the
// low half counts; -1 for a number past the table.
int actionIndex(int32_t number);
int expressionIndex(int32_t number);

// The entry of a number; numbers outside the table give the all-zero entry
// rather than an address past it.
const TesselInfos& actionInfos(int32_t number);
const TesselInfos& expressionInfos(int32_t number);

// The action behind a menu item id, read as signed 16-bit, or -1.
int16_t actionCodeFromMenu(int32_t id);
// The expression behind a menu item id, or -1.
int16_t expressionCodeFromMenu(int32_t id);

// The host's module queries: 512 for 0, 256 for 2, else 0.
uint32_t infosQuery(int32_t query);

}  // namespace tessel::editor
