// Test-only stand-in for dism.exe under Wine, where Windows' DISM is missing. It reads the same
// command line and prints the same texts, progress bars and exit codes as the host's dism.exe
// substitute (both compile tools/dism/dism_command.cpp), and does the work on real WIM files
// with wimlib's command-line tool (Debian wimtools):
//   /Mount-Wim      wimlib-imagex apply: the image is extracted into the (empty) mount folder
//   /Add-Driver     the INF's folder is staged into the mounted tree's driver store
//   /Commit-Wim     wimlib-imagex update: the mounted tree's driver store is added to the image
//   /Unmount-Wim    commit first with /Commit, then the mount folder is emptied
//   /Get-WimInfo    names, descriptions and sizes from wimlib-imagex info
// Each run is a process of its own, so the mounts are recorded in dism-standin-mounts.txt in the
// Windows folder (one line each: mount folder, image file, index, architecture, read-only).
#include <windows.h>

#include <cstdlib>
#include <cwctype>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dism_command.h"
#include "dism_files.h"
#include "sim/machine/split_command_line.h"
#include "unix_tool.h"

namespace {

using standin::Utf8;
using standin::Wide;

constexpr DWORD kToolLimitMs = 5 * 60 * 1000;
constexpr HRESULT kFileNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
constexpr HRESULT kPathNotFound = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
constexpr HRESULT kDirNotEmpty = HRESULT_FROM_WIN32(ERROR_DIR_NOT_EMPTY);
constexpr HRESULT kModuleNotFound = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
constexpr HRESULT kWriteProtect = HRESULT_FROM_WIN32(ERROR_WRITE_PROTECT);
constexpr HRESULT kAlreadyMounted = static_cast<HRESULT>(0xC1420127u);
constexpr HRESULT kInvalidIndex = static_cast<HRESULT>(0xC0040005u);
constexpr HRESULT kNotMounted = static_cast<HRESULT>(0xC0040007u);

std::wstring WindowsFolder() {
  wchar_t folder[MAX_PATH] = L"C:\\windows";
  GetWindowsDirectoryW(folder, MAX_PATH);
  return folder;
}

std::wstring Key(std::wstring path) {
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  for (auto& c : path) c = static_cast<wchar_t>(std::towlower(c));
  return path;
}

struct Mount {
  std::wstring path, image;
  std::uint32_t index = 0;
  std::string arch;
  bool readOnly = false;
};

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = line.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(line.substr(start, at - start));
  parts.push_back(line.substr(start));
  return parts;
}

// wimlib-imagex's architecture as dism.exe prints it.
std::string ArchitectureName(const std::string& wimlib) {
  return wimlib == "x86_64" ? "x64" : wimlib == "x86" ? "x86" : wimlib == "ia64" ? "ia64" : "";
}

class WimServicer : public dismexe::Servicer {
 public:
  std::int32_t Start(const std::string& logPath) override {
    logPath_ = Wide(logPath);
    std::wstring problem;
    if (!standin::RunWimTool("command -v wimlib-imagex", kToolLimitMs, {}, nullptr, problem))
      return Fail(kModuleNotFound, L"wimlib-imagex (Debian package wimtools) was not found" + problem);
    return S_OK;
  }

  std::int32_t GetWimInfo(const std::string& wimFile, std::vector<dismexe::ImageSummary>& images) override {
    std::string info;
    if (HRESULT hr = Info(Wide(wimFile), "", info); FAILED(hr)) return hr;
    const int count = std::atoi(standin::Field("\n" + info, "Image Count").c_str());
    std::size_t from = info.find("Available Images:");
    for (int i = 1; i <= count && from != std::string::npos; ++i) {
      from = info.find("\nIndex:", from + 1);
      if (from == std::string::npos) break;
      images.push_back({static_cast<std::uint32_t>(i), standin::Field(info, "Name", from),
                        standin::Field(info, "Description", from),
                        std::strtoull(standin::Field(info, "Total Bytes", from).c_str(), nullptr, 10),
                        ArchitectureName(standin::Field(info, "Architecture", from))});
    }
    return S_OK;
  }

