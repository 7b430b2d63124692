#pragma once
// Runs the disc-image tool with its output redirected into a pipe, reads that output on a
// thread of its own and turns the tool's "% complete" lines into progress reports. One
// instance per process; one run at a time.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

// Called on the reading thread with a rising percentage, and with 0 when the run is cancelled.
using ISOProgressCallback = void (*)(int percent, void* context);

// Run limits.
constexpr std::size_t kIsoCommandUnits = 2048;         // the command line buffer, terminator included
constexpr std::size_t kIsoReadBlock = 4000;            // bytes read from the pipe at a time
constexpr std::uint32_t kIsoPipeSize = 2500000;        // the pipe's buffer size
constexpr std::uint32_t kIsoDefaultSilenceMs = 10 * 60 * 1000;  // a tool silent this long is ended

// The value of the first "% complete" in a block of the tool's output: the (at most) three
// characters before it read as atoi does. -1 when the block holds none. The block is taken up to
// its first NUL byte.
int ParseCompletePercent(const char* block, std::size_t length);

class MakeISOFile {
 public:
  enum class Outcome {
    NotRun,
    Completed,       // the tool exited with code 0 and the ISO file is there
    Cancelled,       // the run was cancelled and the tool ended
    CommandTooLong,  // the command line does not fit its buffer
    PipeFailed,      // the output pipe could not be made
    StartFailed,     // the tool could not be started
    NoImage,         // the tool exited with code 0 but wrote no ISO file
    ExitFailed,      // the tool exited with a nonzero code, or its code could not be read
    Silent,          // the tool wrote nothing for too long and was ended
    ReadFailed,      // reading the pipe failed
    ThreadFailed,    // the reading thread could not be started
  };

  static MakeISOFile* Instance();

  // Runs the tool's command line `cmd` and waits for the reading thread. True when the image was
  // built (the tool exited with code 0 and `outputFile` is there; the progress may not have
  // shown 100 %, as the tool's output need not arrive line by line) or the run was cancelled;
  // false otherwise, with LastError() saying why. `outputFile` is the ISO file the command line
  // writes (empty: not checked): a run that fails removes what it left of that file; a
  // cancelled run leaves it.
  // `stopFlag`, when given, counts as a cancel as well: it closes the gap between a stop
  // requested before the run began and the fresh cancel event of the run.
  bool Excute(const std::wstring& cmd, const std::wstring& outputFile, ISOProgressCallback callback, void* context,
              const std::atomic<bool>* stopFlag = nullptr);
  // Signals the cancel event (any thread). Outside a run it has no effect on later runs.
  void Cancle();

  Outcome LastOutcome() const;
  // A sentence for the user describing the last failure; empty after a success or a cancel.
  std::wstring LastError() const;

  // How long the tool may stay silent before it is ended (tests shorten it).
  void SetSilenceLimitMs(std::uint32_t ms) { m_SilenceLimitMs = ms; }
  std::uint32_t SilenceLimitMs() const { return m_SilenceLimitMs; }

 private:
  MakeISOFile() = default;
  // Takes the run's command line (traced).
  void SetCmd(const std::wstring& cmd);
  void MakeISOThread(ISOProgressCallback callback, void* context, const std::atomic<bool>* stopFlag);
  bool CancelRequested(const std::atomic<bool>* stopFlag) const;
  void Finish(Outcome outcome, const std::wstring& error);

  void RemovePartialOutput();

  // The running command line and its ISO file, set by Excute.
  std::wstring m_cmd;
  std::wstring m_OutputFile;
  std::atomic<bool> m_Cancel{false};  // the run's cancel event; reset when a run starts
  std::atomic<std::uint32_t> m_SilenceLimitMs{kIsoDefaultSilenceMs};
  mutable std::mutex m_ResultLock;
  Outcome m_Outcome = Outcome::NotRun;
  std::wstring m_Error;
};
