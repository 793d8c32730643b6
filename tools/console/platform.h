// What the console host does differently on each system, in one place, with
// what it does differently at a terminal: Ctrl-C cancels the line being typed
// or the command that is running (which checks between steps), long output
// goes through a pager, and UTF-8 is shown as text where the locale takes it.
#pragma once

#include <functional>
#include <iosfwd>
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

// Catches Ctrl-C from now on instead of ending the program.
void catchInterrupts();
// Whether Ctrl-C came since the last clearCancel().
bool cancelRequested();
void clearCancel();

// Whether the locale's character set is UTF-8, so texts in it are shown as they are.
bool outputTakesUtf8();
// Writes what `print` prints to out, through $PAGER (default "less -FRX") when
// out is the terminal and the text is longer than its screen.
void page(std::ostream& out, const std::function<void(std::ostream&)>& print);

}  // namespace tessel::console::platform
