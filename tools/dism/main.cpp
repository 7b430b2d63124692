// The dism.exe substitute of the simulated machine. It reads its command line (unsplit from
// DRAVENTA_COMMAND_LINE when the program started it, else argv) as dism.exe does (see
// dism_command.h for the forms), does the work through the same DISM API the program's API
// back-end calls (sim/dism), so both see the machine's mounts as on Windows, prints DISM's
// texts and progress bars with CRLF line ends and exits with DISM's code: 0, a Win32 error code
// (87 for a wrong command line) or an HRESULT, whole through the host's exit code channel
// (platform/host/system/exit_code.h). Its banner names the machine's "dismVersion". Log lines
// go to /LogPath, else <windows>\Logs\DISM\dism.log.
//
// Fault switches (machine.json "faults"), by command: dismexe.<command> where <command> is
// mount-wim, add-driver, commit-wim, unmount-wim, get-wiminfo, remount-wim, cleanup-wim or
// get-mountedwiminfo:
//   = 0x<HRESULT>   the command fails with it (DISM's error output), changing nothing
//   = hang          print the banner, then never end (until killed)
//   = garbage       print unreadable junk instead of DISM's output (no "Error:" line, no
//                   progress bar) and exit with 0x80004005
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "dism_command.h"
#include "platform/dism_api.h"
#include "platform/host/system/exit_code.h"
#include "platform/host/system/wim_file.h"
#include "sim/dism/dism_substitute.h"
#include "sim/machine/machine.h"
#include "sim/machine/split_command_line.h"

namespace fs = std::filesystem;
using platform::host::FromUtf8;
using platform::host::Machine;
using platform::host::ToUtf8;

