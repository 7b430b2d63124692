#pragma once
// Windows: the process handle shared by the hidden and the piped process: waiting, the exit
// code, ending it; the handle is closed with the object.
#include <windows.h>

#include <cstdint>

#include "platform/process.h"

namespace platform::win32 {

class ProcessHandle {
 public:
  explicit ProcessHandle(HANDLE process) : process_(process) {}
  ~ProcessHandle() { CloseHandle(process_); }
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;

  WaitOutcome Wait(std::uint32_t timeoutMs) {
    switch (WaitForSingleObject(process_, timeoutMs == kWaitForever ? INFINITE : timeoutMs)) {
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
    if (!GetExitCodeProcess(process_, &value) || value == STILL_ACTIVE) return false;
    code = value;
    return true;
  }

  bool Terminate(std::uint32_t exitCode) { return TerminateProcess(process_, exitCode) != FALSE; }

 private:
  HANDLE process_;
};

}  // namespace platform::win32
