// The console language typed at a terminal, with line
// editing, history and Tab completion where the system has the line editor.
#pragma once

#include <iosfwd>

namespace tessel::console {

class Session;

// Reads and runs lines until quit or the end of input; returns the exit
// status, 0: mistakes were told on their lines.
int interactive(Session& session, std::ostream& err);

}  // namespace tessel::console
