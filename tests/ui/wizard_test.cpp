// The wizard on the host widget layer, driven as a user drives it: the drive lists and the
// disc-size measurement of step 1, the capacity rule of step 2, the folder browser, the erase
// question and the engine's check before the job, the progress table and the three finishes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/serviced_image.h"
#include "disk/optical_drives.h"
#include "disk/volume_utils.h"
#include "platform/folders.h"
#include "platform/messages.h"
#include "sim/probes/folder_browser_script.h"
#include "sim/machine/machine.h"
#include "sim/probes/main_window_probe.h"
#include "sim/probes/message_box_script.h"
#include "support/recording.h"
#include "support/iso_tool.h"
#include "support/sample_disc.h"
#include "support/temp_machine.h"
#include "ui/main_form.h"
#include "ui/progress_table.h"
#include "ui/qv_multi_lang.h"
#include "window_steps.h"

namespace {

using namespace platform;
using host::FindControlAs;
using test::Button;
using test::ClickAndPump;

constexpr std::uint64_t kMiB = 1048576;

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(machine_.Builder().InstallProgramFiles(DRAVENTA_PROGRAM_FILES));
    host::ClearMessageBoxes();
    host::ClearFolderBrowsers();
  }
  void TearDown() override {
    host::ScriptMessageBoxAnswers({});
    if (host::OpenMainWindow() == 0) RunMessageLoop();
  }

  // An optical drive holding one file of `mib` MiB (sparse: only its size is read).
  void AddDisc(char letter, const std::wstring& label, std::uint64_t mib) {
    const std::string root = machine_.Builder().Optical(letter, label);
    std::filesystem::create_directories(root);
    test::WriteHostFile(root + "/install.bin", "");
    std::filesystem::resize_file(root + "/install.bin", mib * kMiB);
  }

  Form& Wizard(ui::TdlgFirst& first) { return first.MainForm().Form(); }
  template <class T>
  T& Find(ui::TdlgFirst& first, const wchar_t* name) {
    T* control = FindControlAs<T>(Wizard(first), name);
    EXPECT_NE(control, nullptr);
    return *control;
  }
  std::wstring WaitText(ui::TdlgFirst& first) { return Find<Label>(first, L"lblWait").Text(); }

  // Ticks Timer1 until the measurement has been shown (or 20 s passed).
  void WaitForMeasurement(ui::TdlgFirst& first) {
    Timer* timer = host::FindTimer(Wizard(first), L"Timer1");
    ASSERT_NE(timer, nullptr);
    for (int i = 0; i < 4000 && WaitText(first).rfind(L"Capacity: ", 0) != 0; ++i) {
      host::Tick(*timer);
      PumpPendingMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(WaitText(first).rfind(L"Capacity: ", 0), 0u) << "no measurement shown";
  }

  test::TempMachine machine_;
};

