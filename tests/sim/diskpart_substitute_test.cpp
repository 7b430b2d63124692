// The diskpart substitute changes the simulated machine as diskpart changes a real one; the USB
// tests rely on it.
#include <gtest/gtest.h>

#include <filesystem>

#include "disk/diskpart_test_support.h"

namespace fs = std::filesystem;
using platform::host::MachineDescription;

namespace {

class DiskpartSubstitute : public ::testing::Test {
 protected:
  void SetUp() override {
    usbtest::ResetDiskpartRunner();
    machine_.Builder().UsbStick('F', 2, 1ull << 30);
    machine_.Builder().UsbStick('H', 3, 1ull << 30, false);
  }
  void TearDown() override { usbtest::ResetDiskpartRunner(); }

  bool Run(const std::string& script) {
    machine_.Apply();
    if (!DiskpartScript::Instance().CreateScriptFile()) return false;
    return DiskpartScript::Instance().RunScript(script);
  }

  test::TempMachine machine_;
};

TEST_F(DiskpartSubstitute, FormatEmptiesOnlyTheSelectedVolumeAndMakesItFat32WithoutLabel) {
  REQUIRE_DISKPART(machine_);
  machine_.Builder().Description().drives[1].label = L"OLDSTICK";
  machine_.Builder().Description().drives[1].fileSystem = L"NTFS";
  test::WriteHostFile(machine_.Builder().HostFolderOf('F') + "/a/b.txt", "x");
  test::WriteHostFile(machine_.Builder().HostFolderOf('H') + "/keep.txt", "y");
  ASSERT_TRUE(Run("sel disk 2\r\nsel par 1\r\nformat fs=FAT32 quick\r\nexit\r\n"));

  EXPECT_TRUE(fs::is_empty(machine_.Builder().HostFolderOf('F')));
  EXPECT_TRUE(fs::exists(machine_.Builder().HostFolderOf('H') + "/keep.txt"));
  MachineDescription m = usbtest::CurrentMachine();
  EXPECT_EQ(m.FindDrive('F')->fileSystem, L"FAT32");
  EXPECT_EQ(m.FindDrive('F')->label, L"");
  EXPECT_EQ(m.FindDisk(2)->partitions[0].mbrType, 0x0C);
}

TEST_F(DiskpartSubstitute, CleanAndFormatRebuildsTheDiskWithOneActivePartitionOnTheOldLetter) {
  REQUIRE_DISKPART(machine_);
  auto& disk = machine_.Builder().Description().disks[1];
  disk.partitions.push_back({2, 600ull << 20, 100ull << 20, 0x07, "", false});
  test::WriteHostFile(machine_.Builder().HostFolderOf('F') + "/old.txt", "x");
  const int newPartition = 1;
  ASSERT_TRUE(Run("sel disk 2\r\nclean\r\ncrea part prim\r\nsel part " + std::to_string(newPartition) +
                  "\r\nformat fs=fat32 quick\r\nassign letter=f\r\nactive\r\nexit\r\n"));

  MachineDescription m = usbtest::CurrentMachine();
  const auto* rebuilt = m.FindDisk(2);
  ASSERT_EQ(rebuilt->partitions.size(), 1u);
  EXPECT_EQ(rebuilt->partitions[0].number, 1);
  EXPECT_EQ(rebuilt->partitions[0].start, 1ull << 20);
  EXPECT_EQ(rebuilt->partitions[0].length, (1ull << 30) - (1ull << 20));
  EXPECT_TRUE(rebuilt->partitions[0].active);
  const auto* f = m.FindDrive('F');
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->disk, 2);
  EXPECT_EQ(f->partition, 1);
  EXPECT_EQ(f->fileSystem, L"FAT32");
  EXPECT_EQ(f->type, "removable");
  EXPECT_FALSE(fs::exists(platform::host::Machine::DriveRootHostPath('F') + "/old.txt"));
  EXPECT_EQ(m.FindDisk(3)->partitions.size(), 1u);
  EXPECT_NE(m.FindDrive('H'), nullptr);
}

