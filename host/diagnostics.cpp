// Entry points for diagnostics: a game host never calls them; the console
// and the tests use them to see what the routines cannot tell a host.
#include <cstring>
#include <string>

#include "core/cell.h"
#include "core/status.h"
#include "host/export.h"
#include "host/run_state.h"
#include "host/tessel.h"

static_assert(TESSEL_CELL_EMPTY == static_cast<int>(tessel::CellType::empty) &&
                  TESSEL_CELL_VALUE == static_cast<int>(tessel::CellType::value) &&
                  TESSEL_CELL_STRING == static_cast<int>(tessel::CellType::string) &&
                  TESSEL_CELL_DATA == static_cast<int>(tessel::CellType::data),
              "the reported cell types are the store's");

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

}  // extern "C"
