// The DISM wrapper's error text and mount folders, and the substitute's answers to bad input.
#include <set>

#include "platform/clock.h"
#include "platform/dism_api.h"
#include "platform/files.h"
#include "servicing/dism_fixture.h"
#include "support/temp_machine.h"

namespace {

using DismCpp::DismBasic;
using test::DismTest;

TEST(DismErrorText, NameHexAndDismTextWithTwoTrailingSpaces) {
  EXPECT_EQ(DismBasic::FormatError(L"DismOpenSession ", static_cast<platform::DismResult>(0x80070002u), L"Not found."),
            L"DismOpenSession  failed 0x80070002 : Not found.  ");
  EXPECT_EQ(DismBasic::FormatError(L"DismMountImage", 0x5, nullptr), L"DismMountImage failed 0x5 :   ");
  EXPECT_EQ(DismBasic::FormatError(L"X", static_cast<platform::DismResult>(0xC1420117u), L""), L"X failed 0xc1420117 :   ");
}

TEST(DismErrorText, LongTextIsCutToTheBufferWithoutSplittingAPair) {
  std::wstring longText(400, L'a');
  EXPECT_EQ(DismBasic::FormatError(L"DismAddDriver  ", 1, longText.c_str()).size(), 259u);
  std::wstring pairs;
  for (int i = 0; i < 200; ++i) pairs += L"\xD83D\xDE00";
  for (std::size_t pad = 0; pad < 2; ++pad) {
    std::wstring text = DismBasic::FormatError(std::wstring(pad + 1, L'n'), 1, pairs.c_str());
    ASSERT_LE(text.size(), 259u);
    EXPECT_FALSE(text.back() >= 0xD800 && text.back() <= 0xDBFF);
  }
}

TEST_F(DismTest, MountFolderIsTheTimeWithoutZerosAndSkipsTakenNames) {
  // Take the names of this second and the next two: the manager must wait for a free one. What
  // stands at a taken name (a folder, a link to elsewhere, a link to nothing) is never used.
  test::TempFolder elsewhere;
  std::set<std::string> taken;
  platform::LocalTime now = platform::CurrentLocalTime();
  int seconds = now.hour * 3600 + now.minute * 60 + now.second;
  for (int i = 0; i < 3; ++i) {
    int t = (seconds + i) % 86400;
    std::string name = std::to_string(t / 3600) + std::to_string(t / 60 % 60) + std::to_string(t % 60);
    taken.insert(name);
    std::string at = ProgramDataHost() + "/" + name;
    if (i == 0) std::filesystem::create_directories(at);
    if (i == 1) std::filesystem::create_directory_symlink(elsewhere.Path(), at);
    if (i == 2) std::filesystem::create_directory_symlink(elsewhere.Path() + "/missing", at);
  }
  DismManager* manager = DismManager::Instance();
  ASSERT_TRUE(manager->PrepareMountFolder());
  std::wstring folder = manager->MountFolder();
  std::wstring base = platform::AnsiToWide(GetProgramDataFolder());
  ASSERT_EQ(folder.rfind(base, 0), 0u);
  ASSERT_EQ(folder.back(), L'\\');
  std::string name = platform::WideToAnsi(folder.substr(base.size(), folder.size() - base.size() - 1));
  EXPECT_TRUE(std::regex_match(name, std::regex("[1-9]?[0-9][1-5]?[0-9][1-5]?[0-9]"))) << name;
  EXPECT_FALSE(taken.count(name)) << name;
  EXPECT_TRUE(platform::IsFolder(folder));
  // The mounted image is the program's alone.
  std::string host = machine_.Host(folder);
  EXPECT_FALSE(std::filesystem::is_symlink(host.substr(0, host.size() - (host.back() == '/' ? 1 : 0))));
  EXPECT_EQ(std::filesystem::status(host).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all);
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere.Path()));
}

TEST_F(DismTest, MissingImageFileShowsTheImageInfoErrorAndCountsZero) {
  DismManager* manager = DismManager::Instance();
  EXPECT_EQ(manager->GetImageCount(L"E:\\sources\\boot.wim"), 0u);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text.rfind(L"DismGetImageInfo failed 0x80070002 : ", 0), 0u);
  EXPECT_EQ(platform::host::DismOutstandingAllocations(), 0u);
}

