// The inventory on simulated machines: the host devices serve the bytes Windows would, and the
// letters, file systems and labels come through the symbolic links and DOS device names.
#include <gtest/gtest.h>

#include "diskpart_test_support.h"
#include "disk/drive_manager.h"
#include "disk/volume_utils.h"
#include "platform/devices.h"
#include "sim/machine/machine.h"
#include "support/temp_machine.h"

namespace {

using platform::host::DiskRecord;
using platform::host::PartitionRecord;

constexpr std::uint64_t kMiB = 1ull << 20;
constexpr const char* kBasicData = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";

// Each test sees the machine it built, not a snapshot left by the previous one.
class InventoryMachine : public ::testing::Test {
 protected:
  void SetUp() override { DriveManager::Release(); }
  void TearDown() override { DriveManager::Release(); }

  Drive* DriveOfDisk(int number) {
    auto& manager = DriveManager::Instance();
    for (std::size_t i = 0; i < manager.GetDriveCount(); ++i)
      if (manager.GetDrive(i)->GetIndex() == number) return manager.GetDrive(i);
    return nullptr;
  }

  PartitionRecord Part(int number, std::uint64_t startMiB, std::uint64_t lengthMiB, int mbrType = 0,
                       const std::string& gptType = "") {
    PartitionRecord p;
    p.number = number;
    p.start = startMiB * kMiB;
    p.length = lengthMiB * kMiB;
    p.mbrType = mbrType;
    p.gptType = gptType;
    return p;
  }

