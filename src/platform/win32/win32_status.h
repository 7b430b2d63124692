#pragma once
// Windows: the Status of a failed Win32 call, from the thread's GetLastError.
#include <windows.h>

#include <string>
#include <utility>

#include "platform/status.h"

namespace platform::win32 {

// The failure of `call` on `object` with GetLastError's code (read before anything else runs).
inline Status LastError(std::string call, std::wstring object = {}) {
  const DWORD code = GetLastError();
  return Status::Win32(code, std::move(call), std::move(object));
}

// Success when `ok`, else the failure as LastError gives it.
inline Status Check(bool ok, std::string call, std::wstring object = {}) {
  const DWORD code = ok ? ERROR_SUCCESS : GetLastError();
  return ok ? Status() : Status::Win32(code, std::move(call), std::move(object));
}

}  // namespace platform::win32
