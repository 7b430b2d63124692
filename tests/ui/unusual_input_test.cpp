// The wizard with an output folder at the job record's limit, driven as a user drives it: a
// path that fits starts the job, one unit more is refused with a message on step 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/folders.h"
#include "sim/probes/folder_browser_script.h"
#include "sim/machine/machine.h"
#include "sim/probes/main_window_probe.h"
#include "sim/probes/message_box_script.h"
#include "support/recording.h"
#include "support/iso_tool.h"
#include "support/sample_disc.h"
#include "support/temp_machine.h"
#include "ui/main_form.h"
#include "window_steps.h"

namespace {

using namespace platform;

class WizardPathEdges : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(machine_.Builder().InstallProgramFiles(DRAVENTA_PROGRAM_FILES));
    host::ClearMessageBoxes();
    host::ClearFolderBrowsers();
    machine_.Builder().Fixed('D', 1);
    ASSERT_FALSE(test::InsertSampleDisc(machine_, 'E', {true, 0, ""}).empty());
    ASSERT_TRUE(test::InstallIsoTool(machine_));
  }
  void TearDown() override {
    host::ScriptMessageBoxAnswers({});
    if (host::OpenMainWindow() == 0) RunMessageLoop();
  }

  // A folder on D: of `units` UTF-16 units, made on the machine (no name over 100 characters).
  std::wstring FolderOf(std::size_t units) {
    std::wstring folder = L"D:\\";
    while (folder.size() < units) {
      if (folder.back() != L'\\') folder += L'\\';
      folder += std::wstring(std::min<std::size_t>(100, units - folder.size()), L'a' + static_cast<wchar_t>(folder.size() % 26));
    }
    std::filesystem::create_directories(machine_.Host(folder));
    return folder;
  }

  void ChooseFolderAndPressNext(ui::TdlgFirst& first, const std::wstring& folder) {
    host::ScriptFolderChoices({folder});
    test::ClickAndPump(*host::FindControlAs<SkinButton>(first.MainForm().Form(), L"btnBrowser"));
    test::ClickAndPump(test::Button(first.MainForm().Form(), L"btnNext"));
  }

  test::TempMachine machine_;
  test::RecordingCatalogue catalogue_;
};

TEST_F(WizardPathEdges, AnOutputFolderOf259UnitsRunsTheJobOneMoreIsRefusedOnStepTwo) {
  ui::TdlgFirst first;
  first.Show();
  test::OpenWizard(first, 1);
  Timer* timer = host::FindTimer(first.MainForm().Form(), L"Timer1");
  ASSERT_NE(timer, nullptr);
  Label* wait = host::FindControlAs<Label>(first.MainForm().Form(), L"lblWait");
  ASSERT_NE(wait, nullptr);
  for (int i = 0; i < 4000 && wait->Text().rfind(L"Capacity: ", 0) != 0; ++i) {
    host::Tick(*timer);
    PumpPendingMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  test::ClickAndPump(test::Button(first.MainForm().Form(), L"btnNext"));
  ASSERT_EQ(first.MainForm().CurrentPageId(), ui::kPageDstIso);

  // The wizard adds a backslash to the chosen folder: 259 units chosen make 260 in the record.
  ChooseFolderAndPressNext(first, FolderOf(259));
  ASSERT_EQ(host::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(host::ShownMessageBoxes()[0].caption, L"Error");
  EXPECT_EQ(host::ShownMessageBoxes()[0].text, L"The path szTagPath is too long (260 characters; at most 259 fit).");
  EXPECT_EQ(first.MainForm().CurrentPageId(), ui::kPageDstIso);
  EXPECT_TRUE(catalogue_.Journal().Events().empty()) << "no job ran";

  host::ClearMessageBoxes();
  host::ScriptMessageBoxAnswers({kIdNo});
  const std::wstring fits = FolderOf(258);
  ChooseFolderAndPressNext(first, fits);
  ASSERT_EQ(first.MainForm().CurrentPageId(), ui::kPageMainScreen)
      << (host::ShownMessageBoxes().empty() ? std::string("no box") : host::ToUtf8(host::ShownMessageBoxes()[0].text));
  ASSERT_TRUE(PumpMessagesUntil([&] { return first.Form().IsVisible(); }, 20000)) << "no finish";
  EXPECT_EQ(host::ShownMessageBoxes().back().caption, L"Finished");
  EXPECT_TRUE(catalogue_.Journal().WaitFor("run 4")) << "the ISO step ran";
  const auto lines = test::TraceLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "WIN7_OPERAT_INFO:szTagPath: " + host::ToUtf8(fits) + "\\"),
            lines.end());
}

}  // namespace
