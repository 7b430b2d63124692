// CUSBManager on simulated machines: which disk and partition diskpart is given, the recovery
// path with its two questions, and the letter found again afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "disk/optical_drives.h"
#include "usb_machine_generator.h"
#include "usb_test_support.h"

namespace fs = std::filesystem;
using platform::host::ShownMessageBoxes;
using usbtest::ReadDiskpartLog;

namespace {

class UsbManager : public usbtest::UsbMachineTest {};

TEST_F(UsbManager, FormatsAndActivatesTheStickBehindTheLetterAndFindsItsLetterAgain) {
  REQUIRE_TOOLS();
  machine_.Builder().Fixed('D', 1);
  machine_.Builder().UsbStick('E', 2, 8ull << 30);
  Apply();
  test::WriteHostFile(machine_.Builder().HostFolderOf('E') + "/old.txt", "x");

  // The job passes the root in upper case; the manager lower-cases it and must still match the
  // inventory's "E:\".
  CUSBManager* manager = CUSBManager::Instance();
  ASSERT_TRUE(manager->FormatActiveUSB(L"E:\\"));
  EXPECT_EQ(manager->m_USBLetter, L"E");

  usbtest::DiskpartLog log = ReadDiskpartLog(machine_);
  EXPECT_EQ(log.runs, 2);
  ASSERT_EQ(log.statements.size(), 8u);
  EXPECT_EQ(log.statements[0].text, "sel disk 2");
  EXPECT_EQ(log.statements[1].text, "sel par 1");
  EXPECT_EQ(log.statements[2].text, "format fs=FAT32 quick override");
  EXPECT_EQ(log.statements[5].text, "sel par 1");
  EXPECT_EQ(log.statements[6].text, "active");
  EXPECT_EQ(log.statements[6].disk, 2);

  auto m = usbtest::CurrentMachine();
  EXPECT_TRUE(m.FindDisk(2)->partitions[0].active);
  EXPECT_EQ(m.FindDrive('E')->fileSystem, L"FAT32");
  EXPECT_FALSE(fs::exists(machine_.Builder().HostFolderOf('E') + "/old.txt"));
  EXPECT_TRUE(ShownMessageBoxes().empty());
  EXPECT_TRUE(DiskpartScript::Instance().ScriptPath().empty()) << "the script file is deleted after a run";

  std::string trace = usbtest::TraceText();
  EXPECT_NE(trace.find("[CUSBManager::FormatUSB - DiskIndex, PartIndex] 2 , 1"), std::string::npos);
  EXPECT_NE(trace.find("[CUSBManager::ReGetUSBLtr] - m_USBLetter: E"), std::string::npos);
}

TEST_F(UsbManager, AnInternalDisksLetterIsRefusedAndDiskpartNeverStarts) {
  REQUIRE_TOOLS();
  machine_.Builder().Fixed('D', 1);
  machine_.Builder().UsbStick('E', 2, 8ull << 30);
  Apply();
  for (const wchar_t* root : {L"D:\\", L"c:\\", L"Z:\\"}) {
    EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(root));
  }
  EXPECT_EQ(ReadDiskpartLog(machine_).runs, 0);
  auto boxes = ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, L"This is not a USB disk/flash.");
  EXPECT_EQ(boxes[0].caption, L"Error");
  EXPECT_EQ(boxes[0].flags, platform::kMbIconError);
  EXPECT_EQ(boxes[0].owner, 0u);
  EXPECT_NE(usbtest::TraceText().find("[CUSBManager::FormatUSB - CheckCond] is fail"), std::string::npos);
}

TEST_F(UsbManager, TakesTheLetteredPartitionByItsLayoutNumberAndNeverAnUnletteredOne) {
  REQUIRE_TOOLS();
  // Disk 2: a USB disk whose only partition has no letter. Disk 3: a stick whose second
  // partition (number 5, listed after a gap) is H.
  usbtest::AddDisk(machine_.Builder(), 2, "usb", false, {{1, 1, 500, 0}});
  usbtest::AddDisk(machine_.Builder(), 3, "usb", true, {{2, 1, 100, 0}, {5, 400, 300, 'H'}});
  Apply();
  ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"H:\\"));
  EXPECT_EQ(CUSBManager::Instance()->m_USBLetter, L"H");
  usbtest::DiskpartLog log = ReadDiskpartLog(machine_);
  EXPECT_EQ(log.DisksOf("format"), std::vector<int>{3});
  ASSERT_EQ(log.statements.size(), 8u);
  EXPECT_EQ(log.statements[1].text, "sel par 5");
  EXPECT_EQ(log.statements[2].partition, 5);
}

