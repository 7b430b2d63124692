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
constexpr std::size_t kFirstExtentLengthOffset = 24; // Extents[0].ExtentLength

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

namespace {
// The volume's VOLUME_DISK_EXTENTS, at least up to its first disk number; empty when it can't
// be read.
std::vector<std::uint8_t> FirstVolumeExtent(const std::wstring& letter) {
  if (letter.empty()) return {};
  auto device = platform::OpenDevice(L"\\\\.\\" + std::wstring(1, letter[0]) + L":", platform::DeviceOpenOptions{});
  if (!device) return {};
  platform::Result<std::vector<std::uint8_t>> output =
      (*device)->Control(platform::kIoctlVolumeGetVolumeDiskExtents, {}, kDiskExtentsBytes);
  if (!output || output->size() < kFirstExtentDiskOffset + 4) return {};
  return *output;
}
}  // namespace

int GetVolumeDiskNumber(const std::wstring& letter) {
  const std::vector<std::uint8_t> extents = FirstVolumeExtent(letter);
  return extents.empty() ? -1 : static_cast<int>(ReadUInt32(extents, kFirstExtentDiskOffset));
}

std::uint64_t GetVolumeExtentBytes(const std::wstring& letter) {
  const std::vector<std::uint8_t> extents = FirstVolumeExtent(letter);
  if (extents.size() < kDiskExtentsBytes) return 0;
  return static_cast<std::uint64_t>(ReadUInt32(extents, kFirstExtentLengthOffset)) |
         static_cast<std::uint64_t>(ReadUInt32(extents, kFirstExtentLengthOffset + 4)) << 32;
}
