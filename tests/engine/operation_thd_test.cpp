#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "app/operation_state.h"
#include "engine/operation_thd.h"
#include "support/recording.h"
#include "support/temp_machine.h"

namespace {

using test::StepScript;

WIN7_OPERAT_INFO MakeRecord() {
  WIN7_OPERAT_INFO info;
  JobPaths paths{L"E:\\", L"C:\\U3", L"C:\\OS", L"C:\\out", L"C:\\tmp\\", false};
  JobRecordProblem problem;
  EXPECT_TRUE(FillJobRecord(paths, info, problem));
  return info;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A job of recording operations on a fresh machine, reported to a recording window.
class Worker : public ::testing::Test {
 protected:
  test::TempMachine machine;
  test::RecordingCatalogue catalogue;
  WIN7_OPERAT_INFO info = MakeRecord();
  test::RecordingWindow window;
};

TEST_F(Worker, SuccessPostsFinishBeforeTheReport) {
  catalogue.Journal().Script(16, StepScript{1, false, {{BACKUPOS, 40}, {BACKUPOK, 100}}});
  TOperationThd thread(true, &window, 1, &info);
  thread.Resume();
  ASSERT_TRUE(window.PumpUntilFinished());

  EXPECT_EQ(window.events, (std::vector<std::string>{"state 2 40", "state 3 100", "state 19 100", "finished 0"}));
  EXPECT_EQ(window.StateText(), L"Successfully update system image");
  EXPECT_TRUE(Has(test::TraceLines(), "[UpdateResult] finish_Success"));
}

TEST_F(Worker, FailedStepAppendsToTheLastStatusTextWithoutFinish) {
  catalogue.Journal().Script(8, StepScript{0, false, {{COPYTOUSB, 50}, {BACKUPFAIL, 100}}});
  TOperationThd thread(true, &window, 0, &info);
  thread.Resume();
  ASSERT_TRUE(window.PumpUntilFinished());

  EXPECT_EQ(window.events, (std::vector<std::string>{"state 5 50", "state 4 100", "finished 1"}));
  EXPECT_EQ(window.StateText(), L"state 4(Operation failed)");
  EXPECT_TRUE(Has(test::TraceLines(), "[UpdateResult] finish_Fail"));
}

class WorkerCancel : public Worker, public ::testing::WithParamInterface<std::int32_t> {};

// Cancel during a step: whether the step still succeeds (it ran to its end) or fails (a copy
// stopped in the middle of a file), the job is reported as cancelled and FINISH never comes.
TEST_P(WorkerCancel, CancelDuringAStepReportsCancelled) {
  catalogue.Journal().Script(9, StepScript{GetParam(), true, {{DISMMOUNT, 30}}});
  window.SetStateText(L"Mounting");
  TOperationThd thread(true, &window, 0, &info);
  thread.Resume();
  ASSERT_TRUE(catalogue.Journal().WaitFor("run 9"));
  thread.Cancel();
  ASSERT_TRUE(window.PumpUntilFinished());

  EXPECT_EQ(window.finishCodes, std::vector<std::int32_t>{2});
  EXPECT_FALSE(Has(window.events, "state 19 100"));
  EXPECT_EQ(thread.Result(), GetParam());
  EXPECT_TRUE(Has(test::TraceLines(), "[UpdateResult] Finish_UserCancel"));
  auto events = catalogue.Journal().Events();
  EXPECT_FALSE(Has(events, "run 7")) << "steps after a cancel never run";
  EXPECT_EQ(Has(events, "make 7"), GetParam() != 0);
}

INSTANTIATE_TEST_SUITE_P(StepResult, WorkerCancel, ::testing::Values(1, 0));

TEST_F(Worker, CancelAfterTheLastStepBeforeTheReportIsStillACancel) {
  TOperationThd thread(true, &window, 1, &info);
  thread.Resume();
  // The window thread is not pumping, so the report can't run before the cancel.
  ASSERT_TRUE(catalogue.Journal().WaitFor("make end"));
  thread.Cancel();
  ASSERT_TRUE(window.PumpUntilFinished());
  EXPECT_EQ(window.finishCodes, std::vector<std::int32_t>{2});
  EXPECT_EQ(thread.Result(), 1);
}

TEST_F(Worker, InvalidJobTypeIsReportedAsFailed) {
  TOperationThd thread(true, &window, 2, &info);
  thread.Resume();
  ASSERT_TRUE(window.PumpUntilFinished());
  EXPECT_EQ(window.finishCodes, std::vector<std::int32_t>{1});
  EXPECT_EQ(window.StateText(), L"(Operation failed)");
}

TEST_F(Worker, ThreadDestroyedBeforeBeingResumedRunsNothing) {
  { TOperationThd thread(true, &window, 0, &info); }
  platform::PumpPendingMessages();
  EXPECT_TRUE(catalogue.Journal().Events().empty());
  EXPECT_TRUE(window.events.empty());
}

TEST_F(Worker, DestroyedWhileTheReportIsPendingStillDeliversIt) {
  {
    TOperationThd thread(true, &window, 1, &info);
    thread.Resume();
    ASSERT_TRUE(catalogue.Journal().WaitFor("make end"));
  }  // the worker is waiting for the window thread, which is inside the destructor
  EXPECT_EQ(window.finishCodes, std::vector<std::int32_t>{0});
}

// Many jobs, each cancelled at a random moment: every one reports exactly one outcome and no
// job hangs. Under the thread sanitizer this also checks the flags and the operation hand-over.
TEST(WorkerStress, ManyJobsCancelledAtRandomMomentsEachReportOnce) {
  test::TempMachine machine;
  test::RecordingCatalogue catalogue;
  catalogue.Journal().Script(6, StepScript{1, false, {{BACKUPOS, 10}, {BACKUPOS, 90}}});
  catalogue.Journal().Script(3, StepScript{1, false, {{DISMMOUNT, 50}}});
  WIN7_OPERAT_INFO info = MakeRecord();
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> pause(0, 400);
  constexpr int kJobs = 300;
  int reports[3] = {0, 0, 0};
  for (int job = 0; job < kJobs; ++job) {
    test::RecordingWindow window;
    TOperationThd thread(true, &window, job % 2, &info);
    thread.Resume();
    std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
    thread.Cancel();
    ASSERT_TRUE(window.PumpUntilFinished()) << "job " << job << " hung";
    platform::PumpPendingMessages();
    ASSERT_EQ(window.finishCodes.size(), 1u) << "job " << job;
    ASSERT_EQ(window.finishCodes[0], 2) << "a cancelled job is reported as cancelled";
    ++reports[window.finishCodes[0]];
  }
  EXPECT_EQ(reports[2], kJobs);
}

}  // namespace