TEST_F(UsbManager, AfterAFailedFormatTwoYesAnswersCleanTheDiskAndKeepTheOldLetter) {
  REQUIRE_TOOLS();
  usbtest::AddDisk(machine_.Builder(), 2, "usb", true, {{1, 1, 100, 0}, {3, 200, 300, 'F'}});
  machine_.Builder().Fault("diskpart.failOn", "format");
  machine_.Builder().Fault("diskpart.failCount", "1");
  Apply();
  platform::host::ScriptMessageBoxAnswers({platform::kIdYes, platform::kIdYes});

  ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"F:\\"));
  EXPECT_EQ(CUSBManager::Instance()->m_USBLetter, L"F");

  auto boxes = ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, L"Formatting failure,will clean your USB Flash/Disk,Do you want to clean USB Flash/Disk?");
  EXPECT_EQ(boxes[1].text, L"Are you sure you want to clean the USB Flash/Disk?");
  for (const auto& box : boxes) {
    EXPECT_EQ(box.caption, L"Warning");
    EXPECT_EQ(box.flags, platform::kMbIconWarning | platform::kMbYesNo);
    EXPECT_EQ(box.owner, platform::ApplicationWindow());
  }
  usbtest::DiskpartLog log = ReadDiskpartLog(machine_);
  EXPECT_EQ(log.runs, 2) << "the active script is not run after a failed format";
  EXPECT_EQ(log.DisksOf("clean"), std::vector<int>{2});
  EXPECT_NE(std::find_if(log.statements.begin(), log.statements.end(),
                         [](const auto& s) { return s.text == "assign letter=f"; }),
            log.statements.end());
  // A disk within FAT32's limit gets one partition over all of it, as the script always had.
  EXPECT_EQ(log.DisksOf("crea part prim"), std::vector<int>{2});
  EXPECT_EQ(log.DisksOf("crea part prim size="), std::vector<int>{});
  auto m = usbtest::CurrentMachine();
  ASSERT_EQ(m.FindDisk(2)->partitions.size(), 1u);
  EXPECT_TRUE(m.FindDisk(2)->partitions[0].active);
  EXPECT_EQ(m.FindDrive('F')->partition, 1);
  EXPECT_NE(usbtest::TraceText().find("[CUSBManager::FormatUSB - DiskpartFormat] is fail"), std::string::npos);
}

// Windows formats FAT32 up to 32 GiB: the 64 GiB stick's own partition fails to format, and the
// clean makes a partition the format accepts instead of one over the whole disk.
TEST_F(UsbManager, OnAStickAbove32GiBTheCleanMakesAPartitionFat32FormattingAccepts) {
  REQUIRE_TOOLS();
  machine_.Builder().UsbStick('F', 2, 64ull << 30);
  Apply();
  platform::host::ScriptMessageBoxAnswers({platform::kIdYes, platform::kIdYes});
  ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"F:\\"));
  EXPECT_EQ(CUSBManager::Instance()->m_USBLetter, L"F");
  EXPECT_EQ(ShownMessageBoxes().size(), 2u);

  usbtest::DiskpartLog log = ReadDiskpartLog(machine_);
  EXPECT_EQ(log.DisksOf("crea part prim size=32000"), std::vector<int>{2});
  auto m = usbtest::CurrentMachine();
  ASSERT_EQ(m.FindDisk(2)->partitions.size(), 1u);
  const auto& partition = m.FindDisk(2)->partitions[0];
  EXPECT_EQ(partition.length, 32000ull << 20);
  EXPECT_LE(partition.length, 32ull << 30);
  EXPECT_TRUE(partition.active);
  EXPECT_EQ(partition.mbrType, 0x0C);
  EXPECT_EQ(m.FindDrive('F')->fileSystem, L"FAT32");
  EXPECT_EQ(m.FindDrive('F')->partition, 1);

  std::string trace = usbtest::TraceText();
  EXPECT_NE(trace.find("diskpart exit code: 2147755053 (0x8004242D)"), std::string::npos);
  EXPECT_NE(trace.find("[CUSBManager::FormatUSB - DiskpartFormat] is fail"), std::string::npos);
  EXPECT_NE(trace.find("disk 2 holds 65536 MiB: the FAT32 partition is made 32000 MiB"), std::string::npos);
}

