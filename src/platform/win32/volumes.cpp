#include "platform/volumes.h"

#include <windows.h>

namespace platform {

std::uint32_t LogicalDriveMask() { return GetLogicalDrives(); }

std::uint32_t DriveTypeOf(const std::wstring& root) { return GetDriveTypeW(root.c_str()); }

bool QueryVolumeInformation(const std::wstring& root, VolumeInformation& info, std::uint32_t& lastError) {
  wchar_t label[MAX_PATH + 1] = {};
  wchar_t fileSystem[MAX_PATH + 1] = {};
  DWORD flags = 0;
  if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, &flags, fileSystem,
                             MAX_PATH + 1)) {
    lastError = GetLastError();
    return false;
  }
  info.label = label;
  info.fileSystem = fileSystem;
  info.flags = flags;
  lastError = ERROR_SUCCESS;
  return true;
}

bool SetVolumeLabelOf(const std::wstring& root, const std::wstring& label) {
  return SetVolumeLabelW(root.c_str(), label.c_str()) != FALSE;
}

bool QueryDiskSpace(const std::wstring& root, std::uint64_t& freeBytes, std::uint64_t& totalBytes) {
  ULARGE_INTEGER available{}, total{}, totalFree{};
  if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &totalFree)) return false;
  freeBytes = available.QuadPart;
  totalBytes = total.QuadPart;
  return true;
}

}  // namespace platform
