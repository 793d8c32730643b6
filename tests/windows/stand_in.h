// The test-only face of the host library stand-in: what a test sets up before
// calling into tessel.dll and what it reads back afterwards.
#pragma once

#include <windows.h>

#include <cstdint>

#if defined(TESSEL_STAND_IN)
#define TESSEL_STAND_IN_API __declspec(dllexport)
#else
#define TESSEL_STAND_IN_API __declspec(dllimport)
#endif

extern "C" {
// Runs once the setup dialog is shown, with the dialog's window; it works the
// controls and presses a button that ends the dialog.
typedef void(__cdecl* StandInDriver)(HWND dialog, void* data);

// Sets the driver for the next dialog, clears the call log and sets the
// image handle the image service hands out (0: it fails).
TESSEL_STAND_IN_API void __cdecl standInReset(StandInDriver driver, void* data, uint16_t imageHandle);
// One line per service call since the last reset.
TESSEL_STAND_IN_API const char* __cdecl standInLog();
}
