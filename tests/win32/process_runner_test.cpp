// The process runner and the diskpart runner on Windows, against a stand-in console program
// that records the script it was given and exits with a chosen code.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "disk/diskpart_script.h"
#include "disk/process_runner.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/private_folder.h"
#include "platform/process.h"

namespace {

std::wstring StandIn(const std::wstring& arguments = L"") {
  std::wstring command = L"\"" + platform::ExecutableFolder() + L"process_standin.exe\"";
  return arguments.empty() ? command : command + L" " + arguments;
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class DiskpartOnWindows : public ::testing::Test {
 protected:
  void TearDown() override {
    DiskpartScript::Instance().DeleteScriptFile();
    DiskpartScript::Instance().SetProgramForTests(L"");
    DiskpartScript::Instance().SetTimeoutForTests(DiskpartScript::kDefaultTimeoutMs);
  }
};

TEST(RunProcess, ReportsTheExitCodeWithoutJudgingIt) {
  std::uint32_t code = 0;
  ASSERT_TRUE(RunProcess(StandIn(L"--exit 7"), &code));
  EXPECT_EQ(code, 7u);
  ASSERT_TRUE(RunProcess(StandIn(), nullptr));

  code = 99;
  EXPECT_FALSE(RunProcess(L"C:\\no\\such\\program.exe", &code));
  EXPECT_EQ(code, 99u);
}

TEST(RunProcess, EndsAProgramThatRunsPastTheLimit) {
  std::uint32_t code = 0;
  EXPECT_FALSE(RunProcess(StandIn(L"--sleep 60000"), &code, 500));
}

// Under 32-bit Wine the process is not under WOW64: diskpart is the system folder's, by its full
// path, whatever diskpart.exe lies beside the program.
TEST(SystemDiskpart, IsTheSystemFoldersOwnByItsFullPath) {
  EXPECT_FALSE(platform::RunsUnderWow64());
  wchar_t system[MAX_PATH] = {};
  ASSERT_NE(GetSystemDirectoryW(system, MAX_PATH), 0u);
  std::wstring expected = std::wstring(system) + L"\\diskpart.exe";
  if (expected.find(L' ') != std::wstring::npos) expected = L"\"" + expected + L"\"";
  EXPECT_EQ(SystemDiskpartProgram(), expected);
  wchar_t windows[MAX_PATH] = {};
  ASSERT_NE(GetSystemWindowsDirectoryW(windows, MAX_PATH), 0u);
  EXPECT_EQ(platform::WindowsFolder(), std::wstring(windows));
  EXPECT_EQ(platform::SystemFolder().rfind(platform::WindowsFolder(), 0), 0u);
}

TEST_F(DiskpartOnWindows, RunScriptHandsDiskpartTheScriptByteForByte) {
  DiskpartScript& runner = DiskpartScript::Instance();
  runner.SetProgramForTests(StandIn());
  ASSERT_TRUE(runner.CreateScriptFile());
  std::wstring path = runner.ScriptPath();
  ASSERT_FALSE(path.empty());

  const std::string script = "sel disk 2\r\nsel par 1\r\nformat fs=FAT32 quick\r\n";
  ASSERT_TRUE(runner.RunScript(script));
  std::string seen = ReadBytes(path + L".seen");
  EXPECT_EQ(seen.size(), script.size()) << "no terminator may follow the script";
  EXPECT_EQ(seen, script);

  // The next script replaces the first completely.
  ASSERT_TRUE(runner.RunScript("exit\r\n"));
  EXPECT_EQ(ReadBytes(path + L".seen"), "exit\r\n");
  (void)platform::DeleteFileAt(path + L".seen");  // cleaning up
}

TEST_F(DiskpartOnWindows, ExitCodeOneIsAFailureThoughDiskpartRan) {
  DiskpartScript& runner = DiskpartScript::Instance();
  runner.SetProgramForTests(StandIn(L"--exit 1"));
  ASSERT_TRUE(runner.CreateScriptFile());
  std::wstring path = runner.ScriptPath();
  EXPECT_FALSE(runner.RunScript("sel disk 2\r\nclean\r\nexit\r\n"));
  EXPECT_EQ(ReadBytes(path + L".seen"), "sel disk 2\r\nclean\r\nexit\r\n");
  (void)platform::DeleteFileAt(path + L".seen");  // cleaning up
}

TEST_F(DiskpartOnWindows, TheScriptLivesInANewFolderThatIsGoneAfterDeletion) {
  DiskpartScript& runner = DiskpartScript::Instance();
  ASSERT_TRUE(runner.CreateScriptFile());
  std::wstring path = runner.ScriptPath();
  std::wstring folder = path.substr(0, path.rfind(L'\\'));
  EXPECT_TRUE(platform::IsFolder(folder));
  EXPECT_TRUE(platform::IsFile(path));

  std::wstring parent = folder.substr(0, folder.rfind(L'\\'));
  platform::Result<std::wstring> other = platform::CreatePrivateFolder(parent, L"diskpart");
  EXPECT_TRUE(other);
  EXPECT_FALSE(other.value_or(L"").empty());
  EXPECT_NE(other.value_or(L""), folder + L"\\");
  if (other) {
    EXPECT_TRUE(platform::RemoveEmptyFolder(*other));
  }

  runner.DeleteScriptFile();
  EXPECT_FALSE(platform::PathExists(path));
  EXPECT_FALSE(platform::PathExists(folder));
}

}  // namespace
