#include "disk/usb_disk_layout.h"

#include "app/text_case.h"
#include "disk/drive_manager.h"
#include "disk/volume_utils.h"

namespace {

// The inventory's drive type of a removable disk (a USB stick); a fixed disk on USB is
// kDriveTypeFixedUsb.
constexpr int kRemovable = 2;

bool IsUsbDisk(Drive& drive) {
  const int type = drive.GetDriveType();
  return type == kDriveTypeFixedUsb || type == kRemovable;
}

// A partition of the layout, not free space and not the extended partition that only holds
// logical drives.
bool IsVolumePartition(const PartitionEntry& entry) { return entry.m_Number != 0 && entry.m_Kind != Extended; }

std::wstring Describe(const PartitionEntry& entry) {
  const std::wstring size = L" (" + GroupedMB(entry.m_SizeMB) + L" MB)";
  if (entry.m_Letter.empty()) return L"a partition without a letter" + size;
  return entry.m_Letter.substr(0, 1) + L":" + size;
}

// Fills the layout of `drive`, on which the letter names the entry at `chosen` (null for a
// disk without a partition table).
void DescribeDisk(Drive& drive, const PartitionEntry* chosen, UsbDiskLayout& layout) {
  layout.found = true;
  layout.disk = drive.GetIndex();
  layout.partition = chosen ? chosen->m_Number : 0;
  const int style = drive.GetPartitionStyle();
  layout.gpt = style == 1;
  layout.noTable = chosen == nullptr;
  layout.wholeDiskVolume = chosen && disk::ReadPartition(chosen->m_Raw.data()).start == 0;
  int volumes = 0;
  for (std::size_t k = 0; k < drive.GetPartitionCount(); ++k) {
    const PartitionEntry& entry = *drive.GetPartition(k);
    if (!IsVolumePartition(entry)) continue;
    ++volumes;
    if (&entry == chosen) continue;
    if (!layout.others.empty()) layout.others += L", ";
    layout.others += Describe(entry);
  }
  layout.inPlace = style == 0 && chosen && chosen->m_Kind == Primary && volumes == 1 && !layout.wholeDiskVolume;
}

}  // namespace

UsbDiskLayout ReadUsbDiskLayout(const std::wstring& root) {
  UsbDiskLayout layout;
  if (root.empty()) return layout;
  const std::wstring wanted = LowerCase(root.substr(0, 1));
  DriveManager& drives = DriveManager::Instance();
  for (std::size_t i = 0; i < drives.GetDriveCount(); ++i) {
    Drive* drive = drives.GetDrive(i);
    if (!IsUsbDisk(*drive)) continue;
    for (std::size_t k = 0; k < drive->GetPartitionCount(); ++k) {
      const PartitionEntry* entry = drive->GetPartition(k);
      if (entry->m_Letter.empty() || LowerCase(entry->m_Letter.substr(0, 1)) != wanted) continue;
      DescribeDisk(*drive, entry, layout);
      return layout;
    }
  }
  // No partition carries the letter: on removable media without a partition table Windows
  // still mounts the whole medium as one volume, which only the volume's extents place.
  const int disk = GetVolumeDiskNumber(root);
  for (std::size_t i = 0; disk >= 0 && i < drives.GetDriveCount(); ++i) {
    Drive* drive = drives.GetDrive(i);
    if (drive->GetIndex() != disk || !IsUsbDisk(*drive) || drive->GetPartitionStyle() != 2) continue;
    DescribeDisk(*drive, nullptr, layout);
  }
  return layout;
}

UsbDiskLayout ReadUsbDiskLayoutNow(const std::wstring& root) {
  DriveManager::Release();
  UsbDiskLayout layout = ReadUsbDiskLayout(root);
  // The next user of the inventory reads the disks afresh too.
  DriveManager::Release();
  return layout;
}

std::wstring WholeDiskEraseSentence(const UsbDiskLayout& layout) {
  if (!layout.found || layout.inPlace) return {};
  const std::wstring fresh = L"the whole disk will be erased and given a new MBR partition";
  std::wstring text;
  if (layout.noTable)
    text = L"The disk has no partition table: " + fresh;
  else if (layout.wholeDiskVolume)
    text = L"The volume fills the whole disk without a partition table: " + fresh;
  else if (layout.gpt)
    text = L"The disk is a GPT disk: " + fresh;
  else if (layout.others.empty())
    text = L"The partition can't be made active where it is: " + fresh;
  else
    return L"\n\nThe whole disk will be erased, with its other partitions: " + layout.others + L".";
  if (!layout.others.empty()) text += L", with its other partitions: " + layout.others;
  return L"\n\n" + text + L".";
}

std::wstring GroupedMB(std::int64_t megabytes) {
  std::wstring digits = std::to_wstring(megabytes < 0 ? -megabytes : megabytes);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, L",");
  return megabytes < 0 ? L"-" + digits : digits;
}
