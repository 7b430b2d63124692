#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "app/trace_log.h"
#include "engine/job_record.h"
#include "engine/win7_ins_creator.h"
#include "support/recording.h"
#include "support/temp_machine.h"

namespace {

using test::StepScript;

std::vector<std::string> Only(const std::vector<std::string>& events, const std::string& prefix) {
  std::vector<std::string> out;
  for (const auto& e : events)
    if (e.rfind(prefix, 0) == 0) out.push_back(e);
  return out;
}

long IndexOf(const std::vector<std::string>& lines, const std::string& line) {
  auto it = std::find(lines.begin(), lines.end(), line);
  return it == lines.end() ? -1 : static_cast<long>(it - lines.begin());
}

WIN7_OPERAT_INFO MakeRecord() {
  WIN7_OPERAT_INFO info;
  JobPaths paths{L"E:\\", L"C:\\ProgramData\\Qarvel\\DraventaWin\\U3", L"C:\\Program Files\\Draventa\\OS",
                       L"F:\\", L"C:\\ProgramData\\Qarvel\\DraventaWin\\QarvelToolTmp\\", true};
  JobRecordProblem problem;
  EXPECT_TRUE(FillJobRecord(paths, info, problem));
  return info;
}

struct JobCase {
  std::int32_t type;
  std::vector<std::string> runs;
  bool checkFiles = false;  // the record asks for the check of every file after writing
};

class RunnerJobTypes : public ::testing::TestWithParam<JobCase> {};

TEST_P(RunnerJobTypes, RunsEveryStepInOrderAndCreatesTheEndMarkerWithoutRunningIt) {
  test::TempMachine machine;
  machine.Builder().Optical('E', L"GRMCULFRER_EN_DVD");
  machine.Apply();
  test::RecordingCatalogue catalogue;
  WIN7_OPERAT_INFO info = MakeRecord();
  info.bCheckUsbFiles = GetParam().checkFiles;
  const auto steps = GetParam().runs.size();
  EXPECT_EQ(Win7InsCreator::GetStepCount(GetParam().type, &info), static_cast<std::int32_t>(steps));

  {
    Win7InsCreator runner(0x1234, GetParam().type, &info);
    EXPECT_EQ(runner.Excute(), 1);
  }
  auto events = catalogue.Journal().Events();
  EXPECT_EQ(Only(events, "run "), GetParam().runs);
  EXPECT_EQ(Only(events, "make").back(), "make end");
  EXPECT_EQ(Only(events, "make").size(), steps + 1);

  auto lines = test::TraceLines();
  for (int i = 0; i < static_cast<int>(steps); ++i) {
    long at = IndexOf(lines, "[Win7InsCreator::Excute] State: " + std::to_string(i));
    ASSERT_EQ(at, i) << "step index lines come first, in order";
  }
  EXPECT_NE(IndexOf(lines, "CompleteOperation create"), -1);
  EXPECT_EQ(IndexOf(lines, "CompleteOperation Excute"), -1);

  // Every operation gets the window, the runner's scratch copy and the disc's label.
  for (const auto& context : catalogue.Journal().Contexts()) {
    EXPECT_EQ(context.hWnd, 0x1234u);
    EXPECT_EQ(context.info, &info);
    EXPECT_EQ(context.tmpPath, L"C:\\ProgramData\\Qarvel\\DraventaWin\\QarvelToolTmp\\");
    EXPECT_EQ(context.sourceLabel, L"GRMCULFRER_EN_DVD");
  }
}

INSTANTIATE_TEST_SUITE_P(BothTypes, RunnerJobTypes,
                         ::testing::Values(JobCase{0, {"run 5", "run 8", "run 9", "run 7"}},
                                           JobCase{1, {"run 6", "run 3", "run 16", "run 4"}},
                                           // The check is a USB job's last step, and only when asked for.
                                           JobCase{0, {"run 5", "run 8", "run 9", "run 7", "run 17"}, true},
                                           JobCase{1, {"run 6", "run 3", "run 16", "run 4"}, true}));

TEST(Runner, StepTablesAndFormatStep) {
  EXPECT_EQ(Win7InsCreator::JobTypeCount(), 2);
  EXPECT_EQ(Win7InsCreator::GetStepCount(0), 4);
  EXPECT_EQ(Win7InsCreator::GetStepCount(1), 4);
  EXPECT_EQ(Win7InsCreator::GetStepCount(2), 0);
  EXPECT_EQ(Win7InsCreator::GetStepCount(-1), 0);
  EXPECT_TRUE(Win7InsCreator::HasFormatStep(0));
  EXPECT_FALSE(Win7InsCreator::HasFormatStep(1));
}

TEST(Runner, SourceWithoutLabelOrWithoutMediaGivesAnEmptyLabel) {
  for (bool media : {true, false}) {
    test::TempMachine machine;
    machine.Builder().Optical('E', L"", media);
    machine.Apply();
    test::RecordingCatalogue catalogue;
    WIN7_OPERAT_INFO info = MakeRecord();
    Win7InsCreator runner(1, 1, &info);
    EXPECT_EQ(runner.Excute(), 1);
    for (const auto& context : catalogue.Journal().Contexts()) EXPECT_EQ(context.sourceLabel, L"");
    // An empty drive has no label to read: the trace says why (ERROR_NOT_READY).
    auto lines = test::TraceLines();
    bool traced = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("[Win7InsCreator::SourceLabel] GetVolumeInformationW failed: E:\\ (error 21)") != std::string::npos;
    });
    EXPECT_EQ(traced, !media);
  }
}

