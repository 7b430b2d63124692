// The DISM substitute: the host build's DISM API (platform/dism_api.h), defined here over libwim
// on the real WIM files of the simulated machine; the host platform has no twin of its own for
// it. Mounting extracts the image into the mount folder, adding a
// driver stages its package into the mounted tree, committing writes the tree back into that
// image of the WIM. Fault switches: see sim/dism/dism_substitute.h.
#include "platform/dism_api.h"

#include <cstdlib>
#include <filesystem>

#include "platform/host/system/wim_file.h"
#include "platform/library.h"
#include "sim/dism/dism_inf.h"
#include "sim/dism/dism_state.h"
#include "sim/dism/dism_substitute.h"
#include "sim/machine/machine.h"

namespace fs = std::filesystem;

namespace platform {

using namespace host::dism;

namespace {

constexpr DismResult kInvalidArgument = static_cast<DismResult>(0x80070057u);
constexpr DismResult kFileNotFound = static_cast<DismResult>(0x80070002u);
constexpr DismResult kPathNotFound = static_cast<DismResult>(0x80070003u);
constexpr DismResult kAccessDenied = static_cast<DismResult>(0x80070005u);
constexpr DismResult kBadFormat = static_cast<DismResult>(0x8007000Bu);
constexpr DismResult kDirNotEmpty = static_cast<DismResult>(0x80070091u);
// HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED)
constexpr DismResult kAlreadyInitialized = static_cast<DismResult>(0x800704DFu);
constexpr DismResult kAlreadyMounted = static_cast<DismResult>(0xC1420127u);
constexpr DismResult kFail = static_cast<DismResult>(0x80004005u);
constexpr DismResult kDismMountNeedsRemount = static_cast<DismResult>(0xC1420126u);

DismResult Fail(DismResult hr, const std::wstring& text) {
  SetLastError(text);
  Log(text);
  return hr;
}

// A mount left by an earlier boot is serviced or unmounted only after DismRemountImage.
DismResult NeedsRemount(const std::wstring& mountPath) {
  return Fail(kDismMountNeedsRemount, L"The image mounted at " + mountPath +
                                          L" needs to be remounted before it can be serviced or unmounted.");
}

// Every call fails with kDismModuleNotFound in a process where the API was not loaded, as a
// call through an unresolved entry point of dismapi.dll cannot be made on Windows.
bool Loaded() {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.loaded;
}

// Every call but these fails before DismInitialize.
bool Initialized() {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.initialized;
}

// Reports byte progress to a DISM callback as whole percents (current, 100), each once, while
// the work runs; the call's return reports its completion, so 100 is never sent.
struct PercentReporter {
  DismProgressCallback callback;
  void* userData;
  int last = -1;
  void Report(std::uint64_t done, std::uint64_t total) {
    int percent = total == 0 ? 0 : static_cast<int>(done * 100 / total);
    if (percent >= 100 || percent == last || !callback) return;
    last = percent;
    callback(static_cast<std::uint32_t>(percent), 100, userData);
  }
  host::wim::Progress AsWimProgress() {
    return [this](std::uint64_t done, std::uint64_t total) { Report(done, total); };
  }
};

std::string ImageHostFile(const std::wstring& imageFile) { return host::Machine::HostPath(imageFile); }

// Deletes what lies in the mount folder, keeping the folder itself (as DISM leaves it).
void EmptyFolder(const std::string& folder) {
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(folder, ec)) return;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  for (const auto& entry : fs::directory_iterator(folder, ec)) fs::remove_all(entry.path(), ec);
}

std::optional<MountRecord> FindMount(const std::wstring& mountPath) {
  for (const auto& r : ReadMounts())
    if (SamePath(r.mountPath, mountPath)) return r;
  return std::nullopt;
}

bool SessionOpenOn(const std::wstring& mountPath) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  for (const auto& [id, path] : s.sessions)
    if (SamePath(path, mountPath)) return true;
  return false;
}

std::optional<std::wstring> SessionMount(DismSessionHandle session) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  auto it = s.sessions.find(session);
  if (it == s.sessions.end()) return std::nullopt;
  return it->second;
}

DismResult WriteBack(const MountRecord& record, PercentReporter& reporter) {
  auto outcome = host::wim::ReplaceImage(ImageHostFile(record.imageFile), record.index,
                                         host::Machine::HostPath(record.mountPath), reporter.AsWimProgress());
  if (!outcome.ok) return Fail(kAccessDenied, L"The image could not be written back: " + host::FromUtf8(outcome.text));
  return kDismOk;
}

}  // namespace

