// Volume queries that open the volume as a device: the storage bus and the disk behind it.
#include <cwctype>

#include "disk/volume_utils.h"
#include "platform/devices.h"

namespace {

constexpr std::size_t kStorageDescriptorBytes = 40;  // STORAGE_DEVICE_DESCRIPTOR up to its first raw byte
constexpr std::size_t kBusTypeOffset = 28;           // STORAGE_DEVICE_DESCRIPTOR.BusType
constexpr std::uint32_t kBusTypeUsb = 7;
constexpr std::size_t kDiskExtentsBytes = 32;        // VOLUME_DISK_EXTENTS with one DISK_EXTENT
constexpr std::size_t kFirstExtentDiskOffset = 8;    // Extents[0].DiskNumber

std::uint32_t ReadUInt32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

}  // namespace

bool IsUsbVolume(const std::wstring& text) {
  if (!IsFixedOrRemovable(text)) return false;
  auto device = platform::OpenDevice(L"\\\\?\\" + std::wstring(1, text[0]) + L":", platform::DeviceOpenOptions{});
  if (!device) return false;
  // STORAGE_PROPERTY_QUERY: StorageDeviceProperty (0), PropertyStandardQuery (0), one padded byte.
  std::vector<std::uint8_t> query(12, 0);
  platform::Result<std::vector<std::uint8_t>> output =
      (*device)->Control(platform::kIoctlStorageQueryProperty, query, kStorageDescriptorBytes);
  return output && output->size() >= kBusTypeOffset + 4 && ReadUInt32(*output, kBusTypeOffset) == kBusTypeUsb;
}

int GetVolumeDiskNumber(const std::wstring& letter) {
  if (letter.empty()) return -1;
  auto device = platform::OpenDevice(L"\\\\.\\" + std::wstring(1, letter[0]) + L":", platform::DeviceOpenOptions{});
  if (!device) return -1;
  platform::Result<std::vector<std::uint8_t>> output =
      (*device)->Control(platform::kIoctlVolumeGetVolumeDiskExtents, {}, kDiskExtentsBytes);
  if (!output || output->size() < kFirstExtentDiskOffset + 4) return -1;
  return static_cast<int>(ReadUInt32(*output, kFirstExtentDiskOffset));
}
