#include "platform/library.h"

#include <windows.h>

#include <utility>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_status.h"

namespace platform {

namespace {

class Win32Library : public Library {
 public:
  explicit Win32Library(win32::ScopedModule module) : module_(std::move(module)) {}

  Result<LibraryProc> Export(const char* name) const override {
    FARPROC proc = GetProcAddress(module_.get(), name);
    if (!proc) {
      DWORD code = GetLastError();
      return Status::Win32(code ? code : kErrorProcNotFound, "GetProcAddress",
                           std::wstring(name, name + std::char_traits<char>::length(name)));
    }
    return reinterpret_cast<LibraryProc>(proc);
  }

 private:
  win32::ScopedModule module_;
};

}  // namespace

std::wstring RestrictLibrarySearch() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // Looked up at run time: a static import would keep the program from starting on a Windows 7
  // without the update.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return L"libraries are searched in the system folder only";
  if (SetDllDirectoryW(L"")) return L"the current folder is taken out of the library search (no SetDefaultDllDirectories)";
  return L"the library search could not be restricted, error " + std::to_wstring(GetLastError());
}

Result<std::unique_ptr<Library>> LoadLibraryAt(const std::wstring& path) {
  win32::ScopedModule module(LoadLibraryW(path.c_str()));
  if (!module) {
    DWORD code = GetLastError();
    return Status::Win32(code ? code : kErrorModNotFound, "LoadLibraryW", path);
  }
  return std::unique_ptr<Library>(std::make_unique<Win32Library>(std::move(module)));
}

}  // namespace platform
