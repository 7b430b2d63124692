#include "platform/main_window.h"

#include <atomic>
#include <memory>

#include "platform/host/main_window_probe.h"
#include "platform/messages.h"

// The host's main window is a message window: closing it (WM_CLOSE, as CloseMainWindow posts)
// destroys it and ends the message loop of its thread.

namespace platform {

namespace {

class PlainWindow : public MessageHandler {
 public:
  void OnMessage(std::uint32_t message, std::uintptr_t, std::intptr_t) override {
    if (message == kWmClose) closed = true;
  }
  WindowHandle handle = 0;
  bool closed = false;  // touched on the window thread only
};

// The main window of this thread, which RunMessageLoop waits for.
thread_local std::unique_ptr<PlainWindow> t_mainWindow;
std::atomic<WindowHandle> g_openMainWindow{0};

}  // namespace

WindowHandle CreatePlainMainWindow(const std::wstring&) {
  auto window = std::make_unique<PlainWindow>();
  window->handle = CreateMessageWindow(window.get());
  if (t_mainWindow) DestroyMessageWindow(t_mainWindow->handle);
  t_mainWindow = std::move(window);
  g_openMainWindow = t_mainWindow->handle;
  return t_mainWindow->handle;
}

void RunMessageLoop() {
  if (!t_mainWindow) return;
  PumpMessagesUntil([] { return t_mainWindow->closed; }, kWaitForeverMs);
  DestroyMessageWindow(t_mainWindow->handle);
  g_openMainWindow = 0;
  t_mainWindow.reset();
}

namespace host {
WindowHandle OpenMainWindow() { return g_openMainWindow; }
}  // namespace host

bool CloseMainWindow(WindowHandle window) { return PostWindowMessage(window, kWmClose, 0, 0); }

}  // namespace platform
