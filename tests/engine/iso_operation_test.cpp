// The ISO step's own rules: progress parsing, quoting, the output file's numbering, the exact
// command line, and what the user sees when the step can't run.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "engine/iso_operation.h"
#include "engine/make_iso_file.h"
#include "oscdimg_command.h"
#include "sim/machine/split_command_line.h"
#include "sim/probes/message_box_script.h"
#include "platform/messages.h"
#include "support/recording.h"
#include "support/temp_machine.h"

namespace {

int Parse(const std::string& block) { return ParseCompletePercent(block.data(), block.size()); }

TEST(IsoProgress, ReadsTheThreeCharactersBeforeTheFirstCompleteMark) {
  EXPECT_EQ(Parse("\r 45% complete"), 45);
  EXPECT_EQ(Parse("100% complete"), 100);
  EXPECT_EQ(Parse("7% complete"), 7);
  EXPECT_EQ(Parse("Scanning source tree\r\n"), -1);
  // Only the first line of a block counts.
  EXPECT_EQ(Parse("\r 12% complete\r 13% complete\r 14% complete"), 12);
  // The number is at most three characters long: "1234" reads as 234.
  EXPECT_EQ(Parse("1234% complete"), 234);
  // Text is taken up to the first NUL byte.
  EXPECT_EQ(Parse(std::string("\0 55% complete", 14)), -1);
  EXPECT_EQ(Parse("abc% complete"), 0);
}

TEST(IsoPaths, QuotingAndFolderPart) {
  EXPECT_EQ(QuotePath(L""), L"");
  EXPECT_EQ(QuotePath(L"C:\\a b\\x.iso"), L"\"C:\\a b\\x.iso\"");
  EXPECT_EQ(QuotePath(L"\"C:\\a\\\""), L"\"C:\\a\\\"");
  EXPECT_EQ(QuotePath(L"\"C:\\half"), L"\"C:\\half\"");
  EXPECT_EQ(QuotePath(L"C:\\half\""), L"\"C:\\half\"");
  EXPECT_EQ(GetFolderPart(L"C:\\Tools\\Oscdimg_amd64\\Oscdimg\\oscdimg.exe"), L"C:\\Tools\\Oscdimg_amd64\\Oscdimg\\");
  EXPECT_EQ(GetFolderPart(L"C:\\tmp\\"), L"C:\\tmp\\");
  EXPECT_EQ(GetFolderPart(L"oscdimg.exe"), L"");
  // No backslash may stand before the closing quote of the source folder.
  EXPECT_EQ(SourceFolderArgument(L"C:\\tmp\\"), L"\"C:\\tmp\"");
  EXPECT_EQ(SourceFolderArgument(L"C:\\a b\\QarvelToolTmp0\\\\"), L"\"C:\\a b\\QarvelToolTmp0\"");
  EXPECT_EQ(SourceFolderArgument(L"E:\\"), L"\"E:\\.\"");
  EXPECT_EQ(SourceFolderArgument(L"QarvelToolTmp0\\"), L"\"QarvelToolTmp0\"");
}

class IsoOnMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_.Builder().Fixed('D', 1);
    machine_.Apply();
    std::filesystem::create_directories(machine_.Host(L"D:\\") + "/ISO");
  }
  test::TempMachine machine_;
};

TEST_F(IsoOnMachine, OutputFileIsNumberedAfterTheLabel) {
  ISOOperation op(0, MAKEISO, L"C:\\tmp\\", L"D:\\ISO", L"X", false);
  EXPECT_EQ(op.GetISOFilePath(), L"D:\\ISO\\X.iso");
  test::WriteHostFile(machine_.Host(L"D:\\ISO") + "/X.iso", "1");
  EXPECT_EQ(op.GetISOFilePath(), L"D:\\ISO\\X0.iso");
  test::WriteHostFile(machine_.Host(L"D:\\ISO") + "/X0.iso", "2");
  EXPECT_EQ(op.GetISOFilePath(), L"D:\\ISO\\X1.iso");
  // Names are taken whatever their case, and by folders too.
  test::WriteHostFile(machine_.Host(L"D:\\ISO") + "/x1.ISO", "3");
  std::filesystem::create_directories(machine_.Host(L"D:\\ISO") + "/X2.iso");
  EXPECT_EQ(op.GetISOFilePath(), L"D:\\ISO\\X3.iso");

  ISOOperation unlabelled(0, MAKEISO, L"C:\\tmp\\", L"D:\\ISO\\", L"", false);
  EXPECT_EQ(unlabelled.GetISOFilePath(), L"D:\\ISO\\.iso");
}

