// A stand-in for the host's runtime library, for the tests only: its modal
// dialog service runs the dialog with the system's dialog manager and hands
// the shown dialog to the test's driver; its image services log their calls.
#include "tests/windows/stand_in.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

struct State {
  StandInDriver driver = nullptr;
  void* data = nullptr;
  uint16_t imageHandle = 0;
  std::string log;
  HWND dialog = nullptr;
};

State g_state;

__attribute__((format(printf, 1, 2))) void logLine(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  g_state.log += line;
  g_state.log += '\n';
}

// A dialog the driver leaves open is ended with -99, so a faulty test fails
// instead of hanging.
void CALLBACK giveUp(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (g_state.dialog != nullptr && IsWindow(g_state.dialog)) EndDialog(g_state.dialog, -99);
}

void CALLBACK drive(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindWindowA("#32770", nullptr);
  if (dialog == nullptr || !IsWindowVisible(dialog)) return;  // not shown yet: try again on the next tick
  KillTimer(nullptr, timer);
  g_state.dialog = dialog;
  SetTimer(nullptr, 0, 5000, giveUp);
  if (g_state.driver != nullptr) g_state.driver(dialog, g_state.data);
}

}  // namespace

extern "C" {

void __cdecl standInReset(StandInDriver driver, void* data, uint16_t imageHandle) {
  g_state = State{driver, data, imageHandle, {}, nullptr};
}

const char* __cdecl standInLog() { return g_state.log.c_str(); }

int __stdcall standInDialog(HINSTANCE module, int id, HWND parent, DLGPROC procedure, intptr_t a, intptr_t b,
                            intptr_t c, LPARAM parameter) {
  logLine("dialog %d parent %p %d %d %d", id, static_cast<void*>(parent), static_cast<int>(a), static_cast<int>(b),
          static_cast<int>(c));
  SetTimer(nullptr, 0, 20, drive);
  return static_cast<int>(DialogBoxParamA(module, MAKEINTRESOURCEA(id), parent, procedure, parameter));
}

uint16_t __stdcall standInImage(void* application, const uint16_t* descriptor, const void* bitmap) {
  // The descriptor's last four 16-bit fields, as the caller cleared them.
  logLine("image %p %p tail %u %u %u %u", application, bitmap, descriptor[12], descriptor[13], descriptor[14],
          descriptor[15]);
  return g_state.imageHandle;
}

int __stdcall standInPalette(const void* bitmap, void* application, intptr_t zero) {
  logLine("palette %p %p %d", bitmap, application, static_cast<int>(zero));
  return 0;
}

int __stdcall standInRelease(void* application, uint16_t image) {
  logLine("release %p %u", application, image);
  return 0;
}

int __stdcall standInDraw(void* target, uint16_t image, int16_t x, int16_t y, int mode) {
  logLine("draw %p %u at %d %d mode %d", target, image, x, y, mode);
  return 0;
}

}  // extern "C"
