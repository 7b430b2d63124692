#pragma once
// Windows' disk records as the device I/O controls return them, read from little-endian bytes
// at their documented offsets. Every reader checks the length it was given, so a short or
// truncated reply can never be read past its end.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace disk {

using Bytes = std::vector<std::uint8_t>;

// A GUID as Windows stores it: Data1..Data3 little-endian, Data4 as 8 bytes.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  static Guid Read(const std::uint8_t* bytes);  // 16 bytes
  // "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", upper case, without braces.
  std::wstring ToText() const;
  // The registry form StringFromCLSID gives: the text above in braces, 38 characters.
  std::wstring ToRegistryText() const { return L"{" + ToText() + L"}"; }
  bool operator==(const Guid&) const = default;
};

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (braces allowed, any case). False when malformed.
bool ParseGuid(const std::wstring& text, Guid& guid);

constexpr std::uint32_t kPartitionStyleMbr = 0;
constexpr std::uint32_t kPartitionStyleGpt = 1;
constexpr std::uint32_t kPartitionStyleRaw = 2;

// DISK_GEOMETRY_EX: DISK_GEOMETRY (24 bytes), DiskSize at 24, then DISK_PARTITION_INFO at 32
// (SizeOfPartitionInfo, PartitionStyle at 36, MBR Signature or GPT DiskId at 40).
constexpr std::size_t kGeometryWithStyleSize = 56;
constexpr std::size_t kGeometrySize = 40;
struct DiskGeometry {
  std::int64_t cylinders = 0;
  std::uint32_t mediaType = 0;
  std::uint32_t tracksPerCylinder = 0;
  std::uint32_t sectorsPerTrack = 0;
  std::uint32_t bytesPerSector = 0;
  std::uint64_t diskSize = 0;
  bool hasStyle = false;          // the reply reached the partition style
  std::uint32_t partitionStyle = kPartitionStyleRaw;
};
// False when the reply is too short to hold the geometry and the disk size.
bool ReadDiskGeometry(const Bytes& bytes, DiskGeometry& geometry);

// PARTITION_INFORMATION_EX, 144 bytes: PartitionStyle 0, StartingOffset 8, PartitionLength 16,
// PartitionNumber 24, RewritePartition 28; MBR PartitionType 32, BootIndicator 33,
// RecognizedPartition 34, HiddenSectors 36; GPT PartitionType 32, PartitionId 48,
// Attributes 64, Name (36 UTF-16 units) 72.
constexpr std::size_t kPartitionEntrySize = 144;
using RawPartition = std::array<std::uint8_t, kPartitionEntrySize>;
struct PartitionInfo {
  std::uint32_t style = 0;
  std::int64_t start = 0;
  std::int64_t length = 0;
  std::uint32_t number = 0;
  std::uint8_t mbrType = 0;
  bool bootIndicator = false;
  Guid gptType;
  RawPartition raw{};
};
PartitionInfo ReadPartition(const std::uint8_t* bytes);

// DRIVE_LAYOUT_INFORMATION_EX: PartitionStyle 0, PartitionCount 4, MBR Signature 8 or GPT
// DiskId 8, then the entries from 48.
constexpr std::size_t kLayoutHeaderSize = 48;
constexpr std::size_t kLayoutInitialSize = kLayoutHeaderSize + 4 * kPartitionEntrySize;  // 624
constexpr std::size_t kLayoutGrowth = 4 * kPartitionEntrySize;                           // 576
struct DriveLayout {
  std::uint32_t style = 0;
  std::uint32_t count = 0;        // PartitionCount as reported
  std::uint32_t signature = 0;
  Guid diskId;
  std::vector<PartitionInfo> entries;  // the entries the reply really holds (at most count)
};
bool ReadDriveLayout(const Bytes& bytes, DriveLayout& layout);

// STORAGE_PROPERTY_QUERY for StorageDeviceProperty / PropertyStandardQuery (12 bytes), and
// STORAGE_DEVICE_DESCRIPTOR's BusType at offset 28 of its 40 bytes.
constexpr std::size_t kStorageDescriptorSize = 40;
constexpr std::uint32_t kBusTypeUsb = 7;
Bytes StorageDevicePropertyQuery();
bool ReadStorageBusType(const Bytes& bytes, std::uint32_t& busType);

// VOLUME_DISK_EXTENTS: NumberOfDiskExtents 0, then DISK_EXTENT entries of 24 bytes from 8
// (DiskNumber 0, StartingOffset 8, ExtentLength 16).
constexpr std::size_t kVolumeExtentsSize = 32;
bool ReadFirstExtentDiskNumber(const Bytes& bytes, std::uint32_t& diskNumber);

// Little-endian readers over a byte pointer (the caller has checked the length).
std::uint16_t ReadU16(const std::uint8_t* p);
std::uint32_t ReadU32(const std::uint8_t* p);
std::uint64_t ReadU64(const std::uint8_t* p);

}  // namespace disk