// The DISM API is there when the machine holds the file the program loads it from.
Status LoadDismApi(const std::wstring& dllPath) {
  std::string file = host::Machine::HostPath(dllPath);
  std::error_code ec;
  if (file.empty() || !fs::is_regular_file(file, ec)) return Status::Win32(kErrorModNotFound, "LoadLibraryExW", dllPath);
  RecordCall("LoadDismApi", "");
  host::UnlockDismApi();
  return Status();
}

DismResult DismInitialize(int logLevel, const std::wstring& logFilePath, const wchar_t* scratchDirectory) {
  if (!Loaded()) return kDismModuleNotFound;
  (void)scratchDirectory;
  ClearLastError();
  if (auto fault = RecordCall("DismInitialize", "level=" + std::to_string(logLevel))) return *fault;
  State& s = TheState();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.initialized) return kAlreadyInitialized;
    s.initialized = true;
    s.logFile = logFilePath;
  }
  Log(L"DismInitialize");
  return kDismOk;
}

DismResult DismShutdown() {
  if (!Loaded()) return kDismModuleNotFound;
  ClearLastError();
  if (auto fault = RecordCall("DismShutdown", "")) return *fault;
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.initialized) return kDismNotInitialized;
  if (!s.sessions.empty()) return kDismOpenSessionHandles;
  s.initialized = false;
  s.logFile.clear();
  return kDismOk;
}

DismResult DismGetImageInfo(const std::wstring& imageFilePath, void** imageInfo, std::uint32_t* count) {
  if (!Loaded()) return kDismModuleNotFound;
  ClearLastError();
  if (auto fault = RecordCall("DismGetImageInfo", "")) return *fault;
  if (!Initialized()) return kDismNotInitialized;
  if (!imageInfo || !count) return kInvalidArgument;
  std::string host = ImageHostFile(imageFilePath);
  if (host.empty() || !fs::is_regular_file(host))
    return Fail(kFileNotFound, L"The system cannot find the file specified: " + imageFilePath);
  std::uint32_t images = 0;
  auto outcome = host::wim::ImageCount(host, images);
  if (!outcome.ok) return Fail(kBadFormat, L"The file is not a valid WIM file: " + host::FromUtf8(outcome.text));
  *imageInfo = AllocateImageInfo(images);
  *count = images;
  return kDismOk;
}

DismResult DismGetImageInfo(const std::wstring& imageFilePath, std::vector<DismImage>& images) {
  images.clear();
  void* info = nullptr;
  std::uint32_t count = 0;
  DismResult hr = DismGetImageInfo(imageFilePath, &info, &count);
  if (DismFailed(hr)) return hr;
  (void)Release(info);  // the count is all it holds; the properties come from the file
  const std::string host = ImageHostFile(imageFilePath);
  for (std::uint32_t index = 1; index <= count; ++index) {
    const std::string arch = host::wim::ImageArchitecture(host, index);
    images.push_back({index, host::FromUtf8(host::wim::ImageProperty(host, index, "NAME")),
                      arch == "x86"     ? kDismArchitectureX86
                      : arch == "amd64" ? kDismArchitectureAmd64
                      : arch == "ia64"  ? kDismArchitectureIa64
                                        : kDismArchitectureUnknown,
                      std::strtoull(host::wim::ImageProperty(host, index, "TOTALBYTES").c_str(), nullptr, 10)});
  }
  return hr;
}

DismResult DismGetMountedImageInfo(std::vector<DismMountedImage>& images) {
  if (!Loaded()) return kDismModuleNotFound;
  ClearLastError();
  images.clear();
  if (auto fault = RecordCall("DismGetMountedImageInfo", "")) return *fault;
  if (!Initialized()) return kDismNotInitialized;
  for (const auto& r : ReadMounts())
    images.push_back(DismMountedImage{r.mountPath, r.imageFile, r.index, r.mode, MountStatus(r)});
  return kDismOk;
}

DismResult DismCleanupMountpoints() {
  if (!Loaded()) return kDismModuleNotFound;
  ClearLastError();
  if (auto fault = RecordCall("DismCleanupMountpoints", "")) return *fault;
  if (!Initialized()) return kDismNotInitialized;
  std::vector<MountRecord> kept;
  for (const auto& r : ReadMounts()) {
    if (MountIsValid(r)) {
      kept.push_back(r);
    } else {
      EmptyFolder(host::Machine::HostPath(r.mountPath));
      Log(L"Cleaned up the invalid mount " + r.mountPath);
    }
  }
  WriteMounts(kept);
  return kDismOk;
}

