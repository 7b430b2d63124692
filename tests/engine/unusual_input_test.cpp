// The ISO step with input at its edges: command lines at the builder's 2048-unit buffer,
// counted as Windows counts them, and disc labels that can't stand in a file name as they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/utf16.h"
#include "engine/iso_operation.h"
#include "engine/make_iso_file.h"
#include "oscdimg_command.h"
#include "sim/machine/split_command_line.h"
#include "support/progress_reports.h"
#include "support/recording.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

const std::wstring kTool = L"C:\\Program Files\\Draventa\\Oscdimg_x86\\Oscdimg\\oscdimg.exe";
const wchar_t kEmoji = static_cast<wchar_t>(0x1F600);  // two UTF-16 units, one host character

class IsoEdges : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_.Builder().Fixed('D', 1);
    machine_.Apply();
    fs::create_directories(machine_.Host(L"D:\\") + "/ISO");
    // A tool that writes the ISO file and reports its end, as oscdimg does.
    const std::string script = folder_.Path() + "/tool.sh";
    test::WriteHostFile(script, "#!/bin/sh\nprintf 'CD001' > '" + machine_.Host(L"D:\\ISO\\X.iso") +
                                    "'\nprintf '\\r100%% complete\\n'\n");
    fs::permissions(script, fs::perms::owner_all);
    ASSERT_TRUE(machine_.Builder().InstallTool(kTool, script));
  }

  // Runs the tool with a command line of `units` UTF-16 units: the quoted tool, a space and one
  // argument of filler that ends in `tail`.
  MakeISOFile::Outcome RunWithUnits(std::size_t units, const std::wstring& tail = L"") {
    const std::wstring head = QuotePath(kTool) + L" ";
    const std::size_t filler = units - Utf16Length(head) - Utf16Length(tail);
    const std::wstring cmd = head + std::wstring(filler, L'a') + tail;
    EXPECT_EQ(Utf16Length(cmd), units);
    fs::remove(machine_.Host(L"D:\\ISO\\X.iso"));
    MakeISOFile* builder = MakeISOFile::Instance();
    test::ProgressReports reports;
    builder->Excute(cmd, L"D:\\ISO\\X.iso", &test::ProgressReports::Callback, &reports);
    return builder->LastOutcome();
  }

  test::TempMachine machine_;
  test::TempFolder folder_;
};

TEST_F(IsoEdges, CommandLinesUpTo2047UnitsRunLongerOnesAreRefusedCountingSurrogatePairsTwice) {
  // 2048 units of plain text is refused by IsoBuilder.RefusesWhatItCannotRun.
  EXPECT_EQ(RunWithUnits(2047), MakeISOFile::Outcome::Completed);
  EXPECT_TRUE(fs::exists(machine_.Host(L"D:\\ISO\\X.iso")));

  // A character beyond U+FFFF is two units in the Windows buffer: 2047 units still fit...
  EXPECT_EQ(RunWithUnits(2047, std::wstring(1, kEmoji)), MakeISOFile::Outcome::Completed);
  // ...and 2048 units do not, although the host holds them in 2047 characters.
  EXPECT_EQ(RunWithUnits(2048, std::wstring(1, kEmoji)), MakeISOFile::Outcome::CommandTooLong);
  EXPECT_FALSE(fs::exists(machine_.Host(L"D:\\ISO\\X.iso"))) << "the tool never ran";
  EXPECT_NE(MakeISOFile::Instance()->LastError().find(L"has 2048 characters, more than 2047"), std::wstring::npos);
  auto lines = test::TraceLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "[MakeISOFile::MakeISOThread]- command line too long: 2048"),
            lines.end());
}

TEST_F(IsoEdges, LabelsNameTheIsoFileSafelyAndNeverTheVolume) {
  // Percent signs, Chinese and an emoji are kept; the image's own label stays WIN7.
  const std::wstring odd = L"100%s %n \u4e2d\u6587 " + std::wstring(1, kEmoji);
  ISOOperation kept(0, MAKEISO, L"C:\\tmp\\", L"D:\\ISO", odd, false);
  EXPECT_EQ(kept.GetISOFilePath(), L"D:\\ISO\\" + odd + L".iso");
  std::vector<std::wstring> words = platform::host::SplitCommandLine(kept.BuildCommandLine(kept.GetISOFilePath()));
  ASSERT_GE(words.size(), 3u);
  EXPECT_EQ(words[1], L"-lWIN7");
  EXPECT_EQ(words.back(), kept.GetISOFilePath());

  // A disc label (UDF allows almost anything) holding characters no file name may hold: each
  // becomes "_", so the tool writes the one file the step expects, in the output folder.
  ISOOperation replaced(0, MAKEISO, L"C:\\tmp\\", L"D:\\ISO", L"A\"B/C:D*E?F<G>H|I\\J\tK", false);
  EXPECT_EQ(replaced.GetISOFilePath(), L"D:\\ISO\\A_B_C_D_E_F_G_H_I_J_K.iso");
  words = platform::host::SplitCommandLine(replaced.BuildCommandLine(replaced.GetISOFilePath()));
  words.erase(words.begin());
  OscdimgCommand command = ParseOscdimgCommand(words);
  EXPECT_EQ(command.error, L"");
  EXPECT_EQ(command.target, replaced.GetISOFilePath());

  // The numbering of a taken name follows the safe name.
  test::WriteHostFile(machine_.Host(L"D:\\ISO") + "/A_B.iso", "1");
  ISOOperation numbered(0, MAKEISO, L"C:\\tmp\\", L"D:\\ISO\\", L"A/B", false);
  EXPECT_EQ(numbered.GetISOFilePath(), L"D:\\ISO\\A_B0.iso");
}

}  // namespace
