// Working folders made afresh for the program alone: whatever stood at their place is removed
// without following links, and nothing found there is ever reused.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/fresh_folder.h"
#include "platform/status.h"
#include "platform/files.h"
#include "platform/private_folder.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kAlreadyExists = 183;

class FreshFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = machine_.Host(L"C:\\ProgramData") + "/Work";
    test::WriteHostFile(elsewhere_.Path() + "/keep/file.inf", "someone else's");
    test::WriteHostFile(elsewhere_.Path() + "/one.inf", "someone else's too");
  }

  bool IsPrivateFolder(const std::string& host) const {
    return fs::is_directory(fs::symlink_status(host)) &&
           (fs::status(host).permissions() & fs::perms::all) == fs::perms::owner_all;
  }

  void ExpectElsewhereUntouched() const {
    EXPECT_EQ(test::ReadHostFile(elsewhere_.Path() + "/keep/file.inf"), "someone else's");
    EXPECT_EQ(test::ReadHostFile(elsewhere_.Path() + "/one.inf"), "someone else's too");
  }

  test::TempMachine machine_;
  test::TempFolder elsewhere_;
  std::string work_;
};

TEST_F(FreshFolder, APlantedTreeIsRemovedWithoutEnteringItsLinksAndAPrivateFolderTakesItsPlace) {
  test::WriteHostFile(work_ + "/U3/Asmedia/extra.inf", "planted");
  test::WriteHostFile(work_ + "/U3/readonly.inf", "planted");
  ASSERT_TRUE(platform::SetAttributes(L"C:\\ProgramData\\Work\\U3\\readonly.inf", platform::kAttrReadOnly));
  ASSERT_TRUE(platform::SetAttributes(L"C:\\ProgramData\\Work\\U3\\Asmedia", platform::kAttrReadOnly));
  fs::create_directory_symlink(elsewhere_.Path() + "/keep", work_ + "/U3/Asmedia/link");
  fs::create_symlink(elsewhere_.Path() + "/one.inf", work_ + "/U3/one.inf");
  fs::create_symlink(elsewhere_.Path() + "/gone", work_ + "/U3/dangling");

  platform::Status made = CreateFreshPrivateFolder(L"C:\\ProgramData\\Work\\U3\\");
  ASSERT_TRUE(made);
  EXPECT_EQ(made.code(), 0u);
  EXPECT_TRUE(IsPrivateFolder(work_ + "/U3"));
  EXPECT_TRUE(fs::is_empty(work_ + "/U3"));
  ExpectElsewhereUntouched();

  // Made again: the folder the last call made is not reused either.
  test::WriteHostFile(work_ + "/U3/left.inf", "from the last run");
  ASSERT_TRUE(CreateFreshPrivateFolder(L"C:\\ProgramData\\Work\\U3"));
  EXPECT_TRUE(fs::is_empty(work_ + "/U3"));
}

TEST_F(FreshFolder, ALinkOrAFileInTheFoldersPlaceIsRemovedItself) {
  fs::create_directories(work_);
  fs::create_directory_symlink(elsewhere_.Path(), work_ + "/Tmp");
  ASSERT_TRUE(CreateFreshPrivateFolder(L"C:\\ProgramData\\Work\\Tmp"));
  EXPECT_TRUE(IsPrivateFolder(work_ + "/Tmp"));
  ExpectElsewhereUntouched();

  fs::remove(work_ + "/Tmp");
  fs::create_symlink(elsewhere_.Path() + "/missing", work_ + "/Tmp");
  ASSERT_TRUE(CreateFreshPrivateFolder(L"C:\\ProgramData\\Work\\Tmp"));
  EXPECT_TRUE(IsPrivateFolder(work_ + "/Tmp"));

  fs::remove(work_ + "/Tmp");
  test::WriteHostFile(work_ + "/Tmp", "a file");
  ASSERT_TRUE(CreateFreshPrivateFolder(L"C:\\ProgramData\\Work\\Tmp"));
  EXPECT_TRUE(IsPrivateFolder(work_ + "/Tmp"));

  // Nothing there at all.
  ASSERT_TRUE(CreateFreshPrivateFolder(L"C:\\ProgramData\\Work\\New"));
  EXPECT_TRUE(IsPrivateFolder(work_ + "/New"));
}

TEST_F(FreshFolder, WhatCantBeRemovedIsNeverReused) {
  test::WriteHostFile(work_ + "/U3/sub/extra.inf", "planted");
  machine_.Builder().Fault("files.listFail", "C:\\ProgramData\\Work\\U3\\sub");
  machine_.Apply();
  platform::Status kept = CreateFreshPrivateFolder(L"C:\\ProgramData\\Work\\U3");
  EXPECT_FALSE(kept);
  EXPECT_EQ(kept.code(), 5u);
  EXPECT_TRUE(fs::exists(work_ + "/U3/sub/extra.inf"));

  platform::Status root = DeleteTreeWithoutLinks(L"C:\\");
  EXPECT_FALSE(root);
  EXPECT_EQ(root.code(), 87u);
  EXPECT_TRUE(DeleteTreeWithoutLinks(L"C:\\ProgramData\\Work\\Missing"));
}

TEST_F(FreshFolder, APrivateFolderIsOnlyEverMadeNew) {
  fs::create_directories(work_ + "/Taken");
  fs::create_directory_symlink(elsewhere_.Path(), work_ + "/Link");
  fs::create_symlink(elsewhere_.Path() + "/missing", work_ + "/Dangling");
  for (const wchar_t* path :
       {L"C:\\ProgramData\\Work\\Taken", L"C:\\ProgramData\\Work\\Link\\", L"C:\\ProgramData\\Work\\Dangling"}) {
    platform::Status taken = platform::CreatePrivateFolderAt(path);
    EXPECT_FALSE(taken);
    EXPECT_EQ(taken.code(), kAlreadyExists);
  }
  EXPECT_FALSE(fs::exists(elsewhere_.Path() + "/missing"));
  ASSERT_TRUE(platform::CreatePrivateFolderAt(L"C:\\ProgramData\\Work\\Fresh\\"));
  EXPECT_TRUE(IsPrivateFolder(work_ + "/Fresh"));
  platform::Status orphan = platform::CreatePrivateFolderAt(L"C:\\ProgramData\\Work\\No\\Parent");
  EXPECT_FALSE(orphan);
  EXPECT_EQ(orphan.code(), 3u);
}

}  // namespace
