// The boot-image servicing step on real WIM files through the DISM substitute.
#include <algorithm>
#include <cctype>
#include <tuple>
#include <csignal>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>

#include "app/serviced_image.h"
#include "engine/job_precheck.h"
#include "platform/dism_api.h"
#include "platform/files.h"
#include "servicing/dism_fixture.h"

namespace {

using test::DismTest;

// The boot image's architecture, the Windows that serves DISM ("": the DISM API in the process;
// a Windows 7 or a 64-bit one: dism.exe), whether the user chose a folder of own packages (one
// fitting package, one for the other processor), and whether the disc's AutoRun.inf guessed the
// other architecture (the image's own decides the packages).
class DismServicing : public DismTest,
                      public ::testing::WithParamInterface<std::tuple<bool, const char*, bool, bool>> {};

// An own package "xhcx.inf" for both processors in E:\\own\\good, and one for the other
// processor only in E:\\own\\other.
void WriteOwnPackages(const test::TempMachine& machine, bool is64) {
  const std::string inf = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=USB\r\n[Manufacturer]\r\n"
                          "%M%=Models,NTx86,NTamd64\r\n[Models.NTx86]\r\n[Models.NTamd64]\r\n"
                          "[SourceDisksNames]\r\n1=%Disk%\r\n[SourceDisksFiles.x86]\r\nxhcx.sys=1,i386\r\n"
                          "[SourceDisksFiles.amd64]\r\nxhcx.sys=1,amd64\r\n";
  std::string other = inf;
  other.replace(other.find(is64 ? ",NTamd64" : "NTx86,"), is64 ? 8 : 6, "");
  auto write = [&](const std::wstring& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(machine.Host(path)).parent_path());
    std::ofstream(machine.Host(path), std::ios::binary) << bytes;
  };
  write(L"E:\\own\\good\\xhcx.inf", inf);
  write(L"E:\\own\\other\\xhcy.inf", other);
  const auto pe = test::PeFileBytes(is64 ? 0x8664 : 0x14C);
  write(is64 ? L"E:\\own\\good\\amd64\\xhcx.sys" : L"E:\\own\\good\\i386\\xhcx.sys", std::string(pe.begin(), pe.end()));
}

