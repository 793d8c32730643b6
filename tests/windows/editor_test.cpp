// The shipped tessel.dll as the host's editor sees it, through the real
// Windows API under the system's dialog manager: exports, menus, strings,
// infos, pictures and the setup dialog driven through its controls. The host
// library is the test stand-in (stand_in.cpp), found beside this program.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "editor/resource.h"
#include "host/menus.h"
#include "host/tessel.h"
#include "tests/windows/picture_file.h"
#include "tests/windows/stand_in.h"

// Calls fn with count zero arguments as stdcall does and gives the bytes the
// callee left on the stack: 0 when it removed exactly its arguments.
extern "C" int __cdecl stackLeft(const void* fn, int count);
asm(R"(
  .globl _stackLeft
_stackLeft:
  pushl %ebp
  movl %esp, %ebp
  pushl %esi
  movl 12(%ebp), %ecx
  movl %esp, %esi
1:
  testl %ecx, %ecx
  jz 2f
  pushl $0
  decl %ecx
  jmp 1b
2:
  call *8(%ebp)
  movl %esi, %eax
  subl %esp, %eax
  movl %esi, %esp
  popl %esi
  popl %ebp
  ret
)");

namespace {

// No window manager runs on the virtual display, so under Wine windows draw
// their own frames and captions, as the picture of the dialog needs; set for
// this program only, before its first window.
const bool g_framesDrawn = [] {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return false;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\editor_win_tests.exe\\X11 Driver", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const bool set = RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2) == ERROR_SUCCESS;
  RegCloseKey(key);
  return set;
}();

// The module as built, found from this program's own place, or the one
// TESSEL_TEST_MODULE names (the package tests load the shipped copy).
HMODULE tessel() {
  static HMODULE module = [] {
    if (const char* named = std::getenv("TESSEL_TEST_MODULE")) return LoadLibraryA(named);
    char path[MAX_PATH];
    std::string here(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return LoadLibraryA((here.substr(0, here.find_last_of('\\') + 1) + TESSEL_DLL_RELATIVE).c_str());
  }();
  return module;
}

template <typename F>
F entry(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(tessel(), name)));
}

