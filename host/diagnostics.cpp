// Entry points for diagnostics: a game host never calls them; the console
// and the tests use them to see what the routines cannot tell a host.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "core/cell.h"
#include "core/status.h"
#include "host/catalogue.h"
#include "host/export.h"
#include "host/routines.h"
#include "host/run_state.h"
#include "host/tessel.h"
#include "host/tessel_tools.h"
#include "persist/csv_file.h"
#include "persist/loading.h"
#include "persist/save_report.h"
#include "persist/save_size.h"
#include "recordset/labels.h"

static_assert(TESSEL_CELL_EMPTY == static_cast<int>(tessel::CellType::empty) &&
                  TESSEL_CELL_VALUE == static_cast<int>(tessel::CellType::value) &&
                  TESSEL_CELL_STRING == static_cast<int>(tessel::CellType::string) &&
                  TESSEL_CELL_DATA == static_cast<int>(tessel::CellType::data),
              "the reported cell types are the store's");
static_assert(sizeof(TesselSaveReport) == 13 * sizeof(int32_t), "the save report is thirteen 32-bit counts");

// What host/tessel_tools.h tells tools is what the module does.
static_assert(TESSEL_OUTCOME_CANNOT_OPEN == static_cast<int>(tessel::StatusCode::cannotOpen) &&
                  TESSEL_OUTCOME_READ_FAILED == static_cast<int>(tessel::StatusCode::readFailed) &&
                  TESSEL_OUTCOME_WRITE_FAILED == static_cast<int>(tessel::StatusCode::writeFailed) &&
                  TESSEL_OUTCOME_FLUSH_FAILED == static_cast<int>(tessel::StatusCode::flushFailed) &&
                  TESSEL_OUTCOME_CLOSE_FAILED == static_cast<int>(tessel::StatusCode::closeFailed) &&
                  TESSEL_OUTCOME_RENAME_FAILED == static_cast<int>(tessel::StatusCode::renameFailed) &&
                  TESSEL_OUTCOME_BAD_FORMAT == static_cast<int>(tessel::StatusCode::badFormat) &&
                  TESSEL_OUTCOME_TOO_LARGE == static_cast<int>(tessel::StatusCode::tooLarge) &&
                  TESSEL_OUTCOME_OUT_OF_MEMORY == static_cast<int>(tessel::StatusCode::outOfMemory) &&
                  TESSEL_OUTCOME_NO_ELEMENT == static_cast<int>(tessel::StatusCode::noElement) &&
                  TESSEL_OUTCOME_DAMAGED == static_cast<int>(tessel::StatusCode::damaged),
              "the outcome codes are the status codes");
static_assert(TESSEL_CELL_BYTES == tessel::Cell::kSize, "the cell size is the store's");
static_assert(int64_t{TESSEL_LOAD_ALLOWANCE_MIB} << 20 == tessel::persist::kLoadAllowance &&
                  TESSEL_LOAD_BYTES_PER_FILE_BYTE == tessel::persist::kLoadBytesPerFileByte,
              "the load rule is the loads'");
static_assert(int64_t{TESSEL_MAX_SAVE_GIB} << 30 == tessel::persist::kMaxSaveBytes &&
                  int64_t{TESSEL_SAVE_ALLOWANCE_MIB} << 20 == tessel::persist::kSaveAllowance &&
                  TESSEL_SAVE_BYTES_PER_ARRAY_BYTE == tessel::persist::kSaveBytesPerArrayByte,
              "the save bound is the saves'");

namespace {

using tessel::catalogue::actionOf;

// The actions that read the file they name: the ones bytes a tool holds may stand in for.
constexpr int kReadingActions[] = {
    actionOf("loadFromFile"),        actionOf("appendFromFile"), actionOf("loadFromHostArray"),
    actionOf("appendFromHostArray"), actionOf("loadFromCsv"),    actionOf("appendFromCsv"),
    actionOf("loadFromIni"),         actionOf("appendFromIni"),  actionOf("setFileAt"),
    actionOf("insertFileAt"),        actionOf("appendFile"),
};

// The first `size` bytes at most of a cell (a string's without its
// terminator) into buffer; how many it holds, -1 for no cell.
int32_t copyBytes(const tessel::Cell* cell, char* buffer, int32_t size) {
  if (cell == nullptr) return -1;
  const int32_t length = cell->type() == tessel::CellType::string ? cell->length() - 1 : cell->length();
  if (buffer != nullptr && size > 0 && cell->bytes() != nullptr && length > 0)
    std::memcpy(buffer, cell->bytes(), length < size ? length : size);
  return length;
}

}  // namespace

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
  } catch (...) {  // GCOVR_EXCL_START: memory running out inside the loaded module, which no test host arranges
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
    return static_cast<int32_t>(tessel::StatusCode::outOfMemory);
  }  // GCOVR_EXCL_STOP
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
  *report = *state->lastSave();  // the record the writers counted into
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
  return copyBytes(state->store().cellAt(index), buffer, size);
}

TESSEL_EXPORT int32_t TESSEL_CALL TesselKeyBytes(TesselRunObject* object, int32_t index, char* buffer, int32_t size) {
  auto* state = object != nullptr ? static_cast<tessel::RunState*>(object->store) : nullptr;
  if (state == nullptr) return -1;
  const tessel::Cell* cell = state->store().cellAt(index);
  return copyBytes(cell != nullptr ? cell->key() : nullptr, buffer, size);
}

TESSEL_EXPORT int32_t TESSEL_CALL TesselActOnBytes(TesselRunObject* object, int32_t action, const char* name,
                                                   int32_t second, const char* bytes, intptr_t size, int32_t flags) {
  auto* state = object != nullptr ? static_cast<tessel::RunState*>(object->store) : nullptr;
  const bool reads =
      std::find(std::begin(kReadingActions), std::end(kReadingActions), action) != std::end(kReadingActions);
  const bool csv = action == actionOf("loadFromCsv") || action == actionOf("appendFromCsv");
  constexpr int32_t kFlags = TESSEL_READ_SKIP_BOM | TESSEL_READ_LABEL_ROW;
  if (state == nullptr || name == nullptr || size < 0 || (bytes == nullptr && size > 0) || !reads ||
      (flags & ~kFlags) != 0 || (flags != 0 && !csv))
    return -1;
  const tessel::persist::FileHandler::StandIn standIn(
      state->files(), name, bytes != nullptr ? std::string_view(bytes, static_cast<std::size_t>(size)) : "");
  if (flags == 0) {
    // The routine a host calls, so the outcome is the action's own.
    tessel::actionTable()[action](object, reinterpret_cast<intptr_t>(name), second);
    return 0;
  }
  state->clearLastOutcome();
  try {
    const tessel::persist::CsvReadOptions options{(flags & TESSEL_READ_SKIP_BOM) != 0,
                                                  (flags & TESSEL_READ_LABEL_ROW) != 0};
    const auto mode =
        action == actionOf("loadFromCsv") ? tessel::persist::LoadMode::replace : tessel::persist::LoadMode::append;
    state->setLastOutcome(tessel::persist::loadFromCsv(state->store(), state->files(), name, mode, options));
  } catch (...) {  // GCOVR_EXCL_START: memory running out inside the loaded module, which no test host arranges
    // Only memory can run out, and the load has changed nothing.
    state->setLastOutcome(tessel::Status::failure(tessel::StatusCode::outOfMemory));
  }  // GCOVR_EXCL_STOP
  return 0;
}

}  // extern "C"