TEST_P(DismServicing, AddsTheAsmediaAndTheDiscsIntelPackagesToImageTwoOnly) {
  const bool is64 = std::get<0>(GetParam());
  const std::string windows = std::get<1>(GetParam());
  const bool own = std::get<2>(GetParam());
  const bool wrongGuess = std::get<3>(GetParam());
  UseWindows(windows);
  if (own) WriteOwnPackages(machine_, is64);
  const std::string arch = is64 ? "amd64" : "x86";
  MakeBootWim({test::PeImage(), test::SetupImage(is64 ? "9" : "0")});
  const auto image1 = test::WimImageListing(BootWim(), 1);

  ASSERT_EQ(Run(wrongGuess != is64, own ? L"E:\\own" : L""), 1) << Trace();

  EXPECT_EQ(test::WimImageCount(BootWim()), 2);
  EXPECT_EQ(test::WimImageListing(BootWim(), 1), image1);
  auto packages = test::StagedPackages(BootWim(), 2);
  packages.erase(std::remove(packages.begin(), packages.end(), "usb.inf_x86_neutral"), packages.end());
  ASSERT_EQ(packages.size(), own ? 5u : 4u);
  const char* names[] = {"asmthub3.inf_", "asmtxhci.inf_", "iusb3hub.inf_", "iusb3xhc.inf_", "xhcx.inf_"};
  for (std::size_t i = 0; i < packages.size(); ++i) EXPECT_EQ(packages[i].rfind(names[i] + arch + "_", 0), 0u) << packages[i];
  // The staged ASMedia driver is the one of the image's architecture.
  const std::string store = "/Windows/System32/DriverStore/FileRepository/";
  auto listing = test::WimImageListing(BootWim(), 2);
  EXPECT_TRUE(listing.count(store + packages[1] + (is64 ? "/amd64/asmtxhci.sys" : "/i386/asmtxhci.sys")));
  EXPECT_TRUE(listing.count(store + packages[2] + "/iusb3hub.man"));
  if (own) {
    EXPECT_TRUE(listing.count(store + packages[4] + (is64 ? "/amd64/xhcx.sys" : "/i386/xhcx.sys")));
    EXPECT_NE(Trace().find("E:\\own\\other\\xhcy.inf (has models for"), std::string::npos) << Trace();
  }

  // Exactly 7, 11 and 14 are posted with 100, each once and in that order; progress only in
  // the three DISM phases.
  std::vector<std::pair<int, int>> complete;
  for (const auto& post : recorder_.posts) {
    if (post.second == 100) complete.push_back(post);
    EXPECT_TRUE(post.first == DISMMOUNT || post.first == DISMCOMMIT || post.first == DISMUNMOUNT || post.second == 100)
        << post.first << "," << post.second;
  }
  EXPECT_EQ(complete, (std::vector<std::pair<int, int>>{{7, 100}, {11, 100}, {14, 100}}));
  EXPECT_EQ(lastState_, DISMUNMOUNTOK);

  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(MountFoldersLeft().empty());
  EXPECT_EQ(MountRecords(), "[]");
  std::string trace = Trace();
  EXPECT_NE(trace.find("DismOperation::Excute - DISMADDDRIVER: m_DriverFolder"), std::string::npos);
  EXPECT_NE(trace.find(is64 ? "\\Intel\\Win7\\x64" : "\\Intel\\Win7\\x86"), std::string::npos);
  EXPECT_EQ(trace.find(is64 ? "\\Intel\\Win7\\x86" : "\\Intel\\Win7\\x64"), std::string::npos);
  EXPECT_EQ(trace.find(std::string("DismOperation::Excute - image 2 (Microsoft Windows Setup (x86)) is ") +
                       (is64 ? "x64" : "x86") + " but the disc's AutoRun.inf says") != std::string::npos,
            wrongGuess);
  EXPECT_NE(trace.find("DismOperation::Excute - DISMUNMOUNTOK"), std::string::npos);
  if (!windows.empty()) {
    // dism.exe's bar moved the progress between 0 and 100, and every step was one run of it.
    EXPECT_TRUE(std::any_of(recorder_.posts.begin(), recorder_.posts.end(),
                            [](const auto& post) { return post.first == DISMMOUNT && post.second > 0 && post.second < 100; }));
    EXPECT_NE(trace.find("[DismManager] DISM back-end: dism.exe C:\\Windows\\"), std::string::npos);
    EXPECT_NE(trace.find("/Add-Driver /Driver:"), std::string::npos);
    EXPECT_NE(trace.find("/Unmount-Wim /MountDir:"), std::string::npos);
    return;
  }
  EXPECT_EQ(CallCount("DismAddDriver force=1"), own ? 5 : 4);
  EXPECT_EQ(CallCount("DismMountImage index=2 flags=0"), 1);
  EXPECT_EQ(CallCount("DismUnmountImage flags=0"), 1);
  EXPECT_EQ(platform::host::DismOutstandingAllocations(), 0u);
}

INSTANTIATE_TEST_SUITE_P(ArchitecturesAndBackEnds, DismServicing,
                         ::testing::Values(std::make_tuple(false, "", false, false),
                                           std::make_tuple(true, "", false, false),
                                           std::make_tuple(false, "win7-x86", false, false),
                                           std::make_tuple(true, "win10-x64", false, false),
                                           std::make_tuple(true, "", true, false),
                                           std::make_tuple(false, "win7-x86", true, false),
                                           std::make_tuple(true, "", true, true),
                                           std::make_tuple(false, "win10-x64", false, true)));

