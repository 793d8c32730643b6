// The shipped tessel.dll as the host's editor sees it, through the real
// Windows API under the system's dialog manager: exports, menus, strings,
// infos, pictures and the setup dialog driven through its controls. The host
// library is the test stand-in (stand_in.cpp), found beside this program.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "editor/resource.h"
#include "host/catalogue.h"
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

// The module as built, found from this program's own place.
HMODULE tessel() {
  static HMODULE module = [] {
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

TEST(EditorExports, EveryEntryRemovesExactlyItsArguments) {
  ASSERT_NE(tessel(), nullptr);
  const struct {
    const char* name;
    int arguments;
  } entries[] = {
      {"CreateObject", 3},
      {"ModifyObject", 6},
      {"SelectPopup", 7},
      {"AppendPopup", 5},
      {"GetInfos", 1},
      {"GetActionMenu", 1},
      {"GetConditionMenu", 1},
      {"GetExpressionMenu", 1},
      {"GetActionCodeFromMenu", 2},
      {"GetConditionCodeFromMenu", 2},
      {"GetExpressionCodeFromMenu", 2},
      {"GetActionInfos", 2},
      {"GetConditionInfos", 2},
      {"GetExpressionInfos", 2},
      {"GetActionTitle", 5},
      {"GetConditionTitle", 5},
      {"GetExpressionTitle", 4},
      {"GetActionString", 4},
      {"GetConditionString", 4},
      {"GetExpressionString", 4},
      {"GetDesc", 4},
      {"MakeIcon", 2},
      {"EditorDisplay", 5},
      {"GetObjectRect", 4},
      {"GetObjectCursor", 1},
      {"IsTransparent", 1},
      {"UpdateEditStructure", 1},
      {"LoadObject", 1},
      {"RebuildExt", 1},
      {"PutObject", 1},
      {"RemoveObject", 1},
      {"UpdateFileNames", 1},
      {"DefaultOI", 1},
      {"UnloadObject", 1},
      {"EndModifyObject", 1},
      {"PrepareToWriteObject", 1},
      {"GetRunObjectDataSize", 2},
  };
  standInReset(nullptr, nullptr, 0);
  for (const auto& e : entries) {
    const void* fn = reinterpret_cast<const void*>(GetProcAddress(tessel(), e.name));
    ASSERT_NE(fn, nullptr) << e.name;
    // Null pointers and zeros everywhere: every entry must survive them.
    EXPECT_EQ(stackLeft(fn, e.arguments), 0) << e.name;
  }
  EXPECT_STREQ(standInLog(), "") << "no dialog and no drawing without a record or a context";
  const auto same = [](const char* a, const char* b) {
    return GetProcAddress(tessel(), a) == GetProcAddress(tessel(), b);
  };
  EXPECT_TRUE(same("RemoveObject", "PutObject"));
  EXPECT_TRUE(same("UpdateFileNames", "PutObject"));
  EXPECT_TRUE(same("EndModifyObject", "UnloadObject"));
  EXPECT_TRUE(same("PrepareToWriteObject", "UnloadObject"));
  EXPECT_FALSE(same("PutObject", "UnloadObject"));
}

TEST(EditorExports, ConstantAnswersAndStubs) {
  using Query = uint32_t(__stdcall*)(int);
  using Stub = int(__stdcall*)(void*);
  const auto infos = entry<Query>("GetInfos");
  EXPECT_EQ(infos(0), 512u);
  EXPECT_EQ(infos(1), 0u);
  EXPECT_EQ(infos(2), 256u);
  EXPECT_EQ(infos(3), 0u);
  for (const char* name : {"IsTransparent", "UpdateEditStructure", "LoadObject", "RebuildExt"}) {
    EXPECT_EQ(entry<Stub>(name)(nullptr), 0) << name;
  }
  EXPECT_EQ(entry<void*(__stdcall*)(void*)>("GetConditionMenu")(nullptr), nullptr);
  using Code = short(__stdcall*)(void*, int);
  for (const int id : {0, 26000, 25000, 27000}) EXPECT_EQ(entry<Code>("GetConditionCodeFromMenu")(nullptr, id), -1);
}

TEST(EditorExports, CodesFromMenuIdsAtAndAroundBothEnds) {
  using Code = short(__stdcall*)(void*, int);
  const auto action = entry<Code>("GetActionCodeFromMenu");
  const auto expression = entry<Code>("GetExpressionCodeFromMenu");
  const struct {
    int id, action, expression;
  } cases[] = {{24999, -1, -1}, {25000, 0, -1},  {25001, 1, -1},         {25077, 77, -1},
               {25078, 78, -1}, {25079, -1, -1}, {26999, -1, -1},        {27000, -1, 0},
               {27059, -1, 59}, {27060, -1, -1}, {25000 + 65536, 0, -1}, {-1, -1, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(action(nullptr, c.id), c.action) << c.id;
    EXPECT_EQ(expression(nullptr, c.id), c.expression) << c.id;
  }
}

// A copied menu as text: "label{...}" for popups, "-" for separators,
// "id:label" for items with their state flags when set.
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
    if (!out.empty()) out += ",";
    if (info.fType & MFT_SEPARATOR) {
      out += "-";
      continue;  // the system shows separators greyed, whatever the resource says
    } else if (info.hSubMenu != nullptr) {
      out += std::string(text) + "{" + menuText(info.hSubMenu) + "}";
    } else {
      out += std::to_string(info.wID) + ":" + text;
    }
    if (info.fState != 0) out += "!" + std::to_string(info.fState);
  }
  return out;
}

// The same text from the menu tree and the catalogue's labels.
template <std::size_t N>
std::string expectedText(const tessel::menus::Node (&nodes)[N]) {
  std::string out;
  std::vector<bool> first{true};
  for (const auto& n : nodes) {
    using tessel::menus::Kind;
    if (n.kind == Kind::end) {
      out += "}";
      first.pop_back();
      continue;
    }
    if (!first.back()) out += ",";
    first.back() = false;
    if (n.kind == Kind::separator) out += "-";
    if (n.kind == Kind::item) out += std::to_string(n.id) + ":" + tessel::menus::labelOf(n.id);
    if (n.kind == Kind::popup) {
      out += std::string(n.label) + "{";
      first.push_back(true);
    }
  }
  return out;
}

void countIds(HMENU menu, std::vector<int>& seen, int first) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    if (HMENU sub = GetSubMenu(menu, i)) {
      countIds(sub, seen, first);
      continue;
    }
    const int id = static_cast<int>(GetMenuItemID(menu, i)) - first;
    if (id >= 0 && id < static_cast<int>(seen.size())) seen[static_cast<std::size_t>(id)]++;
  }
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
  std::vector<int> actionSeen(tessel::catalogue::kActionCount + 1);
  std::vector<int> expressionSeen(tessel::catalogue::kExpressionCount + 1);
  countIds(actions, actionSeen, 25000);
  countIds(expressions, expressionSeen, 27000);
  countIds(actions, expressionSeen, 27000);
  countIds(expressions, actionSeen, 25000);
  for (std::size_t i = 0; i < actionSeen.size(); ++i) EXPECT_EQ(actionSeen[i], i < 79 ? 1 : 0) << 25000 + i;
  for (std::size_t i = 0; i < expressionSeen.size(); ++i) EXPECT_EQ(expressionSeen[i], i < 60 ? 1 : 0) << 27000 + i;
  // Each call hands out a new menu the host owns.
  HMENU again = entry<GetMenu>("GetActionMenu")(nullptr);
  EXPECT_NE(again, actions);
  EXPECT_TRUE(DestroyMenu(again));
  EXPECT_TRUE(DestroyMenu(actions));
  EXPECT_TRUE(DestroyMenu(expressions));
}

