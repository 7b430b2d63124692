#pragma once
// Host helpers for the USB preparation tests: USB disks with any partitions, lettered or not.
#include <optional>
#include <vector>

#include "diskpart_test_support.h"
#include "disk/usb_manager.h"
#include "sim/probes/message_box_script.h"
#include "platform/message_box.h"

namespace usbtest {

struct PartitionSpec {
  int number = 1;
  std::uint64_t startMiB = 1;
  std::uint64_t lengthMiB = 100;
  char letter = 0;  // 0: no drive letter
};

// Adds an MBR disk on the given bus with the partitions, in layout order, and a drive record
// (with a root folder) for each partition that has a letter.
inline void AddDisk(platform::host::MachineBuilder& builder, int number, const std::string& bus, bool removable,
                    const std::vector<PartitionSpec>& partitions, std::uint64_t sizeMiB = 4096) {
  platform::host::DiskRecord disk;
  disk.number = number;
  disk.size = sizeMiB << 20;
  disk.bus = bus;
  disk.removable = removable;
  disk.signature = 0x3000u + static_cast<std::uint32_t>(number);
  int volume = 100 + number * 8;
  for (const auto& p : partitions) {
    platform::host::PartitionRecord record;
    record.number = p.number;
    record.start = p.startMiB << 20;
    record.length = p.lengthMiB << 20;
    record.mbrType = 0x0C;
    disk.partitions.push_back(record);
    if (!p.letter) continue;
    platform::host::DriveRecord drive;
    drive.letter = p.letter;
    drive.type = removable ? "removable" : "fixed";
    drive.bus = bus;
    drive.fileSystem = L"FAT32";
    drive.totalBytes = record.length;
    drive.root = std::string("drives/") + p.letter;
    drive.disk = number;
    drive.partition = p.number;
    drive.volume = ++volume;
    test::WriteHostFile(builder.HostFolderOf(p.letter) + "/data.bin", "user data");
    builder.Description().drives.push_back(drive);
  }
  builder.Description().disks.push_back(disk);
}

// A fresh machine with the diskpart substitute, no settle pause, and clean singletons.
class UsbMachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetDiskpartRunner();
    CUSBManager::Release();
    CUSBManager::SetSettleDelayForTests(0);
    platform::host::ClearMessageBoxes();
    haveDiskpart_ = InstallDiskpart(machine_);
  }
  void TearDown() override {
    CUSBManager::Release();
    ResetDiskpartRunner();
    platform::host::ClearMessageBoxes();
  }
  void Apply() {
    machine_.Apply();
    app::ResetTraceLogPath();
  }

  test::TempMachine machine_;
  bool haveDiskpart_ = false;
};

inline std::vector<std::wstring> ShownTexts() {
  std::vector<std::wstring> texts;
  for (const auto& box : platform::host::ShownMessageBoxes()) texts.push_back(box.text);
  return texts;
}

}  // namespace usbtest

#define REQUIRE_TOOLS()                                                \
  do {                                                                 \
    if (!haveDiskpart_) GTEST_SKIP() << "no DRAVENTA_TEST_TOOLS";      \
  } while (0)
