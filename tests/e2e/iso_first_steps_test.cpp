// The first three steps of the disc-to-ISO job (copy to the scratch folder, servicing, the "OS"
// folder) on a generated 32-bit disc, run by the worker thread; the ISO step is replaced by one
// that does nothing, so the scratch tree can be examined as the ISO tool would receive it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "disk/volume_utils.h"
#include "engine/completion_operations.h"
#include "engine/job_record.h"
#include "engine/job_window.h"
#include "engine/operation_catalog.h"
#include "engine/operation_thd.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/messages.h"
#include "servicing/driver_payload.h"
#include "support/sample_disc.h"
#include "support/recording_job_window.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

using e2e::Shell;
using e2e::StatePost;

// The packages staged in one image, as "<inf name>_<arch>" (the id after it differs by build).
std::vector<std::string> StagedPackages(const std::string& wim, int image) {
  std::vector<std::string> packages;
  std::string listing = Shell("wimdir '" + wim + "' " + std::to_string(image));
  const std::string marker = "DriverStore/FileRepository/";
  for (std::size_t pos = 0; (pos = listing.find(marker, pos)) != std::string::npos;) {
    pos += marker.size();
    std::size_t end = listing.find_first_of("/\n", pos);
    std::string name = listing.substr(pos, end - pos);
    if (end != std::string::npos && listing[end] == '\n' && name.find(".inf_") != std::string::npos &&
        name.find("_neutral_") == std::string::npos)
      packages.push_back(name.substr(0, name.rfind('_')));
  }
  std::sort(packages.begin(), packages.end());
  return packages;
}

// Paths and content hashes of every file of one image.
std::string ImageContent(const std::string& wim, int image) {
  return Shell("wimdir '" + wim + "' " + std::to_string(image) + " --detailed | grep -E '^(Full Path|Hash)'");
}

TEST(IsoJobFirstSteps, ThirtyTwoBitDiscGetsTheX86PackagesInImageTwoOnly) {
  test::TempMachine machine;
  std::wstring label = test::InsertSampleDisc(machine, 'E', {false, 0, ""});
  ASSERT_EQ(label, L"GRMCULFRER_EN_DVD");
  machine.Builder().Fixed('D', 1);
  machine.Apply();
  fs::create_directories(machine.Host(L"D:\\") + "/ISO");
  std::wstring exe = platform::ExecutableFolder();
  test::WriteHostFile(machine.Host(exe + L"OS") + "/OS/readme.txt", "from the OS folder\r\n");
  ExtractDriverPayload();

  JobPaths paths{L"E:\\", DriverPayloadRoot(), exe + L"OS", L"D:\\ISO",
                 GetScratchFolder(static_cast<int>(GetFolderSize(L"E:\\", true) / 1048576) + 500),
                 HasAmd64AutorunSection(L"E:\\AutoRun.inf")};
  ASSERT_FALSE(paths.is64bitDvd);
  WIN7_OPERAT_INFO info;
  JobRecordProblem problem;
  ASSERT_TRUE(CheckScratchFolder(1, paths, problem));
  ASSERT_TRUE(FillJobRecord(paths, info, problem));

  // The real steps, but the ISO build (code 4) succeeds without running the tool.
  SetOperationMaker([](std::int32_t code, const OperationContext& context) -> std::unique_ptr<BasicOperation> {
    if (code == 4) return std::make_unique<CheckOperation>();
    return MakeFromCatalogue(code, context);
  });
  platform::Result<std::vector<std::uint8_t>> sourceInstall = platform::ReadWholeFile(L"E:\\sources\\install.wim");
  ASSERT_TRUE(sourceInstall);

  e2e::RecordingJobWindow window;
  {
    TOperationThd thread(true, &window, 1, &info);
    thread.Resume();
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return window.finish >= 0; }, 180000)) << "the job hung";
  }
  SetOperationMaker(nullptr);
  EXPECT_EQ(window.finish, 0);

  // Copy to scratch, mount, commit, unmount, the "OS" folder, then FINISH: in this order, with
  // 100 posted for exactly the ends of phases.
  std::vector<StatePost> ends;
  for (const auto& post : window.states)
    if (post.second == 100 && post.first != BACKUPOS) ends.push_back(post);
  EXPECT_EQ(ends, (std::vector<StatePost>{{BACKUPOK, 100}, {DISMMOUNTOK, 100}, {DISMCOMMITOK, 100},
                                          {DISMUNMOUNTOK, 100}, {BACKUPOK, 100}, {FINISH, 100}}));
  EXPECT_EQ(window.states.front().first, BACKUPOS);
  EXPECT_NE(std::find(window.states.begin(), window.states.end(), StatePost{DISMMOUNT, 0}), window.states.end());

  std::string scratch = machine.Host(info.szTmpPath);
  std::string serviced = scratch + "/sources/boot.wim";
  std::string original = machine.Host(L"E:\\sources\\boot.wim");
  EXPECT_EQ(StagedPackages(serviced, 2),
            (std::vector<std::string>{"asmthub3.inf_x86", "asmtxhci.inf_x86", "iusb3hub.inf_x86", "iusb3xhc.inf_x86"}));
  EXPECT_TRUE(StagedPackages(serviced, 1).empty());
  std::string image1 = ImageContent(serviced, 1);
  EXPECT_NE(image1.find("Hash"), std::string::npos) << image1;
  EXPECT_EQ(image1, ImageContent(original, 1));

  platform::Result<std::vector<std::uint8_t>> copiedInstall =
      platform::ReadWholeFile(info.szTmpPath + std::wstring(L"sources\\install.wim"));
  ASSERT_TRUE(copiedInstall);
  EXPECT_TRUE(*copiedInstall == *sourceInstall);
  EXPECT_EQ(test::ReadHostFile(scratch + "/OS/readme.txt"), "from the OS folder\r\n");
}

}  // namespace
