// Drive kinds, free and total space, volume labels and readiness.
#include <cwctype>

#include "disk/volume_utils.h"
#include "platform/types.h"
#include "platform/volumes.h"

namespace {

constexpr std::uint64_t kBytesPerMiB = 1048576;

// The root ("E:\") of the drive a text begins with; empty when it does not begin with one.
std::wstring RootOf(const std::wstring& text) {
  if (text.empty()) return {};
  return std::wstring(1, text[0]) + L":\\";
}

}  // namespace

double GetFreeSpaceMB(const std::wstring& root) {
  std::uint64_t freeBytes = 0, totalBytes = 0;
  if (!platform::QueryDiskSpace(root, freeBytes, totalBytes)) return 0;
  return static_cast<double>(freeBytes / kBytesPerMiB);
}

double GetTotalSpaceMB(const std::wstring& root) {
  std::uint64_t freeBytes = 0, totalBytes = 0;
  if (!platform::QueryDiskSpace(root, freeBytes, totalBytes)) return 0;
  return static_cast<double>(totalBytes / kBytesPerMiB);
}

bool IsFixedOrRemovable(const std::wstring& text) {
  if (text.empty()) return false;
  std::uint32_t type = platform::DriveTypeOf(RootOf(text));
  return type == platform::kDriveRemovable || type == platform::kDriveFixed;
}

bool IsCdRomDrive(const std::wstring& root) { return platform::DriveTypeOf(root) == platform::kDriveCdRom; }

std::wstring GetVolumeLabelText(const std::wstring& root) {
  platform::VolumeInformation info;
  std::uint32_t error = 0;
  return platform::QueryVolumeInformation(root, info, error) ? info.label : std::wstring();
}

bool SetVolumeLabelText(const std::wstring& target, const std::wstring& label) {
  if (target.empty()) return false;
  return platform::SetVolumeLabelOf(RootOf(target), label);
}

bool IsDriveReady(const std::wstring& root) {
  platform::VolumeInformation info;
  std::uint32_t error = 0;
  if (platform::QueryVolumeInformation(root, info, error)) return true;
  // Only "no such volume" and "no media" count as not ready: a volume with a file system
  // Windows doesn't know is still there.
  return error != platform::kErrorInvalidParameter && error != platform::kErrorNotReady;
}
