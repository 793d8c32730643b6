// Catalogue numbers by operation name, straight from the catalogue rows, for
// the console host's own use of actions and expressions (loading, saving,
// showing). A name that is not in the catalogue fails to compile.
#pragma once

#include <stdexcept>
#include <string_view>

namespace tessel::console {

struct OperationNumber {
  std::string_view operation;
  int number;
};

inline constexpr OperationNumber kActionOperations[] = {
#define TESSEL_ACTION(no, label, display, p1, p2, op, summary) {#op, no},
#include "host/catalogue.inc"
#undef TESSEL_ACTION
};

inline constexpr OperationNumber kExpressionOperations[] = {
#define TESSEL_EXPRESSION(no, label, name, p1, p2, result, op, summary) {#op, no},
#include "host/catalogue.inc"
#undef TESSEL_EXPRESSION
};

template <std::size_t N>
constexpr int numberOf(const OperationNumber (&table)[N], std::string_view operation) {
  for (const auto& entry : table) {
    if (entry.operation == operation) return entry.number;
  }
  throw std::logic_error("no such operation in the catalogue");
}

// Use in constant expressions: actionOf("saveToCsv").
constexpr int actionOf(std::string_view operation) { return numberOf(kActionOperations, operation); }
constexpr int expressionOf(std::string_view operation) { return numberOf(kExpressionOperations, operation); }

}  // namespace tessel::console
