#pragma once
// Dynamic libraries that lie beside the program (the translation library): load one by its
// Windows path, look up an export by name, release it with the object.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/status.h"

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
  // The export named `name` (GetProcAddress); kErrorProcNotFound when the system gives no code.
  virtual Result<LibraryProc> Export(const char* name) const = 0;
};

// Loads the library file at `path` (LoadLibraryW); kErrorModNotFound when the system gives no
// code.
Result<std::unique_ptr<Library>> LoadLibraryAt(const std::wstring& path);

}  // namespace platform
