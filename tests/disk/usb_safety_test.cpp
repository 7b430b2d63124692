// Across many generated machines, preparing "the USB drive X:" only ever erases the USB disk
// that holds X: and never any other disk; a letter that is not on a USB disk starts no diskpart.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "usb_test_support.h"

namespace {

enum class DiskKind { Internal, UsbHardDisk, UsbStick };

struct Target {
  int disk = -1;       // -1: the letter is on no USB disk
  int partition = -1;
};

// Builds a random machine on `builder` and returns the letter to prepare and where it lives.
wchar_t GenerateMachine(std::mt19937& random, platform::host::MachineBuilder& builder, Target& target) {
  std::string pool = "DEFGHIJKLMNOPQRSTUVWXYZ";
  std::shuffle(pool.begin(), pool.end(), random);
  std::size_t nextLetter = 0;
  std::vector<std::pair<char, Target>> lettered{{'C', Target{}}};

  int diskNumber = 0;  // disk 0 is the system disk the machine starts with
  int disks = std::uniform_int_distribution<int>(1, 5)(random);
  for (int d = 0; d < disks; ++d) {
    diskNumber += std::uniform_int_distribution<int>(1, 4)(random);  // numbers with gaps
    auto kind = static_cast<DiskKind>(std::uniform_int_distribution<int>(0, 2)(random));
    std::vector<usbtest::PartitionSpec> partitions;
    std::uint64_t start = 1;
    int count = std::uniform_int_distribution<int>(1, 4)(random);
    std::vector<int> numbers{1, 2, 3, 4};
    std::shuffle(numbers.begin(), numbers.end(), random);  // layout numbers in any order
    for (int p = 0; p < count; ++p) {
      usbtest::PartitionSpec spec;
      spec.number = numbers[static_cast<std::size_t>(p)];
      spec.startMiB = start + static_cast<std::uint64_t>(std::uniform_int_distribution<int>(0, 20)(random));
      spec.lengthMiB = static_cast<std::uint64_t>(std::uniform_int_distribution<int>(50, 500)(random));
      start = spec.startMiB + spec.lengthMiB;
      bool hasLetter = std::uniform_int_distribution<int>(0, 3)(random) != 0 && nextLetter < pool.size();
      if (hasLetter) {
        spec.letter = pool[nextLetter++];
        Target where;
        if (kind != DiskKind::Internal) where = Target{diskNumber, spec.number};
        lettered.emplace_back(spec.letter, where);
      }
      partitions.push_back(spec);
    }
    usbtest::AddDisk(builder, diskNumber, kind == DiskKind::Internal ? "sata" : "usb", kind == DiskKind::UsbStick,
                     partitions);
  }
  // Mostly a letter of the machine, sometimes one that exists nowhere.
  if (nextLetter < pool.size() && std::uniform_int_distribution<int>(0, 9)(random) == 0) {
    target = Target{};
    return static_cast<wchar_t>(pool[nextLetter]);
  }
  auto chosen = lettered[std::uniform_int_distribution<std::size_t>(0, lettered.size() - 1)(random)];
  target = chosen.second;
  return static_cast<wchar_t>(chosen.first);
}

TEST(UsbSafety, OnlyTheUsbDiskHoldingTheChosenLetterIsEverErased) {
  if (usbtest::ToolsFolder().empty()) GTEST_SKIP() << "no DRAVENTA_TEST_TOOLS";
  std::mt19937 random(20260);
  int prepared = 0;
  int refused = 0;
  int recovered = 0;
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    usbtest::ResetDiskpartRunner();
    CUSBManager::Release();
    CUSBManager::SetSettleDelayForTests(0);
    platform::host::ClearMessageBoxes();

    test::TempMachine machine;
    ASSERT_TRUE(usbtest::InstallDiskpart(machine));
    Target target;
    wchar_t letter = GenerateMachine(random, machine.Builder(), target);
    // Sometimes formatting fails and the user agrees to clean the whole disk.
    bool failFormat = std::uniform_int_distribution<int>(0, 3)(random) == 0;
    if (failFormat) {
      machine.Builder().Fault("diskpart.failOn", "format");
      machine.Builder().Fault("diskpart.failCount", "1");
      platform::host::ScriptMessageBoxAnswers({platform::kIdYes, platform::kIdYes});
    }
    machine.Apply();

    bool ok = CUSBManager::Instance()->FormatActiveUSB(std::wstring(1, letter) + L":\\");
    usbtest::DiskpartLog log = usbtest::ReadDiskpartLog(machine);
    if (target.disk < 0) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(log.runs, 0) << "diskpart started for a letter on no USB disk";
      EXPECT_EQ(usbtest::ShownTexts(), std::vector<std::wstring>{L"This is not a USB disk/flash."});
      ++refused;
    } else {
      EXPECT_TRUE(ok);
      EXPECT_GE(log.runs, 2);
      EXPECT_EQ(CUSBManager::Instance()->m_USBLetter, std::wstring(1, letter));
      ++prepared;
      recovered += failFormat ? 1 : 0;
    }
    for (const auto& s : log.statements) {
      if (s.text.rfind("sel", 0) == 0 || s.text == "exit") continue;
      // Every statement that changes a disk ran on the chosen disk...
      EXPECT_EQ(s.disk, target.disk) << s.text;
      // ...and a format before any clean on the chosen partition.
      if (s.text.rfind("format", 0) == 0 && !failFormat) {
        EXPECT_EQ(s.partition, target.partition);
      }
    }
    if (!failFormat) {
      EXPECT_TRUE(log.DisksOf("clean").empty());
    }
  }
  // The generator must exercise every outcome.
  EXPECT_GT(prepared, 10);
  EXPECT_GT(refused, 10);
  EXPECT_GT(recovered, 2);
}

}  // namespace
