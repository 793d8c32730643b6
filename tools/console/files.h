// The array files games write, read and written through the module's own
// load and save actions. What happened comes from the module's outcome
// diagnostic, what a save could not keep from its save report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/format_facts.h"
#include "tools/host_kit.h"

namespace tessel::console {

// The formats of whole-array files, as facts::kFormats lists them: the
// module's through its load and save actions, and beside them the CSV of
// spreadsheets (sheet.cpp), the JSON form of show --json (json_file.cpp) and
// tile maps (tilemap_file.cpp), which tessel reads and writes itself
// (facts::readByTessel). The element file is no format of a whole array.
using Format = facts::Format;
using facts::readByTessel;
// ".arr, .array, .csv, .ini, .json or .tmj"; "native|host|csv|ini|sheet|json|tilemap".
std::string extensionList();
std::string formatChoices();

// "native", "host", "csv", "ini", "sheet", "json" or "tilemap"; throws UserError for another name.
Format formatNamed(const std::string& name);
inline const char* formatName(Format format) { return facts::formatInfo(format).shortName; }

// The format of an existing file to read: the one named, which its content
// must show (CSV: anything that is not one of the others), or else the one
// its magic or header shows, else its extension's. Throws UserError when the
// file cannot be read or told, or is not of the format named.
Format inputFormat(const std::string& path, std::optional<Format> named);
// The format a file is to be written in, by its extension; none when unknown.
std::optional<Format> formatOfExtension(const std::string& path);

// Whether the file exists and its permissions let nobody write it.
bool isReadOnly(const std::string& path);
// Why a save of `path` failed, from the module's outcome, in the user's
// terms: "the save failed: ...". A file that exists but "does not exist" is
// one whose folder takes no new file (such as /proc): a save writes its new
// content beside the file before it takes the file's place.
std::string saveFailure(const std::string& path, const std::string& outcome);

// A load, append or save action of the catalogue that names a whole-array file.
struct FileAction {
  using Kind = facts::FileUse;
  Format format;
  Kind kind;
};
std::optional<FileAction> fileActionOf(int action);

// The catalogue number of the module's action for a file action.
int actionNumber(const FileAction& action);

// The file's bytes, the first `most` of them at most; throws UserError when it
// cannot be read.
std::string readAll(const std::string& path, std::size_t most = std::string::npos);

// Runs the action on the file, with what tessel asks of the module's CSV
// reader (a byte order mark left out, with `csvHeader` a first row of labels). Adds
// to `warnings` what wraps and what a save could not keep (as the module
// counted it while writing); throws UserError when the module reports a failed
// save, the file is read-only, or tessel's own part fails. A load's outcome is
// left to the caller, given to `loaded` when there is one: a failed or damaged
// load is a mistake in a script and in convert, a warning in show.
void runFileAction(hostkit::RunObject& object, const FileAction& action, const std::string& path, bool csvHeader,
                   std::vector<std::string>& warnings, hostkit::RunObject::Outcome* loaded = nullptr);

// What to say of a text the module's CSV reader is given that looks written by
// a spreadsheet, after the file's name or "it"; nothing when it does not look so.
std::optional<std::string> spreadsheetWarning(std::string_view text);

// Runs the action, one that reads a file, on `bytes` as the content of the
// file `path` (TESSEL_READ_* flags for a CSV load), without writing them
// anywhere; the outcome is the action's.
hostkit::RunObject::Outcome actOnBytes(hostkit::RunObject& object, int action, const std::string& bytes,
                                       const std::string& path, int32_t second = 0, int32_t flags = 0);

// What `write` puts into a scratch file of tessel's own, which is removed
// after; `write` throws UserError when it fails.
std::string writtenBy(const std::function<void(const std::string& scratch)>& write);
// Replaces the file whole with `bytes`, as the module's saves do: the old file
// stays byte for byte unless every new byte arrives. Throws UserError when it fails.
void replaceFile(const std::string& path, const std::string& bytes);

}  // namespace tessel::console
