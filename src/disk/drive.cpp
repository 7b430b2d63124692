#include "disk/drive.h"

#include <cstdio>
#include <cstdlib>

#include "app/trace_log.h"
#include "disk/volume_utils.h"
#include "platform/devices.h"
#include "platform/text.h"
#include "platform/types.h"
#include "platform/volumes.h"

namespace {
// A device that keeps answering "buffer too small" must not make the layout read loop forever;
// no real layout comes near this size (128 GPT entries take 18 KiB).
constexpr std::size_t kLayoutLimit = 1u << 20;

std::wstring PartitionLinkPath(std::int32_t disk, std::int32_t partition) {
  return L"\\Device\\Harddisk" + std::to_wstring(disk) + L"\\Partition" + std::to_wstring(partition);
}

constexpr std::int64_t kMiB = 1024 * 1024;
}  // namespace

void InventoryAssertionFailed(const char* condition) {
  std::fprintf(stderr, "Assertion failed: %s\n", condition);
  std::fflush(stderr);
  TraceLog(L"[DriveManager] assertion failed: " + platform::AnsiToWide(condition));
  std::abort();
}

Drive::Drive(platform::Device* device, std::int32_t diskNumber) : m_hDevice(device), m_DiskNumber(diskNumber) {}

Drive::~Drive() = default;

PartitionEntry* Drive::GetPartition(std::size_t Index) {
  if (!(Index < m_Partition.size())) InventoryAssertionFailed("Index < m_Partition.size()");
  return m_Partition[Index].get();
}

bool Drive::QueryGeometry(std::size_t capacity, disk::DiskGeometry& geometry) {
  if (!m_hDevice) return false;
  disk::Bytes output;
  std::uint32_t error = 0;
  if (!m_hDevice->Control(platform::kIoctlDiskGetDriveGeometryEx, {}, capacity, output, error)) return false;
  return disk::ReadDiskGeometry(output, geometry);
}

std::uint64_t Drive::GetDiskSize() {
  disk::DiskGeometry geometry;
  return QueryGeometry(disk::kGeometrySize, geometry) ? geometry.diskSize : 0;
}

bool Drive::IsUsbBus() {
  if (!m_hDevice) return false;
  disk::Bytes output;
  std::uint32_t error = 0;
  if (!m_hDevice->Control(platform::kIoctlStorageQueryProperty, disk::StorageDevicePropertyQuery(),
                          disk::kStorageDescriptorSize, output, error))
    return false;
  std::uint32_t bus = 0;
  return disk::ReadStorageBusType(output, bus) && bus == disk::kBusTypeUsb;
}

int Drive::GetDriveType() {
  std::uint32_t type = platform::DriveTypeOf(L"\\\\.\\PHYSICALDRIVE" + std::to_wstring(m_DiskNumber) + L"\\");
  if (type > platform::kDriveRamDisk) return static_cast<int>(platform::kDriveUnknown);
  if (type == platform::kDriveFixed && IsUsbBus()) return kDriveTypeFixedUsb;
  return static_cast<int>(type);
}

bool Drive::GetPartitionLetter(std::int32_t partitionNumber, wchar_t& letter) {
  return ::GetPartitionLetter(m_DiskNumber, partitionNumber, letter);
}

bool Drive::QueryLayout(disk::DriveLayout& layout) {
  if (!m_hDevice) return false;
  std::size_t capacity = disk::kLayoutInitialSize;
  disk::Bytes output;
  for (;;) {
    std::uint32_t error = 0;
    if (m_hDevice->Control(platform::kIoctlDiskGetDriveLayoutEx, {}, capacity, output, error)) break;
    if (error != platform::kErrorInsufficientBuffer) return false;
    capacity += disk::kLayoutGrowth;
    if (capacity > kLayoutLimit) {
      TraceLog(L"[Drive::ReadLayout] disk " + std::to_wstring(m_DiskNumber) + L" layout too large");
      return false;
    }
  }
  return disk::ReadDriveLayout(output, layout);
}

bool Drive::QueryVolume(PartitionEntry& entry, std::wstring& name, std::wstring& label) {
  name.clear();
  label.clear();
  std::wstring fileSystem;
  std::wstring volumeName;
  if (!entry.m_Letter.empty()) {
    if (entry.m_Letter.size() == 1) entry.m_Letter += L":\\";
    platform::VolumeInformation info;
    std::uint32_t error = 0;
    if (!platform::QueryVolumeInformation(entry.m_Letter, info, error)) return false;
    fileSystem = info.fileSystem;
    volumeName = info.label;
  } else {
    std::wstring target;
    if (!platform::QuerySymbolicLinkTarget(PartitionLinkPath(m_DiskNumber, entry.m_Number), target)) return false;
    platform::DeviceOpenOptions options;
    options.readAttributes = true;
    auto volume = platform::OpenDevice(target, options);
    bool defined = false;
    if (!volume) {
      // CreateFileW does not take NT paths: reach the volume through a temporary DOS name.
      defined = platform::DefineRawDosDevice(L"1:", target);
      if (defined) volume = platform::OpenDevice(L"\\\\.\\1:", options);
    }
    bool ok = volume && volume->VolumeInformation(volumeName, fileSystem);
    volume.reset();
    if (defined) platform::RemoveRawDosDevice(L"1:", target);
    if (!ok) return false;
  }
  name = fileSystem;
  label = volumeName.empty() ? std::wstring(L"NONAME") : volumeName;
  return true;
}

PartitionEntry& Drive::Append(std::int32_t number, std::int64_t sizeBytes, std::int32_t kind) {
  auto entry = std::make_unique<PartitionEntry>();
  entry->m_Position = static_cast<std::int32_t>(m_Partition.size());
  entry->m_Number = number;
  entry->m_SizeMB = sizeBytes / kMiB;
  entry->m_Kind = kind;
  m_Partition.push_back(std::move(entry));
  return *m_Partition.back();
}

PartitionEntry& Drive::AppendFree(std::int64_t sizeBytes, std::int32_t kind) {
  PartitionEntry& entry = Append(0, sizeBytes, kind);
  entry.m_Name = L"Entry Unused";
  return entry;
}

PartitionEntry& Drive::AppendPartition(const disk::PartitionInfo& info, std::int32_t kind) {
  PartitionEntry& entry = Append(static_cast<std::int32_t>(info.number), info.length, kind);
  entry.m_Raw = info.raw;
  wchar_t letter = 0;
  if (kind != Extended && GetPartitionLetter(entry.m_Number, letter) && letter != 0)
    entry.m_Letter = std::wstring(1, letter);
  return entry;
}