std::string_view resource(int id, LPCSTR type) {
  HRSRC found = FindResourceA(tessel(), MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return {};
  return {static_cast<const char*>(LockResource(LoadResource(tessel(), found))), SizeofResource(tessel(), found)};
}
TEST(EditorExports, EveryEntryRemovesExactlyItsArgumentsAndSurvivesNulls) {
  ASSERT_NE(tessel(), nullptr);
  const struct {
    int arguments;
    std::vector<const char*> names;
  } entries[] = {
      {1,
       {"GetInfos", "GetActionMenu", "GetConditionMenu", "GetExpressionMenu", "GetObjectCursor", "IsTransparent",
        "UpdateEditStructure", "LoadObject", "RebuildExt", "PutObject", "RemoveObject", "UpdateFileNames", "DefaultOI",
        "UnloadObject", "EndModifyObject", "PrepareToWriteObject"}},
      {2,
       {"GetActionCodeFromMenu", "GetConditionCodeFromMenu", "GetExpressionCodeFromMenu", "GetActionInfos",
        "GetConditionInfos", "GetExpressionInfos", "MakeIcon", "GetRunObjectDataSize"}},
      {3, {"CreateObject"}},
      {4,
       {"GetExpressionTitle", "GetActionString", "GetConditionString", "GetExpressionString", "GetDesc",
        "GetObjectRect"}},
      {5, {"AppendPopup", "GetActionTitle", "GetConditionTitle", "EditorDisplay"}},
      {6, {"ModifyObject"}},
      {7, {"SelectPopup"}},
  };
  standInReset(nullptr, nullptr, 0);
  for (const auto& e : entries) {
    for (const char* name : e.names) {
      const void* fn = reinterpret_cast<const void*>(GetProcAddress(tessel(), name));
      ASSERT_NE(fn, nullptr) << name;
      // Null pointers and zeros everywhere: every entry must survive them.
      EXPECT_EQ(stackLeft(fn, e.arguments), 0) << name;
    }
  }
  EXPECT_STREQ(standInLog(), "") << "no dialog and no drawing without a record or a context";
}

std::string infosText(const TesselInfos* i) {
  if (i == nullptr) return "null";
  return std::to_string(i->code) + " " + std::to_string(i->flags) + " " + std::to_string(i->kinds[0]) + " " +
         std::to_string(i->kinds[1]) + " " + std::to_string(i->titles[0]) + " " + std::to_string(i->titles[1]);
}

// One answer per entry point; every number and id is checked in tests/unit.
TEST(EditorExports, AnswersReachTheHost) {
  using Query = uint32_t(__stdcall*)(int);
  EXPECT_EQ(entry<Query>("GetInfos")(0), 512u);
  EXPECT_EQ(entry<Query>("GetInfos")(2), 256u);
  for (const char* name : {"IsTransparent", "UpdateEditStructure", "LoadObject", "RebuildExt"}) {
    EXPECT_EQ(entry<int(__stdcall*)(void*)>(name)(nullptr), 0) << name;
  }
  using Code = short(__stdcall*)(void*, int);
  EXPECT_EQ(entry<Code>("GetActionCodeFromMenu")(nullptr, 25078), 78);
  EXPECT_EQ(entry<Code>("GetExpressionCodeFromMenu")(nullptr, 27059), 59);
  for (const int id : {25000, 26000, 27000}) EXPECT_EQ(entry<Code>("GetConditionCodeFromMenu")(nullptr, id), -1);
  using Infos = const TesselInfos*(__stdcall*)(void*, int);
  EXPECT_EQ(infosText(entry<Infos>("GetActionInfos")(nullptr, 6)), "6 0 45 22 0 0");
  EXPECT_EQ(infosText(entry<Infos>("GetExpressionInfos")(nullptr, 50)), "50 0 3 1 0 0");
  const TesselInfos* none = entry<Infos>("GetConditionInfos")(nullptr, 0);
  EXPECT_EQ(infosText(none), "0 0 0 0 0 0");
  EXPECT_EQ(entry<Infos>("GetConditionInfos")(nullptr, 7), none);
}

// A copied menu as text: "label{...}" for popups, "-" for separators,
// "id:label" for items with their state flags when set; each ends in ",".
std::string menuText(HMENU menu) {
  std::string out;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[128] = "";
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) return out + "?";
    if (info.fType & MFT_SEPARATOR) {
      out += "-,";  // the system shows separators greyed, whatever the resource says
      continue;
    }
    out += info.hSubMenu != nullptr ? std::string(text) + "{" + menuText(info.hSubMenu) + "}"
                                    : std::to_string(info.wID) + ":" + text;
    if (info.fState != 0) out += "!" + std::to_string(info.fState);
    out += ",";
  }
  return out;
}

// The same text from the menu tree and the catalogue's labels.
template <std::size_t N>
std::string expectedText(const tessel::menus::Node (&nodes)[N]) {
  using tessel::menus::Kind;
  std::string out;
  for (const auto& n : nodes) {
    if (n.kind == Kind::popup) out += std::string(n.label) + "{";
    if (n.kind == Kind::end) out += "},";
    if (n.kind == Kind::separator) out += "-,";
    if (n.kind == Kind::item) out += std::to_string(n.id) + ":" + tessel::menus::labelOf(n.id) + ",";
  }
  return out;
}

TEST(EditorMenus, CopiesFollowTheTreeAndTheCatalogue) {
  using GetMenu = HMENU(__stdcall*)(void*);
  HMENU actions = entry<GetMenu>("GetActionMenu")(nullptr);
  HMENU expressions = entry<GetMenu>("GetExpressionMenu")(nullptr);
  ASSERT_NE(actions, nullptr);
  ASSERT_NE(expressions, nullptr);
  EXPECT_EQ(menuText(actions), expectedText(tessel::menus::kActionMenu));
  EXPECT_EQ(menuText(expressions), expectedText(tessel::menus::kExpressionMenu));
  // Spot checks written out, in case tree and copy were wrong together.
  EXPECT_EQ(menuText(GetSubMenu(expressions, 5)).substr(0, 31), "27051:Get list delimiter,-,2701");
  EXPECT_EQ(menuText(actions).substr(0, 48), "File{Save Array{25000:Save to file,25001:Save as");
  // The conditions' menu holds no popup to copy.
  EXPECT_EQ(entry<GetMenu>("GetConditionMenu")(nullptr), nullptr);
  // Each call hands out a new menu the host owns.
  HMENU again = entry<GetMenu>("GetActionMenu")(nullptr);
  EXPECT_NE(again, actions);
  EXPECT_TRUE(DestroyMenu(again));
  EXPECT_TRUE(DestroyMenu(actions));
  EXPECT_TRUE(DestroyMenu(expressions));
}

