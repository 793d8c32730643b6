// What tessel does differently at a terminal: Ctrl-C cancels the line being
// typed or the command that is running (which checks between steps), long
// output goes through a pager, and UTF-8 is shown as text where the locale
// takes it.
#pragma once

#include <iosfwd>
#include <string>

namespace tessel::console {

// Catches Ctrl-C from now on instead of ending the program.
void catchInterrupts();
// Whether Ctrl-C came since the last clearCancel().
bool cancelRequested();
void clearCancel();

// Whether the locale's character set is UTF-8, so texts in it are shown as they are.
bool outputTakesUtf8();
// Writes text to out, through $PAGER (default "less -FRX") when out is the
// terminal and the text is longer than its screen.
void page(const std::string& text, std::ostream& out);

}  // namespace tessel::console
