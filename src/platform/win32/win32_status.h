#pragma once
// Windows: the Status of a failed Win32 call, from the thread's GetLastError.
#include <windows.h>

#include <string>

#include "platform/status.h"

namespace platform::win32 {

// The failure of `call` on `object` with GetLastError's code. The arguments are taken as they
// are, without copying, so nothing allocates (and may touch the last error) between the failed
// call and the read; an object built for the purpose goes through Status::On afterwards.
inline Status LastError(const char* call, const std::wstring& object = {}) {
  const DWORD code = GetLastError();
  return Status::Win32(code, call, object);
}

// Success when `ok`, else the failure as LastError gives it.
inline Status Check(bool ok, const char* call, const std::wstring& object = {}) {
  const DWORD code = ok ? ERROR_SUCCESS : GetLastError();
  return ok ? Status() : Status::Win32(code, call, object);
}

}  // namespace platform::win32
