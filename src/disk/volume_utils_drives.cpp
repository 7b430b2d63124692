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
  return static_cast<double>(platform::QueryDiskSpace(root).value_or({}).freeBytes / kBytesPerMiB);
}

double GetTotalSpaceMB(const std::wstring& root) {
  return static_cast<double>(platform::QueryDiskSpace(root).value_or({}).totalBytes / kBytesPerMiB);
}

bool IsFixedOrRemovable(const std::wstring& text) {
  if (text.empty()) return false;
  std::uint32_t type = platform::DriveTypeOf(RootOf(text));
  return type == platform::kDriveRemovable || type == platform::kDriveFixed;
}

bool IsCdRomDrive(const std::wstring& root) { return platform::DriveTypeOf(root) == platform::kDriveCdRom; }

std::wstring GetVolumeLabelText(const std::wstring& root) {
  return platform::QueryVolumeInformation(root).value_or({}).label;
}

platform::Status SetVolumeLabelText(const std::wstring& target, const std::wstring& label) {
  if (target.empty()) return platform::Status::Win32(platform::kErrorInvalidParameter, "SetVolumeLabelW");
  return platform::SetVolumeLabelOf(RootOf(target), label);
}

bool IsDriveReady(const std::wstring& root) {
  platform::Result<platform::VolumeInformation> info = platform::QueryVolumeInformation(root);
  if (info) return true;
  // Only "no such volume" and "no media" count as not ready: a volume with a file system
  // Windows doesn't know is still there.
  const std::uint32_t error = info.status().code();
  return error != platform::kErrorInvalidParameter && error != platform::kErrorNotReady;
}
