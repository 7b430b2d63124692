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

// Made first thing at start, before any library is loaded by name: libraries are searched in
// the system folder only, never in the program's folder (often Downloads, where anyone may drop
// a DLL) or the current folder, so no planted DLL runs with the program's administrator rights
// (SetDefaultDllDirectories where the system has it: Windows 8 and later, Windows 7 with update
// KB2533623; else SetDllDirectoryW(L""), which takes the current folder out). Also turns off
// the system's boxes for a drive without a medium ("There is no disk in the drive"), which
// would block the thread that touched an empty card reader or DVD drive. Returns what was done,
// for the trace.
std::wstring RestrictLibrarySearch();

// Loads the library file at `path` (LoadLibraryW); kErrorModNotFound when the system gives no
// code.
Result<std::unique_ptr<Library>> LoadLibraryAt(const std::wstring& path);

}  // namespace platform