TEST(EditorMenus, TheResourcesThemselves) {
  HMENU conditions = LoadMenuA(tessel(), MAKEINTRESOURCEA(TESSEL_MENU_CONDITIONS));
  ASSERT_NE(conditions, nullptr);
  EXPECT_EQ(menuText(conditions), "-");
  DestroyMenu(conditions);
  for (const int id : {TESSEL_MENU_ACTIONS, TESSEL_MENU_EXPRESSIONS}) {
    HMENU menu = LoadMenuA(tessel(), MAKEINTRESOURCEA(id));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 1) << "one unnamed popup";
    char text[8] = "x";
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "");
    DestroyMenu(menu);
  }
}

std::string infosText(const TesselInfos* i) {
  if (i == nullptr) return "null";
  return std::to_string(i->code) + " " + std::to_string(i->flags) + " " + std::to_string(i->kinds[0]) + " " +
         std::to_string(i->kinds[1]) + " " + std::to_string(i->titles[0]) + " " + std::to_string(i->titles[1]);
}

std::string kindsOf(const tessel::catalogue::Parameter (&p)[2], int text, int integer) {
  const auto kind = [&](tessel::catalogue::Param k) {
    return k == tessel::catalogue::Param::text ? text : k == tessel::catalogue::Param::integer ? integer : 0;
  };
  return std::to_string(kind(p[0].kind)) + " " + std::to_string(kind(p[1].kind));
}

