// The parts of the resource script that come from the catalogue: the three
// menus and the strings of every action and expression.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/menus.h"

namespace tessel::editor {

// A text as a quoted resource-script string.
std::string quoted(std::string_view text);

// A menu resource holding one unnamed popup with the given items.
std::string menuScript(int id, const menus::Node* nodes, std::size_t count);

// Menus 20000 to 20002 and the string table of display strings and names.
std::string catalogueScript();

}  // namespace tessel::editor