  std::int32_t Mount(const dismexe::Command& c, const dismexe::Progress& progress) override {
    const std::wstring image = Wide(c.wimFile), folder = Wide(c.mountDir);
    if (!standin::IsFolder(folder)) return Fail(kPathNotFound, L"The mount folder does not exist: " + folder);
    std::vector<::Mount> mounts = ReadMounts();
    for (const auto& m : mounts)
      if (Key(m.path) == Key(folder)) return Fail(kAlreadyMounted, L"An image is already mounted at " + folder);
    if (!standin::IsEmptyFolder(folder)) return Fail(kDirNotEmpty, L"The mount folder is not empty: " + folder);
    std::string info, target;
    const std::string index = std::to_string(c.index);
    if (HRESULT hr = Info(image, index, info); FAILED(hr)) return hr == kFileNotFound ? hr : Fail(kInvalidIndex, lastError_);
    if (HRESULT hr = MapPath(folder, target); FAILED(hr)) return hr;
    std::string wim = standin::UnixPath(image);
    if (HRESULT hr = Run("wimlib-imagex apply " + standin::ShellQuote(wim) + " " + index + " " + standin::ShellQuote(target),
                         L"wimlib-imagex apply of " + image, progress);
        FAILED(hr))
      return hr;
    std::string arch = standin::Field(info, "Architecture");
    mounts.push_back({folder, image, c.index, arch == "x86_64" ? "amd64" : arch == "ia64" ? "ia64" : "x86", c.readOnly});
    WriteMounts(mounts);
    Log(L"mounted image " + Wide(index) + L" of " + image + L" at " + folder);
    return S_OK;
  }

  std::int32_t AddDriver(const dismexe::Command& c) override {
    const ::Mount* mount = Find(Wide(c.image));
    if (!mount) return Fail(kPathNotFound, L"No image is mounted at " + Wide(c.image));
    if (mount->readOnly) return Fail(kWriteProtect, L"The image at " + mount->path + L" is mounted read-only.");
    std::wstring relative, problem;
    if (HRESULT hr = standin::StagePackage(Wide(c.driver), mount->path, mount->arch, relative, problem); FAILED(hr))
      return Fail(hr, problem);
    Log(L"driver " + Wide(c.driver) + L" staged at " + relative);
    return S_OK;
  }

  std::int32_t Commit(const std::string& mountDir, const dismexe::Progress& progress) override {
    const ::Mount* mount = Find(Wide(mountDir));
    if (!mount) return Fail(kNotMounted, L"No image is mounted at " + Wide(mountDir));
    if (mount->readOnly) return Fail(kWriteProtect, L"The image at " + mount->path + L" is mounted read-only.");
    const std::wstring store = standin::WithSlash(mount->path) + L"Windows\\System32\\DriverStore\\FileRepository";
    if (!standin::IsFolder(store)) {
      progress(100);
      return S_OK;
    }
    std::string wim, source;
    if (HRESULT hr = MapPath(mount->image, wim); FAILED(hr)) return hr;
    if (HRESULT hr = MapPath(store, source); FAILED(hr)) return hr;
    // "add" merges the folder into the image's own driver store.
    return Run("wimlib-imagex update " + standin::ShellQuote(wim) + " " + std::to_string(mount->index) +
                   " <<'EOF'\nadd \"" + source + "\" \"/Windows/System32/DriverStore/FileRepository\"\nEOF",
               L"wimlib-imagex update of " + mount->image, progress);
  }

  std::int32_t Unmount(const std::string& mountDir, bool commit, const dismexe::Progress& progress) override {
    const ::Mount* mount = Find(Wide(mountDir));
    if (!mount) return Fail(kNotMounted, L"No image is mounted at " + Wide(mountDir));
    const std::wstring path = mount->path;
    if (commit) {
      if (HRESULT hr = Commit(mountDir, progress); FAILED(hr)) return hr;
    }
    std::string target;
    if (HRESULT hr = MapPath(path, target); FAILED(hr)) return hr;
    if (HRESULT hr = Run("chmod -R u+w " + standin::ShellQuote(target) + " && find " + standin::ShellQuote(target) +
                             " -mindepth 1 -delete",
                         L"emptying the mount folder " + path, {});
        FAILED(hr))
      return hr;
    Forget([&](const ::Mount& m) { return Key(m.path) == Key(path); });
    Log(L"unmounted " + path);
    return S_OK;
  }

  std::int32_t Remount(const std::string& mountDir) override {
    return Find(Wide(mountDir)) ? S_OK : Fail(E_INVALIDARG, L"No image is mounted at " + Wide(mountDir));
  }

  std::int32_t Cleanup() override {
    Forget([](const ::Mount& m) { return !Valid(m); });
    return S_OK;
  }