// Titles are read from the menu resource, strings from the string table; the
// whole menus are checked above, the numbering in tests/unit.
TEST(EditorStrings, TitlesAreMenuLabelsCutToTheBuffer) {
  using ActionTitle = void(__stdcall*)(void*, int, int, char*, int);
  using ExpressionTitle = void(__stdcall*)(void*, int, char*, int);
  const auto action = entry<ActionTitle>("GetActionTitle");
  const auto expression = entry<ExpressionTitle>("GetExpressionTitle");
  char buffer[32];
  const auto title = [&](int number, int parameter, int size) {
    std::memset(buffer, '#', sizeof buffer);
    action(nullptr, number, parameter, buffer, size);
    return std::string(buffer, sizeof buffer);
  };
  const auto rest = [](std::size_t n) { return std::string(n, '#'); };
  EXPECT_EQ(title(6, 0, sizeof buffer), std::string("Insert string at\0", 17) + rest(15));
  EXPECT_EQ(title(65536 + 6, 0, sizeof buffer), std::string("Insert string at\0", 17) + rest(15)) << "16-bit numbers";
  EXPECT_EQ(title(79, 0, sizeof buffer), std::string(1, '\0') + rest(31)) << "past the table";
  EXPECT_EQ(title(6, 1, 7), std::string("Insert\0", 7) + rest(25)) << "the second parameter's, cut";
  EXPECT_EQ(title(6, 0, 1), std::string(1, '\0') + rest(31));
  EXPECT_EQ(title(6, 0, 0), rest(32));
  expression(nullptr, 51, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "Get list delimiter");
  entry<ActionTitle>("GetConditionTitle")(nullptr, 0, 0, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "") << "no condition has an item";
}

TEST(EditorStrings, DisplayStringsNamesAndTheModulesOwnStrings) {
  using Get = int(__stdcall*)(void*, int, char*, int);
  const auto action = entry<Get>("GetActionString");
  const auto expression = entry<Get>("GetExpressionString");
  const auto condition = entry<Get>("GetConditionString");
  char buffer[64];
  EXPECT_EQ(action(nullptr, 6, buffer, sizeof buffer), 28);
  EXPECT_STREQ(buffer, "11%s: Insert string %s at %s");
  EXPECT_EQ(expression(nullptr, 59, buffer, sizeof buffer), 7);
  EXPECT_STREQ(buffer, "labAvg(");
  EXPECT_EQ(expression(nullptr, INT_MIN, buffer, sizeof buffer), 5) << "the low half: expression 0";
  EXPECT_STREQ(buffer, "size(");
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(action(nullptr, 6, buffer, 7), 6);
  EXPECT_EQ(std::string(buffer, 8), std::string("11%s: \0#", 8));
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(action(nullptr, 6, buffer, 0), 0);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(expression(nullptr, 60, buffer, sizeof buffer), 0) << "past the table";
  EXPECT_STREQ(buffer, "");
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(condition(nullptr, 200, buffer, sizeof buffer), 0) << "not action 0's string";
  EXPECT_STREQ(buffer, "");
  const struct {
    int id;
    const char* text;
  } fixed[] = {{1, "KP2"}, {2, "Tessel"}, {3, "Create a new tessel object"}, {64, " %s : tessel"}};
  for (const auto& f : fixed) {
    EXPECT_EQ(LoadStringA(tessel(), static_cast<UINT>(f.id), buffer, sizeof buffer),
              static_cast<int>(std::strlen(f.text)));
    EXPECT_STREQ(buffer, f.text);
  }
  // The description is the string 64 filled in; its formatting is checked in tests/unit.
  std::memset(buffer, '#', sizeof buffer);
  entry<void(__stdcall*)(void*, char*, intptr_t, const char*)>("GetDesc")(nullptr, buffer, 0, "Tessel");
  EXPECT_STREQ(buffer, " Tessel : tessel");
  EXPECT_EQ(buffer[17], '#');
}

