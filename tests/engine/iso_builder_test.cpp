// The ISO builder against scripted tools on the simulated machine: which percentages reach the
// window, and how a tool that stops early, fails, hangs or is cancelled ends the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/iso_operation.h"
#include "engine/make_iso_file.h"
#include "support/progress_reports.h"
#include "sim/probes/message_box_script.h"
#include "platform/messages.h"
#include "support/recording.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

const std::wstring kTool = L"C:\\Program Files\\Draventa\\Oscdimg_x86\\Oscdimg\\oscdimg.exe";

using Reports = test::ProgressReports;

// True when the process is gone (reaped) or a zombie.
bool ProcessGone(const std::string& pidFile) {
  std::ifstream in(pidFile);
  std::string pid;
  in >> pid;
  if (pid.empty()) return false;
  std::ifstream stat("/proc/" + pid + "/stat");
  if (!stat) return true;
  std::string line;
  std::getline(stat, line);
  std::size_t close = line.rfind(')');
  return close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z';
}

class IsoBuilder : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_.Builder().Fixed('D', 1);
    machine_.Apply();
    fs::create_directories(machine_.Host(L"D:\\") + "/ISO");
    pidFile_ = machine_.Folder() + "/tool.pid";
    builder_->SetSilenceLimitMs(kIsoDefaultSilenceMs);
  }
  void TearDown() override { builder_->SetSilenceLimitMs(kIsoDefaultSilenceMs); }

  // Installs a shell script as oscdimg.exe; it records its process id first.
  void InstallScript(const std::string& body) {
    std::string path = folder_.Path() + "/tool" + std::to_string(scripts_++) + ".sh";
    test::WriteHostFile(path, "#!/bin/sh\necho $$ > '" + pidFile_ + "'\n" + body);
    fs::permissions(path, fs::perms::owner_all);
    fs::remove(machine_.Host(kTool));
    ASSERT_TRUE(machine_.Builder().InstallTool(kTool, path));
  }

  bool Run(Reports& reports, const std::atomic<bool>* stopFlag = nullptr) {
    return builder_->Excute(QuotePath(kTool) + L" -lWIN7 \"C:\\tmp\" \"D:\\ISO\\X.iso\"", L"D:\\ISO\\X.iso",
                            &Reports::Callback, &reports, stopFlag);
  }

  // A script line that writes (part of) the ISO file, as the tool does while it builds.
  std::string WriteIso(const std::wstring& path = L"D:\\ISO\\X.iso") {
    return "printf 'CD001' > '" + machine_.Host(path) + "'\n";
  }
  bool IsoExists(const std::wstring& path = L"D:\\ISO\\X.iso") { return fs::exists(machine_.Host(path)); }

  test::TempMachine machine_;
  test::TempFolder folder_;
  std::string pidFile_;
  int scripts_ = 0;
  MakeISOFile* builder_ = MakeISOFile::Instance();
};

TEST_F(IsoBuilder, ReportsOnlyRisingValuesAndWaitsForTheToolToExit) {
  std::string marker = folder_.Path() + "/exited";
  InstallScript(
      "for p in '  3' '  3' ' 10' '  9' '100'; do printf '\\r%s%% complete' \"$p\"; sleep 0.2; done\n"
      "printf '\\n'; sleep 0.4; touch '" + marker + "'\n" + WriteIso());
  Reports reports;
  EXPECT_TRUE(Run(reports));
  EXPECT_EQ(reports.Values(), (std::vector<int>{3, 10, 100}));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::Completed);
  // The run ends only once the tool has finished writing and exited.
  EXPECT_TRUE(fs::exists(marker));
}

TEST_F(IsoBuilder, ReadsAFullBlockOfFourThousandBytes) {
  // 3987 filler bytes and " 42% complete" make one write of exactly 4000 bytes.
  InstallScript("head -c 3987 /dev/zero | tr '\\0' 'x' > '" + folder_.Path() + "/fill'\n" +
                "printf ' 42%% complete' >> '" + folder_.Path() + "/fill'\ncat '" + folder_.Path() + "/fill'\nsleep 0.2\n" +
                "printf '\\r100%% complete\\n'\n" + WriteIso());
  Reports reports;
  EXPECT_TRUE(Run(reports));
  EXPECT_EQ(reports.Values(), (std::vector<int>{42, 100}));
}

TEST_F(IsoBuilder, TheExitCodeJudgesTheEndNotTheLastReport) {
  // The last reports arrive together; the block's first one is 99 %. A good build all the same.
  InstallScript(WriteIso() + "printf '\\r 50%% complete'; sleep 0.2; printf '\\r 99%% complete\\r100%% complete\\n'\n");
  Reports together;
  EXPECT_TRUE(Run(together));
  EXPECT_EQ(together.Values(), (std::vector<int>{50, 99}));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::Completed);
  EXPECT_TRUE(IsoExists());
  fs::remove(machine_.Host(L"D:\\ISO\\X.iso"));

  // Exit code 0 without an ISO file is no image.
  InstallScript("printf '\\r100%% complete\\n'\n");
  Reports none;
  EXPECT_FALSE(Run(none));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::NoImage);
  EXPECT_NE(builder_->LastError().find(L"without writing D:\\ISO\\X.iso"), std::wstring::npos);
}

