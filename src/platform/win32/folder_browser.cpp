#include "platform/folder_browser.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace platform {

std::wstring BrowseForFolder(WindowHandle owner, const std::wstring& title) {
  // The browser needs COM on this thread; it stays as it was found.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  BROWSEINFOW info{};
  info.hwndOwner = reinterpret_cast<HWND>(owner);
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  std::wstring path;
  if (PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info)) {
    wchar_t buffer[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen, buffer)) path = buffer;
    CoTaskMemFree(chosen);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return path;
}

}  // namespace platform