TEST(EditorPictures, ResourcesHaveTheirSizesAndDepth) {
  const struct {
    int id, width, height;
    std::size_t bytes;
  } bitmaps[] = {{300, 44, 38, 40 + 64 + 24 * 38}, {400, 32, 32, 616}, {401, 32, 32, 616}};
  for (const auto& b : bitmaps) {
    const std::string_view r = resource(b.id, MAKEINTRESOURCEA(2));
    ASSERT_EQ(r.size(), b.bytes) << b.id;
    BITMAPINFOHEADER h;
    std::memcpy(&h, r.data(), sizeof h);
    EXPECT_EQ(h.biWidth, b.width);
    EXPECT_EQ(h.biHeight, b.height);
    EXPECT_EQ(h.biBitCount, 4);
    EXPECT_EQ(h.biClrUsed, 16u);
  }
  EXPECT_EQ(resource(TESSEL_DATA, MAKEINTRESOURCEA(10)), std::string_view("\x16\x25\x08\x59", 4));
  HCURSOR cursor = entry<HCURSOR(__stdcall*)(void*)>("GetObjectCursor")(nullptr);
  ASSERT_NE(cursor, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 0u);
  EXPECT_EQ(info.yHotspot, 0u);
  BITMAP mask{};
  GetObjectA(info.hbmMask, sizeof mask, &mask);
  EXPECT_EQ(mask.bmWidth, 32);
  DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);

  std::vector<char> icon(700, '#');
  EXPECT_EQ(entry<int(__stdcall*)(void*, void*)>("MakeIcon")(nullptr, icon.data()), 0);
  EXPECT_EQ(std::string_view(icon.data(), 616), resource(400, MAKEINTRESOURCEA(2)));
  EXPECT_EQ(std::string(icon.begin() + 616, icon.end()), std::string(700 - 616, '#'));
}

TEST(EditorPictures, EditorDisplayGoesThroughTheImageServices) {
  using Display = void(__stdcall*)(TesselEditorContext*, intptr_t, intptr_t, intptr_t, const TesselRect*);
  TesselEditorContext context{};
  context.application = reinterpret_cast<void*>(0xA11);
  context.drawTarget = reinterpret_cast<void*>(0x7A6);
  const void* bitmap = resource(401, MAKEINTRESOURCEA(2)).data();
  char expected[256];
  const TesselRect rect{100, 50, 0, 0};
  standInReset(nullptr, nullptr, 77);
  entry<Display>("EditorDisplay")(&context, 0, 0, 0, &rect);
  std::snprintf(expected, sizeof expected, "image %p %p tail 0 0 0 0\ndraw %p 77 at 100 50 mode 2\nrelease %p 77\n",
                context.application, bitmap, context.drawTarget, context.application);
  EXPECT_STREQ(standInLog(), expected);
  // Positions travel as 16-bit coordinates.
  const TesselRect distant{70000, -3, 0, 0};
  standInReset(nullptr, nullptr, 5);
  entry<Display>("EditorDisplay")(&context, 0, 0, 0, &distant);
  std::snprintf(expected, sizeof expected, "draw %p 5 at 4464 -3 mode 2\n", context.drawTarget);
  EXPECT_NE(std::string(standInLog()).find(expected), std::string::npos) << standInLog();
  // No image: nothing drawn, nothing released.
  standInReset(nullptr, nullptr, 0);
  entry<Display>("EditorDisplay")(&context, 0, 0, 0, &rect);
  std::snprintf(expected, sizeof expected, "image %p %p tail 0 0 0 0\n", context.application, bitmap);
  EXPECT_STREQ(standInLog(), expected);
}