TEST_F(WizardTest, StepOneListsTheOpticalDrivesAndMeasuresTheChosenDiscOffTheWindowThread) {
  machine_.Builder().Optical('D', L"", false);  // an empty drive first
  AddDisc('E', L"MYDISC", 42);
  machine_.Builder().Fixed('G', 3);
  machine_.Apply();
  ui::TdlgFirst first;
  first.Show();
  test::OpenWizard(first, 0);
  ui::TMainForm& wizard = first.MainForm();
  ASSERT_TRUE(Wizard(first).IsVisible());
  EXPECT_EQ(wizard.CurrentPageId(), ui::kPageSelectDvd);
  EXPECT_TRUE(host::IsShowing(Find<Panel>(first, L"panSelectDVD")));
  EXPECT_FALSE(Find<Panel>(first, L"panSelectUsb").IsVisible());
  EXPECT_EQ(Find<Panel>(first, L"panSelectDVD").GetBounds().left, 180);
  EXPECT_EQ(Find<Panel>(first, L"panSelectDVD").GetBounds().height, 205);
  EXPECT_EQ(Find<Label>(first, L"lblNote").Text(), Translate(L"USB Step1 Note"));
  EXPECT_EQ(Find<Label>(first, L"Label3").Text(), Translate(L"USB Step1 Caption"));

  // Both optical drives, the labelled one with its label; the first, empty, is measured.
  DropDownList& drives = Find<DropDownList>(first, L"cmbDVDlist");
  EXPECT_EQ(drives.Items(), (std::vector<std::wstring>{L"D:\\", L"E:\\ ( MYDISC ) "}));
  EXPECT_EQ(drives.SelectedIndex(), 0);
  SkinButton& next = Button(Wizard(first), L"btnNext");
  EXPECT_EQ(WaitText(first), L"Please wait...");
  EXPECT_FALSE(next.IsEnabled());
  EXPECT_FALSE(drives.IsEnabled()) << "the drive can't change while it is measured";
  WaitForMeasurement(first);
  EXPECT_EQ(WaitText(first), L"Capacity: 0 MB");
  EXPECT_FALSE(next.IsEnabled()) << "an empty drive blocks the wizard";
  EXPECT_TRUE(drives.IsEnabled());

  ASSERT_TRUE(host::ChooseItem(drives, 1));
  PumpPendingMessages();
  EXPECT_EQ(WaitText(first), L"Please wait...");
  WaitForMeasurement(first);
  EXPECT_EQ(WaitText(first), L"Capacity: 42 MB");
  EXPECT_TRUE(next.IsEnabled());

  // Going back from step 2 lists and measures again.
  ClickAndPump(next);
  EXPECT_EQ(wizard.CurrentPageId(), ui::kPageSelectUsb);
  ClickAndPump(Button(Wizard(first), L"btnBack"));
  EXPECT_EQ(wizard.CurrentPageId(), ui::kPageSelectDvd);
  EXPECT_EQ(WaitText(first), L"Please wait...");
  EXPECT_EQ(drives.SelectedIndex(), 0);
  WaitForMeasurement(first);
  EXPECT_EQ(WaitText(first), L"Capacity: 0 MB");
}

TEST_F(WizardTest, WithoutAnOpticalDriveThePlaceholderBlocksTheWizard) {
  ui::TdlgFirst first;
  first.Show();
  test::OpenWizard(first, 1);
  DropDownList& drives = Find<DropDownList>(first, L"cmbDVDlist");
  EXPECT_EQ(drives.Items(), (std::vector<std::wstring>{L"Please insert a DVD-ROM."}));
  EXPECT_EQ(drives.Tag(), 0);
  ASSERT_TRUE(host::ChooseItem(drives, 0));
  PumpPendingMessages();
  EXPECT_FALSE(Button(Wizard(first), L"btnNext").IsEnabled()) << "picking the placeholder does nothing";
  EXPECT_EQ(WaitText(first), L"") << "nothing is being measured";
}

TEST_F(WizardTest, AUsbDriveMustHoldTheDiscAndFiveHundredMiBMore) {
  machine_.Builder().UsbStick('F', 2, 4000 * kMiB);
  machine_.Builder().UsbStick('H', 3, 3999 * kMiB);
  machine_.Apply();
  const auto capacity = static_cast<std::uint64_t>(GetTotalSpaceMB(L"F:\\"));
  ASSERT_EQ(static_cast<std::uint64_t>(GetTotalSpaceMB(L"H:\\")), capacity - 1);
  AddDisc('E', L"", capacity - 500);
  machine_.Apply();

  ui::TdlgFirst first;
  first.Show();
  test::OpenWizard(first, 0);
  WaitForMeasurement(first);
  SkinButton& next = Button(Wizard(first), L"btnNext");
  ClickAndPump(next);
  ASSERT_EQ(first.MainForm().CurrentPageId(), ui::kPageSelectUsb);
  EXPECT_EQ(Find<Label>(first, L"Label5").Text(), Translate(L"USB Step2 Caption"));
  DropDownList& usb = Find<DropDownList>(first, L"cmbUsbList");
  const std::wstring f = L"F:\\ ( Capacity: " + std::to_wstring(capacity) + L" MB )";
  const std::wstring h = L"H:\\ ( Capacity: " + std::to_wstring(capacity - 1) + L" MB )";
  EXPECT_EQ(usb.Items(), (std::vector<std::wstring>{f, h}));
  EXPECT_TRUE(next.IsEnabled()) << "exactly the disc + 500 MiB is enough";
  ASSERT_TRUE(host::ChooseItem(usb, 1));
  PumpPendingMessages();
  EXPECT_FALSE(next.IsEnabled()) << "one MiB less is not";
  ASSERT_TRUE(host::ChooseItem(usb, 0));
  PumpPendingMessages();
  EXPECT_TRUE(next.IsEnabled());

  // The "OS" folder's files go onto the stick too: one MiB of them leaves F: one MiB short.
  test::WriteHostFile(machine_.Host(L"C:\\Program Files\\Draventa\\OS\\extra.bin"), std::string(kMiB, 'x'));
  ClickAndPump(Button(Wizard(first), L"btnBack"));
  WaitForMeasurement(first);
  ClickAndPump(next);
  ASSERT_EQ(usb.SelectedIndex(), 0);
  EXPECT_FALSE(next.IsEnabled()) << "the disc, the \"OS\" folder and 500 MiB";

  // A stick taken away: Refresh lists what is left, and with nothing left the placeholder.
  machine_.Builder().Description().drives.clear();
  machine_.Builder().Fixed('C', 0);
  machine_.Apply();
  ClickAndPump(*FindControlAs<SkinButton>(Wizard(first), L"btnRefresh"));
  EXPECT_EQ(usb.Items(), (std::vector<std::wstring>{Translate(L"USB Step2 Insert Note")}));
  EXPECT_FALSE(next.IsEnabled());
}

