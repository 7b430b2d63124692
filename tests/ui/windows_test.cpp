// The three windows on the host widget layer, driven as a user drives them: the mode window,
// the licence dialog and the wizard's frame, their hand-over of the mode and the end of the
// program when any of them closes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/trace_log.h"
#include "platform/files.h"
#include "sim/probes/folder_browser_script.h"
#include "sim/probes/main_window_probe.h"
#include "sim/probes/widgets_probe.h"
#include "platform/messages.h"
#include "platform/widgets.h"
#include "support/temp_machine.h"
#include "ui/dlg_eula.h"
#include "ui/dlg_first.h"
#include "ui/main_form.h"
#include "ui/qv_multi_lang.h"
#include "window_steps.h"

namespace {

using namespace platform;
using host::FindControlAs;

// A machine with the program's files beside it. The process-wide translation wrapper binds to
// the first machine's library at the first lookup, so every test installs them first.
class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(machine_.Builder().InstallProgramFiles(DRAVENTA_PROGRAM_FILES)); }
  void TearDown() override {
    // A main form closed by a test ends the loop at once; this clears that for the next one.
    if (host::OpenMainWindow() == 0) RunMessageLoop();
  }

  test::TempMachine machine_;
};

using test::Button;
using test::ClickAndPump;
using test::PickMode;

