#include <windows.h>

#include "platform/process.h"

namespace platform {

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

const wchar_t* ProcessArchitecture() { return sizeof(void*) == 8 ? L"amd64" : L"x86"; }

}  // namespace platform
