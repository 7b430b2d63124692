#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "disk/volume_utils.h"
#include "platform/files.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

class VolumeUtilsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = machine_.Host(L"C:\\");
    test::WriteHostFile(root_ + "/tree/a.bin", std::string(10, 'a'));
    test::WriteHostFile(root_ + "/tree/sub/b.bin", std::string(100, 'b'));
    test::WriteHostFile(root_ + "/tree/sub/deeper/c.bin", std::string(1000, 'c'));
    test::WriteHostFile(root_ + "/tree/sub/deeper/empty.bin", "");
  }

  test::TempMachine machine_;
  std::string root_;
};

TEST_F(VolumeUtilsFiles, SizesCountFilesBelowTheFolder) {
  EXPECT_EQ(GetFolderSize(L"C:\\tree", true), 1110u);
  EXPECT_EQ(GetFolderSize(L"C:\\TREE\\", false), 10u);
  EXPECT_EQ(GetPathSize(L"C:\\tree\\sub"), 1100u);
  EXPECT_EQ(GetPathSize(L"C:\\tree\\sub\\B.BIN"), 100u);
  EXPECT_EQ(GetFileByteSize(L"C:\\tree\\sub\\deeper\\c.bin"), 1000u);
  EXPECT_EQ(GetFileByteSize(L"C:\\tree\\missing.bin"), 0u);
  EXPECT_EQ(GetFolderSize(L"C:\\missing", true), 0u);
  EXPECT_EQ(GetPathSize(L"Q:\\nothing"), 0u);
}

TEST_F(VolumeUtilsFiles, RemoveFolderTreeDeletesReadOnlyFilesAndNestedFolders) {
  ASSERT_TRUE(platform::SetAttributes(L"C:\\tree\\sub\\deeper\\c.bin", platform::kAttrReadOnly));
  ASSERT_TRUE(platform::SetAttributes(L"C:\\tree\\a.bin", platform::kAttrReadOnly | platform::kAttrHidden));
  RemoveFolderTree(L"C:\\tree");
  EXPECT_FALSE(fs::exists(root_ + "/tree"));
  EXPECT_TRUE(fs::exists(root_ + "/Windows"));
}

// Links inside the tree (and one standing for the tree) go as links: what they point at stays.
TEST_F(VolumeUtilsFiles, RemoveFolderTreeNeverEntersALink) {
  test::TempFolder elsewhere;
  test::WriteHostFile(elsewhere.Path() + "/keep/file.txt", "kept");
  test::WriteHostFile(elsewhere.Path() + "/one.txt", "kept too");
  ASSERT_TRUE(platform::SetAttributes(L"C:\\tree\\sub\\b.bin", platform::kAttrReadOnly));
  fs::create_directory_symlink(elsewhere.Path() + "/keep", root_ + "/tree/sub/folder-link");
  fs::create_symlink(elsewhere.Path() + "/one.txt", root_ + "/tree/file-link");
  fs::create_symlink(elsewhere.Path() + "/missing", root_ + "/tree/dangling-link");

  // A listing shows each link as a reparse point, a folder link with the folder bit.
  std::uint32_t folderLink = platform::GetAttributes(L"C:\\tree\\sub\\folder-link").value();
  EXPECT_EQ(folderLink & (platform::kAttrReparsePoint | platform::kAttrDirectory),
            platform::kAttrReparsePoint | platform::kAttrDirectory);
  EXPECT_EQ(platform::GetAttributes(L"C:\\tree\\file-link").value() & (platform::kAttrReparsePoint | platform::kAttrDirectory),
            platform::kAttrReparsePoint);
  EXPECT_TRUE(platform::PathExists(L"C:\\tree\\dangling-link"));

  RemoveFolderTree(L"C:\\tree\\");
  EXPECT_FALSE(fs::exists(root_ + "/tree"));
  EXPECT_EQ(test::ReadHostFile(elsewhere.Path() + "/keep/file.txt"), "kept");
  EXPECT_EQ(test::ReadHostFile(elsewhere.Path() + "/one.txt"), "kept too");

  fs::create_directory_symlink(elsewhere.Path(), root_ + "/linked-tree");
  RemoveFolderTree(L"C:\\linked-tree");
  EXPECT_FALSE(fs::exists(fs::symlink_status(root_ + "/linked-tree")));
  EXPECT_EQ(test::ReadHostFile(elsewhere.Path() + "/keep/file.txt"), "kept");
}