// The rectangle and the resize are reckoned in tests/unit; here they cross the boundary once.
TEST(EditorObject, RectangleResizeAndPopup) {
  TesselSetup setup{};
  setup.frameWidth = 32;
  setup.frameHeight = 32;
  TesselRect rect{100, 50, 0, 0};
  using Rect = TesselRect*(__stdcall*)(void*, TesselRect*, intptr_t, const TesselSetup*);
  EXPECT_EQ(entry<Rect>("GetObjectRect")(nullptr, &rect, 0, &setup), &rect);
  EXPECT_EQ(rect.right, 132);
  EXPECT_EQ(rect.bottom, 82);
  using Modify = int(__stdcall*)(void*, TesselSetup*, intptr_t, intptr_t, int, const int16_t*);
  const int16_t size[] = {0, 0, 64, 48};
  EXPECT_EQ(entry<Modify>("ModifyObject")(nullptr, &setup, 0, 0, 1, size), 0);
  EXPECT_EQ(setup.frameWidth, 32) << "only mode 0 resizes";
  EXPECT_EQ(entry<Modify>("ModifyObject")(nullptr, &setup, 0, 0, 0, size), 0);
  EXPECT_EQ(setup.frameWidth, 64);
  EXPECT_EQ(setup.frameHeight, 48);

  HMENU popup = CreatePopupMenu();
  for (int id = 2000; id <= 2008; ++id) AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(id), "item");
  entry<void(__stdcall*)(void*, HMENU, intptr_t, intptr_t, intptr_t)>("AppendPopup")(nullptr, popup, 0, 0, 0);
  std::string ids;
  for (int i = 0; i < GetMenuItemCount(popup); ++i) ids += std::to_string(GetMenuItemID(popup, i)) + " ";
  EXPECT_EQ(ids, "2000 2002 2003 2004 2005 2007 2008 ");
  DestroyMenu(popup);
}

// ---- The setup dialog, driven through its controls.

struct Seen {
  std::string state;  // what the dialog showed when it opened
  std::function<void(HWND)> act;
};

// The checked buttons' texts, then each box as enabled (+) or not (-) and its text.
std::string controlState(HWND dialog) {
  std::string out;
  char text[64];
  for (const int id : {TESSEL_ID_1D, TESSEL_ID_2D, TESSEL_ID_3D, TESSEL_ID_CASE_INSENSITIVE, TESSEL_ID_CASE_SENSITIVE,
                       TESSEL_ID_LITERAL, TESSEL_ID_WILDCARD, TESSEL_ID_AUTO_ON, TESSEL_ID_AUTO_OFF}) {
    if (IsDlgButtonChecked(dialog, id) != BST_CHECKED) continue;
    GetDlgItemTextA(dialog, id, text, sizeof text);
    out += std::string(text) + ";";
  }
  for (const int id : {TESSEL_ID_X, TESSEL_ID_Y, TESSEL_ID_DELIMITER}) {
    GetDlgItemTextA(dialog, id, text, sizeof text);
    out += std::string(IsWindowEnabled(GetDlgItem(dialog, id)) ? "+" : "-") + "[" + text + "]";
  }
  return out;
}

void click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void type(HWND dialog, int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }
// Key by key into an emptied box, as a user types.
void typeKeys(HWND dialog, int id, const std::string& keys) {
  SetDlgItemTextA(dialog, id, "");
  for (const char c : keys) SendMessageA(GetDlgItem(dialog, id), WM_CHAR, static_cast<WPARAM>(c), 1);
}

void __cdecl driver(HWND dialog, void* data) {
  auto* seen = static_cast<Seen*>(data);
  seen->state = controlState(dialog);
  seen->act(dialog);
}

