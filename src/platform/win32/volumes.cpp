#include "platform/volumes.h"

#include <windows.h>

#include "platform/win32/win32_status.h"

namespace platform {

std::uint32_t LogicalDriveMask() { return GetLogicalDrives(); }

std::uint32_t DriveTypeOf(const std::wstring& root) { return GetDriveTypeW(root.c_str()); }

Result<VolumeInformation> QueryVolumeInformation(const std::wstring& root) {
  wchar_t label[MAX_PATH + 1] = {};
  wchar_t fileSystem[MAX_PATH + 1] = {};
  DWORD flags = 0;
  if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, &flags, fileSystem,
                             MAX_PATH + 1))
    return win32::LastError("GetVolumeInformationW", root);
  VolumeInformation info;
  info.label = label;
  info.fileSystem = fileSystem;
  info.flags = flags;
  return info;
}

Status SetVolumeLabelOf(const std::wstring& root, const std::wstring& label) {
  return win32::Check(SetVolumeLabelW(root.c_str(), label.c_str()) != FALSE, "SetVolumeLabelW", root);
}

Result<DiskSpace> QueryDiskSpace(const std::wstring& root) {
  ULARGE_INTEGER available{}, total{}, totalFree{};
  if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &totalFree))
    return win32::LastError("GetDiskFreeSpaceExW", root);
  return DiskSpace{available.QuadPart, total.QuadPart};
}

}  // namespace platform