TEST_F(IsoBuilder, ToolEndingBadlyFailsTheRun) {
  // Each failure removes the part of the ISO file the run wrote.
  Reports early;
  InstallScript(WriteIso() + "printf '\\r 40%% complete\\n'; exit 1\n");
  EXPECT_FALSE(Run(early));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::ExitFailed);
  EXPECT_NE(builder_->LastError().find(L"ended at 40% and reported an error (exit code 1)"), std::wstring::npos);
  EXPECT_FALSE(IsoExists());

  Reports failing;
  InstallScript(WriteIso() + "printf '\\r100%% complete\\n'; exit 3\n");
  EXPECT_FALSE(Run(failing));
  EXPECT_EQ(failing.Values(), std::vector<int>{100});
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::ExitFailed);
  EXPECT_NE(builder_->LastError().find(L"exit code 3"), std::wstring::npos);
  EXPECT_FALSE(IsoExists());

  Reports silent;
  builder_->SetSilenceLimitMs(400);
  InstallScript(WriteIso() + "printf '\\r  5%% complete'; sleep 60\n");
  EXPECT_FALSE(Run(silent));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::Silent);
  EXPECT_TRUE(ProcessGone(pidFile_));
  EXPECT_FALSE(IsoExists());
}

TEST_F(IsoBuilder, RefusesWhatItCannotRun) {
  Reports reports;
  std::string marker = folder_.Path() + "/ran";
  InstallScript("touch '" + marker + "'\n");
  const std::wstring tooLong = QuotePath(kTool) + L" " + std::wstring(2048 - 3 - kTool.size(), L'a');  // 2048 units
  EXPECT_FALSE(builder_->Excute(tooLong, L"D:\\ISO\\X.iso", &Reports::Callback, &reports));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::CommandTooLong);
  EXPECT_FALSE(fs::exists(marker));

  fs::remove(machine_.Host(kTool));
  EXPECT_FALSE(Run(reports));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::StartFailed);
  EXPECT_TRUE(reports.Values().empty());
  auto lines = test::TraceLines();
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [](const std::string& line) {
                           return line.find("CreateProcess is fail") != std::string::npos &&
                                  line.find("(error 2)") != std::string::npos;
                         }),
            lines.end())
      << "the trace names the reason";
}

TEST_F(IsoBuilder, CancelReportsZeroAndEndsTheTool) {
  InstallScript(WriteIso() + "printf '\\r  5%% complete'; sleep 60; printf '\\r100%% complete'\n");
  Reports reports;
  std::thread canceller([&] {
    for (int i = 0; i < 500 && reports.Values().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    MakeISOFile::Instance()->Cancle();
  });
  EXPECT_TRUE(Run(reports));
  canceller.join();
  EXPECT_EQ(reports.Values(), (std::vector<int>{5, 0}));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::Cancelled);
  EXPECT_TRUE(ProcessGone(pidFile_));
  EXPECT_TRUE(IsoExists()) << "a cancelled build keeps what it wrote";
  fs::remove(machine_.Host(L"D:\\ISO\\X.iso"));

  // A stop requested before the run began still cancels it, and a Cancle between runs does not
  // spill into the next one.
  std::atomic<bool> stopped{true};
  Reports early;
  EXPECT_TRUE(Run(early, &stopped));
  EXPECT_EQ(early.Values(), std::vector<int>{0});
  builder_->Cancle();
  InstallScript("printf '\\r100%% complete\\n'\n" + WriteIso());
  Reports next;
  EXPECT_TRUE(Run(next));
  EXPECT_EQ(next.Values(), std::vector<int>{100});
}

// Runs the operation on a worker thread while this thread pumps the window's messages.
std::int32_t RunOnWorker(ISOOperation& op, const std::function<void()>& whileRunning = {}) {
  std::atomic<bool> done{false};
  std::int32_t result = -1;
  std::thread worker([&] {
    result = op.Excute();
    done = true;
  });
  if (whileRunning) whileRunning();
  platform::PumpMessagesUntil([&] { return done.load(); }, 20000);
  worker.join();
  platform::PumpPendingMessages();
  return result;
}

TEST_F(IsoBuilder, OperationPostsMakeIsoStatesAndStopsTheTool) {
  InstallScript("printf '\\r 20%% complete'; sleep 0.2; printf '\\r100%% complete\\n'\n" + WriteIso());
  test::RecordingWindow window;
  ISOOperation op(window.Handle(), MAKEISO, L"C:\\tmp\\", L"D:\\ISO", L"X", false);
  EXPECT_EQ(RunOnWorker(op), 1);
  EXPECT_EQ(window.events, (std::vector<std::string>{"state 17 20", "state 17 100"}));

  InstallScript("printf '\\r 30%% complete'; sleep 60\n");
  test::RecordingWindow cancelled;
  ISOOperation stopping(cancelled.Handle(), MAKEISO, L"C:\\tmp\\", L"D:\\ISO", L"X", false);
  EXPECT_EQ(RunOnWorker(stopping,
                        [&] {
                          platform::PumpMessagesUntil([&] { return !cancelled.events.empty(); }, 10000);
                          stopping.Stop();
                        }),
            1);
  EXPECT_TRUE(stopping.IsStop());
  EXPECT_EQ(cancelled.events, (std::vector<std::string>{"state 17 30", "state 17 0"}));
  EXPECT_TRUE(ProcessGone(pidFile_));
}

}  // namespace