struct Editor {
  HWND window =
      CreateWindowA("STATIC", "editor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
  TesselEditorContext context{};
  Editor() { context.window = window; }
  ~Editor() { DestroyWindow(window); }
};

int createObject(Editor& e, TesselSetup& setup, Seen& seen) {
  standInReset(driver, &seen, 0);
  using Create = int(__stdcall*)(TesselEditorContext*, intptr_t, TesselSetup*);
  return entry<Create>("CreateObject")(&e.context, 0, &setup);
}

int selectPopup(Editor& e, int item, TesselSetup& setup, Seen& seen) {
  standInReset(driver, &seen, 0);
  using Select = int(__stdcall*)(TesselEditorContext*, int, intptr_t, intptr_t, TesselSetup*, intptr_t, intptr_t);
  return entry<Select>("SelectPopup")(&e.context, item, 0, 0, &setup, 0, 0);
}

std::string fields(const TesselSetup& s) {
  return std::to_string(s.frameWidth) + "x" + std::to_string(s.frameHeight) + " d" + std::to_string(s.dimensionCount) +
         " " + std::to_string(s.xSize) + "," + std::to_string(s.ySize) + " c" + std::to_string(s.caseSensitive) + " w" +
         std::to_string(s.wildcard) + " a" + std::to_string(s.autoSelect) + " [" +
         std::string(s.listDelimiter, strnlen(s.listDelimiter, sizeof s.listDelimiter)) + "]";
}

TesselSetup garbage() {
  TesselSetup s;
  std::memset(&s, 0xCD, sizeof s);
  return s;
}

TEST(EditorDialog, NewObjectShowsItsDefaultsButtonsEnableTheBoxesAndTypedKeysReachTheRecord) {
  Editor e;
  TesselSetup setup = garbage();
  HWND owner = nullptr;
  std::vector<std::string> states;
  Seen seen{{}, [&](HWND d) {
              owner = GetWindow(d, GW_OWNER);
              for (const int id : {TESSEL_ID_3D, TESSEL_ID_1D, TESSEL_ID_2D, TESSEL_ID_3D}) {
                click(d, id);
                states.push_back(controlState(d));
              }
              // The size boxes take digits only.
              typeKeys(d, TESSEL_ID_X, "4x2");
              typeKeys(d, TESSEL_ID_Y, "-7");
              // The delimiter box scrolls: keys past its width still go in.
              typeKeys(d, TESSEL_ID_DELIMITER, "; -" + std::string(30, 'w'));
              click(d, IDOK);
            }};
  EXPECT_EQ(createObject(e, setup, seen), 0);
  EXPECT_EQ(owner, e.window) << "the editor's window owns the dialog";
  char call[128];
  std::snprintf(call, sizeof call, "dialog 20003 parent %p 0 0 3\n", static_cast<void*>(e.window));
  EXPECT_EQ(standInLog(), std::string(call));
  EXPECT_EQ(seen.state, "2D;Case insensitive;Literal;Off;+[10]-[10]+[,]");
  const std::vector<std::string> expected = {
      "3D;Case insensitive;Literal;Off;+[10]+[10]+[,]", "1D;Case insensitive;Literal;Off;-[10]-[10]+[,]",
      "2D;Case insensitive;Literal;Off;+[10]-[10]+[,]", "3D;Case insensitive;Literal;Off;+[10]+[10]+[,]"};
  EXPECT_EQ(states, expected);
  EXPECT_EQ(fields(setup), "32x32 d3 42,7 c0 w0 a0 [; -" + std::string(30, 'w') + "]");
  for (const unsigned char b : setup.hostHeader) EXPECT_EQ(b, 0xCD) << "the host's header is the host's";
}

TEST(EditorDialog, OkWritesEachField) {
  Editor e;
  // The record's dimensions and flags before the dialog opens, the buttons clicked and the boxes' texts.
  const auto ok = [&](int32_t dimensions, int32_t flags, const std::vector<int>& clicks, const char* x, const char* y,
                      const char* delimiter) {
    TesselSetup setup{};
    setup.frameWidth = setup.frameHeight = 32;
    setup.dimensionCount = dimensions;
    setup.xSize = 3;
    setup.ySize = 5;
    setup.caseSensitive = setup.wildcard = setup.autoSelect = flags;
    Seen seen{{}, [&](HWND d) {
                for (const int id : clicks) click(d, id);
                type(d, TESSEL_ID_X, x);
                type(d, TESSEL_ID_Y, y);
                type(d, TESSEL_ID_DELIMITER, delimiter);
                click(d, IDOK);
              }};
    EXPECT_EQ(selectPopup(e, TESSEL_POPUP_SETUP, setup, seen), 4);
    return fields(setup);
  };
  EXPECT_EQ(ok(1, 0, {TESSEL_ID_3D, TESSEL_ID_CASE_SENSITIVE, TESSEL_ID_WILDCARD, TESSEL_ID_AUTO_ON}, "12", "34", ";"),
            "32x32 d3 12,34 c1 w1 a1 [;]");
  EXPECT_EQ(ok(3, 1, {TESSEL_ID_2D}, "", "99", ""), "32x32 d2 0,5 c1 w1 a1 []");
  EXPECT_EQ(
      ok(3, 1, {TESSEL_ID_1D, TESSEL_ID_CASE_INSENSITIVE, TESSEL_ID_LITERAL, TESSEL_ID_AUTO_OFF}, "1", "2", " | "),
      "32x32 d1 3,5 c0 w0 a0 [ | ]");
}

TEST(EditorDialog, LongDelimiterIsCutAndCancelKeepsEveryByte) {
  Editor e;
  TesselSetup setup = garbage();
  Seen seen{{}, [](HWND d) {
              type(d, TESSEL_ID_DELIMITER, std::string(1500, 'd'));
              click(d, IDOK);
            }};
  EXPECT_EQ(createObject(e, setup, seen), 0);
  EXPECT_EQ(fields(setup), "32x32 d2 10,10 c0 w0 a0 [" + std::string(1023, 'd') + "]") << "OK keeps the rest";
  EXPECT_EQ(static_cast<unsigned char>(setup.listDelimiter[1024]), 0) << "the new object cleared the field";

  setup = garbage();
  setup.dimensionCount = 3;
  setup.listDelimiter[5] = '\0';
  const TesselSetup before = setup;
  Seen cancel{{}, [](HWND d) {
                click(d, TESSEL_ID_1D);
                click(d, TESSEL_ID_CASE_INSENSITIVE);
                click(d, TESSEL_ID_WILDCARD);
                type(d, TESSEL_ID_X, "77");
                type(d, TESSEL_ID_DELIMITER, "changed");
                click(d, IDCANCEL);
              }};
  EXPECT_EQ(selectPopup(e, TESSEL_POPUP_SETUP, setup, cancel), 0);
  EXPECT_EQ(cancel.state, "3D;Case sensitive;Wildcard;Off;+[-842150451]+[-842150451]+[\xCD\xCD\xCD\xCD\xCD]");
  EXPECT_EQ(std::memcmp(&setup, &before, sizeof setup), 0);
}

TEST(EditorDialog, OtherPopupItemsShowNothing) {
  Editor e;
  TesselSetup setup = garbage();
  const TesselSetup before = setup;
  Seen seen{{}, [](HWND d) { click(d, IDOK); }};
  for (const int item : {0, 2019, 2021, 2006}) {
    EXPECT_EQ(selectPopup(e, item, setup, seen), 0) << item;
    EXPECT_STREQ(standInLog(), "") << item;
  }
  EXPECT_EQ(std::memcmp(&setup, &before, sizeof setup), 0);
}

// ShellExecuteA as tessel.dll imports it, replaced for one test by a recorder.
std::string* g_shell = nullptr;

HINSTANCE __stdcall recordShell(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show) {
  char line[600];
  std::snprintf(line, sizeof line, "%p %s %s %s %s %d", static_cast<void*>(owner), verb ? verb : "(null)",
                file ? file : "(null)", parameters ? parameters : "(null)", folder ? folder : "(null)", show);
  if (g_shell != nullptr) *g_shell += line;
  return reinterpret_cast<HINSTANCE>(42);
}

// Points each slot of tessel.dll's import address table that holds `from` to
// `to`; gives the count of slots changed.
int redirectImport(const void* from, const void* to) {
  auto* base = reinterpret_cast<unsigned char*>(tessel());
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const auto& table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
  auto* slots = reinterpret_cast<const void**>(base + table.VirtualAddress);
  int changed = 0;
  for (std::size_t i = 0; i < table.Size / sizeof(void*); ++i) {
    if (slots[i] != from) continue;
    DWORD old = 0;
    VirtualProtect(&slots[i], sizeof(void*), PAGE_READWRITE, &old);
    slots[i] = to;
    VirtualProtect(&slots[i], sizeof(void*), old, &old);
    ++changed;
  }
  return changed;
}

TEST(EditorDialog, HelpOpensThePageBesideTheModule) {
  std::string call;
  g_shell = &call;
  const void* shell = reinterpret_cast<const void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), "ShellExecuteA"));
  const void* recorder = reinterpret_cast<const void*>(recordShell);
  ASSERT_EQ(redirectImport(shell, recorder), 1);
  Editor e;
  TesselSetup setup = garbage();
  HWND shown = nullptr;
  Seen seen{{}, [&](HWND d) {
              shown = d;
              click(d, TESSEL_ID_HELP);
              click(d, IDCANCEL);
            }};
  EXPECT_EQ(selectPopup(e, TESSEL_POPUP_SETUP, setup, seen), 0);
  redirectImport(recorder, shell);
  g_shell = nullptr;

  char path[MAX_PATH];
  const std::string module(path, GetModuleFileNameA(tessel(), path, MAX_PATH));
  char expected[600];
  std::snprintf(expected, sizeof expected, "%p open %stessel-help.html (null) (null) 5", static_cast<void*>(shown),
                module.substr(0, module.find_last_of('\\') + 1).c_str());
  EXPECT_EQ(call, expected);
  // The page is shipped there: the button opens a file that exists.
  const std::string page = module.substr(0, module.find_last_of('\\') + 1) + "tessel-help.html";
  EXPECT_NE(GetFileAttributesA(page.c_str()), INVALID_FILE_ATTRIBUTES) << page;
}

