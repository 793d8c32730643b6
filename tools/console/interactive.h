// The console language typed at a terminal, with line editing, history and
// completion of action labels and expression names.
#pragma once

#include <iosfwd>

#include "tools/console/session.h"

namespace tessel::console {

// Whether this build has line editing.
bool lineEditing();
// Reads and runs lines until end of input; returns the exit status.
int interactive(Session& session, std::ostream& err);

}  // namespace tessel::console
