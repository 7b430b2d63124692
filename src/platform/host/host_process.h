#pragma once
// Host only: the life of one started host process, shared by the hidden and the piped process:
// waiting with a time limit, the exit code, ending it, and reaping it when the object goes.
#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/process.h"

namespace platform::host {

class HostProcess {
 public:
  // `ownGroup`: the process leads a process group of its own, and ending it ends the group
  // (the program and whatever it started).
  HostProcess(pid_t pid, bool ownGroup) : pid_(pid), ownGroup_(ownGroup) {}
  // A child still running when the object goes is reaped by a detached thread once it ends,
  // so it is neither ended nor left behind as a zombie.
  ~HostProcess();
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  Result<WaitOutcome> Wait(std::uint32_t timeoutMs);
  Result<std::uint32_t> ExitCode();
  Status Terminate(std::uint32_t exitCode);

 private:
  std::mutex lock_;
  pid_t pid_;
  bool ownGroup_;
  bool reaped_ = false;
  std::uint32_t exitCode_ = 0;
  std::optional<std::uint32_t> terminateCode_;
};

}  // namespace platform::host