TEST(Runner, InvalidJobTypeReturnsZeroWithoutTraceOrOperation) {
  test::TempMachine machine;
  test::RecordingCatalogue catalogue;
  WIN7_OPERAT_INFO info = MakeRecord();
  for (std::int32_t type : {2, -1, 1000}) {
    Win7InsCreator runner(1, type, &info);
    EXPECT_EQ(runner.Excute(), 0);
  }
  EXPECT_TRUE(catalogue.Journal().Events().empty());
  EXPECT_TRUE(app::TraceLogPath().empty()) << "no line was written";
}

TEST(Runner, FailingSecondStepEndsTheJobAndKeepsTheFailedOperation) {
  test::TempMachine machine;
  test::RecordingCatalogue catalogue;
  catalogue.Journal().Script(8, StepScript{0});
  WIN7_OPERAT_INFO info = MakeRecord();
  {
    Win7InsCreator runner(1, 0, &info);
    EXPECT_EQ(runner.Excute(), 0);
    auto events = catalogue.Journal().Events();
    EXPECT_EQ(events, (std::vector<std::string>{"make 5", "run 5", "destroy 5", "make 8", "run 8"}));
  }
  EXPECT_EQ(catalogue.Journal().Events().back(), "destroy 8");
}

class RunnerStop : public ::testing::TestWithParam<std::int32_t> {};

// Stop during step two: the step ends its own way. When it still succeeds, the remaining steps
// and the end marker are created without running; when it fails, the job ends at once.
TEST_P(RunnerStop, StopDuringSecondStep) {
  const std::int32_t stepResult = GetParam();
  test::TempMachine machine;
  test::RecordingCatalogue catalogue;
  catalogue.Journal().Script(3, StepScript{stepResult, true, {}});
  WIN7_OPERAT_INFO info = MakeRecord();
  Win7InsCreator runner(1, 1, &info);
  std::int32_t result = -1;
  std::thread worker([&] { result = runner.Excute(); });
  ASSERT_TRUE(catalogue.Journal().WaitFor("run 3"));
  runner.Stop();
  worker.join();

  auto events = catalogue.Journal().Events();
  EXPECT_EQ(Only(events, "run "), (std::vector<std::string>{"run 6", "run 3"}));
  EXPECT_EQ(Only(events, "stop "), (std::vector<std::string>{"stop 3"}));
  if (stepResult) {
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Only(events, "make"),
              (std::vector<std::string>{"make 6", "make 3", "make 16", "make 4", "make end"}));
  } else {
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Only(events, "make"), (std::vector<std::string>{"make 6", "make 3"}));
  }
}

