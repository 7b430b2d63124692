#pragma once
// What the USB disk behind a chosen drive letter holds, read from the drive inventory, and
// whether its partition can be formatted where it is or the whole disk must be erased.
//
// A partition is formatted in place and made active only when it is the disk's one partition
// and a primary partition on an MBR disk: diskpart refuses "active" on a GPT disk and on a
// logical drive, and formatting one partition of several leaves the others in a layout the
// setup stick can't boot from. Every other layout (GPT, several partitions, no partition
// table, a volume over the whole disk) is erased whole and given one new MBR partition.
#include <cstdint>
#include <string>

// What the erase question agreed to, besides a disk number (>= 0) to erase whole.
constexpr int kEraseDriveOnly = -1;  // the question named the drive only
constexpr int kEraseNotAsked = -2;   // no question looked at the disk's layout

struct UsbDiskLayout {
  bool found = false;        // the letter is on a USB or removable disk of the inventory
  int disk = -1;             // the disk's number
  int partition = -1;        // the letter's partition number; 0 for a disk without a table
  bool inPlace = false;      // the partition can be formatted where it is
  // When not in place, what the whole disk holds besides the chosen volume, as the erase
  // question says it ("F: (12,000 MB), a partition without a letter (100 MB)"); may be empty.
  std::wstring others;
  bool gpt = false;          // the disk is GPT
  bool noTable = false;      // the disk has no partition table (the medium is one RAW volume)
  bool wholeDiskVolume = false;  // one volume starting at the disk's first byte (a superfloppy)
};

// The layout behind `root` (E:\, any case) in the current inventory (DriveManager::Instance()).
UsbDiskLayout ReadUsbDiskLayout(const std::wstring& root);
// The same from a fresh inventory (the disks as they are now), released again afterwards.
UsbDiskLayout ReadUsbDiskLayoutNow(const std::wstring& root);

// The sentence the erase question adds for a layout that is erased whole (beginning with two
// line breaks); empty for a partition formatted in place or a letter on no USB disk.
std::wstring WholeDiskEraseSentence(const UsbDiskLayout& layout);

// A size in MB with thousands separators: 12000 gives "12,000".
std::wstring GroupedMB(std::int64_t megabytes);
