// Build-time generator of the module's resources:
//   resources script OUT.rc         menus and strings from the catalogue
//   resources picture IN.txt OUT    a pixel map as a bitmap or cursor file
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "editor/picture.h"
#include "editor/resource_script.h"

namespace {

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  out.close();
  if (!out) std::cerr << "resources: cannot write " << path << "\n";
  return static_cast<bool>(out);
}

int picture(const std::string& in, const std::string& out) {
  std::ifstream file(in, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  if (!file) {
    std::cerr << "resources: cannot read " << in << "\n";
    return 1;
  }
  tessel::editor::PixelMap map;
  const std::string error = tessel::editor::parsePixelMap(text.str(), map);
  if (!error.empty()) {
    std::cerr << in << ": " << error << "\n";
    return 1;
  }
  return writeFile(out, map.cursor ? tessel::editor::cursorFile(map) : tessel::editor::bitmapFile(map)) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "script" && argc == 3) return writeFile(argv[2], tessel::editor::catalogueScript()) ? 0 : 1;
  if (mode == "picture" && argc == 4) return picture(argv[2], argv[3]);
  std::cerr << "usage: resources script OUT.rc | resources picture IN.txt OUT\n";
  return 2;
}
