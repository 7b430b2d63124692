#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <future>
#include <thread>

#include "copy_test_support.h"
#include "disk/volume_utils.h"
#include "engine/operation_catalog.h"
#include "platform/files.h"
#include "sim/probes/post_observer.h"
#include "servicing/copy_engine.h"
#include "servicing/copy_operation.h"

namespace fs = std::filesystem;
using copytest::Post;

namespace {

class CopyOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    disc_ = machine_.Builder().Optical('E', L"DISC");
    usb_ = machine_.Builder().UsbStick('F', 2, 1ull << 30);
    machine_.Apply();
  }

  // Runs the operation on a worker thread while this thread pumps the recorder's messages.
  std::int32_t RunOnWorker(CopyOperation& op) {
    auto result = std::async(std::launch::async, [&] { return op.Excute(); });
    platform::PumpMessagesUntil([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                                platform::kWaitForeverMs);
    return result.get();
  }

  std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder))
      names.push_back(fs::relative(e.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempMachine machine_;
  copytest::StateRecorder recorder_;
  std::string disc_, usb_;
};

TEST_F(CopyOperationTest, EmptyFilePostsNothingAndTheRestIsAShareOfAllBytes) {
  test::WriteHostFile(disc_ + "/empty.txt", "");
  test::WriteHostFile(disc_ + "/sub/ten.txt", "0123456789");
  CopyOperation op(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  ASSERT_EQ(op.Excute(), 1);
  EXPECT_EQ(recorder_.Posts(), (std::vector<Post>{{COPYTOUSB, 0}, {COPYTOUSB, 100}, {BACKUPOK, 100}}));
  EXPECT_EQ(test::ReadHostFile(usb_ + "/sub/ten.txt"), "0123456789");
  EXPECT_TRUE(fs::exists(usb_ + "/empty.txt"));
  EXPECT_EQ(op.State(), BACKUPOK);
  std::string trace = copytest::TraceText();
  EXPECT_NE(trace.find("[CopyOperation:: m_TotalFileSize]10\r\n"), std::string::npos);
  EXPECT_NE(trace.find("[CopyOperation:: Excute] BACKUPOK"), std::string::npos);
}

TEST_F(CopyOperationTest, PercentRisesAcrossFilesToOneHundred) {
  for (int i = 0; i < 4; ++i) test::WriteHostFile(disc_ + "/f" + std::to_string(i), std::string(3 << 19, 'p'));
  CopyOperation op(recorder_.Window(), BACKUPOS, L"E:\\", L"F:\\");
  ASSERT_EQ(op.Excute(), 1);
  auto posts = recorder_.Posts();
  ASSERT_EQ(posts.size(), 4u * 3 + 1);  // per file: stream switch and two chunks
  for (std::size_t i = 1; i + 1 < posts.size(); ++i) {
    EXPECT_EQ(posts[i].first, static_cast<std::uintptr_t>(BACKUPOS));
    EXPECT_GE(posts[i].second, posts[i - 1].second);
  }
  EXPECT_EQ(posts[1].second, 16);  // 1 MiB of 6 MiB
  EXPECT_EQ(posts[posts.size() - 2], (Post{BACKUPOS, 100}));
}

TEST_F(CopyOperationTest, AutorunArrivesUnderItsOwnNameAtAnyDepth) {
  test::WriteHostFile(disc_ + "/AutoRun.inf", "[AutoRun]\r\n");
  test::WriteHostFile(disc_ + "/a/b/autorun.INF", "[deep]\r\n");
  test::WriteHostFile(disc_ + "/x/AUTORUN.INF", "[taken]\r\n");
  test::WriteHostFile(usb_ + "/x/autorun.inf", "already there");
  CopyOperation op(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  ASSERT_EQ(op.Excute(), 1);
  EXPECT_EQ(test::ReadHostFile(usb_ + "/AutoRun.inf"), "[AutoRun]\r\n");
  EXPECT_EQ(test::ReadHostFile(usb_ + "/a/b/autorun.INF"), "[deep]\r\n");
  // Something in the way: the copy stays under its working name and the run goes on.
  EXPECT_EQ(test::ReadHostFile(usb_ + "/x/autorun.inf"), "already there");
  EXPECT_EQ(test::ReadHostFile(usb_ + "/x/AUTORUN.INFTOINI"), "[taken]\r\n");
  EXPECT_EQ(Listing(usb_), (std::vector<std::string>{"AutoRun.inf", "a", "a/b", "a/b/autorun.INF", "x",
                                                     "x/AUTORUN.INFTOINI", "x/autorun.inf"}));
  EXPECT_NE(copytest::TraceText().find("the copy stays under F:\\x\\AUTORUN.INFTOINI"), std::string::npos);
}

TEST_F(CopyOperationTest, StopInsideAFileCancelsItAndEmptiesTheTarget) {
  test::WriteHostFile(disc_ + "/small.txt", "small");
  test::WriteHostFile(disc_ + "/sources/install.wim", std::string(64 << 20, 'w'));
  CopyOperation op(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  // Asked for on the worker as a report from inside the big file is posted, so the stop always
  // lands while that file is being copied.
  platform::host::SetPostObserver([&](platform::WindowHandle, std::uint32_t, std::uintptr_t state, std::intptr_t percent) {
    if (state == COPYTOUSB && percent > 0 && percent < 50) op.Stop();
  });
  std::int32_t result = RunOnWorker(op);
  platform::host::SetPostObserver(nullptr);
  EXPECT_EQ(result, 0);
  auto posts = recorder_.Posts();
  ASSERT_GE(posts.size(), 2u);
  EXPECT_EQ(std::count(posts.begin(), posts.end(), Post{USERCANCEL, 0}), 1);
  EXPECT_EQ(posts[posts.size() - 2], (Post{USERCANCEL, 0}));
  EXPECT_EQ(posts.back(), (Post{BACKUPFAIL, 100}));
  EXPECT_TRUE(fs::is_empty(usb_));
  EXPECT_TRUE(op.IsStop());
}

TEST_F(CopyOperationTest, StopBetweenFilesEmptiesTheTargetAndSucceeds) {
  // One file with content and many empty ones. The stop is asked for on the worker itself, as
  // the file's last progress report is posted, so it lands after that file and before the next.
  test::WriteHostFile(disc_ + "/setup.exe", "MZ");
  for (int i = 0; i < 300; ++i) test::WriteHostFile(disc_ + "/d" + std::to_string(i % 10) + "/e" + std::to_string(i), "");
  CopyOperation op(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  platform::host::SetPostObserver([&](platform::WindowHandle, std::uint32_t, std::uintptr_t state, std::intptr_t percent) {
    if (state == COPYTOUSB && percent == 100) op.Stop();
  });
  std::int32_t result = RunOnWorker(op);
  platform::host::SetPostObserver(nullptr);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(recorder_.Posts(), (std::vector<Post>{{COPYTOUSB, 0}, {COPYTOUSB, 100}}));
  EXPECT_TRUE(fs::is_empty(usb_));
  std::string trace = copytest::TraceText();
  EXPECT_NE(trace.find("[OnCopyfileCallback::false]!IsStop"), std::string::npos);
  EXPECT_NE(trace.find("[CopyOperation:: Excute] IsStop"), std::string::npos);
}

TEST_F(CopyOperationTest, FailureDeepInASubFolderEndsTheWholeWalk) {
  for (int i = 0; i < 10; ++i) test::WriteHostFile(disc_ + "/top" + std::to_string(i) + ".txt", std::string(50, 't'));
  test::WriteHostFile(disc_ + "/sources/a/b/c/deep.bin", std::string((1 << 20) + 1, 'd'));
  // Whatever the walk order, the byte count is crossed inside the deep file.
  machine_.Builder().Fault("copy.failAfterBytes", std::to_string(500 + (1 << 19)));
  machine_.Apply();
  std::wstring target = L"F:\\stage";
  fs::create_directories(usb_ + "/stage");
  CopyOperation op(recorder_.Window(), BACKUPOS, L"E:\\", target);
  EXPECT_EQ(op.Excute(), 0);
  EXPECT_EQ(recorder_.Posts().back(), (Post{BACKUPFAIL, 100}));
  EXPECT_EQ(op.State(), BACKUPFAIL);
  EXPECT_TRUE(fs::is_directory(usb_ + "/stage"));
  EXPECT_TRUE(fs::is_empty(usb_ + "/stage"));
  std::string trace = copytest::TraceText();
  EXPECT_NE(trace.find("deep.bin"), std::string::npos);
  EXPECT_NE(trace.find("[CopyOperation:: Excute] BACKUPFAIL"), std::string::npos);
}

TEST_F(CopyOperationTest, StopBeforeTheCopyStartsIsKeptAndNothingIsCopied) {
  test::WriteHostFile(disc_ + "/setup.exe", "MZ");
  // A stop left in the engine by an earlier copy does not stop the next one.
  COptFile::Instance()->Stop();
  CopyOperation first(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  EXPECT_EQ(first.Excute(), 1);
  EXPECT_EQ(recorder_.Posts().back(), (Post{BACKUPOK, 100}));
  fs::remove(usb_ + "/setup.exe");

  // A stop asked for after the operation was made and before it runs is the job's cancel.
  CopyOperation op(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  std::size_t posted = recorder_.Posts().size();
  op.Stop();
  EXPECT_EQ(op.Excute(), 1);
  EXPECT_TRUE(op.IsStop());
  EXPECT_EQ(recorder_.Posts().size(), posted) << "a copy that never began reports nothing";
  EXPECT_FALSE(fs::exists(usb_ + "/setup.exe"));
  EXPECT_NE(copytest::TraceText().find("[CopyOperation:: Excute] IsStop"), std::string::npos);
}

TEST_F(CopyOperationTest, MissingPathsAreHandled) {

  // The "OS" folder is optional: a missing source copies nothing and succeeds.
  CopyOperation missingSource(recorder_.Window(), COPYIMGDRIVER, L"C:\\Program Files\\Draventa\\OS", L"F:\\");
  EXPECT_EQ(missingSource.Excute(), 1);
  EXPECT_EQ(recorder_.Posts().back(), (Post{BACKUPOK, 100}));

  std::size_t before = recorder_.Posts().size();
  CopyOperation missingTarget(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\nowhere");
  EXPECT_EQ(missingTarget.Excute(), 0);
  EXPECT_EQ(recorder_.Posts().size(), before);
  EXPECT_NE(copytest::TraceText().find("[CopyOperation:: m_TagPath] is not exist"), std::string::npos);
}

TEST_F(CopyOperationTest, ALaterCopyReplacesReadOnlyFilesFromTheDisc) {
  test::WriteHostFile(disc_ + "/setup.exe", "disc setup");
  test::WriteHostFile(disc_ + "/sources/ei.cfg", "disc cfg");
  fs::path os = machine_.Host(L"C:\\Draventa\\OS");
  test::WriteHostFile((os / "setup.exe").string(), "OS setup");
  test::WriteHostFile((os / "sources/ei.cfg").string(), "OS cfg");
  // Files on a disc are read-only, and their copies keep that.
  ASSERT_TRUE(platform::SetAttributes(L"E:\\setup.exe", platform::kAttrReadOnly));
  ASSERT_TRUE(platform::SetAttributes(L"E:\\sources\\ei.cfg", platform::kAttrReadOnly));

  CopyOperation disc(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  ASSERT_EQ(disc.Excute(), 1);
  ASSERT_NE(platform::GetAttributes(L"F:\\setup.exe").value() & platform::kAttrReadOnly, 0u);
  CopyOperation overlay(recorder_.Window(), COPYIMGDRIVER, L"C:\\Draventa\\OS", L"F:\\");
  EXPECT_EQ(overlay.Excute(), 1);
  EXPECT_EQ(recorder_.Posts().back(), (Post{BACKUPOK, 100}));
  EXPECT_EQ(test::ReadHostFile(usb_ + "/setup.exe"), "OS setup");
  EXPECT_EQ(test::ReadHostFile(usb_ + "/sources/ei.cfg"), "OS cfg");
}

TEST_F(CopyOperationTest, AFolderThatCantBeListedOrMadeFailsTheCopyWithItsReason) {
  test::WriteHostFile(disc_ + "/setup.exe", "MZ");
  test::WriteHostFile(disc_ + "/sources/boot.wim", "WIM");
  test::WriteHostFile(disc_ + "/zz/last.txt", "last");

  // A folder of the disc that can't be listed: the copy fails, names it, and empties the target.
  machine_.Builder().Fault("files.listFail", "E:\\SOURCES");
  machine_.Apply();
  CopyOperation unlisted(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  EXPECT_EQ(unlisted.Excute(), 0);
  EXPECT_EQ(recorder_.Posts().back(), (Post{BACKUPFAIL, 100}));
  EXPECT_TRUE(fs::is_empty(usb_));
  EXPECT_NE(copytest::TraceText().find("FindFirstFileW/FindNextFileW failed: E:\\sources\\ (error 5)"),
            std::string::npos);

  // The disc gone from the drive: its root can't be listed, which is no "missing OS folder".
  machine_.Builder().Description().faults.clear();
  machine_.Builder().Description().FindDrive('E')->media = false;
  machine_.Apply();
  CopyOperation noDisc(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  EXPECT_EQ(noDisc.Excute(), 0);

  // A file standing where a folder of the disc must go: the folder can't be made.
  machine_.Builder().Description().FindDrive('E')->media = true;
  machine_.Apply();
  test::WriteHostFile(usb_ + "/stage/sources", "in the way");
  CopyOperation blocked(recorder_.Window(), BACKUPOS, L"E:\\", L"F:\\stage");
  EXPECT_EQ(blocked.Excute(), 0);
  EXPECT_NE(copytest::TraceText().find("CreateDirectoryW failed: F:\\stage\\sources (error 183)"),
            std::string::npos);
  EXPECT_TRUE(fs::is_empty(usb_ + "/stage"));
}

TEST_F(CopyOperationTest, CatalogueMakesTheCopyStepsWithTheirStatesAndPaths) {
  WIN7_OPERAT_INFO info;
  std::wcscpy(info.szSourcePath, L"E:\\");
  std::wcscpy(info.szImgDriverPath, L"C:\\Program Files\\Draventa\\OS");
  std::wcscpy(info.szTagPath, L"F:\\");
  OperationContext context{recorder_.Window(), &info, L"C:\\tmp\\", L""};
  struct Step {
    int code, state;
    std::string source, target;
  };
  const Step steps[] = {{2, COPYTOUSB, "C:\\tmp\\", "F:\\"},
                        {6, BACKUPOS, "E:\\", "C:\\tmp\\"},
                        {7, COPYIMGDRIVER, "C:\\Program Files\\Draventa\\OS", "F:\\"},
                        {8, COPYTOUSB, "E:\\", "F:\\"},
                        {16, BACKUPOS, "C:\\Program Files\\Draventa\\OS", "C:\\tmp\\"}};
  for (const auto& step : steps) {
    app::ResetTraceLogPath();
    test::WriteHostFile(machine_.Host(L"C:\\ProgramData\\Qarvel\\DraventaWin\\XHCItrace.log"), "");
    auto op = MakeOperation(step.code, context);
    ASSERT_NE(dynamic_cast<CopyOperation*>(op.get()), nullptr) << step.code;
    EXPECT_EQ(op->State(), step.state) << step.code;
    std::string trace = copytest::TraceText();
    EXPECT_NE(trace.find("[CopyOperation:: m_SourcePath]" + step.source + "\r\n"), std::string::npos) << step.code;
    EXPECT_NE(trace.find("[CopyOperation:: m_TagPath]" + step.target + "\r\n"), std::string::npos) << step.code;
  }
}

}  // namespace

namespace {

TEST_F(CopyOperationTest, TheSimulatedDiscsLabelFileIsNotPartOfTheDisc) {
  test::WriteHostFile(disc_ + "/.windows-label", "DISC\n");
  test::WriteHostFile(disc_ + "/setup.exe", "MZ");
  CopyOperation op(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  ASSERT_EQ(op.Excute(), 1);
  EXPECT_EQ(Listing(usb_), (std::vector<std::string>{"setup.exe"}));
  EXPECT_EQ(GetFolderSize(L"E:\\", true), 2u);
}

}  // namespace
