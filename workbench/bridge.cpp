// What the page's script calls: one console session whose instances are the
// page's tabs, reached through the module's exports by the host kit, as the
// console host reaches them. Files travel through the in-memory file system
// the page writes and reads. Every call answers with one JSON object (a text
// the Workbench owns until its next call) and lets no exception through.
#include <emscripten/emscripten.h>

#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/array_store.h"
#include "host/runtime.h"
#include "persist/byte_io.h"
#include "tools/console/console.h"
#include "tools/console/edited_text.h"
#include "workbench/cell_looks.h"

namespace tessel::workbench {

namespace {

std::string jsonList(const std::vector<std::string>& texts, bool bytes = false) {
  std::string out = "[";
  for (std::size_t i = 0; i < texts.size(); ++i)
    out += (i ? ", " : "") + (bytes ? console::jsonOfBytes(texts[i]) : console::jsonString(texts[i]));
  return out + "]";
}

namespace encoding = console::encoding;

// A byte string of the page (one character a byte, sent as UTF-8) as its bytes.
std::string pageBytes(std::string_view utf8) {
  const encoding::Encoding reader = encoding::Encoding::utf8();
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    const std::size_t n = reader.next(utf8, i, true, c);
    if (n == 0 || c > 0xff) throw console::UserError("a byte string holds a character beyond U+00FF");
    out += static_cast<char>(c);
    i += n;
  }
  return out;
}

// A JSON list of the page's byte strings as their bytes.
std::vector<std::string> pageByteList(const char* list) {
  std::vector<std::string> out;
  for (const auto& text : nlohmann::json::parse(list)) out.push_back(pageBytes(text.get_ref<const std::string&>()));
  return out;
}

// What the page says of a character that an edit's encoding cannot hold: the edit then changes nothing.
std::string unwritable(char32_t c, const encoding::Encoding& in) {
  return encoding::describe(c, '"') + " cannot be written in " + in.title() +
         ": nothing was changed (choose the tab's text encoding, or type the byte as \\xHH)";
}

// Tile maps' compressed data, inflated by the page beforehand (the browser
// inflates, asynchronously): by the map's path, each packed form with what
// it inflates to.
using Inflated = std::map<std::string, std::map<std::string, std::string>>;

console::tilemap::Codec pageCodec(const Inflated& inflated) {
  console::tilemap::Codec codec;
  codec.inflate = [&inflated](console::tilemap::Compression, std::string_view packed,
                              std::size_t size) -> std::optional<std::string> {
    for (const auto& [path, table] : inflated) {
      const auto found = table.find(std::string(packed));
      if (found != table.end() && found->second.size() == size) return found->second;
    }
    return std::nullopt;
  };
  return codec;  // and no deflate here: a save compresses with what the page compressed for it
}

console::Settings pageSettings(const Inflated& inflated) {
  console::Settings settings;
  settings.codec = pageCodec(inflated);
  settings.show.utf8 = true;  // the page shows UTF-8 as text
  // Lines are typed one at a time, as at a terminal: after a failed load the
  // next save needs --force, rather than every later save being refused.
  settings.interactive = true;
  return settings;
}

}  // namespace

class Workbench {
 public:
  Workbench() : module_("tessel"), session_(module_, pageSettings(inflated_), out_) {}

  // Runs one line of the console language on the current instance.
  const std::string& run(const char* line) {
    return guarded([&] {
      out_.str("");
      std::ostringstream err;
      const bool ok = session_.runLine(line, "", err);
      return "{\"ok\": " + std::string(ok ? "true" : "false") + ", \"output\": " + console::jsonString(out_.str()) +
             ", \"errors\": " + console::jsonString(err.str()) +
             ", \"instance\": " + console::jsonString(session_.currentName()) + "}";
    });
  }

