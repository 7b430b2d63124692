#include "servicing/dism_manager.h"

#include <atomic>
#include <mutex>

#include "app/program_data.h"
#include "app/text_case.h"
#include "app/trace_log.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/private_folder.h"
#include "platform/text.h"
#include "platform/types.h"
#include "servicing/dism_backend_choice.h"

namespace {
std::mutex g_instanceLock;
// Never destroyed before the process ends: DISM stays initialised for the whole run, and no
// exit-time destructor calls into a DISM that may already be gone.
DismManager* g_instance = nullptr;
// A dism.exe run that prints nothing for ten minutes is hung: a boot image mounts, takes a
// driver or commits in well under a minute, and a larger image prints its progress meanwhile.
std::atomic<std::uint32_t> g_dismExeSilenceLimitMs{10 * 60 * 1000};

std::unique_ptr<DismCpp::DismImgManager> MakeImgManager() {
  std::unique_ptr<DismCpp::DismBackend> backend = DismCpp::ChooseDismBackend(g_dismExeSilenceLimitMs.load());
  if (!backend) {
    TraceLog(L"[DismManager] neither the DISM API nor dism.exe can be used");
    throw DismCpp::InitializeError(platform::kDismModuleNotFound);
  }
  TraceLog(L"[DismManager] DISM back-end: " + backend->Description());
  return std::make_unique<DismCpp::DismImgManager>(std::move(backend));
}

bool StartsWithFolder(const std::wstring& path, const std::wstring& folder) {
  return !folder.empty() && path.size() >= folder.size() && SameTextIgnoringCase(path.substr(0, folder.size()), folder);
}

std::wstring StatusName(int status) {
  return status == platform::kDismMountStatusOk            ? L"ok"
         : status == platform::kDismMountStatusNeedsRemount ? L"needs remount"
                                                           : L"invalid";
}

}  // namespace

DismManager::DismManager() : m_ImgManager(MakeImgManager()) {}

void DismManager::SetDismExeSilenceLimit(std::uint32_t milliseconds) { g_dismExeSilenceLimitMs = milliseconds; }
DismManager::~DismManager() = default;

DismManager* DismManager::Instance() {
  std::lock_guard<std::mutex> guard(g_instanceLock);
  // A constructor that throws leaves no instance behind, so the next call tries again.
  if (!g_instance) g_instance = new DismManager();
  return g_instance;
}

void DismManager::DestroyInstance() {
  std::lock_guard<std::mutex> guard(g_instanceLock);
  delete g_instance;
  g_instance = nullptr;
}

bool DismManager::ReadImageCount(const std::wstring& wimPath, std::uint32_t& count, platform::DismResult& hr) {
  hr = m_ImgManager->Backend().GetImageCount(wimPath, count);
  return !platform::DismFailed(hr);
}

bool DismManager::ReadImages(const std::wstring& wimPath, std::vector<platform::DismImage>& images,
                             platform::DismResult& hr) {
  hr = m_ImgManager->Backend().GetImages(wimPath, images);
  return !platform::DismFailed(hr);
}

