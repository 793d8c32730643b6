// Spreadsheet CSV files as arrays. A sheet loads as a 2D array of strings,
// as wide as its widest row, a first row of labels with --header; a save
// writes the cells' texts as show's rows and columns, quoted where a
// spreadsheet needs it, the labels first with --header.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/console/files.h"
#include "tools/console/text_encoding.h"
#include "tools/host_kit.h"

namespace tessel::console {

struct SheetOptions {
  std::optional<char> separator;  // ',' when writing, guessed from the first row when reading
  bool bom = false;               // a save starts the file with a UTF-8 byte order mark
};

// The load returns the outcome as the module's do: TESSEL_OUTCOME_DAMAGED for a sheet that
// ends inside a quoted field, whose rows before it are loaded.
// A sheet's texts are UTF-8; with a code page they are converted into it on
// the way in and out of it on the way out, and a character one side cannot
// hold is a UserError naming its row and column, with nothing loaded or written.
hostkit::RunObject::Outcome loadSheet(hostkit::RunObject& object, const std::string& path, bool header,
                                      const SheetOptions& options, const encoding::Encoding& encoding,
                                      std::vector<std::string>& warnings);
void saveSheet(hostkit::RunObject& object, const std::string& path, bool header, const SheetOptions& options,
               const encoding::Encoding& encoding, std::vector<std::string>& warnings);

struct Settings;

// A whole file into a new object or out of it, in any format the console
// knows, as show, convert and diff read and write them. The load's outcome
// is the caller's to judge.
hostkit::RunObject::Outcome loadArray(hostkit::RunObject& object, Format format, const std::string& path,
                                      const Settings& settings, std::vector<std::string>& warnings);
void saveArray(hostkit::RunObject& object, Format format, const std::string& path, const Settings& settings,
               std::vector<std::string>& warnings);

}  // namespace tessel::console
