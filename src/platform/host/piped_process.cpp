// Host: a program whose standard output and error go into one real pipe. The command line's
// program is resolved on the simulated machine (C:\...\oscdimg.exe -> the substitute installed
// there); the child is told the machine in DRAVENTA_MACHINE, so it works on the same
// machine. It also gets its Windows command line, unsplit, in DRAVENTA_COMMAND_LINE:
// a Windows program parses its own command line, and oscdimg's rules are not argv's.
//
// The child runs in a process group of its own, and ending it ends the group, so a substitute
// that runs helper programs (xorriso) leaves nothing behind.
//
// Fault switches (machine.json "faults"):
//   process.startFail = <file name>   starting a program of that file name (oscdimg.exe, any
//                                     case) fails as CreateProcessW does for a missing file
//   process.pipeFail = <file name>    making the pipe for that program fails
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cwctype>
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

class HostPipedProcess : public PipedProcess {
 public:
  HostPipedProcess(pid_t pid, int readFd, int exitChannel) : process_(pid, true, exitChannel), readFd_(readFd) {}
  ~HostPipedProcess() override {
    if (readFd_ >= 0) ::close(readFd_);
  }

  Result<PipeRead> Read(char* buffer, std::size_t capacity, std::size_t& bytesRead, std::uint32_t timeoutMs) override {
    bytesRead = 0;
    if (readFd_ < 0) return Status::Win32(kErrorInvalidParameter, "ReadFile");
    pollfd entry{readFd_, POLLIN, 0};
    int ready = 0;
    do {
      ready = ::poll(&entry, 1, timeoutMs == kWaitForever ? -1 : static_cast<int>(timeoutMs));
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return Status::Win32(host::WindowsCodeOfErrno(errno), "PeekNamedPipe");
    if (ready == 0) return PipeRead::Timeout;
    ssize_t got = 0;
    do {
      got = ::read(readFd_, buffer, capacity);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return Status::Win32(host::WindowsCodeOfErrno(errno), "ReadFile");
    if (got == 0) return PipeRead::EndOfOutput;
    bytesRead = static_cast<std::size_t>(got);
    return PipeRead::Data;
  }

  Result<WaitOutcome> Wait(std::uint32_t timeoutMs) override { return process_.Wait(timeoutMs); }
  Result<std::uint32_t> ExitCode() override { return process_.ExitCode(); }
  Status Terminate(std::uint32_t exitCode) override { return process_.Terminate(exitCode); }

 private:
  host::HostProcess process_;  // leads its own group: ending it ends what it started
  int readFd_;
};

std::wstring FileNameOf(const std::wstring& program) {
  std::size_t slash = program.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? program : program.substr(slash + 1);
  for (auto& c : name) c = static_cast<wchar_t>(std::towlower(c));
  return name;
}

bool FaultNames(const char* fault, const std::wstring& program) {
  auto machine = host::Machine::Current();
  if (!machine) return false;
  auto value = machine->Fault(fault);
  return value && FileNameOf(host::FromUtf8(*value)) == FileNameOf(program);
}

}  // namespace

Result<std::unique_ptr<PipedProcess>> StartPipedProcess(const std::wstring& commandLine, std::uint32_t pipeSize) {
  std::vector<std::wstring> words = host::SplitCommandLine(commandLine);
  const std::wstring& programWord = words[0];  // the splitter always gives the program's word

  int fds[2] = {-1, -1};
  if (FaultNames("process.pipeFail", programWord)) return Status::Win32(kErrorNotEnoughMemory, "CreatePipe");
  if (::pipe2(fds, O_CLOEXEC) != 0) return Status::Win32(host::WindowsCodeOfErrno(errno), "CreatePipe");
  // As large as the system allows, up to the size asked for; the default is kept otherwise.
  ::fcntl(fds[0], F_SETPIPE_SZ, static_cast<int>(pipeSize));
  auto closeBoth = [&] {
    ::close(fds[0]);
    ::close(fds[1]);
  };

  std::string program;
  std::vector<std::string> args = host::HostArguments(commandLine, program);
  if (program.empty() || FaultNames("process.startFail", programWord)) {
    closeBoth();
    return Status::Win32(kErrorFileNotFound, "CreateProcessW", commandLine);
  }
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // No standard input; standard output and error both into the pipe's write end.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  std::vector<std::string> overrides = {"DRAVENTA_COMMAND_LINE=" + host::ToUtf8(commandLine)};
  host::ExitChannel channel = host::OpenExitChannel(actions, overrides);
  std::vector<std::string> environment = host::Machine::ChildEnvironment(overrides);
  std::vector<char*> envp;
  for (auto& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  // The parent keeps only the read end, so the output ends when the child's copies close.
  ::close(fds[1]);
  host::CloseChildEnd(channel, rc == 0);
  if (rc != 0) {
    ::close(fds[0]);
    return Status::Win32(rc == ENOENT ? kErrorFileNotFound : rc == EACCES ? kErrorAccessDenied : kErrorGenFailure,
                         "CreateProcessW", commandLine);
  }
  return std::unique_ptr<PipedProcess>(std::make_unique<HostPipedProcess>(pid, fds[0], channel.readEnd));
}

}  // namespace platform
