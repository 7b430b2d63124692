// The GUI driver's steps for a whole disc-to-ISO job: the wizard's three steps, the system
// folder browser, the progress page and the finish question. The folder browser and the
// message boxes are system dialogs (class #32770) of the program's process; the browser is
// steered as an accessibility tool would, with BFFM_SETSELECTIONW and a path written into the
// program's memory, then its OK button.
#include "gui_job_steps.h"

#include "gui_driver_util.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

namespace gui {

namespace {

DWORD ProgramProcess() {
  DWORD pid = 0;
  if (HWND first = FindForm(L"dlgFirst")) GetWindowThreadProcessId(first, &pid);
  return pid;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

struct DialogSearch {
  DWORD pid = 0;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search->pid && IsWindowVisible(window) && ClassOf(window) == L"#32770" && NameOf(window).empty())
    search->found.push_back(window);
  return TRUE;
}

// The program's visible system dialogs: message boxes and the folder browser.
std::vector<HWND> ProgramDialogs() {
  DialogSearch search;
  search.pid = ProgramProcess();
  if (search.pid != 0) EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A message box's text: its static control with the id 0xFFFF.
std::wstring BoxText(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }

struct TextSearch {
  std::wstring text;
  HWND found = nullptr;
};

BOOL CALLBACK MatchText(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TextSearch*>(param);
  if (TextOf(window) == search->text) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND ChildWithText(HWND parent, const std::wstring& text) {
  TextSearch search{text};
  EnumChildWindows(parent, MatchText, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool Shown(HWND window) { return window != nullptr && IsWindowVisible(window); }

// Prints every dialog the program shows, for a failing step's report.
void ReportDialogs() {
  for (HWND box : ProgramDialogs())
    std::wprintf(L"  dialog \"%ls\": %ls\n", TextOf(box).c_str(), BoxText(box).c_str());
}

// Waits up to `seconds` for `ready`; false when it never held.
template <typename Ready>
bool WaitFor(int seconds, Ready ready) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (ready()) return true;
    Sleep(100);
  }
  return ready();
}

// "Capacity: N MB" -> N; -1 for anything else.
long long CapacityOf(const std::wstring& text) {
  const std::wstring head = L"Capacity: ", tail = L" MB";
  if (text.size() <= head.size() + tail.size() || text.compare(0, head.size(), head) != 0 ||
      text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
    return -1;
  std::wstring digits = text.substr(head.size(), text.size() - head.size() - tail.size());
  if (digits.empty() || digits.find_first_not_of(L"0123456789") != std::wstring::npos) return -1;
  return std::stoll(digits);
}

HWND Wizard() { return WaitForm(L"MainForm", true); }

// Step 1: the licence dialog's Next shows the wizard; the disc in E: is listed and measured.
void StepDisc(const std::wstring& label, const std::wstring& expectedMB) {
  HWND eula = WaitForm(L"dlgEULA", true);
  Click(FindChild(eula, L"btnNext"));
  HWND wizard = Wizard();
  Check(Shown(wizard) && !IsWindowVisible(eula), L"the licence dialog's Next shows the wizard");
  Check(Shown(FindChild(wizard, L"panSelectDVD")), L"step 1 (panSelectDVD) is shown");
  Check(TextOf(FindChild(wizard, L"Label2")) == L"Step 1 of 3:", L"Label2 reads \"Step 1 of 3:\"");
  Check(TextOf(FindChild(wizard, L"Label3")) == Library(L"USB Step1 Caption"), L"Label3 holds \"USB Step1 Caption\"");
  Check(TextOf(FindChild(wizard, L"lblDVDTitle")) == Library(L"USB Step1 Select Note"),
        L"lblDVDTitle holds \"USB Step1 Select Note\"");
  Check(WithoutCr(TextOf(FindChild(wizard, L"lblNote"))) == Library(L"USB Step1 Note"), L"lblNote holds \"USB Step1 Note\"");
  HWND combo = FindChild(wizard, L"cmbDVDlist");
  const std::wstring item = L"E:\\ ( " + label + L" ) ";
  Check(SendMessageW(combo, CB_GETCOUNT, 0, 0) == 1 && ComboItem(combo, 0) == item,
        L"cmbDVDlist lists the disc as \"" + item + L"\" (first entry \"" + ComboItem(combo, 0) + L"\")");
  HWND wait = FindChild(wizard, L"lblWait");
  HWND next = FindChild(wizard, L"btnNext");
  bool measured = WaitFor(60, [&] { return CapacityOf(TextOf(wait)) > 0 && IsWindowEnabled(next); });
  Check(measured, L"lblWait shows the capacity and Next is enabled (lblWait \"" + TextOf(wait) + L"\")");
  Check(TextOf(wait) == L"Capacity: " + expectedMB + L" MB", L"the capacity is the disc's " + expectedMB + L" MB");
  WINDOWINFO info{};
  info.cbSize = sizeof info;
  GetWindowInfo(wizard, &info);
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  GetGUIThreadInfo(GetWindowThreadProcessId(wizard, nullptr), &thread);
  std::wprintf(L"  note: the foreground window is \"%ls\"; the wizard's caption is drawn %ls; the keyboard focus is on "
               L"\"%ls\" (%p), the active window \"%ls\"\n",
               NameOf(GetForegroundWindow()).c_str(), info.dwWindowStatus == WS_ACTIVECAPTION ? L"active" : L"inactive",
               NameOf(thread.hwndFocus).c_str(), static_cast<void*>(thread.hwndFocus), NameOf(thread.hwndActive).c_str());
  CheckAndPrintRect(wizard);
}

// Step 2 of the ISO job: the folder page, empty, with Next disabled.
void StepFolderPage() {
  HWND wizard = Wizard();
  Click(FindChild(wizard, L"btnNext"));
  HWND page = FindChild(wizard, L"Panel_DstISO");
  Check(WaitFor(10, [&] { return Shown(page); }), L"Next shows step 2 (Panel_DstISO)");
  Check(!Shown(FindChild(wizard, L"panSelectDVD")), L"and hides step 1");
  Check(TextOf(FindChild(wizard, L"Label10")) == L"Step 2 of 3:", L"Label10 reads \"Step 2 of 3:\"");
  Check(TextOf(FindChild(wizard, L"Label11")) == Library(L"ISO Step2 Caption"), L"Label11 holds \"ISO Step2 Caption\"");
  Check(WithoutCr(TextOf(FindChild(wizard, L"lblNote"))) == Library(L"ISO Step2 Note"), L"lblNote holds \"ISO Step2 Note\"");
  HWND edit = FindChild(wizard, L"EdtISOPathdst");
  Check(edit != nullptr && TextOf(edit).empty() && (GetWindowLongW(edit, GWL_STYLE) & ES_READONLY),
        L"EdtISOPathdst is empty and read-only");
  Check(TextOf(FindChild(wizard, L"btnBrowser")) == L"Browser", L"the Browser button is there");
  Check(!IsWindowEnabled(FindChild(wizard, L"btnNext")), L"Next is disabled");
  CheckAndPrintRect(wizard);
}

// Step 2 of the USB job: the stick page with its list, the check-after-writing box and the
// refresh button; Wine has no USB drives, so the list may be empty, and Next stays disabled.
void StepUsbPage() {
  HWND wizard = Wizard();
  Click(FindChild(wizard, L"btnNext"));
  HWND page = FindChild(wizard, L"panSelectUsb");
  Check(WaitFor(10, [&] { return Shown(page); }), L"Next shows step 2 (panSelectUsb)");
  Check(TextOf(FindChild(wizard, L"Label4")) == L"Step 2 of 3:", L"Label4 reads \"Step 2 of 3:\"");
  Check(TextOf(FindChild(wizard, L"Label5")) == Library(L"USB Step2 Caption"), L"Label5 holds \"USB Step2 Caption\"");
  Check(TextOf(FindChild(wizard, L"chkVerifyFiles")) == Library(L"USB Step2 Verify Caption"),
        L"chkVerifyFiles holds \"USB Step2 Verify Caption\"");
  Check(Shown(FindChild(wizard, L"btnRefresh")), L"the refresh button is shown");
  CheckAndPrintRect(wizard);
}

HWND FolderBrowser() {
  for (HWND dialog : ProgramDialogs())
    if (ChildWithText(dialog, L"Please Select Folder:") != nullptr) return dialog;
  return nullptr;
}

// Opens the folder browser and selects `folder` in it, as a screen reader's scripting would.
void StepBrowseOpen(const std::wstring& folder) {
  HWND wizard = Wizard();
  // Posted: the browser is modal, so a sent click would not return until it closes.
  PostMessageW(FindChild(wizard, L"btnBrowser"), BM_CLICK, 0, 0);
  HWND browser = nullptr;
  Check(WaitFor(15, [&] { return (browser = FolderBrowser()) != nullptr; }),
        L"Browser opens the folder browser titled \"Please Select Folder:\"");
  if (browser == nullptr) {
    ReportDialogs();
    return;
  }
  DWORD pid = ProgramProcess();
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  const SIZE_T bytes = (folder.size() + 1) * sizeof(wchar_t);
  void* remote = process ? VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) : nullptr;
  bool written = remote != nullptr && WriteProcessMemory(process, remote, folder.c_str(), bytes, nullptr);
  Check(written, L"the folder's path is written into the program's memory");
  if (written) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote));
  Sleep(500);
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  if (process) CloseHandle(process);
  HWND ok = GetDlgItem(browser, IDOK);
  Check(ok != nullptr && IsWindowEnabled(ok), L"its OK button is enabled");
  CheckAndPrintRect(browser);
}

void StepBrowseOk(const std::wstring& folder) {
  HWND wizard = Wizard();
  HWND browser = FolderBrowser();
  Check(browser != nullptr, L"the folder browser is open");
  if (browser == nullptr) return;
  PostMessageW(browser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(browser, IDOK)));
  Check(WaitFor(10, [&] { return FolderBrowser() == nullptr; }), L"OK closes it");
  HWND edit = FindChild(wizard, L"EdtISOPathdst");
  std::wstring expected = folder.back() == L'\\' ? folder : folder + L"\\";
  bool taken = WaitFor(5, [&] { return TextOf(edit) == expected; });
  Check(taken, L"EdtISOPathdst holds the chosen folder \"" + TextOf(edit) + L"\"");
  Check(WaitEnabled(FindChild(wizard, L"btnNext"), true), L"Next is enabled");
  if (!ProgramDialogs().empty()) {
    Check(false, L"no message box is shown");
    ReportDialogs();
  }
  CheckAndPrintRect(wizard);
}

// Step 3: Next starts the job.
void StepStart() {
  HWND wizard = Wizard();
  // Posted: the check before the job may answer with a modal box.
  PostMessageW(FindChild(wizard, L"btnNext"), BM_CLICK, 0, 0);
  HWND page = FindChild(wizard, L"panMainScreen");
  bool shown = WaitFor(15, [&] { return Shown(page); });
  Check(shown, L"Next shows step 3 (panMainScreen)");
  if (!shown) ReportDialogs();
  Check(TextOf(FindChild(wizard, L"lblScreenTitle")) == L"Step 3 of 3:", L"lblScreenTitle reads \"Step 3 of 3:\"");
  Check(TextOf(FindChild(wizard, L"Label1")) == Library(L"ISO Step3 Caption"), L"Label1 holds \"ISO Step3 Caption\"");
  Check(WithoutCr(TextOf(FindChild(wizard, L"lblNote"))) == Library(L"ISO Step3 Note"), L"lblNote holds \"ISO Step3 Note\"");
  Check(TextOf(FindChild(wizard, L"btnNext")) == L"&Cancel", L"Next reads \"&Cancel\"");
  Check(!IsWindowVisible(FindChild(wizard, L"btnBack")), L"Back is hidden");
  CheckAndPrintRect(wizard);
}

int ProgressOf(HWND wizard) { return static_cast<int>(SendMessageW(FindChild(wizard, L"pbDism"), PBM_GETPOS, 0, 0)); }

// Waits for the last part of the job, the ISO being written (the stand-in oscdimg reports it
// slowly enough), for a picture of the progress page.
void StepProgress() {
  HWND wizard = Wizard();
  HWND percent = FindChild(wizard, L"lblPercent");
  HWND state = FindChild(wizard, L"lblState");
  bool midway = WaitFor(120, [&] {
    int shown = ProgressOf(wizard);
    return shown > 75 && shown < 100 && TextOf(state) == L"Generating ISO. Please wait...";
  });
  Check(midway, L"the ISO is being written: " + std::to_wstring(ProgressOf(wizard)) + L" %, \"" + TextOf(state) + L"\"");
  // The bar may move between the two reads; they must agree once it holds still for a moment.
  Check(WaitFor(5, [&] { return TextOf(percent) == std::to_wstring(ProgressOf(wizard)); }),
        L"lblPercent shows the bar's value");
  if (!midway) ReportDialogs();
  CheckAndPrintRect(wizard);
}

HWND BoxCaptioned(const std::wstring& caption) {
  for (HWND box : ProgramDialogs())
    if (TextOf(box) == caption) return box;
  return nullptr;
}

// Waits for the job's end: the "Finished" question over a full progress bar. Any other box, or
// Next turning into "&Exit" (a failed job), ends the wait at once.
void StepFinished(const std::wstring& question) {
  const bool success = question.empty();
  const std::wstring expected = success ? L"Successful! Do you want to close this tool?" : question;
  HWND wizard = Wizard();
  HWND next = FindChild(wizard, L"btnNext");
  HWND box = nullptr;
  bool other = false;
  WaitFor(240, [&] {
    box = BoxCaptioned(L"Finished");
    other = box == nullptr && (!ProgramDialogs().empty() || TextOf(next) == L"&Exit");
    return box != nullptr || other;
  });
  Check(box != nullptr, L"the job ends with the \"Finished\" question");
  if (box == nullptr) {
    std::wprintf(L"  Next reads \"%ls\", lblState \"%ls\"\n", TextOf(next).c_str(),
                 TextOf(FindChild(wizard, L"lblState")).c_str());
    ReportDialogs();
    CheckAndPrintRect(wizard);
    return;
  }
  Check(BoxText(box) == expected, L"it reads \"" + BoxText(box) + L"\"");
  Check(GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr, L"it offers Yes and No");
  Check(GetWindow(box, GW_OWNER) == wizard, L"it is owned by the wizard");
  const std::wstring state = TextOf(FindChild(wizard, L"lblState"));
  if (success) {
    Check(state == L"Successfully update system image", L"lblState reads \"" + state + L"\"");
    Check(ProgressOf(wizard) == 100 && TextOf(FindChild(wizard, L"lblPercent")) == L"100", L"the bar is full, 100 %");
  } else {
    std::wprintf(L"  note: lblState reads \"%ls\", the bar %d %%\n", state.c_str(), ProgressOf(wizard));
  }
  // The picture takes the wizard and the box together.
  RECT a{}, b{};
  GetWindowRect(wizard, &a);
  GetWindowRect(box, &b);
  RECT both{};
  UnionRect(&both, &a, &b);
  std::wprintf(L"rect: %ld %ld %ld %ld\n", both.left, both.top, both.right - both.left, both.bottom - both.top);
}

// Step 3's Next, which reads "&Cancel" while the job runs.
void StepCancel() {
  HWND next = FindChild(Wizard(), L"btnNext");
  Check(TextOf(next) == L"&Cancel" && IsWindowEnabled(next), L"Next reads \"&Cancel\" and is enabled");
  // Posted: the finish question may come up before a sent click would return.
  PostMessageW(next, BM_CLICK, 0, 0);
}

// No to the finish question: the mode window comes back for another job.
void StepAnswerNo() {
  HWND box = BoxCaptioned(L"Finished");
  Check(box != nullptr, L"the \"Finished\" question is open");
  if (box == nullptr) return;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDNO)));
  Check(WaitFor(10, [&] { return BoxCaptioned(L"Finished") == nullptr; }), L"No closes it");
  HWND first = WaitForm(L"dlgFirst", true);
  Check(Shown(first), L"the mode window is shown again");
  Check(WaitFor(5, [&] { return !IsWindowVisible(FindForm(L"MainForm")); }), L"and the wizard is hidden");
  CheckAndPrintRect(first);
}

