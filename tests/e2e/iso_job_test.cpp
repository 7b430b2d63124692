// The disc-to-ISO job end to end on the host: a generated 64-bit disc in E:, the real copy, the
// DISM substitute and the oscdimg substitute (xorriso), run by the worker thread as the main
// window starts it. Each job is bounded in time, so a hang fails the test instead of stalling it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/program_data.h"
#include "disk/volume_utils.h"
#include "engine/job_record.h"
#include "engine/job_window.h"
#include "engine/make_iso_file.h"
#include "engine/operation_thd.h"
#include "platform/folders.h"
#include "sim/machine/machine.h"
#include "sim/probes/message_box_script.h"
#include "platform/messages.h"
#include "servicing/driver_payload.h"
#include "support/iso_tool.h"
#include "support/sample_disc.h"
#include "support/recording_job_window.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

using e2e::Shell;

constexpr std::uint32_t kJobLimitMs = 180000;

// True when the process whose id the oscdimg substitute recorded is gone (or a zombie).
bool ToolGone(const std::string& machineFolder) {
  std::ifstream in(machineFolder + "/oscdimg.pid");
  std::string pid;
  in >> pid;
  if (pid.empty()) return false;
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  std::size_t close = line.rfind(')');
  return close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z';
}

class IsoJob : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tools = std::getenv("DRAVENTA_TEST_TOOLS");
    ASSERT_NE(tools, nullptr) << "run through ctest";
    machine_.Builder().Fixed('D', 1);
    label_ = test::InsertSampleDisc(machine_, 'E', {true, 0, ""});
    ASSERT_FALSE(label_.empty());
    fs::create_directories(machine_.Host(L"D:\\") + "/ISO");

    ASSERT_TRUE(test::InstallIsoTool(machine_));
    std::wstring exe = platform::ExecutableFolder();
    test::WriteHostFile(machine_.Host(exe + L"OS") + "/OS/readme.txt", "from the OS folder\r\n");
    // Replaces a (read-only) file of the disc.
    test::WriteHostFile(machine_.Host(exe + L"OS") + "/setup.exe", "setup from the OS folder");

    ExtractDriverPayload();
    FillRecord();
    platform::host::ClearMessageBoxes();
  }

  // The job record as the main window fills it; the scratch folder is sought afresh each time,
  // as the window removes it after every job.
  void FillRecord() {
    std::wstring exe = platform::ExecutableFolder();
    std::uint64_t discBytes = GetFolderSize(L"E:\\", true);
    JobPaths paths{L"E:\\",
                   DriverPayloadRoot(),
                   exe + L"OS",
                   L"D:\\ISO",
                   GetScratchFolder(static_cast<int>(discBytes / 1048576) + 500),
                   HasAmd64AutorunSection(L"E:\\AutoRun.inf")};
    JobRecordProblem problem;
    ASSERT_TRUE(FillJobRecord(paths, info_, problem));
    ASSERT_TRUE(info_.bIs64bitDVD);
  }

  void TearDown() override { MakeISOFile::Instance()->SetSilenceLimitMs(kIsoDefaultSilenceMs); }

  void Fault(const std::string& name, const std::string& value) {
    machine_.Builder().Fault(name, value);
    machine_.Apply();
  }

  // Runs the job to the end; `onState` may cancel it.
  void RunJob(e2e::RecordingJobWindow& window, const std::function<void(TOperationThd&)>& whileRunning = {}) {
    TOperationThd thread(true, &window, 1, &info_);
    thread.Resume();
    if (whileRunning) whileRunning(thread);
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return window.finish >= 0; }, kJobLimitMs)) << "the job hung";
  }

  std::string IsoHost() const { return machine_.Host(L"D:\\ISO\\" + label_ + L".iso"); }

  test::TempMachine machine_;
  std::wstring label_;
  WIN7_OPERAT_INFO info_;
};