TEST(EditorInfos, EveryEntryAgainstTheCatalogue) {
  using Infos = const TesselInfos*(__stdcall*)(void*, int);
  const auto action = entry<Infos>("GetActionInfos");
  const auto expression = entry<Infos>("GetExpressionInfos");
  const auto condition = entry<Infos>("GetConditionInfos");
  for (const auto& a : tessel::catalogue::kActions) {
    EXPECT_EQ(infosText(action(nullptr, a.number)),
              std::to_string(a.number) + " 0 " + kindsOf(a.params, 45, 22) + " 0 0");
  }
  for (const auto& e : tessel::catalogue::kExpressions) {
    EXPECT_EQ(infosText(expression(nullptr, e.number)),
              std::to_string(e.number) + " 0 " + kindsOf(e.params, 3, 1) + " 0 0");
  }
  EXPECT_EQ(infosText(expression(nullptr, 50)), "50 0 3 1 0 0");
  EXPECT_EQ(infosText(action(nullptr, 17)), "17 0 0 0 0 0");
  EXPECT_EQ(infosText(action(nullptr, 6)), "6 0 45 22 0 0");
  EXPECT_EQ(infosText(action(nullptr, 79)), "0 0 0 0 0 0");
  EXPECT_EQ(infosText(expression(nullptr, -1)), "0 0 0 0 0 0");
  EXPECT_EQ(infosText(condition(nullptr, 0)), "0 0 0 0 0 0");
  EXPECT_EQ(condition(nullptr, 7), condition(nullptr, 0));
}

TEST(EditorStrings, TitlesAreMenuLabels) {
  using ActionTitle = void(__stdcall*)(void*, int, int, char*, int);
  using ExpressionTitle = void(__stdcall*)(void*, int, char*, int);
  const auto action = entry<ActionTitle>("GetActionTitle");
  const auto expression = entry<ExpressionTitle>("GetExpressionTitle");
  const auto condition = entry<ActionTitle>("GetConditionTitle");
  char buffer[256];
  for (const auto& a : tessel::catalogue::kActions) {
    for (const int parameter : {0, 1}) {
      std::memset(buffer, '#', sizeof buffer);
      action(nullptr, a.number, parameter, buffer, sizeof buffer);
      EXPECT_STREQ(buffer, a.label) << a.number << " " << parameter;
    }
  }
  for (const auto& e : tessel::catalogue::kExpressions) {
    std::memset(buffer, '#', sizeof buffer);
    expression(nullptr, e.number, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, e.label) << e.number;
  }
  // Short buffers are cut and terminated; nothing lies past them.
  std::memset(buffer, '#', sizeof buffer);
  action(nullptr, 6, 1, buffer, 7);
  EXPECT_EQ(std::string(buffer, 8), std::string("Insert\0#", 8));
  std::memset(buffer, '#', sizeof buffer);
  action(nullptr, 6, 0, buffer, 0);
  expression(nullptr, 0, buffer, 0);
  EXPECT_EQ(buffer[0], '#');
  action(nullptr, 6, 0, buffer, 1);
  EXPECT_EQ(std::string(buffer, 2), std::string("\0#", 2));
  std::memset(buffer, '#', sizeof buffer);
  condition(nullptr, 0, 0, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "") << "no condition has an item";
  // Numbers are the host's 16-bit ones: past the table there is no title.
  for (const int stray : {79, -1, INT_MAX, 32767}) {
    std::memset(buffer, '#', sizeof buffer);
    action(nullptr, stray, 0, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "") << stray;
  }
  action(nullptr, 65536 + 6, 0, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "Insert string at");
}

