#pragma once
// Windows: the process handle shared by the hidden and the piped process: waiting, the exit
// code, ending it; the handle is closed with the object.
#include <windows.h>

#include <cstdint>
#include <utility>

#include "platform/process.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_status.h"

namespace platform::win32 {

class ProcessHandle {
 public:
  explicit ProcessHandle(ScopedKernelHandle process) : process_(std::move(process)) {}

  Result<WaitOutcome> Wait(std::uint32_t timeoutMs) {
    switch (WaitForSingleObject(process_.get(), timeoutMs == kWaitForever ? INFINITE : timeoutMs)) {
      case WAIT_OBJECT_0:
        return WaitOutcome::Exited;
      case WAIT_TIMEOUT:
        return WaitOutcome::TimedOut;
      default:
        return LastError("WaitForSingleObject");
    }
  }

  // Fails while the process still runs (ERROR_INVALID_PARAMETER: no exit code yet).
  Result<std::uint32_t> ExitCode() {
    DWORD value = 0;
    if (!GetExitCodeProcess(process_.get(), &value)) return LastError("GetExitCodeProcess");
    if (value == STILL_ACTIVE) return Status::Win32(ERROR_INVALID_PARAMETER, "GetExitCodeProcess");
    return static_cast<std::uint32_t>(value);
  }

  Status Terminate(std::uint32_t exitCode) {
    return Check(TerminateProcess(process_.get(), exitCode) != FALSE, "TerminateProcess");
  }

 private:
  ScopedKernelHandle process_;
};

}  // namespace platform::win32