// The USB job's UEFI loader: where efi\boot\bootx64.efi comes from, or why there is none.
TEST_F(DismTest, TheStickGetsTheFirstFittingUefiBootManagerUnlessItHasOneOrTheDiscIs32Bit) {
  enum Loader { kNone, kX64, kX86, kEmpty, kConsole };
  enum Expect { kFromImage2, kFromImage1, kDiscs, kNoFile };
  struct Case {
    const char* what;
    bool is64;
    const char* windows;  // "" the DISM API, else dism.exe of that Windows
    Loader image1, image2;
    bool onDisc, inOsFolder;
    const char* fault;    // a DISM fault switch "name=value", or ""
    Expect expect;
  };
  const Case cases[] = {
      // The DISM API in the process first: a machine made to serve dism.exe stays so.
      {"64-bit: image 2's", true, "", kX64, kX64, false, false, "", kFromImage2},
      {"32-bit: never", false, "", kX64, kX64, false, false, "", kNoFile},
      {"the disc has one", true, "", kX64, kX64, true, false, "", kDiscs},
      {"the OS folder has one", true, "", kX64, kX64, false, true, "", kNoFile},
      {"image 2 lacks it: image 1's", true, "", kX64, kNone, false, false, "", kFromImage1},
      {"image 2's is a console program, image 1's empty", true, "", kEmpty, kConsole, false, false, "", kNoFile},
      {"image 1 can't be mounted", true, "", kX64, kNone, false, false, "dism.DismMountImage=0x80070005@2", kNoFile},
      {"image 2's is x86: image 1's, by dism.exe", true, "win10-x64", kX64, kX86, false, false, "", kFromImage1},
      {"neither has one, by dism.exe", true, "win7-x64", kNone, kNone, false, false, "", kNoFile},
  };
  auto occurrences = [this](const std::string& text) {
    const std::string trace = Trace();
    int n = 0;
    for (auto at = trace.find(text); at != std::string::npos; at = trace.find(text, at + 1)) ++n;
    return n;
  };
  auto loader = [](Loader kind, char tag) -> std::string {
    if (kind == kNone) return "";
    if (kind == kEmpty) return "";
    const auto pe = test::PeFileBytes(kind == kX86 ? 0x14C : 0x8664, kind == kConsole ? 3 : 10);
    return std::string(pe.begin(), pe.end()) + tag;  // the tag tells the images' files apart
  };
  const std::string efi = "Windows/Boot/EFI/bootmgfw.efi";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* folder : {"/efi", "/EFI"}) std::filesystem::remove_all(root_ + folder);
    const std::string osHost = machine_.Host(L"C:\\OS");
    std::filesystem::remove_all(osHost);
    UseWindows(c.windows);
    machine_.Builder().ClearFaults();
    if (*c.fault) {
      const std::string fault = c.fault;
      machine_.Builder().Fault(fault.substr(0, fault.find('=')), fault.substr(fault.find('=') + 1));
    }
    machine_.Apply();
    platform::host::ClearMessageBoxes();
    platform::host::ClearDismCallLog();
    test::WimImageContent pe = test::PeImage(), setup = test::SetupImage(c.is64 ? "9" : "0");
    if (c.image1 != kNone) pe.files[efi] = loader(c.image1, '1');
    if (c.image2 != kNone) setup.files[efi] = loader(c.image2, '2');
    MakeBootWim({pe, setup});
    const auto image1 = test::WimImageListing(BootWim(), 1);
    if (c.onDisc) test::WriteHostFile(root_ + "/EFI/Boot/BOOTX64.EFI", "the disc's own");
    if (c.inOsFolder) test::WriteHostFile(osHost + "/efi/boot/bootx64.efi", "the OS folder's");
    const std::wstring osFolder = L"C:\\OS";
    const int image1Before = occurrences("/Index:1 /MountDir:"), legacyBefore = occurrences("(CSM) mode only");

    ASSERT_EQ(Run(c.is64, L"", &osFolder), 1) << Trace();

    const std::string written = root_ + "/efi/boot/bootx64.efi";
    switch (c.expect) {
      case kFromImage2: EXPECT_EQ(test::ReadHostFile(written), loader(c.image2, '2')); break;
      case kFromImage1: EXPECT_EQ(test::ReadHostFile(written), loader(c.image1, '1')); break;
      case kDiscs: EXPECT_EQ(test::ReadHostFile(root_ + "/EFI/Boot/BOOTX64.EFI"), "the disc's own"); break;
      case kNoFile: EXPECT_FALSE(std::filesystem::exists(root_ + "/efi")) << "no efi\\boot folder is written"; break;
    }
    // The legacy-only note exactly when a loader was wanted and none was found.
    const bool wanted = c.is64 && !c.onDisc && !c.inOsFolder;
    EXPECT_EQ(endNote_.empty(), !(wanted && c.expect == kNoFile)) << platform::WideToAnsi(endNote_);
    EXPECT_EQ(occurrences("(CSM) mode only") - legacyBefore, endNote_.empty() ? 0 : 1);
    // Image 1 is looked into only for want of image 2's file, read-only, and is left as it was.
    const bool lookedIntoImage1 = wanted && c.expect != kFromImage2;
    if (!*c.windows) {
      EXPECT_EQ(CallCount("DismMountImage index=1 flags=1"), lookedIntoImage1 ? 1 : 0);
      EXPECT_EQ(CallCount("DismMountImage index=1 flags=0"), 0);
    } else {
      EXPECT_EQ(occurrences("/Index:1 /MountDir:") - image1Before, lookedIntoImage1 ? 1 : 0);
      EXPECT_EQ(occurrences("/ReadOnly"), occurrences("/Index:1 /MountDir:")) << "image 1 only, always read-only";
    }
    EXPECT_EQ(test::WimImageListing(BootWim(), 1), image1);
    EXPECT_EQ(Boxes().size(), *c.fault ? 1u : 0u) << "only a failed DISM call is shown";
    EXPECT_TRUE(MountFoldersLeft().empty());
    EXPECT_EQ(MountRecords(), "[]");
    EXPECT_EQ(test::StagedPackages(BootWim(), 2).size(), 5u) << "the drivers went in whatever the loader did";
  }
}

