// tessel check FILE...: whether each file loads sound, read as a game reads
// it (the module's own load action on the file itself), and what the load keeps.
#include <algorithm>
#include <ostream>

#include "persist/text_lines.h"
#include "tools/console/console.h"

namespace tessel::console {

namespace {

using catalogue::expressionOf;

enum class Verdict { sound, damaged, unreadable };  // in the order of the exit status they give

const char* verdictName(Verdict v) {
  return v == Verdict::sound ? "sound" : v == Verdict::damaged ? "damaged" : "unreadable";
}

// Outcome codes of the module that say the file was not read at all: it
// cannot be opened or read, or memory ran out. The others (not of the format,
// too large, damaged) say what is wrong with the file itself.
bool unreadable(int32_t code) {
  return code == TESSEL_OUTCOME_CANNOT_OPEN || code == TESSEL_OUTCOME_READ_FAILED ||
         code == TESSEL_OUTCOME_OUT_OF_MEMORY;
}

// Whether the module read a byte order mark into the first field: asked of
// the array it loaded, so the warning says what a game gets.
bool firstFieldHoldsBom(hostkit::RunObject& object) {
  if (object.integer(expressionOf("size")) < 1) return false;
  const std::optional<std::string> first = object.text(expressionOf("stringAt"), 0);
  object.releaseStringSpace();
  return first && persist::startsWithBom(*first);
}

struct Loaded {
  int32_t dimensions = 0, columns = 0, rowsPerPage = 0, size = 0;
  int32_t types[4] = {};  // TESSEL_CELL_EMPTY to TESSEL_CELL_DATA
  int32_t keys = 0, labels = 0;
};

struct Report {
  std::string path;
  std::optional<Format> format;
  Verdict verdict = Verdict::sound;
  std::string problem;  // why it is not sound
  std::vector<std::string> warnings;
  Loaded loaded;
};

Loaded describe(hostkit::RunObject& object) {
  Loaded l;
  l.size = object.integer(expressionOf("size"));
  l.dimensions = object.integer(expressionOf("dimensionCount"));
  if (l.dimensions >= 2) l.columns = object.integer(expressionOf("boundaryX"));
  if (l.dimensions >= 3) l.rowsPerPage = object.integer(expressionOf("boundaryY"));
  for (int32_t i = 0; i < l.size; ++i) {
    const ShownCell c = cellAt(object, i);
    if (c.facts.type >= TESSEL_CELL_EMPTY && c.facts.type <= TESSEL_CELL_DATA) ++l.types[c.facts.type];
    l.keys += hasKey(c);
  }
  if (l.dimensions == 2) l.labels = static_cast<int32_t>(labelsOf(object).size());
  object.releaseStringSpace();
  return l;
}

// What the boundaries declare beyond the elements held, which the tools
// describe instead of drawing; nothing for an ordinary shape.
std::optional<std::string> unusualShape(const Loaded& l) {
  const std::string held = " but holds " + plural(l.size, "element", "elements");
  if (l.dimensions == 2 && beyondCells(l.columns, l.size))
    return "it declares " + plural(l.columns, "column", "columns") + held + ", so no row is complete";
  const int64_t page = static_cast<int64_t>(l.columns) * l.rowsPerPage;
  if (l.dimensions == 3 && beyondCells(page, l.size))
    return "it declares pages of " + std::to_string(l.columns) + " x " + std::to_string(l.rowsPerPage) + " cells" +
           held + ", so no page is complete";
  return std::nullopt;
}

// "2D, 3 columns x 5 rows, 15 elements (12 strings, 3 values), 4 keys, 1 label"
std::string summary(const Loaded& l) {
  std::string out = l.dimensions >= 1 ? std::to_string(l.dimensions) + "D, " : "";  // a failed load may leave none
  if (l.dimensions == 2 && l.columns >= 1) {
    out += plural(l.columns, "column", "columns") + " x " + plural(l.size / l.columns, "row", "rows");
    if (l.size % l.columns != 0) out += " and " + plural(l.size % l.columns, "element", "elements") + " more";
    out += ", ";
  } else if (l.dimensions == 3 && l.columns >= 1 && l.rowsPerPage >= 1) {
    const int64_t page = static_cast<int64_t>(l.columns) * l.rowsPerPage;
    out += "pages of " + std::to_string(l.columns) + " x " + std::to_string(l.rowsPerPage) + ", " +
           plural((l.size + page - 1) / page, "page", "pages") + ", ";
  }
  out += plural(l.size, "element", "elements");
  static const char* const kNames[][2] = {
      {"empty", "empty"}, {"value", "values"}, {"string", "strings"}, {"data", "data"}};
  std::string kinds;
  for (int t = 0; t < 4; ++t) {
    if (l.types[t] > 0) kinds += (kinds.empty() ? "" : ", ") + plural(l.types[t], kNames[t][0], kNames[t][1]);
  }
  if (!kinds.empty()) out += " (" + kinds + ")";
  if (l.keys > 0) out += ", " + plural(l.keys, "key", "keys");
  if (l.labels > 0) out += ", " + plural(l.labels, "label", "labels");
  return out;
}

// The module names the file in its outcome; the report names it once, first,
// and says "damaged" itself.
std::string withoutPath(std::string text, const std::string& path) {
  const std::string read = "cannot read " + path + ": ";
  if (text.rfind(read, 0) == 0) return text.substr(read.size());
  if (const std::size_t at = text.find(": " + path); at != std::string::npos) text.erase(at, path.size() + 2);
  if (text.rfind("damaged: ", 0) == 0) text.erase(0, 9);
  return text;
}

Report checkOne(hostkit::Module& module, const Settings& settings, std::optional<Format> from,
                const std::string& path) {
  Report r{path, std::nullopt, Verdict::sound, "", {}, {}};
  try {
    r.format = inputFormat(path, from);
    hostkit::RunObject object(module, hostkit::makeSetup(settings.setup));
    hostkit::RunObject::Outcome outcome;
    if (readByTessel(*r.format)) {
      outcome = loadArray(object, *r.format, path, settings, r.warnings);
    } else {
      object.act(actionNumber({*r.format, FileAction::Kind::load}), path);
      outcome = object.lastOutcome();
      if (*r.format == Format::csv && outcome.code == 0) {
        const std::string text = readAll(path);
        if (firstFieldHoldsBom(object))
          r.warnings.emplace_back("it starts with a UTF-8 byte order mark, which a game reads into its first field");
        if (const auto look = spreadsheetWarning(text)) r.warnings.push_back("it " + *look);
      }
    }
    if (outcome.code != 0) {
      r.verdict = unreadable(outcome.code) ? Verdict::unreadable : Verdict::damaged;
      r.problem = withoutPath(outcome.text, path);
    }
    if (r.verdict != Verdict::unreadable) {
      r.loaded = describe(object);
      if (auto unusual = unusualShape(r.loaded)) r.warnings.push_back(std::move(*unusual));
    }
  } catch (const std::exception& e) {
    r.verdict = Verdict::unreadable;
    r.problem = withoutPath(e.what(), path);
  }
  return r;
}

void printText(std::ostream& out, const Report& r) {
  out << r.path;
  if (r.format) out << " (" << formatName(*r.format) << ")";
  if (r.verdict == Verdict::unreadable) {
    out << ": cannot be read: " << r.problem << '\n';
  } else {
    out << ": " << verdictName(r.verdict) << (r.problem.empty() ? "" : ": " + r.problem) << "; loads "
        << summary(r.loaded) << '\n';
  }
  for (const auto& w : r.warnings) out << "  warning: " << w << '\n';
}

void printJson(std::ostream& out, const Report& r) {
  out << "{\"path\": " << jsonString(r.path) << ", \"format\": ";
  out << (r.format ? jsonString(formatName(*r.format)) : "null");
  out << ", \"status\": \"" << verdictName(r.verdict) << "\", \"problem\": ";
  out << (r.problem.empty() ? "null" : jsonString(r.problem));
  if (r.verdict != Verdict::unreadable) {
    const Loaded& l = r.loaded;
    out << ", \"dimensions\": " << l.dimensions << ", \"size\": " << l.size;
    if (l.dimensions >= 2) out << ", \"columns\": " << l.columns;
    if (l.dimensions >= 3) out << ", \"rowsPerPage\": " << l.rowsPerPage;
    out << ", \"empty\": " << l.types[0] << ", \"values\": " << l.types[1] << ", \"strings\": " << l.types[2]
        << ", \"data\": " << l.types[3] << ", \"keys\": " << l.keys << ", \"labels\": " << l.labels;
  }
  out << ", \"warnings\": [";
  for (std::size_t i = 0; i < r.warnings.size(); ++i) out << (i ? ", " : "") << jsonString(r.warnings[i]);
  out << "]}";
}

}  // namespace

int checkFiles(hostkit::Module& module, const Settings& settings, std::optional<Format> from,
               const std::vector<std::string>& paths, std::ostream& out) {
  int counts[3] = {};
  Verdict worst = Verdict::sound;
  const bool json = settings.show.json;
  if (json) out << "{\"files\": [";
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const Report r = checkOne(module, settings, from, paths[i]);
    ++counts[static_cast<int>(r.verdict)];
    worst = std::max(worst, r.verdict);
    if (json) {
      printJson(out << (i ? ",\n  " : "\n  "), r);
    } else {
      printText(out, r);
    }
  }
  if (json) {
    out << "\n], \"sound\": " << counts[0] << ", \"damaged\": " << counts[1] << ", \"unreadable\": " << counts[2]
        << "}\n";
  } else if (paths.size() > 1) {
    out << plural(static_cast<int64_t>(paths.size()), "file", "files") << ": " << counts[0] << " sound, " << counts[1]
        << " damaged, " << counts[2] << " cannot be read\n";
  }
  return static_cast<int>(worst);
}

}  // namespace tessel::console
