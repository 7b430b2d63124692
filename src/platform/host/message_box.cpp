#include "platform/message_box.h"

#include "platform/host/user_hooks.h"

namespace platform {

namespace {
host::hooks::Hook<host::hooks::MessageBoxHook>& TheHook() {
  static host::hooks::Hook<host::hooks::MessageBoxHook> hook;
  return hook;
}
}  // namespace

void host::hooks::SetMessageBoxHook(MessageBoxHook hook) { TheHook().Set(std::move(hook)); }

int ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption, std::uint32_t flags) {
  if (host::hooks::MessageBoxHook hook = TheHook().Get()) return hook({owner, text, caption, flags});
  return host::hooks::DefaultMessageBoxAnswer(flags);
}

WindowHandle ApplicationWindow() { return 0x1; }

}  // namespace platform