TEST_F(WindowsTest, ModeWindowStartsWithBothEntriesAndTheUsbNote) {
  ui::TdlgFirst first;
  const Form& form = first.Form();
  EXPECT_FALSE(form.IsVisible()) << "start-up shows it";
  EXPECT_TRUE(form.IsMainForm());
  EXPECT_TRUE(form.IsToolWindow());
  EXPECT_EQ(form.Caption(), L"Qarvel Vexa Installer");
  EXPECT_EQ(form.ClientBounds(), (Bounds{0, 0, 712, 302}));
  EXPECT_EQ(form.GetFont(), (Font{L"Tahoma", 8}));

  // The texts come from the library (not its keys, which the wrapper gives without one).
  const Label* desc = FindControlAs<Label>(form, L"lblDesc");
  ASSERT_NE(desc, nullptr);
  EXPECT_EQ(desc->Text(), Translate(L"Description"));
  EXPECT_NE(desc->Text(), L"Description");
  EXPECT_TRUE(desc->WordWrap());
  EXPECT_EQ(FindControlAs<Label>(form, L"Label6")->Text(), Translate(L"CmboxLabelCaption"));
  EXPECT_EQ(FindControlAs<Label>(form, L"Label6")->GetFont(), (Font{L"Tahoma", 10}));

  DropDownList* modes = FindControlAs<DropDownList>(form, L"cmbMode");
  ASSERT_NE(modes, nullptr);
  EXPECT_EQ(modes->Items(), (std::vector<std::wstring>{Translate(L"ODDToUSB"), Translate(L"ODDToISO")}));
  EXPECT_NE(modes->ItemText(0), modes->ItemText(1));
  EXPECT_EQ(modes->SelectedIndex(), 0);
  EXPECT_EQ(first.Mode(), 0);
  EXPECT_EQ(modes->GetBounds().left, 193);
  EXPECT_EQ(modes->GetBounds().width, 417);

  const Label* note = FindControlAs<Label>(form, L"lblNote");
  EXPECT_EQ(note->Text(), Translate(L"USB NoteCaption1") + L"\n" + Translate(L"USB NoteCaption2"));
  EXPECT_EQ(note->GetBounds(), (Bounds{193, 208, 472, 55}));

  SkinButton& next = Button(form, L"btnNext");
  EXPECT_EQ(next.GetBounds(), (Bounds{600, 271, 96, 24}));
  // A test build says so on one dark red line below the note, left of Next; a build with the
  // chip makers' packages has no such line.
  const Label* sample = FindControlAs<Label>(form, L"lblSampleDrivers");
  ASSERT_EQ(sample != nullptr, ui::kSampleDrivers);
  if (sample) {
    EXPECT_TRUE(sample->IsVisible());
    EXPECT_EQ(sample->Text(), Translate(L"Sample Drivers Note"));
    EXPECT_EQ(sample->GetFont(), (Font{L"Tahoma", 8, false, {160, 0, 0}}));
    EXPECT_FALSE(sample->WordWrap());
    const Bounds line = sample->GetBounds();
    EXPECT_GE(line.top, note->GetBounds().top + note->GetBounds().height);
    EXPECT_LE(line.left + line.width, next.GetBounds().left);
    EXPECT_LE(line.top + line.height, form.ClientBounds().height);
  }
  EXPECT_EQ(next.Caption(), L"Next");
  EXPECT_EQ(next.Hint(), L"Next");
  EXPECT_TRUE(next.IsEnabled());
  // The hidden images carry the faces every window's buttons wear.
  EXPECT_EQ(next.Look().raised, FindControlAs<Image>(form, L"Image2")->Picture());
  EXPECT_EQ(next.Look().inputBackground, FindControlAs<Image>(form, L"Img_Button_BK")->Picture());
  for (const wchar_t* hidden : {L"Image2", L"Image3", L"Image4", L"Img_disable", L"Img_Button_BK"}) {
    EXPECT_FALSE(form.FindControl(hidden)->IsVisible());
  }
  EXPECT_EQ(FindControlAs<Image>(form, L"Image1")->Picture().width, 173);
  EXPECT_EQ(FindControlAs<Image>(form, L"Image1")->Picture().height, 303);
  // Each picture reaches its control with its twin at twice the size, for fine screens; the
  // refresh faces, flattened onto their page, at both sizes.
  const SkinButton& refresh = *FindControlAs<SkinButton>(first.MainForm().Form(), L"btnRefresh");
  for (const RgbaImage* picture : {&FindControlAs<Image>(form, L"Image1")->Picture(), &next.Look().raised, &next.Look().disabled,
                                   &next.Look().inputBackground, &refresh.Look().hovered}) {
    ASSERT_NE(picture->doubled, nullptr) << picture->width << " x " << picture->height;
    EXPECT_EQ(picture->doubled->width, 2 * picture->width);
    EXPECT_EQ(picture->doubled->height, 2 * picture->height);
  }
  for (std::size_t i = 3; i < refresh.Look().hovered.doubled->pixels.size(); i += 4)
    ASSERT_EQ(refresh.Look().hovered.doubled->pixels[i], 255) << "pixel " << i / 4;

  // The other two windows exist, hidden, from the start.
  EXPECT_FALSE(first.dlgEULA().Form().IsVisible());
  EXPECT_FALSE(first.MainForm().Form().IsVisible());
  EXPECT_EQ(first.MainForm().Form().ClientBounds(), (Bounds{0, 0, 712, 301}));
  EXPECT_EQ(first.MainForm().Form().WindowBounds().width, 718);
  EXPECT_EQ(first.MainForm().Form().WindowBounds().height, 330);
  EXPECT_EQ(first.dlgEULA().Form().Border(), FormBorder::SingleSystemMenuOnly);
  EXPECT_EQ(first.dlgEULA().Form().GetFont(), (Font{L"Microsoft Sans Serif", 8}));

  // The ISO entry shows its own note, and the USB one again its two.
  first.Show();
  PickMode(first, 1);
  EXPECT_EQ(note->Text(), Translate(L"ISO NoteCaption"));
  EXPECT_TRUE(next.IsEnabled());
  PickMode(first, 0);
  EXPECT_EQ(note->Text(), Translate(L"USB NoteCaption1") + L"\n" + Translate(L"USB NoteCaption2"));
}

