// The array files games write, opened and written through the module's own
// load and save actions.
#pragma once

#include <optional>
#include <string>

#include "tools/console/names.h"
#include "tools/host_kit.h"

namespace tessel::console {

enum class Format { native, hostArray, csv, ini };

// "native", "host", "csv" or "ini"; throws UserError for another name.
Format formatNamed(const std::string& name);
const char* formatName(Format format);

// The format of an existing file: by its magic or header, else by its
// extension. Throws UserError when the file cannot be read or told.
Format detectFormat(const std::string& path);
// The format a file is to be written in, by its extension; none when unknown.
std::optional<Format> formatOfExtension(const std::string& path);

// Loads the file into the (fresh) object with the load action of its format.
void loadFile(hostkit::RunObject& object, const std::string& path, Format format);
// Saves the object with the save action of the format; throws UserError when
// the module wrote nothing.
void saveFile(hostkit::RunObject& object, const std::string& path, Format format);

}  // namespace tessel::console
