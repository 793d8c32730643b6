// Entry points for diagnostics: a game host never calls them; the console
// and the tests use them to see what the routines cannot tell a host.
#include <cstring>
#include <string>

#include "core/cell.h"
#include "core/status.h"
#include "host/export.h"
#include "host/run_state.h"
#include "host/tessel.h"
#include "persist/save_report.h"
#include "recordset/labels.h"

static_assert(TESSEL_CELL_EMPTY == static_cast<int>(tessel::CellType::empty) &&
                  TESSEL_CELL_VALUE == static_cast<int>(tessel::CellType::value) &&
                  TESSEL_CELL_STRING == static_cast<int>(tessel::CellType::string) &&
                  TESSEL_CELL_DATA == static_cast<int>(tessel::CellType::data),
              "the reported cell types are the store's");
static_assert(sizeof(TesselSaveReport) == 13 * sizeof(int32_t), "the save report is thirteen 32-bit counts");

extern "C" {

TESSEL_EXPORT int32_t TESSEL_CALL TesselLastOutcome(TesselRunObject* object, char* buffer, int32_t size) {
  try {
    const auto* state = object != nullptr ? static_cast<const tessel::RunState*>(object->store) : nullptr;
    // An instance without a state is one whose creation ran out of memory.
    const tessel::Status outOfMemory = tessel::Status::failure(tessel::StatusCode::outOfMemory);
    const tessel::Status& outcome = state != nullptr ? state->lastOutcome() : outOfMemory;
    if (buffer != nullptr && size > 0) {
      const std::string text = outcome.describe();
      const std::size_t n =
          text.size() < static_cast<std::size_t>(size) ? text.size() : static_cast<std::size_t>(size) - 1;
      std::memcpy(buffer, text.data(), n);
      buffer[n] = '\0';
    }
    return static_cast<int32_t>(outcome.code());
  } catch (...) {
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
    return static_cast<int32_t>(tessel::StatusCode::outOfMemory);
  }
}

TESSEL_EXPORT int32_t TESSEL_CALL TesselDescribeCell(TesselRunObject* object, int32_t index, TesselCellFacts* facts) {
  auto* state = object != nullptr ? static_cast<tessel::RunState*>(object->store) : nullptr;
  if (state == nullptr || facts == nullptr) return -1;
  const tessel::ArrayStore& store = state->store();
  const tessel::Cell* cell = store.cellAt(index);
  if (cell == nullptr) return -1;
  facts->type = static_cast<int32_t>(cell->type());
  facts->length = cell->type() == tessel::CellType::string ? cell->length() - 1 : cell->length();
  facts->keyType = cell->key() != nullptr ? static_cast<int32_t>(cell->key()->type()) : TESSEL_CELL_NONE;
  const int32_t columns = store.dimensions().boundary(1);
  facts->rowSelected =
      store.dimensions().count() == 2 && columns > 0 && store.rowFlags().isSelected(index / columns) ? 1 : 0;
  return 0;
}

TESSEL_EXPORT int32_t TESSEL_CALL TesselLastSaveReport(TesselRunObject* object, TesselSaveReport* report) {
  const auto* state = object != nullptr ? static_cast<const tessel::RunState*>(object->store) : nullptr;
  if (state == nullptr || report == nullptr || !state->lastSave()) return -1;
  const tessel::persist::SaveReport& r = *state->lastSave();
  // Counts are of elements, so they fit the 32 bits of an element index.
  const auto n = [](int64_t count) { return static_cast<int32_t>(count); };
  *report = TesselSaveReport{r.dimensionsBefore,     r.dimensionsAfter,  n(r.keysDropped),       n(r.keysBecomeTexts),
                             n(r.keysChanged),       n(r.labelsDropped), n(r.valuesBecomeTexts), n(r.dataWrittenEmpty),
                             n(r.emptyCellsDropped), n(r.elementsAdded), n(r.splitAtSeparator),  n(r.splitAtLineBreak),
                             n(r.textsEmptied)};
  return 0;
}

TESSEL_EXPORT int32_t TESSEL_CALL TesselNextLabel(TesselRunObject* object, int32_t column) {
  auto* state = object != nullptr ? static_cast<tessel::RunState*>(object->store) : nullptr;
  if (state == nullptr) return -1;
  return tessel::recordset::nextLabelledColumn(state->store(), column);
}

TESSEL_EXPORT int32_t TESSEL_CALL TesselCellBytes(TesselRunObject* object, int32_t index, char* buffer, int32_t size) {
  auto* state = object != nullptr ? static_cast<tessel::RunState*>(object->store) : nullptr;
  if (state == nullptr) return -1;
  const tessel::Cell* cell = state->store().cellAt(index);
  if (cell == nullptr) return -1;
  const int32_t length = cell->type() == tessel::CellType::string ? cell->length() - 1 : cell->length();
  if (buffer != nullptr && size > 0 && cell->bytes() != nullptr && length > 0)
    std::memcpy(buffer, cell->bytes(), length < size ? length : size);
  return length;
}

}  // extern "C"
