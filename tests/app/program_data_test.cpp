#include <gtest/gtest.h>

#include <filesystem>

#include "app/program_data.h"
#include "platform/files.h"
#include "support/temp_machine.h"

namespace {

TEST(ProgramData, FolderIsStableAndCreatedOnFirstCall) {
  test::TempMachine machine;
  std::string first = GetProgramDataFolder();
  EXPECT_EQ(first, "C:\\ProgramData\\Qarvel\\DraventaWin\\");
  EXPECT_TRUE(std::filesystem::is_directory(machine.Host(L"C:\\ProgramData\\Qarvel\\DraventaWin")));
  EXPECT_EQ(GetProgramDataFolder(), first);

  machine.Builder().Fault("folders.commonAppData", "fail");
  machine.Apply();
  EXPECT_EQ(GetProgramDataFolder(), "");
}

TEST(ProgramData, DeleteFolderTreeRemovesTheFolderItself) {
  test::TempMachine machine;
  test::WriteHostFile(machine.Host(L"C:\\Work") + "/Tmp/sub/a.txt", "a");
  ASSERT_TRUE(platform::SetAttributes(L"C:\\Work\\Tmp\\sub\\a.txt", platform::kAttrReadOnly));
  EXPECT_TRUE(DeleteFolderTree(L"C:\\Work\\Tmp\\"));
  EXPECT_FALSE(platform::PathExists(L"C:\\Work\\Tmp"));
  EXPECT_TRUE(platform::PathExists(L"C:\\Work"));

  EXPECT_FALSE(DeleteFolderTree(L"C:\\Work\\Missing"));
  EXPECT_FALSE(DeleteFolderTree(L""));
}

TEST(ProgramData, ClearReadOnlyKeepsHiddenAndMakesWritable) {
  test::TempMachine machine;
  test::WriteHostFile(machine.Host(L"C:\\f.sys"), "x");
  ASSERT_TRUE(platform::SetAttributes(L"C:\\f.sys", platform::kAttrReadOnly | platform::kAttrHidden));
  EXPECT_TRUE(ClearReadOnlyAttribute(L"C:\\f.sys"));
  EXPECT_EQ(platform::GetAttributes(L"C:\\f.sys").value() & (platform::kAttrReadOnly | platform::kAttrHidden),
            platform::kAttrHidden);
  EXPECT_TRUE(platform::WriteWholeFile(L"C:\\f.sys", {1, 2}));
  EXPECT_TRUE(ClearReadOnlyAttribute(L"C:\\missing"));
}

}  // namespace
