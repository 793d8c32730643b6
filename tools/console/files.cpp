#include "tools/console/files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "host/catalogue.h"

namespace tessel::console {

namespace {

// The load and save actions of each format.
struct FormatActions {
  Format format;
  const char* name;
  int load;
  int save;
};

constexpr FormatActions kFormats[] = {
    {Format::native, "native", catalogue::actionOf("loadFromFile"), catalogue::actionOf("saveToFile")},
    {Format::hostArray, "host", catalogue::actionOf("loadFromHostArray"), catalogue::actionOf("saveAsHostArray")},
    {Format::csv, "csv", catalogue::actionOf("loadFromCsv"), catalogue::actionOf("saveToCsv")},
    {Format::ini, "ini", catalogue::actionOf("loadFromIni"), catalogue::actionOf("saveToIni")},
};

const FormatActions& actionsOf(Format f) {
  for (const auto& entry : kFormats) {
    if (entry.format == f) return entry;
  }
  throw std::logic_error("unknown format");
}

std::string lowerExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// The first line that holds anything but blanks.
std::string firstLine(const std::string& head) {
  std::size_t start = 0;
  while (start < head.size()) {
    std::size_t end = head.find_first_of("\r\n", start);
    if (end == std::string::npos) end = head.size();
    std::string line = head.substr(start, end - start);
    if (line.find_first_not_of(" \t") != std::string::npos) return line;
    start = end + 1;
  }
  return "";
}

}  // namespace

Format formatNamed(const std::string& name) {
  for (const auto& entry : kFormats) {
    if (name == entry.name) return entry.format;
  }
  throw UserError("unknown file format \"" + name + "\"; the formats are native, host, csv and ini");
}

const char* formatName(Format format) { return actionsOf(format).name; }

std::optional<Format> formatOfExtension(const std::string& path) {
  const std::string ext = lowerExtension(path);
  if (ext == ".csv") return Format::csv;
  if (ext == ".ini") return Format::ini;
  return std::nullopt;
}

Format detectFormat(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw UserError("cannot read " + path + ": it is a directory");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw UserError("cannot read " + path + ": " + std::strerror(errno));
  std::string head(512, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (head.compare(0, 8, "QVXARRAY") == 0) return Format::native;
  if (head.size() >= 10 && head.compare(0, 10, std::string("HGF ARRAY\0", 10)) == 0) return Format::hostArray;
  const std::string line = firstLine(head);
  const std::size_t open = line.find_first_not_of(" \t");
  if (open != std::string::npos && line[open] == '[' && line.find(']', open) != std::string::npos) return Format::ini;
  if (auto byExtension = formatOfExtension(path)) return *byExtension;
  throw UserError("cannot tell the format of " + path +
                  ": it has no array file magic and no INI section header, and its extension is not .csv or .ini;"
                  " name the format with --from native|host|csv|ini");
}

void loadFile(hostkit::RunObject& object, const std::string& path, Format format) {
  std::ifstream probe(path, std::ios::binary);
  if (!probe) throw UserError("cannot read " + path + ": " + std::strerror(errno));
  object.act(actionsOf(format).load, path);
}

void saveFile(hostkit::RunObject& object, const std::string& path, Format format) {
  // The module's save reports nothing, so tell what can be told before and after.
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
    throw UserError("cannot write " + path + ": there is no folder " + folder.string());
  }
  const bool existed = std::filesystem::exists(path, error);
  object.act(actionsOf(format).save, path);
  if (!existed && !std::filesystem::exists(path, error)) {
    throw UserError("the module's " + std::string(formatName(format)) + " save wrote no " + path +
                    " (is the folder writable?)");
  }
}

}  // namespace tessel::console