TEST_F(WizardTest, TheOutputFolderNeedsMoreFreeThanTheDiscAndFiveHundredMiB) {
  AddDisc('E', L"", 10);
  machine_.Builder().Fixed('D', 1, 510 * kMiB);
  machine_.Builder().Fixed('G', 2, 511 * kMiB);
  machine_.Apply();
  ASSERT_EQ(GetFreeSpaceMB(L"D:\\"), 510);
  ui::TdlgFirst first;
  first.Show();
  test::OpenWizard(first, 1);
  WaitForMeasurement(first);
  SkinButton& next = Button(Wizard(first), L"btnNext");
  ClickAndPump(next);
  ASSERT_EQ(first.MainForm().CurrentPageId(), ui::kPageDstIso);
  EXPECT_FALSE(next.IsEnabled()) << "no folder yet";
  Edit& folder = Find<Edit>(first, L"EdtISOPathdst");
  EXPECT_TRUE(folder.ReadOnly());

  host::ScriptFolderChoices({L"D:\\ISO", L"G:\\ISO", L""});
  SkinButton& browse = *FindControlAs<SkinButton>(Wizard(first), L"btnBrowser");
  ClickAndPump(browse);
  ASSERT_EQ(host::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(host::ShownMessageBoxes()[0].text, L"Size is small!");
  EXPECT_EQ(folder.Text(), L"") << "a refused folder is not kept";
  EXPECT_FALSE(next.IsEnabled());

  ClickAndPump(browse);
  EXPECT_EQ(folder.Text(), L"G:\\ISO\\") << "the chosen folder ends in a backslash";
  EXPECT_TRUE(next.IsEnabled());
  ASSERT_EQ(host::ShownFolderBrowsers().size(), 2u);
  EXPECT_EQ(host::ShownFolderBrowsers()[0].title, L"Please Select Folder:");
  EXPECT_EQ(host::ShownFolderBrowsers()[0].owner, Wizard(first).Handle());

  // Back and forth keeps the folder; a cancelled browser disables Next.
  ClickAndPump(Button(Wizard(first), L"btnBack"));
  WaitForMeasurement(first);
  ClickAndPump(next);
  EXPECT_TRUE(next.IsEnabled());
  ClickAndPump(browse);
  EXPECT_FALSE(next.IsEnabled());
}

// A machine where a job can run: a 64-bit sample disc, the ISO tool's files, a USB stick, and
// operations that record instead of working.
class WizardJobTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    ASSERT_NE(std::getenv("DRAVENTA_TEST_TOOLS"), nullptr) << "run through ctest";
    machine_.Builder().Fixed('D', 1);
    stick_ = machine_.Builder().UsbStick('F', 2, 8000 * kMiB);
    ASSERT_FALSE(test::InsertSampleDisc(machine_, 'E', {true, 0, ""}).empty());
    test::WriteHostFile(stick_ + "/mine.txt", "the user's file");
    ASSERT_TRUE(test::InstallIsoTool(machine_));
  }

  // Mode window to step 2 with the sample disc measured.
  void ToStepTwo(ui::TdlgFirst& first, int mode) {
    first.Show();
    test::OpenWizard(first, mode);
    WaitForMeasurement(first);
    ClickAndPump(Button(Wizard(first), L"btnNext"));
    if (mode == 1) {
      host::ScriptFolderChoices({L"D:\\ISO"});
      ClickAndPump(*FindControlAs<SkinButton>(Wizard(first), L"btnBrowser"));
    }
  }

  bool PumpUntil(const std::function<bool()>& done) { return PumpMessagesUntil(done, 20000); }

  std::string stick_;
  test::RecordingCatalogue catalogue_;
};

