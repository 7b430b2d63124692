// Host: a console program started without a window is a real host process. The command line's
// program is resolved on the simulated machine (diskpart -> the machine's system folder), and
// the child is told the machine in DRAVENTA_MACHINE, so it works on the same machine.
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/host/command_line.h"
#include "platform/host/host_process.h"
#include "platform/host/machine.h"
#include "platform/process.h"

namespace platform {

namespace {

class HostChildProcess : public ChildProcess {
 public:
  explicit HostChildProcess(pid_t pid) : process_(pid, false) {}
  WaitOutcome Wait(std::uint32_t timeoutMs) override { return process_.Wait(timeoutMs); }
  bool ExitCode(std::uint32_t& code) override { return process_.ExitCode(code); }
  bool Terminate(std::uint32_t exitCode) override { return process_.Terminate(exitCode); }

 private:
  host::HostProcess process_;
};

}  // namespace

std::unique_ptr<ChildProcess> StartHiddenProcess(const std::wstring& commandLine) {
  std::string program;
  std::vector<std::string> args = host::HostArguments(commandLine, program);
  if (program.empty()) return nullptr;

  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // No window, no console: the child reads nothing and its standard output goes nowhere. Its
  // standard error stays with the parent's, where a host tool's diagnostics are useful.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> environment = host::Machine::ChildEnvironment();
  std::vector<char*> envp;
  for (auto& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return nullptr;
  return std::make_unique<HostChildProcess>(pid);
}

}  // namespace platform
