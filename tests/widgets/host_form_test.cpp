// The host widget layer: what the windows rely on when they place controls, and the event
// rules a user meets (what a click, a key, a close request or a tick reaches).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "sim/probes/folder_browser_script.h"
#include "sim/probes/main_window_probe.h"
#include "sim/probes/widgets_probe.h"
#include "platform/messages.h"
#include "platform/widgets.h"

namespace {

using namespace platform;

FormSpec DialogSpec(const std::wstring& name, bool mainForm = false) {
  FormSpec spec;
  spec.name = name;
  spec.caption = L"Qarvel Vexa Installer";
  spec.clientWidth = 712;
  spec.clientHeight = 302;
  spec.font = Font{L"Tahoma", 8};
  spec.mainForm = mainForm;
  return spec;
}

TEST(HostForm, ControlsAreFoundByNameInCreationOrderWithInheritedFontsAndBackgrounds) {
  FormSpec spec = DialogSpec(L"dlgEULA");
  spec.border = FormBorder::SingleSystemMenuOnly;
  spec.background = Color{229, 232, 237};
  spec.font = Font{L"Microsoft Sans Serif", 8};
  auto form = CreateForm(spec);
  ASSERT_TRUE(form);
  EXPECT_FALSE(form->IsVisible());
  EXPECT_TRUE(form->IsToolWindow());
  EXPECT_EQ(form->ClientBounds(), (Bounds{0, 0, 712, 302}));

  Label* note = form->AddLabel({L"Label1", {192, 13, 443, 74}, L"note", std::nullopt, true, true});
  Panel* page = form->AddPanel({L"panSelectUsb", {180, 0, 525, 205}, PanelBevel::Raised, std::nullopt,
                                Font{L"Microsoft Sans Serif", 12, true}});
  Label* title = page->AddLabel({L"Label5", {155, 20, 0, 0}, L"title"});
  DropDownList* list = page->AddDropDownList({L"cmbUsbList", {16, 104, 422, 21}});
  Memo* memo = form->AddMemo({L"EULAMemo", {192, 93, 497, 146}});

  EXPECT_EQ(note->GetFont().name, L"Microsoft Sans Serif");
  EXPECT_TRUE(note->WordWrap());
  EXPECT_EQ(title->GetFont(), (Font{L"Microsoft Sans Serif", 12, true}));
  EXPECT_EQ(page->BackgroundColor(), (Color{229, 232, 237}));
  EXPECT_EQ(&page->ContainerForm(), form.get());
  EXPECT_EQ(form->FindControl(L"cmbUsbList"), list);
  EXPECT_EQ(host::FindControlAs<Memo>(*form, L"EULAMemo"), memo);
  EXPECT_EQ(host::FindControlAs<Label>(*form, L"EULAMemo"), nullptr);
  EXPECT_EQ(form->FindControl(L"nothing"), nullptr);
  std::vector<Control*> order{note, page, title, list, memo};
  EXPECT_EQ(form->Controls(), order);
  EXPECT_EQ(host::FindForm(L"dlgEULA"), form.get());

  // The outer size moves the client area with it; the form is centred on its first show.
  form->SetWindowSize(718, 330);
  EXPECT_EQ(form->ClientBounds(), (Bounds{0, 0, 712, 301}));
  form->Show();
  Bounds outer = form->WindowBounds();
  EXPECT_EQ(outer.width, 718);
  EXPECT_EQ(outer.left, (1024 - 718) / 2);
  form.reset();
  EXPECT_EQ(host::FindForm(L"dlgEULA"), nullptr);
}

TEST(HostForm, ListsCheckBoxesAndBarsKeepTheirStateAndFireOnlyForTheUser) {
  auto form = CreateForm(DialogSpec(L"dlgFirst"));
  form->Show();
  DropDownList* modes = form->AddDropDownList({L"cmbMode", {193, 128, 417, 21}});
  int changes = 0;
  modes->SetOnChange([&] { ++changes; });
  EXPECT_EQ(modes->InsertItem(0, L"to USB", 10), 0);
  EXPECT_EQ(modes->InsertItem(5, L"to ISO", 11), 1);  // past the end appends
  modes->SetSelectedIndex(1);
  EXPECT_EQ(modes->InsertItem(0, L"first", 12), 0);
  EXPECT_EQ(modes->SelectedIndex(), 2) << "the selected entry stays selected";
  EXPECT_EQ(modes->Text(), L"to ISO");
  EXPECT_EQ(modes->ItemData(2), 11);
  EXPECT_EQ(modes->ItemText(7), L"");
  modes->SetSelectedIndex(9);
  EXPECT_EQ(modes->SelectedIndex(), -1);
  EXPECT_EQ(changes, 0) << "setting the selection is not a user's change";
  host::ChooseItem(*modes, 1);
  PumpPendingMessages();
  EXPECT_EQ(modes->SelectedIndex(), 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(form->FocusedControl(), modes);
  modes->ClearItems();
  EXPECT_EQ(modes->ItemCount(), 0);
  EXPECT_EQ(modes->SelectedIndex(), -1);

  CheckBox* agree = form->AddCheckBox({L"CheckBox1", {400, 245, 97, 17}, L"I agree"});
  int clicks = 0;
  agree->SetOnClick([&] { ++clicks; });
  agree->SetChecked(false);
  EXPECT_EQ(clicks, 0) << "no change, no click";
  agree->SetChecked(true);
  EXPECT_EQ(clicks, 1) << "a change made by the program clicks too";
  host::Click(*agree);
  host::PressKey(*agree, KeyPress{kVkSpace});
  host::PressKey(*agree, KeyPress{kVkReturn});
  PumpPendingMessages();
  EXPECT_EQ(clicks, 3);
  EXPECT_TRUE(agree->Checked());

  ProgressBar* bar = form->AddProgressBar({L"pbDism", {16, 94, 441, 17}});
  bar->SetPosition(140);
  EXPECT_EQ(bar->Position(), 100);
  bar->SetPosition(-3);
  EXPECT_EQ(bar->Position(), 0);

  Memo* memo = form->AddMemo({L"EULAMemo", {0, 0, 10, 10}});
  memo->AppendLine(L"one");
  memo->AppendLine(L"");
  memo->AppendLine(L"three");
  EXPECT_EQ(memo->Text(), L"one\r\n\r\nthree");
  memo->Clear();
  EXPECT_TRUE(memo->Lines().empty());
}

TEST(HostForm, HiddenOrDisabledControlsAndTheirChildrenIgnoreTheUser) {
  auto form = CreateForm(DialogSpec(L"MainForm"));
  Panel* page = form->AddPanel({L"Panel_DstISO", {180, 0, 525, 205}});
  SkinButton* browse = page->AddSkinButton({L"Browser", {420, 110, 96, 24}});
  int clicks = 0;
  browse->SetOnClick([&] { ++clicks; });

  host::Click(*browse);  // the form is not shown yet
  PumpPendingMessages();
  EXPECT_EQ(clicks, 0);
  form->Show();
  host::Click(*browse);
  PumpPendingMessages();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(browse->HasFocus());

  page->SetVisible(false);
  EXPECT_FALSE(host::IsShowing(*browse));
  EXPECT_TRUE(browse->IsVisible()) << "its own flag is unchanged";
  host::Click(*browse);
  host::PressKey(*browse, KeyPress{kVkReturn});
  PumpPendingMessages();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form->FocusedControl(), nullptr);

  page->SetVisible(true);
  page->SetEnabled(false);
  EXPECT_TRUE(host::IsShowing(*browse));
  EXPECT_FALSE(host::IsUsable(*browse));
  host::Click(*browse);
  PumpPendingMessages();
  EXPECT_EQ(clicks, 1);

  // The decision is made when the click arrives, not when it was queued.
  page->SetEnabled(true);
  host::Click(*browse);
  browse->SetEnabled(false);
  PumpPendingMessages();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(browse->State(), SkinButtonState::Disabled);
  browse->SetEnabled(true);
  host::Hover(*browse, true);
  host::PressKey(*browse, KeyPress{kVkSpace});
  PumpPendingMessages();
  EXPECT_EQ(browse->State(), SkinButtonState::Hovered);
  EXPECT_EQ(clicks, 2);
}

TEST(HostForm, ShowingFocusesTheFirstControlAndTabFollowsCreationOrderWithPanelsInPlace) {
  auto form = CreateForm(DialogSpec(L"MainForm"));
  form->AddLabel({L"lblNote", {0, 0, 10, 10}, L"note"});
  CheckBox* box = form->AddCheckBox({L"CheckBox1", {0, 0, 10, 10}, L"I agree"});
  Panel* page = form->AddPanel({L"panSelectDVD", {180, 0, 525, 205}});
  SkinButton* next = form->AddSkinButton({L"btnNext", {600, 271, 96, 24}});
  DropDownList* drives = page->AddDropDownList({L"cmbDVDlist", {16, 96, 473, 21}});
  Edit* path = page->AddEdit({L"EdtISOPathdst", {32, 113, 360, 21}});
  form->Show();
  EXPECT_EQ(form->FocusedControl(), box) << "labels take no focus";

  path->SetEnabled(false);
  std::vector<Control*> visited;
  for (int i = 0; i < 4; ++i) {
    host::PressKey(*form->FocusedControl(), KeyPress{kVkTab});
    PumpPendingMessages();
    visited.push_back(form->FocusedControl());
  }
  EXPECT_EQ(visited, (std::vector<Control*>{drives, next, box, drives})) << "a disabled edit is skipped";
  host::PressKey(*drives, KeyPress{kVkTab, false, false, true});
  PumpPendingMessages();
  EXPECT_EQ(form->FocusedControl(), box) << "Shift+Tab goes back";
}

TEST(HostForm, CloseRequestsFollowTheCloseItemTheHandlerAndTheKeys) {
  auto form = CreateForm(DialogSpec(L"dlgEULA"));
  form->Show();
  CheckBox* box = form->AddCheckBox({L"CheckBox1", {0, 0, 10, 10}, L"I agree"});
  int asked = 0;
  bool allow = false;
  form->SetOnClose([&] {
    ++asked;
    return allow;
  });
  std::vector<std::uint32_t> keys;
  form->SetOnKeyDown([&](const KeyPress& key) {
    keys.push_back(key.virtualKey);
    return key.alt && key.virtualKey == kVkF4;  // the licence dialog discards Alt+F4
  });

  host::PressCloseBox(*form);
  PumpPendingMessages();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(form->IsVisible()) << "the handler kept it";

  host::PressKey(*form, KeyPress{kVkF4, true});
  host::PressKey(*form, KeyPress{kVkEscape});
  PumpPendingMessages();
  EXPECT_EQ(asked, 1) << "Alt+F4 discarded by the form's key handler";
  EXPECT_EQ(keys, (std::vector<std::uint32_t>{kVkF4, kVkEscape}));

  // A control's keys are its own: Alt+F4 there reaches the close request directly.
  host::PressKey(*box, KeyPress{kVkF4, true});
  PumpPendingMessages();
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(keys.size(), 2u);

  form->SetCloseItemEnabled(false);
  host::PressCloseBox(*form);
  host::PressKey(*box, KeyPress{kVkF4, true});
  PumpPendingMessages();
  EXPECT_EQ(asked, 2) << "a greyed Close item disables the close box and Alt+F4";

  allow = true;
  PostWindowMessage(form->Handle(), kWmClose, 0, 0);
  PumpPendingMessages();
  EXPECT_EQ(asked, 3) << "a posted WM_CLOSE is a close request whatever the menu";
  EXPECT_FALSE(form->IsVisible());
  form->Show();
  EXPECT_TRUE(form->Close());
  EXPECT_FALSE(form->IsVisible());
}

TEST(HostForm, ClosingTheMainFormEndsTheMessageLoopAndOtherFormsMayCloseIt) {
  auto first = CreateForm(DialogSpec(L"dlgFirst", true));
  auto eula = CreateForm(DialogSpec(L"dlgEULA"));
  EXPECT_EQ(host::OpenMainWindow(), first->Handle());
  eula->SetOnClose([&] { return first->Close(); });
  first->Show();
  eula->Show();
  host::PressCloseBox(*eula);
  RunMessageLoop();  // returns only once the main form has closed
  EXPECT_FALSE(first->IsVisible());
  EXPECT_FALSE(eula->IsVisible());
  EXPECT_EQ(host::OpenMainWindow(), 0u);

  // The loop ends at once when there is no main form left.
  first.reset();
  RunMessageLoop();
}

TEST(HostForm, PostedStatesAndALaterCallReachTheFormInOrderAndTimersTickOnlyWhenEnabled) {
  auto form = CreateForm(DialogSpec(L"MainForm"));
  std::vector<int> order;
  form->SetOnMessage([&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    if (message == kWmUser + 80) order.push_back(static_cast<int>(wParam));
  });
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int state = 0; state < 20; ++state) PostWindowMessage(form->Handle(), kWmUser + 80, state, 50);
    CallOnWindowThread(form->Handle(), [&] { order.push_back(-1); });
    done = true;
  });
  ASSERT_TRUE(PumpMessagesUntil([&] { return done.load(); }, 20000));
  worker.join();
  ASSERT_EQ(order.size(), 21u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(order[i], i);
  EXPECT_EQ(order.back(), -1);

  Timer* timer = form->AddTimer({L"Timer1", 1000, false});
  int ticks = 0;
  timer->SetOnTick([&] { ++ticks; });
  host::Tick(*timer);
  PumpPendingMessages();
  EXPECT_EQ(ticks, 0);
  timer->SetEnabled(true);
  host::Tick(*timer);
  host::Tick(*timer);
  PumpPendingMessages();
  EXPECT_EQ(ticks, 2);

  // Real-time ticking, as the demo uses it.
  timer->SetInterval(10);
  host::SetRealTimeTimers(true);
  EXPECT_TRUE(PumpMessagesUntil([&] { return ticks >= 5; }, 20000));
  host::SetRealTimeTimers(false);
}

TEST(HostFolderBrowser, AnswersComeFromTheScriptAndEveryBrowserIsRecorded) {
  host::ClearFolderBrowsers();
  host::ScriptFolderChoices({L"E:\\out", L""});
  EXPECT_EQ(BrowseForFolder(0x1, L"Please Select Folder:"), L"E:\\out");
  EXPECT_EQ(BrowseForFolder(0x1, L"Please Select Folder:"), L"");
  EXPECT_EQ(BrowseForFolder(0x2, L"again"), L"") << "an exhausted script cancels";
  auto shown = host::ShownFolderBrowsers();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].owner, 0x1u);
  EXPECT_EQ(shown[0].title, L"Please Select Folder:");
  EXPECT_EQ(shown[0].answer, L"E:\\out");
  EXPECT_EQ(shown[2].owner, 0x2u);
}

}  // namespace
