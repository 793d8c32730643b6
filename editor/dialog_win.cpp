// The setup dialog: shows a setup record in the controls and writes them back
// on OK. What the controls mean is editor/setup.h; this file only moves
// states between them and the window.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <string>

#include "editor/hgfs232.h"
#include "editor/module_win.h"
#include "editor/resource.h"
#include "editor/setup.h"
#include "editor/text.h"

namespace tessel::editor {
namespace {

// Handed to the dialog as its creation parameter, kept in its user data.
struct DialogParameter {
  TesselSetup* setup;
  TesselEditorContext* context;
};

bool checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

std::string itemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(item)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
  return text;
}

void enableBoxes(HWND dialog) {
  const BoxesEnabled on = boxesEnabled(checked(dialog, TESSEL_ID_2D), checked(dialog, TESSEL_ID_3D));
  EnableWindow(GetDlgItem(dialog, TESSEL_ID_X), on.x);
  EnableWindow(GetDlgItem(dialog, TESSEL_ID_Y), on.y);
}

void showSetup(HWND dialog, const TesselSetup& setup) {
  const ControlStates c = controlsFor(setup);
  SetDlgItemTextA(dialog, TESSEL_ID_DELIMITER, c.delimiter.c_str());
  SetDlgItemTextA(dialog, TESSEL_ID_X, c.x.c_str());
  SetDlgItemTextA(dialog, TESSEL_ID_Y, c.y.c_str());
  const int dimension = c.threeD ? TESSEL_ID_3D : c.twoD ? TESSEL_ID_2D : TESSEL_ID_1D;
  CheckRadioButton(dialog, TESSEL_ID_1D, TESSEL_ID_3D, dimension);
  CheckRadioButton(dialog, TESSEL_ID_CASE_INSENSITIVE, TESSEL_ID_CASE_SENSITIVE,
                   c.caseInsensitive ? TESSEL_ID_CASE_INSENSITIVE : TESSEL_ID_CASE_SENSITIVE);
  CheckRadioButton(dialog, TESSEL_ID_LITERAL, TESSEL_ID_WILDCARD, c.literal ? TESSEL_ID_LITERAL : TESSEL_ID_WILDCARD);
  CheckRadioButton(dialog, TESSEL_ID_AUTO_ON, TESSEL_ID_AUTO_OFF,
                   c.autoSelectOn ? TESSEL_ID_AUTO_ON : TESSEL_ID_AUTO_OFF);
  enableBoxes(dialog);
}

ControlStates readControls(HWND dialog) {
  ControlStates c;
  c.twoD = checked(dialog, TESSEL_ID_2D);
  c.threeD = checked(dialog, TESSEL_ID_3D);
  c.x = itemText(dialog, TESSEL_ID_X);
  c.y = itemText(dialog, TESSEL_ID_Y);
  c.delimiter = itemText(dialog, TESSEL_ID_DELIMITER);
  c.caseInsensitive = checked(dialog, TESSEL_ID_CASE_INSENSITIVE);
  c.literal = checked(dialog, TESSEL_ID_LITERAL);
  c.autoSelectOn = checked(dialog, TESSEL_ID_AUTO_ON);
  return c;
}

void openHelp(HWND dialog) {
  char module[MAX_PATH];
  const DWORD length = GetModuleFileNameA(moduleHandle(), module, MAX_PATH);
  const std::string page = helpPagePath(std::string(module, length < MAX_PATH ? length : 0));
  // Nothing to report to: without a browser the button simply does nothing.
  ShellExecuteA(dialog, "open", page.c_str(), nullptr, nullptr, SW_SHOW);
}

INT_PTR CALLBACK setupProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
      showSetup(dialog, *reinterpret_cast<DialogParameter*>(lParam)->setup);
      return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
      case TESSEL_ID_1D:
      case TESSEL_ID_2D:
      case TESSEL_ID_3D: enableBoxes(dialog); return TRUE;
      case TESSEL_ID_HELP: openHelp(dialog); return TRUE;
      case IDOK: {
        auto* parameter = reinterpret_cast<DialogParameter*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
        applyOk(readControls(dialog), *parameter->setup);
        EndDialog(dialog, 0);
        return TRUE;
      }
      case IDCANCEL: EndDialog(dialog, -1); return TRUE;
      default: return FALSE;
    }
  } catch (...) {
    // Out of memory reading a control: the record stays as it was, the dialog stays open.
    return TRUE;
  }
}

}  // namespace

int runSetupDialog(TesselEditorContext* context, TesselSetup* setup) {
  DialogParameter parameter{setup, context};
  HWND parent = context != nullptr ? static_cast<HWND>(context->window) : nullptr;
  return hostDialog(moduleHandle(), TESSEL_DIALOG_SETUP, parent, setupProcedure, 0, 0, 3,
                    reinterpret_cast<LPARAM>(&parameter));
}

}  // namespace tessel::editor
