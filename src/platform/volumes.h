#pragma once
// Drive letters, drive types, volume labels and free space. Every call that can fail returns a
// Status or Result (platform/status.h) naming the call, the root and the Windows error code.
#include <cstdint>
#include <string>

#include "platform/status.h"

namespace platform {

// GetDriveTypeW results.
constexpr std::uint32_t kDriveUnknown = 0;
constexpr std::uint32_t kDriveNoRootDir = 1;
constexpr std::uint32_t kDriveRemovable = 2;
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::uint32_t kDriveRemote = 4;
constexpr std::uint32_t kDriveCdRom = 5;
constexpr std::uint32_t kDriveRamDisk = 6;

// Bit n set for drive letter 'A' + n (GetLogicalDrives).
std::uint32_t LogicalDriveMask();

// GetDriveTypeW of a root such as E:\ (or of "\\.\PHYSICALDRIVEn\").
std::uint32_t DriveTypeOf(const std::wstring& root);

struct VolumeInformation {
  std::wstring label;
  std::wstring fileSystem;
  std::uint32_t flags = 0;
};

// GetVolumeInformationW on a root.
Result<VolumeInformation> QueryVolumeInformation(const std::wstring& root);

// SetVolumeLabelW on a root such as G:\.
Status SetVolumeLabelOf(const std::wstring& root, const std::wstring& label);

// GetDiskFreeSpaceExW: bytes free to the caller and total bytes of the volume.
struct DiskSpace {
  std::uint64_t freeBytes = 0;
  std::uint64_t totalBytes = 0;
};
Result<DiskSpace> QueryDiskSpace(const std::wstring& root);

}  // namespace platform