TEST_F(UsbManager, EitherNoEndsThePreparationWithoutCleaning) {
  REQUIRE_TOOLS();
  machine_.Builder().UsbStick('F', 2, 8ull << 30);
  machine_.Builder().Fault("diskpart.failOn", "active");
  Apply();
  test::WriteHostFile(machine_.Builder().HostFolderOf('F') + "/x", "x");
  for (auto answers : {std::vector<int>{platform::kIdNo}, std::vector<int>{platform::kIdYes, platform::kIdNo}}) {
    platform::host::ClearMessageBoxes();
    platform::host::ScriptMessageBoxAnswers(answers);
    EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"F:\\"));
    EXPECT_EQ(ShownMessageBoxes().size(), answers.size());
  }
  EXPECT_TRUE(ReadDiskpartLog(machine_).DisksOf("clean").empty());
  EXPECT_EQ(usbtest::CurrentMachine().FindDisk(2)->partitions.size(), 1u);
  EXPECT_NE(usbtest::TraceText().find("[CUSBManager::FormatUSB - DiskpartActive] is fail"), std::string::npos);
}

TEST_F(UsbManager, ACleanThatFailsTooIsReportedAndFails) {
  REQUIRE_TOOLS();
  machine_.Builder().UsbStick('F', 2, 8ull << 30);
  machine_.Builder().Fault("diskpart.failOn", "format");
  Apply();
  platform::host::ScriptMessageBoxAnswers({platform::kIdYes, platform::kIdYes});
  EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"F:\\"));
  auto boxes = ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[2].text, L"Still failed, please check your USB Flash/Disk is available.");
  EXPECT_EQ(boxes[2].caption, L"Error");
  EXPECT_EQ(boxes[2].flags, platform::kMbIconError);
  EXPECT_EQ(boxes[2].owner, platform::ApplicationWindow());
  EXPECT_NE(usbtest::TraceText().find("[CUSBManager::FormatUSB - Cleanandformat USB] is fail"), std::string::npos);
}

TEST_F(UsbManager, WithoutAScriptFileNothingRunsAndNoCleanIsOffered) {
  REQUIRE_TOOLS();
  machine_.Builder().UsbStick('F', 2, 8ull << 30);
  machine_.Builder().Fault("folders.commonAppData", "fail");
  Apply();
  platform::host::ScriptMessageBoxAnswers({platform::kIdYes, platform::kIdYes});
  EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"F:\\"));
  EXPECT_EQ(ReadDiskpartLog(machine_).runs, 0);
  // One error that says why, and no question about wiping the disk.
  auto boxes = ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"Error");
  EXPECT_NE(boxes[0].text.find(L"the diskpart script could not be written in the program data folder"), std::wstring::npos);
}

TEST_F(UsbManager, FollowsTheVolumeToItsNewLetterOrReportsThatItHasNone) {
  REQUIRE_TOOLS();
  machine_.Builder().UsbStick('F', 2, 8ull << 30);
  machine_.Builder().Fault("diskpart.formatNewLetter", "G");
  Apply();
  ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"F:\\"));
  EXPECT_EQ(CUSBManager::Instance()->m_USBLetter, L"G");
  EXPECT_TRUE(ShownMessageBoxes().empty());

  // The volume comes back without a letter.
  CUSBManager::Release();
  machine_.Builder().Fault("diskpart.formatNewLetter", "-");
  Apply();
  EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"F:\\"));
  auto boxes = ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Get USB disk/flash letter error!");
  EXPECT_EQ(boxes[0].caption, L"Error");
  EXPECT_EQ(boxes[0].owner, 0u);
  std::string trace = usbtest::TraceText();
  EXPECT_NE(trace.find("[CUSBManager::FormatUSB - ReGetUSBLtr] is fail"), std::string::npos);
  EXPECT_NE(trace.find("[CUSBManager::ReGetUSBLtr] QueryDosDeviceW: no drive letter names \\Device\\HarddiskVolume"),
            std::string::npos);

  // A partition the disk does not have: the link query's error is traced.
  EXPECT_FALSE(CUSBManager::Instance()->ReGetUSBLtr(2, 7));
  EXPECT_NE(usbtest::TraceText().find(
                "[CUSBManager::ReGetUSBLtr] NtQuerySymbolicLinkObject \\Device\\Harddisk2\\Partition7 failed (error 2)"),
            std::string::npos);
}

