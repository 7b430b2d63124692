#pragma once
// Runs a console program without a window and waits for its exit code.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/process.h"

// Runs `commandLine` (program and arguments, as CreateProcessW takes them) and waits for it to
// end. True when it ran to its end and its exit code was obtained (stored in `exitCode` when
// given); the exit code itself is not judged. A program still running after `timeoutMs` is
// ended, traced and counted as a failure; platform::kWaitForever waits without limit. `stop`, when
// given, is a cancel flag looked at every 200 ms while the program runs: once it is set the
// program is ended (or, set before, never started), traced, and the run fails.
bool RunProcess(const std::wstring& commandLine, std::uint32_t* exitCode,
                std::uint32_t timeoutMs = platform::kWaitForever, const std::atomic<bool>* stop = nullptr);
