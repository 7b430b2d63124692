// Private folders under Wine: the access list read back from the folder (a protected DACL with
// exactly SYSTEM and Administrators, inherited by what is made inside), and working folders
// made afresh without following a link that stands in their place.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <iostream>
#include <vector>

#include "app/fresh_folder.h"
#include "app/program_data.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/private_folder.h"
#include "platform/text.h"

namespace {

struct Grant {
  std::wstring sid;
  ACCESS_MASK mask = 0;
  BYTE flags = 0;
};

// The DACL of a folder: whether it is protected, and its allow entries.
bool ReadDacl(const std::wstring& path, bool& isProtected, std::vector<Grant>& grants) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL dacl = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                            &descriptor) != ERROR_SUCCESS)
    return false;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  isProtected = (control & SE_DACL_PROTECTED) != 0;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(&allowed->SidStart, &text)) continue;
    grants.push_back({text, allowed->Mask, header->AceFlags});
    LocalFree(text);
  }
  LocalFree(descriptor);
  return true;
}

std::wstring Base() { return platform::AnsiToWide(GetProgramDataFolder()) + L"PrivateTest"; }

class PrivateFolderOnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    (void)DeleteTreeWithoutLinks(Base());  // whatever an earlier run left
    ASSERT_TRUE(platform::CreateFolderPath(Base()));
  }
  void TearDown() override {
    (void)DeleteTreeWithoutLinks(Base());
  }
};

bool GrantsTo(const std::vector<Grant>& grants, const std::wstring& sid) {
  for (const auto& grant : grants)
    if (grant.sid == sid) return true;
  return false;
}

constexpr const wchar_t* kEveryone = L"S-1-1-0";

// Windows keeps the access list as given. Wine keeps only what the file's mode can say, so
// there the check is that everyone else (Everyone) lost the access a plain folder beside it has.
void ExpectPrivateAccess(const std::wstring& folder) {
  bool isProtected = false;
  std::vector<Grant> grants;
  ASSERT_TRUE(ReadDacl(folder, isProtected, grants)) << "GetNamedSecurityInfoW failed";
  if (!isProtected) {
    std::vector<Grant> plain;
    const std::wstring beside = folder + L"-plain";
    ASSERT_TRUE(platform::CreateFolder(beside));
    ASSERT_TRUE(ReadDacl(beside, isProtected, plain));
    (void)platform::RemoveEmptyFolder(beside);  // cleaning up
    ASSERT_TRUE(GrantsTo(plain, kEveryone)) << "the system reports no access list to compare with";
    EXPECT_FALSE(GrantsTo(grants, kEveryone)) << "Everyone may still reach the private folder";
    std::cout << "[ note ] the access list is kept only as the file's mode here\n";
    return;
  }
  ASSERT_EQ(grants.size(), 2u);
  EXPECT_EQ(grants[0].sid, L"S-1-5-18");      // SYSTEM
  EXPECT_EQ(grants[1].sid, L"S-1-5-32-544");  // BUILTIN\Administrators
  for (const auto& grant : grants) {
    EXPECT_EQ(grant.mask & FILE_ALL_ACCESS, static_cast<ACCESS_MASK>(FILE_ALL_ACCESS)) << grant.sid;
    EXPECT_EQ(grant.flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE), OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
  }
  // A folder made inside without an access list of its own takes the private folder's.
  ASSERT_TRUE(platform::CreateFolder(folder + L"\\inside"));
  std::vector<Grant> inherited;
  ASSERT_TRUE(ReadDacl(folder + L"\\inside", isProtected, inherited));
  ASSERT_EQ(inherited.size(), 2u);
  EXPECT_EQ(inherited[0].sid, L"S-1-5-18");
  EXPECT_EQ(inherited[1].sid, L"S-1-5-32-544");
  (void)platform::RemoveEmptyFolder(folder + L"\\inside");  // cleaning up
}

TEST_F(PrivateFolderOnWindows, OnlySystemAndAdministratorsAreGrantedAndNothingIsInherited) {
  const std::wstring folder = Base() + L"\\U3";
  ASSERT_TRUE(platform::CreatePrivateFolderAt(folder));
  ExpectPrivateAccess(folder);
  // Never made over what is there.
  platform::Status again = platform::CreatePrivateFolderAt(folder);
  EXPECT_FALSE(again);
  EXPECT_EQ(again.code(), static_cast<std::uint32_t>(ERROR_ALREADY_EXISTS));
  // The numbered kind, as the diskpart script's folder.
  platform::Result<std::wstring> numbered = platform::CreatePrivateFolder(Base(), L"diskpart");
  ASSERT_TRUE(numbered);
  ASSERT_FALSE(numbered->empty());
  ExpectPrivateAccess(numbered->substr(0, numbered->size() - 1));
}

TEST_F(PrivateFolderOnWindows, AFolderFoundInThePlaceIsRemovedAndALinkIsNeverEntered) {
  const std::wstring folder = Base() + L"\\Tmp";
  ASSERT_TRUE(platform::CreateFolderPath(folder + L"\\sub"));
  ASSERT_TRUE(platform::WriteWholeFile(folder + L"\\sub\\extra.inf", {'x'}));
  ASSERT_TRUE(platform::SetAttributes(folder + L"\\sub\\extra.inf", platform::kAttrReadOnly));
  platform::Status fresh = CreateFreshPrivateFolder(folder);
  ASSERT_TRUE(fresh) << fresh.code();
  EXPECT_FALSE(platform::PathExists(folder + L"\\sub"));
  ExpectPrivateAccess(folder);

  // A folder link in its place, where the system can make one.
  const std::wstring elsewhere = Base() + L"\\Elsewhere";
  ASSERT_TRUE(platform::CreateFolderPath(elsewhere));
  ASSERT_TRUE(platform::WriteWholeFile(elsewhere + L"\\keep.inf", {'k'}));
  ASSERT_TRUE(DeleteTreeWithoutLinks(folder));
  if (!CreateSymbolicLinkW(folder.c_str(), elsewhere.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
    GTEST_SKIP() << "no folder links here (error " << GetLastError() << ")";
  // Read as GetFileAttributesW reports it: all bits set when the link can't be read.
  constexpr std::uint32_t kUnreadable = 0xFFFFFFFFu;
  EXPECT_NE(platform::GetAttributes(folder).value_or(kUnreadable) & platform::kAttrReparsePoint, 0u);
  fresh = CreateFreshPrivateFolder(folder);
  ASSERT_TRUE(fresh) << fresh.code();
  EXPECT_EQ(platform::GetAttributes(folder).value_or(kUnreadable) & platform::kAttrReparsePoint, 0u);
  EXPECT_TRUE(platform::IsFile(elsewhere + L"\\keep.inf"));
}

}  // namespace
