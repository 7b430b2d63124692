// The check made before a job starts, on a generated Windows 7 disc: each finding that would
// make the job fail half-way refuses it with a message, before any drive is touched.
#include <gtest/gtest.h>

#include <cwchar>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "engine/job_precheck.h"
#include "platform/folders.h"
#include "sim/probes/message_box_script.h"
#include "support/recording_job_window.h"
#include "servicing/dism_manager.h"
#include "support/sample_disc.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

class JobPrecheck : public ::testing::Test {
 protected:
  void SetUp() override {
    DismManager::DestroyInstance();
    platform::host::ClearMessageBoxes();
    ASSERT_FALSE(test::InsertSampleDisc(machine_, 'E').empty());
    disc_ = machine_.Builder().HostFolderOf('E');
    std::wcscpy(info_.szSourcePath, L"E:\\");
    info_.bIs64bitDVD = false;
  }
  void TearDown() override { DismManager::DestroyInstance(); }

  // The oscdimg folders beside the program, as Microsoft's deployment kit lays them out.
  void InstallIsoTool() {
    std::string exe = machine_.Host(platform::ExecutableFolder());
    for (const char* arch : {"Oscdimg_x86", "Oscdimg_amd64"})
      for (const char* file : {"oscdimg.exe", "etfsboot.com", "efisys.bin"})
        test::WriteHostFile(exe + "/" + arch + "/Oscdimg/" + file, "x");
  }

  // The check, and its refusal shown as the window shows it; true when the job can run.
  bool CheckAndShow(std::int32_t type) {
    auto refusal = CheckJobCanFinish(type, info_);
    if (refusal) ShowJobRefusal(0, *refusal);
    return !refusal;
  }

  std::wstring RefusalText(std::int32_t type) {
    auto refusal = CheckJobCanFinish(type, info_);
    return refusal ? refusal->text : L"";
  }

  test::TempMachine machine_;
  std::string disc_;
  WIN7_OPERAT_INFO info_;
};

TEST_F(JobPrecheck, AGoodDiscWithEverythingInPlaceCanRunBothJobs) {
  InstallIsoTool();
  EXPECT_EQ(RefusalText(0), L"");
  EXPECT_EQ(RefusalText(1), L"");
  EXPECT_TRUE(CheckAndShow(0));
  EXPECT_TRUE(platform::host::ShownMessageBoxes().empty());
  std::string trace = test::ReadHostFile(machine_.Host(L"C:\\ProgramData\\Qarvel\\DraventaWin\\XHCItrace.log"));
  EXPECT_NE(trace.find("[CheckJobCanFinish] E:\\sources\\boot.wim holds 2 images"), std::string::npos);
  EXPECT_NE(trace.find("[CheckJobCanFinish] the job can run"), std::string::npos);
}

TEST_F(JobPrecheck, AMissingIsoToolOrDismRefusesTheJob) {
  // The ISO tool is needed only for an ISO file.
  EXPECT_NE(RefusalText(1).find(L"Oscdimg_x86\\Oscdimg\\oscdimg.exe was not found"), std::wstring::npos);
  EXPECT_EQ(RefusalText(0), L"");
  InstallIsoTool();
  fs::remove(machine_.Host(platform::ExecutableFolder()) + "/Oscdimg_x86/Oscdimg/efisys.bin");
  EXPECT_NE(RefusalText(1).find(L"efisys.bin was not found"), std::wstring::npos) << "a 32-bit disc's boot files";
  info_.bIs64bitDVD = true;
  EXPECT_EQ(RefusalText(1), L"");

  DismManager::DestroyInstance();
  machine_.Builder().Fault("dism.DismInitialize", "0x8007007E");
  machine_.Apply();
  EXPECT_TRUE(CheckAndShow(1) == false);
  auto boxes = platform::host::ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"Error");
  EXPECT_NE(boxes[0].text.find(L"Windows' DISM could not be used"), std::wstring::npos);
  EXPECT_NE(boxes[0].text.find(L"Nothing has been changed on any drive."), std::wstring::npos);

  // A system with neither the DISM API nor dism.exe.
  DismManager::DestroyInstance();
  machine_.Builder().Description().faults.clear();
  machine_.Apply();
  fs::remove(machine_.Host(L"C:\\Windows\\System32\\dismapi.dll"));
  EXPECT_NE(RefusalText(0).find(L"Windows' DISM could not be used"), std::wstring::npos);
}

