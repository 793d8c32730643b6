// tessel diff A B, with its exit status: 0 when the arrays are the same, 1
// when they differ, 2 when one cannot be read or loads damaged.
// settings.show.json asks for JSON; warnings and trouble go to err.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "tools/console/files.h"
#include "tools/host_kit.h"

namespace tessel::console {

struct Settings;

int diffFiles(hostkit::Module& module, const Settings& settings, std::optional<Format> from, const std::string& a,
              const std::string& b, std::ostream& out, std::ostream& err);

}  // namespace tessel::console
