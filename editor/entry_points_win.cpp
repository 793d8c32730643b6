// The exported editor entry points: the host's editor reaches the module's
// menus, strings, pictures and setup dialog through these alone.
#include <windows.h>

#include <array>
#include <cstring>
#include <string>

#include "editor/hgfs232.h"
#include "editor/module_win.h"
#include "editor/picture.h"
#include "editor/resource.h"
#include "editor/setup.h"
#include "editor/tables.h"
#include "editor/text.h"
#include "host/records.h"
#include "host/tessel.h"

namespace tessel::editor {
namespace {

// Owns a loaded menu for the length of one call.
class LoadedMenu {
 public:
  explicit LoadedMenu(int id) : menu_(LoadMenuA(moduleHandle(), MAKEINTRESOURCEA(id))) {}
  ~LoadedMenu() {
    if (menu_ != nullptr) DestroyMenu(menu_);
  }
  LoadedMenu(const LoadedMenu&) = delete;
  LoadedMenu& operator=(const LoadedMenu&) = delete;
  HMENU get() const { return menu_; }

 private:
  HMENU menu_;
};

// A resource's bytes, located, loaded and locked; empty when any step fails.
std::string_view resourceBytes(int id, LPCSTR type) {
  HRSRC found = FindResourceA(moduleHandle(), MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(moduleHandle(), found);
  const void* locked = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (locked == nullptr) return {};
  return {static_cast<const char*>(locked), SizeofResource(moduleHandle(), found)};
}

void copyItems(HMENU from, HMENU to) {
  const int count = GetMenuItemCount(from);
  for (int i = 0; i < count; ++i) {
    std::array<char, 80> text{};
    GetMenuStringA(from, static_cast<UINT>(i), text.data(), static_cast<int>(text.size()), MF_BYPOSITION);
    if (HMENU sub = GetSubMenu(from, i); sub != nullptr) {
      HMENU copy = CreatePopupMenu();
      copyItems(sub, copy);
      AppendMenuA(to, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(copy), text.data());
      continue;
    }
    const UINT id = GetMenuItemID(from, i);
    if (id == 0) {
      AppendMenuA(to, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const UINT state = GetMenuState(from, static_cast<UINT>(i), MF_BYPOSITION) &
                       (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_MENUBARBREAK | MF_MENUBREAK);
    AppendMenuA(to, MF_STRING | state, id, text.data());
  }
}

// A new popup holding the items of the menu resource's first popup, or none.
HMENU copyMenu(int id) {
  const LoadedMenu loaded(id);
  if (loaded.get() == nullptr) return nullptr;
  HMENU first = GetSubMenu(loaded.get(), 0);
  if (first == nullptr) return nullptr;
  HMENU copy = CreatePopupMenu();
  if (copy != nullptr) copyItems(first, copy);
  return copy;
}

// A parameter's title: its string when the infos entry names one, else the
// label of the item with the given id anywhere in the menu resource. A number
// past the table (index -1) has no title.
void title(int index, const TesselInfos& infos, int parameter, int menu, int firstItem, char* buffer, int size) {
  if (buffer == nullptr || size < 1) return;
  buffer[0] = '\0';
  if (index < 0) return;
  const int16_t stringId = infos.titles[parameter == 1 ? 1 : 0];
  if (stringId != 0) {
    LoadStringA(moduleHandle(), static_cast<UINT>(stringId), buffer, size);
    return;
  }
  // Read into our own buffer: the system may fill a short one without a terminator.
  std::array<char, 256> label{};
  const LoadedMenu loaded(menu);
  if (loaded.get() != nullptr) {
    GetMenuStringA(loaded.get(), static_cast<UINT>(firstItem + index), label.data(), static_cast<int>(label.size()) - 1,
                   MF_BYCOMMAND);
  }
  copyText(buffer, size, label.data());
}

// String first + index into the buffer; a number past the table has none.
int loadString(int index, int first, char* buffer, int size) {
  if (buffer == nullptr || size < 1) return 0;
  buffer[0] = '\0';
  if (index < 0) return 0;
  return LoadStringA(moduleHandle(), static_cast<UINT>(first + index), buffer, size);
}

// The host library's image descriptor; it reads its fields, we clear them.
struct ImageDescriptor {
  std::array<uint16_t, 16> fields{};
};

}  // namespace
}  // namespace tessel::editor

using namespace tessel::editor;

extern "C" {

int TESSEL_CALL CreateObject(TesselEditorContext* context, intptr_t, TesselSetup* setup) {
  if (setup == nullptr) return -1;
  writeNewObject(*setup);
  return runSetupDialog(context, setup);
}

int TESSEL_CALL ModifyObject(TesselEditorContext*, TesselSetup* setup, intptr_t, intptr_t, int mode,
                             const int16_t* size) {
  if (setup != nullptr) resizeFrame(*setup, mode, size);
  return 0;
}

int TESSEL_CALL SelectPopup(TesselEditorContext* context, int item, intptr_t, intptr_t, TesselSetup* setup, intptr_t,
                            intptr_t) {
  if (item != TESSEL_POPUP_SETUP || setup == nullptr) return 0;
  return runSetupDialog(context, setup) == 0 ? 4 : 0;
}

void TESSEL_CALL AppendPopup(TesselEditorContext*, void* menu, intptr_t, intptr_t, intptr_t) {
  if (menu == nullptr) return;
  // The host's second item and its item 2006 offer nothing for this object.
  // compat: the item 2004 stays; asking to remove position 2004 removed nothing.
  RemoveMenu(static_cast<HMENU>(menu), 1, MF_BYPOSITION);
  RemoveMenu(static_cast<HMENU>(menu), 2006, MF_BYCOMMAND);
}

uint32_t TESSEL_CALL GetInfos(int query) { return infosQuery(query); }

void* TESSEL_CALL GetActionMenu(TesselEditorContext*) { return copyMenu(TESSEL_MENU_ACTIONS); }
void* TESSEL_CALL GetConditionMenu(TesselEditorContext*) { return copyMenu(TESSEL_MENU_CONDITIONS); }
void* TESSEL_CALL GetExpressionMenu(TesselEditorContext*) { return copyMenu(TESSEL_MENU_EXPRESSIONS); }

short TESSEL_CALL GetActionCodeFromMenu(TesselEditorContext*, int id) { return actionCodeFromMenu(id); }
short TESSEL_CALL GetConditionCodeFromMenu(TesselEditorContext*, int) { return -1; }
short TESSEL_CALL GetExpressionCodeFromMenu(TesselEditorContext*, int id) { return expressionCodeFromMenu(id); }

const TesselInfos* TESSEL_CALL GetActionInfos(TesselEditorContext*, int number) { return &actionInfos(number); }
const TesselInfos* TESSEL_CALL GetConditionInfos(TesselEditorContext*, int) { return &kNoInfos; }
const TesselInfos* TESSEL_CALL GetExpressionInfos(TesselEditorContext*, int number) { return &expressionInfos(number); }

void TESSEL_CALL GetActionTitle(TesselEditorContext*, int number, int parameter, char* buffer, int size) {
  title(actionIndex(number), actionInfos(number), parameter, TESSEL_MENU_ACTIONS, TESSEL_ACTION_IDS, buffer, size);
}
void TESSEL_CALL GetConditionTitle(TesselEditorContext*, int, int parameter, char* buffer, int size) {
  // No condition exists, so none has a title.
  title(-1, kNoInfos, parameter, TESSEL_MENU_CONDITIONS, TESSEL_CONDITION_IDS, buffer, size);
}
void TESSEL_CALL GetExpressionTitle(TesselEditorContext*, int number, char* buffer, int size) {
  title(expressionIndex(number), expressionInfos(number), 0, TESSEL_MENU_EXPRESSIONS, TESSEL_EXPRESSION_IDS, buffer,
        size);
}

int TESSEL_CALL GetActionString(TesselEditorContext*, int number, char* buffer, int size) {
  return loadString(actionIndex(number), TESSEL_ACTION_STRINGS, buffer, size);
}
int TESSEL_CALL GetConditionString(TesselEditorContext*, int, char* buffer, int size) {
  return loadString(-1, TESSEL_CONDITION_STRINGS, buffer, size);
}
int TESSEL_CALL GetExpressionString(TesselEditorContext*, int number, char* buffer, int size) {
  return loadString(expressionIndex(number), TESSEL_EXPRESSION_STRINGS, buffer, size);
}

void TESSEL_CALL GetDesc(TesselEditorContext*, char* target, intptr_t, const char* value) {
  try {
    std::array<char, 128> format{};
    LoadStringA(moduleHandle(), TESSEL_STRING_DESC, format.data(), static_cast<int>(format.size()));
    copyText(target, static_cast<int32_t>(kDescriptionLimit), formatDescription(format.data(), value));
  } catch (...) {
    // No memory for the text: the host keeps its buffer as it was.
  }
}

int TESSEL_CALL MakeIcon(TesselEditorContext*, void* destination) {
  const std::string_view stored = resourceBytes(TESSEL_BITMAP_ICON, MAKEINTRESOURCEA(2));
  const std::size_t size = storedBitmapSize(stored);
  if (size == 0 || destination == nullptr) return -1;
  std::memcpy(destination, stored.data(), size);
  return 0;
}

void TESSEL_CALL EditorDisplay(TesselEditorContext* context, intptr_t, intptr_t, intptr_t, const TesselRect* rect) {
  if (context == nullptr || rect == nullptr) return;
  const std::string_view stored = resourceBytes(TESSEL_BITMAP_EDITOR, MAKEINTRESOURCEA(2));
  if (storedBitmapSize(stored) == 0) return;
  if (storedBitCount(stored) > 4) hostPalette(stored.data(), context->application, 0);
  ImageDescriptor descriptor;
  const uint16_t image = hostImage(context->application, &descriptor, stored.data());
  if (image == 0) return;
  hostDrawImage(context->drawTarget, image, static_cast<int16_t>(rect->left), static_cast<int16_t>(rect->top), 2);
  hostReleaseImage(context->application, image);
}

TesselRect* TESSEL_CALL GetObjectRect(TesselEditorContext*, TesselRect* rect, intptr_t, const TesselSetup* setup) {
  if (rect != nullptr && setup != nullptr) objectRect(*rect, *setup);
  return rect;
}

void* TESSEL_CALL GetObjectCursor(TesselEditorContext*) {
  return LoadCursorA(moduleHandle(), MAKEINTRESOURCEA(TESSEL_CURSOR));
}

int TESSEL_CALL IsTransparent(TesselEditorContext*) { return 0; }
int TESSEL_CALL UpdateEditStructure(TesselEditorContext*) { return 0; }
int TESSEL_CALL LoadObject(TesselEditorContext*) { return 0; }
int TESSEL_CALL RebuildExt(TesselEditorContext*) { return 0; }
void TESSEL_CALL PutObject(TesselEditorContext*) {}
void TESSEL_CALL DefaultOI(TesselEditorContext*) {}
void TESSEL_CALL UnloadObject(TesselEditorContext*) {}

}  // extern "C"
