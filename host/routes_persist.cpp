// Routes of the actions that save and load files.
#include "host/operations.h"

namespace tessel::actions {}  // namespace tessel::actions