// "Add drivers..." beside the mode choice: each folder chosen is examined and the window says
// how many packages will be added, or that none can, and names the skipped ones; a cancelled
// browser leaves the last answer standing.
TEST_F(WindowsTest, AddDriversSaysWhatTheChosenFolderHolds) {
  machine_.Builder().Fixed('D', 1);
  machine_.Apply();
  auto write = [&](const std::wstring& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(machine_.Host(path)).parent_path());
    std::ofstream(machine_.Host(path), std::ios::binary) << text;
  };
  write(L"D:\\drivers\\a\\a.inf", "[Version]\nSignature=\"$Windows NT$\"\nClass=USB\n[Manufacturer]\n%M%=M,NTamd64\n");
  write(L"D:\\drivers\\b\\b.inf", "[Version]\nSignature=\"$Windows NT$\"\nClass=USB\n[Manufacturer]\n%M%=M\n");
  write(L"D:\\drivers\\c\\c.inf", "[Version]\nSignature=\"$Chicago$\"\n");
  write(L"D:\\none\\readme.txt", "no packages here");

  ui::TdlgFirst first;
  const Form& form = first.Form();
  SkinButton& add = Button(form, L"btnAddDrivers");
  const Label* said = FindControlAs<Label>(form, L"lblExtraDrivers");
  ASSERT_NE(said, nullptr);
  EXPECT_EQ(add.Caption(), Translate(L"Add Drivers"));
  // Between the mode choice and the note, apart from both and from the text beside it.
  const Bounds button = add.GetBounds(), text = said->GetBounds();
  const Bounds modes = FindControlAs<DropDownList>(form, L"cmbMode")->GetBounds();
  const Bounds note = FindControlAs<Label>(form, L"lblNote")->GetBounds();
  // "Also add the drivers to Windows itself": off until the user ticks it, below the button and the text.
  const auto* all = FindControlAs<CheckBox>(form, L"chkAllImages");
  ASSERT_NE(all, nullptr);
  EXPECT_FALSE(all->Checked());
  EXPECT_EQ(all->Caption(), Translate(L"All Images"));
  const Bounds box = all->GetBounds();
  for (const Bounds& b : {button, text, box}) {
    EXPECT_GE(b.top, modes.top + modes.height);
    EXPECT_LE(b.top + b.height, note.top);
    EXPECT_LE(b.left + b.width, form.ClientBounds().width);
  }
  EXPECT_LE(button.left + button.width, text.left);
  EXPECT_GE(box.top, button.top + button.height);
  EXPECT_GE(box.top, text.top + text.height);

  first.Show();
  host::ClearFolderBrowsers();
  host::ScriptFolderChoices({L"D:\\drivers", L"", L"D:\\none"});
  ClickAndPump(add);
  EXPECT_EQ(said->Text().rfind(L"2 driver packages from D:\\drivers", 0), 0u) << said->Text();
  EXPECT_NE(said->Text().find(L"c.inf ([Version] Signature is \"$Chicago$\""), std::wstring::npos) << said->Text();
  EXPECT_EQ(said->Text().find(L"a.inf"), std::wstring::npos) << said->Text();
  const std::wstring first_answer = said->Text();
  ClickAndPump(add);
  EXPECT_EQ(said->Text(), first_answer) << "a cancelled browser changes nothing";
  ClickAndPump(add);
  EXPECT_EQ(said->Text(), L"D:\\none holds no usable driver package; only the built-in drivers will be added.");
  EXPECT_EQ(host::ShownFolderBrowsers().size(), 3u);
}

