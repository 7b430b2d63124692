#include "platform/library.h"

#include <dlfcn.h>

#include "sim/machine/machine.h"
#include "platform/types.h"

namespace platform {

namespace {

class HostLibrary : public Library {
 public:
  explicit HostLibrary(void* handle) : handle_(handle) {}
  ~HostLibrary() override { ::dlclose(handle_); }
  HostLibrary(const HostLibrary&) = delete;
  HostLibrary& operator=(const HostLibrary&) = delete;

  Result<LibraryProc> Export(const char* name) const override {
    void* symbol = ::dlsym(handle_, name);
    if (!symbol) return Status::Win32(kErrorProcNotFound, "GetProcAddress", std::wstring(name, name + std::char_traits<char>::length(name)));
    return reinterpret_cast<LibraryProc>(symbol);
  }

 private:
  void* handle_;
};

}  // namespace

// The Windows path is mapped to its file on the simulated machine, which is loaded as a host
// shared object whatever its name (the program asks for "QvMultiLang.dll"). A file that is no
// shared object fails as Windows fails a file that is no library.
// The host loads no libraries by name and shows no system boxes.
std::wstring RestrictLibrarySearch() { return L"libraries are searched in the system folder only"; }

Result<std::unique_ptr<Library>> LoadLibraryAt(const std::wstring& path) {
  std::string hostPath = host::Machine::HostPath(path);
  void* handle = hostPath.empty() ? nullptr : ::dlopen(hostPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return Status::Win32(hostPath.empty() ? kErrorPathNotFound : kErrorModNotFound, "LoadLibraryW", path);
  return std::unique_ptr<Library>(std::make_unique<HostLibrary>(handle));
}

}  // namespace platform
