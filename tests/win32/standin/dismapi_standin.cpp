// Test-only stand-in for dismapi.dll under Wine, where Windows' DISM is missing. It exports the
// DISM API functions Draventa.exe resolves, with DISM's signatures and calling convention, and
// does the work on real WIM files with wimlib's command-line tool (Debian wimtools):
//   mount    wimlib-imagex apply: the image is extracted into the (empty) mount folder
//   add      the INF's folder is staged into the mounted tree at
//            Windows\System32\DriverStore\FileRepository\<inf>_<arch>_<id> (a folder)
//   commit   wimlib-imagex update: the staged folders are added to that image of the WIM
//   unmount  commit first unless discarding, then the mount folder is emptied
//   info     the image count (and names) from wimlib-imagex info
//   remount  nothing to do for a mount of this process
// Failures return an error HRESULT and leave a text for DismGetLastErrorMessage, as DISM does.
// Each call is written to the log file named by DismInitialize.
//
// DRAVENTA_DISMAPI_FAIL=<function name> (DismMountImage, DismAddDriver, DismCommitImage or
// DismUnmountImage) makes that call fail with E_FAIL, for tests of the program's failure path.
#include <windows.h>
#include <dismapi.h>

#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "dism_files.h"
#include "unix_tool.h"

#define STANDIN_EXPORT extern "C" __declspec(dllexport)

