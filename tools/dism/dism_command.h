#pragma once
// dism.exe's command line and output, shared by the host's dism.exe substitute and the Wine
// stand-in: the forms DISM 6.1 (Windows 7) and every later version accept for WIM servicing,
// and DISM's texts, progress bars and exit codes. The work itself is done by a Servicer (the
// simulated machine's DISM API on the host, wimlib-imagex under Wine). Plain C++: no host or
// Windows header.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dismexe {

enum class Verb { None, GetWimInfo, MountWim, AddDriver, CommitWim, UnmountWim, RemountWim, CleanupWim, GetMountedWimInfo };

struct Command {
  Verb verb = Verb::None;
  std::string verbName;  // the command's option in lower case without the slash: "mount-wim"
  std::string wimFile, mountDir, image, driver, logPath;
  std::uint32_t index = 0;
  bool readOnly = false;
  bool forceUnsigned = false;
  bool commit = false;   // /Unmount-Wim: /Commit (else /Discard)
  std::string error;     // why the line was refused (DISM's text); empty when it was accepted
};

// Reads the words after the program name (UTF-8; quotes already removed by the splitter).
// Options are case-insensitive, /Name:value split at the first colon.
Command ParseCommand(const std::vector<std::string>& words);

struct ImageSummary {
  std::uint32_t index = 0;
  std::string name, description;
  std::uint64_t bytes = 0;
  std::string architecture;  // as dism.exe prints it: "x86", "x64", "ia64"; empty when unknown
};

// DISM's mount statuses.
constexpr int kMountOk = 0;
constexpr int kMountNeedsRemount = 1;
constexpr int kMountInvalid = 2;

struct MountSummary {
  std::string mountDir, imageFile;
  std::uint32_t index = 0;
  bool readWrite = true;
  int status = kMountOk;
};

// Reports a step's progress in percent (0 to 100).
using Progress = std::function<void(int percent)>;

// Does what a command asks. Every call returns an HRESULT (negative on failure), whose text
// LastError then gives.
class Servicer {
 public:
  virtual ~Servicer() = default;
  virtual std::int32_t Start(const std::string& logPath) = 0;
  virtual void Stop() {}
  virtual std::int32_t GetWimInfo(const std::string& wimFile, std::vector<ImageSummary>& images) = 0;
  virtual std::int32_t Mount(const Command& command, const Progress& progress) = 0;
  virtual std::int32_t AddDriver(const Command& command) = 0;
  virtual std::int32_t Commit(const std::string& mountDir, const Progress& progress) = 0;
  // Saves the tree first when `commit` (reporting that through `progress`), then unmounts.
  virtual std::int32_t Unmount(const std::string& mountDir, bool commit, const Progress& progress) = 0;
  virtual std::int32_t Remount(const std::string& mountDir) = 0;
  virtual std::int32_t Cleanup() = 0;
  virtual std::int32_t GetMounted(std::vector<MountSummary>& mounts) = 0;
  virtual std::string LastError() = 0;
  // Appends a line to the DISM log.
  virtual void Log(const std::string& line) = 0;
  // The fault switch set for a command ("0x<HRESULT>", "hang", "garbage"), empty for none.
  virtual std::string Fault(const std::string& verbName) {
    (void)verbName;
    return {};
  }
  // Never returns (the "hang" fault).
  virtual void Hang() {}
};

// Runs the command line: writes DISM's output through `write` and returns the 32-bit exit code
// (0, a Win32 error code, or an HRESULT).
std::uint32_t RunDism(const std::vector<std::string>& words, Servicer& servicer, const std::string& version,
                      const std::string& defaultLogPath, const std::function<void(const std::string&)>& write);

// "[=====   40.0%      ]": DISM's progress bar, 58 characters between the brackets.
std::string ProgressBar(double percent);

}  // namespace dismexe
