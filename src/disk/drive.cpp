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

constexpr std::int64_t kMiB = 1024 * 1024;

std::wstring DiskPath(std::int32_t disk) { return L"\\\\.\\PhysicalDrive" + std::to_wstring(disk); }
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
  platform::Result<disk::Bytes> output = m_hDevice->Control(platform::kIoctlDiskGetDriveGeometryEx, {}, capacity);
  if (!output) {
    TraceLog(L"[Drive::QueryGeometry] DeviceIoControl(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX) " + DiskPath(m_DiskNumber) +
             L" failed" + output.status().Suffix());
    return false;
  }
  return disk::ReadDiskGeometry(*output, geometry);
}

std::uint64_t Drive::GetDiskSize() {
  disk::DiskGeometry geometry;
  return QueryGeometry(disk::kGeometrySize, geometry) ? geometry.diskSize : 0;
}

bool Drive::IsUsbBus() {
  if (!m_hDevice) return false;
  platform::Result<disk::Bytes> output = m_hDevice->Control(
      platform::kIoctlStorageQueryProperty, disk::StorageDevicePropertyQuery(), disk::kStorageDescriptorSize);
  if (!output) {
    TraceLog(L"[Drive::IsUsbBus] DeviceIoControl(IOCTL_STORAGE_QUERY_PROPERTY) " + DiskPath(m_DiskNumber) +
             L" failed" + output.status().Suffix());
    return false;
  }
  std::uint32_t bus = 0;
  return disk::ReadStorageBusType(*output, bus) && bus == disk::kBusTypeUsb;
}

int Drive::GetDriveType() {
  std::uint32_t type = platform::DriveTypeOf(L"\\\\.\\PHYSICALDRIVE" + std::to_wstring(m_DiskNumber) + L"\\");
  if (type > platform::kDriveRamDisk) return static_cast<int>(platform::kDriveUnknown);
  if (type == platform::kDriveFixed && IsUsbBus()) return kDriveTypeFixedUsb;
  return static_cast<int>(type);
}

bool Drive::GetPartitionLetter(std::int32_t partitionNumber, wchar_t& letter) {
  return ::GetPartitionLetter(m_DiskNumber, partitionNumber, letter).ok();
}

bool Drive::QueryLayout(disk::DriveLayout& layout) {
  if (!m_hDevice) return false;
  std::size_t capacity = disk::kLayoutInitialSize;
  for (;;) {
    platform::Result<disk::Bytes> output = m_hDevice->Control(platform::kIoctlDiskGetDriveLayoutEx, {}, capacity);
    if (output) return disk::ReadDriveLayout(*output, layout);
    if (output.status().code() != platform::kErrorInsufficientBuffer) {
      TraceLog(L"[Drive::ReadLayout] DeviceIoControl(IOCTL_DISK_GET_DRIVE_LAYOUT_EX) " + DiskPath(m_DiskNumber) +
               L" failed" + output.status().Suffix());
      return false;
    }
    capacity += disk::kLayoutGrowth;
    if (capacity > kLayoutLimit) {
      TraceLog(L"[Drive::ReadLayout] DeviceIoControl(IOCTL_DISK_GET_DRIVE_LAYOUT_EX) " + DiskPath(m_DiskNumber) +
               L": no layout fits in " + std::to_wstring(kLayoutLimit) + L" bytes" + output.status().Suffix());
      return false;
    }
  }
}

bool Drive::QueryVolume(PartitionEntry& entry, std::wstring& name, std::wstring& label) {
  name.clear();
  label.clear();
  std::wstring fileSystem;
  std::wstring volumeName;
  if (!entry.m_Letter.empty()) {
    if (entry.m_Letter.size() == 1) entry.m_Letter += L":\\";
    platform::Result<platform::VolumeInformation> info = platform::QueryVolumeInformation(entry.m_Letter);
    if (!info) {
      TraceLog(L"[Drive::QueryVolume] " + info.status().Describe());
      return false;
    }
    fileSystem = info->fileSystem;
    volumeName = info->label;
  } else {
    const std::wstring link = PartitionLinkPath(m_DiskNumber, entry.m_Number);
    platform::Result<std::wstring> linked = platform::QuerySymbolicLinkTarget(link);
    if (!linked) {
      // An extended partition holds no volume: for it that failure is the usual answer.
      if (entry.m_Kind != Extended) TraceLog(L"[Drive::QueryVolume] " + linked.status().Describe());
      return false;
    }
    const std::wstring& target = *linked;
    platform::DeviceOpenOptions options;
    options.readAttributes = true;
    bool defined = false;
    // The volume is closed (at the end of the lambda) before its DOS name goes.
    platform::Result<platform::Device::Volume> info = [&]() -> platform::Result<platform::Device::Volume> {
      platform::Result<std::unique_ptr<platform::Device>> volume = platform::OpenDevice(target, options);
      if (!volume) {
        // CreateFileW does not take NT paths: reach the volume through a temporary DOS name.
        platform::Status named = platform::DefineRawDosDevice(L"1:", target);
        defined = named.ok();
        if (defined)
          volume = platform::OpenDevice(L"\\\\.\\1:", options);
        else
          volume = named;
      }
      if (!volume) return volume.status();
      return (*volume)->VolumeInformation();
    }();
    if (defined) (void)platform::RemoveRawDosDevice(L"1:", target);  // best effort: a name only this query uses
    if (!info) {
      // The failure names its own call and object (CreateFileW \\.\1:, say); the target follows.
      TraceLog(L"[Drive::QueryVolume] " + info.status().Describe() + L" (" + target + L")");
      return false;
    }
    fileSystem = info->fileSystem;
    volumeName = info->label;
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
