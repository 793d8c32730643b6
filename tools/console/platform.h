// What the console host does differently on each system, in one place.
#pragma once

#include <string>

namespace tessel::console::platform {

// The module's file name on this system.
extern const char kModuleFileName[];

// The keys that end typed input at a terminal.
extern const char kEndOfInputKeys[];

// The module next to the running program.
std::string defaultModulePath(const char* argv0);

// Whether standard input is a terminal someone types at (not a file or a pipe).
bool inputIsTerminal();

// Creates a new empty file in the temporary folder; its path, or nothing when
// none can be made.
std::string createTempFile();

// Output bytes as written: "\n" stays "\n" on every system, so that scripts
// print the same bytes everywhere and output can be compared with a file.
void prepareStandardStreams();

}  // namespace tessel::console::platform
