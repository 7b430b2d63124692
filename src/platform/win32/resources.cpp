#include "platform/resources.h"

#include <windows.h>

#include "platform/win32/win32_status.h"

namespace platform {

// RCDATA resources of the executable that started the process; FindResourceW compares names
// without regard to case.
Result<std::vector<std::uint8_t>> LoadDataResource(const std::wstring& name) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return win32::LastError("FindResourceW", name);
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return win32::LastError("LoadResource", name);
  DWORD size = SizeofResource(module, found);
  const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
  if (!data && size != 0) return win32::LastError("LockResource", name);
  return std::vector<std::uint8_t>(data, data + size);
}

}  // namespace platform