TEST_F(WindowsTest, TheModeTravelsThroughTheDialogThatAsksForATickEachTime) {
  ui::TdlgFirst first;
  ui::TdlgEULA& eula = first.dlgEULA();
  ui::TMainForm& wizard = first.MainForm();
  EXPECT_EQ(eula.Mode(), 1) << "before the first hand-over";
  EXPECT_EQ(wizard.Mode(), 0) << "before SetMode";
  first.Show();

  // Mode 0 from the mode window: the dialog shows, Next waits for the tick.
  ClickAndPump(Button(first.Form(), L"btnNext"));
  EXPECT_FALSE(first.Form().IsVisible());
  EXPECT_TRUE(eula.Form().IsVisible());
  EXPECT_EQ(eula.Mode(), 0);
  EXPECT_EQ(FindControlAs<Label>(eula.Form(), L"Label1")->Text(), Translate(L"Eula Note"));
  CheckBox* agree = FindControlAs<CheckBox>(eula.Form(), L"CheckBox1");
  ASSERT_NE(agree, nullptr);
  EXPECT_EQ(agree->Caption(), L"I agree");
  SkinButton& next = Button(eula.Form(), L"btnNext");
  SkinButton& back = Button(eula.Form(), L"btnBack");
  EXPECT_EQ(back.GetBounds(), (Bounds{480, 271, 96, 24}));
  EXPECT_EQ(back.Caption(), L"Back");
  EXPECT_FALSE(next.IsEnabled());
  ClickAndPump(next);
  EXPECT_TRUE(eula.Form().IsVisible()) << "a disabled Next does nothing";

  ClickAndPump(*agree);
  EXPECT_TRUE(next.IsEnabled());
  ClickAndPump(*agree);
  EXPECT_FALSE(next.IsEnabled()) << "unticking disables Next again";
  ASSERT_TRUE(host::PressKey(*agree, KeyPress{kVkSpace}));
  PumpPendingMessages();
  EXPECT_TRUE(next.IsEnabled()) << "Space ticks it as the mouse does";

  ClickAndPump(next);
  EXPECT_FALSE(eula.Form().IsVisible());
  EXPECT_TRUE(wizard.Form().IsVisible());
  EXPECT_EQ(wizard.Mode(), 0);
  SkinButton& wizardNext = Button(wizard.Form(), L"btnNext");
  EXPECT_EQ(wizardNext.Caption(), L"&Next");
  EXPECT_EQ(Button(wizard.Form(), L"btnBack").Caption(), L"&Back");
  EXPECT_FALSE(wizardNext.IsEnabled());
  EXPECT_EQ(wizardNext.Tag(), 1);

  // Back from the wizard: the mode window keeps its entry; choosing ISO and coming through
  // the dialog again asks for the tick again.
  ClickAndPump(Button(wizard.Form(), L"btnBack"));
  EXPECT_FALSE(wizard.Form().IsVisible());
  EXPECT_TRUE(first.Form().IsVisible());
  EXPECT_EQ(first.Mode(), 0);
  PickMode(first, 1);
  ClickAndPump(Button(first.Form(), L"btnNext"));
  EXPECT_EQ(eula.Mode(), 1);
  EXPECT_FALSE(agree->Checked()) << "every show unticks the box";
  EXPECT_FALSE(next.IsEnabled());

  // Back from the dialog keeps the ISO entry too.
  ClickAndPump(back);
  EXPECT_FALSE(eula.Form().IsVisible());
  EXPECT_TRUE(first.Form().IsVisible());
  EXPECT_EQ(FindControlAs<DropDownList>(first.Form(), L"cmbMode")->SelectedIndex(), 1);
  EXPECT_EQ(FindControlAs<Label>(first.Form(), L"lblNote")->Text(), Translate(L"ISO NoteCaption"));

  ClickAndPump(Button(first.Form(), L"btnNext"));
  ClickAndPump(*agree);
  ClickAndPump(next);
  EXPECT_TRUE(wizard.Form().IsVisible());
  EXPECT_EQ(wizard.Mode(), 1);
}

TEST_F(WindowsTest, AltF4IsDiscardedByTheDialogButClosingAnyWindowEndsTheProgram) {
  {
    ui::TdlgFirst first;
    first.Show();
    ClickAndPump(Button(first.Form(), L"btnNext"));
    Form& eula = first.dlgEULA().Form();
    ASSERT_TRUE(host::PressKey(eula, KeyPress{kVkF4, true}));
    PumpPendingMessages();
    EXPECT_TRUE(eula.IsVisible()) << "Alt+F4 reaching the dialog itself is discarded";
    EXPECT_NE(host::OpenMainWindow(), 0);
    ASSERT_TRUE(host::PressKey(eula, KeyPress{kVkF4}));
    PumpPendingMessages();
    EXPECT_TRUE(eula.IsVisible());

    // The dialog does not preview its controls' keys: Alt+F4 on the box is a close request.
    ASSERT_TRUE(host::PressKey(*FindControlAs<CheckBox>(eula, L"CheckBox1"), KeyPress{kVkF4, true}));
    EXPECT_TRUE(PumpMessagesUntil([] { return host::OpenMainWindow() == 0; }, 5000))
        << "closing the dialog closes the mode window";
    RunMessageLoop();  // returns at once: the main form has closed
  }
  {
    ui::TdlgFirst first;
    first.Show();
    ClickAndPump(Button(first.Form(), L"btnNext"));
    ClickAndPump(*FindControlAs<CheckBox>(first.dlgEULA().Form(), L"CheckBox1"));
    ClickAndPump(Button(first.dlgEULA().Form(), L"btnNext"));
    ASSERT_TRUE(first.MainForm().Form().IsVisible());
    ASSERT_TRUE(host::PressCloseBox(first.MainForm().Form()));
    EXPECT_TRUE(PumpMessagesUntil([] { return host::OpenMainWindow() == 0; }, 5000))
        << "closing the wizard closes the mode window";
    RunMessageLoop();
  }
  {
    ui::TdlgFirst first;
    first.Show();
    ASSERT_TRUE(host::PressCloseBox(first.Form()));
    EXPECT_TRUE(PumpMessagesUntil([] { return host::OpenMainWindow() == 0; }, 5000));
    RunMessageLoop();
  }
}

