// The host runtime library's services, imported by ordinal (see hgfs232.def).
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
// Runs a dialog resource modally with the given procedure and creation parameter; the
// dialog's end code. The three constants between are the library's own (0, 0, 3).
int __stdcall hostDialog(HINSTANCE module, int id, HWND parent, DLGPROC procedure, intptr_t, intptr_t, intptr_t,
                         LPARAM parameter);
// Turns a locked bitmap into an image of the application; 0 on failure.
uint16_t __stdcall hostImage(void* application, void* descriptor, const void* bitmap);
// Prepares a bitmap of more than 4 bits per pixel for the application.
int __stdcall hostPalette(const void* bitmap, void* application, intptr_t);
// Releases an image.
int __stdcall hostReleaseImage(void* application, uint16_t image);
// Draws an image at a position with a mode.
int __stdcall hostDrawImage(void* target, uint16_t image, int16_t x, int16_t y, int mode);
}
