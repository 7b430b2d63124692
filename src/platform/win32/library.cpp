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

  Result<LibraryProc> Export(const char* name) const override {
    FARPROC proc = GetProcAddress(module_, name);
    if (!proc) {
      DWORD code = GetLastError();
      return Status::Win32(code ? code : kErrorProcNotFound, "GetProcAddress",
                           std::wstring(name, name + std::char_traits<char>::length(name)));
    }
    return reinterpret_cast<LibraryProc>(proc);
  }

 private:
  HMODULE module_;
};

}  // namespace

Result<std::unique_ptr<Library>> LoadLibraryAt(const std::wstring& path) {
  HMODULE module = LoadLibraryW(path.c_str());
  if (!module) {
    DWORD code = GetLastError();
    return Status::Win32(code ? code : kErrorModNotFound, "LoadLibraryW", path);
  }
  return std::unique_ptr<Library>(std::make_unique<Win32Library>(module));
}

}  // namespace platform
