// Host: a console program started without a window is a real host process. The command line's
// program is resolved on the simulated machine (diskpart -> the machine's system folder), and
// the child inherits the environment, so it works on the same machine (DRAVENTA_MACHINE).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/host/command_line.h"
#include "platform/process.h"

extern char** environ;

namespace platform {

namespace {

class HostChildProcess : public ChildProcess {
 public:
  explicit HostChildProcess(pid_t pid) : pid_(pid) {}

  // A child still running when the object goes is reaped by a detached thread once it ends,
  // so it neither is ended nor left behind as a zombie.
  ~HostChildProcess() override {
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

  WaitOutcome Wait(std::uint32_t timeoutMs) override {
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
          // A process ended by a signal reports the signal number, as TerminateProcess's
          // caller-chosen code would otherwise be lost on the host.
          exitCode_ = WIFEXITED(status) ? static_cast<std::uint32_t>(WEXITSTATUS(status))
                                        : (terminateCode_ ? *terminateCode_ : 128u + WTERMSIG(status));
          return WaitOutcome::Exited;
        }
        if (done < 0) return WaitOutcome::Failed;
      }
      if (timeoutMs != kWaitForever && std::chrono::steady_clock::now() >= deadline) return WaitOutcome::TimedOut;
      std::this_thread::sleep_for(pause);
      if (pause < std::chrono::milliseconds(20)) pause *= 2;
    }
  }

  bool ExitCode(std::uint32_t& code) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!reaped_) return false;
    code = exitCode_;
    return true;
  }

  bool Terminate(std::uint32_t exitCode) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (reaped_) return false;
    terminateCode_ = exitCode;
    return ::kill(pid_, SIGKILL) == 0;
  }

 private:
  std::mutex lock_;
  pid_t pid_;
  bool reaped_ = false;
  std::uint32_t exitCode_ = 0;
  std::optional<std::uint32_t> terminateCode_;
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
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return nullptr;
  return std::make_unique<HostChildProcess>(pid);
}

}  // namespace platform