TEST_F(JobPrecheck, ADiscWithoutAUsableImageTwoIsRefused) {
  fs::path wim = fs::path(disc_) / "sources" / "boot.wim";
  fs::path keep = fs::path(machine_.Folder()) / "boot.wim";
  fs::rename(wim, keep);
  EXPECT_NE(RefusalText(0).find(L"not a Windows 7 setup disc: E:\\sources\\boot.wim was not found"), std::wstring::npos);

  test::WriteHostFile(wim.string(), "this is no WIM file");
  EXPECT_NE(RefusalText(0).find(L"can't be read"), std::wstring::npos);

  // One image only: export image 1 of the real boot.wim into a WIM of its own.
  fs::remove(wim);
  std::string out = e2e::Shell("wimlib-imagex export '" + keep.string() + "' 1 '" + wim.string() + "'");
  ASSERT_TRUE(fs::exists(wim)) << out;
  EXPECT_NE(RefusalText(0).find(L"holds 1 image(s)"), std::wstring::npos);

  // Three images (the setup image twice): the servicing would refuse it after the erase, so the
  // check refuses it before, in the servicing's own words.
  fs::remove(wim);
  fs::copy_file(keep, wim);
  out = e2e::Shell("wimlib-imagex export '" + keep.string() + "' 2 '" + wim.string() + "' 'Setup again'");
  std::wstring text = RefusalText(0);
  EXPECT_NE(text.find(L"holds 3 image(s), but a Windows 7 setup disc's boot image holds exactly 2"),
            std::wstring::npos) << out;
  EXPECT_NE(text.find(L"Nothing has been changed on any drive."), std::wstring::npos);
}