void StepAnswerYes() {
  HWND box = BoxCaptioned(L"Finished");
  Check(box != nullptr, L"the \"Finished\" question is open");
  if (box == nullptr) return;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDYES)));
  Check(WaitFor(10, [&] { return BoxCaptioned(L"Finished") == nullptr; }), L"Yes closes it");
}

// Waits for a message box of the program (the worker's DISM boxes have no owner) and checks
// the start of its text.
void StepBox(const std::wstring& caption, const std::wstring& start) {
  HWND box = nullptr;
  WaitFor(240, [&] { return (box = BoxCaptioned(caption)) != nullptr; });
  Check(box != nullptr, L"the job shows a \"" + caption + L"\" box");
  if (box == nullptr) {
    ReportDialogs();
    return;
  }
  Check(BoxText(box).compare(0, start.size(), start) == 0, L"it reads \"" + BoxText(box) + L"\"");
  Check(GetDlgItem(box, IDOK) != nullptr && GetDlgItem(box, IDNO) == nullptr, L"it offers OK only");
  HWND wizard = Wizard();
  RECT a{}, b{}, both{};
  GetWindowRect(wizard, &a);
  GetWindowRect(box, &b);
  UnionRect(&both, &a, &b);
  std::wprintf(L"rect: %ld %ld %ld %ld\n", both.left, both.top, both.right - both.left, both.bottom - both.top);
}

