// The chosen letter moves while the clean question is open, and disks the substitute treats by
// their style and medium: a cleaned GPT disk, an empty card reader slot.
#include <gtest/gtest.h>

#include "usb_machine_generator.h"
#include "usb_test_support.h"

using platform::host::Machine;
using platform::host::MachineDescription;
using usbtest::ReadDiskpartLog;

namespace {

class UsbMovedLetter : public usbtest::UsbMachineTest {
 protected:
  // Sticks F (disk 2) and G (disk 3); formatting F fails once, so the clean is offered. While the
  // first question is open, `move` happens to F.
  bool PrepareWhileMoving(usbgen::Round move) {
    machine_.Builder().UsbStick('F', 2, 8ull << 30);
    machine_.Builder().UsbStick('G', 3, 8ull << 30);
    machine_.Builder().Fault("diskpart.failOn", "format");
    machine_.Builder().Fault("diskpart.failCount", "1");
    Apply();
    test::WriteHostFile(machine_.Builder().HostFolderOf('G') + "/data.bin", "user data");
    move.letter = 'F';
    bool moved = false;
    platform::host::SetMessageBoxAnswerer([&](const platform::host::ShownMessageBox& box) {
      if (!(box.flags & platform::kMbYesNo)) return platform::kIdOk;
      if (!moved) Machine::Update([&](MachineDescription& m) { usbgen::ApplyMove(move, m, machine_.Folder()); });
      moved = true;
      return platform::kIdYes;
    });
    bool ok = CUSBManager::Instance()->FormatActiveUSB(L"F:\\");
    platform::host::SetMessageBoxAnswerer({});
    return ok;
  }
};

TEST_F(UsbMovedLetter, ALetterGivenToAnotherDiskWhileAskedCleansNothing) {
  REQUIRE_TOOLS();
  usbgen::Round move;
  move.move = usbgen::Move::Reassigned;  // G's volume becomes F; disk 2's volume loses its letter
  move.moveDisk = 3;
  move.movePartition = 1;
  EXPECT_FALSE(PrepareWhileMoving(move));

  usbtest::DiskpartLog log = ReadDiskpartLog(machine_);
  EXPECT_TRUE(log.DisksOf("clean").empty()) << "disk 2 no longer holds F: and disk 3 was never chosen";
  EXPECT_EQ(log.runs, 1) << "only the failed format ran";
  auto m = usbtest::CurrentMachine();
  EXPECT_EQ(m.FindDisk(3)->partitions.size(), 1u);
  EXPECT_EQ(test::ReadHostFile(machine_.Builder().HostFolderOf('G') + "/data.bin"), "user data");
  auto texts = usbtest::ShownTexts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[2], L"The USB Flash/Disk has changed, nothing was cleaned. Please choose it again.");
  EXPECT_EQ(platform::host::ShownMessageBoxes()[2].caption, L"Error");
  EXPECT_NE(usbtest::TraceText().find("[CUSBManager::FormatUSB - Cleanandformat USB] f:\\ is no longer on disk 2 "
                                      "(now on disk 3): nothing is cleaned"),
            std::string::npos);
}

TEST_F(UsbMovedLetter, AStickPulledWhileAskedIsNotCleanedAndOneSwappedInIs) {
  REQUIRE_TOOLS();
  usbgen::Round pulled;
  pulled.move = usbgen::Move::Pulled;
  EXPECT_FALSE(PrepareWhileMoving(pulled));
  EXPECT_TRUE(ReadDiskpartLog(machine_).DisksOf("clean").empty());
  EXPECT_NE(usbtest::TraceText().find("is no longer on disk 2 (now on no USB disk)"), std::string::npos);

  // Another stick plugged in takes disk 2 and F: it holds the chosen letter, so it is cleaned.
  TearDown();
  SetUp();
  usbgen::Round swapped;
  swapped.move = usbgen::Move::Swapped;
  swapped.swapSizeMiB = 4096;
  ASSERT_TRUE(PrepareWhileMoving(swapped));
  EXPECT_EQ(CUSBManager::Instance()->m_USBLetter, L"F");
  EXPECT_EQ(ReadDiskpartLog(machine_).DisksOf("clean"), std::vector<int>{2});
  EXPECT_EQ(usbtest::CurrentMachine().FindDisk(2)->size, 4096ull << 20);
  EXPECT_EQ(test::ReadHostFile(machine_.Builder().HostFolderOf('G') + "/data.bin"), "user data");
}

// A GPT USB disk can't be made active: the format works, "active" fails, and the clean leaves the
// disk uninitialised, so the new partition makes it an MBR disk that can.
TEST_F(UsbMovedLetter, AGptUsbDiskIsPreparedThroughTheCleanAsAnMbrDisk) {
  REQUIRE_TOOLS();
  usbtest::AddDisk(machine_.Builder(), 2, "usb", false, {{1, 1, 100, 0}, {2, 200, 2000, 'H'}}, 16384);
  machine_.Builder().Description().disks.back().style = "gpt";
  machine_.Builder().Description().disks.back().guid = "6A1B2C3D-0000-4000-8000-000000000002";
  for (auto& p : machine_.Builder().Description().disks.back().partitions) p.gptType = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";
  Apply();
  platform::host::ScriptMessageBoxAnswers({platform::kIdYes, platform::kIdYes});
  ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"H:\\"));
  EXPECT_EQ(CUSBManager::Instance()->m_USBLetter, L"H");
  auto m = usbtest::CurrentMachine();
  EXPECT_EQ(m.FindDisk(2)->style, "mbr");
  EXPECT_NE(m.FindDisk(2)->signature, 0u);
  ASSERT_EQ(m.FindDisk(2)->partitions.size(), 1u);
  EXPECT_TRUE(m.FindDisk(2)->partitions[0].active);
  EXPECT_NE(usbtest::TraceText().find("[CUSBManager::FormatUSB - DiskpartActive] is fail"), std::string::npos);
}

// An empty card reader slot: the disk is not in the inventory, so its letter is no USB disk's,
// and diskpart, told to change it anyway, refuses.
TEST_F(UsbMovedLetter, AnEmptyCardSlotIsRefusedAndDiskpartCannotChangeIt) {
  REQUIRE_TOOLS();
  platform::host::DiskRecord slot;
  slot.number = 4;
  slot.bus = "usb";
  slot.removable = true;
  slot.media = false;
  machine_.Builder().Description().disks.push_back(slot);
  platform::host::DriveRecord drive;
  drive.letter = 'K';
  drive.type = "removable";
  drive.bus = "usb";
  drive.disk = 4;
  drive.partition = 1;
  drive.volume = 40;
  drive.media = false;
  machine_.Builder().Description().drives.push_back(drive);
  Apply();
  EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"K:\\"));
  EXPECT_EQ(usbtest::ShownTexts(), std::vector<std::wstring>{L"This is not a USB disk/flash."});
  EXPECT_EQ(ReadDiskpartLog(machine_).runs, 0);

  ASSERT_TRUE(DiskpartScript::Instance().CreateScriptFile());
  EXPECT_FALSE(DiskpartScript::Instance().RunScript("sel disk 4\r\nclean\r\nexit\r\n"));
  EXPECT_NE(usbtest::TraceText().find("diskpart exit code: 4"), std::string::npos);
}

}  // namespace
