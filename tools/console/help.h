// The catalogue as help text, for `help` and `tessel help`.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::console {

// Everything, grouped as the menus group it, when the topic is empty;
// otherwise a shell command, the file formats, a part of the menus, the
// action of a number, the expression of a name, or every entry whose label,
// name or display string holds the topic. Throws UserError when nothing does.
void printHelp(std::ostream& out, std::string_view topic);
// The topics of `help TOPIC`: "elements", then the first word of each of the
// menus' top popups, each once.
std::vector<std::string> helpTopics();

}  // namespace tessel::console
