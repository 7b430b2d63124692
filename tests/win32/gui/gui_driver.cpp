// Drives the running Draventa.exe from outside, as an accessibility tool would: it finds the
// program's windows by their "Draventa.Name" property, reads them with standard window
// messages and presses buttons with BM_CLICK. One step per run, so the calling script can
// photograph the screen between steps:
//
//   gui_driver <step>        (gui_driver.exe lies beside Draventa.exe and QvMultiLang.dll)
//
// The skinned buttons are also read as a screen reader reads them (IAccessible through
// AccessibleObjectFromWindow): a push button named by its caption, unavailable while disabled.
//
// Steps: mode (the mode window is up), iso (choose the ISO entry), next (the mode window's
// Next), tick (the licence box), untick, eula-next, wizard-back, close, iso-licence (iso, next
// and tick in one run), and the steps of a whole disc-to-ISO job (gui_job_steps.h). Each prints
// one line per check ("ok: ..." or "FAILED: ..."), then "rect: left top width height" of the
// window now in front, and exits 0 when every check held.
#include "gui_driver_util.h"
#include "gui_layout_check.h"
#include "gui_job_steps.h"

#include <oleacc.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace gui;

// Each window's skinned buttons as a screen reader must read them when the walk reaches it.
struct AccessibleButton {
  const wchar_t* form;
  const wchar_t* button;
  const wchar_t* name;  // the caption without its "&"; for a picture-only button, its own name
  bool unavailable;     // disabled at that point of the walk
};
constexpr AccessibleButton kAccessibleButtons[] = {
    {L"dlgFirst", L"btnNext", L"Next", false},
    {L"dlgFirst", L"btnAddDrivers", L"Add drivers...", false},
    {L"dlgEULA", L"btnNext", L"Next", true},
    {L"dlgEULA", L"btnBack", L"Back", false},
    {L"MainForm", L"btnNext", L"Next", true},  // caption "&Next"
    {L"MainForm", L"btnBack", L"Back", false},  // caption "&Back"
    {L"MainForm", L"btnBrowser", L"Browser", false},
    {L"MainForm", L"btnRefresh", L"Refresh", false},  // no caption, no hint
};

// MinGW's oleacc import library links IID_IAccessible to a function thunk, not to the IID:
// take the IID from the header instead.
const IID kAccessibleIid = __uuidof(IAccessible);

// The accessible object a window hands out (WM_GETOBJECT, marshalled across the processes);
// nullptr (and the error in `failure`) when there is none.
IAccessible* AccessibleOf(HWND window, HRESULT* failure = nullptr) {
  IAccessible* accessible = nullptr;
  const HRESULT got =
      AccessibleObjectFromWindow(window, OBJID_CLIENT, kAccessibleIid, reinterpret_cast<void**>(&accessible));
  if (failure != nullptr) *failure = got;
  return SUCCEEDED(got) ? accessible : nullptr;
}

VARIANT Self() {
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  return self;
}

// Reads role, name, state and default action of the form's skinned buttons.
void CheckAccessibleButtons(HWND form, const std::wstring& formName) {
  for (const AccessibleButton& expected : kAccessibleButtons) {
    if (formName != expected.form) continue;
    const std::wstring what = formName + L"." + expected.button + L" to a screen reader: ";
    HRESULT failure = S_OK;
    IAccessible* accessible = AccessibleOf(FindChild(form, expected.button), &failure);
    if (accessible == nullptr) {
      wchar_t code[16];
      std::swprintf(code, 16, L"%08lx", static_cast<unsigned long>(failure));
      Check(false, what + L"no accessible object (error 0x" + code + L")");
      continue;
    }
    const VARIANT self = Self();
    VARIANT role{}, state{};
    BSTR name = nullptr, action = nullptr;
    accessible->get_accRole(self, &role);
    accessible->get_accState(self, &state);
    accessible->get_accName(self, &name);
    accessible->get_accDefaultAction(self, &action);
    const std::wstring nameText = name ? name : L"(none)", actionText = action ? action : L"(none)";
    const bool isButton = role.vt == VT_I4 && role.lVal == ROLE_SYSTEM_PUSHBUTTON;
    const bool unavailable = state.vt == VT_I4 && (state.lVal & STATE_SYSTEM_UNAVAILABLE) != 0;
    Check(isButton && nameText == expected.name && unavailable == expected.unavailable && actionText == L"Press",
          what + (isButton ? L"push button" : L"role " + std::to_wstring(role.vt == VT_I4 ? role.lVal : -1)) +
              L" \"" + nameText + L"\"" + (unavailable ? L", unavailable" : L", available") + L", action \"" +
              actionText + L"\"");
    SysFreeString(name);
    SysFreeString(action);
    VariantClear(&role);
    VariantClear(&state);
    accessible->Release();
  }
}

