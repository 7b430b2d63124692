#include "platform/host/host_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/host/errors.h"
#include "platform/host/system/exit_code.h"
#include "platform/types.h"

namespace platform::host {

ExitChannel OpenExitChannel(posix_spawn_file_actions_t& actions, std::vector<std::string>& overrides) {
  // The write end is duplicated to a descriptor above kExitCodeDescriptor, so the child's
  // duplicate onto kExitCodeDescriptor loses close-on-exec.
  ExitChannel channel;
  int ends[2] = {-1, -1};
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return channel;
  channel.childEnd = ::fcntl(ends[1], F_DUPFD_CLOEXEC, kExitCodeDescriptor + 1);
  ::close(ends[1]);
  if (channel.childEnd < 0) {
    ::close(ends[0]);
    return channel;
  }
  channel.readEnd = ends[0];
  posix_spawn_file_actions_adddup2(&actions, channel.childEnd, kExitCodeDescriptor);
  overrides.push_back(std::string(kExitCodeVariable) + "=" + std::to_string(kExitCodeDescriptor));
  return channel;
}

void CloseChildEnd(ExitChannel& channel, bool started) {
  if (channel.childEnd >= 0) ::close(channel.childEnd);
  channel.childEnd = -1;
  if (!started && channel.readEnd >= 0) ::close(channel.readEnd);
  if (!started) channel.readEnd = -1;
}

HostProcess::~HostProcess() {
  std::lock_guard<std::mutex> guard(lock_);
  if (exitChannel_ >= 0) ::close(exitChannel_);
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
  // The status keeps the code's low 8 bits; the channel, when the tool wrote it, the rest.
  if (!reported_ && exitChannel_ >= 0) {
    unsigned char bytes[4];
    if (::read(exitChannel_, bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes)) {
      std::uint32_t whole = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                            static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
      std::uint32_t status = whole == 0 ? 0 : ((whole & 0xFF) != 0 ? (whole & 0xFF) : 1);
      if (status == exitCode_) reported_ = whole;
    }
    ::close(exitChannel_);
    exitChannel_ = -1;
  }
  return reported_ ? *reported_ : exitCode_;
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