// A fresh machine (the manager and diskpart's log reset) with the 8 GiB stick F: on disk 2 laid
// out as `layout`, and with `other` a 4 GiB stick on disk 3.
std::unique_ptr<test::TempMachine> StickMachine(const char* layout, char other = 0) {
  CUSBManager::Release();
  usbtest::ResetDiskpartRunner();
  platform::host::ClearMessageBoxes();
  auto machine = std::make_unique<test::TempMachine>(test::MemoryBackedTempParent());
  EXPECT_TRUE(usbtest::InstallDiskpart(*machine));
  EXPECT_FALSE(machine->Builder().UsbStickWithLayout('F', 2, 8ull << 30, layout).empty());
  if (other) machine->Builder().UsbStick(other, 3, 4ull << 30);
  machine->Apply();
  app::ResetTraceLogPath();
  return machine;
}

// Each layout a user's stick may have: what the list shows, what the erase question adds, and
// the job with the answer the question got: a disk that can't be formatted in place is cleaned
// at once (one diskpart run, no further question) and every layout ends as one active FAT32
// partition on an MBR disk, while the stick beside it keeps its files.
TEST_F(UsbManager, EachStickLayoutIsNamedInTheQuestionAndEndsAsOneActiveMbrFat32Partition) {
  REQUIRE_TOOLS();
  struct Case {
    const char* layout;
    std::int64_t listedMB;
    bool inPlace;
    std::wstring sentence;
  };
  const Case cases[] = {
      {"mbr", 8191, true, L""},
      {"raw", 8191, true, L""},
      {"gpt", 8190, false, L"\n\nThe disk is a GPT disk: the whole disk will be erased and given a new MBR partition."},
      {"two-partitions", 4095, false, L"\n\nThe whole disk will be erased, with its other partitions: G: (4,096 MB)."},
      {"no-table", 8192, false,
       L"\n\nThe disk has no partition table: the whole disk will be erased and given a new MBR partition."},
      {"superfloppy", 8192, false,
       L"\n\nThe volume fills the whole disk without a partition table: the whole disk will be erased and given a "
       L"new MBR partition."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout);
    auto owned = StickMachine(c.layout, 'K');
    test::TempMachine& machine = *owned;
    test::WriteHostFile(machine.Builder().HostFolderOf('K') + "/data.bin", "user data");
    const std::string otherStick = usbgen::DiskFingerprint(*usbtest::CurrentMachine().FindDisk(3));

    EXPECT_EQ(UsbDriveCapacityMB(L"F:\\"), c.listedMB);
    const UsbDiskLayout layout = ReadUsbDiskLayoutNow(L"F:\\");
    ASSERT_TRUE(layout.found);
    EXPECT_EQ(layout.disk, 2);
    EXPECT_EQ(layout.inPlace, c.inPlace);
    EXPECT_EQ(WholeDiskEraseSentence(layout), c.sentence);

    ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"F:\\", nullptr, c.inPlace ? kEraseDriveOnly : layout.disk));
    EXPECT_EQ(CUSBManager::Instance()->m_USBLetter, L"F");
    EXPECT_TRUE(ShownMessageBoxes().empty());
    usbtest::DiskpartLog log = ReadDiskpartLog(machine);
    EXPECT_EQ(log.runs, c.inPlace ? 2 : 1);
    EXPECT_EQ(log.DisksOf("clean"), c.inPlace ? std::vector<int>{} : std::vector<int>{2});
    const auto m = usbtest::CurrentMachine();
    const auto* disk = m.FindDisk(2);
    EXPECT_EQ(disk->style, "mbr");
    ASSERT_EQ(disk->partitions.size(), 1u);
    EXPECT_TRUE(disk->partitions[0].active);
    EXPECT_EQ(disk->partitions[0].mbrType, 0x0C);
    EXPECT_EQ(m.FindDrive('F')->fileSystem, L"FAT32");
    EXPECT_EQ(m.FindDrive('G'), nullptr) << "the second partition's volume went with the clean";
    EXPECT_EQ(usbgen::DiskFingerprint(*m.FindDisk(3)), otherStick);
    EXPECT_EQ(test::ReadHostFile(machine.Builder().HostFolderOf('K') + "/data.bin"), "user data");
  }
}