void StepBoxOk(const std::wstring& caption) {
  HWND box = BoxCaptioned(caption);
  Check(box != nullptr, L"the \"" + caption + L"\" box is open");
  if (box == nullptr) return;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  Check(WaitFor(10, [&] { return BoxCaptioned(caption) == nullptr; }), L"OK closes it");
}

// A failed job: no question, Next reads "&Exit" and the status names the failure.
void StepFailed() {
  HWND wizard = Wizard();
  HWND next = FindChild(wizard, L"btnNext");
  bool exit = WaitFor(60, [&] { return TextOf(next) == L"&Exit"; });
  Check(exit, L"Next reads \"&Exit\" (\"" + TextOf(next) + L"\")");
  const std::wstring state = TextOf(FindChild(wizard, L"lblState"));
  const std::wstring tail = L"(Operation failed)";
  Check(state.size() >= tail.size() && state.compare(state.size() - tail.size(), tail.size(), tail) == 0,
        L"lblState ends with \"(Operation failed)\": \"" + state + L"\"");
  Check(!IsWindowVisible(FindChild(wizard, L"btnBack")), L"Back stays hidden");
  Check(IsWindowEnabled(next), L"Next is enabled");
  if (!ProgramDialogs().empty()) {
    Check(false, L"no question is asked");
    ReportDialogs();
  }
  CheckAndPrintRect(wizard);
}

