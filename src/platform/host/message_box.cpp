#include "platform/message_box.h"

#include <mutex>

#include "platform/host/user_hooks.h"

namespace platform {

namespace {
// Set by the probes while statics are constructed, so it is made on first use.
struct Hook {
  std::mutex lock;
  host::hooks::MessageBoxHook call;
};
Hook& TheHook() {
  static Hook hook;
  return hook;
}
}  // namespace

void host::hooks::SetMessageBoxHook(MessageBoxHook hook) {
  Hook& h = TheHook();
  std::lock_guard<std::mutex> guard(h.lock);
  h.call = std::move(hook);
}

// The hook is called without the lock, so it may show boxes of its own or read the record.
int ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption, std::uint32_t flags) {
  host::hooks::MessageBoxHook hook;
  {
    Hook& h = TheHook();
    std::lock_guard<std::mutex> guard(h.lock);
    hook = h.call;
  }
  if (hook) return hook(host::hooks::MessageBoxRequest{owner, text, caption, flags});
  return (flags & 0xF) == kMbYesNo ? kIdNo : kIdOk;
}

WindowHandle ApplicationWindow() { return 0x1; }

}  // namespace platform