// Windows formats FAT32 up to 32 GiB: diskpart ends with VDS_E_VOLUME_TOO_BIG on a larger
// volume and changes nothing; a partition made with size= within the limit formats.
TEST_F(DiskpartSubstitute, Fat32FormatOfAVolumeAbove32GiBFailsAsDiskpartsDoes) {
  REQUIRE_DISKPART(machine_);
  machine_.Builder().UsbStick('G', 4, 64ull << 30);
  test::WriteHostFile(machine_.Builder().HostFolderOf('G') + "/keep.txt", "x");
  EXPECT_FALSE(Run("sel disk 4\r\nsel par 1\r\nformat fs=FAT32 quick\r\nexit\r\n"));
  EXPECT_NE(usbtest::TraceText().find("diskpart exit code: 2147755053 (0x8004242D)"), std::string::npos)
      << usbtest::TraceText();
  EXPECT_TRUE(fs::exists(machine_.Builder().HostFolderOf('G') + "/keep.txt"));
  // NTFS has no such limit.
  EXPECT_TRUE(DiskpartScript::Instance().RunScript("sel disk 4\r\nsel par 1\r\nformat fs=ntfs quick\r\nexit\r\n"));

  // Exactly 32 GiB still formats; one MiB more does not.
  for (std::uint64_t mib : {32768ull, 32769ull}) {
    SCOPED_TRACE(mib);
    EXPECT_TRUE(DiskpartScript::Instance().RunScript("sel disk 4\r\nclean\r\ncrea part prim size=" + std::to_string(mib) +
                                                     "\r\nexit\r\n"));
    MachineDescription m = usbtest::CurrentMachine();
    ASSERT_EQ(m.FindDisk(4)->partitions.size(), 1u);
    EXPECT_EQ(m.FindDisk(4)->partitions[0].start, 1ull << 20);
    EXPECT_EQ(m.FindDisk(4)->partitions[0].length, mib << 20);
    EXPECT_EQ(DiskpartScript::Instance().RunScript("sel disk 4\r\nsel par 1\r\nformat fs=fat32 quick\r\nexit\r\n"),
              mib == 32768ull);
  }
  // A size beyond the disk is refused.
  EXPECT_FALSE(DiskpartScript::Instance().RunScript("sel disk 4\r\nclean\r\ncrea part prim size=70000\r\nexit\r\n"));
  EXPECT_TRUE(usbtest::CurrentMachine().FindDisk(4)->partitions.empty());
}

TEST_F(DiskpartSubstitute, TheFirstFailingStatementEndsTheRunWithDiskpartsCode) {
  REQUIRE_DISKPART(machine_);
  test::WriteHostFile(machine_.Builder().HostFolderOf('F') + "/keep.txt", "x");
  EXPECT_FALSE(Run("sel disk 9\r\nclean\r\nexit\r\n"));
  EXPECT_FALSE(Run("sel disk 2\r\nsel par 4\r\nformat fs=FAT32 quick\r\nexit\r\n"));
  EXPECT_FALSE(Run("sel disk 2\r\nwipe everything\r\nclean\r\nexit\r\n"));
  EXPECT_TRUE(fs::exists(machine_.Builder().HostFolderOf('F') + "/keep.txt"));
  EXPECT_EQ(usbtest::CurrentMachine().FindDisk(2)->partitions.size(), 1u);
  std::string trace = usbtest::TraceText();
  EXPECT_NE(trace.find("diskpart exit code: 2"), std::string::npos);
  EXPECT_NE(trace.find("diskpart exit code: 5"), std::string::npos);
  EXPECT_TRUE(usbtest::ReadDiskpartLog(machine_).DisksOf("clean").empty());
}

TEST_F(DiskpartSubstitute, FaultSwitchesFailACountedNumberOfTimesAndMoveTheLetter) {
  REQUIRE_DISKPART(machine_);
  machine_.Builder().Fault("diskpart.failOn", "format");
  machine_.Builder().Fault("diskpart.failCount", "1");
  machine_.Builder().Fault("diskpart.formatNewLetter", "G");
  const std::string format = "sel disk 2\r\nsel par 1\r\nformat fs=FAT32 quick\r\nexit\r\n";
  EXPECT_FALSE(Run(format));
  EXPECT_NE(usbtest::CurrentMachine().FindDrive('F'), nullptr) << "a failed format changes nothing";
  EXPECT_TRUE(DiskpartScript::Instance().RunScript(format));
  MachineDescription m = usbtest::CurrentMachine();
  EXPECT_EQ(m.FindDrive('F'), nullptr);
  ASSERT_NE(m.FindDrive('G'), nullptr);
  EXPECT_EQ(m.FindDrive('G')->disk, 2);
}

TEST_F(DiskpartSubstitute, AVolumeInUseIsFormattedOnlyWithOverride) {
  REQUIRE_DISKPART(machine_);
  machine_.Builder().Fault("diskpart.inUse", "F");
  test::WriteHostFile(machine_.Builder().HostFolderOf('F') + "/held.txt", "x");
  EXPECT_FALSE(Run("sel disk 2\r\nsel par 1\r\nformat fs=FAT32 quick\r\nexit\r\n"));
  EXPECT_NE(usbtest::TraceText().find("(0x80042413)"), std::string::npos) << usbtest::TraceText();
  EXPECT_TRUE(fs::exists(machine_.Builder().HostFolderOf('F') + "/held.txt")) << "a refused format changes nothing";
  // Another volume is not held; the held one formats once "override" dismounts it.
  EXPECT_TRUE(DiskpartScript::Instance().RunScript("sel disk 3\r\nsel par 1\r\nformat fs=FAT32 quick\r\nexit\r\n"));
  EXPECT_TRUE(DiskpartScript::Instance().RunScript("sel disk 2\r\nsel par 1\r\nformat fs=fat32 quick override\r\nexit\r\n"));
  EXPECT_FALSE(fs::exists(machine_.Builder().HostFolderOf('F') + "/held.txt"));
  EXPECT_EQ(usbtest::CurrentMachine().FindDrive('F')->fileSystem, L"FAT32");
}

}  // namespace