TEST(EditorStrings, DisplayStringsAndNamesAgainstTheCatalogue) {
  using Get = int(__stdcall*)(void*, int, char*, int);
  const auto action = entry<Get>("GetActionString");
  const auto expression = entry<Get>("GetExpressionString");
  const auto condition = entry<Get>("GetConditionString");
  char buffer[256];
  for (const auto& a : tessel::catalogue::kActions) {
    EXPECT_EQ(action(nullptr, a.number, buffer, sizeof buffer), static_cast<int>(std::strlen(a.display)));
    EXPECT_STREQ(buffer, a.display);
  }
  for (const auto& e : tessel::catalogue::kExpressions) {
    EXPECT_EQ(expression(nullptr, e.number, buffer, sizeof buffer), static_cast<int>(std::strlen(e.name)));
    EXPECT_STREQ(buffer, e.name);
  }
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(action(nullptr, 6, buffer, 7), 6);
  EXPECT_EQ(std::string(buffer, 8), std::string("11%s: \0#", 8));
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(action(nullptr, 6, buffer, 0), 0);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(condition(nullptr, 0, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  for (const int stray : {60, -1, INT_MAX, 32767}) {
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(expression(nullptr, stray, buffer, sizeof buffer), 0) << stray;
    EXPECT_STREQ(buffer, "") << stray;
  }
  EXPECT_EQ(condition(nullptr, 200, buffer, sizeof buffer), 0) << "not action 0's string";
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(expression(nullptr, INT_MIN, buffer, sizeof buffer), 5) << "the low half: expression 0";
  const struct {
    int id;
    const char* text;
  } fixed[] = {{1, "KP2"}, {2, "Tessel"}, {3, "Create a new tessel object"}, {64, " %s : tessel"}};
  for (const auto& f : fixed) {
    EXPECT_EQ(LoadStringA(tessel(), static_cast<UINT>(f.id), buffer, sizeof buffer),
              static_cast<int>(std::strlen(f.text)));
    EXPECT_STREQ(buffer, f.text);
  }
}

TEST(EditorStrings, Description) {
  using Desc = void(__stdcall*)(void*, char*, intptr_t, const char*);
  char target[64];
  std::memset(target, '#', sizeof target);
  entry<Desc>("GetDesc")(nullptr, target, 0, "Tessel");
  EXPECT_STREQ(target, " Tessel : tessel");
  EXPECT_EQ(target[17], '#');
  entry<Desc>("GetDesc")(nullptr, target, 0, nullptr);
  EXPECT_STREQ(target, "  : tessel");
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
  using Cursor = HCURSOR(__stdcall*)(void*);
  HCURSOR cursor = entry<Cursor>("GetObjectCursor")(nullptr);
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
}

TEST(EditorPictures, IconIsTheStoredBitmap) {
  using Icon = int(__stdcall*)(void*, void*);
  std::vector<char> buffer(700, '#');
  EXPECT_EQ(entry<Icon>("MakeIcon")(nullptr, buffer.data()), 0);
  EXPECT_EQ(std::string_view(buffer.data(), 616), resource(400, MAKEINTRESOURCEA(2)));
  EXPECT_EQ(std::string(buffer.begin() + 616, buffer.end()), std::string(700 - 616, '#'));
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
  EXPECT_EQ(setup.frameWidth, 32);
  EXPECT_EQ(entry<Modify>("ModifyObject")(nullptr, &setup, 0, 0, 0, size), 0);
  EXPECT_EQ(setup.frameWidth, 64);
  EXPECT_EQ(setup.frameHeight, 48);

  HMENU popup = CreatePopupMenu();
  for (int id = 2000; id <= 2008; ++id) AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(id), "item");
  using Append = void(__stdcall*)(void*, HMENU, intptr_t, intptr_t, intptr_t);
  entry<Append>("AppendPopup")(nullptr, popup, 0, 0, 0);
  std::string ids;
  for (int i = 0; i < GetMenuItemCount(popup); ++i) ids += std::to_string(GetMenuItemID(popup, i)) + " ";
  EXPECT_EQ(ids, "2000 2002 2003 2004 2005 2007 2008 ");
  DestroyMenu(popup);
}

// ---- The setup dialog, driven through its controls.

struct Seen {
  std::string state;  // what the dialog showed, by driveAndRead
  std::function<void(HWND)> act;
};

std::string controlState(HWND dialog) {
  std::string out;
  for (const int id : {TESSEL_ID_1D, TESSEL_ID_2D, TESSEL_ID_3D, TESSEL_ID_CASE_INSENSITIVE, TESSEL_ID_CASE_SENSITIVE,
                       TESSEL_ID_LITERAL, TESSEL_ID_WILDCARD, TESSEL_ID_AUTO_ON, TESSEL_ID_AUTO_OFF}) {
    if (IsDlgButtonChecked(dialog, id) == BST_CHECKED) {
      char text[64];
      GetDlgItemTextA(dialog, id, text, sizeof text);
      out += std::string(text) + ";";
    }
  }
  for (const int id : {TESSEL_ID_X, TESSEL_ID_Y, TESSEL_ID_DELIMITER}) {
    char text[64];
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

std::string dialogCall(const Editor& e) {
  char line[128];
  std::snprintf(line, sizeof line, "dialog 20003 parent %p 0 0 3\n", static_cast<void*>(e.window));
  return line;
}

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

TEST(EditorDialog, NewObjectShowsItsDefaultsAndOkKeepsThem) {
  Editor e;
  TesselSetup setup = garbage();
  HWND owner = nullptr;
  Seen seen{{}, [&](HWND d) {
              owner = GetWindow(d, GW_OWNER);
              click(d, IDOK);
            }};
  EXPECT_EQ(createObject(e, setup, seen), 0);
  EXPECT_EQ(owner, e.window) << "the editor's window owns the dialog";
  EXPECT_EQ(seen.state, "2D;Case insensitive;Literal;Off;+[10]-[10]+[,]");
  EXPECT_EQ(standInLog(), dialogCall(e));
  EXPECT_EQ(fields(setup), "32x32 d2 10,10 c0 w0 a0 [,]");
  for (const unsigned char b : setup.hostHeader) EXPECT_EQ(b, 0xCD) << "the host's header is the host's";
}

TEST(EditorDialog, DimensionButtonsEnableTheBoxes) {
  Editor e;
  TesselSetup setup = garbage();
  std::vector<std::string> states;
  Seen seen{{}, [&](HWND d) {
              for (const int id : {TESSEL_ID_3D, TESSEL_ID_1D, TESSEL_ID_2D, TESSEL_ID_3D, TESSEL_ID_2D}) {
                click(d, id);
                states.push_back(controlState(d));
              }
              click(d, IDCANCEL);
            }};
  EXPECT_EQ(createObject(e, setup, seen), -1);
  const std::vector<std::string> expected = {
      "3D;Case insensitive;Literal;Off;+[10]+[10]+[,]", "1D;Case insensitive;Literal;Off;-[10]-[10]+[,]",
      "2D;Case insensitive;Literal;Off;+[10]-[10]+[,]", "3D;Case insensitive;Literal;Off;+[10]+[10]+[,]",
      "2D;Case insensitive;Literal;Off;+[10]-[10]+[,]"};
  EXPECT_EQ(states, expected);
  EXPECT_EQ(fields(setup), "32x32 d2 10,10 c0 w0 a0 [,]") << "Cancel after the defaults were written";
}

TEST(EditorDialog, OkWritesEachField) {
  const struct {
    std::vector<int> clicks;
    const char *x, *y, *delimiter;
    int result;
    const char* expected;
  } cases[] = {
      {{TESSEL_ID_3D, TESSEL_ID_CASE_SENSITIVE, TESSEL_ID_WILDCARD, TESSEL_ID_AUTO_ON},
       "12",
       "34",
       ";",
       4,
       "32x32 d3 12,34 c1 w1 a1 [;]"},
      {{TESSEL_ID_2D}, "7", "99", "", 4, "32x32 d2 7,5 c1 w1 a1 []"},
      {{TESSEL_ID_2D}, "", "99", "ab", 4, "32x32 d2 0,5 c1 w1 a1 [ab]"},
      {{TESSEL_ID_1D, TESSEL_ID_AUTO_OFF}, "1", "2", ",", 4, "32x32 d1 3,5 c1 w1 a0 [,]"},
      {{TESSEL_ID_3D, TESSEL_ID_CASE_INSENSITIVE, TESSEL_ID_LITERAL},
       "-8",
       "",
       " | ",
       4,
       "32x32 d3 -8,0 c0 w0 a1 [ | ]"},
  };
  Editor e;
  for (const auto& c : cases) {
    TesselSetup setup{};
    setup.frameWidth = setup.frameHeight = 32;
    setup.dimensionCount = 1;
    setup.xSize = 3;
    setup.ySize = 5;
    setup.caseSensitive = 1;
    setup.wildcard = 1;
    setup.autoSelect = 1;
    Seen seen{{}, [&](HWND d) {
                for (const int id : c.clicks) click(d, id);
                type(d, TESSEL_ID_X, c.x);
                type(d, TESSEL_ID_Y, c.y);
                type(d, TESSEL_ID_DELIMITER, c.delimiter);
                click(d, IDOK);
              }};
    EXPECT_EQ(selectPopup(e, TESSEL_POPUP_SETUP, setup, seen), c.result);
    EXPECT_EQ(fields(setup), c.expected);
  }
}

TEST(EditorDialog, TypedKeysReachTheRecordAndTheSizeBoxesTakeDigitsOnly) {
  Editor e;
  TesselSetup setup = garbage();
  Seen seen{{}, [](HWND d) {
              click(d, TESSEL_ID_3D);
              typeKeys(d, TESSEL_ID_X, "4x2");
              typeKeys(d, TESSEL_ID_Y, "-7");
              typeKeys(d, TESSEL_ID_DELIMITER, "; -");
              click(d, IDOK);
            }};
  EXPECT_EQ(createObject(e, setup, seen), 0);
  EXPECT_EQ(fields(setup), "32x32 d3 42,7 c0 w0 a0 [; -]");
}

TEST(EditorDialog, LongDelimiterIsCutAndCancelKeepsEveryByte) {
  Editor e;
  TesselSetup setup = garbage();
  Seen seen{{}, [](HWND d) {
              type(d, TESSEL_ID_DELIMITER, std::string(1500, 'd'));
              click(d, IDOK);
            }};
  EXPECT_EQ(createObject(e, setup, seen), 0);
  EXPECT_EQ(std::string(setup.listDelimiter), std::string(1023, 'd'));
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
struct ShellCall {
  std::string text;
};
ShellCall* g_shell = nullptr;

HINSTANCE __stdcall recordShell(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show) {
  char line[600];
  std::snprintf(line, sizeof line, "%p %s %s %s %s %d", static_cast<void*>(owner), verb ? verb : "(null)",
                file ? file : "(null)", parameters ? parameters : "(null)", folder ? folder : "(null)", show);
  if (g_shell != nullptr) g_shell->text += line;
  return reinterpret_cast<HINSTANCE>(42);
}

// Points tessel.dll's import of a function elsewhere; gives the old target.
void* patchImport(HMODULE module, const char* library, const char* name, void* to) {
  auto* base = reinterpret_cast<unsigned char*>(module);
  const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name != 0; ++d) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + d->Name), library) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
      void* previous = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<DWORD_PTR>(to);
      VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
      return previous;
    }
  }
  return nullptr;
}

