#pragma once
// One physical disk of the inventory and its partitions, read from the disk's layout.
//
// A Drive is made for a disk whose handle is open (see drive_manager.h); MbrDrive and GptDrive
// read the layout in their constructors, so the partition list is complete once the object
// exists. Letters, file-system names and labels are looked up per partition while the list is
// built.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "disk/disk_records.h"

namespace platform {
class Device;
}

enum PartitionKind : std::int32_t {
  Primary = 0,      // MBR primary partition; GPT basic data or recovery partition
  Extended = 1,     // MBR extended partition (type 0x05 or 0x0F)
  Logical = 2,      // MBR logical drive, or the free entry that stands for an empty extended one
  MsReserved = 3,   // GPT Microsoft reserved partition
  EfiSystem = 4,    // GPT EFI system partition
  Unallocated = 5,  // unpartitioned gap, or a GPT entry of an unknown type
};

// GetDriveType results: the GetDriveTypeW codes, with 7 for a fixed disk on the USB bus.
constexpr int kDriveTypeFixedUsb = 7;

struct PartitionEntry {
  std::int32_t m_Position = 0;     // index in the drive's list, in the order entries were added
  std::int32_t m_Number = 0;       // the layout's PartitionNumber; 0 for free space
  std::int64_t m_SizeMB = 0;       // bytes / 1 MiB, truncated
  std::int32_t m_Kind = Unallocated;
  std::wstring m_Letter;           // "", "E" before the volume query, "E:\" after it
  std::wstring m_Name;             // type name or file-system name
  std::wstring m_Label;            // volume label ("NONAME" for a mounted volume without one)
  disk::RawPartition m_Raw{};      // the layout's PARTITION_INFORMATION_EX; zero for free space
};

// Stops the program when an index is out of range: the inventory is what decides which disk is
// erased, so a caller that walks past a list is never allowed to go on with a wrong entry.
[[noreturn]] void InventoryAssertionFailed(const char* condition);

class Drive {
 public:
  // `device` is borrowed from the drive file and must outlive the Drive.
  Drive(platform::Device* device, std::int32_t diskNumber);
  virtual ~Drive();
  Drive(const Drive&) = delete;
  Drive& operator=(const Drive&) = delete;

  // Fills `name` (file system) and `label` of the entry's volume. With a letter, the letter is
  // first extended to its root form (E becomes E:\). False leaves both empty.
  virtual bool QueryVolume(PartitionEntry& entry, std::wstring& name, std::wstring& label);
  virtual bool ReadLayout() = 0;
  virtual std::wstring GetDiskId() = 0;
  virtual int GetPartitionStyle() = 0;
  // The drive letter of partition `partitionNumber` of this disk; false (letter 0) for none.
  virtual bool GetPartitionLetter(std::int32_t partitionNumber, wchar_t& letter);

  std::int32_t GetIndex() const { return m_DiskNumber; }
  std::size_t GetPartitionCount() const { return m_Partition.size(); }
  // Index must be below GetPartitionCount().
  PartitionEntry* GetPartition(std::size_t Index);
  int GetDriveType();
  bool IsUsbBus();
  // DiskSize of the geometry, queried on every call; 0 when the query fails.
  std::uint64_t GetDiskSize();

 protected:
  // IOCTL_DISK_GET_DRIVE_LAYOUT_EX, growing the buffer while the device says it is too small.
  bool QueryLayout(disk::DriveLayout& layout);
  bool QueryGeometry(std::size_t capacity, disk::DiskGeometry& geometry);
  // Appends an entry at the next position and returns it.
  PartitionEntry& Append(std::int32_t number, std::int64_t sizeBytes, std::int32_t kind);
  PartitionEntry& AppendFree(std::int64_t sizeBytes, std::int32_t kind = Unallocated);
  // Appends a layout entry with its number, size, raw copy and letter.
  PartitionEntry& AppendPartition(const disk::PartitionInfo& info, std::int32_t kind);

  std::deque<std::unique_ptr<PartitionEntry>> m_Partition;
  platform::Device* m_hDevice;
  std::int32_t m_DiskNumber;
};

class MbrDrive : public Drive {
 public:
  MbrDrive(platform::Device* device, std::int32_t diskNumber);
  bool ReadLayout() override;
  std::wstring GetDiskId() override;
  int GetPartitionStyle() override { return 0; }

 private:
  // True when a and b lie at least two cylinders apart.
  bool IsGap(std::int64_t a, std::int64_t b) const;
  // Appends the extended partition, the gap before it, and its logical drives with their gaps.
  void WalkExtended(const disk::DriveLayout& layout, const disk::PartitionInfo& extended, std::int64_t previousEnd);

  std::uint32_t m_Signature = 0;
  std::uint32_t m_EntryCount = 0;
  std::uint32_t m_TracksPerCylinder = 0;
  std::uint32_t m_SectorsPerTrack = 0;
  std::uint32_t m_BytesPerSector = 0;
};

class GptDrive : public Drive {
 public:
  GptDrive(platform::Device* device, std::int32_t diskNumber);
  bool ReadLayout() override;
  std::wstring GetDiskId() override;
  int GetPartitionStyle() override { return 1; }

 private:
  void AppendClassified(const disk::PartitionInfo& info);

  disk::Guid m_DiskId;
  std::uint32_t m_EntryCount = 0;
};

class RawDrive : public Drive {
 public:
  RawDrive(platform::Device* device, std::int32_t diskNumber) : Drive(device, diskNumber) {}
  bool ReadLayout() override { return true; }
  std::wstring GetDiskId() override { return std::wstring(); }
  int GetPartitionStyle() override { return 2; }
};
