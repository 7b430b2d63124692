#pragma once
// Host only: the life of one started host process, shared by the hidden and the piped process:
// waiting with a time limit, the exit code, ending it, and reaping it when the object goes.
// A substitute tool hands its whole 32-bit exit code back through the channel of
// platform/host/system/exit_code.h, which both starters open.
#include <spawn.h>
#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace platform::host {

// The exit code channel of a child about to start: the write end goes to the child as
// descriptor kExitCodeDescriptor, named in its environment; the read end stays here.
struct ExitChannel {
  int readEnd = -1;
  int childEnd = -1;
};
// Opens the channel (both ends -1 when it can't be made: the child then reports 8 bits) and
// adds it to the child's file actions and environment overrides.
ExitChannel OpenExitChannel(posix_spawn_file_actions_t& actions, std::vector<std::string>& overrides);
// After the spawn: closes the child's end here, and the read end too when the spawn failed.
void CloseChildEnd(ExitChannel& channel, bool started);

class HostProcess {
 public:
  // `ownGroup`: the process leads a process group of its own, and ending it ends the group
  // (the program and whatever it started). `exitChannel`: the read end of its exit code
  // channel (non-blocking), -1 for none; the object owns it.
  HostProcess(pid_t pid, bool ownGroup, int exitChannel = -1)
      : pid_(pid), ownGroup_(ownGroup), exitChannel_(exitChannel) {}
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
  int exitChannel_;
  std::optional<std::uint32_t> reported_;  // the whole code the tool wrote into the channel
  bool reaped_ = false;
  std::uint32_t exitCode_ = 0;
  std::optional<std::uint32_t> terminateCode_;
};

}  // namespace platform::host