TEST(EditorDialog, HelpOpensThePageBesideTheModule) {
  ShellCall call;
  g_shell = &call;
  void* original = patchImport(tessel(), "shell32.dll", "ShellExecuteA", reinterpret_cast<void*>(recordShell));
  ASSERT_NE(original, nullptr);
  Editor e;
  TesselSetup setup = garbage();
  HWND shown = nullptr;
  Seen seen{{}, [&](HWND d) {
              shown = d;
              click(d, TESSEL_ID_HELP);
              click(d, IDCANCEL);
            }};
  EXPECT_EQ(selectPopup(e, TESSEL_POPUP_SETUP, setup, seen), 0);
  patchImport(tessel(), "shell32.dll", "ShellExecuteA", original);
  g_shell = nullptr;

  char path[MAX_PATH];
  GetModuleFileNameA(tessel(), path, MAX_PATH);
  std::string page(path);
  page = page.substr(0, page.find_last_of('\\') + 1) + "tessel-help.html";
  char expected[600];
  std::snprintf(expected, sizeof expected, "%p open %s (null) (null) 5", static_cast<void*>(shown), page.c_str());
  EXPECT_EQ(call.text, expected);
}

// The template as the resource holds it, control by control.
std::string readText(const uint16_t*& p) {
  std::string out;
  if (*p == 0xFFFF) {
    out = "#" + std::to_string(p[1]);
    p += 2;
    return out;
  }
  for (; *p != 0; ++p) out += static_cast<char>(*p);
  ++p;
  return out;
}