// The dialog's caption, then each control in order: id, class, its own style
// bits (BS_, ES_, SS_) in hex, "g" when it starts a group, and its text.
std::string controls(HWND dialog) {
  char text[64];
  char kind[16];
  GetWindowTextA(dialog, text, sizeof text);
  std::string out = text;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    const auto style = static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE));
    GetClassNameA(c, kind, sizeof kind);
    GetWindowTextA(c, text, sizeof text);
    char line[128];
    std::snprintf(line, sizeof line, "|%d %s %lx%s %s", static_cast<int16_t>(GetDlgCtrlID(c)), kind,
                  static_cast<unsigned long>(style & 0xFFFF), style & WS_GROUP ? "g" : "", text);
    out += line;
  }
  return out;
}

// The layout is the picture's to show: its coordinates would only repeat tessel.rc.
TEST(EditorDialog, ControlsInOrderPictureAndCancelAfterTheNewObjectsValues) {
  Editor e;
  TesselSetup setup = garbage();
  std::string written;
  std::string shown;
  Seen seen{{}, [&](HWND d) {
              shown = controls(d);
              click(d, TESSEL_ID_3D);
              type(d, TESSEL_ID_Y, "4");
              // Let the dialog paint before it is photographed.
              for (int i = 0; i < 20; ++i) {
                MSG m;
                while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
                Sleep(10);
              }
              written = tessel::test::photograph(d, "setup-dialog");
              click(d, IDCANCEL);
            }};
  EXPECT_EQ(createObject(e, setup, seen), -1);
  EXPECT_EQ(shown,
            "Setup Tessel|-1 Button 7g Dimensioning|1000 Button 9g 1D|1001 Button 9 2D|1002 Button 9 3D|"
            "-1 Static 0g X:|1003 Edit 2002 10|-1 Static 0g Y:|1004 Edit 2002 10|-1 Static 0g List delimiter:|"
            "1009 Edit 80 ,|-1 Button 7g String Comparisons|1005 Button 9g Case insensitive|"
            "1006 Button 9 Case sensitive|-1 Button 7g Search Mode|1007 Button 9g Literal|1008 Button 9 Wildcard|"
            "-1 Button 7g Select New Rows (Automatically)|1010 Button 9g On|1011 Button 9 Off|1 Button 1g OK|"
            "2 Button 0 Cancel|20100 Button 0 Help");
  EXPECT_EQ(fields(setup), "32x32 d2 10,10 c0 w0 a0 [,]") << "Cancel after the new object's values were written";
  EXPECT_EQ(written, "") << "the picture was taken";
  EXPECT_TRUE(g_framesDrawn || GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr);
}

}  // namespace
