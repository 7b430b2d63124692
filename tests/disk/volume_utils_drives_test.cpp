#include <gtest/gtest.h>

#include <filesystem>

#include "app/program_data.h"
#include "disk/volume_utils.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMiB = 1ull << 20;

void SetDriveSize(test::TempMachine& machine, char letter, std::uint64_t bytes) {
  machine.Builder().Description().FindDrive(letter)->totalBytes = bytes;
  machine.Apply();
}

TEST(VolumeUtilsDrives, KindsLabelsAndReadiness) {
  test::TempMachine machine;
  auto& b = machine.Builder();
  b.Optical('D', L"", false);
  b.Optical('E', L"GRMCULFRER_EN_DVD");
  b.UsbStick('F', 2, 4096 * kMiB);
  b.Fixed('G', 3);
  b.Description().FindDrive('G')->fileSystem = L"RAW";
  b.Fault("volumes.info.C", "87");
  machine.Apply();

  EXPECT_TRUE(IsCdRomDrive(L"D:\\"));
  EXPECT_TRUE(IsCdRomDrive(L"E:\\"));
  EXPECT_FALSE(IsCdRomDrive(L"F:\\"));
  EXPECT_TRUE(IsFixedOrRemovable(L"F:\\ ( Capacity: 4095 MB )"));
  EXPECT_TRUE(IsFixedOrRemovable(L"g"));
  EXPECT_FALSE(IsFixedOrRemovable(L"E:\\"));
  EXPECT_FALSE(IsFixedOrRemovable(L"Z:\\"));
  EXPECT_FALSE(IsFixedOrRemovable(L""));

  EXPECT_FALSE(IsDriveReady(L"D:\\"));  // empty optical drive: ERROR_NOT_READY
  EXPECT_TRUE(IsDriveReady(L"E:\\"));
  EXPECT_TRUE(IsDriveReady(L"G:\\"));   // unrecognised file system: still a volume
  EXPECT_FALSE(IsDriveReady(L"C:\\"));  // ERROR_INVALID_PARAMETER

  EXPECT_EQ(GetVolumeLabelText(L"E:\\"), L"GRMCULFRER_EN_DVD");
  EXPECT_EQ(GetVolumeLabelText(L"D:\\"), L"");
  EXPECT_TRUE(SetVolumeLabelText(L"F:\\", MakeVolumeLabel(GetVolumeLabelText(L"E:\\"))));
  EXPECT_EQ(GetVolumeLabelText(L"f:\\"), L"GRMCULFRE~1");
  platform::Status tooLong = SetVolumeLabelText(L"F", L"TWELVE_CHARS");  // too long for FAT32: refused, label kept
  EXPECT_FALSE(tooLong);
  EXPECT_EQ(tooLong.code(), 154u);  // ERROR_LABEL_TOO_LONG
  EXPECT_EQ(GetVolumeLabelText(L"F:\\"), L"GRMCULFRE~1");
  platform::Status disc = SetVolumeLabelText(L"E:\\", L"DISC");
  EXPECT_FALSE(disc);
  EXPECT_EQ(disc.code(), 5u);
  EXPECT_EQ(disc.Describe(), L"SetVolumeLabelW E:\\ failed (error 5): access denied");
}

// A utility that fails leaves the Windows error code of the call behind it for the caller.
TEST(VolumeUtilsDrives, FailuresLeaveTheWindowsErrorCode) {
  test::TempMachine machine;
  machine.Builder().Optical('D', L"", false);
  machine.Builder().UsbStick('F', 2, 4096 * kMiB);
  machine.Apply();
  EXPECT_EQ(GetVolumeDiskNumber(L"Q"), -1);
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  EXPECT_EQ(GetVolumeLabelText(L"D:\\"), L"");
  EXPECT_EQ(platform::LastErrorCode(), 21u);
  EXPECT_EQ(GetFreeSpaceMB(L"D:\\"), 0.0);
  EXPECT_EQ(platform::LastErrorCode(), 21u);
  wchar_t letter = L'x';
  std::wstring volume = L"old";
  EXPECT_FALSE(GetPartitionLetter(2, 4, letter, &volume));
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  EXPECT_EQ(volume, L"");
  EXPECT_TRUE(GetPartitionLetter(2, 1, letter, &volume));
  EXPECT_EQ(letter, L'F');
  EXPECT_EQ(volume.rfind(L"\\Device\\HarddiskVolume", 0), 0u);
}

TEST(VolumeUtilsDrives, UsbBusAndDiskNumberComeFromTheVolumeDevice) {
  test::TempMachine machine;
  machine.Builder().Optical('E', L"DISC");
  machine.Builder().UsbStick('F', 2, 4096 * kMiB);
  machine.Builder().UsbStick('H', 5, 64000 * kMiB, false);  // a USB hard disk that reports itself fixed
  machine.Builder().Fixed('G', 3);
  machine.Apply();

  EXPECT_TRUE(IsUsbVolume(L"F:\\"));
  EXPECT_TRUE(IsUsbVolume(L"H:\\ ( Capacity: 63999 MB )"));
  EXPECT_FALSE(IsUsbVolume(L"G:\\"));
  EXPECT_FALSE(IsUsbVolume(L"C:\\"));
  EXPECT_FALSE(IsUsbVolume(L"E:\\"));
  EXPECT_FALSE(IsUsbVolume(L"Q:\\"));
  EXPECT_EQ(GetVolumeDiskNumber(L"F"), 2);
  EXPECT_EQ(GetVolumeDiskNumber(L"h"), 5);
  EXPECT_EQ(GetVolumeDiskNumber(L"C"), 0);
  EXPECT_EQ(GetVolumeDiskNumber(L"Q"), -1);
}