namespace {

using standin::Field;
using standin::IsEmptyFolder;
using standin::IsFile;
using standin::IsFolder;
using standin::ShellQuote;
using standin::UnixPath;
using standin::WithSlash;

constexpr DWORD kToolLimitMs = 5 * 60 * 1000;
constexpr HRESULT kFileNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
constexpr HRESULT kPathNotFound = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
constexpr HRESULT kDirNotEmpty = HRESULT_FROM_WIN32(ERROR_DIR_NOT_EMPTY);
constexpr HRESULT kAlreadyInitialized = HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
constexpr HRESULT kModuleNotFound = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
constexpr HRESULT kWriteProtect = HRESULT_FROM_WIN32(ERROR_WRITE_PROTECT);
constexpr HRESULT kNotInitialized = static_cast<HRESULT>(DISMAPI_E_DISMAPI_NOT_INITIALIZED);
constexpr HRESULT kInvalidSession = static_cast<HRESULT>(DISMAPI_E_INVALID_DISM_SESSION);
constexpr HRESULT kOpenSessions = static_cast<HRESULT>(DISMAPI_E_OPEN_SESSION_HANDLES);
constexpr HRESULT kInvalidIndex = static_cast<HRESULT>(DISMAPI_E_INVALID_IMAGE_INDEX);
constexpr HRESULT kNotMounted = static_cast<HRESULT>(DISMAPI_E_UNABLE_TO_UNMOUNT_IMAGE_PATH);

struct Mount {
  std::wstring path;   // as given, the key compares without case and trailing backslash
  std::wstring image;  // the WIM file
  UINT index = 0;
  std::string arch;    // x86, amd64, ia64
  bool readOnly = false;
  std::vector<std::wstring> staged;  // package folders below the mount path, not yet committed
};

std::mutex g_lock;
bool g_initialized = false;
std::wstring g_logFile;
std::vector<Mount> g_mounts;
std::map<DismSession, std::wstring> g_sessions;  // session -> mount key
DismSession g_nextSession = 1;
// Blocks handed to the caller, released by DismDelete.
std::map<const void*, std::shared_ptr<void>> g_blocks;
thread_local std::wstring t_lastError;

std::wstring Key(std::wstring path) {
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  for (auto& c : path) c = static_cast<wchar_t>(std::towlower(c));
  return path;
}

void Log(const std::wstring& line) { standin::AppendLine(g_logFile, L"[dismapi stand-in] " + line); }

HRESULT Fail(HRESULT hr, const std::wstring& text) {
  t_lastError = text;
  wchar_t code[16];
  wsprintfW(code, L"0x%08x", static_cast<unsigned>(hr));
  Log(std::wstring(L"failed ") + code + L": " + text);
  return hr;
}

HRESULT Succeed(const std::wstring& what) {
  t_lastError.clear();
  Log(what);
  return S_OK;
}

Mount* FindMount(const std::wstring& path) {
  for (auto& mount : g_mounts)
    if (Key(mount.path) == Key(path)) return &mount;
  return nullptr;
}

Mount* SessionMount(DismSession session) {
  auto it = g_sessions.find(session);
  return it == g_sessions.end() ? nullptr : FindMount(it->second);
}

// Runs one wimlib-imagex command with DISM's progress callback. False with the last-error text
// set when it did not succeed.
bool RunTool(const std::string& command, const std::wstring& what, HRESULT& hr, std::string* output = nullptr,
             DISM_PROGRESS_CALLBACK progress = nullptr, PVOID userData = nullptr) {
  std::wstring problem;
  if (standin::RunWimTool(command, kToolLimitMs, progress ? [&](UINT percent) { progress(percent, 100, userData); }
                                                         : std::function<void(UINT)>(),
                          output, problem))
    return true;
  hr = Fail(E_FAIL, what + problem);
  return false;
}

// The Linux path of an existing file or folder, or a failure naming it.
bool MapPath(const std::wstring& path, std::string& unix, HRESULT& hr) {
  unix = UnixPath(path);
  if (unix.empty()) {
    hr = Fail(kPathNotFound, L"The path " + path + L" has no Linux path.");
    return false;
  }
  return true;
}

// True when the test asked this call to fail.
bool ToldToFail(const char* function) {
  const char* name = std::getenv("DRAVENTA_DISMAPI_FAIL");
  return name != nullptr && std::strcmp(name, function) == 0;
}

HRESULT FailAsTold(const char* function) {
  return Fail(E_FAIL, standin::Wide(function) + L" failed as the test asked (DRAVENTA_DISMAPI_FAIL).");
}

template <typename T>
T* Keep(std::shared_ptr<T> block) {
  T* raw = block.get();
  g_blocks[raw] = std::move(block);
  return raw;
}

// Writes the staged package folders of the mount into its image.
HRESULT CommitStaged(Mount& mount, DISM_PROGRESS_CALLBACK progress, PVOID userData) {
  if (mount.readOnly) return Fail(kWriteProtect, L"The image at " + mount.path + L" is mounted read-only.");
  if (mount.staged.empty()) {
    if (progress) progress(100, 100, userData);
    return Succeed(L"commit " + mount.path + L": nothing staged");
  }
  HRESULT hr = S_OK;
  std::string wim;
  if (!MapPath(mount.image, wim, hr)) return hr;
  std::string commands;
  for (const auto& relative : mount.staged) {
    std::string source;
    if (!MapPath(WithSlash(mount.path) + relative, source, hr)) return hr;
    std::string inImage = standin::Utf8(relative);
    for (auto& c : inImage) c = c == '\\' ? '/' : c;
    commands += "add \"" + source + "\" \"/" + inImage + "\"\n";
  }
  std::string command = "wimlib-imagex update " + ShellQuote(wim) + " " + std::to_string(mount.index) + " <<'EOF'\n" +
                        commands + "EOF";
  if (!RunTool(command, L"wimlib-imagex update of " + mount.image, hr, nullptr, progress, userData)) return hr;
  std::wstring count = std::to_wstring(mount.staged.size());
  mount.staged.clear();
  return Succeed(L"commit " + mount.path + L": " + count + L" package folder(s) written to image " +
                 std::to_wstring(mount.index) + L" of " + mount.image);
}

}  // namespace

STANDIN_EXPORT HRESULT WINAPI DismInitialize(DismLogLevel, PCWSTR LogFilePath, PCWSTR) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_initialized) return Fail(kAlreadyInitialized, L"DISM is already initialised.");
  g_logFile = LogFilePath ? LogFilePath : L"";
  HRESULT hr = S_OK;
  if (!RunTool("command -v wimlib-imagex", L"looking for wimlib-imagex (Debian package wimtools)", hr))
    return Fail(kModuleNotFound, t_lastError);
  g_initialized = true;
  return Succeed(L"initialised");
}

STANDIN_EXPORT HRESULT WINAPI DismShutdown() {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!g_initialized) return Fail(kNotInitialized, L"DISM is not initialised.");
  if (!g_sessions.empty()) return Fail(kOpenSessions, L"Sessions are still open.");
  g_initialized = false;
  return Succeed(L"shut down");
}

