#include "disk/process_runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/trace_log.h"

namespace {
// The exit code a program ended for running too long is given.
constexpr std::uint32_t kTimedOutExitCode = 1460;  // ERROR_TIMEOUT
// The exit code a program ended at the user's cancel is given.
constexpr std::uint32_t kCancelledExitCode = 1223;  // ERROR_CANCELLED
// How long an ended program is given to go away before the runner stops waiting for it.
constexpr std::uint32_t kTerminateWaitMs = 10000;
// With a cancel flag, how long one wait lasts before the flag is looked at again.
constexpr std::uint32_t kStopPollMs = 200;

// Ends `process` and waits a while for it to go away. Best effort: the step fails either way.
void EndProcess(platform::ChildProcess& process, std::uint32_t exitCode) {
  (void)process.Terminate(exitCode);
  (void)process.Wait(kTerminateWaitMs);
}
}  // namespace

bool RunProcess(const std::wstring& commandLine, std::uint32_t* exitCode, std::uint32_t timeoutMs,
                const std::atomic<bool>* stop) {
  if (stop && stop->load()) {
    TraceLog(L"[RunProcess] not started, the job was cancelled: " + commandLine);
    return false;
  }
  platform::Result<std::unique_ptr<platform::ChildProcess>> started = platform::StartHiddenProcess(commandLine);
  if (!started) {
    std::fputs("create process fail\n", stdout);
    TraceLog(L"[RunProcess] create process fail: " + commandLine + started.status().Suffix());
    return false;
  }
  platform::ChildProcess& process = **started;
  // Without a cancel flag one wait covers the whole limit; with one, the wait is cut in slices
  // so that a cancel ends the program within a fraction of a second.
  using Clock = std::chrono::steady_clock;
  const bool forever = timeoutMs == platform::kWaitForever;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMs);
  for (;;) {
    std::uint32_t slice = timeoutMs;
    if (!forever) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      slice = static_cast<std::uint32_t>(std::max<std::int64_t>(left, 0));
    }
    if (stop) slice = std::min(slice, kStopPollMs);
    platform::Result<platform::WaitOutcome> waited = process.Wait(slice);
    if (!waited) {
      TraceLog(L"[RunProcess] WaitForSingleObject failed: " + commandLine + waited.status().Suffix());
      return false;
    }
    if (*waited == platform::WaitOutcome::Exited) break;
    if (stop && stop->load()) {
      // The user cancelled the job: the program is ended where it stands.
      EndProcess(process, kCancelledExitCode);
      TraceLog(L"[RunProcess] ended at the user's cancel: " + commandLine);
      return false;
    }
    if (!forever && Clock::now() >= deadline) {
      // A program that never ends would hold the job for good: end it and fail the step.
      EndProcess(process, kTimedOutExitCode);
      TraceLog(L"[RunProcess] did not end within " + std::to_wstring(timeoutMs) + L" ms and was ended: " + commandLine);
      return false;
    }
  }
  platform::Result<std::uint32_t> code = process.ExitCode();
  if (!code) {
    TraceLog(L"[RunProcess] GetExitCodeProcess failed: " + commandLine + code.status().Suffix());
    return false;
  }
  if (exitCode) *exitCode = *code;
  return true;
}