// With "Also add the drivers to Windows itself" every edition of install.wim is mounted in turn
// in the program data folder: a disc whose Windows image can't be mounted so, or a C: without
// room for the largest, is refused before anything is erased. Without the option none matters.
TEST_F(JobPrecheck, AddingTheDriversToWindowsNeedsAMountableInstallWimAndRoomForIt) {
  const fs::path sources = fs::path(disc_) / "sources";
  const std::string wim = (sources / "install.wim").string();
  const std::string keep = machine_.Folder() + "/install.wim";
  fs::copy_file(wim, keep);
  struct Row {
    const char* what;
    std::function<void()> arrange;
    std::wstring refused;  // empty: the job can run
  };
  auto& drives = machine_.Builder().Description().drives;
  auto c = std::find_if(drives.begin(), drives.end(), [](const auto& d) { return d.letter == 'C'; });
  ASSERT_NE(c, drives.end());
  const std::uint64_t roomy = c->totalBytes;
  const Row rows[] = {
      {"four editions", [] {}, L""},
      {"split", [&] { fs::rename(wim, sources / "install.swm"); }, L"its Windows image is E:\\sources\\install.swm, which DISM can't mount"},
      {"esd", [&] { test::WriteHostFile((sources / "install.esd").string(), "esd"); }, L"E:\\sources\\install.esd, which DISM can't mount"},
      {"unreadable", [&] { test::WriteHostFile(wim, "no WIM"); }, L"E:\\sources\\install.wim was not found or can't be read"},
      {"C: full", [&] { c->totalBytes = 1; machine_.Apply(); }, L"MB free on C:\\, but it has 0 MB"},
      {"packages that could take install.wim past FAT32's limit",
       [&] {
         std::wcscpy(info_.szDriverPath, L"C:\\U3");
         const std::string big = machine_.Host(L"C:\\U3") + "/big.sys";
         test::WriteHostFile(big, "");
         fs::resize_file(big, 512ull << 20);  // sparse
       },
       L"could grow past 4 GB"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.arrange();
    info_.bAllImages = false;
    EXPECT_EQ(RefusalText(0), L"") << "the option off, the Windows image is not looked at";
    info_.bAllImages = true;
    const std::wstring text = RefusalText(0);
    if (row.refused.empty()) {
      EXPECT_EQ(text, L"");
    } else {
      EXPECT_NE(text.find(row.refused), std::wstring::npos) << platform::host::ToUtf8(text);
      EXPECT_NE(text.find(L"Nothing has been changed on any drive."), std::wstring::npos);
    }
    fs::remove(sources / "install.swm");
    fs::remove(sources / "install.esd");
    fs::copy_file(keep, wim, fs::copy_options::overwrite_existing);
    c->totalBytes = roomy;
    machine_.Apply();
    info_.szDriverPath[0] = L'\0';
  }
}

TEST_F(JobPrecheck, ABootWimCutShortIsRefusedAsUnreadable) {
  // A disc read badly, or an image copied half-way: half of the real boot.wim, then its header.
  fs::path wim = fs::path(disc_) / "sources" / "boot.wim";
  const auto size = fs::file_size(wim);
  for (std::uintmax_t cut : {size / 2, static_cast<std::uintmax_t>(208)}) {
    fs::resize_file(wim, cut);
    std::wstring text = RefusalText(0);
    EXPECT_NE(text.find(L"can't be read (it is damaged or not a WIM file)"), std::wstring::npos) << cut;
    EXPECT_NE(text.find(L"Nothing has been changed on any drive."), std::wstring::npos) << cut;
  }
}

TEST_F(JobPrecheck, AFileTooLargeForFat32RefusesOnlyTheUsbJob) {
  InstallIsoTool();
  // The "OS" folder beside the program: its files go onto the stick too.
  std::wcscpy(info_.szImgDriverPath, (platform::ExecutableFolder() + L"OS").c_str());
  const std::string os = machine_.Host(platform::ExecutableFolder()) + "/OS";
  test::WriteHostFile(os + "/readme.txt", "x");
  // Sparse files, so nothing big is written; `refused` names the refusal, empty when it runs.
  struct Row {
    std::string file;
    std::uintmax_t bytes;
    std::wstring refused;
  };
  const Row rows[] = {
      {disc_ + "/sources/install.wim", kFat32LargestFile + 1,
       L"The file E:\\sources\\install.wim (4096 MB) is larger than 4 GB"},
      {disc_ + "/sources/install.wim", kFat32LargestFile, L""},  // 4 GiB - 1 byte fits
      {os + "/sources/install.wim", 4500000000u,
       L"The file C:\\Program Files\\Draventa\\OS\\sources\\install.wim (4291 MB) is larger than 4 GB, the largest "
       L"file a FAT32 USB drive can hold, so the \"OS\" folder beside the program can't be copied"},
      {os + "/x/big.bin", kFat32LargestFile, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file + " " + std::to_string(row.bytes));
    const bool had = fs::exists(row.file);
    const std::uintmax_t size = had ? fs::file_size(row.file) : 0;
    if (!had) test::WriteHostFile(row.file, "");
    fs::resize_file(row.file, row.bytes);
    const std::wstring text = RefusalText(0);
    if (row.refused.empty())
      EXPECT_EQ(text, L"");
    else
      EXPECT_NE(text.find(row.refused), std::wstring::npos) << platform::host::ToUtf8(text);
    EXPECT_EQ(RefusalText(1), L"") << "an ISO file holds large files";
    if (had)
      fs::resize_file(row.file, size);
    else
      fs::remove(row.file);
  }
}

}  // namespace