struct FailingCall {
  const char* function;  // the DISM call that fails
  const char* boxName;   // the name the error box gives it
  int stateLeft;
};

class DismCallFailure : public DismTest, public ::testing::WithParamInterface<FailingCall> {};

TEST_P(DismCallFailure, ShowsTheErrorLeavesTheStateAndUnmounts) {
  const FailingCall& failing = GetParam();
  MakeBootWim({test::PeImage(), test::SetupImage("0")});
  const auto image2 = test::WimImageListing(BootWim(), 2);
  // Only the first call fails, so undoing the mount can use the same call again.
  SetFault(std::string("dism.") + failing.function, "0xc1420117@1");

  EXPECT_EQ(Run(false), 0);

  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"DismCpp");
  EXPECT_EQ(boxes[0].owner, 0u);
  const std::wstring expected = platform::AnsiToWide(failing.boxName) + L" failed 0xc1420117 : ";
  EXPECT_EQ(boxes[0].text.rfind(expected, 0), 0u) << platform::WideToAnsi(boxes[0].text);
  EXPECT_EQ(boxes[0].text.substr(boxes[0].text.size() - 2), L"  ");
  EXPECT_EQ(lastState_, failing.stateLeft);

  // Nothing stays mounted: boot.wim is free and no mount folder is left.
  EXPECT_EQ(MountRecords(), "[]");
  EXPECT_TRUE(MountFoldersLeft().empty());
  const std::string fn = failing.function;
  if (fn != "DismCloseSession" && fn != "DismUnmountImage") {
    EXPECT_EQ(test::WimImageListing(BootWim(), 2), image2);
  }
  for (const auto& post : recorder_.posts) EXPECT_LE(post.first, failing.stateLeft == NOSTATE ? -1 : failing.stateLeft);
  // The failing phase is posted last, so the page names it and not the phase before.
  if (failing.stateLeft != NOSTATE) {
    ASSERT_FALSE(recorder_.posts.empty());
    EXPECT_EQ(recorder_.posts.back(), std::make_pair(failing.stateLeft, 0));
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachCall, DismCallFailure,
    ::testing::Values(FailingCall{"DismGetImageInfo", "DismGetImageInfo", NOSTATE},
                      FailingCall{"DismMountImage", "DismMountImage", DISMMOUNT},
                      FailingCall{"DismOpenSession", "DismOpenSession ", DISMMOUNT},
                      FailingCall{"DismAddDriver", "DismAddDriver  ", DISMADDDRIVER},
                      FailingCall{"DismCommitImage", "DismCommitImage ", DISMCOMMIT},
                      FailingCall{"DismCloseSession", "DismCloseSession", DISMCOMMIT},
                      FailingCall{"DismUnmountImage", "DismUnmountImage  ", DISMUNMOUNT}),
    [](const ::testing::TestParamInfo<FailingCall>& info) { return std::string(info.param.function); });