namespace {

// Hands DISM's (current, total) progress callbacks on as percents.
void OnProgress(std::uint32_t current, std::uint32_t total, void* userData) {
  if (total != 0) (*static_cast<const dismexe::Progress*>(userData))(static_cast<int>(std::uint64_t{current} * 100 / total));
}

class ApiServicer : public dismexe::Servicer {
 public:
  std::int32_t Start(const std::string& logPath) override {
    logPath_ = logPath;
    std::string host = Machine::HostPath(FromUtf8(logPath));
    std::error_code ec;
    if (!host.empty()) fs::create_directories(fs::path(host).parent_path(), ec);
    platform::host::UnlockDismApi();
    started_ = platform::DismInitialize(platform::kDismLogErrorsWarningsInfo, FromUtf8(logPath), nullptr);
    return started_;
  }
  void Stop() override {
    if (started_ >= 0) (void)platform::DismShutdown();  // nothing left to report it to
  }
  std::int32_t GetWimInfo(const std::string& wimFile, std::vector<dismexe::ImageSummary>& images) override {
    std::vector<platform::DismImage> found;
    std::int32_t hr = platform::DismGetImageInfo(FromUtf8(wimFile), found);
    if (hr < 0) return hr;
    // Name and architecture as DISM gives them; the rest of what dism.exe prints from the file.
    std::string host = Machine::HostPath(FromUtf8(wimFile));
    for (const platform::DismImage& image : found) {
      namespace wim = platform::host::wim;
      const std::uint32_t index = image.imageIndex;
      images.push_back({index, ToUtf8(image.imageName), wim::ImageProperty(host, index, "DESCRIPTION"),
                        std::strtoull(wim::ImageProperty(host, index, "TOTALBYTES").c_str(), nullptr, 10),
                        image.architecture == platform::kDismArchitectureX86     ? "x86"
                        : image.architecture == platform::kDismArchitectureAmd64 ? "x64"
                        : image.architecture == platform::kDismArchitectureIa64  ? "ia64"
                                                                                 : ""});
    }
    return hr;
  }
  std::int32_t Mount(const dismexe::Command& c, const dismexe::Progress& progress) override {
    return platform::DismMountImage(FromUtf8(c.wimFile), FromUtf8(c.mountDir), c.index, nullptr,
                                    platform::kDismImageIndex,
                                    c.readOnly ? platform::kDismMountReadOnly : platform::kDismMountReadWrite, OnProgress,
                                    const_cast<dismexe::Progress*>(&progress));
  }
  std::int32_t AddDriver(const dismexe::Command& c) override {
    return InSession(c.image, [&](platform::DismSessionHandle session) {
      return platform::DismAddDriver(session, FromUtf8(c.driver), c.forceUnsigned);
    });
  }
  std::int32_t Commit(const std::string& mountDir, const dismexe::Progress& progress) override {
    return InSession(mountDir, [&](platform::DismSessionHandle session) {
      return platform::DismCommitImage(session, 0, OnProgress, const_cast<dismexe::Progress*>(&progress));
    });
  }
  std::int32_t Unmount(const std::string& mountDir, bool commit, const dismexe::Progress& progress) override {
    return platform::DismUnmountImage(FromUtf8(mountDir), commit ? platform::kDismCommitImage : platform::kDismDiscardImage,
                                      OnProgress, const_cast<dismexe::Progress*>(&progress));
  }
  std::int32_t Remount(const std::string& mountDir) override { return platform::DismRemountImage(FromUtf8(mountDir)); }
  std::int32_t Cleanup() override { return platform::DismCleanupMountpoints(); }
  std::int32_t GetMounted(std::vector<dismexe::MountSummary>& mounts) override {
    std::vector<platform::DismMountedImage> images;
    std::int32_t hr = platform::DismGetMountedImageInfo(images);
    for (const auto& m : images)
      mounts.push_back({ToUtf8(m.mountPath), ToUtf8(m.imageFilePath), m.imageIndex, m.mountMode == platform::kDismReadWrite,
                        m.mountStatus});
    return hr;
  }
  std::string LastError() override {
    platform::DismText* text = nullptr;
    if (platform::DismGetLastErrorMessage(&text) != platform::kDismOk || !text) return {};
    std::string message = ToUtf8(text->Value);
    (void)platform::DismDelete(text);  // a copy was taken
    return message;
  }
  void Log(const std::string& line) override {
    std::string host = Machine::HostPath(FromUtf8(logPath_));
    if (host.empty()) return;
    std::ofstream(host, std::ios::app | std::ios::binary) << "DISM.EXE: " << line << "\r\n";
  }
  std::string Fault(const std::string& verbName) override {
    auto machine = Machine::Current();
    auto value = machine ? machine->Fault("dismexe." + verbName) : std::nullopt;
    return value ? *value : std::string();
  }
  void Hang() override {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  }

 private:
  template <typename Work>
  std::int32_t InSession(const std::string& mountDir, Work work) {
    platform::DismSessionHandle session = 0;
    std::int32_t hr = platform::DismOpenSession(FromUtf8(mountDir), nullptr, nullptr, &session);
    if (hr < 0) return hr;
    hr = work(session);
    std::int32_t closed = platform::DismCloseSession(session);
    return hr < 0 ? hr : closed;
  }

  std::string logPath_;
  std::int32_t started_ = -1;
};

std::vector<std::string> CommandWords(int argc, char** argv) {
  std::vector<std::string> words;
  if (const char* raw = std::getenv("DRAVENTA_COMMAND_LINE")) {
    std::vector<std::wstring> split = platform::host::SplitCommandLine(FromUtf8(raw));
    for (std::size_t i = 1; i < split.size(); ++i) words.push_back(ToUtf8(split[i]));  // after the program
    return words;
  }
  for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
  return words;
}

}  // namespace

int main(int argc, char** argv) {
  auto write = [](const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  };
  auto machine = Machine::Current();
  if (!machine) {
    write("\r\nError: 0x80004005\r\n\r\nNo simulated machine (DRAVENTA_MACHINE).\r\n");
    return platform::host::ExitWithWindowsCode(0x80004005u);
  }
  ApiServicer servicer;
  std::string defaultLog = ToUtf8(machine->windowsFolder) + "\\Logs\\DISM\\dism.log";
  return platform::host::ExitWithWindowsCode(
      dismexe::RunDism(CommandWords(argc, argv), servicer, machine->dismVersion, defaultLog, write));
}
