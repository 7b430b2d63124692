#pragma once
// The diskpart runner: one script file, rewritten for each script and run with
// "<diskpart> /s <file>". The file lives in a folder of its own under the program data folder
// that only the system and administrators can write to, because diskpart runs it with
// administrator rights; for the same reason diskpart is started by its full path in the
// system's own folder, never found by the search order (which tries the program's folder and
// the current folder first).
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

// The system's diskpart as a command line's program: <windows>\Sysnative\diskpart.exe for this
// 32-bit process on 64-bit Windows (its system folder is redirected to SysWOW64), else
// <system folder>\diskpart.exe; in double quotes when it holds a space. Empty when the folder
// can't be had.
std::wstring SystemDiskpartProgram();

class DiskpartScript {
 public:
  // How long one diskpart run may take before it is ended and counted as failed. Formatting
  // quickly and cleaning take seconds; this allows for slow sticks and a busy machine.
  static constexpr std::uint32_t kDefaultTimeoutMs = 10 * 60 * 1000;

  // The process-wide runner, created on first use and kept until the process ends.
  static DiskpartScript& Instance();

  // Obtains the script file (an empty file in a new private folder). True when it exists,
  // also when an earlier call made it and it was not deleted since.
  bool CreateScriptFile();
  // Writes the script's bytes (no terminator, no byte-order mark) over the file and runs
  // diskpart on it. True exactly when diskpart ran to its end with exit code 0. `stop` is the
  // job's cancel flag (null: nothing cancels): once it is set diskpart is ended and the run fails.
  bool RunScript(const std::string& scriptText, const std::atomic<bool>* stop = nullptr);
  // Deletes the script file and its folder. Always true.
  bool DeleteScriptFile();

  std::wstring ScriptPath() const;

  // Tests only: the command line's program run in place of the system's diskpart, and a
  // shorter limit for one run. An empty program restores the system's diskpart.
  void SetProgramForTests(const std::wstring& program);
  void SetTimeoutForTests(std::uint32_t timeoutMs);

 private:
  DiskpartScript() = default;

  mutable std::mutex lock_;  // one script at a time; the test setters may run on another thread
  bool created_ = false;
  std::wstring scriptPath_;
  std::wstring folder_;
  std::wstring program_;  // empty: SystemDiskpartProgram()
  std::uint32_t timeoutMs_ = kDefaultTimeoutMs;
};