TEST_F(WizardJobTest, DecliningTheEraseOrARefusalLeavesEveryDriveAsItWasOnStepTwo) {
  ui::TdlgFirst first;
  ToStepTwo(first, 0);
  // A second stick arrives while the question is open: the refreshed list shows it.
  machine_.Builder().UsbStick('H', 3, 8000 * kMiB);
  machine_.Apply();
  host::ScriptMessageBoxAnswers({kIdNo});
  ClickAndPump(Button(Wizard(first), L"btnNext"));
  ASSERT_EQ(host::ShownMessageBoxes().size(), 1u);
  const host::ShownMessageBox question = host::ShownMessageBoxes()[0];
  EXPECT_EQ(question.caption, L"Warning");
  EXPECT_EQ(question.owner, Wizard(first).Handle());
  EXPECT_NE(question.text.find(L"The selected USB device F:\\ ( Capacity: "), std::wstring::npos) << "names the entry";
  EXPECT_EQ(first.MainForm().CurrentPageId(), ui::kPageSelectUsb);
  EXPECT_EQ(Find<DropDownList>(first, L"cmbUsbList").ItemCount(), 2);
  EXPECT_TRUE(Wizard(first).CloseItemEnabled());
  EXPECT_TRUE(catalogue_.Journal().Events().empty()) << "no job ran";
  EXPECT_EQ(test::ReadHostFile(stick_ + "/mine.txt"), "the user's file");

  // A disc whose setup image is gone is refused before the question is asked.
  std::filesystem::remove(machine_.Host(L"E:\\sources\\boot.wim"));
  host::ClearMessageBoxes();
  ClickAndPump(Button(Wizard(first), L"btnNext"));
  ASSERT_EQ(host::ShownMessageBoxes().size(), 1u);
  EXPECT_NE(host::ShownMessageBoxes()[0].text.find(L"Nothing has been changed on any drive."), std::wstring::npos)
      << "the engine's refusal, not the erase question";
  EXPECT_EQ(first.MainForm().CurrentPageId(), ui::kPageSelectUsb);
  EXPECT_TRUE(catalogue_.Journal().Events().empty());
}

