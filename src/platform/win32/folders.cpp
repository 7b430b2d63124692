#include "platform/folders.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace platform {

namespace {
std::wstring WithBackslash(std::wstring path) {
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}
}  // namespace

std::string CommonAppDataFolder() {
  char buffer[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_COMMON_APPDATA, FALSE)) return {};
  return buffer;
}

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH] = {};
  UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(buffer, length);
}

std::wstring WindowsFolder() {
  wchar_t buffer[MAX_PATH] = {};
  UINT length = GetSystemWindowsDirectoryW(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::wstring path(buffer, length);
  if (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring ProgramFilesX86Folder() {
  wchar_t buffer[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_PROGRAM_FILESX86, FALSE)) return {};
  std::wstring path = buffer;
  if (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring ExecutableFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      std::size_t slash = path.find_last_of(L"\\/");
      return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    }
    buffer.resize(buffer.size() * 2);  // truncated: try a larger buffer
  }
}

std::wstring CurrentFolder() {
  DWORD length = GetCurrentDirectoryW(0, nullptr);
  if (length == 0) return {};
  std::wstring path(length, L'\0');
  length = GetCurrentDirectoryW(length, path.data());
  if (length == 0 || length >= path.size()) return {};
  path.resize(length);
  return WithBackslash(path);
}

}  // namespace platform