// Presses a button with its accessible default action, as a screen reader's "activate" does.
bool PressAccessible(HWND button) {
  IAccessible* accessible = AccessibleOf(button);
  if (accessible == nullptr) return false;
  const HRESULT pressed = accessible->accDoDefaultAction(Self());
  accessible->Release();
  return SUCCEEDED(pressed);
}

void StepMode() {
  HWND first = WaitForm(L"dlgFirst", true);
  Check(first != nullptr && IsWindowVisible(first), L"the mode window is shown");
  Check(TextOf(first) == L"Qarvel Vexa Installer", L"its caption is \"" + TextOf(first) + L"\"");
  CheckClient(first, 712, 302, L"mode window");
  Check(GetWindowLongPtrW(first, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, L"it is a tool window");
  const std::wstring desc = TextOf(FindChild(first, L"lblDesc"));
  Check(!desc.empty() && desc == Library(L"Description") && desc != L"Description",
        L"lblDesc holds QvMultiLang's \"Description\" text");
  HWND combo = FindChild(first, L"cmbMode");
  Check(SendMessageW(combo, CB_GETCOUNT, 0, 0) == 2, L"cmbMode holds two entries");
  Check(ComboItem(combo, 0) == Library(L"ODDToUSB") && ComboItem(combo, 1) == Library(L"ODDToISO"),
        L"the entries are QvMultiLang's ODDToUSB and ODDToISO texts");
  Check(SendMessageW(combo, CB_GETCURSEL, 0, 0) == 0, L"the first entry is chosen");
  Check(WithoutCr(TextOf(FindChild(first, L"lblNote"))) ==
            Library(L"USB NoteCaption1") + L"\n" + Library(L"USB NoteCaption2"),
        L"lblNote holds both USB notes");
  HWND next = FindChild(first, L"btnNext");
  Check(next != nullptr && IsWindowEnabled(next) && TextOf(next) == L"Next", L"Next is enabled");
  Check(FindForm(L"dlgEULA") != nullptr && !IsWindowVisible(FindForm(L"dlgEULA")), L"dlgEULA exists, hidden");
  Check(FindForm(L"MainForm") != nullptr && !IsWindowVisible(FindForm(L"MainForm")), L"MainForm exists, hidden");
  HWND addDrivers = FindChild(first, L"btnAddDrivers");
  Check(addDrivers != nullptr && (GetWindowLongPtrW(addDrivers, GWL_STYLE) & WS_TABSTOP) != 0 &&
            GetNextDlgTabItem(first, combo, FALSE) == addDrivers &&
            GetNextDlgTabItem(first, addDrivers, FALSE) == FindChild(first, L"chkAllImages") &&
            GetNextDlgTabItem(first, FindChild(first, L"chkAllImages"), FALSE) == next,
        L"Tab goes from the mode list to \"Add drivers...\", the Windows itself box, then Next");
  CheckAccessibleButtons(first, L"dlgFirst");
  CheckAndPrintRect(first);
}

void StepIso() {
  HWND first = WaitForm(L"dlgFirst", true);
  HWND combo = FindChild(first, L"cmbMode");
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  SendMessageW(first, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  Check(WithoutCr(TextOf(FindChild(first, L"lblNote"))) == Library(L"ISO NoteCaption"), L"lblNote holds the ISO note");
  CheckAndPrintRect(first);
}

void StepNext() {
  HWND first = WaitForm(L"dlgFirst", true);
  Click(FindChild(first, L"btnNext"));
  HWND eula = WaitForm(L"dlgEULA", true);
  Check(eula != nullptr && IsWindowVisible(eula), L"Next shows the licence dialog");
  Check(!IsWindowVisible(first), L"and hides the mode window");
  CheckClient(eula, 712, 302, L"licence dialog");
  Check(TextOf(FindChild(eula, L"Label1")) == Library(L"Eula Note"), L"Label1 holds the \"Eula Note\" text");
  Check(!TextOf(FindChild(eula, L"EULAMemo")).empty(), L"the agreement is shown");
  HWND box = FindChild(eula, L"CheckBox1");
  Check(SendMessageW(box, BM_GETCHECK, 0, 0) == BST_UNCHECKED, L"\"I agree\" is not ticked");
  Check(!IsWindowEnabled(FindChild(eula, L"btnNext")), L"Next is disabled");
  CheckAccessibleButtons(eula, L"dlgEULA");
  Click(FindChild(eula, L"btnNext"));
  Sleep(300);
  Check(IsWindowVisible(eula) && !IsWindowVisible(FindForm(L"MainForm")), L"a click on the disabled Next does nothing");
  CheckAndPrintRect(eula);
}

void StepTick(bool tick) {
  HWND eula = WaitForm(L"dlgEULA", true);
  HWND box = FindChild(eula, L"CheckBox1");
  Click(box);
  Check(SendMessageW(box, BM_GETCHECK, 0, 0) == (tick ? BST_CHECKED : BST_UNCHECKED),
        tick ? L"the box is ticked" : L"the box is unticked");
  HWND next = FindChild(eula, L"btnNext");
  Check(WaitEnabled(next, tick), tick ? L"Next is enabled" : L"Next is disabled again");
  CheckAndPrintRect(eula);
}

void StepEulaNext() {
  HWND eula = WaitForm(L"dlgEULA", true);
  Click(FindChild(eula, L"btnNext"));
  HWND wizard = WaitForm(L"MainForm", true);
  Check(wizard != nullptr && IsWindowVisible(wizard), L"Next shows the wizard");
  Check(!IsWindowVisible(eula), L"and hides the licence dialog");
  // The outer size is set, so the client area follows the system's frame (712 x 301 on Windows
  // 7 at 96 DPI; the frame need not grow with the DPI as the window does).
  RECT client{};
  GetClientRect(wizard, &client);
  Check(client.right >= Scaled(712) && client.bottom >= Scaled(295),
        L"wizard client area " + std::to_wstring(client.right) + L" x " + std::to_wstring(client.bottom));
  RECT outer{};
  GetWindowRect(wizard, &outer);
  Check(outer.right - outer.left == Scaled(718) && outer.bottom - outer.top == Scaled(330),
        L"wizard outer size " + std::to_wstring(outer.right - outer.left) + L" x " +
            std::to_wstring(outer.bottom - outer.top));
  Check(TextOf(FindChild(wizard, L"btnBack")) == L"&Back", L"the wizard's Back reads \"&Back\"");
  Check(!IsWindowEnabled(FindChild(wizard, L"btnNext")), L"the wizard's Next is disabled");
  CheckAccessibleButtons(wizard, L"MainForm");
  CheckAndPrintRect(wizard);
}

void StepWizardBack() {
  HWND wizard = WaitForm(L"MainForm", true);
  Check(PressAccessible(FindChild(wizard, L"btnBack")), L"Back is pressed through its accessible default action");
  HWND first = WaitForm(L"dlgFirst", true);
  Check(first != nullptr && IsWindowVisible(first), L"Back shows the mode window");
  Check(!IsWindowVisible(wizard), L"and hides the wizard");
  Check(SendMessageW(FindChild(first, L"cmbMode"), CB_GETCURSEL, 0, 0) == 1, L"the ISO entry is still chosen");
  CheckAndPrintRect(first);
}

// Closes the window in front, as its close box does; the script then waits for the program to end.
void StepClose() {
  for (const wchar_t* name : {L"dlgEULA", L"MainForm", L"dlgFirst"}) {
    HWND form = FindForm(name);
    if (form != nullptr && IsWindowVisible(form)) {
      Check(true, std::wstring(L"closing ") + name);
      PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    }
  }
  Check(false, L"a window is there to close");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: gui_driver <step> [arguments]\n");
    return 2;
  }
  const std::wstring step = argv[1];
  // COM for the accessible objects of the program's buttons.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // The library beside this program, which lies beside Draventa.exe.
  HMODULE library = LoadLibraryW(L"QvMultiLang.dll");
  if (library != nullptr) g_translate = reinterpret_cast<TranslateProc>(reinterpret_cast<void*>(GetProcAddress(library, "QvTranslateStr")));
  if (step == L"mode") StepMode();
  else if (step == L"iso") StepIso();
  else if (step == L"next") StepNext();
  else if (step == L"tick") StepTick(true);
  else if (step == L"untick") StepTick(false);
  else if (step == L"eula-next") StepEulaNext();
  else if (step == L"wizard-back") StepWizardBack();
  else if (step == L"close") StepClose();
  else if (step == L"iso-licence") {
    // The ISO mode chosen and the licence accepted in one run, for walks that have checked it.
    StepIso();
    StepNext();
    StepTick(true);
  }
  else if (!RunJobStep(step, std::vector<std::wstring>(argv + 2, argv + argc))) Check(false, L"unknown step " + step);
  std::fflush(stdout);
  return g_failures == 0 ? 0 : 1;
}
