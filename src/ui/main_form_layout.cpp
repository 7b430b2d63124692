// The wizard's layout: the frame (banner, note, timer) and its four pages, each a panel placed
// below the note, shown one at a time.
#include "ui/dlg_first.h"
#include "ui/form_build.h"
#include "ui/main_form.h"
#include "ui/program.h"
#include "ui/window_art.h"

namespace ui {

namespace {

constexpr int kPageLeft = 180;
constexpr int kPageTop = 61;
constexpr int kPageWidth = 525;
constexpr int kPageHeight = 205;
constexpr platform::Color kRuleGrey{160, 160, 160};

platform::Panel* AddPage(platform::Form& form, const wchar_t* name) {
  return Made(form.AddPanel({name, {kPageLeft, kPageTop, kPageWidth, kPageHeight}}), name);
}

// A page's head: "Step N of 3:" and the title beside it, in the title font, and the rule below.
platform::Label* AddPageHead(platform::Panel& page, const wchar_t* stepName, int stepTop, const wchar_t* step,
                             const wchar_t* titleName, int titleLeft, int titleTop, const platform::Font& font) {
  Made(page.AddLabel({stepName, {16, stepTop, 0, 0}, step, font}), stepName);
  platform::Label* title = Made(page.AddLabel({titleName, {titleLeft, titleTop, 0, 0}, L"", font}), titleName);
  Made(page.AddRule({std::wstring(stepName) + L"Rule", {16, 54, 473, 1}, kRuleGrey}), L"rule");
  return title;
}

platform::Font TitleFont(const wchar_t* face) { return platform::Font{face, 12, true}; }

}  // namespace

void TMainForm::LoadLayout() {
  platform::FormSpec spec;
  spec.name = L"MainForm";
  spec.caption = kProgramCaption;
  spec.clientWidth = 712;
  spec.clientHeight = 301;
  spec.border = platform::FormBorder::Dialog;
  spec.font = platform::Font{L"Tahoma", 8};
  spec.background = ArtWindowColor();
  spec.owner = &owner_.Form();
  form_ = platform::CreateForm(spec);
  Made(form_.get(), L"MainForm");
  form_->SetWindowSize(718, 330);

  Image1 = Made(form_->AddImage({L"Image1", {-2, 0, 173, 303}, LoadWindowArt(L"ART_BANNER")}), L"Image1");
  lblNote = Made(form_->AddLabel({L"lblNote", {177, 8, 527, 53}, L"", platform::Font{L"Tahoma", 10}, false, true}),
                 L"lblNote");
  AddDvdPage();
  AddUsbPage();
  AddIsoPage();
  AddProgressPage();
  Pages = {panSelectDVD, panSelectUsb, Panel_DstISO, panMainScreen};
  for (platform::Panel* page : Pages) page->SetVisible(false);
  Timer1 = Made(form_->AddTimer({L"Timer1", 1000, false}), L"Timer1");
}

void TMainForm::AddDvdPage() {
  panSelectDVD = AddPage(*form_, L"panSelectDVD");
  Label3 = AddPageHead(*panSelectDVD, L"Label2", 21, L"Step 1 of 3:", L"Label3", 160, 22,
                       TitleFont(L"Microsoft Sans Serif"));
  lblDVDTitle = Made(panSelectDVD->AddLabel({L"lblDVDTitle", {16, 77, 0, 0}, L""}), L"lblDVDTitle");
  cmbDVDlist = Made(panSelectDVD->AddDropDownList({L"cmbDVDlist", {16, 96, 473, 21}}), L"cmbDVDlist");
  lblWait = Made(panSelectDVD->AddLabel({L"lblWait", {16, 152, 0, 0}, L"Please Wait..."}), L"lblWait");
}

void TMainForm::AddUsbPage() {
  panSelectUsb = AddPage(*form_, L"panSelectUsb");
  Label5 = AddPageHead(*panSelectUsb, L"Label4", 22, L"Step 2 of 3:", L"Label5", 155, 20,
                       TitleFont(L"Microsoft Sans Serif"));
  Label6 = Made(panSelectUsb->AddLabel({L"Label6", {16, 77, 0, 0}, L""}), L"Label6");
  cmbUsbList = Made(panSelectUsb->AddDropDownList({L"cmbUsbList", {16, 104, 422, 21}}), L"cmbUsbList");
  chkVerifyFiles = Made(panSelectUsb->AddCheckBox({L"chkVerifyFiles", {16, 140, 422, 17}, L""}), L"chkVerifyFiles");
  img_refresh1 = AddHiddenImage(*panSelectUsb, L"img_refresh1", LoadWindowArt(L"ART_REFRESH_RAISED"));
  img_refresh2 = AddHiddenImage(*panSelectUsb, L"img_refresh2", LoadWindowArt(L"ART_REFRESH_HOVERED"));
  img_refresh3 = AddHiddenImage(*panSelectUsb, L"img_refresh3", LoadWindowArt(L"ART_REFRESH_SUNKEN"));
}

void TMainForm::AddIsoPage() {
  Panel_DstISO = AddPage(*form_, L"Panel_DstISO");
  // Tahoma's bold "Step 2 of 3:" is wider than the other pages' font: the title starts where
  // theirs do, so the two never touch.
  Label11 = AddPageHead(*Panel_DstISO, L"Label10", 20, L"Step 2 of 3:", L"Label11", 160, 20, TitleFont(L"Tahoma"));
  EdtISOPathdst = Made(Panel_DstISO->AddEdit({L"EdtISOPathdst", {32, 113, 360, 0}}), L"EdtISOPathdst");
}

void TMainForm::AddProgressPage() {
  panMainScreen = AddPage(*form_, L"panMainScreen");
  Label1 = AddPageHead(*panMainScreen, L"lblScreenTitle", 22, L"Step 3 of 3:", L"Label1", 160, 22,
                       TitleFont(L"Microsoft Sans Serif"));
  pbDism = Made(panMainScreen->AddProgressBar({L"pbDism", {16, 94, 441, 17}, 0, 100}), L"pbDism");
  lblPercent = Made(panMainScreen->AddLabel({L"lblPercent", {460, 95, 0, 0}, L"0"}), L"lblPercent");
  // Two pixels right of the design place, so "100" and the sign don't touch.
  Made(panMainScreen->AddLabel({L"Label7", {481, 95, 0, 0}, L"%"}), L"Label7");
  Made(panMainScreen->AddLabel({L"lblStatus", {16, 144, 0, 0}, L"Status:"}), L"lblStatus");
  // A fixed box: a long status is cut at its edge instead of running over the page.
  lblState = Made(panMainScreen->AddLabel({L"lblState", {79, 144, 410, 13}, L"", std::nullopt, false, false}),
                  L"lblState");
}

}  // namespace ui