STANDIN_EXPORT HRESULT WINAPI DismGetImageInfo(PCWSTR ImageFilePath, DismImageInfo** ImageInfo, UINT* Count) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!ImageInfo || !Count || !ImageFilePath) return Fail(E_INVALIDARG, L"DismGetImageInfo: a pointer is null.");
  *ImageInfo = nullptr;
  *Count = 0;
  if (!g_initialized) return Fail(kNotInitialized, L"DISM is not initialised.");
  const std::wstring path = ImageFilePath;
  if (!IsFile(path)) return Fail(kFileNotFound, L"The system cannot find the file specified: " + path);
  HRESULT hr = S_OK;
  std::string wim, info;
  if (!MapPath(path, wim, hr) || !RunTool("wimlib-imagex info " + ShellQuote(wim), L"wimlib-imagex info of " + path, hr, &info))
    return hr;
  const UINT count = static_cast<UINT>(std::atoi(Field("\n" + info, "Image Count").c_str()));
  struct Block {
    std::vector<DismImageInfo> images;
    std::vector<std::wstring> texts;
  };
  auto block = std::make_shared<Block>();
  block->images.resize(count ? count : 1);
  block->texts.reserve(2 * count);
  std::size_t from = info.find("Available Images:");
  for (UINT i = 0; i < count; ++i) {
    DismImageInfo& image = block->images[i];
    image = DismImageInfo{};
    image.ImageType = DismImageTypeWim;
    image.ImageIndex = i + 1;
    from = from == std::string::npos ? std::string::npos : info.find("\nIndex:", from + 1);
    block->texts.push_back(standin::Wide(from == std::string::npos ? std::string() : Field(info, "Name", from)));
    image.ImageName = block->texts.back().c_str();
    block->texts.push_back(standin::Wide(from == std::string::npos ? std::string() : Field(info, "Description", from)));
    image.ImageDescription = block->texts.back().c_str();
    std::string arch = from == std::string::npos ? std::string() : Field(info, "Architecture", from);
    image.Architecture = arch == "x86_64" ? 9u : arch == "ia64" ? 6u : 0u;
    image.Bootable = DismImageBootableUnknown;
  }
  *ImageInfo = block->images.data();
  *Count = count;
  Keep(std::shared_ptr<void>(block, block->images.data()));
  return Succeed(L"image info of " + path + L": " + std::to_wstring(count) + L" image(s)");
}

STANDIN_EXPORT HRESULT WINAPI DismGetMountedImageInfo(DismMountedImageInfo** MountedImageInfo, UINT* Count) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!MountedImageInfo || !Count) return Fail(E_INVALIDARG, L"DismGetMountedImageInfo: a pointer is null.");
  *MountedImageInfo = nullptr;
  *Count = 0;
  if (!g_initialized) return Fail(kNotInitialized, L"DISM is not initialised.");
  struct Block {
    std::vector<DismMountedImageInfo> entries;
    std::vector<std::wstring> texts;
  };
  auto block = std::make_shared<Block>();
  block->entries.resize(g_mounts.size() + 1);
  block->texts.reserve(2 * g_mounts.size());
  for (std::size_t i = 0; i < g_mounts.size(); ++i) {
    const Mount& mount = g_mounts[i];
    block->texts.push_back(mount.path);
    block->entries[i].MountPath = block->texts.back().c_str();
    block->texts.push_back(mount.image);
    block->entries[i].ImageFilePath = block->texts.back().c_str();
    block->entries[i].ImageIndex = mount.index;
    block->entries[i].MountMode = mount.readOnly ? DismReadOnly : DismReadWrite;
    // A mount whose folder or image has gone is invalid, as DISM reports it.
    block->entries[i].MountStatus = IsFolder(mount.path) && IsFile(mount.image) ? DismMountStatusOk : DismMountStatusInvalid;
  }
  *MountedImageInfo = block->entries.data();
  *Count = static_cast<UINT>(g_mounts.size());
  Keep(std::shared_ptr<void>(block, block->entries.data()));
  return S_OK;
}

