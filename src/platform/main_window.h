#pragma once
// The program's top-level window while it has no wizard windows of its own, and the window
// thread's message loop.
#include <string>

#include "platform/types.h"

namespace platform {

constexpr std::uint32_t kWmClose = 0x0010;

// Creates and shows an empty top-level window with the caption, owned by the calling thread;
// closing it ends RunMessageLoop. 0 when it can't be created.
WindowHandle CreatePlainMainWindow(const std::wstring& caption);

// Dispatches the calling thread's messages until the main window has been closed.
void RunMessageLoop();

// Closes the main window as its close button does (posts WM_CLOSE).
bool CloseMainWindow(WindowHandle window);

}  // namespace platform
