// The console language typed at a terminal, with line editing, history,
// completion and Ctrl-C.
#pragma once

#include <iosfwd>

#include "tools/console/session.h"

namespace tessel::console {

// Reads and runs lines until end of input; returns the exit status.
int interactive(Session& session, std::ostream& err);

}  // namespace tessel::console
