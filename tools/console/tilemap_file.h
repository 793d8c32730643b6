// Tile maps as 3D arrays, a page a tile layer (see
// tilemap.h). A load reads the map through the module's own load of a native
// file made from it, the layers skipped told in `warnings`; a bad map is a
// UserError and changes nothing. A save writes a copy of settings.templateMap
// with its tile layers' data replaced by the pages, when the sizes match.
#pragma once

#include <string>
#include <vector>

#include "tools/host_kit.h"

namespace tessel::console {

struct Settings;
hostkit::RunObject::Outcome loadTileMap(hostkit::RunObject& object, const std::string& path, const Settings& settings,
                                        bool append, std::vector<std::string>& warnings);
void saveTileMap(hostkit::RunObject& object, const std::string& path, const Settings& settings,
                 std::vector<std::string>& warnings);
// Whether the path names a file whose content shows a map.
bool isTileMapFile(const std::string& path);

}  // namespace tessel::console
