#include "platform/main_window.h"

#include <windows.h>

#include <memory>

#include "platform/form.h"
#include "platform/win32/window_calls.h"

namespace platform {

namespace {

// The plain main window: an empty main form, kept until the message loop ends.
std::unique_ptr<Form> g_plainWindow;

}  // namespace

WindowHandle CreatePlainMainWindow(const std::wstring& caption) {
  FormSpec spec;
  spec.name = L"PlainMainWindow";
  spec.caption = caption;
  spec.clientWidth = 640;
  spec.clientHeight = 480;
  spec.mainForm = true;
  g_plainWindow = CreateForm(spec);
  if (!g_plainWindow) return 0;
  g_plainWindow->Show();
  return g_plainWindow->Handle();
}

// Closing the main form posts WM_QUIT, which ends the loop.
void RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (win32ui::HandleFormKeys(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  g_plainWindow.reset();
}

bool CloseMainWindow(WindowHandle window) {
  return PostMessageW(reinterpret_cast<HWND>(window), WM_CLOSE, 0, 0) != FALSE;
}

}  // namespace platform
