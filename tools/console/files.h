// The array files games write, read and written through the module's own load
// and save actions. What happened comes from the module's outcome diagnostic;
// what a format could not keep is counted before writing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "persist/format_facts.h"
#include "tools/console/names.h"
#include "tools/host_kit.h"

namespace tessel::console {

// The console reads and writes the whole-array formats, not the element file.
using Format = persist::facts::Format;

// "native", "host", "csv" or "ini"; throws UserError for another name.
Format formatNamed(const std::string& name);
const char* formatName(Format format);

// The format of an existing file to read: the one named, which its content
// must show (CSV: anything that is not one of the others), or else the one
// its magic or header shows, else its extension's. Throws UserError when the
// file cannot be read or told, or is not of the format named.
Format inputFormat(const std::string& path, std::optional<Format> named);
// The format a file is to be written in, by its extension; none when unknown.
std::optional<Format> formatOfExtension(const std::string& path);

// A load, append or save action of the catalogue that names a whole-array file.
struct FileAction {
  Format format;
  enum class Kind { load, append, save } kind;
};
std::optional<FileAction> fileActionOf(int action);

// Runs the action on the file, with what tessel adds around the module for
// CSV (a byte order mark dropped, with `csvHeader` a first row of labels). Adds to `warnings` what
// the module did not do, what wraps and what a save could not keep; throws
// UserError when the module reports a failed save or tessel's own part fails.
void runFileAction(hostkit::RunObject& object, const FileAction& action, const std::string& path, bool csvHeader,
                   std::vector<std::string>& warnings);

}  // namespace tessel::console