TEST_F(IsoJob, BuildsABootableIsoWithTheServicedBootImage) {
  e2e::RecordingJobWindow window(info_.szTmpPath);
  RunJob(window);
  EXPECT_EQ(window.finish, kJobSucceeded);
  ASSERT_FALSE(window.states.empty());
  EXPECT_EQ(window.states.back(), std::make_pair(std::int32_t{FINISH}, std::int32_t{100}));
  EXPECT_NE(std::find(window.states.begin(), window.states.end(), std::make_pair(std::int32_t{MAKEISO}, std::int32_t{100})),
            window.states.end());
  EXPECT_FALSE(fs::exists(machine_.Host(info_.szTmpPath)));

  std::string iso = IsoHost();
  ASSERT_TRUE(fs::exists(iso)) << iso;
  std::string report = Shell("xorriso -indev '" + iso + "' -report_el_torito plain");
  int bios = 0, uefi = 0;
  std::size_t pos = 0;
  while ((pos = report.find("El Torito boot img :", pos)) != std::string::npos) {
    std::string line = report.substr(pos, report.find('\n', pos) - pos);
    if (line.find("BIOS") != std::string::npos && line.find("none") != std::string::npos) ++bios;
    if (line.find("UEFI") != std::string::npos && line.find("none") != std::string::npos) ++uefi;
    ++pos;
  }
  EXPECT_EQ(bios, 1) << report;
  EXPECT_EQ(uefi, 1) << report;
  EXPECT_NE(Shell("xorriso -indev '" + iso + "' -pvd_info").find("Volume Id    : WIN7"), std::string::npos);

  // The boot.wim inside the image has the drivers staged in image 2 and not in image 1.
  test::TempFolder out;
  std::string wim = out.Path() + "/boot.wim";
  Shell("xorriso -osirrox on -indev '" + iso + "' -extract /sources/boot.wim '" + wim + "'");
  ASSERT_TRUE(fs::exists(wim));
  std::string image2 = Shell("wimdir '" + wim + "' 2");
  std::string image1 = Shell("wimdir '" + wim + "' 1");
  EXPECT_NE(image2.find("DriverStore/FileRepository/iusb3xhc.inf"), std::string::npos) << image2.substr(0, 2000);
  EXPECT_NE(image2.find("DriverStore/FileRepository/asmtxhci.inf"), std::string::npos);
  EXPECT_EQ(image1.find("FileRepository/iusb3xhc.inf"), std::string::npos);
  EXPECT_NE(Shell("xorriso -indev '" + iso + "' -find /OS/readme.txt").find("readme.txt"), std::string::npos);
  Shell("xorriso -osirrox on -indev '" + iso + "' -extract /setup.exe '" + out.Path() + "/setup.exe'");
  EXPECT_EQ(test::ReadHostFile(out.Path() + "/setup.exe"), "setup from the OS folder");
}

TEST_F(IsoJob, CancelDuringTheBuildEndsTheTool) {
  Fault("oscdimg.hangAt", "30");
  e2e::RecordingJobWindow window(info_.szTmpPath);
  RunJob(window, [&](TOperationThd& thread) {
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [&] { return !window.states.empty() && window.states.back() == std::make_pair(std::int32_t{MAKEISO}, std::int32_t{30}); },
        kJobLimitMs));
    thread.Cancel();
  });
  EXPECT_EQ(window.finish, kJobCancelled);
  EXPECT_EQ(window.states.back(), std::make_pair(std::int32_t{MAKEISO}, std::int32_t{0}));
  EXPECT_TRUE(ToolGone(machine_.Folder()));
  EXPECT_TRUE(platform::host::ShownMessageBoxes().empty());
}

TEST_F(IsoJob, EachToolFaultFailsTheJobWithAMessage) {
  struct Case {
    std::string fault, value, expected;
  };
  MakeISOFile::Instance()->SetSilenceLimitMs(1500);
  for (const Case& c : {Case{"oscdimg.stopAt", "40", "ended without writing"}, Case{"oscdimg.exitCode", "5", "exit code 5"},
                        Case{"oscdimg.hangAt", "20", "stopped responding"},
                        Case{"process.startFail", "oscdimg.exe", "could not be started"}}) {
    SCOPED_TRACE(c.fault);
    Fault(c.fault, c.value);
    platform::host::ClearMessageBoxes();
    FillRecord();
    e2e::RecordingJobWindow window(info_.szTmpPath);
    RunJob(window);
    EXPECT_EQ(window.finish, kJobFailed);
    EXPECT_TRUE(window.states.empty() || window.states.back().first != FINISH);
    auto boxes = platform::host::ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"make ISO error");
    EXPECT_NE(boxes[0].text.find(platform::host::FromUtf8(c.expected)), std::wstring::npos) << boxes[0].text.size();
    EXPECT_TRUE(fs::is_empty(machine_.Host(L"D:\\ISO"))) << "a failed build leaves no ISO file";
    machine_.Builder().Description().faults.clear();
    machine_.Apply();
  }
}

// The system drive without room for the disc: the scratch copy goes to a numbered folder on the
// first drive with room, which must exist before the copy starts. The window removes it at the
// end, as it does the preferred one.
TEST_F(IsoJob, ASystemDriveWithoutRoomPutsTheScratchCopyOnAnotherDrive) {
  machine_.Builder().Description().FindDrive('C')->totalBytes = 64ull << 20;
  machine_.Apply();
  FillRecord();
  ASSERT_EQ(std::wstring(info_.szTmpPath), L"D:\\QarvelToolTmp0\\");
  ASSERT_TRUE(fs::is_directory(machine_.Host(info_.szTmpPath)));

  e2e::RecordingJobWindow window(info_.szTmpPath);
  RunJob(window);
  EXPECT_EQ(window.finish, kJobSucceeded);
  ASSERT_FALSE(window.states.empty());
  EXPECT_EQ(window.states.back(), std::make_pair(std::int32_t{FINISH}, std::int32_t{100}));
  EXPECT_TRUE(fs::exists(IsoHost()));
  EXPECT_FALSE(fs::exists(machine_.Host(L"D:\\QarvelToolTmp0")));
  EXPECT_TRUE(platform::host::ShownMessageBoxes().empty());
}

}  // namespace
