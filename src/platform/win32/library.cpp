#include "platform/library.h"

#include <windows.h>

namespace platform {

namespace {

class Win32Library : public Library {
 public:
  explicit Win32Library(HMODULE module) : module_(module) {}
  ~Win32Library() override { FreeLibrary(module_); }
  Win32Library(const Win32Library&) = delete;
  Win32Library& operator=(const Win32Library&) = delete;

  LibraryProc Export(const char* name, std::uint32_t* error) const override {
    FARPROC proc = GetProcAddress(module_, name);
    if (!proc && error) {
      DWORD code = GetLastError();
      *error = code ? code : kErrorProcNotFound;
    }
    return reinterpret_cast<LibraryProc>(proc);
  }

 private:
  HMODULE module_;
};

}  // namespace

std::unique_ptr<Library> LoadLibraryAt(const std::wstring& path, std::uint32_t* error) {
  HMODULE module = LoadLibraryW(path.c_str());
  if (!module) {
    DWORD code = GetLastError();
    if (error) *error = code ? code : kErrorModNotFound;
    return nullptr;
  }
  return std::make_unique<Win32Library>(module);
}

}  // namespace platform
