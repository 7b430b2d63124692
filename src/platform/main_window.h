#pragma once
// The window thread's message loop, and a plain main window for a program without forms of its
// own. The loop ends when the main form (FormSpec::mainForm, platform/form.h) closes; the plain
// main window is such a form, empty.
#include <string>

#include "platform/types.h"

namespace platform {

constexpr std::uint32_t kWmClose = 0x0010;

// Creates and shows an empty top-level window with the caption, owned by the calling thread;
// closing it ends RunMessageLoop. 0 when it can't be created.
WindowHandle CreatePlainMainWindow(const std::wstring& caption);

// Dispatches the calling thread's messages until the main form has been closed. On Windows the
// dialog keys work in every form: Tab and Shift+Tab between controls, Alt with an underlined
// letter, Space and Enter on the focused button.
void RunMessageLoop();

// Asks the main window (any form) to close as its close box does (posts WM_CLOSE).
bool CloseMainWindow(WindowHandle window);

}  // namespace platform
