// What the console host does differently on each system, in
// one place, with what it does differently at a terminal: Ctrl-C cancels the
// line being typed or the command that is running (which checks between
// steps), long output goes through a pager, and UTF-8 is shown as text where
// the locale takes it.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace tessel::console {

namespace platform {

// The module's file name on this system, and the keys that end typed input at a terminal.
#if defined(_WIN32)
inline constexpr char kModuleFileName[] = "tessel.dll";
inline constexpr char kEndOfInputKeys[] = "Ctrl-Z and Enter";
#else
inline constexpr char kModuleFileName[] = "libtessel.so";
inline constexpr char kEndOfInputKeys[] = "Ctrl-D";
#endif

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

// Whether the output takes UTF-8, so texts are shown decoded: where the
// locale's character set is UTF-8, and on Windows always (a console through
// ConsoleText, files and pipes in UTF-8 as tessel's other files are).
bool outputTakesUtf8();

// While it lives, standard output and error that are a Windows console show
// their UTF-8 through the console's wide calls; elsewhere it does nothing.
class ConsoleText {
 public:
  ConsoleText();
  ~ConsoleText();
  ConsoleText(const ConsoleText&) = delete;
  ConsoleText& operator=(const ConsoleText&) = delete;

 private:
#if defined(_WIN32)
  class Buffer;
  std::unique_ptr<Buffer> out_, err_;
  std::streambuf* oldOut_ = nullptr;
  std::streambuf* oldErr_ = nullptr;
#endif
};

// One line typed on standard input, as UTF-8 (a Windows console types
// UTF-16); false at the end of input.
bool readTypedLine(std::string& line);
// The command line's words after the program's name: on Windows from its
// wide command line, as UTF-8 (what a console types), elsewhere as given.
std::vector<std::string> arguments(int argc, char** argv);
// A file name as the console itself opens it: on Windows a UTF-8 name through
// the wide calls, other bytes in the system's code page, as the module reads them.
std::filesystem::path filePath(const std::string& name);
// The name under which the module's single-byte file calls reach the same
// file: on Windows a UTF-8 name in the system's code page, or the short name
// of a file or folder that the code page cannot name; throws UserError when
// there is none (a new file's own name beyond it).
std::string systemName(const std::string& name);
// Writes what `print` prints to out, through $PAGER (default "less -FRX") when
// out is the terminal and the text is longer than its screen.
void page(std::ostream& out, const std::function<void(std::ostream&)>& print);

}  // namespace platform

}  // namespace tessel::console