  // Makes `instance` anew (`setup`: the options of the console's new, such as
  // --auto-select) and loads the file at `path` into it as the console's show
  // does: in the format named, else the one its content or extension shows, else CSV.
  const std::string& open(const char* instance, const char* path, const char* named, const char* setup) {
    return guarded([&] {
      std::vector<std::string> warnings;
      const auto [chosen, settings] = fileFormat(named);
      console::Format format = console::Format::csv;
      if (const auto known = chosen ? chosen : knownFormat(path)) {
        format = *known;
      } else {
        // No magic, no section header, no telling extension: what the module reads anything as.
        warnings.push_back("read as CSV: it shows no other format");
      }
      std::ostringstream err;
      if (session_.instances().count(instance) != 0 && !session_.runLine(std::string("drop ") + instance, "", err))
        throw console::UserError(err.str());
      if (!session_.runLine(std::string("new ") + instance + " " + setup, "", err)) throw console::UserError(err.str());
      const auto loaded = console::loadArray(object(), format, path, settings, warnings);
      // The page opens what it can: a damaged file as far as it reads, a failed load as the empty array it leaves.
      if (loaded.code == TESSEL_OUTCOME_DAMAGED) warnings.push_back(loaded.text + "; shown as far as it reads");
      if (loaded.code != 0 && loaded.code != TESSEL_OUTCOME_DAMAGED)
        warnings.push_back(loaded.text + "; the array is empty now, as in a game");
      // Damaged: what the page shows is not the whole file, so saving it would lose the rest.
      return "{\"ok\": true, \"format\": " + console::jsonString(console::formatName(format)) +
             ", \"damaged\": " + (loaded.code != 0 ? "true" : "false") + ", \"warnings\": " + jsonList(warnings) + "}";
    });
  }

  // The format the file shows by its content or extension, null when none: a
  // file that is no array file may be meant for a cell.
  const std::string& kind(const char* path) {
    return guarded([&] {
      const auto known = knownFormat(path);
      return std::string("{\"ok\": true, \"format\": ") +
             (known ? console::jsonString(console::formatName(*known)) : "null") + "}";
    });
  }

  // A tile map's compressed data, for the page to inflate before it opens the
  // map: each written to `path`.packed-K, with its compression and the size it
  // must inflate to. The page writes what it inflates to `path`.packed-K.raw.
  const std::string& packed(const char* path) {
    return guarded([&] {
      const auto data = console::tilemap::packedData(console::readAll(path));
      std::string out = "{\"ok\": true, \"data\": [";
      for (std::size_t k = 0; k < data.size(); ++k) {
        const std::string file = std::string(path) + ".packed-" + std::to_string(k);
        console::replaceFile(file, data[k].bytes);
        out += (k ? ", " : "") + std::string("{\"path\": ") + console::jsonString(file) + ", \"compression\": " +
               console::jsonString(data[k].compression == console::tilemap::Compression::gzip ? "gzip" : "zlib") +
               ", \"size\": " + std::to_string(data[k].size) + "}";
      }
      return out + "]}";
    });
  }

  // Takes in what the page inflated for the map at `path`, and removes the files.
  const std::string& inflated(const char* path) {
    return guarded([&] {
      auto& table = inflated_[path];
      std::error_code error;
      for (int k = 0;; ++k) {
        const std::string file = std::string(path) + ".packed-" + std::to_string(k);
        if (!std::filesystem::exists(file, error)) break;
        if (std::filesystem::exists(file + ".raw", error)) {
          table[console::readAll(file)] = console::readAll(file + ".raw");
          std::filesystem::remove(file + ".raw", error);
        }
        std::filesystem::remove(file, error);
      }
      return std::string("{\"ok\": true}");
    });
  }

  // tessel check and tessel diff on files of the page's file system, as the
  // console prints them; `from` is its --from, "" for none.
  const std::string& check(const char* path, const char* from) {
    return guarded([&] {
      std::ostringstream out;
      const auto [format, settings] = fileFormat(from);
      const int status = console::checkFiles(module_, settings, format, {path}, out);
      return "{\"ok\": true, \"status\": " + std::to_string(status) +
             ", \"output\": " + console::jsonString(out.str()) + "}";
    });
  }

  // As the console's text, or as its --json when `asJson` (the cells the page marks).
  const std::string& diff(const char* a, const char* b, const char* from, bool asJson) {
    return guarded([&] {
      std::ostringstream out, err;
      auto [format, settings] = fileFormat(from);
      settings.show.json = asJson;
      const int status = console::diffFiles(module_, settings, format, a, b, out, err);
      return "{\"ok\": true, \"status\": " + std::to_string(status) +
             ", \"output\": " + console::jsonString(out.str()) + ", \"errors\": " + console::jsonString(err.str()) +
             "}";
    });
  }

