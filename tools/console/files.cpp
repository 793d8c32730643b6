#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "persist/file.h"
#include "persist/recognition.h"
#include "persist/text_lines.h"
#include "tools/console/console.h"
#include "tools/console/json_array.h"
#include "tools/console/sheet.h"

namespace tessel::console {

namespace {

using catalogue::expressionOf;

// A file of tessel's own among the system's temporary files, removed with it.
struct ScratchFile {
  ScratchFile() {
    if (path.empty()) throw UserError("cannot make a temporary file for the CSV file's rows");
  }
  ~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::string path = platform::createTempFile();
};

// The module's text with the file it was given (a scratch file a save wrote) named as
// the user knows it.
std::string named(std::string text, const std::string& given, const std::string& path) {
  if (given == path) return text;
  for (std::size_t at = text.find(given); at != std::string::npos; at = text.find(given, at + path.size()))
    text.replace(at, given.size(), path);
  return text;
}

}  // namespace

std::string writtenBy(const std::function<void(const std::string& scratch)>& write) {
  ScratchFile scratch;
  write(scratch.path);
  return readAll(scratch.path);
}

void replaceFile(const std::string& path, const std::string& bytes) {
  const std::string name = platform::systemName(path);
  persist::FileWriter out(persist::FileSystem::real(), name.c_str(), persist::WriteMode::replace);
  out.bytes(bytes);
  if (const Status done = out.commit(); !done.ok())
    throw UserError("the save failed: " + named(done.describe(), name, path));
}

namespace {

// Fields the load added (from element `first`, in rows of the array's
// columns) that read as integers beyond 32 bits: the module wraps them when
// it reads them as values. Asked of the cells it made, so the fields are
// exactly the ones its reader split.
void warnAboutWrapping(hostkit::RunObject& object, const std::string& path, int32_t first,
                       std::vector<std::string>& warnings) {
  const int32_t size = object.integer(expressionOf("size"));
  const int32_t columns = std::max(object.integer(expressionOf("boundaryX")), 1);
  int count = 0;
  std::string where;
  for (int32_t i = first; i < size; ++i) {
    const std::string f = object.cellBytes(i).value_or("");
    const std::size_t digits = f.find_first_not_of("+-") == 1 ? 1 : 0;
    if (f.size() <= digits || f.find_first_not_of("0123456789", digits) != std::string::npos) continue;
    errno = 0;
    const long long v = std::strtoll(f.c_str(), nullptr, 10);
    if (errno != ERANGE && v >= INT32_MIN && v <= INT32_MAX) continue;
    if (count++ == 0)
      where = "line " + std::to_string((i - first) / columns + 1) + ", field " +
              std::to_string((i - first) % columns + 1) + ": " + f;
  }
  if (count > 0) {
    warnings.push_back(path + ": " +
                       plural(count, "number does not fit 32 bits and wraps", "numbers do not fit 32 bits and wrap") +
                       " when read as a value (" + where + ")");
  }
}

// The text after its first row, as the module's reader splits lines.
std::string_view afterFirstRow(std::string_view text) {
  std::size_t end = 0;
  persist::forEachLine(text, [&end](std::size_t, std::size_t lineEnd) {
    if (end == 0) end = lineEnd;
  });
  return text.substr(end);
}

// What the save could not keep, as the module counted it while writing:
// "3 keys dropped, 2 values become texts". A CSV header row written by tessel
// keeps the labels.
std::string losses(const TesselSaveReport& r, bool labelsKept) {
  std::string out;
  const auto count = [&out](int64_t n, const char* one, const char* many) {
    if (n > 0) out += (out.empty() ? "" : ", ") + plural(n, one, many);
  };
  count(r.keysDropped, "key dropped", "keys dropped");
  count(r.keysBecomeTexts, "key becomes a text", "keys become texts");
  count(r.keysChanged, "key reads back otherwise", "keys read back otherwise");
  count(labelsKept ? 0 : r.labelsDropped, "label dropped", "labels dropped");
  count(r.valuesBecomeTexts, "value becomes a text", "values become texts");
  count(r.dataWrittenEmpty, "data cell written empty", "data cells written empty");
  count(r.emptyCellsDropped, "element without a key or text dropped", "elements without a key or text dropped");
  count(r.splitAtSeparator, "text with a comma split", "texts with a comma split");
  count(r.splitAtLineBreak, "text with a line break split", "texts with a line break split");
  count(r.textsEmptied, "text \"\" reads back empty", "texts \"\" read back empty");
  count(r.elementsAdded, "empty element added at the end", "empty elements added at the end");
  const std::string before = std::to_string(r.dimensionsBefore) + "D";
  if (r.dimensionsAfter == 0 && r.dimensionsBefore >= 2) {
    out += (out.empty() ? "the " : ", the ") + before + " shape not stored";
  } else if (r.dimensionsAfter != 0 && r.dimensionsAfter != r.dimensionsBefore && r.dimensionsBefore >= 1) {
    out += (out.empty() ? "the " : ", the ") + before + " shape becomes " + std::to_string(r.dimensionsAfter) + "D";
  }
  return out;
}

}  // namespace

bool isReadOnly(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(platform::filePath(path), error);
  if (error || !fs::is_regular_file(status)) return false;
  const fs::perms writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  return (status.permissions() & writable) == fs::perms::none;
}

std::string saveFailure(const std::string& path, const std::string& outcome) {
  static const std::string kMissing = ": No such file or directory";
  std::error_code error;
  const bool missing = outcome.size() >= kMissing.size() &&
                       outcome.compare(outcome.size() - kMissing.size(), kMissing.size(), kMissing) == 0;
  if (!missing || !std::filesystem::exists(platform::filePath(path), error)) return "the save failed: " + outcome;
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  return "the save failed: " + path + " exists, but its folder " + folder +
         " takes no new file, and a save writes the new content beside the file first";
}

namespace {

// The labels as a first CSV row.
std::string headerRow(hostkit::RunObject& object) {
  const std::vector<std::string> fields = labelRow(object);
  std::string row;
  for (std::size_t c = 0; c < fields.size(); ++c) row += (c ? "," : "") + fields[c];
  return row + "\r\n";
}

// Whether the first bytes show the format, as its reader tells it.
bool shows(const facts::FormatInfo& f, std::string_view head) {
  switch (f.sign) {
    case facts::Sign::magic: return persist::startsWith(head, f.magic);
    case facts::Sign::tileMapFields: return tilemap::looksLikeMap(head);
    case facts::Sign::arrayJsonFields: return json::looksLikeArrayJson(head);
    case facts::Sign::iniSection: return persist::startsWithIniSection(head);
    case facts::Sign::none: break;
  }
  return false;
}

// The format the content shows, if it shows one.
std::optional<Format> formatOfContent(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(platform::filePath(path), error);
  if (std::filesystem::is_directory(status)) throw UserError("cannot read " + path + ": it is a directory");
  // A pipe without a writer would block the read for ever: refused before it
  // is opened, as the module refuses it.
  if (std::filesystem::is_fifo(status) || std::filesystem::is_socket(status) ||
      std::filesystem::is_character_file(status) || std::filesystem::is_block_file(status))
    throw UserError("cannot read " + path + ": a device or a pipe, not a file");
  const std::string head = readAll(path, 512);
  // Sign by sign, in the order they are asked.
  for (int sign = 0; sign < static_cast<int>(facts::Sign::none); ++sign) {
    for (const facts::FormatInfo& f : facts::kFormats) {
      if (static_cast<int>(f.sign) == sign && f.wholeArray && shows(f, head)) return f.format;
    }
  }
  return std::nullopt;
}

}  // namespace

hostkit::RunObject::Outcome actOnBytes(hostkit::RunObject& object, int action, const std::string& bytes,
                                       const std::string& path, int32_t second, int32_t flags) {
  if (!object.actOnBytes(action, path, bytes, second, flags))
    throw UserError("the module cannot read " + path + " from memory");
  return object.lastOutcome();
}

std::optional<std::string> spreadsheetWarning(std::string_view text) {
  const auto look = sheet::spreadsheetLook(text);
  if (!look) return std::nullopt;
  return "looks like a spreadsheet's CSV, with " + *look +
         "; a game keeps quotes and semicolons as text, --from sheet reads it as a spreadsheet does";
}

// A device that never ends, such as /dev/zero, is only read as far as `most`.
std::string readAll(const std::string& path, std::size_t most) {
  std::ifstream in(platform::filePath(path), std::ios::binary);
  if (!in) throw UserError("cannot read " + path + ": " + std::strerror(errno));
  std::string bytes;
  for (std::istreambuf_iterator<char> it(in), end; bytes.size() < most && it != end; ++it) bytes += *it;
  return bytes;
}

std::string extensionList() { return facts::formatList(facts::FormatList::extensions, ", ", " or "); }

std::string formatChoices() { return facts::formatList(facts::FormatList::names, "|", "|"); }

Format formatNamed(const std::string& name) {
  for (const facts::FormatInfo& f : facts::kFormats) {
    if (f.wholeArray && name == f.shortName) return f.format;
  }
  throw UserError("unknown file format \"" + name + "\"; the formats are " + formatChoices());
}

std::optional<Format> formatOfExtension(const std::string& path) {
  const std::string ext = lowered(std::filesystem::path(path).extension().string());
  for (const facts::FormatInfo& f : facts::kFormats) {
    if (f.wholeArray && f.extension != nullptr && ext == f.extension) return f.format;
  }
  return std::nullopt;
}

Format inputFormat(const std::string& path, std::optional<Format> named) {
  const auto found = formatOfContent(path);
  // CSV and sheets are what shows no other format.
  if (named && (found ? *found != *named : facts::formatInfo(*named).sign != facts::Sign::none)) {
    throw UserError(path + " is not a " + formatName(*named) + " file" +
                    (found ? std::string(" (it reads as ") + formatName(*found) + ")" : ""));
  }
  if (named) return *named;
  if (found) return *found;
  if (const auto byExtension = formatOfExtension(path)) return *byExtension;
  throw UserError("cannot tell the format of " + path +
                  ": it has no array file magic, INI section header, JSON object or map, and its extension is not " +
                  extensionList() + "; name the format with --from " + formatChoices());
}

std::optional<FileAction> fileActionOf(int action) {
  for (const facts::FormatInfo& f : facts::kFormats) {
    for (const facts::FileActionUse& a : f.actions) {
      if (a.action < 0) break;
      if (f.wholeArray && a.action == action) return FileAction{f.format, a.use};
    }
  }
  return std::nullopt;
}

void runFileAction(hostkit::RunObject& object, const FileAction& action, const std::string& path, bool csvHeader,
                   std::vector<std::string>& warnings, hostkit::RunObject::Outcome* loaded) {
  const int number = actionNumber(action);
  if (action.kind == FileAction::Kind::save) {
    // A read-only file is never replaced from here, whatever the module would do.
    if (isReadOnly(path)) throw UserError("the save failed: " + path + " is read-only");
    std::optional<TesselSaveReport> report;
    auto saveTo = [&](const std::string& name) {
      object.act(number, name);
      if (const auto done = object.lastOutcome(); done.code != 0)
        throw UserError(saveFailure(path, named(done.text, name, path)));
      report = object.lastSaveReport();
    };
    if (action.format == Format::csv && csvHeader) {
      // The rows come from the module, then the file is replaced once, header and rows together.
      replaceFile(path, headerRow(object) + writtenBy(saveTo));
    } else {
      saveTo(platform::systemName(path));
    }
    const std::string lost = report ? losses(*report, action.format == Format::csv && csvHeader) : "";
    if (!lost.empty()) warnings.push_back(path + " (" + formatName(action.format) + "): " + lost);
    return;
  }
  std::error_code error;
  // A native load of a JSON file reads the array it describes.
  if (action.format == Format::native && std::filesystem::is_regular_file(platform::filePath(path), error) &&
      json::looksLikeArrayJson(readAll(path, 512))) {
    const auto done = loadJson(object, path, action.kind == FileAction::Kind::append);
    if (loaded != nullptr) *loaded = done;
    return;
  }
  if (action.format != Format::csv || !std::filesystem::is_regular_file(platform::filePath(path), error)) {
    const std::string name = platform::systemName(path);
    object.act(number, name);
    if (loaded != nullptr) {
      *loaded = object.lastOutcome();
      loaded->text = named(loaded->text, name, path);
    }
    return;
  }
  // CSV from elsewhere: the module reads the file's bytes as the file, leaving
  // out a byte order mark and, with --header, taking the first row as the labels.
  const std::string text = readAll(path);
  const auto look = spreadsheetWarning(csvHeader ? afterFirstRow(text) : text);
  const int32_t first = action.kind == FileAction::Kind::append ? object.integer(expressionOf("size")) : 0;
  const int32_t flags = TESSEL_READ_SKIP_BOM | (csvHeader ? TESSEL_READ_LABEL_ROW : 0);
  const auto done = actOnBytes(object, number, text, path, 0, flags);
  if (done.code == 0 || done.code == TESSEL_OUTCOME_DAMAGED) warnAboutWrapping(object, path, first, warnings);
  if (look) warnings.push_back(path + " " + *look);
  if (loaded != nullptr) *loaded = done;
}

int actionNumber(const FileAction& action) { return facts::actionFor(action.format, action.kind); }

}  // namespace tessel::console
