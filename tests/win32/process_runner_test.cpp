// The process runner and the diskpart runner on Windows, against a stand-in console program
// that records the script it was given and exits with a chosen code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "disk/diskpart_script.h"
#include "disk/process_runner.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/private_folder.h"

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
  platform::DeleteFileAt(path + L".seen");
}

TEST_F(DiskpartOnWindows, ExitCodeOneIsAFailureThoughDiskpartRan) {
  DiskpartScript& runner = DiskpartScript::Instance();
  runner.SetProgramForTests(StandIn(L"--exit 1"));
  ASSERT_TRUE(runner.CreateScriptFile());
  std::wstring path = runner.ScriptPath();
  EXPECT_FALSE(runner.RunScript("sel disk 2\r\nclean\r\nexit\r\n"));
  EXPECT_EQ(ReadBytes(path + L".seen"), "sel disk 2\r\nclean\r\nexit\r\n");
  platform::DeleteFileAt(path + L".seen");
}

TEST_F(DiskpartOnWindows, TheScriptLivesInANewFolderThatIsGoneAfterDeletion) {
  DiskpartScript& runner = DiskpartScript::Instance();
  ASSERT_TRUE(runner.CreateScriptFile());
  std::wstring path = runner.ScriptPath();
  std::wstring folder = path.substr(0, path.rfind(L'\\'));
  EXPECT_TRUE(platform::IsFolder(folder));
  EXPECT_TRUE(platform::IsFile(path));

  std::wstring parent = folder.substr(0, folder.rfind(L'\\'));
  std::wstring other = platform::CreatePrivateFolder(parent, L"diskpart");
  ASSERT_FALSE(other.empty());
  EXPECT_NE(other, folder + L"\\");
  platform::RemoveEmptyFolder(other);

  runner.DeleteScriptFile();
  EXPECT_FALSE(platform::PathExists(path));
  EXPECT_FALSE(platform::PathExists(folder));
}

}  // namespace
