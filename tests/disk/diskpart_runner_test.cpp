// The diskpart runner on the host: the script file, its private folder, exit codes and the bound
// on how long diskpart may run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "diskpart_test_support.h"
#include "disk/process_runner.h"

namespace fs = std::filesystem;

namespace {

class DiskpartRunner : public ::testing::Test {
 protected:
  void SetUp() override {
    usbtest::ResetDiskpartRunner();
    machine_.Builder().UsbStick('F', 2, 1ull << 30);
  }
  void TearDown() override { usbtest::ResetDiskpartRunner(); }

  void Apply() {
    machine_.Apply();
    app::ResetTraceLogPath();
  }

  test::TempMachine machine_;
};

TEST_F(DiskpartRunner, WritesTheScriptByteForByteInAPrivateFolderAndRunsDiskpartOnIt) {
  REQUIRE_DISKPART(machine_);
  Apply();
  DiskpartScript& runner = DiskpartScript::Instance();
  ASSERT_TRUE(runner.CreateScriptFile());
  std::wstring path = runner.ScriptPath();

  // A new folder of its own under the program data folder, that only the program can write to.
  std::wstring dataFolder = L"C:\\ProgramData\\Qarvel\\DraventaWin\\";
  ASSERT_EQ(path.rfind(dataFolder, 0), 0u) << platform::host::ToUtf8(path);
  std::wstring folder = path.substr(0, path.rfind(L'\\') + 1);
  EXPECT_NE(folder, dataFolder);
  EXPECT_TRUE(path.ends_with(L".TMP"));
  std::string hostFolder = machine_.Host(folder);
  EXPECT_EQ(fs::status(hostFolder).permissions() & fs::perms::all, fs::perms::owner_all);

  const std::string script = "sel disk 2\r\nsel par 1\r\nexit\r\n";
  ASSERT_TRUE(runner.RunScript(script));
  std::string written = test::ReadHostFile(machine_.Host(path));
  EXPECT_EQ(written, script);  // same length: no terminator, no byte-order mark

  usbtest::DiskpartLog log = usbtest::ReadDiskpartLog(machine_);
  ASSERT_EQ(log.runs, 1);
  EXPECT_EQ(platform::host::FromUtf8(log.scripts[0]), path);
  ASSERT_EQ(log.statements.size(), 3u);
  EXPECT_EQ(log.statements[2].disk, 2);
  EXPECT_EQ(log.statements[2].partition, 1);

  // A second script overwrites the first in the same file.
  ASSERT_TRUE(runner.CreateScriptFile());
  EXPECT_EQ(runner.ScriptPath(), path);
  ASSERT_TRUE(runner.RunScript("exit\r\n"));
  EXPECT_EQ(test::ReadHostFile(machine_.Host(path)), "exit\r\n");

  EXPECT_TRUE(runner.DeleteScriptFile());
  EXPECT_FALSE(fs::exists(hostFolder));
  EXPECT_TRUE(runner.ScriptPath().empty());
  EXPECT_FALSE(runner.RunScript("exit\r\n")) << "no script file: nothing may run";
  EXPECT_EQ(usbtest::ReadDiskpartLog(machine_).runs, 2);
}

TEST_F(DiskpartRunner, AnExitCodeOtherThanZeroFailsTheScript) {
  REQUIRE_DISKPART(machine_);
  machine_.Builder().Fault("diskpart.failOn", "select");
  machine_.Builder().Fault("diskpart.failCode", "1");
  Apply();
  ASSERT_TRUE(DiskpartScript::Instance().CreateScriptFile());
  EXPECT_FALSE(DiskpartScript::Instance().RunScript("sel disk 2\r\nexit\r\n"));
  EXPECT_NE(usbtest::TraceText().find("[DiskpartScript::RunScript] diskpart exit code: 1"), std::string::npos);
}

// A diskpart that never ends is ended at the limit, or at once when the job's cancel flag is set
// (without it the user would wait out the ten minutes); a flag set before the run starts nothing.
TEST_F(DiskpartRunner, ADiskpartThatNeverEndsIsEndedAtTheLimitOrAtACancelAndFails) {
  REQUIRE_DISKPART(machine_);
  machine_.Builder().Fault("diskpart.hangOn", "format");
  Apply();
  test::WriteHostFile(machine_.Builder().HostFolderOf('F') + "/keep.txt", "data");
  struct Case {
    const char* name;
    std::uint32_t limitMs;
    int cancelAfterMs;  // -1: no cancel flag; 0: set before the run
    const char* traced;
    std::size_t runs;   // diskpart runs logged so far
  };
  const Case cases[] = {
      {"limit", 500, -1, "[RunProcess] did not end within 500 ms and was ended: C:\\Windows\\System32\\diskpart.exe /s ", 1},
      {"limit, flag never set", 500, 100000, "[RunProcess] did not end within 500 ms and was ended: ", 2},
      {"cancel", DiskpartScript::kDefaultTimeoutMs, 300,
       "[RunProcess] ended at the user's cancel: C:\\Windows\\System32\\diskpart.exe /s ", 3},
      {"cancelled before", DiskpartScript::kDefaultTimeoutMs, 0, "[RunProcess] not started, the job was cancelled: ", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t traceBefore = usbtest::TraceText().size();
    DiskpartScript& runner = DiskpartScript::Instance();
    runner.SetTimeoutForTests(c.limitMs);
    ASSERT_TRUE(runner.CreateScriptFile());
    std::atomic<bool> stop{c.cancelAfterMs == 0};
    std::atomic<bool> ended{false};
    std::thread canceller([&] {
      for (int waited = 0; c.cancelAfterMs > 0 && waited < c.cancelAfterMs && !ended; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (c.cancelAfterMs > 0 && !ended) stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(runner.RunScript("sel disk 2\r\nsel par 1\r\nformat fs=FAT32 quick\r\nexit\r\n",
                                  c.cancelAfterMs < 0 ? nullptr : &stop));
    const auto took = std::chrono::steady_clock::now() - start;
    ended = true;
    canceller.join();
    EXPECT_LT(took, std::chrono::seconds(5));

    EXPECT_NE(usbtest::TraceText().find(c.traced, traceBefore), std::string::npos) << usbtest::TraceText();
    usbtest::DiskpartLog log = usbtest::ReadDiskpartLog(machine_);
    ASSERT_EQ(log.pids.size(), c.runs);
    for (int pid : log.pids) EXPECT_FALSE(fs::exists("/proc/" + std::to_string(pid))) << "a hung diskpart is still running";
    EXPECT_TRUE(fs::exists(machine_.Builder().HostFolderOf('F') + "/keep.txt"));
  }
}

TEST_F(DiskpartRunner, AProgramThatCannotBeStartedFails) {
  Apply();
  std::uint32_t code = 77;
  EXPECT_FALSE(RunProcess(L"nosuchtool /s x", &code));
  EXPECT_EQ(code, 77u);
  EXPECT_NE(usbtest::TraceText().find("[RunProcess] create process fail: nosuchtool /s x (error 2)"), std::string::npos);

  ASSERT_TRUE(DiskpartScript::Instance().CreateScriptFile());
  EXPECT_FALSE(DiskpartScript::Instance().RunScript("exit\r\n")) << "diskpart is not installed";
  EXPECT_NE(usbtest::TraceText().find("create process fail: C:\\Windows\\System32\\diskpart.exe /s C:\\ProgramData\\"),
            std::string::npos);
}

// A program that only records that it ran, planted where a search by name would find it first.
void PlantDecoy(const std::string& hostPath, const std::string& marker) {
  test::WriteHostFile(hostPath, "#!/bin/sh\necho \"$0\" >> '" + marker + "'\nexit 0\n");
  fs::permissions(hostPath, fs::perms::owner_all);
}

TEST_F(DiskpartRunner, OnlyTheSystemsOwnDiskpartRunsWhateverLiesBesideTheProgram) {
  REQUIRE_DISKPART(machine_);
  const std::string marker = machine_.Folder() + "/decoy-ran";
  const std::string c = machine_.Builder().HostFolderOf('C');
  // diskpart.exe in the program's folder and in the current folder: both come before the system
  // folder when a program is looked up by its bare name.
  PlantDecoy(c + "/Program Files/Draventa/diskpart.exe", marker);
  PlantDecoy(c + "/Users/Public/diskpart.exe", marker);
  // 64-bit Windows: the 32-bit program's System32 is SysWOW64, where the native tools are not.
  PlantDecoy(c + "/Windows/SysWOW64/diskpart.exe", marker);

  for (bool wow64 : {false, true}) {
    SCOPED_TRACE(wow64 ? "64-bit Windows" : "32-bit Windows");
    machine_.Builder().Wow64(wow64);
    Apply();
    usbtest::ResetDiskpartRunner();
    EXPECT_EQ(SystemDiskpartProgram(),
              wow64 ? L"C:\\Windows\\Sysnative\\diskpart.exe" : L"C:\\Windows\\System32\\diskpart.exe");
    ASSERT_TRUE(DiskpartScript::Instance().CreateScriptFile());
    EXPECT_TRUE(DiskpartScript::Instance().RunScript("sel disk 2\r\nexit\r\n"));
  }
  EXPECT_EQ(usbtest::ReadDiskpartLog(machine_).runs, 2) << "the substitute in the native system folder ran";
  EXPECT_FALSE(fs::exists(marker)) << test::ReadHostFile(marker);

  // A Windows folder whose path holds a space is quoted on the command line.
  machine_.Builder().Description().windowsFolder = L"C:\\Win Dows";
  machine_.Builder().Description().systemFolder = L"C:\\Win Dows\\System32";
  ASSERT_TRUE(machine_.Builder().InstallTool(L"C:\\Win Dows\\System32\\diskpart.exe",
                                             usbtest::ToolsFolder() + "/diskpart.exe"));
  Apply();
  usbtest::ResetDiskpartRunner();
  EXPECT_EQ(SystemDiskpartProgram(), L"\"C:\\Win Dows\\Sysnative\\diskpart.exe\"");
  ASSERT_TRUE(DiskpartScript::Instance().CreateScriptFile());
  EXPECT_TRUE(DiskpartScript::Instance().RunScript("exit\r\n"));
  EXPECT_EQ(usbtest::ReadDiskpartLog(machine_).runs, 3);

  // Without a system folder nothing is run at all, by name or otherwise.
  machine_.Builder().Wow64(false);
  machine_.Builder().Description().systemFolder.clear();
  Apply();
  EXPECT_EQ(SystemDiskpartProgram(), L"");
  EXPECT_FALSE(DiskpartScript::Instance().RunScript("exit\r\n"));
  EXPECT_NE(usbtest::TraceText().find("[DiskpartScript::RunScript] the system folder is unknown"), std::string::npos);
  EXPECT_EQ(usbtest::ReadDiskpartLog(machine_).runs, 3);
  EXPECT_FALSE(fs::exists(marker));
}

TEST_F(DiskpartRunner, AScriptFileRemovedBehindTheRunnersBackIsMadeAgain) {
  REQUIRE_DISKPART(machine_);
  Apply();
  DiskpartScript& runner = DiskpartScript::Instance();
  ASSERT_TRUE(runner.CreateScriptFile());
  std::wstring first = runner.ScriptPath();
  fs::remove(machine_.Host(first));
  ASSERT_TRUE(runner.CreateScriptFile());
  EXPECT_NE(runner.ScriptPath(), first);
  EXPECT_TRUE(runner.RunScript("exit\r\n"));
}

TEST_F(DiskpartRunner, AScriptPathWithSpacesReachesDiskpartWhole) {
  REQUIRE_DISKPART(machine_);
  machine_.Builder().Description().commonAppData = L"C:\\Shared Data";
  Apply();
  DiskpartScript& runner = DiskpartScript::Instance();
  ASSERT_TRUE(runner.CreateScriptFile());
  ASSERT_NE(runner.ScriptPath().find(L"C:\\Shared Data\\"), std::wstring::npos);
  EXPECT_TRUE(runner.RunScript("sel disk 2\r\nexit\r\n"));
  usbtest::DiskpartLog log = usbtest::ReadDiskpartLog(machine_);
  ASSERT_EQ(log.runs, 1);
  EXPECT_EQ(platform::host::FromUtf8(log.scripts[0]), runner.ScriptPath());
}

}  // namespace
