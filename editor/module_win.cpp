#include "editor/module_win.h"

namespace {

// The one piece of state besides constant tables: which module we are.
HINSTANCE g_module = nullptr;

}  // namespace

namespace tessel::editor {

HINSTANCE moduleHandle() { return g_module; }

}  // namespace tessel::editor

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = module;
  return TRUE;
}
