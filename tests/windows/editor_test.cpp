// The shipped tessel.dll as the host's editor sees it, through the Windows API
// and the system's dialog manager, with the host library's stand-in; what the
// editor reckons is tested in tests/unit, here each answer crosses the boundary.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "editor/resource.h"
#include "host/tessel.h"
#include "tests/windows/stand_in.h"

// Calls fn with count zero arguments as stdcall does and gives the bytes the
// callee left on the stack: 0 when it removed exactly its arguments.
extern "C" int __cdecl stackLeft(const void* fn, int count);
asm(R"(
  .globl _stackLeft
_stackLeft:
  pushl %ebp; movl %esp, %ebp; pushl %esi; movl 12(%ebp), %ecx; movl %esp, %esi
1: jecxz 2f; pushl $0; decl %ecx; jmp 1b
2: call *8(%ebp); movl %esi, %eax; subl %esp, %eax; movl %esi, %esp; popl %esi; popl %ebp; ret
)");

namespace {

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

template <typename... T>
std::string joined(const T&... numbers) {
  std::string out;
  ((out += (out.empty() ? "" : " ") + std::to_string(numbers)), ...);
  return out;
}

template <typename F>
F entry(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(tessel(), name)));
}

// A resource's bytes, of the bitmap type unless told.
std::string_view resource(int id, int type = 2) {
  HRSRC found = FindResourceA(tessel(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
  if (found == nullptr) return {};
  return {static_cast<const char*>(LockResource(LoadResource(tessel(), found))), SizeofResource(tessel(), found)};
}

TEST(EditorExports, EveryEntryRemovesExactlyItsArgumentsAndSurvivesNulls) {
  ASSERT_NE(tessel(), nullptr);
  standInReset(nullptr, nullptr, 0);
  // "Name@bytes,...": the entry points the build checks the decorations of.
  std::stringstream entries(TESSEL_EDITOR_ENTRY_POINTS);
  int checked = 0;
  for (std::string e; std::getline(entries, e, ',');) {
    const std::string name = e.substr(0, e.find('@'));
    const void* fn = reinterpret_cast<const void*>(GetProcAddress(tessel(), name.c_str()));
    ASSERT_NE(fn, nullptr) << name;
    EXPECT_EQ(stackLeft(fn, std::stoi(e.substr(e.find('@') + 1)) / 4), 0) << name;  // zeros everywhere
    ++checked;
  }
  EXPECT_GT(checked, 30);
  EXPECT_STREQ(standInLog(), "") << "no dialog and no drawing without a record or a context";
}

// What a call leaves in a buffer of 32 '#', after what it returns; a text as
// held(text) shows it.
std::string buffered(const std::function<int(char*)>& call) {
  char buffer[32];
  std::memset(buffer, '#', sizeof buffer);
  const int returned = call(buffer);
  return std::to_string(returned) + ":" + std::string(buffer, sizeof buffer);
}
std::string held(int returned, const std::string& text) {
  return std::to_string(returned) + ":" + text + std::string(1, '\0') + std::string(31 - text.size(), '#');
}
const std::string kUntouched = "0:" + std::string(32, '#');

TEST(EditorExports, EachAnswerReachesTheHost) {
  using Query = uint32_t(__stdcall*)(int);
  using Code = short(__stdcall*)(void*, int);
  using Title = void(__stdcall*)(void*, int, int, char*, int);
  using ExpressionTitle = void(__stdcall*)(void*, int, char*, int);
  using Text = int(__stdcall*)(void*, int, char*, int);
  const auto title = [](const char* name, int number, int parameter, int size) {
    return buffered([=](char* b) { return entry<Title>(name)(nullptr, number, parameter, b, size), 0; });
  };
  const auto text = [](const char* name, int number, int size) {
    return buffered([=](char* b) { return entry<Text>(name)(nullptr, number, b, size); });
  };
  const auto infos = [](const char* name, int number) {
    const TesselInfos* i = entry<const TesselInfos*(__stdcall*)(void*, int)>(name)(nullptr, number);
    return joined(i->code, i->kinds[0], i->kinds[1]);
  };
  const auto loaded = [](int id) { return buffered([=](char* b) { return LoadStringA(tessel(), id, b, 32); }); };
  const struct {
    std::string got, want;
  } answers[] = {
      {std::to_string(entry<Query>("GetInfos")(0)), "512"},
      {std::to_string(entry<Query>("GetInfos")(2)), "256"},
      {std::to_string(entry<Code>("GetActionCodeFromMenu")(nullptr, 25078)), "78"},
      {std::to_string(entry<Code>("GetExpressionCodeFromMenu")(nullptr, 27059)), "59"},
      {std::to_string(entry<Code>("GetConditionCodeFromMenu")(nullptr, 26000)), "-1"},
      {infos("GetActionInfos", 6), "6 45 22"},
      {infos("GetExpressionInfos", 50), "50 3 1"},
      {infos("GetConditionInfos", 7), "0 0 0"},
      // Titles are the menus' labels, cut to the buffer.
      {title("GetActionTitle", 6, 0, 32), held(0, "Insert string at")},
      {title("GetActionTitle", 79, 0, 32), held(0, "")},  // past the table
      {title("GetActionTitle", 6, 1, 7), held(0, "Insert")},
      {title("GetActionTitle", 6, 0, 0), kUntouched},
      {title("GetConditionTitle", 0, 0, 32), held(0, "")},  // no condition has an item
      {buffered([](char* b) { return entry<ExpressionTitle>("GetExpressionTitle")(nullptr, 51, b, 32), 0; }),
       held(0, "Get list delimiter")},
      // Display strings from the string table, their length returned.
      {text("GetActionString", 6, 32), held(28, "11%s: Insert string %s at %s")},
      {text("GetActionString", 6, 7), held(6, "11%s: ")},
      {text("GetActionString", 6, 0), kUntouched},
      {text("GetExpressionString", 59, 32), held(7, "labAvg(")},
      {text("GetExpressionString", 60, 32), held(0, "")},  // past the table
      {text("GetConditionString", 200, 32), held(0, "")},  // not action 0's string
      // The module's own strings, and the description filled in from string 64.
      {loaded(1), held(3, "KP2")},
      {loaded(2), held(6, "Tessel")},
      {loaded(3), held(26, "Create a new tessel object")},
      {buffered([](char* b) {
         return entry<void(__stdcall*)(void*, char*, intptr_t, const char*)>("GetDesc")(nullptr, b, 0, "Tessel"), 0;
       }),
       held(0, " Tessel : tessel")},
  };
  for (const auto& a : answers) EXPECT_EQ(a.got, a.want);
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

TEST(EditorMenus, CopiesFollowTheTreeAndTheCatalogueAndAreTheHosts) {
  using GetMenu = HMENU(__stdcall*)(void*);
  HMENU actions = entry<GetMenu>("GetActionMenu")(nullptr);
  HMENU expressions = entry<GetMenu>("GetExpressionMenu")(nullptr);
  // The copies hold the resources' first popups, which the build writes from the menu tree.
  for (const auto& [copy, id] : {std::pair{actions, 20000}, std::pair{expressions, 20002}}) {
    EXPECT_EQ(menuText(copy), menuText(GetSubMenu(LoadMenuA(tessel(), MAKEINTRESOURCEA(id)), 0))) << id;
  }
  EXPECT_EQ(menuText(actions).substr(0, 48), "File{Save Array{25000:Save to file,25001:Save as");
  EXPECT_EQ(menuText(expressions).substr(0, 15), "27000:Get size,");
  EXPECT_EQ(entry<GetMenu>("GetConditionMenu")(nullptr), nullptr);  // it holds no popup to copy
  // Each call hands out a new menu the host owns.
  HMENU again = entry<GetMenu>("GetActionMenu")(nullptr);
  EXPECT_NE(again, actions);
  for (HMENU m : {again, actions, expressions}) EXPECT_TRUE(DestroyMenu(m));
}

TEST(EditorPictures, ResourcesCursorIconAndTheDisplayThroughTheImageServices) {
  EXPECT_EQ(resource(TESSEL_DATA, 10), std::string_view("\x16\x25\x08\x59", 4));
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(entry<HCURSOR(__stdcall*)(void*)>("GetObjectCursor")(nullptr), &info));
  BITMAP mask{};
  GetObjectA(info.hbmMask, sizeof mask, &mask);
  EXPECT_EQ(joined(info.fIcon, info.xHotspot, info.yHotspot, mask.bmWidth), "0 0 0 32");
  DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  // The icon's bitmap (4-bit, 32x32, 616 bytes with its palette), and not a byte more.
  std::vector<char> icon(700, '#');
  EXPECT_EQ(entry<int(__stdcall*)(void*, void*)>("MakeIcon")(nullptr, icon.data()), 0);
  EXPECT_EQ(std::string(icon.begin(), icon.end()), std::string(resource(400)) + std::string(700 - 616, '#'));

  // The display: image made, drawn at the rectangle's corner in 16-bit coordinates, released; none without an image.
  using Display = void(__stdcall*)(TesselEditorContext*, intptr_t, intptr_t, intptr_t, const TesselRect*);
  TesselEditorContext context{};
  context.application = reinterpret_cast<void*>(0xA11);
  context.drawTarget = reinterpret_cast<void*>(0x7A6);
  const auto display = [&](uint16_t image, TesselRect at) {
    standInReset(nullptr, nullptr, image);
    entry<Display>("EditorDisplay")(&context, 0, 0, 0, &at);
    return std::string(standInLog());
  };
  char made[128], drawn[128];
  std::snprintf(made, sizeof made, "image %p %p tail 0 0 0 0\n", context.application, resource(401).data());
  std::snprintf(drawn, sizeof drawn, "draw %p 77 at 4464 -3 mode 2\nrelease %p 77\n", context.drawTarget,
                context.application);
  EXPECT_EQ(display(77, {70000, -3, 0, 0}), std::string(made) + drawn);
  EXPECT_EQ(display(0, {100, 50, 0, 0}), made);
}

TEST(EditorObject, RectangleResizeAndPopup) {
  TesselSetup setup{};
  setup.frameWidth = setup.frameHeight = 32;
  TesselRect rect{100, 50, 0, 0};
  EXPECT_EQ(entry<TesselRect*(__stdcall*)(void*, TesselRect*, intptr_t, const TesselSetup*)>("GetObjectRect")(
                nullptr, &rect, 0, &setup),
            &rect);
  EXPECT_EQ(joined(rect.right, rect.bottom), "132 82");
  using Modify = int(__stdcall*)(void*, TesselSetup*, intptr_t, intptr_t, int, const int16_t*);
  const int16_t size[] = {0, 0, 64, 48};
  EXPECT_EQ(entry<Modify>("ModifyObject")(nullptr, &setup, 0, 0, 1, size), 0);
  EXPECT_EQ(setup.frameWidth, 32) << "only mode 0 resizes";
  EXPECT_EQ(entry<Modify>("ModifyObject")(nullptr, &setup, 0, 0, 0, size), 0);
  EXPECT_EQ(joined(setup.frameWidth, setup.frameHeight), "64 48");
  HMENU popup = CreatePopupMenu();
  for (int id = 2000; id <= 2008; ++id) AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(id), "item");
  entry<void(__stdcall*)(void*, HMENU, intptr_t, intptr_t, intptr_t)>("AppendPopup")(nullptr, popup, 0, 0, 0);
  std::string ids;
  for (int i = 0; i < GetMenuItemCount(popup); ++i) ids += std::to_string(GetMenuItemID(popup, i)) + " ";
  EXPECT_EQ(ids, "2000 2002 2003 2004 2005 2007 2008 ");
  DestroyMenu(popup);
}

// ---- The setup dialog, driven through its controls.

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

enum class Op { click, text, state };
struct Step {
  Op op;
  int id = 0;
  std::string text{};
};

struct Drive {
  std::vector<Step> steps;
  std::string notes;  // the state when shown, then each note, one a line
  HWND dialog = nullptr;
};

void __cdecl driver(HWND d, void* data) {
  auto* drive = static_cast<Drive*>(data);
  drive->dialog = d;
  drive->notes = controlState(d);
  for (const Step& s : drive->steps) {
    if (s.op == Op::click) SendMessageA(GetDlgItem(d, s.id), BM_CLICK, 0, 0);
    if (s.op == Op::text) SetDlgItemTextA(d, s.id, s.text.c_str());
    if (s.op == Op::state) drive->notes += "\n" + controlState(d);
  }
}

std::string fields(const TesselSetup& s) {
  return std::to_string(s.frameWidth) + "x" + std::to_string(s.frameHeight) + " d" + std::to_string(s.dimensionCount) +
         " " + std::to_string(s.xSize) + "," + std::to_string(s.ySize) + " c" + std::to_string(s.caseSensitive) + " w" +
         std::to_string(s.wildcard) + " a" + std::to_string(s.autoSelect) + " [" +
         std::string(s.listDelimiter, strnlen(s.listDelimiter, sizeof s.listDelimiter)) + "]";
}

// Every byte 0xCD, as a host's new record may be; with dimensions, a record the dialog shows.
TesselSetup record(int32_t dimensions = 0, int32_t flags = 0) {
  TesselSetup s;
  std::memset(&s, 0xCD, sizeof s);
  if (dimensions == 0) return s;
  s.frameWidth = s.frameHeight = 32;
  s.dimensionCount = dimensions;
  s.xSize = 3;
  s.ySize = 5;
  s.caseSensitive = s.wildcard = s.autoSelect = flags;
  s.listDelimiter[0] = '\0';
  return s;
}

// ShellExecuteA as tessel.dll imports it, replaced for one test by a recorder of its calls.
std::string g_shellCalls;

HINSTANCE __stdcall recordShell(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show) {
  g_shellCalls += std::to_string(reinterpret_cast<uintptr_t>(owner)) + " " + (verb ? verb : "-") + " " +
                  (file ? file : "-") + (parameters || folder ? " and more " : " ") + std::to_string(show);
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

TEST(EditorDialog, ControlsShowTheRecordAndOkOrCancelWriteIt) {
  // What odd records mean for the controls is the unit test's; here a row for each way the real controls
  // reach the record, and what OK writes for each dimension and flag.
  const int kNew = -1;  // CreateObject, else SelectPopup of the item
  using Create = int(__stdcall*)(TesselEditorContext*, intptr_t, TesselSetup*);
  using Select = int(__stdcall*)(TesselEditorContext*, int, intptr_t, intptr_t, TesselSetup*, intptr_t, intptr_t);
  const std::string off = "Case insensitive;Literal;Off;";
  // clang-format off
  const struct {
    int item;
    TesselSetup before;
    std::vector<Step> steps;
    int returns;
    std::string notes;  // "" when no dialog shows
    std::string after;  // "" when every byte stays
  } cases[] = {
      // A new object's defaults; each dimension button sets the boxes; OK reads each control, and the
      // three flags differ pairwise in one of the two OK rows, so that none is read from another's buttons.
      {kNew, record(),
       {{Op::click, TESSEL_ID_1D}, {Op::state}, {Op::click, TESSEL_ID_2D}, {Op::state}, {Op::click, TESSEL_ID_3D},
        {Op::state}, {Op::click, TESSEL_ID_CASE_SENSITIVE}, {Op::click, TESSEL_ID_WILDCARD},
        {Op::click, TESSEL_ID_AUTO_ON}, {Op::click, TESSEL_ID_AUTO_OFF}, {Op::text, TESSEL_ID_X, "12"},
        {Op::text, TESSEL_ID_Y, "34"}, {Op::text, TESSEL_ID_DELIMITER, "; -"}, {Op::click, IDOK}},
       0, "2D;" + off + "+[10]-[10]+[,]\n1D;" + off + "-[10]-[10]+[,]\n2D;" + off + "+[10]-[10]+[,]\n3D;" + off +
          "+[10]+[10]+[,]", "32x32 d3 12,34 c1 w1 a0 [; -]"},
      {TESSEL_POPUP_SETUP, record(3, 1),
       {{Op::click, TESSEL_ID_2D}, {Op::click, TESSEL_ID_CASE_INSENSITIVE}, {Op::click, TESSEL_ID_LITERAL},
        {Op::click, TESSEL_ID_WILDCARD}, {Op::text, TESSEL_ID_X, "1"}, {Op::text, TESSEL_ID_Y, "99"},
        {Op::text, TESSEL_ID_DELIMITER, " | "}, {Op::click, IDOK}},
       4, "3D;Case sensitive;Wildcard;On;+[3]+[5]+[]", "32x32 d2 1,5 c0 w1 a1 [ | ]"},
      // Cancel keeps every byte; Help opens the page beside the module (below).
      {TESSEL_POPUP_SETUP, record(1, 0),
       {{Op::click, TESSEL_ID_3D}, {Op::text, TESSEL_ID_X, "77"}, {Op::click, TESSEL_ID_HELP}, {Op::click, IDCANCEL}},
       0, "1D;" + off + "-[3]-[5]+[]", ""},
      // Cancel on a new object leaves its values.
      {kNew, record(), {{Op::click, TESSEL_ID_3D}, {Op::click, IDCANCEL}}, -1, "2D;" + off + "+[10]-[10]+[,]",
       "32x32 d2 10,10 c0 w0 a0 [,]"},
      // The popup items either side of the setup item show nothing.
      {TESSEL_POPUP_SETUP - 1, record(), {{Op::click, IDOK}}, 0, "", ""},
      {TESSEL_POPUP_SETUP + 1, record(), {{Op::click, IDOK}}, 0, "", ""},
  };
  // clang-format on
  const void* shell = reinterpret_cast<const void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), "ShellExecuteA"));
  const void* recorder = reinterpret_cast<const void*>(recordShell);
  ASSERT_EQ(redirectImport(shell, recorder), 1);
  TesselEditorContext editor{};
  editor.window =
      CreateWindowA("STATIC", "editor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
  char opened[128];
  std::snprintf(opened, sizeof opened, "dialog 20003 parent %p 0 0 3\n", editor.window);
  HWND helpOwner = nullptr;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.item) + " " + c.after);
    TesselSetup setup = c.before;
    Drive drive{c.steps, {}, {}};
    standInReset(driver, &drive, 0);
    EXPECT_EQ(c.item == kNew ? entry<Create>("CreateObject")(&editor, 0, &setup)
                             : entry<Select>("SelectPopup")(&editor, c.item, 0, 0, &setup, 0, 0),
              c.returns);
    EXPECT_EQ(drive.notes, c.notes);
    EXPECT_EQ(standInLog(), c.notes.empty() ? std::string() : std::string(opened));
    EXPECT_EQ(c.after.empty() ? std::memcmp(&setup, &c.before, sizeof setup) : 0, 0);
    EXPECT_EQ(c.after.empty() ? "" : fields(setup), c.after);
    EXPECT_EQ(std::memcmp(setup.hostHeader, c.before.hostHeader, sizeof setup.hostHeader), 0) << "the host's own";
    if (c.item == TESSEL_POPUP_SETUP && c.after.empty()) helpOwner = drive.dialog;
  }
  redirectImport(recorder, shell);
  DestroyWindow(static_cast<HWND>(editor.window));
  char path[MAX_PATH];
  const std::string module(path, GetModuleFileNameA(tessel(), path, MAX_PATH));
  const std::string page = module.substr(0, module.find_last_of('\\') + 1) + "tessel-help.html";
  EXPECT_EQ(g_shellCalls, std::to_string(reinterpret_cast<uintptr_t>(helpOwner)) + " open " + page + " 5");
  EXPECT_NE(GetFileAttributesA(page.c_str()), INVALID_FILE_ATTRIBUTES) << page << " is shipped there";
}

}  // namespace
