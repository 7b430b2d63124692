#include "platform/main_window.h"

#include <windows.h>

#include <atomic>

#include "platform/message_box.h"

namespace platform {

namespace {

constexpr const wchar_t* kClassName = L"DraventaPlainMainWindow";
std::atomic<HWND> g_mainWindow{nullptr};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    if (g_mainWindow == window) g_mainWindow = nullptr;
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

WindowHandle CreatePlainMainWindow(const std::wstring& caption) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterMainWindowClass(instance)) return 0;
  // WS_EX_APPWINDOW: the window has its own task-bar button.
  HWND window = CreateWindowExW(WS_EX_APPWINDOW, kClassName, caption.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
  if (!window) return 0;
  g_mainWindow = window;
  ShowWindow(window, SW_SHOWDEFAULT);
  UpdateWindow(window);
  return reinterpret_cast<WindowHandle>(window);
}

void RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool CloseMainWindow(WindowHandle window) {
  return PostMessageW(reinterpret_cast<HWND>(window), WM_CLOSE, 0, 0) != FALSE;
}

WindowHandle ApplicationWindow() { return reinterpret_cast<WindowHandle>(g_mainWindow.load()); }

}  // namespace platform
