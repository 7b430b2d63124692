// The disc-to-USB job end to end on the host: a generated disc in E:, a simulated USB stick,
// the diskpart substitute, the real copy and the DISM substitute, run by the worker thread as
// the main window starts it. Each job is bounded in time, so a hang fails the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/program_data.h"
#include "disk/diskpart_script.h"
#include "disk/usb_manager.h"
#include "disk/volume_utils.h"
#include "engine/job_record.h"
#include "engine/job_window.h"
#include "engine/operation_thd.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "sim/machine/machine.h"
#include "sim/probes/message_box_script.h"
#include "sim/probes/post_observer.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/volumes.h"
#include "servicing/driver_payload.h"
#include "support/sample_disc.h"
#include "support/recording_job_window.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kJobLimitMs = 180000;
using State = e2e::StatePost;
using e2e::Shell;

// Relative paths of every file below a host folder.
std::vector<std::string> FilesBelow(const std::string& root) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), root).string());
  std::sort(files.begin(), files.end());
  return files;
}

std::size_t IndexOf(const std::vector<State>& states, const State& wanted) {
  return static_cast<std::size_t>(std::find(states.begin(), states.end(), wanted) - states.begin());
}

class UsbJob : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tools = std::getenv("DRAVENTA_TEST_TOOLS");
    ASSERT_NE(tools, nullptr) << "run through ctest";
    DiskpartScript::Instance().DeleteScriptFile();
    CUSBManager::Release();
    CUSBManager::SetSettleDelayForTests(0);
    platform::host::ClearMessageBoxes();

    machine_.Builder().UsbStick('F', 2, StickBytes());
    ASSERT_TRUE(machine_.Builder().InstallTool(L"C:\\Windows\\System32\\diskpart.exe", std::string(tools) + "/diskpart.exe"));
    label_ = test::InsertSampleDisc(machine_, 'E');
    ASSERT_EQ(label_, L"GRMCULFRER_EN_DVD");
    test::WriteHostFile(machine_.Builder().HostFolderOf('F') + "/old-user-file.txt", "old");

    // The "OS" folder beside the program: a file of its own and one that replaces the disc's.
    std::wstring exe = platform::ExecutableFolder();
    std::string os = machine_.Host(exe + L"OS");
    test::WriteHostFile(os + "/OS/readme.txt", "from the OS folder\r\n");
    test::WriteHostFile(os + "/setup.exe", "setup from the OS folder");

    ExtractDriverPayload();
    std::uint64_t discBytes = GetFolderSize(L"E:\\", true);
    JobPaths paths{L"E:\\",   DriverPayloadRoot(), exe + L"OS", L"F:\\",
                   GetScratchFolder(static_cast<int>(discBytes / 1048576) + 500),
                   HasAmd64AutorunSection(L"E:\\AutoRun.inf")};
    JobRecordProblem problem;
    ASSERT_TRUE(FillJobRecord(paths, info_, problem));
  }

  virtual std::uint64_t StickBytes() const { return 8ull << 30; }

  void TearDown() override {
    CUSBManager::Release();
    DiskpartScript::Instance().DeleteScriptFile();
    platform::host::ClearMessageBoxes();
  }

  void Fault(const std::string& name, const std::string& value) {
    machine_.Builder().Fault(name, value);
    machine_.Apply();
  }

  void RunJob(e2e::RecordingJobWindow& window) {
    TOperationThd thread(true, &window, 0, &info_);
    thread.Resume();
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return window.finish >= 0; }, kJobLimitMs)) << "the job hung";
  }

  std::wstring LabelOf(wchar_t letter) {
    platform::Result<platform::VolumeInformation> info = platform::QueryVolumeInformation(std::wstring(1, letter) + L":\\");
    if (!info) return L"<none>";
    return info->label;
  }

  // Checks the prepared stick at `letter`: FAT32, active, the disc's tree, image 2 serviced, the
  // "OS" folder copied over it last.
  void ExpectPreparedStick(wchar_t letter, const e2e::RecordingJobWindow& window) {
    EXPECT_EQ(window.finish, kJobSucceeded);
    ASSERT_GE(window.states.size(), 4u);
    EXPECT_EQ(std::vector<State>(window.states.begin(), window.states.begin() + 3),
              (std::vector<State>{{FORMATUSB, 10}, {FORMATUSB, 70}, {FORMATUSBOK, 100}}));
    EXPECT_EQ(window.states.back(), State(FINISH, 100));
    EXPECT_LT(IndexOf(window.states, {DISMUNMOUNTOK, 100}), IndexOf(window.states, {COPYIMGDRIVER, 100}))
        << "the OS folder is copied after the servicing";

    auto machine = platform::host::Machine::Current();
    const auto* drive = machine->FindDrive(static_cast<char>(letter));
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->fileSystem, L"FAT32");
    EXPECT_TRUE(machine->FindDisk(2)->partitions[0].active);
    EXPECT_LE(machine->FindDisk(2)->partitions[0].length, 32ull << 30) << "FAT32 as Windows formats it";
    EXPECT_EQ(LabelOf(letter), L"GRMCULFRE~1");

    std::string stick = platform::host::Machine::DriveRootHostPath(static_cast<char>(letter));
    std::vector<std::string> expected = FilesBelow(machine_.Builder().HostFolderOf('E'));
    expected.push_back("OS/readme.txt");
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> copied = FilesBelow(stick);
    EXPECT_EQ(copied, expected) << "the stick holds exactly the disc's tree and the OS folder";
    EXPECT_TRUE(window.notes.empty()) << "a 32-bit disc's stick gets no UEFI loader and no note about one";
    EXPECT_EQ(test::ReadHostFile(stick + "/setup.exe"), "setup from the OS folder");

    std::string wim = stick + "/sources/boot.wim";
    std::string image2 = Shell("wimdir '" + wim + "' 2");
    std::string image1 = Shell("wimdir '" + wim + "' 1");
    EXPECT_NE(image2.find("DriverStore/FileRepository/iusb3xhc.inf"), std::string::npos) << image2.substr(0, 2000);
    EXPECT_NE(image2.find("DriverStore/FileRepository/asmtxhci.inf"), std::string::npos);
    EXPECT_EQ(image1.find("FileRepository/iusb3xhc.inf") != std::string::npos, info_.bAllImages)
        << "image 1 gets the packages only when they go into Windows itself too";
  }

  test::TempMachine machine_;
  std::wstring label_;
  WIN7_OPERAT_INFO info_;
};

