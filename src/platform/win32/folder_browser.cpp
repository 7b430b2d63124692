#include "platform/folder_browser.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/win32/scoped_handle.h"

namespace platform {

std::wstring BrowseForFolder(WindowHandle owner, const std::wstring& title) {
  // The browser needs COM on this thread; it stays as it was found.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  BROWSEINFOW info{};
  info.hwndOwner = reinterpret_cast<HWND>(owner);
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  std::wstring path;
  if (win32::ScopedCoTaskMemory<PIDLIST_ABSOLUTE> chosen(SHBrowseForFolderW(&info)); chosen) {
    wchar_t buffer[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen.get(), buffer)) path = buffer;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return path;
}

}  // namespace platform