STANDIN_EXPORT HRESULT WINAPI DismCleanupMountpoints() {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!g_initialized) return Fail(kNotInitialized, L"DISM is not initialised.");
  std::size_t before = g_mounts.size();
  std::erase_if(g_mounts, [](const Mount& mount) { return !IsFolder(mount.path) || !IsFile(mount.image); });
  return Succeed(L"cleanup: " + std::to_wstring(before - g_mounts.size()) + L" invalid mount(s) dropped");
}

// A mount this process made is never stale: remounting it has nothing to do.
STANDIN_EXPORT HRESULT WINAPI DismRemountImage(PCWSTR MountPath) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!MountPath) return Fail(E_INVALIDARG, L"DismRemountImage: the mount path is null.");
  if (!g_initialized) return Fail(kNotInitialized, L"DISM is not initialised.");
  if (!FindMount(MountPath)) return Fail(E_INVALIDARG, std::wstring(L"No image is mounted at ") + MountPath);
  return Succeed(std::wstring(L"remounted ") + MountPath);
}

STANDIN_EXPORT HRESULT WINAPI DismMountImage(PCWSTR ImageFilePath, PCWSTR MountPath, UINT ImageIndex, PCWSTR,
                                             DismImageIdentifier ImageIdentifier, DWORD Flags, HANDLE,
                                             DISM_PROGRESS_CALLBACK Progress, PVOID UserData) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!ImageFilePath || !MountPath) return Fail(E_INVALIDARG, L"DismMountImage: a path is null.");
  if (!g_initialized) return Fail(kNotInitialized, L"DISM is not initialised.");
  if (ToldToFail("DismMountImage")) return FailAsTold("DismMountImage");
  if (ImageIdentifier != DismImageIndex) return Fail(E_INVALIDARG, L"The stand-in mounts images by index only.");
  const std::wstring image = ImageFilePath, mountPath = MountPath;
  if (!IsFile(image)) return Fail(kFileNotFound, L"The system cannot find the file specified: " + image);
  if (!IsFolder(mountPath)) return Fail(kPathNotFound, L"The mount folder does not exist: " + mountPath);
  if (FindMount(mountPath)) return Fail(E_INVALIDARG, L"An image is already mounted at " + mountPath);
  if (!IsEmptyFolder(mountPath)) return Fail(kDirNotEmpty, L"The mount folder is not empty: " + mountPath);
  HRESULT hr = S_OK;
  std::string wim, target, info;
  if (!MapPath(image, wim, hr) || !MapPath(mountPath, target, hr)) return hr;
  const std::string index = std::to_string(ImageIndex);
  if (!RunTool("wimlib-imagex info " + ShellQuote(wim) + " " + index, L"wimlib-imagex info of " + image, hr, &info))
    return Fail(kInvalidIndex, L"The image " + std::to_wstring(ImageIndex) + L" of " + image + L" could not be read: " +
                                   t_lastError);
  std::string arch = Field(info, "Architecture");
  Mount mount{mountPath, image, ImageIndex, arch == "x86_64" ? "amd64" : arch == "ia64" ? "ia64" : "x86",
              (Flags & DISM_MOUNT_READONLY) != 0, {}};
  if (!RunTool("wimlib-imagex apply " + ShellQuote(wim) + " " + index + " " + ShellQuote(target),
               L"wimlib-imagex apply of " + image, hr, nullptr, Progress, UserData))
    return hr;
  g_mounts.push_back(mount);
  return Succeed(L"mounted image " + std::to_wstring(ImageIndex) + L" (" + standin::Wide(mount.arch) + L") of " + image +
                 L" at " + mountPath + (mount.readOnly ? L", read-only" : L""));
}

STANDIN_EXPORT HRESULT WINAPI DismOpenSession(PCWSTR ImagePath, PCWSTR, PCWSTR, DismSession* Session) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!ImagePath || !Session) return Fail(E_INVALIDARG, L"DismOpenSession: a pointer is null.");
  if (!g_initialized) return Fail(kNotInitialized, L"DISM is not initialised.");
  Mount* mount = FindMount(ImagePath);
  if (!mount) return Fail(kPathNotFound, std::wstring(L"No image is mounted at ") + ImagePath);
  *Session = g_nextSession++;
  g_sessions[*Session] = mount->path;
  return Succeed(L"session " + std::to_wstring(*Session) + L" opened on " + mount->path);
}

