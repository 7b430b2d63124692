#include "servicing/dism_cpp.h"

#include <cwchar>

#include "app/program_data.h"
#include "app/trace_log.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace DismCpp {

namespace {
constexpr std::size_t kErrorTextUnits = 260;  // terminator included

std::wstring Hex(platform::DismResult hr) {
  wchar_t digits[16];
  std::swprintf(digits, 16, L"%x", static_cast<unsigned>(hr));
  return digits;
}
}  // namespace

bool DismBasic::Release(void* buffer) {
  if (!buffer) return true;
  return !platform::DismFailed(platform::DismDelete(buffer));
}

std::wstring DismBasic::FormatError(const std::wstring& name, platform::DismResult hr, const wchar_t* lastError) {
  std::wstring text = name + L" failed 0x" + Hex(hr) + L" : " + (lastError ? lastError : L"") + L"  ";
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
  m_LastError = nullptr;
  platform::DismGetLastErrorMessage(&m_LastError);
  std::wstring text = FormatError(name, hr, m_LastError ? m_LastError->Value : nullptr);
  Release(m_LastError);
  m_LastError = nullptr;
  TraceLog(L"[DismCpp] " + text);
  return platform::ShowMessageBox(0, text, L"DismCpp", platform::kMbOk);
}

DismImgManager::DismImgManager() {
  std::wstring logFile = platform::AnsiToWide(GetProgramDataFolder() + "log.txt");
  platform::DismResult hr = platform::DismInitialize(platform::kDismLogErrorsWarningsInfo, logFile, nullptr);
  if (platform::DismFailed(hr)) throw InitializeError(hr);
}

DismImgManager::~DismImgManager() {
  platform::DismResult hr = platform::DismShutdown();
  if (platform::DismFailed(hr)) ReportError(L"DismShutdown", hr);
}

std::uint32_t DismImgManager::GetImageCount(const std::wstring& imagePath) {
  platform::DismResult hr = platform::DismGetImageInfo(imagePath, &m_ImageInfo, &m_ImageCount);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismGetImageInfo", hr);
    return 0;
  }
  Release(m_ImageInfo);
  m_ImageInfo = nullptr;
  return m_ImageCount;
}

bool DismImgManager::MountImage(const std::wstring& imagePath, const std::wstring& mountPath, bool readOnly,
                                std::uint32_t imageIndex, ProgressCallback progress, void* userData) {
  // A mount that DISM reports invalid (its folder or image gone) is cleaned up first, once per
  // such entry; valid mounts are left alone.
  std::vector<platform::DismMountedImage> mounted;
  platform::DismGetMountedImageInfo(mounted);
  for (const auto& image : mounted)
    if (image.mountStatus == platform::kDismMountStatusInvalid) platform::DismCleanupMountpoints();

  std::uint32_t flags = readOnly ? platform::kDismMountReadOnly : platform::kDismMountReadWrite;
  platform::DismResult hr = platform::DismMountImage(imagePath, mountPath, imageIndex, nullptr,
                                                     platform::kDismImageIndex, flags, progress, userData);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismMountImage", hr);
    return false;
  }
  m_Mounted = true;
  m_PendingMountPath = mountPath;
  m_ReadOnly = readOnly ? 1 : 0;

  hr = platform::DismOpenSession(mountPath, nullptr, nullptr, &m_Session);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismOpenSession ", hr);
    return false;
  }
  m_SessionOpen = true;
  m_MountPath = mountPath;
  return true;
}

bool DismImgManager::AddDriver(const std::wstring& infPath) {
  platform::DismResult hr = platform::DismAddDriver(m_Session, infPath, true);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismAddDriver  ", hr);
    return false;
  }
  return true;
}

bool DismImgManager::CommitImage(ProgressCallback progress, void* userData) {
  platform::DismResult hr = platform::DismCommitImage(m_Session, 0, progress, userData);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismCommitImage ", hr);
    return false;
  }
  hr = platform::DismCloseSession(m_Session);
  if (platform::DismFailed(hr)) {
    ReportError(L"DismCloseSession", hr);
    return false;
  }
  m_SessionOpen = false;
  return true;
}

bool DismImgManager::UnmountImage(ProgressCallback progress, void* userData) {
  std::uint32_t flags = m_ReadOnly ? platform::kDismDiscardImage : platform::kDismCommitImage;
  platform::DismResult hr = platform::DismUnmountImage(m_MountPath, flags, progress, userData);
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
    platform::DismResult hr = platform::DismCloseSession(m_Session);
    if (platform::DismFailed(hr))
      TraceLog(L"[DismImgManager::DiscardMount] DismCloseSession failed 0x" + Hex(hr));
    else
      m_SessionOpen = false;
  }
  platform::DismResult hr = platform::DismUnmountImage(m_PendingMountPath, platform::kDismDiscardImage, nullptr, nullptr);
  if (platform::DismFailed(hr)) {
    TraceLog(L"[DismImgManager::DiscardMount] DismUnmountImage failed 0x" + Hex(hr) + L" : " + m_PendingMountPath);
    return false;
  }
  TraceLog(L"[DismImgManager::DiscardMount] discarded the mount at " + m_PendingMountPath);
  m_Mounted = false;
  return true;
}

}  // namespace DismCpp
