// The JSON of show --json as a file of its own, read through the module: the
// JSON becomes a native array file, which the module's own load puts into the
// array, so a JSON load follows the module's rules (its memory rule too: the
// native file is never larger than the JSON it comes from, about).
#include <sstream>

#include "tools/console/console.h"
#include "tools/console/json_array.h"

namespace tessel::console {

namespace {

using catalogue::actionOf;
using Outcome = hostkit::RunObject::Outcome;

// Puts back a cell that stood in as a row's selection mark; its key stayed.
void restore(hostkit::RunObject& object, int32_t index, const json::Record& cell, const std::string& path) {
  Outcome done;
  switch (cell.type) {
    case TESSEL_CELL_VALUE: object.act(actionOf("setValueAt"), cell.value, index); break;
    case TESSEL_CELL_STRING: object.act(actionOf("setStringAt"), cell.bytes, index); break;
    case TESSEL_CELL_DATA: done = actOnBytes(object, actionOf("setFileAt"), cell.bytes, path, index); break;
    default: object.act(actionOf("setValueAt"), 0, index); break;  // 0 empties it
  }
  if (cell.type != TESSEL_CELL_DATA) done = object.lastOutcome();
  if (done.code != 0)
    throw UserError(path + ": element " + std::to_string(index) +
                    " could not be put back after its row was selected: " + done.text);
}

// The rows selected as the JSON says. A load gives every row the same flag
// (the object's auto-select setting), so all or none takes one action; a
// mix is selected by a query on marks the load put in the rows' first cells.
void select(hostkit::RunObject& object, const json::Array& array, bool marked, const std::string& path) {
  const std::size_t columns = static_cast<std::size_t>(array.columns());
  const std::size_t rows = columns > 0 ? array.cells.size() / columns : 0;
  if (rows == 0) return;
  if (marked) {
    // compat: queries start anew, so the query mode is OR after such a load.
    object.act(actionOf("startNewWhere"));
    object.act(actionOf("selectColumnEqual"), 0, 1);
    for (std::size_t p = 0; p < rows; ++p) {
      const json::Element& e = array.cells[p * columns];
      if (e.selected || e.cell.type != TESSEL_CELL_EMPTY)
        restore(object, static_cast<int32_t>(p * columns), e.cell, path);
    }
    return;
  }
  const bool wanted = array.cells.front().selected;
  const auto facts = object.describeCell(0);
  if (!facts || (facts->rowSelected != 0) == wanted) return;
  object.act(actionOf(wanted ? "selectAllRows" : "invertSelection"));
}

}  // namespace

Outcome loadJson(hostkit::RunObject& object, const std::string& path, bool append) {
  const std::string text = readAll(path);
  json::Array array;
  try {
    array = json::parse(text);
  } catch (const UserError& e) {
    throw UserError(path + ": " + e.what() + "; nothing is loaded");
  }
  // An append keeps the rows there are: their selection is the array's, not the file's.
  const bool marked = !append && json::mixedSelection(array);
  Outcome done =
      actOnBytes(object, actionOf(append ? "appendFromFile" : "loadFromFile"), json::nativeImage(array, marked), path);
  if (done.code == 0 && !append && array.grid) select(object, array, marked, path);
  return done;
}

void saveJson(hostkit::RunObject& object, const std::string& name, const std::string& path,
              const encoding::Encoding& encoding) {
  if (isReadOnly(path)) throw UserError("the save failed: " + path + " is read-only");
  std::ostringstream text;
  ShowOptions whole;
  whole.json = true;
  whole.encoding = encoding;
  whole.selectionMatters = false;
  show(object, name, text, whole);
  if (platform::cancelRequested()) throw UserError("cancelled; " + path + " is not written");
  replaceFile(path, text.str());
}

}  // namespace tessel::console
