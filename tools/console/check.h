// tessel check FILE..., with its exit status: 0 when every file is sound,
// 1 when one is damaged, 2 when one cannot be read. settings.show.json asks
// for JSON.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "tools/console/files.h"
#include "tools/host_kit.h"

namespace tessel::console {

struct Settings;

int checkFiles(hostkit::Module& module, const Settings& settings, std::optional<Format> from,
               const std::vector<std::string>& paths, std::ostream& out);

}  // namespace tessel::console
