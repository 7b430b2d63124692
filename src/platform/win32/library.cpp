#include "platform/library.h"

#include <windows.h>

#include <utility>

#include "platform/win32/scoped_handle.h"

namespace platform {

namespace {

class Win32Library : public Library {
 public:
  explicit Win32Library(win32::ScopedModule module) : module_(std::move(module)) {}

  LibraryProc Export(const char* name, std::uint32_t* error) const override {
    FARPROC proc = GetProcAddress(module_.get(), name);
    if (!proc && error) {
      DWORD code = GetLastError();
      *error = code ? code : kErrorProcNotFound;
    }
    return reinterpret_cast<LibraryProc>(proc);
  }

 private:
  win32::ScopedModule module_;
};

}  // namespace

std::unique_ptr<Library> LoadLibraryAt(const std::wstring& path, std::uint32_t* error) {
  win32::ScopedModule module(LoadLibraryW(path.c_str()));
  if (!module) {
    DWORD code = GetLastError();
    if (error) *error = code ? code : kErrorModNotFound;
    return nullptr;
  }
  return std::make_unique<Win32Library>(std::move(module));
}

}  // namespace platform
