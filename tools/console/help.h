// The catalogue as help text, for `help` and `tessel help`.
#pragma once

#include <iosfwd>
#include <string_view>

#include "tools/console/names.h"

namespace tessel::console {

// Everything when the topic is empty; otherwise the action of a number, the
// expression of a name, or every entry whose label, name or display string
// holds the topic. Throws UserError when nothing does.
void printHelp(std::ostream& out, std::string_view topic, const ActionNames& names);

}  // namespace tessel::console