// A disc that reads slowly: the check before the job runs off the window thread, which answers
// meanwhile with step 2 locked and the checking note shown, and then goes on to the erase question.
TEST_F(WizardJobTest, ASlowCheckLeavesTheWindowAnsweringWithStepTwoLockedThenGoesOn) {
  ui::TdlgFirst first;
  ToStepTwo(first, 0);
  machine_.Builder().Fault("files.listSlow", "E:\\@1500");
  machine_.Apply();
  host::ScriptMessageBoxAnswers({kIdNo});
  struct Seen {
    bool next = true, back = true, list = true, closeItem = true;
    std::wstring note;
    std::size_t boxes = 99;
    bool checkFilesBox = true;
  } seen;
  std::atomic<bool> answered{false};
  const platform::WindowHandle window = Wizard(first).Handle();
  std::thread looker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // Runs only when the window thread dispatches its messages.
    answered = platform::CallOnWindowThread(window, [&] {
      seen = {Button(Wizard(first), L"btnNext").IsEnabled(), Button(Wizard(first), L"btnBack").IsEnabled(),
              Find<DropDownList>(first, L"cmbUsbList").IsEnabled(), Wizard(first).CloseItemEnabled(),
              Find<Label>(first, L"lblNote").Text(), host::ShownMessageBoxes().size(),
              Find<CheckBox>(first, L"chkVerifyFiles").IsEnabled()};
    });
  });
  const auto start = std::chrono::steady_clock::now();
  ClickAndPump(Button(Wizard(first), L"btnNext"));
  const auto took = std::chrono::steady_clock::now() - start;
  looker.join();
  ASSERT_TRUE(answered);
  EXPECT_GE(took, std::chrono::milliseconds(1400)) << "the disc was not read slowly";
  EXPECT_EQ(seen.boxes, 0u) << "the window answered only after the check";
  EXPECT_FALSE(seen.next);
  EXPECT_FALSE(seen.back);
  EXPECT_FALSE(seen.list);
  EXPECT_FALSE(seen.closeItem);
  EXPECT_FALSE(seen.checkFilesBox);
  EXPECT_EQ(seen.note, Translate(L"Job Check Wait Note"));

  // The check passed: the erase question, declined, and step 2 as it was.
  ASSERT_EQ(host::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(host::ShownMessageBoxes()[0].caption, L"Warning");
  EXPECT_EQ(first.MainForm().CurrentPageId(), ui::kPageSelectUsb);
  EXPECT_EQ(Find<Label>(first, L"lblNote").Text(), Translate(L"USB Step2 Note"));
  EXPECT_TRUE(Button(Wizard(first), L"btnNext").IsEnabled());
  EXPECT_TRUE(Button(Wizard(first), L"btnBack").IsEnabled());
  EXPECT_TRUE(Find<DropDownList>(first, L"cmbUsbList").IsEnabled());
  EXPECT_TRUE(catalogue_.Journal().Events().empty()) << "no job ran";
}

