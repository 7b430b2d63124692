#include "platform/folder_browser.h"

#include "platform/host/user_hooks.h"

namespace platform {

namespace {
host::hooks::Hook<host::hooks::FolderBrowserHook>& TheHook() {
  static host::hooks::Hook<host::hooks::FolderBrowserHook> hook;
  return hook;
}
}  // namespace

void host::hooks::SetFolderBrowserHook(FolderBrowserHook hook) { TheHook().Set(std::move(hook)); }

// Cancelled when nobody chooses.
std::wstring BrowseForFolder(WindowHandle owner, const std::wstring& title) {
  host::hooks::FolderBrowserHook hook = TheHook().Get();
  return hook ? hook(owner, title) : std::wstring();
}

}  // namespace platform