// dism.exe failing at each command, hanging or printing nonsense: the same box names as the
// DISM API's calls, with DISM's text (or the program's own when dism.exe gave none).
struct FailingRun {
  const char* command;  // the dism.exe command that misbehaves
  const char* fault;    // its fault switch
  const char* boxStart;
  int stateLeft;
  bool mountLeft;       // an unmount that fails every time leaves the mount for the next job
};

class DismExeFailure : public DismTest, public ::testing::WithParamInterface<FailingRun> {};

TEST_P(DismExeFailure, ShowsTheFailureAndLeavesNothingMountedButWhatCantBeUnmounted) {
  const FailingRun& failing = GetParam();
  UseWindows("win7-x64");
  MakeBootWim({test::PeImage(), test::SetupImage("0")});
  const auto image2 = test::WimImageListing(BootWim(), 2);
  SetFault(std::string("dismexe.") + failing.command, failing.fault);

  EXPECT_EQ(Run(false), 0);
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"DismCpp");
  EXPECT_EQ(boxes[0].text.rfind(platform::AnsiToWide(failing.boxStart), 0), 0u) << platform::WideToAnsi(boxes[0].text);
  EXPECT_GT(boxes[0].text.size(), std::string(failing.boxStart).size() + 2) << "the reason is given";
  EXPECT_EQ(lastState_, failing.stateLeft);
  EXPECT_EQ(MountRecords() != "[]", failing.mountLeft);
  if (std::string(failing.command) != "unmount-wim") {
    EXPECT_EQ(test::WimImageListing(BootWim(), 2), image2);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachCommand, DismExeFailure,
    ::testing::Values(
        FailingRun{"get-wiminfo", "0xc1420117", "DismGetImageInfo failed 0xc1420117 : ", NOSTATE, false},
        FailingRun{"mount-wim", "0xc1420117", "DismMountImage failed 0xc1420117 : ", DISMMOUNT, false},
        FailingRun{"add-driver", "0x80070002", "DismAddDriver   failed 0x80070002 : ", DISMADDDRIVER, false},
        FailingRun{"commit-wim", "0xc1420117", "DismCommitImage  failed 0xc1420117 : ", DISMCOMMIT, false},
        FailingRun{"unmount-wim", "0xc1420117", "DismUnmountImage   failed 0xc1420117 : ", DISMUNMOUNT, true},
        FailingRun{"add-driver", "hang", "DismAddDriver   failed 0x800705b4 : dism.exe printed nothing for 1 seconds",
                   DISMADDDRIVER, false},
        FailingRun{"mount-wim", "garbage", "DismMountImage failed 0x80004005 : dism.exe gave no reason", DISMMOUNT,
                   false},
        FailingRun{"commit-wim", "garbage", "DismCommitImage  failed 0x80004005 : dism.exe gave no reason",
                   DISMCOMMIT, false}),
    [](const ::testing::TestParamInfo<FailingRun>& info) {
      std::string name = std::string(info.param.command) + "_" + info.param.fault;
      for (auto& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

class DismImageCount : public DismTest, public ::testing::WithParamInterface<int> {};

TEST_P(DismImageCount, BootWimWithoutExactlyTwoImagesFailsSayingWhy) {
  std::vector<test::WimImageContent> images{test::PeImage()};
  if (GetParam() == 3) {
    images = {test::PeImage(), test::SetupImage("0"), test::SetupImage("0")};
    images[2].name = "Microsoft Windows Setup (second)";
  }
  MakeBootWim(images);

  EXPECT_EQ(Run(false), 0);
  // The job check's refusal, met again here if the disc changed since: shown and traced.
  const std::wstring why = L"holds " + std::to_wstring(GetParam()) + L" image(s), but ";
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].text.find(why), std::wstring::npos);
  EXPECT_NE(Trace().find("DismOperation::Excute - The setup image E:\\sources\\boot.wim holds"), std::string::npos);
  EXPECT_EQ(CallCount("DismMountImage"), 0);
  EXPECT_TRUE(recorder_.posts.empty());
}

INSTANTIATE_TEST_SUITE_P(OneOrThree, DismImageCount, ::testing::Values(1, 3));

TEST_F(DismTest, MissingBootWimFailsWithoutTouchingDism) {
  EXPECT_EQ(Run(false), 0);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(platform::host::DismCallLog().empty());
}

TEST_F(DismTest, FailedInitialisationFailsTheStepAndIsTriedAgainLater) {
  MakeBootWim({test::PeImage(), test::SetupImage("0")});
  SetFault("dism.DismInitialize", "0x8007007e");

  EXPECT_EQ(Run(false), 0);
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"DismCpp");
  EXPECT_NE(boxes[0].text.find(L"Unable to DismInitialize"), std::wstring::npos);
  EXPECT_NE(Trace().find("DismOperation::Excute - Unable to DismInitialize 0x8007007e"), std::string::npos);

  machine_.Builder().Description().faults.clear();
  machine_.Apply();
  EXPECT_NO_THROW(DismManager::Instance());
}

