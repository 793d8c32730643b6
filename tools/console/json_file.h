// The JSON of show --json as a file. A load reads the
// whole array the JSON describes, through the module's own load of a native
// file made from it; a bad JSON is a UserError and changes nothing. A save
// writes what show --json writes, named `name`.
#pragma once

#include <string>

#include "tools/console/text_encoding.h"
#include "tools/host_kit.h"

namespace tessel::console {

hostkit::RunObject::Outcome loadJson(hostkit::RunObject& object, const std::string& path, bool append);
void saveJson(hostkit::RunObject& object, const std::string& name, const std::string& path,
              const encoding::Encoding& encoding);

}  // namespace tessel::console
