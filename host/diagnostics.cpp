// Entry points for diagnostics: a game host never calls them; the console
// and the tests use them to see what the routines cannot tell a host.
#include <cstring>
#include <string>

#include "core/status.h"
#include "host/export.h"
#include "host/run_state.h"
#include "host/tessel.h"

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

}  // extern "C"