TEST_F(WindowsTest, TheSystemLocaleChoosesTheAgreementAndAMissingOneLeavesTheBoxEmpty) {
  struct Case {
    std::uint32_t lcid;
    std::wstring title;
  };
  const Case cases[] = {
      {0x1004, L"\u6700\u7ec8\u7528\u6237\u8bb8\u53ef\u534f\u8bae"},
      {0xC04, L"\u4f7f\u7528\u8005\u6388\u6b0a\u5408\u7d04"},
      {0x407, L"END USER LICENSE AGREEMENT"},
  };
  for (const Case& c : cases) {
    machine_.Builder().SystemLocale(c.lcid);
    machine_.Apply();
    ui::TdlgFirst first;
    const Memo* memo = FindControlAs<Memo>(first.dlgEULA().Form(), L"EULAMemo");
    ASSERT_NE(memo, nullptr);
    ASSERT_FALSE(memo->Lines().empty()) << std::hex << c.lcid;
    EXPECT_EQ(memo->Lines().front(), c.title) << std::hex << c.lcid;
    EXPECT_EQ(memo->GetBounds(), (Bounds{192, 93, 497, 146}));
  }

  // German falls to the English file; without it the box is empty and the tick still works.
  std::filesystem::remove(machine_.Builder().ProgramFileHostPath(L"End User License Agreement_English.txt"));
  ui::TdlgFirst first;
  Form& eula = first.dlgEULA().Form();
  EXPECT_TRUE(FindControlAs<Memo>(eula, L"EULAMemo")->Lines().empty());
  first.Show();
  ClickAndPump(Button(first.Form(), L"btnNext"));
  ClickAndPump(*FindControlAs<CheckBox>(eula, L"CheckBox1"));
  EXPECT_TRUE(Button(eula, L"btnNext").IsEnabled());
}

TEST_F(WindowsTest, BuildingTheModeWindowTracesPayloadTextsAndTheOtherWindowsInOrder) {
  {
    ui::TdlgFirst first;
    EXPECT_TRUE(std::filesystem::is_directory(machine_.Host(L"C:\\ProgramData\\Qarvel\\DraventaWin\\U3")));
  }
  platform::Result<std::vector<std::uint8_t>> read = ReadWholeFile(app::TraceLogPath());
  ASSERT_TRUE(read);
  const std::vector<std::uint8_t>& bytes = *read;
  const std::string log(bytes.begin(), bytes.end());
  std::vector<const char*> order = {
      "[TdlgFirst::TdlgFirst] layout loaded", "[TdlgFirst::TdlgFirst] driver payload written",
      "[TdlgEULA::TdlgEULA] created",         "[TMainForm::TMainForm] created",
      "[TdlgFirst::TdlgFirst] texts set",     "[TdlgFirst::FormCreate] Next button made",
  };
  const char* sampleLine = "[TdlgFirst::TdlgFirst] test build: the payload holds sample drivers";
  if (ui::kSampleDrivers) order.insert(order.begin() + 2, sampleLine);
  EXPECT_EQ(log.find(sampleLine) != std::string::npos, ui::kSampleDrivers);
  std::size_t at = 0;
  for (const char* line : order) {
    const std::size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << " after position " << at << " in\n" << log;
    at = found;
  }
}

}  // namespace
