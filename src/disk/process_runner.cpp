#include "disk/process_runner.h"

#include <cstdio>

#include "app/trace_log.h"

namespace {
// The exit code a program ended for running too long is given.
constexpr std::uint32_t kTimedOutExitCode = 1460;  // ERROR_TIMEOUT
// How long an ended program is given to go away before the runner stops waiting for it.
constexpr std::uint32_t kTerminateWaitMs = 10000;
}  // namespace

bool RunProcess(const std::wstring& commandLine, std::uint32_t* exitCode, std::uint32_t timeoutMs) {
  platform::Result<std::unique_ptr<platform::ChildProcess>> started = platform::StartHiddenProcess(commandLine);
  if (!started) {
    std::fputs("create process fail\n", stdout);
    TraceLog(L"[RunProcess] create process fail: " + commandLine + started.status().Suffix());
    return false;
  }
  platform::ChildProcess& process = **started;
  platform::Result<platform::WaitOutcome> waited = process.Wait(timeoutMs);
  if (!waited) {
    TraceLog(L"[RunProcess] WaitForSingleObject failed: " + commandLine + waited.status().Suffix());
    return false;
  }
  if (*waited == platform::WaitOutcome::TimedOut) {
    // A program that never ends would hold the job for good: end it and fail the step. Ending
    // it is best effort: the step fails either way.
    (void)process.Terminate(kTimedOutExitCode);
    (void)process.Wait(kTerminateWaitMs);
    TraceLog(L"[RunProcess] did not end within " + std::to_wstring(timeoutMs) + L" ms and was ended: " + commandLine);
    return false;
  }
  platform::Result<std::uint32_t> code = process.ExitCode();
  if (!code) {
    TraceLog(L"[RunProcess] GetExitCodeProcess failed: " + commandLine + code.status().Suffix());
    return false;
  }
  if (exitCode) *exitCode = *code;
  return true;
}
