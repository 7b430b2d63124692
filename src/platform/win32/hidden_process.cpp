// Windows: a console program started with CREATE_NO_WINDOW and waited for.
#include <windows.h>

#include <utility>
#include <vector>

#include "platform/process.h"
#include "platform/win32/process_handle.h"
#include "platform/win32/win32_status.h"

namespace platform {

namespace {

class Win32ChildProcess : public ChildProcess {
 public:
  explicit Win32ChildProcess(win32::ScopedKernelHandle process) : process_(std::move(process)) {}
  Result<WaitOutcome> Wait(std::uint32_t timeoutMs) override { return process_.Wait(timeoutMs); }
  Result<std::uint32_t> ExitCode() override { return process_.ExitCode(); }
  Status Terminate(std::uint32_t exitCode) override { return process_.Terminate(exitCode); }

 private:
  win32::ProcessHandle process_;
};

}  // namespace

Result<std::unique_ptr<ChildProcess>> StartHiddenProcess(const std::wstring& commandLine) {
  // CreateProcessW may write into the command line, so it gets a writable copy.
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &info))
    return win32::LastError("CreateProcessW", commandLine);
  win32::ScopedKernelHandle thread(info.hThread);  // not needed
  win32::ScopedKernelHandle process(info.hProcess);
  return std::unique_ptr<ChildProcess>(std::make_unique<Win32ChildProcess>(std::move(process)));
}

}  // namespace platform
