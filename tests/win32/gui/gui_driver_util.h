#pragma once
// What the GUI driver's steps share: finding Draventa.exe's windows by their "Draventa.Name"
// property, reading them with standard window messages, and the checks each step prints
// ("ok: ..." or "FAILED: ...").
#include <windows.h>

#include <string>

namespace gui {

extern int g_failures;

// The translation library beside the program, asked directly: the texts the windows must show.
using TranslateProc = UINT(__stdcall*)(const wchar_t*, wchar_t*, UINT);
extern TranslateProc g_translate;

void Check(bool held, const std::wstring& what);
std::wstring NameOf(HWND window);
HWND FindForm(const std::wstring& name);
HWND FindChild(HWND form, const std::wstring& name);
// Waits up to 20 s for the form to exist and be visible (or hidden).
HWND WaitForm(const std::wstring& name, bool visible);
// WM_GETTEXT itself, which reads another process's edit controls too.
std::wstring TextOf(HWND window);
std::wstring ComboItem(HWND combo, int index);
std::wstring Library(const std::wstring& key);
// Compares label texts without CR.
std::wstring WithoutCr(std::wstring text);
// Checks the layout of the window in front (gui_layout_check.h), then prints "rect: left top
// width height" for the calling script's screenshot.
void CheckAndPrintRect(HWND form);
// The client area is `width` x `height` of the 96-DPI layout, scaled to the walk's DPI.
void CheckClient(HWND form, int width, int height, const std::wstring& what);
void Click(HWND button);
// Waits up to 5 s for the window to be enabled (or disabled).
bool WaitEnabled(HWND window, bool enabled);

}  // namespace gui
