// The host editor's menus of actions and expressions, written once as data.
// Items carry only their menu ids; their labels come from the catalogue, so
// the menu resources, the help page and the console's topics can never drift
// from it. A menu is a flat run of nodes: a popup opens a submenu that runs to
// its matching end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/catalogue.h"

namespace tessel::menus {

enum class Kind : uint8_t { item, separator, popup, end };

struct Node {
  Kind kind;
  int id;             // item: the menu id (an entry's menuId())
  const char* label;  // popup: its text; items take theirs from the catalogue
};

constexpr Node popup(const char* label) { return {Kind::popup, 0, label}; }
constexpr Node end() { return {Kind::end, 0, nullptr}; }
constexpr Node separator() { return {Kind::separator, 0, nullptr}; }
constexpr Node action(int number) { return {Kind::item, catalogue::kFirstActionMenuId + number, nullptr}; }
constexpr Node expression(int number) { return {Kind::item, catalogue::kFirstExpressionMenuId + number, nullptr}; }

// clang-format off
// Menu 20000: the one unnamed popup's items.
inline constexpr Node kActionMenu[] = {
    popup("File"),
      popup("Save Array"), action(0), action(1), action(2), action(58), end(),
      popup("Load Array"), action(3), action(4), action(5), action(59), end(),
    end(),
    popup("Add Elements"),
      action(6), action(7), action(53), action(8), action(9), action(54), action(10), action(11), action(12), action(60),
    end(),
    popup("Replace Elements"), action(13), action(14), action(52), end(),
    popup("Remove Elements"), action(16), action(17), end(),
    popup("Save Elements"), action(18), action(19), end(),
    popup("Keys"), action(20), action(21), end(),
    popup("Sorting"), action(22), action(23), action(24), action(25), end(),
    popup("Dimensioning"),
      popup("Array Dimension"), action(27), action(28), action(29), end(),
      popup("Dimension Boundaries"), action(30), action(31), end(),
    end(),
    popup("Recordset (2D Array)"),
      popup("Rows (Records)"),
        popup("Select"),
          popup("Selection mode"), action(61), action(62), end(),
          action(63), action(64), action(78),
          popup("Where (column index)"),
            action(65), action(66), action(67), action(68), action(69), action(70), action(71), action(72),
          end(),
          popup("Where (label)"),
            action(73), action(74), action(75), action(76), action(77), action(33), action(35), action(37),
          end(),
          popup("Between"), action(15), action(38), separator(), action(49), action(26), end(),
        end(),
        popup("Insert"), action(32), end(),
        popup("Append"), action(34), end(),
        popup("Update"), action(36), end(),
        popup("Delete"), action(39), end(),
        popup("Sorting"),
          action(42), action(43), action(40), action(41), action(46), action(47), action(44), action(45),
        end(),
      end(),
      popup("Columns (Fields)"), action(48), end(),
    end(),
    popup("Settings"),
      popup("String Comparisons"), action(50), action(51), end(),
      popup("Search Mode"), action(55), action(56), end(),
      action(57),
    end(),
};

// Menu 20002: the one unnamed popup's items.
inline constexpr Node kExpressionMenu[] = {
    expression(0), expression(1),
    popup("Get Elements"), expression(2), expression(3), end(),
    popup("Keys"),
      expression(4), expression(5), expression(6), expression(7), expression(8), expression(9), expression(10), expression(11),
    end(),
    popup("Searching"), expression(12), expression(13), expression(14), expression(15), end(),
    popup("Lists"),
      expression(51), separator(),
      expression(16), expression(17), expression(18), expression(19), expression(20), expression(21),
    end(),
    popup("Totals"), expression(22), expression(23), expression(24), expression(25), end(),
    popup("Dimensioning"),
      popup("Array Dimension"), expression(26), end(),
      popup("Dimension Boundaries"),
        expression(27), expression(28), expression(29), expression(30), expression(31), expression(32), expression(33),
      end(),
      popup("Index Transforms (1D<=>nD)"),
        expression(34), expression(35), expression(36), expression(37), expression(38), expression(39),
      end(),
    end(),
    popup("Recordset (2D Array)"),
      popup("Rows (Records)"), expression(40), expression(41), end(),
      popup("Columns (Fields)"),
        expression(42),
        popup("Labels (Fieldnames)"), expression(43), expression(44), end(),
        expression(45), expression(46),
      end(),
      popup("Query"),
        expression(47), expression(48), expression(49), expression(50),
        popup("Aggregates"),
          expression(52), expression(53), expression(54), expression(55), separator(),
          expression(56), expression(57), expression(58), expression(59),
        end(),
      end(),
    end(),
};
// clang-format on

// The catalogue's menu label of an item id, or null for an id no entry has.
constexpr const char* labelOf(int id) {
  if (id >= catalogue::kFirstActionMenuId &&
      id < catalogue::kFirstActionMenuId + static_cast<int>(catalogue::kActionCount))
    return catalogue::kActions[id - catalogue::kFirstActionMenuId].label;
  if (id >= catalogue::kFirstExpressionMenuId &&
      id < catalogue::kFirstExpressionMenuId + static_cast<int>(catalogue::kExpressionCount)) {
    return catalogue::kExpressions[id - catalogue::kFirstExpressionMenuId].label;
  }
  return nullptr;  // GCOVR_EXCL_LINE: the menus hold catalogue ids only, checked at compile time
}

// Every popup is closed, no end is unmatched, and every id of [first, first + count)
// appears exactly once.
template <std::size_t N>
constexpr bool wellFormed(const Node (&menu)[N], int first, std::size_t count) {
  int depth = 0;
  for (const Node& n : menu) {
    if (n.kind == Kind::popup) ++depth;
    if (n.kind == Kind::end && --depth < 0) return false;
  }
  if (depth != 0) return false;
  for (std::size_t k = 0; k < count; ++k) {
    int seen = 0;
    for (const Node& n : menu) seen += n.kind == Kind::item && n.id == first + static_cast<int>(k);
    if (seen != 1) return false;
  }
  std::size_t items = 0;
  for (const Node& n : menu) items += n.kind == Kind::item;
  return items == count;
}

static_assert(wellFormed(kActionMenu, catalogue::kFirstActionMenuId, catalogue::kActionCount),
              "each action appears once in the action menu");
static_assert(wellFormed(kExpressionMenu, catalogue::kFirstExpressionMenuId, catalogue::kExpressionCount),
              "each expression appears once in the expression menu");

}  // namespace tessel::menus
