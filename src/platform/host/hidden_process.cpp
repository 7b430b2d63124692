// Host: a console program started without a window is a real host process. The command line's
// program is resolved on the simulated machine (the system folder's diskpart.exe -> the
// substitute installed there), and the child is told the machine in DRAVENTA_MACHINE, so it
// works on the same machine. A substitute tool may end with a whole 32-bit Windows exit code
// through the channel of platform/host/system/exit_code.h.
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "sim/machine/command_line.h"
#include "platform/host/errors.h"
#include "platform/host/system/exit_code.h"
#include "platform/host/host_process.h"
#include "sim/machine/machine.h"
#include "platform/process.h"
#include "platform/types.h"

namespace platform {

namespace {

class HostChildProcess : public ChildProcess {
 public:
  // `exitChannel`: the read end of the exit code pipe (non-blocking), -1 for none.
  HostChildProcess(pid_t pid, int exitChannel) : process_(pid, false), exitChannel_(exitChannel) {}
  ~HostChildProcess() override {
    if (exitChannel_ >= 0) ::close(exitChannel_);
  }
  Result<WaitOutcome> Wait(std::uint32_t timeoutMs) override { return process_.Wait(timeoutMs); }
  Result<std::uint32_t> ExitCode() override {
    Result<std::uint32_t> ended = process_.ExitCode();
    if (!ended) return ended;
    std::uint32_t code = *ended;
    // The status keeps the code's low 8 bits; the channel, when the tool wrote it, the rest.
    if (!reported_ && exitChannel_ >= 0) {
      unsigned char bytes[4];
      if (::read(exitChannel_, bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes)) {
        std::uint32_t whole = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                              static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
        std::uint32_t status = whole == 0 ? 0 : ((whole & 0xFF) != 0 ? (whole & 0xFF) : 1);
        if (status == code) reported_ = whole;
      }
      ::close(exitChannel_);
      exitChannel_ = -1;
    }
    if (reported_) code = *reported_;
    return code;
  }
  Status Terminate(std::uint32_t exitCode) override { return process_.Terminate(exitCode); }

 private:
  host::HostProcess process_;
  int exitChannel_;
  std::optional<std::uint32_t> reported_;
};

}  // namespace

Result<std::unique_ptr<ChildProcess>> StartHiddenProcess(const std::wstring& commandLine) {
  std::string program;
  std::vector<std::string> args = host::HostArguments(commandLine, program);
  // As CreateProcessW for a missing program.
  if (program.empty()) return Status::Win32(kErrorFileNotFound, "CreateProcessW", commandLine);

  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // The exit code channel: the write end goes to the child as descriptor 3 (duplicated from a
  // descriptor above it, so the duplicate loses close-on-exec), the read end stays here.
  int channel[2] = {-1, -1};
  int childEnd = -1;
  if (::pipe2(channel, O_CLOEXEC | O_NONBLOCK) == 0) {
    childEnd = ::fcntl(channel[1], F_DUPFD_CLOEXEC, host::kExitCodeDescriptor + 1);
    ::close(channel[1]);
    if (childEnd < 0) {
      ::close(channel[0]);
      channel[0] = -1;
    }
  }

  // No window, no console: the child reads nothing and its standard output goes nowhere. Its
  // standard error stays with the parent's, where a host tool's diagnostics are useful.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> overrides;
  if (childEnd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, childEnd, host::kExitCodeDescriptor);
    overrides.push_back(std::string(host::kExitCodeVariable) + "=" + std::to_string(host::kExitCodeDescriptor));
  }
  std::vector<std::string> environment = host::Machine::ChildEnvironment(overrides);
  std::vector<char*> envp;
  for (auto& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (childEnd >= 0) ::close(childEnd);
  if (rc != 0) {
    if (channel[0] >= 0) ::close(channel[0]);
    return Status::Win32(host::WindowsCodeOfErrno(rc), "CreateProcessW", commandLine);
  }
  return std::unique_ptr<ChildProcess>(std::make_unique<HostChildProcess>(pid, channel[0]));
}

}  // namespace platform