  // Saves the current instance to `path` in the format named; the losses as
  // the console reports them. A tile map's layer data that the page has not
  // yet compressed (the browser compresses, asynchronously) is written to
  // files of a folder of this save's own, K.zlib or K.gzip, named in
  // "deflate": the page writes each compressed beside it (K.zlib.packed),
  // calls deflated() on the folder and saves again, which then finds them.
  const std::string& save(const char* format, const char* path) {
    return guarded([&] {
      std::vector<std::string> warnings;
      auto [chosen, settings] = fileFormat(format);
      if (!chosen) throw console::UserError("no format named to save in");
      std::vector<Layer> wanted;
      std::vector<Layer> used;
      settings.codec.deflate = [&](console::tilemap::Compression c,
                                   std::string_view bytes) -> std::optional<std::string> {
        Layer layer{c, std::string(bytes)};
        const auto found = deflated_.find(layer);
        if (found == deflated_.end()) {
          wanted.push_back(std::move(layer));
          return std::nullopt;
        }
        used.push_back(std::move(layer));
        return found->second;
      };
      console::saveArray(object(), *chosen, path, settings, warnings);
      for (const auto& layer : used) deflated_.erase(layer);  // each kept for the save it was made for
      std::string losses;
      for (const auto& w : warnings) {
        const std::size_t colon = w.find(": ");  // the counts come after "path (format): "
        losses += (losses.empty() ? "" : "; ") + (colon == std::string::npos ? w : w.substr(colon + 2));
      }
      std::string out = "{\"ok\": true, \"losses\": " + console::jsonString(losses);
      if (wanted.empty()) return out + "}";
      const std::string folder = "/deflate/" + std::to_string(++deflates_);
      std::filesystem::create_directories(folder);
      out += ", \"folder\": " + console::jsonString(folder) + ", \"deflate\": [";
      for (std::size_t k = 0; k < wanted.size(); ++k) {
        const bool gzip = wanted[k].first == console::tilemap::Compression::gzip;
        const std::string file = folder + "/" + std::to_string(k) + (gzip ? ".gzip" : ".zlib");
        console::replaceFile(file, wanted[k].second);
        out += (k ? ", " : "") + std::string("{\"path\": ") + console::jsonString(file) +
               ", \"compression\": " + console::jsonString(gzip ? "gzip" : "zlib") + "}";
      }
      return out + "]}";
    });
  }