TEST_F(UsbJob, PreparesTheStickFromTheDisc) {
  e2e::RecordingJobWindow window({}, L"Formatting");
  RunJob(window);
  ExpectPreparedStick(L'F', window);
  EXPECT_TRUE(platform::host::ShownMessageBoxes().empty());
  EXPECT_EQ(window.text, L"Successfully update system image");
}

TEST_F(UsbJob, AfterAFailedFormatTwoYesAnswersCleanTheStickAndTheJobGoesOn) {
  Fault("diskpart.failOn", "format");
  Fault("diskpart.failCount", "1");
  platform::host::ScriptMessageBoxAnswers({platform::kIdYes, platform::kIdYes});
  e2e::RecordingJobWindow window({}, L"Formatting");
  RunJob(window);
  ExpectPreparedStick(L'F', window);
  EXPECT_EQ(platform::host::ShownMessageBoxes().size(), 2u);
  EXPECT_EQ(platform::host::Machine::Current()->FindDrive('F')->partition, 1);
}

TEST_F(UsbJob, EitherNoEndsTheJobFailedWithTheStickUntouched) {
  Fault("diskpart.failOn", "format");
  for (auto answers : {std::vector<int>{platform::kIdNo}, std::vector<int>{platform::kIdYes, platform::kIdNo}}) {
    SCOPED_TRACE(answers.size());
    platform::host::ClearMessageBoxes();
    platform::host::ScriptMessageBoxAnswers(answers);
    e2e::RecordingJobWindow window({}, L"Formatting");
    RunJob(window);
    EXPECT_EQ(window.finish, kJobFailed);
    EXPECT_EQ(window.states, std::vector<State>{State(FORMATUSB, 10)});
    EXPECT_EQ(window.text, L"Formatting(Operation failed)");
    EXPECT_EQ(platform::host::ShownMessageBoxes().size(), answers.size());
    EXPECT_TRUE(fs::exists(machine_.Builder().HostFolderOf('F') + "/old-user-file.txt"));
  }
}

TEST_F(UsbJob, FollowsTheStickWhenFormattingMovesItFromFToG) {
  Fault("diskpart.formatNewLetter", "G");
  e2e::RecordingJobWindow window({}, L"Formatting");
  RunJob(window);
  auto machine = platform::host::Machine::Current();
  EXPECT_EQ(machine->FindDrive('F'), nullptr);
  ExpectPreparedStick(L'G', window);
}