void StepExit() {
  HWND next = FindChild(Wizard(), L"btnNext");
  Check(TextOf(next) == L"&Exit", L"Next reads \"&Exit\"");
  PostMessageW(next, BM_CLICK, 0, 0);
}

std::wstring Argument(const std::vector<std::wstring>& args, std::size_t index) {
  return index < args.size() ? args[index] : std::wstring();
}

}  // namespace

bool RunJobStep(const std::wstring& step, const std::vector<std::wstring>& args) {
  if (step == L"disc") StepDisc(Argument(args, 0), Argument(args, 1));
  else if (step == L"folder-page") StepFolderPage();
  else if (step == L"usb-page") StepUsbPage();
  else if (step == L"browse-open") StepBrowseOpen(Argument(args, 0));
  else if (step == L"browse-ok") StepBrowseOk(Argument(args, 0));
  else if (step == L"start") StepStart();
  else if (step == L"progress") StepProgress();
  else if (step == L"finished") StepFinished(Argument(args, 0));
  else if (step == L"yes") StepAnswerYes();
  else if (step == L"cancel") StepCancel();
  else if (step == L"no") StepAnswerNo();
  else if (step == L"box") StepBox(Argument(args, 0), Argument(args, 1));
  else if (step == L"box-ok") StepBoxOk(Argument(args, 0));
  else if (step == L"failed") StepFailed();
  else if (step == L"exit") StepExit();
  else return false;
  return true;
}

}  // namespace gui