DismResult DismRemountImage(const std::wstring& mountPath) {
  if (!Loaded()) return kDismModuleNotFound;
  ClearLastError();
  if (auto fault = RecordCall("DismRemountImage", "")) return *fault;
  if (!Initialized()) return kDismNotInitialized;
  std::vector<MountRecord> records = ReadMounts();
  for (auto& r : records) {
    if (!SamePath(r.mountPath, mountPath)) continue;
    if (!MountIsValid(r)) return Fail(kPathNotFound, L"The mounted image at " + mountPath + L" is not valid and can't be remounted.");
    r.status = kDismMountStatusOk;
    WriteMounts(records);
    Log(L"Remounted " + mountPath);
    return kDismOk;
  }
  return Fail(kInvalidArgument, L"No image is mounted at " + mountPath);
}

DismResult DismMountImage(const std::wstring& imageFilePath, const std::wstring& mountPath, std::uint32_t imageIndex,
                          const wchar_t* imageName, int imageIdentifier, std::uint32_t flags,
                          DismProgressCallback progress, void* userData) {
  if (!Loaded()) return kDismModuleNotFound;
  ClearLastError();
  if (auto fault = RecordCall("DismMountImage", "index=" + std::to_string(imageIndex) + " flags=" + std::to_string(flags)))
    return *fault;
  if (!Initialized()) return kDismNotInitialized;
  if (imageName != nullptr || imageIdentifier != kDismImageIndex)
    return Fail(kInvalidArgument, L"Only images named by index can be mounted.");
  std::string wimFile = ImageHostFile(imageFilePath);
  if (wimFile.empty() || !fs::is_regular_file(wimFile))
    return Fail(kFileNotFound, L"The system cannot find the file specified: " + imageFilePath);
  std::string folder = host::Machine::HostPath(mountPath);
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(folder, ec))
    return Fail(kPathNotFound, L"The mount folder does not exist: " + mountPath);
  if (!fs::is_empty(folder, ec)) return Fail(kDirNotEmpty, L"The mount folder is not empty: " + mountPath);
  std::uint32_t count = 0;
  if (!host::wim::ImageCount(wimFile, count).ok) return Fail(kBadFormat, L"The file is not a valid WIM file.");
  if (imageIndex < 1 || imageIndex > count)
    return Fail(kDismInvalidImageIndex, L"The image index " + std::to_wstring(imageIndex) + L" is not in the file.");
  std::vector<MountRecord> records = ReadMounts();
  for (const auto& r : records) {
    if (SamePath(r.mountPath, mountPath)) return Fail(kAlreadyMounted, L"An image is already mounted at " + mountPath);
    if (SamePath(r.imageFile, imageFilePath) && r.index == imageIndex && r.mode == kDismReadWrite &&
        (flags & kDismMountReadOnly) == 0)
      return Fail(kAlreadyMounted, L"The specified image is already mounted for read/write access.");
  }

  PercentReporter reporter{progress, userData};
  reporter.Report(0, 1);
  auto outcome = host::wim::ExtractImage(wimFile, imageIndex, folder, reporter.AsWimProgress());
  if (!outcome.ok) {
    EmptyFolder(folder);
    return Fail(kFail, L"The image could not be mounted: " + host::FromUtf8(outcome.text));
  }

  MountRecord record{WithoutBackslash(mountPath), imageFilePath, imageIndex,
                     (flags & kDismMountReadOnly) ? kDismReadOnly : kDismReadWrite,
                     host::wim::ImageArchitecture(wimFile, imageIndex)};
  if (record.arch.empty() && !host::Machine::HostPath(record.mountPath + L"\\Windows\\SysWOW64").empty() &&
      fs::is_directory(host::Machine::HostPath(record.mountPath + L"\\Windows\\SysWOW64"), ec))
    record.arch = "amd64";
  // An image that does not say, without a SysWOW64 folder, is a 32-bit Windows.
  if (record.arch.empty()) record.arch = "x86";
  records.push_back(record);
  WriteMounts(records);
  Log(L"Mounted " + imageFilePath + L" index " + std::to_wstring(imageIndex) + L" at " + mountPath);
  return kDismOk;
}

DismResult DismOpenSession(const std::wstring& imagePath, const wchar_t* windowsDirectory, const wchar_t* systemDrive,
                           DismSessionHandle* session) {
  if (!Loaded()) return kDismModuleNotFound;
  (void)windowsDirectory;
  (void)systemDrive;
  ClearLastError();
  if (auto fault = RecordCall("DismOpenSession", "")) return *fault;
  if (!Initialized()) return kDismNotInitialized;
  if (!session) return kInvalidArgument;
  auto record = FindMount(imagePath);
  if (!record || !MountIsValid(*record))
    return Fail(kPathNotFound, L"No usable image is mounted at " + imagePath);
  if (record->status == kDismMountStatusNeedsRemount) return NeedsRemount(imagePath);
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  *session = s.nextSession++;
  s.sessions[*session] = record->mountPath;
  return kDismOk;
}

