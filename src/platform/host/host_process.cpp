#include "platform/host/host_process.h"

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/host/errors.h"
#include "platform/types.h"

namespace platform::host {

HostProcess::~HostProcess() {
  std::lock_guard<std::mutex> guard(lock_);
  if (reaped_) return;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) return;
  pid_t pid = pid_;
  std::thread([pid] {
    int ignored = 0;
    ::waitpid(pid, &ignored, 0);
  }).detach();
}

Result<WaitOutcome> HostProcess::Wait(std::uint32_t timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (reaped_) return WaitOutcome::Exited;
      int status = 0;
      pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        reaped_ = true;
        // A process ended by Terminate reports the code its caller chose, as TerminateProcess
        // does; one killed by another signal reports 128 + the signal.
        exitCode_ = WIFEXITED(status) ? static_cast<std::uint32_t>(WEXITSTATUS(status))
                                      : (terminateCode_ ? *terminateCode_ : 128u + WTERMSIG(status));
        return WaitOutcome::Exited;
      }
      if (done < 0) return Status::Win32(WindowsCodeOfErrno(errno), "WaitForSingleObject");
    }
    if (timeoutMs != kWaitForever && std::chrono::steady_clock::now() >= deadline) return WaitOutcome::TimedOut;
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(20)) pause *= 2;
  }
}

Result<std::uint32_t> HostProcess::ExitCode() {
  std::lock_guard<std::mutex> guard(lock_);
  // Still running: no exit code yet.
  if (!reaped_) return Status::Win32(kErrorInvalidParameter, "GetExitCodeProcess");
  return exitCode_;
}

Status HostProcess::Terminate(std::uint32_t exitCode) {
  std::lock_guard<std::mutex> guard(lock_);
  if (reaped_) return Status::Win32(kErrorAccessDenied, "TerminateProcess");  // as for an ended process
  terminateCode_ = exitCode;
  if (ownGroup_) ::kill(-pid_, SIGKILL);
  if (::kill(pid_, SIGKILL) == 0 || errno == ESRCH) return {};
  return Status::Win32(WindowsCodeOfErrno(errno), "TerminateProcess");
}

}  // namespace platform::host
