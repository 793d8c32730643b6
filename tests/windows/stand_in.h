// What a test sets up in the host library stand-in and reads back from it.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
// Runs once the setup dialog shows; it works the controls and ends the dialog.
typedef void(__cdecl* StandInDriver)(HWND dialog, void* data);
// The next dialog's driver; clears the log; the image handle handed out (0: it fails).
void __cdecl standInReset(StandInDriver driver, void* data, uint16_t imageHandle);
// One line per service call since the last reset.
const char* __cdecl standInLog();
}
