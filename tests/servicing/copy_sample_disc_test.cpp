// The generated sample disc: its shape, the 64-bit test on its AutoRun.inf, and a whole copy of
// it to a USB stick through the copy step.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "copy_test_support.h"
#include "disk/volume_utils.h"
#include "servicing/copy_operation.h"
#include "support/sample_disc.h"

namespace fs = std::filesystem;
using copytest::Post;

namespace {

std::string Shell(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    ::pclose(pipe);
  }
  return output;
}

TEST(SampleDisc, ThirtyTwoAndSixtyFourBitDiscsAreToldApartByTheirAutorun) {
  test::TempMachine machine;
  EXPECT_EQ(test::InsertSampleDisc(machine, 'D'), L"GRMCULFRER_EN_DVD");
  EXPECT_EQ(test::InsertSampleDisc(machine, 'E', {.amd64 = true, .label = "X64DISC"}), L"X64DISC");
  EXPECT_EQ(GetVolumeLabelText(L"D:\\"), L"GRMCULFRER_EN_DVD");
  EXPECT_FALSE(HasAmd64AutorunSection(L"D:\\AutoRun.inf"));
  EXPECT_TRUE(HasAmd64AutorunSection(L"E:\\AutoRun.inf"));
  for (const wchar_t* path : {L"E:\\setup.exe", L"E:\\bootmgr", L"E:\\boot\\etfsboot.com", L"E:\\boot\\bcd",
                              L"E:\\efi\\microsoft\\boot\\efisys.bin", L"E:\\sources\\install.wim"})
    EXPECT_GT(GetFileByteSize(path), 0u) << platform::host::ToUtf8(path);

  std::string info = Shell("wiminfo '" + machine.Host(L"E:\\sources\\boot.wim") + "' 2>&1");
  if (info.find("Image Count") == std::string::npos) GTEST_SKIP() << "wiminfo is not available";
  EXPECT_NE(info.find("Image Count:    2"), std::string::npos) << info;
  EXPECT_NE(info.find("Boot Index:     2"), std::string::npos) << info;
  std::string setup = Shell("wimdir '" + machine.Host(L"E:\\sources\\boot.wim") + "' 2");
  EXPECT_NE(setup.find("/Windows/System32/DriverStore/FileRepository"), std::string::npos);
  EXPECT_NE(setup.find("/sources/setup.exe"), std::string::npos);
}

TEST(SampleDisc, SizeIsReachedWithFillerAndTheCopyStepCopiesItWhole) {
  test::TempMachine machine;
  ASSERT_FALSE(test::InsertSampleDisc(machine, 'E', {.sizeBytes = 24ull << 20}).empty());
  std::string usb = machine.Builder().UsbStick('F', 2, 1ull << 30);
  machine.Apply();
  EXPECT_EQ(GetFolderSize(L"E:\\", true), 24ull << 20);

  copytest::StateRecorder recorder;
  CopyOperation op(recorder.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  ASSERT_EQ(op.Excute(), 1);
  auto posts = recorder.Posts();
  EXPECT_EQ(posts.back(), (Post{BACKUPOK, 100}));
  EXPECT_EQ(GetFolderSize(L"F:\\", true), 24ull << 20);
  std::string source = machine.Host(L"E:\\");
  for (const auto& entry : fs::recursive_directory_iterator(source)) {
    if (!entry.is_regular_file()) continue;
    fs::path copy = fs::path(usb) / fs::relative(entry.path(), source);
    ASSERT_EQ(test::ReadHostFile(copy.string()), test::ReadHostFile(entry.path().string())) << copy;
  }
}

}  // namespace
