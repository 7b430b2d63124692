// What the GUI driver's steps share: finding the program's windows by their "Draventa.Name"
// property, reading them with window messages, and the checks each step prints.
#include "gui_driver_util.h"

#include "gui_layout_check.h"

#include <cstdio>
#include <vector>

namespace gui {


int g_failures = 0;
TranslateProc g_translate = nullptr;

void Check(bool held, const std::wstring& what) {
  std::wprintf(L"%ls: %ls\n", held ? L"ok" : L"FAILED", what.c_str());
  if (!held) ++g_failures;
}

std::wstring NameOf(HWND window) {
  HANDLE atom = GetPropW(window, L"Draventa.Name");
  if (atom == nullptr) return L"";
  wchar_t name[128] = {};
  if (GlobalGetAtomNameW(static_cast<ATOM>(reinterpret_cast<UINT_PTR>(atom)), name, 128) == 0) return L"";
  return name;
}

struct Search {
  std::wstring name;
  HWND found = nullptr;
};

BOOL CALLBACK MatchName(HWND window, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  if (NameOf(window) == search->name) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindForm(const std::wstring& name) {
  Search search{name};
  EnumWindows(MatchName, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindChild(HWND form, const std::wstring& name) {
  Search search{name};
  if (form != nullptr) EnumChildWindows(form, MatchName, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Waits up to 20 s for the form to exist and be visible (or hidden).
HWND WaitForm(const std::wstring& name, bool visible) {
  for (int i = 0; i < 200; ++i) {
    HWND form = FindForm(name);
    if (form != nullptr && (IsWindowVisible(form) != FALSE) == visible) return form;
    Sleep(100);
  }
  return FindForm(name);
}

std::wstring TextOf(HWND window) {
  // WM_GETTEXT itself: GetWindowTextW gives only the stored title of another process's window,
  // never an edit control's contents.
  wchar_t text[4096] = {};
  if (window != nullptr) SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring ComboItem(HWND combo, int index) {
  LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return L"";
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
  SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

// The translation library beside the program, asked directly: the texts the windows must show.

std::wstring Library(const std::wstring& key) {
  if (g_translate == nullptr) return L"(no library)";
  std::vector<wchar_t> buffer(8192);
  g_translate(key.c_str(), buffer.data(), static_cast<UINT>(buffer.size()));
  return buffer.data();
}

// A label's text as the window shows it: line feeds become CR LF in static controls only when
// the program writes them so; compare without CR.
std::wstring WithoutCr(std::wstring text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c != L'\r') out += c;
  }
  return out;
}

void CheckAndPrintRect(HWND form) {
  // The program's own windows; not the system's (the folder browser).
  if (!NameOf(form).empty()) CheckLayout(form, NameOf(form).c_str());
  RECT r{};
  if (form != nullptr) GetWindowRect(form, &r);
  std::wprintf(L"rect: %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void CheckClient(HWND form, int width, int height, const std::wstring& what) {
  RECT client{};
  GetClientRect(form, &client);
  Check(client.right == Scaled(width) && client.bottom == Scaled(height),
        what + L" client area " + std::to_wstring(client.right) + L" x " + std::to_wstring(client.bottom));
}

void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

bool WaitEnabled(HWND window, bool enabled) {
  for (int i = 0; i < 50; ++i) {
    if ((IsWindowEnabled(window) != FALSE) == enabled) return true;
    Sleep(100);
  }
  return false;
}

}  // namespace gui