INSTANTIATE_TEST_SUITE_P(StepResult, RunnerStop, ::testing::Values(1, 0));

TEST(Runner, StopBeforeTheJobStartsIsKept) {
  test::TempMachine machine;
  test::RecordingCatalogue catalogue;
  WIN7_OPERAT_INFO info = MakeRecord();
  Win7InsCreator runner(1, 0, &info);
  runner.Stop();
  EXPECT_EQ(runner.Excute(), 1);
  EXPECT_TRUE(Only(catalogue.Journal().Events(), "run ").empty()) << "nothing may run, least of all the format";
}

TEST(JobRecord, PathsOfUpTo259UnitsFitLongerOnesAreRefusedWithATraceLine) {
  test::TempMachine machine;
  WIN7_OPERAT_INFO info;
  JobRecordProblem problem;
  JobPaths paths{L"E:\\", L"D", L"O", std::wstring(259, L'x'), L"T", false};
  ASSERT_TRUE(FillJobRecord(paths, info, problem));
  EXPECT_EQ(std::wstring(info.szTagPath), std::wstring(259, L'x'));

  WIN7_OPERAT_INFO untouched;
  paths.tagPath = L"C:\\out";
  paths.tmpPath = L"C:\\" + std::wstring(257, L'y');  // 260 units
  EXPECT_FALSE(FillJobRecord(paths, untouched, problem));
  EXPECT_EQ(problem.field, L"szTmpPath");
  EXPECT_EQ(problem.length, 260u);
  EXPECT_NE(problem.message.find(L"too long"), std::wstring::npos);
  EXPECT_EQ(untouched.szSourcePath[0], L'\0');
  EXPECT_NE(IndexOf(test::TraceLines(), "[FillJobRecord] szTmpPath refused: 260 characters"), -1);

  // A character beyond U+FFFF takes two units, as it does in the Windows record.
  paths.tmpPath = std::wstring(130, static_cast<wchar_t>(0x1F600));
  EXPECT_FALSE(FillJobRecord(paths, untouched, problem));
}

TEST(JobRecord, AnIsoJobWithoutAScratchFolderIsRefusedAUsbJobIsNot) {
  test::TempMachine machine;
  JobRecordProblem problem;
  JobPaths paths{L"E:\\", L"D", L"O", L"F:\\", L"", false};
  EXPECT_TRUE(CheckScratchFolder(0, paths, problem));
  EXPECT_FALSE(CheckScratchFolder(1, paths, problem));
  EXPECT_EQ(problem.field, L"szTmpPath");
  EXPECT_NE(problem.message.find(L"free space"), std::wstring::npos);
  EXPECT_NE(IndexOf(test::TraceLines(), "[CheckScratchFolder] no drive has room for the scratch folder"), -1);
  paths.tmpPath = L"C:\\ProgramData\\Qarvel\\DraventaWin\\QarvelToolTmp\\";
  EXPECT_TRUE(CheckScratchFolder(1, paths, problem));
}

TEST(JobRecord, RunnerRefusesARecordWhosePathIsNotTerminated) {
  test::TempMachine machine;
  test::RecordingCatalogue catalogue;
  WIN7_OPERAT_INFO info = MakeRecord();
  std::fill(std::begin(info.szTagPath), std::end(info.szTagPath), L'x');
  Win7InsCreator runner(1, 0, &info);
  EXPECT_EQ(runner.Excute(), 0);
  EXPECT_TRUE(catalogue.Journal().Events().empty());
}

TEST(JobRecord, TraceWritesEveryFieldThenTheJobType) {
  test::TempMachine machine;
  WIN7_OPERAT_INFO info = MakeRecord();
  TraceJobRecord(info, 1);
  auto lines = test::TraceLines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "WIN7_OPERAT_INFO:szSourcePath: E:\\");
  EXPECT_EQ(lines[3], "WIN7_OPERAT_INFO:szTagPath: F:\\");
  EXPECT_EQ(lines[5], "WIN7_OPERAT_INFO:bIs64bitDVD: 1");
  EXPECT_EQ(lines[6], "WIN7_OPERAT_INFO:m_DlgType: 1");
}

}  // namespace
