// Maps a partition to its drive letter through the NT object namespace: the partition's link
// \Device\HarddiskN\PartitionM names a volume device, and the letter is the DOS drive whose
// device name is that same volume.
#include "disk/volume_utils.h"
#include "platform/devices.h"
#include "platform/types.h"
#include "platform/volumes.h"

std::wstring PartitionLinkPath(int disk, int partition) {
  return L"\\Device\\Harddisk" + std::to_wstring(disk) + L"\\Partition" + std::to_wstring(partition);
}

platform::Status GetPartitionLetter(int disk, int partition, wchar_t& letter, std::wstring* volume) {
  letter = 0;
  if (volume) volume->clear();
  const std::wstring link = PartitionLinkPath(disk, partition);
  platform::Result<std::wstring> target = platform::QuerySymbolicLinkTarget(link);
  if (!target) return target.status();
  if (target->empty()) return platform::Status::Win32(platform::kErrorFileNotFound, "NtQuerySymbolicLinkObject", link);
  if (volume) *volume = *target;
  std::uint32_t mask = platform::LogicalDriveMask();
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    wchar_t candidate = static_cast<wchar_t>(L'A' + i);
    platform::Result<std::wstring> device = platform::QueryDosDeviceName(std::wstring(1, candidate) + L":");
    if (device && *device == *target) {
      letter = candidate;
      return {};
    }
  }
  return platform::Status::Win32(platform::kErrorFileNotFound, "QueryDosDeviceW", *target);
}
