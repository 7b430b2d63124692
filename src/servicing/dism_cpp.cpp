#include "servicing/dism_cpp.h"


#include "app/program_data.h"
#include "app/trace_log.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace DismCpp {

namespace {
constexpr std::size_t kErrorTextUnits = 260;  // terminator included
}  // namespace

std::wstring DismBasic::FormatError(const std::wstring& name, platform::DismResult hr, const wchar_t* lastError) {
  std::wstring text = name + L" failed " + HexCode(static_cast<std::uint32_t>(hr)) + L" : " + (lastError ? lastError : L"") + L"  ";
  // Cut to what the 260-unit buffer holds, never through a surrogate pair.
  if (text.size() > kErrorTextUnits - 1) {
    std::size_t keep = kErrorTextUnits - 1;
    wchar_t last = text[keep - 1];
    if (last >= 0xD800 && last <= 0xDBFF) --keep;
    text.resize(keep);
  }
  return text;
}

int DismBasic::ReportError(const std::wstring& name, platform::DismResult hr) {
  std::wstring lastError = m_Backend->LastErrorText();
  std::wstring text = FormatError(name, hr, lastError.c_str());
  TraceLog(L"[DismCpp] " + text);
  return platform::ShowMessageBox(0, text, L"DismCpp", platform::kMbOk);
}

DismImgManager::DismImgManager(std::unique_ptr<DismBackend> backend) : DismBasic(std::move(backend)) {
  // DISM's log goes beside the trace log, or nowhere: never into the current folder.
  const std::string folder = GetProgramDataFolder();
  std::wstring logFile = folder.empty() ? std::wstring() : platform::AnsiToWide(folder + "log.txt");
  platform::DismResult hr = m_Backend->Initialize(logFile);
  if (platform::DismFailed(hr)) throw InitializeError(hr);
}

DismImgManager::~DismImgManager() {
  platform::DismResult hr = m_Backend->Shutdown();
  if (platform::DismFailed(hr)) ReportError(L"DismShutdown", hr);
}

std::uint32_t DismImgManager::GetImageCount(const std::wstring& imagePath) {
  platform::DismResult hr = m_Backend->GetImageCount(imagePath, m_ImageCount);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismGetImageInfo", hr);
    return 0;
  }
  return m_ImageCount;
}

bool DismImgManager::GetImages(const std::wstring& imagePath, std::vector<platform::DismImage>& images) {
  platform::DismResult hr = m_Backend->GetImages(imagePath, images);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismGetImageInfo", hr);
    return false;
  }
  return true;
}

bool DismImgManager::MountImage(const std::wstring& imagePath, const std::wstring& mountPath, bool readOnly,
                                std::uint32_t imageIndex, ProgressCallback progress, void* userData) {
  // A mount that DISM reports invalid (its folder or image gone) is cleaned up first, once per
  // such entry; valid mounts are left alone.
  std::vector<platform::DismMountedImage> mounted;
  m_Backend->GetMountedImages(mounted);
  for (const auto& image : mounted)
    if (image.mountStatus == platform::kDismMountStatusInvalid) m_Backend->CleanupMountpoints();

  platform::DismResult hr = m_Backend->MountImage(imagePath, mountPath, imageIndex, readOnly, progress, userData);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismMountImage", hr);
    return false;
  }
  m_Mounted = true;
  m_PendingMountPath = mountPath;
  m_ReadOnly = readOnly ? 1 : 0;

  hr = m_Backend->OpenSession(mountPath, m_Session);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismOpenSession ", hr);
    return false;
  }
  m_SessionOpen = true;
  m_MountPath = mountPath;
  return true;
}

bool DismImgManager::AddDriver(const std::wstring& infPath) {
  platform::DismResult hr = m_Backend->AddDriver(m_Session, infPath, true);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismAddDriver  ", hr);
    return false;
  }
  return true;
}

bool DismImgManager::CommitImage(ProgressCallback progress, void* userData) {
  platform::DismResult hr = m_Backend->CommitImage(m_Session, progress, userData);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismCommitImage ", hr);
    return false;
  }
  hr = m_Backend->CloseSession(m_Session);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismCloseSession", hr);
    return false;
  }
  m_SessionOpen = false;
  return true;
}

bool DismImgManager::UnmountImage(ProgressCallback progress, void* userData) {
  platform::DismResult hr = m_Backend->UnmountImage(m_MountPath, m_ReadOnly != 0, progress, userData);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismUnmountImage  ", hr);
    return false;
  }
  m_Mounted = false;
  return true;
}

bool DismImgManager::DiscardMount() {
  if (!m_Mounted) return true;
  if (m_SessionOpen) {
    platform::DismResult hr = m_Backend->CloseSession(m_Session);
    if (platform::DismFailed(hr))
      TraceLog(L"[DismImgManager::DiscardMount] DismCloseSession failed " + HexCode(static_cast<std::uint32_t>(hr)));
    else
      m_SessionOpen = false;
  }
  platform::DismResult hr = m_Backend->UnmountImage(m_PendingMountPath, true, nullptr, nullptr);
  if (platform::DismFailed(hr)) {
    TraceLog(L"[DismImgManager::DiscardMount] DismUnmountImage failed " + HexCode(static_cast<std::uint32_t>(hr)) + L" : " + m_PendingMountPath);
    return false;
  }
  TraceLog(L"[DismImgManager::DiscardMount] discarded the mount at " + m_PendingMountPath);
  m_Mounted = false;
  return true;
}

}  // namespace DismCpp
