#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/program_data.h"
#include "platform/files.h"
#include "platform/text.h"
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

// The folder and its parent must be the administrators' own before anything is put there: a
// folder another user made first, or a link, stops the program with a text naming it, and the
// folder is then not handed out either.
TEST(ProgramData, RefusesFoldersAnotherUserCouldControl) {
  const std::wstring parent = L"C:\\ProgramData\\Qarvel";
  const std::wstring folder = parent + L"\\DraventaWin";
  struct Case {
    const char* what;
    std::function<void(test::TempMachine&)> arrange;
    const wchar_t* expected;  // in the refusal; nullptr: accepted
  };
  const Case cases[] = {
      {"nothing there yet", [](test::TempMachine&) {}, nullptr},
      {"both made by the system", [&](test::TempMachine& m) {
         std::filesystem::create_directories(m.Host(folder));
         m.Builder().Owner(parent, "NT AUTHORITY\\SYSTEM");
       }, nullptr},
      {"parent owned by a user", [&](test::TempMachine& m) {
         std::filesystem::create_directories(m.Host(parent));
         m.Builder().Owner(parent, "PC\\bob");
       }, L"The folder C:\\ProgramData\\Qarvel belongs to PC\\bob, not to the system or the administrators."},
      {"folder owned by a user", [&](test::TempMachine& m) {
         std::filesystem::create_directories(m.Host(folder));
         m.Builder().Owner(L"c:\\programdata\\QARVEL\\draventawin\\", "PC\\bob");
       }, L"The folder C:\\ProgramData\\Qarvel\\DraventaWin belongs to PC\\bob"},
      {"folder a link", [&](test::TempMachine& m) {
         std::filesystem::create_directories(m.Host(parent));
         std::filesystem::create_directories(m.Host(L"C:\\Users\\bob"));
         std::filesystem::create_directory_symlink(m.Host(L"C:\\Users\\bob"), m.Host(folder));
       }, L"The folder C:\\ProgramData\\Qarvel\\DraventaWin is a link to another place."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempMachine machine;
    c.arrange(machine);
    machine.Apply();
    const std::wstring problem = CheckProgramDataFolder();
    if (!c.expected) {
      EXPECT_EQ(problem, L"");
      EXPECT_EQ(GetProgramDataFolder(), "C:\\ProgramData\\Qarvel\\DraventaWin\\");
      // An existing folder's access is made private again; a new one is made so.
      EXPECT_EQ(std::filesystem::status(machine.Host(folder)).permissions() & std::filesystem::perms::all,
                std::filesystem::perms::owner_all);
    } else {
      EXPECT_NE(problem.find(c.expected), std::wstring::npos) << platform::WideToAnsi(problem);
      EXPECT_EQ(GetProgramDataFolder(), "");
      EXPECT_FALSE(std::filesystem::exists(machine.Host(L"C:\\Users\\bob\\XHCItrace.log")));
    }
  }
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