// Checking every file after writing: on a good stick the check is the job's last step and
// passes; on a fake-capacity stick that keeps half the disc's size, the writes that wrapped over
// its start spoil earlier files and the check fails naming one; a cancel while the files are
// read back ends the job as cancelled, without a box.
TEST_F(UsbJob, TheCheckAfterWritingPassesAGoodStickFailsAFakeOneAndCanBeCancelled) {
  struct Row {
    const char* name;
    std::uint64_t keptBytes;  // 0: the stick keeps all it claims
    bool cancel;              // Cancel at the check's first progress report
    std::int32_t finish;
    bool allImages = false;  // install.wim is serviced too: it differs from the disc's
  };
  const Row rows[] = {
      {"good stick", 0, false, kJobSucceeded},
      {"good stick, the drivers added to Windows itself", 0, false, kJobSucceeded, true},
      {"cancel while reading back", 0, true, kJobCancelled},
      {"fake stick", GetFolderSize(L"E:\\", true) / 2, false, kJobFailed},
  };
  info_.bCheckUsbFiles = true;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    info_.bAllImages = row.allImages;
    platform::host::ClearMessageBoxes();
    ASSERT_TRUE(machine_.Builder().FakeCapacity('F', row.keptBytes));
    machine_.Apply();
    e2e::RecordingJobWindow window({}, L"Formatting");
    TOperationThd thread(true, &window, 0, &info_);
    std::atomic<bool> cancelled{false};
    platform::host::SetPostObserver([&](platform::WindowHandle, std::uint32_t, std::uintptr_t state, std::intptr_t percent) {
      if (row.cancel && state == VERIFYUSB && percent > 0 && !cancelled.exchange(true)) thread.Cancel();
    });
    thread.Resume();
    const bool ended = platform::PumpMessagesUntil([&] { return window.finish >= 0; }, kJobLimitMs);
    platform::host::SetPostObserver(nullptr);
    ASSERT_TRUE(ended) << "the job hung";

    EXPECT_EQ(window.finish, row.finish);
    const auto boxes = platform::host::ShownMessageBoxes();
    const bool failed = std::count(window.states.begin(), window.states.end(), State(VERIFYUSBFAIL, 100)) == 1;
    EXPECT_EQ(failed, row.finish == kJobFailed);
    EXPECT_EQ(boxes.size(), failed ? 1u : 0u);
    if (row.finish == kJobSucceeded) {
      ExpectPreparedStick(L'F', window);
      ASSERT_GE(window.states.size(), 2u);
      EXPECT_EQ(window.states[window.states.size() - 2], State(VERIFYUSBOK, 100)) << "the check comes last";
      EXPECT_LT(IndexOf(window.states, {COPYIMGDRIVER, 100}), IndexOf(window.states, {VERIFYUSB, 0}));
    }
    if (failed && boxes.size() == 1) {
      EXPECT_EQ(window.states.back(), State(VERIFYUSBFAIL, 100));
      EXPECT_EQ(window.text, L"Formatting(Operation failed)");
      const std::wstring& text = boxes[0].text;
      EXPECT_EQ(text.rfind(L"The file F:\\", 0), 0u) << platform::host::ToUtf8(text);
      EXPECT_NE(text.find(L" on the USB drive does not read back as it was written."), std::wstring::npos);
      EXPECT_NE(text.find(L"probably faulty, or smaller than it claims to be"), std::wstring::npos);
      // The file named is one the job wrote.
      const std::wstring named = text.substr(12, text.find(L" on the USB drive") - 12);  // after "The file F:\"
      EXPECT_TRUE(platform::IsFile(L"E:\\" + named) || platform::IsFile(platform::ExecutableFolder() + L"OS\\" + named))
          << platform::host::ToUtf8(named);
    }
  }
}

// Most sticks sold today are larger than the 32 GiB Windows formats FAT32: the stick's own
// partition over the whole disk fails to format, and after the two questions the clean makes a
// partition the format accepts, on the old letter.
class LargeUsbJob : public UsbJob {
 protected:
  std::uint64_t StickBytes() const override { return 64ull << 30; }
};

TEST_F(LargeUsbJob, ASixtyFourGiBStickIsCleanedToAFat32PartitionTheFormatAccepts) {
  platform::host::ScriptMessageBoxAnswers({platform::kIdYes, platform::kIdYes});
  e2e::RecordingJobWindow window({}, L"Formatting");
  RunJob(window);
  ExpectPreparedStick(L'F', window);
  auto boxes = platform::host::ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, L"Formatting failure,will clean your USB Flash/Disk,Do you want to clean USB Flash/Disk?");
  EXPECT_EQ(boxes[1].text, L"Are you sure you want to clean the USB Flash/Disk?");
  auto machine = platform::host::Machine::Current();
  ASSERT_EQ(machine->FindDisk(2)->partitions.size(), 1u);
  EXPECT_EQ(machine->FindDisk(2)->partitions[0].number, 1);
  EXPECT_EQ(machine->FindDrive('F')->partition, 1);
  EXPECT_EQ(machine->FindDrive('F')->totalBytes, machine->FindDisk(2)->partitions[0].length);
}

}  // namespace
