#include "platform/win32/application_window.h"

#include <atomic>

#include "platform/message_box.h"

namespace platform {

namespace win32ui {

namespace {

constexpr const wchar_t* kApplicationClass = L"DraventaApplication";
constexpr UINT kRestoreFormMessage = WM_APP + 0x3A1;

std::atomic<HWND> g_application{nullptr};
std::atomic<HWND> g_mainForm{nullptr};
std::atomic<HWND> g_activeForm{nullptr};

LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      // Activated through the task bar: hand it on to the form, after this message.
      if (LOWORD(wParam) != WA_INACTIVE) PostMessageW(window, kRestoreFormMessage, 0, 0);
      return 0;
    case kRestoreFormMessage: {
      HWND form = g_activeForm.load();
      if (!form || !IsWindowVisible(form)) form = g_mainForm.load();
      if (form && IsWindowVisible(form) && !IsIconic(window)) SetActiveWindow(form);
      return 0;
    }
    case WM_CLOSE:
      if (HWND form = g_mainForm.load()) PostMessageW(form, WM_CLOSE, 0, 0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

HWND EnsureApplicationWindow() {
  if (HWND existing = g_application.load()) return existing;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = ApplicationProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.lpszClassName = kApplicationClass;
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
  // No size, in the middle of the screen: only its task-bar button is ever seen.
  HWND window = CreateWindowExW(0, kApplicationClass, L"", WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU |
                                WS_MINIMIZEBOX, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                                0, 0, nullptr, nullptr, instance, nullptr);
  g_application = window;
  return window;
}

void ShowApplicationWindow() {
  HWND window = g_application.load();
  if (window && !IsWindowVisible(window)) ShowWindow(window, SW_SHOWNOACTIVATE);
}

void SetApplicationTitle(const std::wstring& title) {
  if (HWND window = g_application.load()) SetWindowTextW(window, title.c_str());
}

void SetMainFormWindow(HWND form) { g_mainForm = form; }

void NoteActiveForm(HWND form) { g_activeForm = form; }

}  // namespace win32ui

WindowHandle ApplicationWindow() { return reinterpret_cast<WindowHandle>(win32ui::g_application.load()); }

}  // namespace platform
