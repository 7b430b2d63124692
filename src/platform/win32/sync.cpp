#include "platform/sync.h"

#include <windows.h>

#include <utility>

#include "platform/win32/scoped_handle.h"

namespace platform {

namespace {
class Win32Mutex : public NamedMutex {
 public:
  explicit Win32Mutex(win32::ScopedKernelHandle handle) : handle_(std::move(handle)) {}

 private:
  win32::ScopedKernelHandle handle_;
};
}  // namespace

bool NamedMutexExists(const std::wstring& name) {
  return win32::ScopedKernelHandle(OpenMutexW(0, FALSE, name.c_str())).is_valid();
}

std::unique_ptr<NamedMutex> CreateNamedMutex(const std::wstring& name, bool& alreadyExisted) {
  win32::ScopedKernelHandle handle(CreateMutexW(nullptr, TRUE, name.c_str()));
  alreadyExisted = GetLastError() == ERROR_ALREADY_EXISTS;
  if (!handle) return nullptr;
  return std::make_unique<Win32Mutex>(std::move(handle));
}

}  // namespace platform
