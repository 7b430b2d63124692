#pragma once
// Child processes: a console program run without a window and waited for, and a program whose
// standard output and error are read through a pipe.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/status.h"

namespace platform {

// True when this (32-bit) process runs on 64-bit Windows (IsWow64Process), where its view of
// the system folder is SysWOW64 and the system's own programs are in the Sysnative folder.
bool RunsUnderWow64();
// The processor architecture this process is built for, as Microsoft's kits name their folders:
// L"x86" or L"amd64".
const wchar_t* ProcessArchitecture();

enum class WaitOutcome { Exited, TimedOut };

// A started child process. Destroying the object releases its handles; it does not end the
// process.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Waits for the process to end (WaitForSingleObject); timeoutMs 0xFFFFFFFF waits without limit.
  virtual Result<WaitOutcome> Wait(std::uint32_t timeoutMs) = 0;
  // GetExitCodeProcess; fails while the process still runs. Valid after Wait gave Exited.
  virtual Result<std::uint32_t> ExitCode() = 0;
  virtual Status Terminate(std::uint32_t exitCode) = 0;  // TerminateProcess
};

constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;

// Starts a console program from a full command line (CreateProcessW with CREATE_NO_WINDOW, no
// handle inheritance).
Result<std::unique_ptr<ChildProcess>> StartHiddenProcess(const std::wstring& commandLine);

enum class PipeRead { Data, Timeout, EndOfOutput };

// A started child process whose standard output and standard error go into one pipe.
class PipedProcess : public ChildProcess {
 public:
  // Reads at most `capacity` bytes into `buffer`; waits up to timeoutMs for output to arrive.
  // `bytesRead` is set for Data. Fails when the pipe can't be read (ReadFile).
  virtual Result<PipeRead> Read(char* buffer, std::size_t capacity, std::size_t& bytesRead, std::uint32_t timeoutMs) = 0;
};

// Starts a console program without a window (CREATE_NO_WINDOW: no console appears even where
// a terminal application replaces the console host and ignores SW_HIDE), its standard output
// and error redirected into an anonymous pipe of `pipeSize` bytes that carries the process's default security. When
// the pipe or the process can't be made, the Status's call says which: "CreatePipe" or
// "CreateProcessW".
Result<std::unique_ptr<PipedProcess>> StartPipedProcess(const std::wstring& commandLine, std::uint32_t pipeSize);

}  // namespace platform