TEST(VolumeUtilsDrives, SpaceIsTotalLessTheFilesOnTheDrive) {
  test::TempMachine machine;
  std::string usb = machine.Builder().UsbStick('F', 2, 101 * kMiB);  // 100 MiB partition
  std::string disc = machine.Builder().Optical('E', L"DISC");
  machine.Apply();
  test::WriteHostFile(usb + "/big.bin", std::string(3 * kMiB + 5, 'x'));
  test::WriteHostFile(disc + "/sources/install.wim", std::string(2 * kMiB, 'w'));

  EXPECT_EQ(GetTotalSpaceMB(L"F:\\"), 100.0);
  EXPECT_EQ(GetFreeSpaceMB(L"F:\\"), 96.0);  // 97 MiB - 5 bytes, truncated
  EXPECT_EQ(GetTotalSpaceMB(L"E:\\"), 2.0);
  EXPECT_EQ(GetFreeSpaceMB(L"E:\\"), 0.0);
  EXPECT_EQ(GetFreeSpaceMB(L"Q:\\"), 0.0);
}

TEST(ScratchFolder, PreferredFolderIsEmptiedWhenTheSystemDriveHasRoom) {
  test::TempMachine machine;
  SetDriveSize(machine, 'C', 4000 * kMiB);
  std::string old = machine.Host(L"C:\\ProgramData") + "/Qarvel/DraventaWin/QarvelToolTmp/old/file.txt";
  test::WriteHostFile(old, "left from the last job");

  std::wstring path = GetScratchFolder(3500);
  EXPECT_EQ(path, L"C:\\ProgramData\\Qarvel\\DraventaWin\\QarvelToolTmp\\");
  EXPECT_TRUE(platform::IsFolder(path));
  EXPECT_FALSE(fs::exists(old));
  std::string host = machine.Host(path);
  EXPECT_EQ(fs::status(host).permissions() & fs::perms::all, fs::perms::owner_all);

  // A link planted in its place is removed as a link: what it points at is left alone.
  test::TempFolder elsewhere;
  test::WriteHostFile(elsewhere.Path() + "/keep.txt", "not the program's");
  fs::remove_all(host);
  fs::create_directory_symlink(elsewhere.Path(), host);
  EXPECT_EQ(GetScratchFolder(3500), path);
  EXPECT_FALSE(fs::is_symlink(host));
  EXPECT_TRUE(fs::is_directory(host));
  EXPECT_TRUE(fs::is_empty(host));
  EXPECT_EQ(test::ReadHostFile(elsewhere.Path() + "/keep.txt"), "not the program's");
}

// Free space and the need are compared in the same unit: 10 MiB free is not enough for 3,500.
TEST(ScratchFolder, SmallSystemDriveFallsBackToANumberedFolderOnADriveWithRoom) {
  test::TempMachine machine;
  SetDriveSize(machine, 'C', 10 * kMiB);
  machine.Builder().Optical('D', L"BIG DISC");
  machine.Builder().UsbStick('F', 2, 3400 * kMiB);  // 3,399 MiB: one short
  machine.Builder().Fixed('H', 3, 8000 * kMiB);
  machine.Apply();

  EXPECT_EQ(PrepareScratchFolder(3500), L"C:\\");
  EXPECT_FALSE(fs::exists(machine.Host(L"C:\\ProgramData") + "/Qarvel/DraventaWin/QarvelToolTmp"));
  // Created, as the copy of an ISO job needs an existing target, and the program's alone.
  EXPECT_EQ(GetScratchFolder(3500), L"H:\\QarvelToolTmp0\\");
  const std::string h = machine.Builder().HostFolderOf('H');
  ASSERT_TRUE(fs::is_directory(h + "/QarvelToolTmp0"));
  EXPECT_EQ(fs::status(h + "/QarvelToolTmp0").permissions() & fs::perms::all, fs::perms::owner_all);

  // Taken names are skipped, whatever stands there: a folder, a file, a link to elsewhere.
  test::WriteHostFile(h + "/qarveltooltmp1", "");
  fs::create_symlink(machine.Folder(), h + "/QarvelToolTmp2");
  EXPECT_EQ(GetScratchFolder(3500), L"H:\\QarvelToolTmp3\\");
  EXPECT_TRUE(fs::is_symlink(h + "/QarvelToolTmp2"));
  EXPECT_EQ(GetScratchFolder(3300), L"F:\\QarvelToolTmp0\\");
}

TEST(ScratchFolder, NoDriveWithRoomGivesEmptyText) {
  test::TempMachine machine;
  SetDriveSize(machine, 'C', 10 * kMiB);
  machine.Builder().UsbStick('F', 2, 100 * kMiB);
  machine.Apply();
  EXPECT_EQ(GetScratchFolder(3500), L"");

  machine.Builder().Description().systemFolder.clear();
  machine.Apply();
  EXPECT_EQ(PrepareScratchFolder(1), L"");
  EXPECT_EQ(GetScratchFolder(50), L"F:\\QarvelToolTmp0\\");
}

}  // namespace
