#include "engine/make_iso_file.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "app/trace_log.h"
#include "app/utf16.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"

namespace {

// How long one read waits before the cancel flag and the silence limit are looked at again.
constexpr std::uint32_t kReadSliceMs = 100;
// After a cancel, how long the ended tool is waited for so its handles can be released.
constexpr std::uint32_t kTerminateWaitMs = 5000;

const char kComplete[] = "% complete";

// atoi: leading white space, one sign, decimal digits; no digits give 0.
int AtoiLike(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int value = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) value = value * 10 + (text[i++] - '0');
  return negative ? -value : value;
}

std::wstring Number(long long value) { return std::to_wstring(value); }

}  // namespace

int ParseCompletePercent(const char* block, std::size_t length) {
  std::string text(block, length);
  std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  std::size_t p = text.find(kComplete);
  if (p == std::string::npos) return -1;
  return AtoiLike(p > 2 ? text.substr(p - 3, 3) : text.substr(0, p));
}

MakeISOFile* MakeISOFile::Instance() {
  // Kept until the process ends, as the reading thread of a run may still refer to it.
  static MakeISOFile* instance = new MakeISOFile();
  return instance;
}

void MakeISOFile::SetCmd(const std::wstring& cmd) {
  m_cmd = cmd;
  TraceLog(L"[MakeISOFile::SetCmd - m_cmd]" + cmd);
}

void MakeISOFile::RemovePartialOutput() {
  if (m_OutputFile.empty() || !platform::PathExists(m_OutputFile)) return;
  if (platform::Status deleted = platform::DeleteFileAt(m_OutputFile))
    TraceLog(L"[MakeISOFile::MakeISOThread]- removed the unfinished ISO file " + m_OutputFile);
  else
    TraceLog(L"[MakeISOFile::MakeISOThread]- DeleteFileW failed: " + m_OutputFile + deleted.Suffix());
}

void MakeISOFile::Cancle() {
  m_Cancel = true;
  TraceLog(L"MakeISOFile::Cancle");
}

MakeISOFile::Outcome MakeISOFile::LastOutcome() const {
  std::lock_guard<std::mutex> guard(m_ResultLock);
  return m_Outcome;
}

std::wstring MakeISOFile::LastError() const {
  std::lock_guard<std::mutex> guard(m_ResultLock);
  return m_Error;
}

void MakeISOFile::Finish(Outcome outcome, const std::wstring& error) {
  std::lock_guard<std::mutex> guard(m_ResultLock);
  m_Outcome = outcome;
  m_Error = error;
}

bool MakeISOFile::CancelRequested(const std::atomic<bool>* stopFlag) const {
  return m_Cancel.load() || (stopFlag != nullptr && stopFlag->load());
}

bool MakeISOFile::Excute(const std::wstring& cmd, const std::wstring& outputFile, ISOProgressCallback callback,
                         void* context, const std::atomic<bool>* stopFlag) {
  SetCmd(cmd);
  m_OutputFile = outputFile;
  TraceLog(L"[MakeISOFile::Excute]- start");
  // The run's cancel event exists before the tool starts, so a cancel pressed while the tool is
  // being started is not lost.
  m_Cancel = false;
  Finish(Outcome::NotRun, L"");
  try {
    std::thread reader([this, callback, context, stopFlag] { MakeISOThread(callback, context, stopFlag); });
    reader.join();
  } catch (const std::system_error&) {
    TraceLog(L"[MakeISOFile::Excute]- the reading thread could not be started");
    Finish(Outcome::ThreadFailed, L"The ISO file could not be built: its reading thread could not be started.");
    return false;
  }
  Outcome outcome = LastOutcome();
  if (outcome == Outcome::Completed || outcome == Outcome::Cancelled) return true;
  RemovePartialOutput();
  return false;
}