  std::int32_t GetMounted(std::vector<dismexe::MountSummary>& mounts) override {
    for (const auto& m : ReadMounts())
      mounts.push_back({Utf8(m.path), Utf8(m.image), m.index, !m.readOnly, Valid(m) ? dismexe::kMountOk : dismexe::kMountInvalid});
    return S_OK;
  }

  std::string LastError() override { return Utf8(lastError_); }
  void Log(const std::string& line) override { Log(Wide(line)); }

 private:
  void Log(const std::wstring& line) { standin::AppendLine(logPath_, L"[dism.exe stand-in] " + line); }

  HRESULT Fail(HRESULT hr, const std::wstring& text) {
    lastError_ = text;
    Log(L"failed: " + text);
    return hr;
  }

  HRESULT MapPath(const std::wstring& path, std::string& unix) {
    unix = standin::UnixPath(path);
    return unix.empty() ? Fail(kPathNotFound, L"The path " + path + L" has no Linux path.") : S_OK;
  }

  HRESULT Run(const std::string& command, const std::wstring& what, const dismexe::Progress& progress) {
    std::wstring problem;
    if (standin::RunWimTool(command, kToolLimitMs,
                            progress ? [&](UINT percent) { progress(static_cast<int>(percent)); } : std::function<void(UINT)>(),
                            nullptr, problem))
      return S_OK;
    return Fail(E_FAIL, what + problem);
  }

  // wimlib-imagex info of the file (or of one image of it).
  HRESULT Info(const std::wstring& image, const std::string& index, std::string& info) {
    if (!standin::IsFile(image)) return Fail(kFileNotFound, L"The system cannot find the file specified: " + image);
    std::string wim;
    if (HRESULT hr = MapPath(image, wim); FAILED(hr)) return hr;
    std::wstring problem;
    if (!standin::RunWimTool("wimlib-imagex info " + standin::ShellQuote(wim) + (index.empty() ? "" : " " + index),
                             kToolLimitMs, {}, &info, problem))
      return Fail(E_FAIL, L"wimlib-imagex info of " + image + problem);
    return S_OK;
  }

  static bool Valid(const ::Mount& m) { return standin::IsFolder(m.path) && standin::IsFile(m.image); }
  static std::wstring MountsFile() { return WindowsFolder() + L"\\dism-standin-mounts.txt"; }

  std::vector<::Mount> ReadMounts() const {
    std::vector<::Mount> mounts;
    for (const auto& line : Split(standin::ReadSmallFile(MountsFile()), '\n')) {
      std::vector<std::string> f = Split(line, '\t');
      if (f.size() == 5) mounts.push_back({Wide(f[0]), Wide(f[1]), static_cast<std::uint32_t>(std::atoi(f[2].c_str())), f[3], f[4] == "1"});
    }
    return mounts;
  }

  void WriteMounts(const std::vector<::Mount>& mounts) const {
    DeleteFileW(MountsFile().c_str());
    for (const auto& m : mounts)
      standin::AppendLine(MountsFile(), m.path + L"\t" + m.image + L"\t" + std::to_wstring(m.index) + L"\t" + Wide(m.arch) +
                                            L"\t" + (m.readOnly ? L"1" : L"0"));
  }

  const ::Mount* Find(const std::wstring& path) {
    found_.reset();
    for (const auto& m : ReadMounts())
      if (Key(m.path) == Key(path)) found_ = m;
    return found_ ? &*found_ : nullptr;
  }

  template <typename Drop>
  void Forget(Drop drop) {
    std::vector<::Mount> kept;
    for (const auto& m : ReadMounts())
      if (!drop(m)) kept.push_back(m);
    WriteMounts(kept);
  }

  std::wstring logPath_;
  std::wstring lastError_;
  std::optional<::Mount> found_;
};

}  // namespace

int wmain() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  auto write = [out](const std::string& text) {
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  };
  std::vector<std::wstring> split = platform::host::SplitCommandLine(GetCommandLineW());
  std::vector<std::string> words;
  for (std::size_t i = 1; i < split.size(); ++i) words.push_back(Utf8(split[i]));  // after the program
  WimServicer servicer;
  return static_cast<int>(dismexe::RunDism(words, servicer, "10.0.19041.1",
                                           Utf8(WindowsFolder() + L"\\Logs\\DISM\\dism.log"), write));
}