TEST_F(DismTest, IntelPackagesOfTheOtherArchitectureAreRefusedAndNothingIsKept) {
  // A 32-bit boot image that names no architecture, on a disc wrongly taken for a 64-bit one:
  // the disc's guess is all there is, so the ASMedia packages go in, the first x64 Intel package
  // is refused and the mount is discarded.
  MakeBootWim({test::PeImage(), test::SetupImage("")});
  const auto image2 = test::WimImageListing(BootWim(), 2);

  EXPECT_EQ(Run(true), 0);
  EXPECT_EQ(CallCount("DismAddDriver"), 3);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text.rfind(L"DismAddDriver   failed 0x80070032 : ", 0), 0u);
  EXPECT_EQ(lastState_, DISMADDDRIVER);
  EXPECT_EQ(test::WimImageListing(BootWim(), 2), image2);
  EXPECT_EQ(MountRecords(), "[]");
}

TEST_F(DismTest, ReadOnlyBootWimIsMadeWritableFirst) {
  MakeBootWim({test::PeImage(), test::SetupImage("0")});
  ASSERT_TRUE(platform::SetAttributes(L"E:\\sources\\boot.wim", platform::kAttrReadOnly));
  EXPECT_EQ(Run(false), 1);
  EXPECT_EQ(platform::GetAttributes(L"E:\\sources\\boot.wim").value() & platform::kAttrReadOnly, 0u);
}

TEST_F(DismTest, EachInvalidMountIsCleanedUpBeforeTheNewMount) {
  MakeBootWim({test::PeImage(), test::SetupImage("0")});
  test::MakeWim(root_ + "/other.wim", {test::PeImage()});
  DismManager::Instance();
  for (const wchar_t* folder : {L"C:\\stale1", L"C:\\stale2"}) {
    ASSERT_TRUE(platform::CreateFolderPath(folder));
    ASSERT_EQ(platform::DismMountImage(L"E:\\other.wim", folder, 1, nullptr, platform::kDismImageIndex,
                                       platform::kDismMountReadOnly, nullptr, nullptr),
              0);
    std::filesystem::remove_all(machine_.Host(folder));  // the mount becomes invalid
  }
  platform::host::ClearDismCallLog();

  EXPECT_EQ(Run(false), 1);
  auto calls = platform::host::DismCallLog();
  auto mount = std::find_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("DismMountImage", 0) == 0; });
  EXPECT_EQ(std::count(calls.begin(), mount, std::string("DismCleanupMountpoints")), 2);
  EXPECT_EQ(CallCount("DismCleanupMountpoints"), 2);
  EXPECT_EQ(MountRecords(), "[]");
}

