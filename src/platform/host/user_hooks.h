#pragma once
// The host has nobody at the screen. What a person would answer (a message box, the folder
// browser) and what a person would watch (the posted messages, the open main window) passes
// through these hooks, which only the test probes (sim/probes) set. The program leaves them
// empty: a Yes/No box is then answered No (nothing is ever erased on an answer nobody gave),
// any other box OK, and the folder browser is cancelled.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "platform/message_box.h"
#include "platform/types.h"

namespace platform::host::hooks {

// One hook: set from any thread, read as a copy and called without the lock, so the function
// may itself show boxes or post. Made on first use (a function-local static), since the probes
// set hooks while the process's statics are constructed.
template <typename Function>
class Hook {
 public:
  void Set(Function function) {
    std::lock_guard<std::mutex> guard(lock_);
    function_ = std::move(function);
  }
  Function Get() {
    std::lock_guard<std::mutex> guard(lock_);
    return function_;
  }

 private:
  std::mutex lock_;
  Function function_;
};

struct MessageBoxRequest {
  WindowHandle owner = 0;
  std::wstring text;
  std::wstring caption;
  std::uint32_t flags = 0;
};
// Called on the thread that shows the box; returns the answer (kIdYes, kIdNo, kIdOk).
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);
// The answer a box gets when nobody gives one: No to a Yes/No question, else OK.
inline int DefaultMessageBoxAnswer(std::uint32_t flags) { return (flags & 0xF) == kMbYesNo ? kIdNo : kIdOk; }

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