  test::TempMachine machine;
};

TEST_F(InventoryMachine, DiskNumbersWithGapsAndDisksThatCantBeRead) {
  machine.Builder().Fixed('D', 1);
  machine.Builder().UsbStick('F', 3, 4096 * kMiB);
  machine.Apply();
  auto& manager = DriveManager::Instance();
  ASSERT_EQ(3u, manager.GetDriveCount());
  EXPECT_EQ(0, manager.GetDrive(0)->GetIndex());
  EXPECT_EQ(1, manager.GetDrive(1)->GetIndex());
  EXPECT_EQ(3, manager.GetDrive(2)->GetIndex());

  // The snapshot is kept until Release; the next one sees the disks as they are then.
  machine.Builder().UsbStick('G', 2, 4096 * kMiB);
  machine.Builder().Fault("devices.openFail.disk1", "5");
  machine.Builder().Fault("devices.controlFail.disk3.geometry", "21");
  machine.Apply();
  EXPECT_EQ(3u, DriveManager::Instance().GetDriveCount());
  DriveManager::Release();
  auto& fresh = DriveManager::Instance();
  ASSERT_EQ(2u, fresh.GetDriveCount());
  EXPECT_EQ(0, fresh.GetDrive(0)->GetIndex());
  EXPECT_EQ(2, fresh.GetDrive(1)->GetIndex());

  // A disk that is there but can't be read is traced with its error; a number that names no
  // disk at all is not.
  std::string trace = usbtest::TraceText();
  EXPECT_NE(trace.find("[PhysicalDriveFile::Open] CreateFileA \\\\.\\PhysicalDrive1 failed (error 5)"),
            std::string::npos)
      << trace;
  EXPECT_NE(trace.find("[PhysicalDriveFile::Open] DeviceIoControl(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX) "
                       "\\\\.\\PhysicalDrive3 failed (error 21)"),
            std::string::npos);
  EXPECT_EQ(trace.find("PhysicalDrive4"), std::string::npos);
}

TEST_F(InventoryMachine, FailedQueriesAreTracedWithTheCallTheObjectAndTheErrorCode) {
  machine.Builder().UsbStick('F', 2, 4096 * kMiB, false);
  machine.Builder().UsbStick('G', 3, 4096 * kMiB);
  machine.Builder().Fault("devices.controlFail.disk2.storage", "1117");
  machine.Builder().Fault("devices.controlFail.disk3.layout", "21");
  machine.Builder().Fault("volumes.info.F", "1005");
  machine.Apply();
  Drive* fixedOnUsb = DriveOfDisk(2);
  ASSERT_NE(fixedOnUsb, nullptr);
  EXPECT_EQ(fixedOnUsb->GetDriveType(), 3) << "the bus is unknown: a plain fixed disk";
  ASSERT_EQ(fixedOnUsb->GetPartitionCount(), 1u);
  EXPECT_EQ(fixedOnUsb->GetPartition(0)->m_Name, L"");
  ASSERT_NE(DriveOfDisk(3), nullptr);
  EXPECT_EQ(DriveOfDisk(3)->GetPartitionCount(), 0u);

  std::string trace = usbtest::TraceText();
  for (const char* line :
       {"[Drive::IsUsbBus] DeviceIoControl(IOCTL_STORAGE_QUERY_PROPERTY) \\\\.\\PhysicalDrive2 failed (error 1117)",
        "[Drive::ReadLayout] DeviceIoControl(IOCTL_DISK_GET_DRIVE_LAYOUT_EX) \\\\.\\PhysicalDrive3 failed (error 21)",
        "[Drive::QueryVolume] GetVolumeInformationW F:\\ failed (error 1005)"})
    EXPECT_NE(trace.find(line), std::string::npos) << line << "\n" << trace;
}

TEST_F(InventoryMachine, DriveTypesTellUsbDisksFromInternalOnes) {
  machine.Builder().UsbStick('F', 1, 8192 * kMiB, true);
  machine.Builder().UsbStick('G', 2, 500000 * kMiB, false);
  machine.Apply();
  Drive* internal = DriveOfDisk(0);
  Drive* stick = DriveOfDisk(1);
  Drive* usbDisk = DriveOfDisk(2);
  ASSERT_TRUE(internal && stick && usbDisk);
  EXPECT_EQ(3, internal->GetDriveType());
  EXPECT_FALSE(internal->IsUsbBus());
  EXPECT_EQ(2, stick->GetDriveType());
  EXPECT_TRUE(stick->IsUsbBus());
  EXPECT_EQ(kDriveTypeFixedUsb, usbDisk->GetDriveType());
  EXPECT_EQ(8192 * kMiB, stick->GetDiskSize());
}

TEST_F(InventoryMachine, MountedFat32WithAndWithoutALabel) {
  machine.Builder().UsbStick('F', 2, 4096 * kMiB);
  machine.Builder().UsbStick('G', 3, 4096 * kMiB);
  machine.Builder().Description().FindDrive('G')->label = L"KINGSTON";
  machine.Apply();
  Drive* unlabelled = DriveOfDisk(2);
  ASSERT_TRUE(unlabelled);
  ASSERT_EQ(1u, unlabelled->GetPartitionCount());
  const PartitionEntry* entry = unlabelled->GetPartition(0);
  EXPECT_EQ(L"F:\\", entry->m_Letter);
  EXPECT_EQ(L"FAT32", entry->m_Name);
  EXPECT_EQ(L"NONAME", entry->m_Label);
  EXPECT_EQ(1, entry->m_Number);
  EXPECT_EQ(Primary, entry->m_Kind);
  EXPECT_EQ(std::to_wstring(0x2002u), unlabelled->GetDiskId());
  EXPECT_EQ(L"KINGSTON", DriveOfDisk(3)->GetPartition(0)->m_Label);
}

TEST_F(InventoryMachine, GptDiskWithUnletteredVolumesAndMoreThanFourEntries) {
  DiskRecord disk;
  disk.number = 1;
  disk.style = "gpt";
  disk.size = 2000 * kMiB;
  disk.guid = "0E9C6E21-5D3B-4C41-9E2A-6E7F1A2B3C4D";
  PartitionRecord efi = Part(1, 1, 100, 0, "C12A7328-F81F-11D2-BA4B-00A0C93EC93B");
  efi.volume = 60;
  efi.fileSystem = L"FAT32";
  efi.label = L"SYSTEM";
  PartitionRecord recovery = Part(4, 1000, 300, 0, "DE94BBA4-06D1-4D40-A16A-BFD50179D6AC");
  recovery.volume = 61;
  recovery.fileSystem = L"NTFS";
  disk.partitions = {efi, Part(2, 101, 16, 0, "E3C9E316-0B5C-4DB8-817D-F92DF00215AE"), Part(3, 117, 500, 0, kBasicData),
                     recovery, Part(5, 1300, 100, 0, kBasicData), Part(6, 1400, 100, 0, kBasicData)};
  machine.Builder().Description().disks.push_back(disk);
  platform::host::DriveRecord data;
  data.letter = 'G';
  data.fileSystem = L"NTFS";
  data.label = L"Data";
  data.disk = 1;
  data.partition = 3;
  data.volume = 62;
  machine.Builder().Description().drives.push_back(data);
  data.letter = 'H';
  data.fileSystem = L"RAW";
  data.label.clear();
  data.partition = 6;
  data.volume = 63;
  machine.Builder().Description().drives.push_back(data);
  machine.Apply();

  Drive* drive = DriveOfDisk(1);
  ASSERT_TRUE(drive);
  EXPECT_EQ(L"{0E9C6E21-5D3B-4C41-9E2A-6E7F1A2B3C4D}", drive->GetDiskId());
  ASSERT_EQ(8u, drive->GetPartitionCount());
  struct Row {
    std::int32_t number, kind;
    const wchar_t *letter, *name, *label;
  };
  const Row rows[] = {
      {1, EfiSystem, L"", L"EFI system partition", L"SYSTEM"},  // through the temporary "1:" name
      {2, MsReserved, L"", L"Microsoft reserved partition", L""},
      {3, Primary, L"G:\\", L"NTFS", L"Data"},
      {0, Unallocated, L"", L"Entry Unused", L""},              // 383 MiB before the recovery
      {4, Primary, L"", L"NTFS", L"NONAME"},
      {5, Primary, L"", L"", L""},                              // no volume at all
      {6, Primary, L"H:\\", L"", L""},                          // lettered, no file system
      {0, Unallocated, L"", L"Entry Unused", L""},
  };
  for (std::size_t i = 0; i < 8; ++i) {
    SCOPED_TRACE("entry " + std::to_string(i));
    const PartitionEntry* entry = drive->GetPartition(i);
    EXPECT_EQ(rows[i].number, entry->m_Number);
    EXPECT_EQ(rows[i].kind, entry->m_Kind);
    EXPECT_EQ(rows[i].letter, entry->m_Letter);
    EXPECT_EQ(rows[i].name, entry->m_Name);
    EXPECT_EQ(rows[i].label, entry->m_Label);
  }
  EXPECT_EQ(383, drive->GetPartition(3)->m_SizeMB);
  // The temporary DOS name does not outlive the query.
  EXPECT_FALSE(platform::QueryDosDeviceName(L"1:"));
}

TEST_F(InventoryMachine, MbrLogicalDrivesInsideTheExtendedPartition) {
  DiskRecord disk;
  disk.number = 1;
  disk.size = 3000 * kMiB;
  PartitionRecord l5 = Part(5, 1002, 500, 0x07);
  PartitionRecord l6 = Part(6, 1600, 400, 0x0C);
  l5.logical = l6.logical = true;
  disk.partitions = {Part(1, 1, 999, 0x07), Part(2, 1001, 1999, 0x0F), l5, l6};
  machine.Builder().Description().disks.push_back(disk);
  platform::host::DriveRecord d;
  d.letter = 'L';
  d.disk = 1;
  d.partition = 6;
  d.fileSystem = L"FAT32";
  d.label = L"LOGICAL";
  d.volume = 40;
  machine.Builder().Description().drives.push_back(d);
  machine.Apply();

  Drive* drive = DriveOfDisk(1);
  ASSERT_TRUE(drive);
  std::vector<std::pair<std::int32_t, std::int32_t>> numberAndKind;
  for (std::size_t i = 0; i < drive->GetPartitionCount(); ++i)
    numberAndKind.emplace_back(drive->GetPartition(i)->m_Number, drive->GetPartition(i)->m_Kind);
  EXPECT_EQ((std::vector<std::pair<std::int32_t, std::int32_t>>{
                {1, Primary}, {2, Extended}, {5, Logical}, {0, Unallocated}, {6, Logical}, {0, Unallocated}}),
            numberAndKind);
  const PartitionEntry* logical = drive->GetPartition(4);
  EXPECT_EQ(L"L:\\", logical->m_Letter);
  EXPECT_EQ(L"FAT32", logical->m_Name);
  EXPECT_EQ(L"LOGICAL", logical->m_Label);
  EXPECT_EQ(400, logical->m_SizeMB);
  EXPECT_TRUE(drive->GetPartition(1)->m_Letter.empty());
}

TEST_F(InventoryMachine, PartitionLetterFollowsTheMachineAsItChanges) {
  machine.Builder().UsbStick('F', 2, 4096 * kMiB);
  machine.Apply();
  wchar_t letter = L'?';
  ASSERT_TRUE(GetPartitionLetter(2, 1, letter));
  EXPECT_EQ(L'F', letter);

  // diskpart gave the partition another letter: found through the link, not a snapshot.
  platform::host::Machine::Update([](platform::host::MachineDescription& m) { m.FindDrive('F')->letter = 'G'; });
  ASSERT_TRUE(GetPartitionLetter(2, 1, letter));
  EXPECT_EQ(L'G', letter);

  EXPECT_FALSE(GetPartitionLetter(2, 2, letter));  // no such partition
  EXPECT_EQ(0, letter);
  EXPECT_FALSE(GetPartitionLetter(7, 1, letter));  // no such disk
  platform::host::Machine::Update([](platform::host::MachineDescription& m) { m.FindDisk(2)->partitions.clear(); });
  EXPECT_FALSE(GetPartitionLetter(2, 1, letter));  // the disk was cleaned
}

TEST_F(InventoryMachine, IndexesPastTheListsStopTheProgram) {
  auto& manager = DriveManager::Instance();
  ASSERT_EQ(1u, manager.GetDriveCount());
  Drive* drive = manager.GetDrive(0);
  EXPECT_DEATH(manager.GetDrive(1), "Index < Drives.size\\(\\)");
  EXPECT_DEATH(drive->GetPartition(drive->GetPartitionCount()), "Index < m_Partition.size\\(\\)");
}

}  // namespace