TEST_F(VolumeUtilsFiles, RemoveFolderTreeOnADriveRootLeavesTheRootEmpty) {
  std::string usb = machine_.Builder().UsbStick('F', 2, 1ull << 30);
  machine_.Apply();
  test::WriteHostFile(usb + "/x/y/z.txt", "z");
  test::WriteHostFile(usb + "/top.txt", "t");
  RemoveFolderTree(L"F:\\");
  EXPECT_TRUE(fs::is_directory(usb));
  EXPECT_TRUE(fs::is_empty(usb));
}

TEST_F(VolumeUtilsFiles, FindFilesByExtensionMatchesTheLastDotWithoutRegardToCase) {
  test::WriteHostFile(root_ + "/drv/usb3.inf", "");
  test::WriteHostFile(root_ + "/drv/HUB.INF", "");
  test::WriteHostFile(root_ + "/drv/old.INF.bak", "");
  test::WriteHostFile(root_ + "/drv/inf", "");
  test::WriteHostFile(root_ + "/drv/x64/deep/Host.Inf", "");
  fs::create_directories(root_ + "/drv/folder.inf");

  std::vector<std::wstring> found{L"kept"};
  FindFilesByExtension(found, L"C:\\drv", L".inf");
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0], L"kept");
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found[0], L"C:\\drv\\HUB.INF");
  EXPECT_EQ(found[1], L"C:\\drv\\usb3.inf");
  EXPECT_EQ(found[2], L"C:\\drv\\x64\\deep\\Host.Inf");

  std::vector<std::wstring> none;
  FindFilesByExtension(none, L"C:\\missing\\", L".inf");
  EXPECT_TRUE(none.empty());
}

TEST_F(VolumeUtilsFiles, Amd64SectionIsFoundInAnyCase) {
  test::WriteHostFile(root_ + "/x64/AutoRun.inf", "[AutoRun.Amd64]\r\nopen=setup.exe\r\n[AutoRun]\r\nopen=x\r\n");
  test::WriteHostFile(root_ + "/lower/autorun.inf", "[AutoRun]\r\nopen=setup.exe\r\n[autorun.amd64]\r\n");
  test::WriteHostFile(root_ + "/x86/AutoRun.inf", "[AutoRun]\r\nopen=setup.exe\r\nlabel=AutoRun.Amd64\r\n");
  EXPECT_TRUE(HasAmd64AutorunSection(L"C:\\x64\\AutoRun.inf"));
  EXPECT_TRUE(HasAmd64AutorunSection(L"C:\\lower\\AutoRun.inf"));
  EXPECT_FALSE(HasAmd64AutorunSection(L"C:\\x86\\AutoRun.inf"));
  EXPECT_FALSE(HasAmd64AutorunSection(L"C:\\missing\\AutoRun.inf"));
}

TEST(VolumeLabel, LongNamesAreCutToNineCharactersAndTilde) {
  EXPECT_EQ(MakeVolumeLabel(L""), L"NONAME");
  EXPECT_EQ(MakeVolumeLabel(L"ABCDEFGHIJK"), L"ABCDEFGHIJK");
  EXPECT_EQ(MakeVolumeLabel(L"ABCDEFGHIJKL"), L"ABCDEFGHI~1");
  EXPECT_EQ(MakeVolumeLabel(L"GRMCULFRER_EN_DVD"), L"GRMCULFRE~1");
}

}  // namespace
