#include "disk/process_runner.h"

#include <cstdio>

#include "app/trace_log.h"
#include "platform/errors.h"

namespace {
// The exit code a program ended for running too long is given.
constexpr std::uint32_t kTimedOutExitCode = 1460;  // ERROR_TIMEOUT
// How long an ended program is given to go away before the runner stops waiting for it.
constexpr std::uint32_t kTerminateWaitMs = 10000;
}  // namespace

bool RunProcess(const std::wstring& commandLine, std::uint32_t* exitCode, std::uint32_t timeoutMs) {
  std::unique_ptr<platform::ChildProcess> process = platform::StartHiddenProcess(commandLine);
  if (!process) {
    const std::uint32_t error = platform::LastErrorCode();
    std::fputs("create process fail\n", stdout);
    TraceLog(L"[RunProcess] create process fail: " + commandLine + platform::ErrorSuffix(error));
    return false;
  }
  switch (process->Wait(timeoutMs)) {
    case platform::WaitOutcome::Exited:
      break;
    case platform::WaitOutcome::TimedOut:
      // A program that never ends would hold the job for good: end it and fail the step.
      process->Terminate(kTimedOutExitCode);
      process->Wait(kTerminateWaitMs);
      TraceLog(L"[RunProcess] did not end within " + std::to_wstring(timeoutMs) + L" ms and was ended: " +
               commandLine);
      return false;
    case platform::WaitOutcome::Failed:
      TraceLog(L"[RunProcess] WaitForSingleObject failed: " + commandLine +
               platform::ErrorSuffix(platform::LastErrorCode()));
      return false;
  }
  std::uint32_t code = 0;
  if (!process->ExitCode(code)) {
    TraceLog(L"[RunProcess] GetExitCodeProcess failed: " + commandLine +
             platform::ErrorSuffix(platform::LastErrorCode()));
    return false;
  }
  if (exitCode) *exitCode = code;
  return true;
}