// A mounted setup image for the substitute's own checks.
class DismSubstitute : public DismTest {
 protected:
  void SetUp() override {
    DismTest::SetUp();
    MakeBootWim({test::PeImage(), test::SetupImage("0")});
    DismManager::Instance();
    ASSERT_TRUE(platform::CreateFolderPath(L"C:\\mnt"));
    ASSERT_EQ(platform::DismMountImage(L"E:\\sources\\boot.wim", L"C:\\mnt", 2, nullptr, platform::kDismImageIndex,
                                       platform::kDismMountReadWrite, nullptr, nullptr),
              0);
    ASSERT_EQ(platform::DismOpenSession(L"C:\\mnt", nullptr, nullptr, &session_), 0);
  }
  void TearDown() override {
    platform::DismCloseSession(session_);
    platform::DismUnmountImage(L"C:\\mnt", platform::kDismDiscardImage, nullptr, nullptr);
    DismTest::TearDown();
  }
  platform::DismResult AddPackage(const std::string& inf, const std::string& text) {
    test::WriteHostFile(root_ + "/pkg/" + inf, text);
    return platform::DismAddDriver(session_, L"E:\\pkg\\" + platform::AnsiToWide(inf), true);
  }
  std::wstring LastError() {
    platform::DismText* text = nullptr;
    platform::DismGetLastErrorMessage(&text);
    std::wstring value = text ? text->Value : L"";
    platform::DismDelete(text);
    return value;
  }
  platform::DismSessionHandle session_ = 0;
};

TEST_F(DismSubstitute, RefusesPackagesThatAreNotValidDriverPackages) {
  const std::string good =
      "[Version]\nSignature=\"$Windows NT$\"\nClass=USB\n[Manufacturer]\n%M%=Models\n[Models]\n"
      "%D%=Inst, PCI\\VEN_1B21&DEV_1042\n[SourceDisksNames]\n1=%N%,,,\n[SourceDisksFiles]\nx.sys=1\n";
  EXPECT_EQ(platform::DismAddDriver(session_, L"E:\\pkg\\none.inf", true), static_cast<platform::DismResult>(0x80070002u));
  EXPECT_EQ(AddPackage("broken.inf", "[Version\nSignature=\"$Windows NT$\"\n"), static_cast<platform::DismResult>(0x800F0003u));
  EXPECT_EQ(AddPackage("old.inf", "[Version]\nSignature=\"$Windows 95$\"\nClass=USB\n"),
            static_cast<platform::DismResult>(0x800F0100u));
  EXPECT_EQ(AddPackage("nomodels.inf", "[Version]\nSignature=\"$Windows NT$\"\nClass=USB\n[Manufacturer]\n%M%=Gone\n"),
            static_cast<platform::DismResult>(0x800F0101u));
  // A file named in SourceDisksFiles must lie beside the INF.
  EXPECT_EQ(AddPackage("good.inf", good), static_cast<platform::DismResult>(0x80070002u));
  EXPECT_NE(LastError().find(L"x.sys"), std::wstring::npos);
  test::WriteHostFile(root_ + "/pkg/X.SYS", "driver");
  EXPECT_EQ(AddPackage("good.inf", good), 0);
  // A package without models for the image's processor (this one is x86) is refused.
  std::string x64only = good;
  x64only.replace(x64only.find("%M%=Models\n[Models]"), 19, "%M%=Models,NTamd64\n[Models.NTamd64]");
  EXPECT_EQ(AddPackage("x64only.inf", x64only), static_cast<platform::DismResult>(0x80070032u));
  EXPECT_NE(LastError().find(L"no models for the image's architecture (x86)"), std::wstring::npos);
  EXPECT_EQ(platform::DismAddDriver(session_ + 100, L"E:\\pkg\\good.inf", true), platform::kDismInvalidSession);
}

TEST_F(DismSubstitute, UnmountNeedsTheSessionClosedAndDiscardKeepsTheImage) {
  const auto image2 = test::WimImageListing(BootWim(), 2);
  ASSERT_EQ(platform::DismAddDriver(session_, DriverPayloadRoot() + L"\\Asmedia\\asmtxhci.inf", true), 0);
  EXPECT_EQ(platform::DismUnmountImage(L"C:\\mnt", platform::kDismDiscardImage, nullptr, nullptr),
            platform::kDismOpenHandlesUnableToUnmount);
  std::vector<platform::DismMountedImage> mounted;
  ASSERT_EQ(platform::DismGetMountedImageInfo(mounted), 0);
  ASSERT_EQ(mounted.size(), 1u);
  EXPECT_EQ(mounted[0].imageIndex, 2u);
  EXPECT_EQ(mounted[0].mountStatus, platform::kDismMountStatusOk);

  ASSERT_EQ(platform::DismCloseSession(session_), 0);
  EXPECT_EQ(platform::DismUnmountImage(L"C:\\mnt\\", platform::kDismDiscardImage, nullptr, nullptr), 0);
  EXPECT_EQ(test::WimImageListing(BootWim(), 2), image2);
  EXPECT_EQ(MountRecords(), "[]");
  EXPECT_TRUE(std::filesystem::is_empty(machine_.Host(L"C:\\mnt")));
}

}  // namespace