// What earlier runs left mounted in the program data folder goes before a job, whatever its
// status; mounts elsewhere are someone else's and stay. A mount that can't be removed is named.
TEST_F(DismTest, StaleMountsInTheProgramDataFolderAreRemovedAndOthersStay) {
  test::MakeWim(root_ + "/other.wim", {test::PeImage(), test::SetupImage("0")});
  DismManager* dism = DismManager::Instance();
  const std::wstring data = platform::AnsiToWide(GetProgramDataFolder());
  struct Left {
    std::wstring folder;
    std::uint32_t index;
    bool invalid;  // its folder gone
  };
  const Left left[] = {{data + L"101010", 1, false}, {data + L"111111", 2, true}, {L"C:\\Elsewhere", 1, false}};
  for (const Left& mount : left) {
    ASSERT_TRUE(platform::CreateFolderPath(mount.folder));
    ASSERT_EQ(platform::DismMountImage(L"E:\\other.wim", mount.folder, mount.index, nullptr, platform::kDismImageIndex,
                                       platform::kDismMountReadOnly, nullptr, nullptr),
              0);
    if (mount.invalid) std::filesystem::remove_all(machine_.Host(mount.folder));
  }

  std::wstring stuck;
  EXPECT_TRUE(dism->ClearStaleMounts(stuck));
  std::vector<platform::DismMountedImage> mounted;
  platform::DismGetMountedImageInfo(mounted);
  ASSERT_EQ(mounted.size(), 1u);
  EXPECT_EQ(mounted[0].mountPath, L"C:\\Elsewhere");
  EXPECT_FALSE(platform::PathExists(data + L"101010"));
  EXPECT_NE(Trace().find("left mounted: " + platform::WideToAnsi(data) + "101010 (E:\\other.wim, image 1, ok)"),
            std::string::npos);

  // One that DISM refuses to unmount stays, and is named.
  ASSERT_TRUE(platform::CreateFolderPath(data + L"121212"));
  ASSERT_EQ(platform::DismMountImage(L"E:\\other.wim", data + L"121212", 2, nullptr, platform::kDismImageIndex,
                                     platform::kDismMountReadOnly, nullptr, nullptr),
            0);
  SetFault("dism.DismUnmountImage", "0xc1420117");
  EXPECT_FALSE(dism->ClearStaleMounts(stuck));
  EXPECT_EQ(stuck, data + L"121212");
}

// A program killed while it services the image leaves the image mounted; the next job's check
// removes that mount and the job succeeds.
TEST_F(DismTest, AMountLeftByAKilledProgramIsClearedByTheNextJob) {
  MakeBootWim({test::PeImage(), test::SetupImage("0")});
  const auto image2 = test::WimImageListing(BootWim(), 2);
  DismManager::DestroyInstance();
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        DismManager* dism = DismManager::Instance();
        if (dism->Mount(L"E:\\sources\\boot.wim", 2, nullptr, nullptr) &&
            dism->AddDriver(platform::AnsiToWide(GetProgramDataFolder()) + L"U3\\Asmedia\\asmthub3.inf"))
          std::raise(SIGKILL);
        std::exit(1);
      },
      ::testing::KilledBySignal(SIGKILL), "");
  ASSERT_EQ(MountFoldersLeft().size(), 1u);
  ASSERT_NE(MountRecords(), "[]");

  WIN7_OPERAT_INFO info{};
  std::wcscpy(info.szSourcePath, L"E:\\");
  EXPECT_FALSE(CheckJobCanFinish(0, info).has_value());
  EXPECT_EQ(MountRecords(), "[]");
  EXPECT_TRUE(MountFoldersLeft().empty());
  EXPECT_EQ(test::WimImageListing(BootWim(), 2), image2) << "the killed run's driver was discarded";
  EXPECT_EQ(Run(false), 1) << Trace();
  EXPECT_EQ(test::StagedPackages(BootWim(), 2).size(), 5u);
}