TEST(EditorDialog, TemplateIsTheTable) {
  const std::string_view r = resource(TESSEL_DIALOG_SETUP, MAKEINTRESOURCEA(5));
  ASSERT_GE(r.size(), sizeof(DLGTEMPLATE));
  DLGTEMPLATE t;
  std::memcpy(&t, r.data(), sizeof t);
  EXPECT_EQ(t.cx, 192);
  EXPECT_EQ(t.cy, 231);
  EXPECT_EQ(t.style, static_cast<DWORD>(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU));
  const auto* p = reinterpret_cast<const uint16_t*>(r.data() + sizeof t);
  EXPECT_EQ(readText(p), "") << "no menu";
  EXPECT_EQ(readText(p), "") << "the standard class";
  EXPECT_EQ(readText(p), "Setup Tessel");
  EXPECT_EQ(*p++, 8);
  EXPECT_EQ(readText(p), "Helv");
  std::string controls;
  for (int i = 0; i < t.cdit; ++i) {
    p = reinterpret_cast<const uint16_t*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t{3});
    DLGITEMTEMPLATE item;
    std::memcpy(&item, p, sizeof item);
    p = reinterpret_cast<const uint16_t*>(reinterpret_cast<const char*>(p) + sizeof item);
    const std::string kind = readText(p);
    const std::string text = readText(p);
    p += 1 + *p / 2;  // creation data
    const DWORD s = item.style;
    std::string style;
    if (kind == "#128" || kind == "BUTTON") {
      const DWORD type = s & 0xF;
      style = type == BS_GROUPBOX          ? "groupbox"
              : type == BS_AUTORADIOBUTTON ? "autoradio"
              : type == BS_DEFPUSHBUTTON   ? "default"
              : type == BS_PUSHBUTTON      ? "push"
                                           : "?";
    } else if (kind == "#129" || kind == "EDIT") {
      style = std::string("edit") + (s & ES_NUMBER ? " digits" : "") + (s & ES_RIGHT ? " right" : "") +
              (s & ES_AUTOHSCROLL ? " hscroll" : "");
    } else if (kind == "#130" || kind == "STATIC") {
      style = "label";
    }
    if (s & WS_GROUP) style += " group";
    char line[160];
    std::snprintf(line, sizeof line, "%d %s \"%s\" %d,%d,%d,%d\n", static_cast<int16_t>(item.id), style.c_str(),
                  text.c_str(), item.x, item.y, item.cx, item.cy);
    controls += line;
  }
  EXPECT_EQ(controls,
            "-1 groupbox group \"Dimensioning\" 5,5,180,75\n"
            "1000 autoradio group \"1D\" 15,20,30,10\n"
            "1001 autoradio \"2D\" 61,20,30,10\n"
            "1002 autoradio \"3D\" 105,20,30,10\n"
            "-1 label group \"X:\" 19,39,10,10\n"
            "1003 edit digits right \"\" 35,37,36,12\n"
            "-1 label group \"Y:\" 91,39,10,10\n"
            "1004 edit digits right \"\" 105,37,35,12\n"
            "-1 label group \"List delimiter:\" 15,60,45,10\n"
            "1009 edit hscroll \"\" 65,58,75,12\n"
            "-1 groupbox group \"String Comparisons\" 5,85,180,35\n"
            "1005 autoradio group \"Case insensitive\" 15,100,75,10\n"
            "1006 autoradio \"Case sensitive\" 101,100,75,10\n"
            "-1 groupbox group \"Search Mode\" 5,125,180,35\n"
            "1007 autoradio group \"Literal\" 15,140,75,10\n"
            "1008 autoradio \"Wildcard\" 101,140,75,10\n"
            "-1 groupbox group \"Select New Rows (Automatically)\" 5,165,180,35\n"
            "1010 autoradio group \"On\" 15,180,75,10\n"
            "1011 autoradio \"Off\" 101,180,75,10\n"
            "1 default group \"OK\" 5,210,50,14\n"
            "2 push \"Cancel\" 71,210,50,14\n"
            "20100 push \"Help\" 135,210,50,14\n");
}

TEST(EditorDialog, PictureOfTheDialog) {
  Editor e;
  TesselSetup setup = garbage();
  std::string written;
  Seen seen{{}, [&](HWND d) {
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
  EXPECT_EQ(written, "") << "the picture was taken";
  EXPECT_TRUE(g_framesDrawn || GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr);
}

}  // namespace
