#pragma once
// Dynamic libraries that lie beside the program (the translation library): load one by its
// Windows path, look up an export by name, release it with the object.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Windows error codes of a failed load or lookup.
constexpr std::uint32_t kErrorModNotFound = 126;   // the file is missing or is no loadable library
constexpr std::uint32_t kErrorProcNotFound = 127;  // the library has no export of that name

// The address of an export. The caller converts it to the export's real function type (a
// function pointer type of the form void (*)() converts to any other without a warning).
using LibraryProc = void (*)();

class Library {
 public:
  virtual ~Library() = default;  // releases the library (FreeLibrary)
  // The export named `name` (GetProcAddress), or null with `error` set to the system's code.
  virtual LibraryProc Export(const char* name, std::uint32_t* error = nullptr) const = 0;
};

// Loads the library file at `path` (LoadLibraryW). Null when it can't be loaded, with `error`
// set to the system's code (kErrorModNotFound when the system gives none).
std::unique_ptr<Library> LoadLibraryAt(const std::wstring& path, std::uint32_t* error = nullptr);

}  // namespace platform
