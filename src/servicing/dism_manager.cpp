#include "servicing/dism_manager.h"

#include <mutex>

#include "app/program_data.h"
#include "app/trace_log.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/private_folder.h"
#include "platform/text.h"
#include "platform/types.h"

namespace {
std::mutex g_instanceLock;
// Never destroyed before the process ends: DISM stays initialised for the whole run, and no
// exit-time destructor calls into a DISM that may already be gone.
DismManager* g_instance = nullptr;
}  // namespace

DismManager::DismManager() : m_ImgManager(std::make_unique<DismCpp::DismImgManager>()) {}
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
  void* info = nullptr;
  count = 0;
  hr = platform::DismGetImageInfo(wimPath, &info, &count);
  if (platform::DismFailed(hr)) return false;
  if (info) platform::DismDelete(info);
  return true;
}

bool DismManager::Mount(const std::wstring& wimPath, std::uint32_t imageIndex, DismCpp::ProgressCallback progress,
                        void* userData) {
  if (!PrepareMountFolder()) {
    platform::ShowMessageBox(0, L"Unable to create a mount folder in " + platform::AnsiToWide(GetProgramDataFolder()),
                             L"DismCpp", platform::kMbOk);
    return false;
  }
  return m_ImgManager->MountImage(wimPath, m_MountFolder, false, imageIndex, progress, userData);
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
