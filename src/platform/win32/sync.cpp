#include "platform/sync.h"

#include <windows.h>

namespace platform {

namespace {
class Win32Mutex : public NamedMutex {
 public:
  explicit Win32Mutex(HANDLE handle) : handle_(handle) {}
  ~Win32Mutex() override { CloseHandle(handle_); }

 private:
  HANDLE handle_;
};
}  // namespace

bool NamedMutexExists(const std::wstring& name) {
  HANDLE handle = OpenMutexW(0, FALSE, name.c_str());
  if (!handle) return false;
  CloseHandle(handle);
  return true;
}

std::unique_ptr<NamedMutex> CreateNamedMutex(const std::wstring& name, bool& alreadyExisted) {
  HANDLE handle = CreateMutexW(nullptr, TRUE, name.c_str());
  alreadyExisted = GetLastError() == ERROR_ALREADY_EXISTS;
  if (!handle) return nullptr;
  return std::make_unique<Win32Mutex>(handle);
}

}  // namespace platform