void MakeISOFile::MakeISOThread(ISOProgressCallback callback, void* context, const std::atomic<bool>* stopFlag) {
  TraceLog(L"[MakeISOFile::Excute]- MakeISOThread start");

  // Measured in UTF-16 units, as the buffer holds them on Windows.
  const std::size_t units = Utf16Length(m_cmd);
  if (units > kIsoCommandUnits - 1) {
    TraceLog(L"[MakeISOFile::MakeISOThread]- command line too long: " + Number(static_cast<long long>(units)));
    Finish(Outcome::CommandTooLong, L"The ISO file could not be built: the command line of the ISO tool has " +
                                        Number(static_cast<long long>(units)) + L" characters, more than " +
                                        Number(kIsoCommandUnits - 1) + L".");
    return;
  }

  platform::Result<std::unique_ptr<platform::PipedProcess>> started = platform::StartPipedProcess(m_cmd, kIsoPipeSize);
  if (!started) {
    if (started.status().call() == "CreatePipe") {
      TraceLog(L"[MakeISOFile::MakeISOThread]- CreatePipe(&hReadPipe, &hWritePipe, lpsa, 2500000) is fail" +
               started.status().Suffix());
      Finish(Outcome::PipeFailed, L"The ISO file could not be built: the pipe for the ISO tool's output could not be "
                                  L"created.");
    } else {
      TraceLog(L"[MakeISOFile::MakeISOThread]- CreateProcess is fail: " + m_cmd + started.status().Suffix());
      Finish(Outcome::StartFailed, L"The ISO file could not be built: the ISO tool oscdimg.exe could not be started. "
                                   L"Check that the Oscdimg folders beside the program are complete.");
    }
    return;
  }
  TraceLog(L"[MakeISOFile::MakeISOThread]- CreateProcess");
  platform::PipedProcess* tool = started->get();
  // Ending the tool is best effort: the outcome is decided by the step either way.
  auto end = [&](std::uint32_t exitCode) {
    (void)tool->Terminate(exitCode);
    (void)tool->Wait(kTerminateWaitMs);
  };

  // Ends the tool after a cancel, reporting 0 % first.
  auto cancel = [&] {
    callback(0, context);
    end(0);
    TraceLog(L"[MakeISOFile::MakeISOThread]- cancelled, tool ended");
    Finish(Outcome::Cancelled, L"");
  };
  auto silent = [&] {
    TraceLog(L"[MakeISOFile::MakeISOThread]- no output for " + Number(m_SilenceLimitMs / 1000) + L" s, tool ended");
    end(1);
    Finish(Outcome::Silent, L"The ISO file could not be built: the ISO tool stopped responding (no output for " +
                                Number(m_SilenceLimitMs / 1000) + L" seconds) and was ended.");
  };

  std::vector<char> block(kIsoReadBlock);
  int last = 0;
  bool announced = false;
  std::uint32_t silentMs = 0;
  for (;;) {
    if (CancelRequested(stopFlag)) return cancel();
    if (!announced) {
      TraceLog(L"[MakeISOFile::MakeISOThread]- ReadPipe");
      announced = true;
    }
    std::size_t got = 0;
    platform::Result<platform::PipeRead> read = tool->Read(block.data(), block.size(), got, kReadSliceMs);
    if (!read) {
      TraceLog(L"[MakeISOFile::MakeISOThread]- ReadPipe is fail" + read.status().Suffix());
      end(1);
      Finish(Outcome::ReadFailed, L"The ISO file could not be built: the ISO tool's output could not be read.");
      return;
    }
    if (*read == platform::PipeRead::Timeout) {
      silentMs += kReadSliceMs;
      if (silentMs >= m_SilenceLimitMs) return silent();
      continue;
    }
    if (*read == platform::PipeRead::EndOfOutput) break;
    silentMs = 0;
    announced = false;
    // The text is the bytes read, up to the first NUL.
    std::string text(block.data(), got);
    std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    TraceLog(platform::AnsiToWide(text));
    // The progress bar follows the first report of each block; the end of the build is judged
    // by the tool's exit code below, not by the last report seen.
    int value = ParseCompletePercent(text.data(), text.size());
    if (value > last && last < 100) {
      callback(value, context);
      last = value;
    }
  }

  // The output has ended: the tool has closed it, so it is ending. Wait for its exit code;
  // the image is only done when the tool says so.
  for (;;) {
    if (CancelRequested(stopFlag)) return cancel();
    platform::Result<platform::WaitOutcome> waited = tool->Wait(kReadSliceMs);
    if (waited && *waited == platform::WaitOutcome::Exited) break;
    if (!waited) {
      TraceLog(L"[MakeISOFile::MakeISOThread]- " + waited.status().Describe() + L", tool ended");
      end(1);
      Finish(Outcome::ReadFailed, L"The ISO file could not be built: the ISO tool could not be waited for.");
      return;
    }
    silentMs += kReadSliceMs;
    if (silentMs >= m_SilenceLimitMs) return silent();
  }
  platform::Result<std::uint32_t> exitCode = tool->ExitCode();
  const bool haveCode = exitCode.ok();
  const std::uint32_t code = exitCode.value_or(0);
  std::wstring codeText = haveCode ? Number(code) : std::wstring(L"unknown");
  TraceLog(L"[MakeISOFile::MakeISOThread]- tool ended, exit code " + codeText + L", last progress " + Number(last));
  if (!haveCode || code != 0) {
    Finish(Outcome::ExitFailed, L"The ISO file could not be built: the ISO tool ended at " + Number(last) +
                                    L"% and reported an error (exit code " + codeText + L").");
  } else if (!m_OutputFile.empty() && !platform::IsFile(m_OutputFile)) {
    Finish(Outcome::NoImage, L"The ISO file could not be built: the ISO tool ended without writing " + m_OutputFile +
                                 L".");
  } else {
    Finish(Outcome::Completed, L"");
  }
}
