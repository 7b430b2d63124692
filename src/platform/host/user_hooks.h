#pragma once
// The host has nobody at the screen. What a person would answer (a message box, the folder
// browser) and what a person would watch (the posted messages, the open main window) passes
// through these hooks, which only the test probes (sim/probes) set. The program leaves them
// empty: a Yes/No box is then answered No (nothing is ever erased on an answer nobody gave),
// any other box OK, and the folder browser is cancelled.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/types.h"

namespace platform::host::hooks {

struct MessageBoxRequest {
  WindowHandle owner = 0;
  std::wstring text;
  std::wstring caption;
  std::uint32_t flags = 0;
};
// Called on the thread that shows the box; returns the answer (kIdYes, kIdNo, kIdOk).
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);

// Returns the chosen folder, or empty for Cancel.
using FolderBrowserHook = std::function<std::wstring(WindowHandle owner, const std::wstring& title)>;
void SetFolderBrowserHook(FolderBrowserHook hook);

// Called on the posting thread for every posted window message, before it is queued.
using PostHook = std::function<void(WindowHandle, std::uint32_t message, std::uintptr_t, std::intptr_t)>;
void SetPostHook(PostHook hook);

// The main window the program created last; 0 when none is open.
WindowHandle OpenMainWindow();

// The forms' timers tick by themselves at their interval while on (off at start, so a test
// decides every tick).
void SetRealTimeTimers(bool on);

}  // namespace platform::host::hooks
