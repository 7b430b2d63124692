#include "platform/resources.h"

#include <windows.h>

namespace platform {

// RCDATA resources of the executable that started the process; FindResourceW compares names
// without regard to case.
bool LoadDataResource(const std::wstring& name, std::vector<std::uint8_t>& bytes) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return false;
  DWORD size = SizeofResource(module, found);
  const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
  if (!data && size != 0) return false;
  bytes.assign(data, data + size);
  return true;
}

}  // namespace platform
