// The tree copy through CopyFileExW and the folder utilities on Windows' own file system.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "disk/volume_utils.h"
#include "platform/files.h"
#include "servicing/copy_operation.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class Win32CopyTree : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::temp_directory_path() / ("draventa-copy-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    RemoveFolderTree(base_.wstring());
    source_ = base_ / "disc";
    target_ = base_ / "target";
    fs::create_directories(target_);
  }
  void TearDown() override { RemoveFolderTree(base_.wstring()); }

  fs::path base_, source_, target_;
};

TEST_F(Win32CopyTree, CopiesTheTreeWithAutorunAndReadOnlyFiles) {
  std::string big(3 * 1048576 + 17, 'b');
  for (std::size_t i = 0; i < big.size(); i += 4099) big[i] = static_cast<char>(i);
  Write(source_ / "autorun.inf", "[AutoRun.Amd64]\r\nopen=setup.exe\r\n");
  Write(source_ / "sources" / "install.wim", big);
  Write(source_ / "boot" / "empty.bin", "");
  Write(source_ / "boot" / "bcd", "bcd");
  ASSERT_TRUE(platform::SetAttributes((source_ / "boot" / "bcd").wstring(), platform::kAttrReadOnly));

  EXPECT_EQ(GetFolderSize(source_.wstring(), true), big.size() + 3 + 33);
  EXPECT_TRUE(HasAmd64AutorunSection((source_ / "AUTORUN.INF").wstring()));

  CopyOperation op(0, COPYTOUSB, source_.wstring(), target_.wstring() + L"\\");
  ASSERT_EQ(op.Excute(), 1);
  EXPECT_EQ(Read(target_ / "sources" / "install.wim"), big);
  EXPECT_TRUE(fs::exists(target_ / "boot" / "empty.bin"));
  EXPECT_FALSE(fs::exists(target_ / "autorun.infTOINI"));
  EXPECT_EQ(Read(target_ / "autorun.inf"), "[AutoRun.Amd64]\r\nopen=setup.exe\r\n");
  EXPECT_NE(platform::GetAttributes((target_ / "boot" / "bcd").wstring()).value() & platform::kAttrReadOnly, 0u);

  std::vector<std::wstring> found;
  FindFilesByExtension(found, target_.wstring(), L".INF");
  ASSERT_EQ(found.size(), 1u);

  // The read-only copy is removed with the rest.
  RemoveFolderTree(target_.wstring());
  EXPECT_FALSE(fs::exists(target_));
}

TEST_F(Win32CopyTree, MissingTargetFailsAndDriveQueriesAnswer) {
  Write(source_ / "a.txt", "a");
  CopyOperation op(0, COPYTOUSB, source_.wstring(), (base_ / "missing").wstring());
  EXPECT_EQ(op.Excute(), 0);

  EXPECT_TRUE(IsFixedOrRemovable(L"C:\\"));
  EXPECT_TRUE(IsDriveReady(L"C:\\"));
  EXPECT_GT(GetTotalSpaceMB(L"C:\\"), 0.0);
  EXPECT_GE(GetTotalSpaceMB(L"C:\\"), GetFreeSpaceMB(L"C:\\"));
}

}  // namespace