STANDIN_EXPORT HRESULT WINAPI DismCloseSession(DismSession Session) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!g_initialized) return Fail(kNotInitialized, L"DISM is not initialised.");
  if (!g_sessions.erase(Session)) return Fail(kInvalidSession, L"The session handle is not valid.");
  return Succeed(L"session " + std::to_wstring(Session) + L" closed");
}

STANDIN_EXPORT HRESULT WINAPI DismAddDriver(DismSession Session, PCWSTR DriverPath, BOOL) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!DriverPath) return Fail(E_INVALIDARG, L"DismAddDriver: the driver path is null.");
  if (!g_initialized) return Fail(kNotInitialized, L"DISM is not initialised.");
  if (ToldToFail("DismAddDriver")) return FailAsTold("DismAddDriver");
  Mount* mount = SessionMount(Session);
  if (!mount) return Fail(kInvalidSession, L"The session handle is not valid.");
  if (mount->readOnly) return Fail(kWriteProtect, L"The image at " + mount->path + L" is mounted read-only.");
  const std::wstring inf = DriverPath;
  std::wstring relative, problem;
  if (HRESULT hr = standin::StagePackage(inf, mount->path, mount->arch, relative, problem); FAILED(hr))
    return Fail(hr, problem);
  mount->staged.push_back(relative);
  return Succeed(L"driver " + inf + L" staged at " + relative);
}

STANDIN_EXPORT HRESULT WINAPI DismCommitImage(DismSession Session, DWORD, HANDLE, DISM_PROGRESS_CALLBACK Progress,
                                              PVOID UserData) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!g_initialized) return Fail(kNotInitialized, L"DISM is not initialised.");
  if (ToldToFail("DismCommitImage")) return FailAsTold("DismCommitImage");
  Mount* mount = SessionMount(Session);
  if (!mount) return Fail(kInvalidSession, L"The session handle is not valid.");
  return CommitStaged(*mount, Progress, UserData);
}

STANDIN_EXPORT HRESULT WINAPI DismUnmountImage(PCWSTR MountPath, DWORD Flags, HANDLE, DISM_PROGRESS_CALLBACK Progress,
                                               PVOID UserData) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!MountPath) return Fail(E_INVALIDARG, L"DismUnmountImage: the mount path is null.");
  if (!g_initialized) return Fail(kNotInitialized, L"DISM is not initialised.");
  if (ToldToFail("DismUnmountImage")) return FailAsTold("DismUnmountImage");
  Mount* mount = FindMount(MountPath);
  if (!mount) return Fail(kNotMounted, std::wstring(L"No image is mounted at ") + MountPath);
  for (const auto& [session, key] : g_sessions)
    if (Key(key) == Key(mount->path)) return Fail(kOpenSessions, L"A session is still open on " + mount->path);
  const bool discard = (Flags & DISM_DISCARD_IMAGE) != 0;
  if (!discard) {
    if (HRESULT hr = CommitStaged(*mount, nullptr, nullptr); FAILED(hr)) return hr;
  }
  HRESULT hr = S_OK;
  std::string target;
  if (!MapPath(mount->path, target, hr)) return hr;
  if (!RunTool("chmod -R u+w " + ShellQuote(target) + " && find " + ShellQuote(target) + " -mindepth 1 -delete",
               L"emptying the mount folder " + mount->path, hr, nullptr, Progress, UserData))
    return hr;
  const std::wstring path = mount->path;
  std::erase_if(g_mounts, [&](const Mount& m) { return Key(m.path) == Key(path); });
  return Succeed(L"unmounted " + path + (discard ? L", changes discarded" : L""));
}

STANDIN_EXPORT HRESULT WINAPI DismGetLastErrorMessage(DismString** ErrorMessage) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!ErrorMessage) return E_INVALIDARG;
  struct Block {
    DismString string;
    std::wstring text;
  };
  auto block = std::make_shared<Block>();
  block->text = t_lastError;
  block->string.Value = block->text.c_str();
  *ErrorMessage = &block->string;
  Keep(std::shared_ptr<void>(block, &block->string));
  return t_lastError.empty() ? S_FALSE : S_OK;
}

STANDIN_EXPORT HRESULT WINAPI DismDelete(VOID* DismStructure) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!DismStructure || !g_blocks.erase(DismStructure)) return E_INVALIDARG;
  return S_OK;
}
