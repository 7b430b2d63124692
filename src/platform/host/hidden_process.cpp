// Host: a console program started without a window is a real host process. The command line's
// program is resolved on the simulated machine (the system folder's diskpart.exe -> the
// substitute installed there), and the child is told the machine in DRAVENTA_MACHINE, so it
// works on the same machine. A substitute tool may end with a whole 32-bit Windows exit code
// through the channel of platform/host/system/exit_code.h.
#include <fcntl.h>
#include <spawn.h>

#include <cerrno>
#include <string>
#include <vector>

#include "sim/machine/command_line.h"
#include "platform/host/errors.h"
#include "platform/host/host_process.h"
#include "sim/machine/machine.h"
#include "platform/process.h"
#include "platform/types.h"

namespace platform {

namespace {

class HostChildProcess : public ChildProcess {
 public:
  HostChildProcess(pid_t pid, int exitChannel) : process_(pid, false, exitChannel) {}
  Result<WaitOutcome> Wait(std::uint32_t timeoutMs) override { return process_.Wait(timeoutMs); }
  Result<std::uint32_t> ExitCode() override { return process_.ExitCode(); }
  Status Terminate(std::uint32_t exitCode) override { return process_.Terminate(exitCode); }

 private:
  host::HostProcess process_;
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

  // No window, no console: the child reads nothing and its standard output goes nowhere. Its
  // standard error stays with the parent's, where a host tool's diagnostics are useful.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> overrides;
  host::ExitChannel channel = host::OpenExitChannel(actions, overrides);
  std::vector<std::string> environment = host::Machine::ChildEnvironment(overrides);
  std::vector<char*> envp;
  for (auto& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  host::CloseChildEnd(channel, rc == 0);
  if (rc != 0) {
    return Status::Win32(host::WindowsCodeOfErrno(rc), "CreateProcessW", commandLine);
  }
  return std::unique_ptr<ChildProcess>(std::make_unique<HostChildProcess>(pid, channel.readEnd));
}

}  // namespace platform
