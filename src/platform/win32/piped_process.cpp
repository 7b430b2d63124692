// Windows: a console program started without a window whose standard output and error go into an
// anonymous pipe. The pipe carries the process's default security descriptor (inheritable
// handles, no open access list); only the write end is inherited by the child.
#include <windows.h>

#include <utility>
#include <vector>

#include "platform/process.h"
#include "platform/win32/process_handle.h"
#include "platform/win32/win32_status.h"

namespace platform {

namespace {

// How often a read that waits for output looks at the pipe again.
constexpr DWORD kPeekIntervalMs = 10;

class Win32PipedProcess : public PipedProcess {
 public:
  Win32PipedProcess(win32::ScopedKernelHandle process, win32::ScopedKernelHandle readPipe)
      : process_(std::move(process)), read_(std::move(readPipe)) {}

  Result<PipeRead> Read(char* buffer, std::size_t capacity, std::size_t& bytesRead, std::uint32_t timeoutMs) override {
    bytesRead = 0;
    DWORD start = GetTickCount();
    for (;;) {
      DWORD available = 0;
      if (!PeekNamedPipe(read_.get(), nullptr, 0, nullptr, &available, nullptr)) return Ended("PeekNamedPipe");
      if (available > 0) {
        DWORD want = available < capacity ? available : static_cast<DWORD>(capacity);
        DWORD got = 0;
        if (!ReadFile(read_.get(), buffer, want, &got, nullptr)) return Ended("ReadFile");
        if (got == 0) return PipeRead::EndOfOutput;
        bytesRead = got;
        return PipeRead::Data;
      }
      if (timeoutMs != kWaitForever && GetTickCount() - start >= timeoutMs) return PipeRead::Timeout;
      Sleep(kPeekIntervalMs);
    }
  }

  Result<WaitOutcome> Wait(std::uint32_t timeoutMs) override { return process_.Wait(timeoutMs); }
  Result<std::uint32_t> ExitCode() override { return process_.ExitCode(); }
  Status Terminate(std::uint32_t exitCode) override { return process_.Terminate(exitCode); }

 private:
  // A broken pipe is the end of the output: every writer has closed its end.
  static Result<PipeRead> Ended(const char* call) {
    if (GetLastError() == ERROR_BROKEN_PIPE) return PipeRead::EndOfOutput;
    return win32::LastError(call);
  }

  win32::ProcessHandle process_;
  win32::ScopedKernelHandle read_;
};

}  // namespace

Result<std::unique_ptr<PipedProcess>> StartPipedProcess(const std::wstring& commandLine, std::uint32_t pipeSize) {
  // Default security (null descriptor), inheritable handles.
  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof security;
  security.lpSecurityDescriptor = nullptr;
  security.bInheritHandle = TRUE;
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  const BOOL piped = CreatePipe(&readEnd, &writeEnd, &security, pipeSize);
  const Status pipeStatus = win32::Check(piped != FALSE, "CreatePipe");
  win32::ScopedKernelHandle readPipe(piped ? readEnd : nullptr);
  win32::ScopedKernelHandle writePipe(piped ? writeEnd : nullptr);
  if (!pipeStatus) return pipeStatus;
  if (!readPipe || !writePipe) return Status::Win32(ERROR_INVALID_HANDLE, "CreatePipe");
  // The child needs only the write end.
  SetHandleInformation(readPipe.get(), HANDLE_FLAG_INHERIT, 0);

  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = nullptr;
  startup.hStdOutput = writePipe.get();
  startup.hStdError = writePipe.get();
  PROCESS_INFORMATION info{};
  BOOL started =
      CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
  const Status startStatus = win32::Check(started != FALSE, "CreateProcessW", commandLine);
  // The parent's copy of the write end goes in every case, so the output ends when the child's
  // does. Closing keeps CreateProcessW's error for the caller.
  writePipe.reset();
  if (!startStatus) return startStatus;
  win32::ScopedKernelHandle thread(info.hThread);  // not needed
  win32::ScopedKernelHandle process(info.hProcess);
  return std::unique_ptr<PipedProcess>(std::make_unique<Win32PipedProcess>(std::move(process), std::move(readPipe)));
}

}  // namespace platform