TEST_F(DismTest, ProgressIsCurrentTimesHundredOverTotalInUnsigned32Bits) {
  DismOperation operation(window_, L"E:\\", DriverPayloadRoot(), false);
  DismOperation::OnDismProgress(37, 100, &operation);
  DismOperation::OnDismProgress(50000000u, 100000000u, &operation);  // 5e9 wraps to 705032704
  DismOperation::OnDismProgress(5, 0, &operation);                   // no division by zero
  platform::PumpPendingMessages();
  EXPECT_EQ(recorder_.posts,
            (std::vector<std::pair<int, int>>{{NOSTATE, 37}, {NOSTATE, 7}, {NOSTATE, 0}}));
}

}  // namespace

namespace {

// Adding the drivers to Windows itself: without the option install.wim and image 1 of boot.wim
// stay byte for byte the disc's; with it, image 1 and every edition get the packages of their
// own architecture, one mount at a time, the window told each image's place in the series; a
// stop asked for before the series leaves the Windows images untouched. Both back-ends.
TEST_F(DismTest, TheOptionAddsTheDriversToEveryWindowsImageInTurn) {
  struct Row {
    const char* windows;
    bool allImages;
    bool stopFirst;
  };
  const Row rows[] = {{"", false, false}, {"", true, false}, {"win7-x86", true, false}, {"", true, true}};
  const std::string install = root_ + "/sources/install.wim";
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.windows) + (row.allImages ? " all" : " boot") + (row.stopFirst ? " stop" : ""));
    UseWindows(row.windows);
    MakeBootWim({test::PeImage(), test::SetupImage("0")});
    test::WimImageContent basic = test::SetupImage("0"), professional = test::SetupImage("9");
    basic.name = "Windows 7 HOMEBASIC";
    professional.name = "Windows 7 PROFESSIONAL";
    test::MakeWim(install, {basic, professional});
    const std::string installBytes = test::ReadHostFile(install);
    const auto image1 = test::WimImageListing(BootWim(), 1);
    recorder_.posts.clear();

    DismOperation operation(window_, L"E:", DriverPayloadRoot(), false, L"", row.allImages);
    if (row.stopFirst) operation.Stop();
    ASSERT_EQ(operation.Excute(), 1) << Trace();
    platform::PumpPendingMessages();

    EXPECT_EQ(test::StagedPackages(BootWim(), 2).size(), 5u) << "image 2 always, the stop notwithstanding";
    const bool series = row.allImages && !row.stopFirst;
    if (!series) {
      EXPECT_EQ(test::ReadHostFile(install), installBytes);
      EXPECT_EQ(test::WimImageListing(BootWim(), 1), image1);
    } else {
      // Intel's packages are per architecture: the x64 edition's are the x64 ones.
      for (const auto& [wim, index, arch] : {std::tuple{BootWim(), 1, "x86"}, std::tuple{install, 1, "x86"},
                                             std::tuple{install, 2, "amd64"}}) {
        const auto staged = test::StagedPackages(wim, index);
        EXPECT_EQ(std::count_if(staged.begin(), staged.end(),
                                [&](const std::string& p) {
                                  return p.rfind("usb.inf", 0) != 0 && p.find(std::string("_") + arch + "_") != std::string::npos;
                                }),
                  4) << wim << " " << index;
      }
      const ServicedImage last = CurrentServicedImage();
      EXPECT_EQ(last.name, L"Windows 7 PROFESSIONAL");
      EXPECT_EQ(last.number, 3u);
      EXPECT_EQ(last.total, 3u);
      EXPECT_NE(Trace().find("adding the drivers to Microsoft Windows PE (x86) (1 of 3)"), std::string::npos);
      // The series' percent only grows, to 100 at the last unmount.
      int previous = 0, seen = 0;
      for (const auto& [state, percent] : recorder_.posts) {
        if (state != DISMIMAGE) continue;
        ++seen;
        EXPECT_GE(percent, previous);
        previous = percent;
      }
      EXPECT_GT(seen, 3);
      EXPECT_EQ(previous, 100);
    }
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(MountFoldersLeft().empty());
    EXPECT_EQ(MountRecords(), "[]");
    DismManager::DestroyInstance();
  }
}

}  // namespace