TEST_F(WizardJobTest, TheThreeFinishesSuccessCancelAndFailure) {
  ui::TdlgFirst first;
  Label& state = Find<Label>(first, L"lblState");
  SkinButton& next = Button(Wizard(first), L"btnNext");

  // Success, answered No: the scratch folder goes, the mode window comes back.
  ToStepTwo(first, 1);
  host::ClearMessageBoxes();
  host::ScriptMessageBoxAnswers({kIdNo});
  ClickAndPump(next);
  ASSERT_EQ(first.MainForm().CurrentPageId(), ui::kPageMainScreen)
      << (host::ShownMessageBoxes().empty() ? std::string("no box") : host::ToUtf8(host::ShownMessageBoxes()[0].text));
  EXPECT_FALSE(Wizard(first).CloseItemEnabled());
  EXPECT_FALSE(Button(Wizard(first), L"btnBack").IsVisible());
  EXPECT_EQ(Find<Label>(first, L"Label1").Text(), Translate(L"ISO Step3 Caption"));
  ASSERT_TRUE(PumpUntil([&] { return first.Form().IsVisible(); })) << "no finish";
  ASSERT_EQ(host::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(host::ShownMessageBoxes()[0].caption, L"Finished");
  EXPECT_EQ(host::ShownMessageBoxes()[0].text, L"Successful! Do you want to close this tool?");
  EXPECT_EQ(state.Text(), L"Successfully update system image");
  EXPECT_EQ(Find<Label>(first, L"lblPercent").Text(), L"100");
  EXPECT_FALSE(Wizard(first).IsVisible());
  EXPECT_FALSE(next.IsEnabled()) << "nothing to cancel once the job has ended";
  EXPECT_FALSE(std::filesystem::exists(machine_.Host(L"C:\\ProgramData\\Qarvel\\DraventaWin\\QarvelToolTmp")));

  // Cancel: Enter on the focused Cancel does nothing, a click cancels, a second click repeats it.
  // (EXPECT, not ASSERT, until Cancel is pressed: the mount waits for it.)
  catalogue_.Journal().Script(6, test::StepScript{1, false, {{BACKUPOS, 50}, {BACKUPOK, 100}}});
  catalogue_.Journal().Script(3, test::StepScript{1, true, {{DISMMOUNT, 60}}});
  ToStepTwo(first, 1);
  host::ClearMessageBoxes();
  host::ScriptMessageBoxAnswers({kIdNo});
  ClickAndPump(next);
  ASSERT_TRUE(catalogue_.Journal().WaitFor("run 3"));
  EXPECT_TRUE(PumpUntil([&] { return Find<Label>(first, L"lblPercent").Text() == L"30"; }))
      << "copy done (25) and a mount at 60 % (+5)";
  EXPECT_EQ(next.Caption(), L"&Cancel");
  EXPECT_TRUE(host::PressKey(next, KeyPress{kVkReturn}));
  PumpPendingMessages();
  EXPECT_EQ(catalogue_.Journal().Events().back(), "run 3") << "Enter must not cancel the job";
  EXPECT_TRUE(host::PressCloseBox(Wizard(first)));
  EXPECT_TRUE(host::PressKey(Wizard(first), KeyPress{kVkF4, true}));
  PumpPendingMessages();
  EXPECT_TRUE(Wizard(first).IsVisible()) << "the close box and Alt+F4 do nothing while the job runs";
  EXPECT_NE(host::OpenMainWindow(), 0);
  ClickAndPump(next);
  ClickAndPump(next);
  ASSERT_TRUE(PumpUntil([&] { return first.Form().IsVisible(); })) << "no finish after Cancel";
  ASSERT_EQ(host::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(host::ShownMessageBoxes()[0].text, L"You have cacelled the operation, Do you want to close this tool?");
  EXPECT_EQ(state.Text(), L"You have cacelled the operation.") << "not the step that was running";
  EXPECT_EQ(Find<Label>(first, L"lblPercent").Text(), L"0");

  // Failure: no question; Next reads "&Exit" and ends the program.
  catalogue_.Journal().Script(3, test::StepScript{0, false, {{DISMMOUNTFAIL, 0}}});
  ToStepTwo(first, 1);
  host::ClearMessageBoxes();
  ClickAndPump(next);
  ASSERT_TRUE(PumpUntil([&] { return next.Caption() == L"&Exit"; })) << "no failure finish";
  EXPECT_TRUE(host::ShownMessageBoxes().empty());
  EXPECT_EQ(state.Text(), L"Mounting the boot.wim fail.(Operation failed)");
  EXPECT_EQ(Find<Label>(first, L"lblPercent").Text(), L"25") << "each job's bar starts at 0, a cancelled one's too";
  EXPECT_EQ(next.Hint(), L"Exit");
  ClickAndPump(next);
  EXPECT_EQ(host::OpenMainWindow(), 0) << "Exit ends the program";
}

TEST_F(WizardJobTest, YesToTheClosingQuestionEndsTheProgramAfterTheWorkersCallReturned) {
  {
    ui::TdlgFirst first;
    ToStepTwo(first, 0);
    // "Check every file after writing", ticked from the keyboard, adds the check as the last step.
    CheckBox& checkFiles = Find<CheckBox>(first, L"chkVerifyFiles");
    EXPECT_EQ(checkFiles.Caption(), Translate(L"USB Step2 Verify Caption"));
    EXPECT_FALSE(checkFiles.Checked()) << "off by default";
    ASSERT_TRUE(host::PressKey(checkFiles, KeyPress{kVkSpace}));
    PumpPendingMessages();
    EXPECT_TRUE(checkFiles.Checked());
    host::ScriptMessageBoxAnswers({kIdYes, kIdYes});
    ClickAndPump(Button(Wizard(first), L"btnNext"));
    ASSERT_TRUE(PumpUntil([] { return host::OpenMainWindow() == 0; })) << "the program did not end";
    RunMessageLoop();  // returns at once: the main form has closed
  }  // the windows and the worker go here, with no report pending: no hang
  ASSERT_EQ(host::ShownMessageBoxes().size(), 2u);
  EXPECT_EQ(host::ShownMessageBoxes()[1].caption, L"Finished");
  const std::vector<std::string> lines = test::TraceLines();
  const std::string order[] = {"WIN7_OPERAT_INFO:szSourcePath: E:\\", "WIN7_OPERAT_INFO:szDriverPath: ",
                               "WIN7_OPERAT_INFO:szImgDriverPath: ", "WIN7_OPERAT_INFO:szTagPath: F:\\",
                               "WIN7_OPERAT_INFO:szTmpPath: ", "WIN7_OPERAT_INFO:bIs64bitDVD: 1",
                               "WIN7_OPERAT_INFO:m_DlgType: 0", "WIN7_OPERAT_INFO:bCheckUsbFiles: 1"};
  std::size_t at = 0;
  for (const std::string& prefix : order) {
    while (at < lines.size() && lines[at].rfind(prefix, 0) != 0) ++at;
    ASSERT_LT(at, lines.size()) << "missing or out of order: " << prefix;
  }
  const auto events = catalogue_.Journal().Events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "run 17"), 1) << "the check ran once";
  EXPECT_GT(std::find(events.begin(), events.end(), "run 17"), std::find(events.begin(), events.end(), "run 7"))
      << "after the last step of the job";
}

