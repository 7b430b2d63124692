#include "platform/folder_browser.h"

#include <mutex>

#include "platform/host/user_hooks.h"

namespace platform {

namespace {
// Set by the probes while statics are constructed, so it is made on first use.
struct Hook {
  std::mutex lock;
  host::hooks::FolderBrowserHook call;
};
Hook& TheHook() {
  static Hook hook;
  return hook;
}
}  // namespace

void host::hooks::SetFolderBrowserHook(FolderBrowserHook hook) {
  Hook& h = TheHook();
  std::lock_guard<std::mutex> guard(h.lock);
  h.call = std::move(hook);
}

std::wstring BrowseForFolder(WindowHandle owner, const std::wstring& title) {
  host::hooks::FolderBrowserHook hook;
  {
    Hook& h = TheHook();
    std::lock_guard<std::mutex> guard(h.lock);
    hook = h.call;
  }
  return hook ? hook(owner, title) : std::wstring();
}

}  // namespace platform
