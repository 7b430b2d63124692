#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "ui/program.h"
#include "app/trace_log.h"
#include "platform/files.h"
#include "platform/clock.h"
#include "sim/probes/main_window_probe.h"
#include "platform/main_window.h"
#include "platform/sync.h"
#include "support/temp_machine.h"

namespace {

// Start-up writes the payload and builds three windows: generous under the sanitizers on a busy
// machine.
bool WaitUntil(const std::function<bool()>& condition) {
  for (int i = 0; i < 6000 && !condition(); ++i) platform::SleepMilliseconds(10);
  return condition();
}

TEST(Program, SecondInstanceLeavesAtOnceWhileTheFirstRuns) {
  test::TempMachine machine;
  // The translation wrapper binds at its first lookup, which the mode window makes.
  ASSERT_TRUE(machine.Builder().InstallProgramFiles(DRAVENTA_PROGRAM_FILES));
  int firstExit = -1;
  std::thread first([&] { firstExit = ui::RunProgram(); });
  // However the checks below end, the first instance is closed and waited for.
  struct Closer {
    std::thread& thread;
    ~Closer() {
      if (!thread.joinable()) return;
      WaitUntil([] { return platform::host::OpenMainWindow() != 0; });
      platform::CloseMainWindow(platform::host::OpenMainWindow());
      thread.join();
    }
  } closer{first};
  // The mode window has been built once its Next button is made.
  ASSERT_TRUE(WaitUntil([] {
    platform::Result<std::vector<std::uint8_t>> log = platform::ReadWholeFile(app::TraceLogPath());
    return log && std::string(log->begin(), log->end()).find("[TdlgFirst::FormCreate]") != std::string::npos;
  })) << "the first instance has its windows";
  ASSERT_NE(platform::host::OpenMainWindow(), 0);
  EXPECT_TRUE(platform::NamedMutexExists(ui::kInstanceMutexName));
  EXPECT_TRUE(std::filesystem::is_directory(machine.Host(L"C:\\ProgramData\\Qarvel\\DraventaWin\\U3")))
      << "the driver payload is written before the first window";

  std::filesystem::remove_all(machine.Host(L"C:\\ProgramData\\Qarvel\\DraventaWin\\U3"));
  EXPECT_EQ(ui::RunProgram(), 0);
  EXPECT_FALSE(std::filesystem::exists(machine.Host(L"C:\\ProgramData\\Qarvel\\DraventaWin\\U3")))
      << "the second instance starts nothing";

  ASSERT_TRUE(platform::CloseMainWindow(platform::host::OpenMainWindow()));
  first.join();
  EXPECT_EQ(firstExit, 0);
  EXPECT_FALSE(platform::NamedMutexExists(ui::kInstanceMutexName)) << "the mutex ends with the instance";
}

}  // namespace