  // Takes in what the page compressed in a save's folder, and removes the folder.
  const std::string& deflated(const char* folder) {
    return guarded([&] {
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const auto file = entry.path();
        const std::string kind = file.extension().string();
        if (kind != ".zlib" && kind != ".gzip") continue;
        const std::string packed = file.string() + ".packed";
        if (!std::filesystem::exists(packed, error)) continue;
        const auto c = kind == ".gzip" ? console::tilemap::Compression::gzip : console::tilemap::Compression::zlib;
        deflated_[{c, console::readAll(file.string())}] = console::readAll(packed);
      }
      std::filesystem::remove_all(folder, error);
      return std::string("{\"ok\": true}");
    });
  }

  // The current instance's shape, for the page's grid.
  const std::string& shape() {
    return guarded([&] {
      using catalogue::expressionOf;
      hostkit::RunObject& o = object();
      const int32_t dims = o.integer(expressionOf("dimensionCount"));
      std::string out = "{\"ok\": true, \"instance\": " + console::jsonString(session_.currentName()) +
                        ", \"dimensions\": " + std::to_string(dims) +
                        ", \"size\": " + std::to_string(o.integer(expressionOf("size"))) +
                        ", \"columns\": " + std::to_string(o.integer(expressionOf("boundaryX"))) +
                        ", \"rowsPerPage\": " + std::to_string(o.integer(expressionOf("boundaryY"))) +
                        ", \"selectedRows\": " + std::to_string(o.integer(expressionOf("numberOfRows"))) +
                        ", \"delimiter\": " + console::jsonOfBytes(o.text(expressionOf("listDelimiter")).value_or(""));
      // Found through the labels held: a width only declared costs nothing.
      out += ", \"labels\": " + jsonList(dims == 2 ? console::labelRow(o) : std::vector<std::string>(), true) + "}";
      o.releaseStringSpace();
      return out;
    });
  }

  // Runs a whole script in a session of its own, as `tessel run` does, with
  // the console's settings; files it names are relative to the page's current folder.
  const std::string& script(const char* name, const char* text) {
    return guarded([&] {
      std::ostringstream out, err;
      console::Session session(module_, console::Settings{}, out);
      std::istringstream in(text);
      const bool ok = session.run(in, name, err);
      return "{\"ok\": " + std::string(ok ? "true" : "false") + ", \"output\": " + console::jsonString(out.str()) +
             ", \"errors\": " + console::jsonString(err.str()) + "}";
    });
  }

  // `count` elements from `first` for the grid, each [type, length, text, key
  // type, key text, row selected], null past the end: only what is in view is asked for.
  const std::string& cells(int32_t first, int32_t count) {
    return guarded([&] {
      using catalogue::expressionOf;
      hostkit::RunObject& o = object();
      std::string out = "{\"ok\": true, \"cells\": [";
      for (int32_t i = first; i < first + count; ++i) {
        out += i > first ? ", " : "";
        const auto facts = o.describeCell(i);
        if (!facts) {
          out += "null";
          continue;
        }
        const auto textOf = [&](int32_t type, const char* expression) {
          const bool readable = type == TESSEL_CELL_VALUE || type == TESSEL_CELL_STRING;
          return readable ? o.text(expressionOf(expression), i).value_or("") : std::string();
        };
        out += "[" + std::to_string(facts->type) + ", " + std::to_string(facts->length) + ", " +
               console::jsonOfBytes(textOf(facts->type, "stringAt")) + ", " + std::to_string(facts->keyType) + ", " +
               console::jsonOfBytes(textOf(facts->keyType, "keyStringAt")) + ", " + std::to_string(facts->rowSelected) +
               "]";
      }
      o.releaseStringSpace();
      return out + "]}";
    });
  }

  // What a level map draws of cells first.. (count of them), fast enough for a whole page.
  const std::string& looks(int32_t first, int32_t count) {
    return guarded([&] { return "{\"ok\": true, \"cells\": " + cellLooks(storeOf(object()), first, count) + "}"; });
  }

  const std::string& region(int32_t first, int32_t columns, int32_t rows, int32_t x, int32_t y) {
    return guarded(
        [&] { return "{\"ok\": true, \"cells\": " + regionOf(storeOf(object()), first, columns, rows, x, y) + "}"; });
  }

  // Removes a file the page stored, with the folder it alone was in: a closed
  // tab's file leaves the page's memory, and no later line can read it.
  const std::string& forget(const char* path) {
    return guarded([&] {
      const std::filesystem::path file(path);
      inflated_.erase(path);
      std::error_code error;
      if (!std::filesystem::remove(file, error) && error)
        throw console::UserError(std::string(path) + " was not removed: " + error.message());
      const auto folder = file.parent_path();
      if (std::filesystem::is_empty(folder, error)) std::filesystem::remove(folder, error);
      return std::string("{\"ok\": true}");
    });
  }

  // Runs lines (one a line of `text`) on the current instance in one call, up
  // to the first that fails: how many ran, and what they printed.
  const std::string& lines(const char* text) {
    return guarded([&] {
      out_.str("");
      std::ostringstream err;
      std::istringstream in(text);
      int done = 0;
      bool ok = true;
      for (std::string line; ok && std::getline(in, line);) {
        ok = session_.runLine(line, "", err);
        done += ok ? 1 : 0;
      }
      return "{\"ok\": " + std::string(ok ? "true" : "false") + ", \"done\": " + std::to_string(done) +
             ", \"output\": " + console::jsonString(out_.str()) + ", \"errors\": " + console::jsonString(err.str()) +
             "}";
    });
  }

  // The cells of a row or column step at once, through the module's batches
  // that do what the page's element lines (single inserts of a value of 0, or
  // single deletes) do: `count` inserts or deletes at the flat index `at` (a
  // row), or one at column `at` of every row `count` cells long (a column).
  // "done" false, with nothing changed, where the batch does not apply: the
  // page runs the lines themselves then.
  const std::string& grid(const char* kind, int32_t count, int32_t at) {
    return guarded([&] {
      ArrayStore& store = storeOf(object());
      const std::string k = kind;
      bool done = false;
      if (k == "insertRow") {
        // Inside the array only: at its end the first insert is a set, which the lines do cheaply.
        std::vector<Cell> cells(static_cast<std::size_t>(count > 0 ? count : 0));
        done = count > 0 && store.insertRun(at, cells);
      } else if (k == "deleteRow") {
        // Deletes past the end do nothing.
        done = at >= store.size() || count <= 0 || store.deleteRun(at, std::min(count, store.size() - at));
      } else if (k == "insertColumn") {
        done = store.insertColumn(count, at);
      } else if (k == "deleteColumn") {
        done = store.deleteColumn(count, at);
      } else {
        throw console::UserError("no grid step \"" + k + "\"");
      }
      return std::string("{\"ok\": true, \"done\": ") + (done ? "true" : "false") + "}";
    });
  }

  // A paint stroke's cells at once: each of `indexes` (comma-separated) set to
  // the value, or to the text when `isText`, by the same call of the store
  // that Set value at / Set string at make, in the stroke's order.
  const std::string& paint(const char* indexes, int32_t isText, int32_t value, const char* text) {
    return guarded([&] {
      ArrayStore& store = storeOf(object());
      const CellDescriptor d = isText != 0 ? CellDescriptor::ofString(text) : CellDescriptor::ofValue(value);
      std::istringstream in(indexes);
      for (std::string index; std::getline(in, index, ',');) store.set(std::stoi(index), d);
      return std::string("{\"ok\": true, \"done\": true}");
    });
  }

  // What a native file does not carry of the current array, written to
  // `path`: the runs of cells with no key cell at all (a native file gives
  // each cell one), the label table as held (an empty label is a label), and
  // the row flags. The worker that opens large files sends it beside the
  // native file, and the page's instance takes it after reading that file.
  const std::string& extras(const char* path) {
    return guarded([&] {
      const ArrayStore& store = storeOf(object());
      persist::StringWriter runs;
      int32_t count = 0;
      for (int32_t i = 0; i < store.size();) {
        int32_t end = i;
        while (end < store.size() && store.cellAt(end)->key() == nullptr) ++end;
        if (end > i) {
          runs.i32(i);
          runs.i32(end - i);
          ++count;
        }
        i = end + 1;
      }
      persist::StringWriter out;
      out.i32(count);
      out.bytes(runs.take());
      const LabelTable& labels = store.labels();
      out.i32(labels.exists() ? 1 : 0);
      out.i32(labels.size());
      out.i32(static_cast<int32_t>(labels.held().size()));
      for (const auto& label : labels.held()) {
        out.i32(label.column);
        out.i32(static_cast<int32_t>(label.text.size()));
        out.bytes(label.text);
      }
      const RowFlags& flags = store.rowFlags();
      out.i32(flags.count());
      for (int32_t row = 0; row < flags.count(); ++row) out.bytes(std::string(1, static_cast<char>(flags.at(row))));
      console::replaceFile(path, out.take());
      return std::string("{\"ok\": true}");
    });
  }

  // Takes what extras() wrote into the current array; nothing changes when it
  // does not fit this array (the page then loads the file itself).
  const std::string& takeExtras(const char* path) {
    return guarded([&] {
      ArrayStore& store = storeOf(object());
      const std::string data = console::readAll(path);
      persist::ByteReader in(data);
      const auto misfit = [] { return console::UserError("the extras do not fit this array"); };
      // A count of records is never more than the bytes left could hold (8 each), so a damaged file sizes nothing.
      const auto records = [&] {
        const int32_t n = in.i32();
        if (n < 0 || static_cast<std::size_t>(n) > in.remaining() / 8) throw misfit();
        return static_cast<std::size_t>(n);
      };
      std::vector<std::pair<int32_t, int32_t>> runs(records());
      for (auto& [first, count] : runs) {
        first = in.i32();
        count = in.i32();
        if (first < 0 || count < 0 || first > store.size() - count) throw misfit();
      }
      LabelTable labels;
      const bool exists = in.i32() != 0;
      const int32_t size = in.i32();
      std::vector<LabelTable::Label> held(records());
      for (auto& label : held) {
        label.column = in.i32();
        label.text = std::string(in.take(static_cast<uint32_t>(in.i32())));
      }
      if (exists) {
        labels.resize(size);
        labels.setAll(std::move(held));
      }
      const int32_t rows = in.i32();
      const std::string_view flags = in.take(static_cast<uint32_t>(std::max(0, rows)));
      if (in.cut() || !in.atEnd() || rows != store.rowFlags().count()) throw misfit();
      for (const auto& [first, count] : runs) {
        for (int32_t i = first; i < first + count; ++i) store.dropKey(i);
      }
      store.labels() = std::move(labels);
      store.rowFlags().transform([&](int32_t row, uint8_t) { return static_cast<uint8_t>(flags[row]); });
      return std::string("{\"ok\": true}");
    });
  }

  // Undo without replaying: a copy of the current instance's whole array,
  // kept under a number, and put back in place of the instance's array (once).
  const std::string& keep() {
    return guarded([&] {
      snapshots_.emplace(++snapshot_, Snapshot{session_.currentName(), storeOf(object()).copy()});
      return "{\"ok\": true, \"id\": " + std::to_string(snapshot_) + "}";
    });
  }

  const std::string& restore(int32_t id) {
    return guarded([&] {
      const auto found = snapshots_.find(id);
      if (found == snapshots_.end()) throw console::UserError("no snapshot " + std::to_string(id));
      if (found->second.instance != session_.currentName())
        throw console::UserError("snapshot " + std::to_string(id) + " is of instance " + found->second.instance);
      storeOf(object()) = std::move(found->second.store);
      snapshots_.erase(found);
      return std::string("{\"ok\": true}");
    });
  }

  const std::string& dropSnapshot(int32_t id) {
    snapshots_.erase(id);
    return answer("{\"ok\": true}");
  }

  // The code pages a tab may read texts in: the page hands their tables, as its browser decodes them, to tables().
  const std::string& codePages() {
    std::string out = "{\"ok\": true, \"codePages\": [";
    for (int n = encoding::kFirstCodePage; n <= encoding::kLastCodePage; ++n)
      out += (n > encoding::kFirstCodePage ? ", " : "") + std::to_string(n);
    return answer(out + "]}");
  }

  // Takes in the tables ({"1252": [the character of each byte, -1 for none], ...}) and
  // answers with the encodings a tab may show its texts in, each with its title, and automatic's code page.
  const std::string& tables(const char* given) {
    return guarded([&] {
      const nlohmann::json all = nlohmann::json::parse(given);
      for (auto item = all.begin(); item != all.end(); ++item) {
        const nlohmann::json& chars = item.value();
        encoding::Table table{};
        for (std::size_t b = 0; b < table.size(); ++b) {
          const auto c = chars.at(b).get<int64_t>();
          table[b] = c < 0 ? encoding::kUndefined : static_cast<char32_t>(c);
        }
        tables_[std::stoi(item.key())] = table;
      }
      std::string out = "{\"ok\": true, \"fallback\": " + console::jsonString(encodingNamed("auto").fallback().name()) +
                        ", \"encodings\": [";
      bool first = true;
      for (const auto& name : encoding::Encoding::names()) {
        const auto e = encodingOf(name);
        if (!e) continue;  // a code page the browser had no table for
        out += (first ? "" : ", ") + std::string("{\"name\": ") + console::jsonString(e->name()) +
               ", \"title\": " + console::jsonString(e->title()) + "}";
        first = false;
      }
      return out + "]}";
    });
  }

  // Texts (a JSON list of byte strings) as an editor shows them in the encoding named.
  const std::string& shown(const char* name, const char* texts) {
    return guarded([&] {
      const encoding::Encoding e = encodingNamed(name);
      std::vector<std::string> out;
      for (const auto& bytes : pageByteList(texts)) out.push_back(console::editedText(bytes, e));
      return "{\"ok\": true, \"texts\": " + jsonList(out) + "}";
    });
  }

  // A text typed for an element that held `old` (a byte string), written in
  // the encoding named as edits are: its bytes and the console literal of
  // them, or the character it cannot hold.
  const std::string& typed(const char* name, const char* text, const char* old) {
    return guarded([&] {
      const encoding::Encoding e = console::writtenFor(pageBytes(old), encodingNamed(name));
      const encoding::Encoded bytes = console::bytesOfEdited(text, e);
      if (!bytes.ok) throw console::UserError(unwritable(bytes.unheld, e));
      return "{\"ok\": true, \"literal\": " + console::jsonString(console::literalOf(bytes.bytes)) +
             ", \"bytes\": " + console::jsonOfBytes(bytes.bytes) + "}";
    });
  }

  // A line typed in the command bar with its characters in the code page named, as escapes.
  const std::string& line(const char* name, const char* typed) {
    return guarded([&] {
      const encoding::Encoding e = encodingNamed(name);
      const encoding::Encoded line = console::lineIn(typed, e);
      if (!line.ok) throw console::UserError(unwritable(line.unheld, e));
      return "{\"ok\": true, \"line\": " + console::jsonString(line.bytes) + "}";
    });
  }

  // Byte strings (a JSON list) as console literals.
  const std::string& literals(const char* texts) {
    return guarded([&] {
      std::vector<std::string> out;
      for (const auto& bytes : pageByteList(texts)) out.push_back(console::literalOf(bytes));
      return "{\"ok\": true, \"literals\": " + jsonList(out) + "}";
    });
  }

  // The action lines and expression names the command bar completes, from the
  // catalogue, and the console's own words with what each does.
  const std::string& catalogueNames() {
    std::vector<std::string> actions, expressions;
    for (const auto& a : catalogue::kActions) actions.push_back(console::usage(a));
    for (const auto& e : catalogue::kExpressions) expressions.push_back(e.name);
    std::string words;
    for (const auto& w : console::kOwnWords) {
      const char* kind = w.kind == console::WordKind::session ? "session"
                         : w.kind == console::WordKind::loop  ? "loop"
                                                              : "reads";
      words +=
          (words.empty() ? "" : ", ") + console::jsonString(std::string(w.word)) + ": " + console::jsonString(kind);
    }
    return answer("{\"actions\": " + jsonList(actions) + ", \"expressions\": " + jsonList(expressions) +
                  ", \"words\": {" + words + "}}");
  }

 private:
  // A format as the page names it ("" for none), and " --header" after it when
  // a CSV or sheet file's first row holds the column labels, as the console's
  // option says; "tilemap --template PATH" names the map a tile map save copies.
  struct FileFormat {
    std::optional<console::Format> format;
    console::Settings settings;
  };
  FileFormat fileFormat(std::string name) const {
    static constexpr std::string_view header = " --header";
    static constexpr std::string_view templateMap = " --template ";
    FileFormat out;
    out.settings.codec = pageCodec(inflated_);
    if (const std::size_t at = name.find(templateMap); at != std::string::npos) {
      out.settings.templateMap = name.substr(at + templateMap.size());
      name.resize(at);
    }
    if (name.size() >= header.size() && name.compare(name.size() - header.size(), header.size(), header) == 0) {
      out.settings.csvHeader = true;
      name.resize(name.size() - header.size());
    }
    if (!name.empty()) out.format = console::formatNamed(name);
    return out;
  }

  // An encoding named as the page names them, its code pages' tables those the page handed.
  std::optional<encoding::Encoding> encodingOf(std::string_view name) const {
    return encoding::Encoding::named(name, encoding::kDefaultCodePage,
                                     [this](int codePage) -> std::optional<encoding::Table> {
                                       const auto found = tables_.find(codePage);
                                       if (found == tables_.end()) return std::nullopt;
                                       return found->second;
                                     });
  }
  encoding::Encoding encodingNamed(std::string_view name) const {
    auto e = encodingOf(name);
    if (!e)
      throw console::UserError("no text encoding \"" + std::string(name) + "\": " + encoding::Encoding::choices());
    return *e;
  }

  static std::optional<console::Format> knownFormat(const char* path) {
    try {
      return console::inputFormat(path, std::nullopt);
    } catch (const console::UserError&) {
      return std::nullopt;  // it tells no format
    }
  }

  // The module's own array behind a run-time object: the page links the module in.
  static ArrayStore& storeOf(hostkit::RunObject& o) { return Instance(o.record()).store(); }

  hostkit::RunObject& object() {
    const auto found = session_.instances().find(session_.currentName());
    if (found == session_.instances().end()) throw console::UserError("no instance \"" + session_.currentName() + "\"");
    return *found->second;
  }

  template <typename F>
  const std::string& guarded(F f) {
    try {
      return answer(f());
    } catch (const std::exception& e) {
      std::string message = e.what();
      while (!message.empty() && message.back() == '\n') message.pop_back();
      return answer("{\"ok\": false, \"error\": " + console::jsonString(message) + "}");
    }
  }

  const std::string& answer(std::string text) {
    answer_ = std::move(text);
    return answer_;
  }

  hostkit::Module module_;
  std::ostringstream out_;
  Inflated inflated_;
  console::Session session_;
  std::string answer_;
  struct Snapshot {
    std::string instance;
    ArrayStore store;
  };
  std::map<int32_t, Snapshot> snapshots_;
  std::map<int, encoding::Table> tables_;  // by code page, from the page's browser
  int32_t snapshot_ = 0;
  // A tile map's layer data (with its compression) and what the page compressed it to.
  using Layer = std::pair<console::tilemap::Compression, std::string>;
  std::map<Layer, std::string> deflated_;
  int32_t deflates_ = 0;
};

}  // namespace tessel::workbench