bool DismManager::ClearStaleMounts(std::wstring& stuckFolder) {
  DismCpp::DismBackend& dism = m_ImgManager->Backend();
  const std::wstring ours = platform::AnsiToWide(GetProgramDataFolder());
  auto trace = [](const std::wstring& line) { TraceLog(L"[DismManager::ClearStaleMounts] " + line); };
  auto listOurs = [&](std::vector<platform::DismMountedImage>& found) {
    std::vector<platform::DismMountedImage> all;
    platform::DismResult hr = dism.GetMountedImages(all);
    if (platform::DismFailed(hr)) trace(L"the mounted images could not be listed, " + DismCpp::HexCode(static_cast<std::uint32_t>(hr)) + L" : " + dism.LastErrorText());
    found.clear();
    for (const auto& image : all)
      if (StartsWithFolder(image.mountPath, ours)) found.push_back(image);
  };

  std::vector<platform::DismMountedImage> stale;
  listOurs(stale);
  for (const auto& image : stale) {
    trace(L"left mounted: " + image.mountPath + L" (" + image.imageFilePath + L", image " +
          std::to_wstring(image.imageIndex) + L", " + StatusName(image.mountStatus) + L")");
    if (image.mountStatus == platform::kDismMountStatusNeedsRemount) {
      platform::DismResult hr = dism.RemountImage(image.mountPath);
      trace(L"remount " + image.mountPath + (platform::DismFailed(hr) ? L" failed " + DismCpp::HexCode(static_cast<std::uint32_t>(hr)) + L" : " + dism.LastErrorText() : L" done"));
    }
    platform::DismResult hr = dism.UnmountImage(image.mountPath, true, nullptr, nullptr);
    trace(L"unmount discarding " + image.mountPath +
          (platform::DismFailed(hr) ? L" failed " + DismCpp::HexCode(static_cast<std::uint32_t>(hr)) + L" : " + dism.LastErrorText() : L" done"));
  }
  if (!stale.empty()) {
    platform::DismResult hr = dism.CleanupMountpoints();
    trace(std::wstring(L"clean-up of mount points") + (platform::DismFailed(hr) ? L" failed " + DismCpp::HexCode(static_cast<std::uint32_t>(hr)) : L" done"));
  }

  std::vector<platform::DismMountedImage> left;
  listOurs(left);
  for (const auto& image : stale) {
    bool stillThere = false;
    for (const auto& l : left) stillThere = stillThere || SameTextIgnoringCase(l.mountPath, image.mountPath);
    if (!stillThere && platform::PathExists(image.mountPath) && !DeleteFolderTree(image.mountPath))
      trace(L"the old mount folder could not be deleted: " + image.mountPath);
  }
  if (left.empty()) return true;
  stuckFolder = left.front().mountPath;
  trace(L"still mounted: " + stuckFolder);
  return false;
}

bool DismManager::Mount(const std::wstring& wimPath, std::uint32_t imageIndex, DismCpp::ProgressCallback progress,
                        void* userData, bool readOnly) {
  if (!PrepareMountFolder()) {
    platform::ShowMessageBox(0, L"Unable to create a mount folder in " + platform::AnsiToWide(GetProgramDataFolder()),
                             L"DismCpp", platform::kMbOk);
    return false;
  }
  return m_ImgManager->MountImage(wimPath, m_MountFolder, readOnly, imageIndex, progress, userData);
}

bool DismManager::Unmount(DismCpp::ProgressCallback progress, void* userData) {
  if (!m_ImgManager->UnmountImage(progress, userData)) return false;
  return DeleteFolderTree(m_MountFolder);
}

bool DismManager::Discard() {
  bool unmounted = m_ImgManager->DiscardMount();
  bool removed = true;
  if (unmounted && !m_MountFolder.empty() && platform::PathExists(m_MountFolder)) {
    removed = DeleteFolderTree(m_MountFolder);
    if (!removed) TraceLog(L"[DismManager::Discard] the mount folder could not be deleted: " + m_MountFolder);
  }
  return unmounted && removed;
}

bool DismManager::PrepareMountFolder() {
  // A name that is taken frees up within a second; a folder that can't be created at all would
  // otherwise keep the worker waiting for ever, so the wait ends after a minute of names.
  constexpr int kAttempts = 60;
  for (int attempt = 1;; ++attempt) {
    platform::LocalTime now = platform::CurrentLocalTime();
    std::string name = GetProgramDataFolder() + std::to_string(now.hour) + std::to_string(now.minute) +
                       std::to_string(now.second) + "\\";
    std::wstring wide = platform::AnsiToWide(name);
    // The mounted image is what gets the drivers and is committed, so its folder is the
    // program's alone: created new with the private access list. Anything already standing at
    // the name (an earlier mount, someone else's folder, a link) is never reused or followed.
    platform::Status made = platform::Status::Win32(platform::kErrorAlreadyExists, "CreateDirectoryW", wide);
    if (!platform::PathExists(wide)) {
      made = platform::CreatePrivateFolderAt(wide);
      if (made) {
        m_MountFolder = wide;
        return true;
      }
    }
    // Only a taken name frees up with time; a folder that can't be created (access denied,
    // a missing parent) fails the same way under every name.
    if (made.code() != platform::kErrorAlreadyExists) {
      TraceLog(L"[DismManager::PrepareMountFolder] CreateDirectoryW failed for " + wide + made.Suffix());
      return false;
    }
    if (attempt == kAttempts) {
      TraceLog(L"[DismManager::PrepareMountFolder] CreateDirectoryW failed for every name, last " + wide +
               made.Suffix());
      return false;
    }
    platform::SleepMilliseconds(1000);
  }
}
