// The ISO builder on Windows: the real pipe and CreateProcessW, against a stand-in program that
// prints oscdimg's progress lines with carriage returns.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/make_iso_file.h"
#include "support/progress_reports.h"
#include "platform/folders.h"

namespace {

using Reports = test::ProgressReports;

std::wstring StandIn(const std::wstring& arguments) {
  return L"\"" + platform::ExecutableFolder() + L"iso_standin.exe\" " + arguments;
}

class IsoBuilderOnWindows : public ::testing::Test {
 protected:
  void TearDown() override { MakeISOFile::Instance()->SetSilenceLimitMs(kIsoDefaultSilenceMs); }
  MakeISOFile* builder_ = MakeISOFile::Instance();
};

TEST_F(IsoBuilderOnWindows, ReportsRisingValuesFromThePipe) {
  Reports reports;
  EXPECT_TRUE(builder_->Excute(StandIn(L"3 3 10 9 100"), L"", &Reports::Callback, &reports));
  EXPECT_EQ(reports.Values(), (std::vector<int>{3, 10, 100}));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::Completed);

  Reports failing;
  EXPECT_FALSE(builder_->Excute(StandIn(L"--exit 2 50 100"), L"", &Reports::Callback, &failing));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::ExitFailed);

  // Exit code 0 without the ISO file is no image.
  Reports early;
  EXPECT_FALSE(builder_->Excute(StandIn(L"20 40"), L"C:\\no-such-folder\\X.iso", &Reports::Callback, &early));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::NoImage);
}

TEST_F(IsoBuilderOnWindows, CancelEndsTheProcess) {
  Reports reports;
  std::thread canceller([&] {
    for (int i = 0; i < 1000 && reports.Values().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    MakeISOFile::Instance()->Cancle();
  });
  EXPECT_TRUE(builder_->Excute(StandIn(L"--hang 25"), L"", &Reports::Callback, &reports));
  canceller.join();
  EXPECT_EQ(reports.Values(), (std::vector<int>{25, 0}));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::Cancelled);
}

TEST_F(IsoBuilderOnWindows, MissingToolFailsTheStep) {
  Reports reports;
  const std::wstring missing = L"\"" + platform::ExecutableFolder() + L"Oscdimg_x86\\Oscdimg\\oscdimg.exe\" -lWIN7";
  EXPECT_FALSE(builder_->Excute(missing, L"", &Reports::Callback, &reports));
  EXPECT_EQ(builder_->LastOutcome(), MakeISOFile::Outcome::StartFailed);
  EXPECT_TRUE(reports.Values().empty());
}

}  // namespace