DismResult DismCloseSession(DismSessionHandle session) {
  if (!Loaded()) return kDismModuleNotFound;
  ClearLastError();
  if (auto fault = RecordCall("DismCloseSession", "")) return *fault;
  if (!Initialized()) return kDismNotInitialized;
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.sessions.erase(session) == 0) return kDismInvalidSession;
  return kDismOk;
}

DismResult DismAddDriver(DismSessionHandle session, const std::wstring& driverPath, bool forceUnsigned) {
  if (!Loaded()) return kDismModuleNotFound;
  ClearLastError();
  if (auto fault = RecordCall("DismAddDriver", "force=" + std::to_string(forceUnsigned ? 1 : 0))) return *fault;
  if (!Initialized()) return kDismNotInitialized;
  auto mount = SessionMount(session);
  if (!mount) return Fail(kDismInvalidSession, L"The DISM session is not valid.");
  auto record = FindMount(*mount);
  if (!record) return Fail(kDismInvalidSession, L"The session's image is no longer mounted.");
  if (record->mode == kDismReadOnly) return Fail(kAccessDenied, L"The image is mounted read-only.");
  auto staged = host::inf::StagePackage(driverPath, record->mountPath, record->arch);
  if (staged.hr < 0) return Fail(staged.hr, staged.message);
  Log(L"Staged " + driverPath + L" in " + staged.stagedFolder);
  return kDismOk;
}

DismResult DismCommitImage(DismSessionHandle session, std::uint32_t flags, DismProgressCallback progress,
                           void* userData) {
  if (!Loaded()) return kDismModuleNotFound;
  ClearLastError();
  if (auto fault = RecordCall("DismCommitImage", "flags=" + std::to_string(flags))) return *fault;
  if (!Initialized()) return kDismNotInitialized;
  auto mount = SessionMount(session);
  if (!mount) return Fail(kDismInvalidSession, L"The DISM session is not valid.");
  auto record = FindMount(*mount);
  if (!record || !MountIsValid(*record)) return Fail(kPathNotFound, L"The session's image is no longer mounted.");
  if (record->mode == kDismReadOnly) return Fail(kAccessDenied, L"A read-only mount can't be committed.");
  PercentReporter reporter{progress, userData};
  reporter.Report(0, 1);
  return WriteBack(*record, reporter);
}

DismResult DismUnmountImage(const std::wstring& mountPath, std::uint32_t flags, DismProgressCallback progress,
                            void* userData) {
  if (!Loaded()) return kDismModuleNotFound;
  ClearLastError();
  if (auto fault = RecordCall("DismUnmountImage", "flags=" + std::to_string(flags))) return *fault;
  if (!Initialized()) return kDismNotInitialized;
  auto record = FindMount(mountPath);
  if (!record) return Fail(kDismUnableToUnmount, L"No image is mounted at " + mountPath);
  if (SessionOpenOn(record->mountPath))
    return Fail(kDismOpenHandlesUnableToUnmount, L"A DISM session is still open on " + mountPath);
  if (MountStatus(*record) == kDismMountStatusNeedsRemount) return NeedsRemount(mountPath);
  PercentReporter reporter{progress, userData};
  reporter.Report(0, 1);
  if ((flags & kDismDiscardImage) == 0) {
    if (record->mode == kDismReadOnly) return Fail(kAccessDenied, L"A read-only mount can't be committed.");
    if (!MountIsValid(*record)) return Fail(kPathNotFound, L"The mounted image is not valid.");
    if (DismResult hr = WriteBack(*record, reporter); hr < 0) return hr;
  }
  EmptyFolder(host::Machine::HostPath(record->mountPath));
  std::vector<MountRecord> kept;
  for (const auto& r : ReadMounts())
    if (!SamePath(r.mountPath, record->mountPath)) kept.push_back(r);
  WriteMounts(kept);
  Log(L"Unmounted " + mountPath);
  return kDismOk;
}

DismResult DismGetLastErrorMessage(DismText** errorMessage) {
  if (!Loaded()) return kDismModuleNotFound;
  if (!errorMessage) return kInvalidArgument;
  RecordCall("DismGetLastErrorMessage", "");
  std::wstring text = LastError();
  if (text.empty()) {
    *errorMessage = nullptr;
    return 1;  // S_FALSE: no error text
  }
  *errorMessage = static_cast<DismText*>(AllocateText(text));
  return kDismOk;
}

DismResult DismDelete(void* dismStructure) {
  if (!Loaded()) return kDismModuleNotFound;
  if (!dismStructure) return kInvalidArgument;
  return Release(dismStructure) ? kDismOk : kInvalidArgument;
}

}  // namespace platform