TEST_F(IsoOnMachine, TheToolReadsTheSourceAndTheOutputAsTwoArguments) {
  ISOOperation op(0, MAKEISO, L"C:\\Program Data\\QarvelToolTmp\\", L"D:\\ISO\\", L"WIN7", true);
  std::vector<std::wstring> words = platform::host::SplitCommandLine(op.BuildCommandLine(op.GetISOFilePath()));
  words.erase(words.begin());
  OscdimgCommand command = ParseOscdimgCommand(words);
  EXPECT_EQ(command.error, L"");
  EXPECT_EQ(command.source, L"C:\\Program Data\\QarvelToolTmp");
  EXPECT_EQ(command.target, op.GetISOFilePath());
  ASSERT_EQ(command.bootEntries.size(), 2u);
  EXPECT_EQ(command.bootEntries[1].platform, 0xEF);
}

TEST_F(IsoOnMachine, CommandLineRunsTheX86ToolWithTheDiscsBootFiles) {
  const std::wstring exe = L"C:\\Program Files\\Draventa\\";
  ISOOperation amd64(0, MAKEISO, L"C:\\ProgramData\\Qarvel\\DraventaWin\\QarvelToolTmp\\", L"D:\\ISO\\", L"WIN7DVD", true);
  EXPECT_EQ(amd64.BuildCommandLine(amd64.GetISOFilePath()),
            L"\"" + exe + L"Oscdimg_x86\\Oscdimg\\oscdimg.exe\" -lWIN7 -m -o -u1 -udfver102 -bootdata:2#p0,e,b\"" + exe +
                L"Oscdimg_amd64\\Oscdimg\\etfsboot.com\"#pEF,e,b\"" + exe +
                L"Oscdimg_amd64\\Oscdimg\\efisys.bin\" \"C:\\ProgramData\\Qarvel\\DraventaWin\\QarvelToolTmp\" "
                L"\"D:\\ISO\\WIN7DVD.iso\"");

  ISOOperation x86(0, MAKEISO, L"C:\\tmp\\", L"D:\\ISO\\", L"L", false);
  EXPECT_EQ(x86.OscdimgPath(), exe + L"Oscdimg_x86\\Oscdimg\\oscdimg.exe");
  EXPECT_EQ(x86.BootSectorPath(), exe + L"Oscdimg_x86\\Oscdimg\\etfsboot.com");
  EXPECT_EQ(x86.EfiBootPath(), exe + L"Oscdimg_x86\\Oscdimg\\efisys.bin");

  auto lines = test::TraceLines();
  auto at = std::find(lines.begin(), lines.end(), "ISOOperation create");
  ASSERT_NE(at, lines.end());
  ASSERT_NE(at + 1, lines.end());
  EXPECT_EQ(*(at + 1), "[ISOOperation::tmp_oscdTool]C:\\Program Files\\Draventa\\Oscdimg_amd64\\Oscdimg\\oscdimg.exe");
}

TEST_F(IsoOnMachine, MissingOutputFolderOrToolFailsWithAMessage) {
  platform::host::ClearMessageBoxes();
  ISOOperation noFolder(0, MAKEISO, L"C:\\tmp\\", L"D:\\nowhere", L"X", false);
  EXPECT_EQ(noFolder.Excute(), 0);
  auto boxes = platform::host::ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"The ISO directory does not exist.");
  EXPECT_EQ(boxes[0].caption, L"make ISO error");

  // No oscdimg.exe beside the program: the step fails instead of reporting success.
  platform::host::ClearMessageBoxes();
  ISOOperation noTool(0, MAKEISO, L"C:\\tmp\\", L"D:\\ISO", L"X", false);
  EXPECT_EQ(noTool.Excute(), 0);
  boxes = platform::host::ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find(L"could not be started"), std::wstring::npos);
  EXPECT_EQ(boxes[0].caption, L"make ISO error");
  auto lines = test::TraceLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "[ISOOperation- RunOperate] is fail"), lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "ISOOperation Excute - end(TRUE)"), lines.end());
}

}  // namespace