// What the question agreed to no longer fits the disk behind the letter: nothing is run.
TEST_F(UsbManager, AnEraseAgreedForAnotherLayoutOrDiskChangesNothing) {
  REQUIRE_TOOLS();
  struct Case {
    const char* layout;
    int agreed;
    std::wstring box;
  };
  const Case cases[] = {
      // The question named the drive only; the stick is GPT by now.
      {"gpt", kEraseDriveOnly,
       L"The USB Flash/Disk has changed since you agreed to erase it, nothing was erased. Please choose it again."},
      // The user agreed to erase disk 5 whole; the letter is on disk 2 now.
      {"two-partitions", 5, L"The USB Flash/Disk has changed, nothing was cleaned. Please choose it again."},
      {"mbr", 5, L"The USB Flash/Disk has changed, nothing was cleaned. Please choose it again."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout);
    auto owned = StickMachine(c.layout);
    test::TempMachine& machine = *owned;
    const std::string before = usbgen::DiskFingerprint(*usbtest::CurrentMachine().FindDisk(2));
    EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"F:\\", nullptr, c.agreed));
    EXPECT_EQ(ReadDiskpartLog(machine).runs, 0);
    EXPECT_EQ(usbtest::ShownTexts(), std::vector<std::wstring>{c.box});
    EXPECT_EQ(usbgen::DiskFingerprint(*usbtest::CurrentMachine().FindDisk(2)), before);
  }
}

// The job's Cancel while diskpart hangs ends it at once, without the clean questions, and says
// once that the stick may be unusable; a Cancel during the wait for the letter ends the wait
// quietly, the stick being formatted already.
TEST_F(UsbManager, ACancelEndsAHangingDiskpartOrTheLetterWaitWithinASecond) {
  REQUIRE_TOOLS();
  struct Case {
    const char* name;
    const char* fault;
    const char* value;
    std::size_t boxes;
    const char* traced;
  };
  const Case cases[] = {
      {"hang at format", "diskpart.hangOn", "format", 1, "[RunProcess] ended at the user's cancel: "},
      {"hang at active", "diskpart.hangOn", "active", 1, "[RunProcess] ended at the user's cancel: "},
      {"letter never back", "diskpart.letterDelayMs", "600000", 0, "cancelled while waiting for the letter"},
  };
  machine_.Builder().UsbStick('F', 2, 8ull << 30);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CUSBManager::Release();
    usbtest::ResetDiskpartRunner();
    platform::host::ClearMessageBoxes();
    CUSBManager::SetSettleDelayForTests(30000);
    machine_.Builder().Description().faults.clear();
    machine_.Builder().Fault(c.fault, c.value);
    Apply();
    platform::host::ScriptMessageBoxAnswers({platform::kIdYes, platform::kIdYes});
    std::atomic<bool> stop{false};
    std::thread canceller([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"F:\\", &stop));
    const auto took = std::chrono::steady_clock::now() - start;
    canceller.join();
    EXPECT_LT(took, std::chrono::seconds(3));

    auto boxes = ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), c.boxes);
    if (c.boxes == 1) {
      EXPECT_NE(boxes[0].text.find(L"The USB drive may now be unusable: prepare it again"), std::wstring::npos);
      EXPECT_EQ(boxes[0].flags, platform::kMbIconWarning);
      EXPECT_EQ(boxes[0].owner, platform::ApplicationWindow());
    }
    usbtest::DiskpartLog log = ReadDiskpartLog(machine_);
    EXPECT_TRUE(log.DisksOf("clean").empty());
    for (int pid : log.pids) EXPECT_FALSE(fs::exists("/proc/" + std::to_string(pid))) << "diskpart still runs";
    EXPECT_NE(usbtest::TraceText().find(c.traced), std::string::npos);
  }
}

}  // namespace