TEST(ProgressTable, EveryStateMovesTheBarByItsShareOfTheJob) {
  // The translation library beside the program gives the texts, whichever test ran before.
  test::TempMachine machine;
  ASSERT_TRUE(machine.Builder().InstallProgramFiles(DRAVENTA_PROGRAM_FILES));
  struct Row {
    std::int32_t state, v;
    const wchar_t* text;  // nullptr: the text stays
    int percent;
  };
  // A whole USB job of four operations, then codes outside the table.
  const Row rows[] = {
      {FORMATUSB, 40, nullptr, 10},  // text checked below: it is translated
      {FORMATUSBOK, 100, L"Formatting USB disk/flash successful.", 25},
      {COPYTOUSB, 99, L"Copying files to USB. Please wait...", 49},
      {BACKUPOK, 100, L"Copy files successful.", 50},
      {DISMMOUNT, 60, L"Mounting the boot.wim. Please wait...", 55},
      {DISMMOUNTOK, 100, L"Mounting the boot.wim successful.", 58},
      {DISMADDDRIVER, 50, L"Adding into the driver. Please wait...", 58},
      {DISMCOMMIT, 100, L"Committing...", 66},
      {DISMCOMMITOK, 100, L"Committing the boot.wim successful.", 66},
      {DISMUNMOUNT, 50, L"Unmounting the boot.wim. Please wait...", 70},
      {DISMUNMOUNTOK, 100, L"Unmounting the boot.wim successful.", 75},
      // The Windows images: the bar runs through their series, the base stays for the next step.
      {DISMIMAGE, 40, L"Adding the drivers to Windows 7 PROFESSIONAL (3 of 5)...", 40},
      {COPYIMGDRIVER, 80, nullptr, 75},
      {NOSTATE, 80, nullptr, 75},
      {99, 80, nullptr, 75},
      {-1, 80, nullptr, 75},
      {BACKUPOS, 20, L"Copying the OS from DVD drive. Please wait...", 80},
      {MAKEISO, 50, L"Generating ISO. Please wait...", 87},
      {BACKUPFAIL, 0, L"Copy files failed.", 75},
      {DISMMOUNTFAIL, 0, L"Mounting the boot.wim fail.", 75},
      {DISMCOMMITFAIL, 0, L"Committing the boot.wim fail.", 75},
      {DISMUNMOUNTFAIL, 0, L"Unmounting the boot.wim fail.", 75},
      {VERIFYUSB, 40, L"Checking the files on the USB drive. Please wait...", 85},
      {VERIFYUSBFAIL, 0, L"Checking the files on the USB drive failed.", 75},
      {VERIFYUSBOK, 100, L"Checking the files on the USB drive successful.", 100},
      {FINISH, 0, L"Done.", 100},
      {BACKUPOK, 100, L"Copy files successful.", 25},
      {USERCANCEL, 0, L"You have cacelled the operation.", 0},
  };
  ui::ProgressBase = 0;
  SetServicedImage({L"Windows 7 PROFESSIONAL", 3, 5});
  for (const Row& row : rows) {
    const ui::ProgressUpdate update = ui::ApplyOperationState(row.state, row.v, 4);
    EXPECT_EQ(update.percent, row.percent) << "state " << row.state << " v " << row.v;
    if (row.state == FORMATUSB) {
      EXPECT_TRUE(update.changesText);
      EXPECT_EQ(update.text, Translate(L"USB Step3 Wait Note"));
    } else if (row.text) {
      EXPECT_TRUE(update.changesText) << "state " << row.state;
      EXPECT_EQ(update.text, row.text);
    } else {
      EXPECT_FALSE(update.changesText) << "state " << row.state;
    }
  }
  EXPECT_EQ(ui::ProgressBase, 0);
}

}  // namespace