using tessel::workbench::Workbench;

// The page owns the one Workbench it creates; its JavaScript never sees an exception.
extern "C" {

EMSCRIPTEN_KEEPALIVE Workbench* tesselWorkbenchCreate() {
  try {
    return std::make_unique<Workbench>().release();  // the page holds it until tesselWorkbenchDestroy
  } catch (...) {
    return nullptr;
  }
}

EMSCRIPTEN_KEEPALIVE void tesselWorkbenchDestroy(Workbench* w) { std::unique_ptr<Workbench>{w}.reset(); }

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchRun(Workbench* w, const char* line) { return w->run(line).c_str(); }

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchOpen(Workbench* w, const char* instance, const char* path,
                                                     const char* format, const char* setup) {
  return w->open(instance, path, format, setup).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchKind(Workbench* w, const char* path) { return w->kind(path).c_str(); }

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchPacked(Workbench* w, const char* path) {
  return w->packed(path).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchInflated(Workbench* w, const char* path) {
  return w->inflated(path).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchCheck(Workbench* w, const char* path, const char* from) {
  return w->check(path, from).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchDiff(Workbench* w, const char* a, const char* b, const char* from,
                                                     int32_t asJson) {
  return w->diff(a, b, from, asJson != 0).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchSave(Workbench* w, const char* format, const char* path) {
  return w->save(format, path).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchDeflated(Workbench* w, const char* folder) {
  return w->deflated(folder).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchScript(Workbench* w, const char* name, const char* text) {
  return w->script(name, text).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchShape(Workbench* w) { return w->shape().c_str(); }

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchCells(Workbench* w, int32_t first, int32_t count) {
  return w->cells(first, count).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchLooks(Workbench* w, int32_t first, int32_t count) {
  return w->looks(first, count).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchRegion(Workbench* w, int32_t first, int32_t columns, int32_t rows,
                                                       int32_t x, int32_t y) {
  return w->region(first, columns, rows, x, y).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchForget(Workbench* w, const char* path) {
  return w->forget(path).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchLines(Workbench* w, const char* text) { return w->lines(text).c_str(); }

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchGrid(Workbench* w, const char* kind, int32_t count, int32_t at) {
  return w->grid(kind, count, at).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchPaint(Workbench* w, const char* indexes, int32_t isText, int32_t value,
                                                      const char* text) {
  return w->paint(indexes, isText, value, text).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchKeep(Workbench* w) { return w->keep().c_str(); }

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchRestore(Workbench* w, int32_t id) { return w->restore(id).c_str(); }

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchDrop(Workbench* w, int32_t id) { return w->dropSnapshot(id).c_str(); }

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchExtras(Workbench* w, const char* path) {
  return w->extras(path).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchTakeExtras(Workbench* w, const char* path) {
  return w->takeExtras(path).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchCatalogue(Workbench* w) { return w->catalogueNames().c_str(); }

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchCodePages(Workbench* w) { return w->codePages().c_str(); }

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchTables(Workbench* w, const char* tables) {
  return w->tables(tables).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchShown(Workbench* w, const char* encoding, const char* texts) {
  return w->shown(encoding, texts).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchTyped(Workbench* w, const char* encoding, const char* text,
                                                      const char* old) {
  return w->typed(encoding, text, old).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchLine(Workbench* w, const char* encoding, const char* line) {
  return w->line(encoding, line).c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tesselWorkbenchLiterals(Workbench* w, const char* texts) {
  return w->literals(texts).c_str();
}

}  // extern "C"
