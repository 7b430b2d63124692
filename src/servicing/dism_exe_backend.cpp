// The dism.exe back-end: each DISM call is one run of the system's dism.exe, in the forms that
// every DISM from Windows 7's (6.1) on accepts, with its output in English read through a pipe
// for the progress bar, the listings and the error text, and its exit code as the result.
// Sessions are DISM API objects; here a session is just the mount folder the next calls name.
#include <vector>

#include "app/command_argument.h"
#include "app/trace_log.h"
#include "platform/process.h"
#include "platform/text.h"
#include "servicing/dism_backend.h"
#include "servicing/dism_exe_output.h"

namespace DismCpp {

namespace {

constexpr std::uint32_t kPipeSize = 64 * 1024;
constexpr std::uint32_t kReadSliceMs = 100;
constexpr std::uint32_t kTerminateWaitMs = 5000;
constexpr platform::DismSessionHandle kTheSession = 1;
// HRESULT_FROM_WIN32(ERROR_TIMEOUT): the run was ended for hanging.
constexpr platform::DismResult kTimedOut = static_cast<platform::DismResult>(0x800705B4u);

// E_UNEXPECTED: dism.exe ended with 0 but did not say that the command worked.
constexpr platform::DismResult kUnexpected = static_cast<platform::DismResult>(0x8000FFFFu);
const char kSuccessLine[] = "The operation completed successfully.";

// The start of what dism.exe printed, on one line, for a message.
std::wstring Excerpt(const std::string& output) {
  std::string text;
  for (char c : output) {
    if (text.size() >= 120) break;
    if (c == '\r' || c == '\n') c = ' ';
    if (!(c == ' ' && (text.empty() || text.back() == ' '))) text += c;
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text.empty() ? L"it printed nothing" : L"it printed: " + platform::AnsiToWide(text);
}

std::wstring Option(const wchar_t* name, const std::wstring& value) { return name + QuoteCommandArgument(value); }

class DismExeBackend : public DismBackend {
 public:
  DismExeBackend(std::wstring program, std::uint32_t silenceLimitMs)
      : m_Program(std::move(program)), m_SilenceLimitMs(silenceLimitMs) {}

  std::wstring Description() const override { return L"dism.exe " + m_Program; }

  platform::DismResult Initialize(const std::wstring& logFile) override {
    m_LogFile = logFile;
    return platform::kDismOk;
  }
  platform::DismResult Shutdown() override { return platform::kDismOk; }

  platform::DismResult GetImageCount(const std::wstring& imageFile, std::uint32_t& count) override {
    std::string output;
    platform::DismResult hr = Run({L"/Get-WimInfo", Option(L"/WimFile:", imageFile)}, nullptr, nullptr, &output);
    count = platform::DismFailed(hr) ? 0 : DismExeImageCount(output);
    return hr;
  }
  // The list names the images; each image's architecture takes a run of its own.
  platform::DismResult GetImages(const std::wstring& imageFile, std::vector<platform::DismImage>& images) override {
    std::string output;
    images.clear();
    platform::DismResult hr = Run({L"/Get-WimInfo", Option(L"/WimFile:", imageFile)}, nullptr, nullptr, &output);
    if (platform::DismFailed(hr)) return hr;
    images = DismExeImages(output);
    for (platform::DismImage& image : images) {
      std::string one;
      hr = Run({L"/Get-WimInfo", Option(L"/WimFile:", imageFile), L"/Index:" + std::to_wstring(image.imageIndex)},
               nullptr, nullptr, &one);
      if (platform::DismFailed(hr)) return hr;
      const std::vector<platform::DismImage> details = DismExeImages(one);
      if (details.size() == 1) image.architecture = details.front().architecture;
    }
    return hr;
  }
  platform::DismResult GetMountedImages(std::vector<platform::DismMountedImage>& images) override {
    std::string output;
    platform::DismResult hr = Run({L"/Get-MountedWimInfo"}, nullptr, nullptr, &output);
    images = platform::DismFailed(hr) ? std::vector<platform::DismMountedImage>() : DismExeMountedImages(output);
    return hr;
  }
  platform::DismResult CleanupMountpoints() override { return Run({L"/Cleanup-Wim"}, nullptr, nullptr, nullptr); }
  platform::DismResult RemountImage(const std::wstring& mountPath) override {
    return Run({L"/Remount-Wim", Option(L"/MountDir:", mountPath)}, nullptr, nullptr, nullptr);
  }
  platform::DismResult MountImage(const std::wstring& imageFile, const std::wstring& mountPath, std::uint32_t imageIndex,
                                  bool readOnly, ProgressCallback progress, void* userData) override {
    std::vector<std::wstring> args{L"/Mount-Wim", Option(L"/WimFile:", imageFile),
                                   L"/Index:" + std::to_wstring(imageIndex), Option(L"/MountDir:", mountPath)};
    if (readOnly) args.push_back(L"/ReadOnly");
    return Run(args, progress, userData, nullptr);
  }
  platform::DismResult OpenSession(const std::wstring& mountPath, platform::DismSessionHandle& session) override {
    m_SessionMount = mountPath;
    session = kTheSession;
    return platform::kDismOk;
  }
  platform::DismResult CloseSession(platform::DismSessionHandle session) override {
    if (session != kTheSession || m_SessionMount.empty()) return platform::kDismInvalidSession;
    m_SessionMount.clear();
    return platform::kDismOk;
  }
  platform::DismResult AddDriver(platform::DismSessionHandle session, const std::wstring& infPath,
                                 bool forceUnsigned) override {
    if (session != kTheSession || m_SessionMount.empty()) return platform::kDismInvalidSession;
    std::vector<std::wstring> args{Option(L"/Image:", m_SessionMount), L"/Add-Driver", Option(L"/Driver:", infPath)};
    if (forceUnsigned) args.push_back(L"/ForceUnsigned");
    return Run(args, nullptr, nullptr, nullptr);
  }
  platform::DismResult CommitImage(platform::DismSessionHandle session, ProgressCallback progress,
                                   void* userData) override {
    if (session != kTheSession || m_SessionMount.empty()) return platform::kDismInvalidSession;
    return Run({L"/Commit-Wim", Option(L"/MountDir:", m_SessionMount)}, progress, userData, nullptr);
  }
  platform::DismResult UnmountImage(const std::wstring& mountPath, bool discard, ProgressCallback progress,
                                    void* userData) override {
    return Run({L"/Unmount-Wim", Option(L"/MountDir:", mountPath), discard ? L"/Discard" : L"/Commit"}, progress,
               userData, nullptr);
  }

  std::wstring LastErrorText() override { return m_LastError; }

 private:
  // Runs dism.exe with `args` after its global options, reporting its progress bar as
  // (percent, 100); the output goes to `output` when given.
  platform::DismResult Run(const std::vector<std::wstring>& args, ProgressCallback progress, void* userData,
                           std::string* output) {
    m_LastError.clear();
    std::wstring command = QuoteCommandArgument(m_Program) + L" /English";
    if (!m_LogFile.empty()) command += L" " + Option(L"/LogPath:", m_LogFile);
    for (const std::wstring& arg : args) command += L" " + arg;
    TraceLog(L"[DismExe] " + command);

    auto started = platform::StartPipedProcess(command, kPipeSize);
    if (!started) {
      m_LastError = L"dism.exe could not be started: " + started.status().Describe();
      TraceLog(L"[DismExe] " + m_LastError);
      return static_cast<platform::DismResult>(0x80070000u | (started.status().code() & 0xFFFFu));
    }
    platform::PipedProcess& tool = **started;
    DismExeOutput read;
    if (!ReadToEnd(tool, read, progress, userData)) {
      (void)tool.Terminate(1);
      (void)tool.Wait(kTerminateWaitMs);
      m_LastError = L"dism.exe printed nothing for " + std::to_wstring(m_SilenceLimitMs / 1000) +
                    L" seconds and was ended.";
      TraceLog(L"[DismExe] " + m_LastError);
      return kTimedOut;
    }
    platform::Result<std::uint32_t> exitCode = tool.ExitCode();
    if (!exitCode) {
      m_LastError = L"dism.exe's exit code could not be read: " + exitCode.status().Describe();
      TraceLog(L"[DismExe] " + m_LastError);
      return static_cast<platform::DismResult>(0x80004005u);
    }
    platform::DismResult hr = DismExeResult(*exitCode);
    TraceLog(L"[DismExe] exit code " + HexCode(*exitCode));
    if (!platform::DismFailed(hr) && read.Text().find(kSuccessLine) == std::string::npos) {
      // Every DISM says so in English when a command worked; a tool that ends with 0 without it
      // is not a working DISM (a stub, or output that makes no sense).
      hr = kUnexpected;
      m_LastError = L"dism.exe did not report success (" + Excerpt(read.Text()) + L")";
      TraceLog(L"[DismExe] " + m_LastError);
    } else if (platform::DismFailed(hr)) {
      m_LastError = DismExeErrorText(read.Text());
      if (m_LastError.empty()) m_LastError = L"dism.exe gave no reason; see its log " + m_LogFile;
    }
    if (output) *output = read.Text();
    return hr;
  }

  // Reads the output until the tool has ended and its output is drained; false when it printed
  // nothing for the silence limit while still running.
  bool ReadToEnd(platform::PipedProcess& tool, DismExeOutput& read, ProgressCallback progress, void* userData) {
    std::vector<char> block(4096);
    std::uint32_t silentMs = 0;
    int lastPercent = -1;
    for (;;) {
      std::size_t got = 0;
      auto result = tool.Read(block.data(), block.size(), got, kReadSliceMs);
      if (result && *result == platform::PipeRead::Data) {
        silentMs = 0;
        // As the DISM API reports: each new whole percent below 100 once (the step's own
        // completion reports the 100).
        for (int tenths : read.Add(std::string(block.data(), got))) {
          if (tenths / 10 >= 100 || tenths / 10 == lastPercent || !progress) continue;
          lastPercent = tenths / 10;
          progress(static_cast<std::uint32_t>(lastPercent), 100, userData);
        }
        continue;
      }
      if (result && *result == platform::PipeRead::Timeout) {
        // A pause: a tool that has exited (a helper it started may still hold the pipe) is done.
        auto ended = tool.Wait(0);
        if (ended && *ended == platform::WaitOutcome::Exited) {
          DrainAfterExit(tool, read, block);
          return true;
        }
        silentMs += kReadSliceMs;
        if (silentMs >= m_SilenceLimitMs) return false;
        continue;
      }
      // The output ended (or can't be read any more): the tool is waited for.
      if (!result) TraceLog(L"[DismExe] its output could not be read" + result.status().Suffix());
      auto ended = tool.Wait(m_SilenceLimitMs);
      return ended && *ended == platform::WaitOutcome::Exited;
    }
  }

  // What is still in the pipe when the tool has exited.
  static void DrainAfterExit(platform::PipedProcess& tool, DismExeOutput& read, std::vector<char>& block) {
    for (;;) {
      std::size_t got = 0;
      auto result = tool.Read(block.data(), block.size(), got, 0);
      if (!result || *result != platform::PipeRead::Data) return;
      read.Add(std::string(block.data(), got));
    }
  }

  std::wstring m_Program;
  std::uint32_t m_SilenceLimitMs;
  std::wstring m_LogFile;
  std::wstring m_SessionMount;
  std::wstring m_LastError;
};

}  // namespace

std::unique_ptr<DismBackend> MakeDismExeBackend(const std::wstring& program, std::uint32_t silenceLimitMs) {
  return std::make_unique<DismExeBackend>(program, silenceLimitMs);
}

}  // namespace DismCpp
