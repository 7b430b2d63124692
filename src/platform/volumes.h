#pragma once
// Drive letters, drive types, volume labels and free space. Every call that fails leaves the
// Windows error code in LastErrorCode() (platform/errors.h).
#include <cstdint>
#include <string>

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

// GetVolumeInformationW on a root. On failure `lastError` holds the Windows error code.
bool QueryVolumeInformation(const std::wstring& root, VolumeInformation& info, std::uint32_t& lastError);

// SetVolumeLabelW on a root such as G:\.
bool SetVolumeLabelOf(const std::wstring& root, const std::wstring& label);

// GetDiskFreeSpaceExW: bytes free to the caller and total bytes of the volume.
bool QueryDiskSpace(const std::wstring& root, std::uint64_t& freeBytes, std::uint64_t& totalBytes);

}  // namespace platform
