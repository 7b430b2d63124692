#pragma once
// Windows: the process handle shared by the hidden and the piped process: waiting, the exit
// code, ending it; the handle is closed with the object.
#include <windows.h>

#include <cstdint>
#include <utility>

#include "platform/process.h"
#include "platform/win32/scoped_handle.h"

namespace platform::win32 {

class ProcessHandle {
 public:
  explicit ProcessHandle(ScopedKernelHandle process) : process_(std::move(process)) {}

  WaitOutcome Wait(std::uint32_t timeoutMs) {
    switch (WaitForSingleObject(process_.get(), timeoutMs == kWaitForever ? INFINITE : timeoutMs)) {
      case WAIT_OBJECT_0:
        return WaitOutcome::Exited;
      case WAIT_TIMEOUT:
        return WaitOutcome::TimedOut;
      default:
        return WaitOutcome::Failed;
    }
  }

  // False while the process still runs.
  bool ExitCode(std::uint32_t& code) {
    DWORD value = 0;
    if (!GetExitCodeProcess(process_.get(), &value) || value == STILL_ACTIVE) return false;
    code = value;
    return true;
  }

  bool Terminate(std::uint32_t exitCode) { return TerminateProcess(process_.get(), exitCode) != FALSE; }

 private:
  ScopedKernelHandle process_;
};

}  // namespace platform::win32
