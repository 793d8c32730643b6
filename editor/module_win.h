// The module's own handle, recorded when the module is attached; every
// resource is loaded from it.
#pragma once

#include <windows.h>

#include "host/tessel.h"

namespace tessel::editor {

HINSTANCE moduleHandle();

// Runs the setup dialog on a setup record: the dialog service's result, 0
// after OK and -1 after Cancel.
int runSetupDialog(TesselEditorContext* context, TesselSetup* setup);

}  // namespace tessel::editor
