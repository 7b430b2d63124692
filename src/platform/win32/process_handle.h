#pragma once
// Windows: the process handle shared by the hidden and the piped process: waiting, the exit
// code, ending it; the handle is closed with the object.
#include <windows.h>

#include <cstdint>

#include "platform/process.h"
#include "platform/win32/win32_status.h"

namespace platform::win32 {

class ProcessHandle {
 public:
  explicit ProcessHandle(HANDLE process) : process_(process) {}
  ~ProcessHandle() { CloseHandle(process_); }
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;

  Result<WaitOutcome> Wait(std::uint32_t timeoutMs) {
    switch (WaitForSingleObject(process_, timeoutMs == kWaitForever ? INFINITE : timeoutMs)) {
      case WAIT_OBJECT_0:
        return WaitOutcome::Exited;
      case WAIT_TIMEOUT:
        return WaitOutcome::TimedOut;
      default:
        return win32::LastError("WaitForSingleObject");
    }
  }

  // Fails while the process still runs (ERROR_INVALID_PARAMETER: no exit code yet).
  Result<std::uint32_t> ExitCode() {
    DWORD value = 0;
    if (!GetExitCodeProcess(process_, &value)) return win32::LastError("GetExitCodeProcess");
    if (value == STILL_ACTIVE) return Status::Win32(ERROR_INVALID_PARAMETER, "GetExitCodeProcess");
    return static_cast<std::uint32_t>(value);
  }

  Status Terminate(std::uint32_t exitCode) {
    return win32::Check(TerminateProcess(process_, exitCode) != FALSE, "TerminateProcess");
  }

 private:
  HANDLE process_;
};

}  // namespace platform::win32
