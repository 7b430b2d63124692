#include "ui/dlg_first.h"

#include <utility>

#include "app/trace_log.h"
#include "platform/folder_browser.h"
#include "disk/diskpart_script.h"
#include "servicing/driver_payload.h"
#include "servicing/extra_drivers.h"
#include "ui/extra_drivers_text.h"
#include "ui/dlg_eula.h"
#include "ui/form_build.h"
#include "ui/main_form.h"
#include "ui/program.h"
#include "ui/qv_multi_lang.h"
#include "ui/skin_button.h"
#include "ui/window_art.h"

namespace ui {

TdlgFirst::TdlgFirst() {
  LoadLayout();
  TraceLog(L"[TdlgFirst::TdlgFirst] layout loaded");
  ExtractDriverPayload();
  TraceLog(L"[TdlgFirst::TdlgFirst] driver payload written");
  if (kSampleDrivers) {
    TraceLog(L"[TdlgFirst::TdlgFirst] test build: the payload holds sample drivers, not for real installations");
  }
  lblDesc->SetText(Translate(L"Description"));
  dlgEULA_ = std::make_unique<TdlgEULA>(*this);
  mainForm_ = std::make_unique<TMainForm>(*this);
  Label6->SetText(Translate(L"CmboxLabelCaption"));
  cmbMode->InsertItem(kModeOddToUsb, Translate(L"ODDToUSB"));
  cmbMode->InsertItem(kModeOddToIso, Translate(L"ODDToISO"));
  cmbMode->SetSelectedIndex(kModeOddToUsb);
  if (lblSampleDrivers) lblSampleDrivers->SetText(Translate(L"Sample Drivers Note"));
  TraceLog(L"[TdlgFirst::TdlgFirst] texts set");
  FormCreate();
}

TdlgFirst::~TdlgFirst() {
  // The owned windows go first; their buttons took pictures, not references, from this one.
  mainForm_.reset();
  dlgEULA_.reset();
  // A diskpart script kept for the next job (after a declined clean) goes with the program.
  DiskpartScript::Instance().DeleteScriptFile();
}

void TdlgFirst::LoadLayout() {
  platform::FormSpec spec;
  spec.name = L"dlgFirst";
  spec.caption = kProgramCaption;
  spec.clientWidth = 712;
  spec.clientHeight = 302;
  spec.border = platform::FormBorder::Dialog;
  spec.font = platform::Font{L"Tahoma", 8};
  spec.background = ArtWindowColor();
  spec.mainForm = true;
  form_ = platform::CreateForm(spec);
  Made(form_.get(), L"dlgFirst");

  const platform::Font tahoma10{L"Tahoma", 10};
  Image1 = Made(form_->AddImage({L"Image1", {-2, 0, 173, 303}, LoadWindowArt(L"ART_BANNER")}), L"Image1");
  lblDesc = Made(form_->AddLabel({L"lblDesc", {193, 24, 456, 65}, L"", std::nullopt, false, true}), L"lblDesc");
  Label6 = Made(form_->AddLabel({L"Label6", {193, 101, 0, 0}, L"", tahoma10, true, false}), L"Label6");
  cmbMode = Made(form_->AddDropDownList({L"cmbMode", {193, 128, 417, 21}}), L"cmbMode");
  lblExtraDrivers =
      Made(form_->AddLabel({L"lblExtraDrivers", {310, 158, 355, 28}, L"", std::nullopt, false, true}), L"lblExtraDrivers");
  lblNote = Made(form_->AddLabel({L"lblNote", {193, 208, 472, 55}, L"", tahoma10, false, true}), L"lblNote");
  if (kSampleDrivers) {
    // One line in dark red beside the Next button, below the note, for a test build.
    const platform::Font warning{L"Tahoma", 8, false, {160, 0, 0}};
    lblSampleDrivers = Made(form_->AddLabel({L"lblSampleDrivers", {193, 277, 395, 14}, L"", warning, false, false}),
                            L"lblSampleDrivers");
  }
  Img_Button_BK = AddHiddenImage(*form_, L"Img_Button_BK", LoadWindowArt(L"ART_BUTTON_BK"));
  Image2 = AddHiddenImage(*form_, L"Image2", LoadWindowArt(L"ART_FACE_RAISED"));
  Image3 = AddHiddenImage(*form_, L"Image3", LoadWindowArt(L"ART_FACE_HOVERED"));
  Image4 = AddHiddenImage(*form_, L"Image4", LoadWindowArt(L"ART_FACE_SUNKEN"));
  Img_disable = AddHiddenImage(*form_, L"Img_disable", LoadWindowArt(L"ART_FACE_DISABLED"));

  cmbMode->SetOnChange([this] { cmbModeChange(); });
  // Closing the main form ends the message loop; the close needs no answer of its own.
}

SharedFaces TdlgFirst::Faces() const {
  return SharedFaces{Image2->Picture(), Image3->Picture(), Image4->Picture(), Img_disable->Picture(),
                     Img_Button_BK->Picture()};
}

void TdlgFirst::FormCreate() {
  const SharedFaces faces = Faces();
  // Beside the mode choice, and made before Next, which follows it in the keyboard's tab order.
  CreateSkinButton(*form_, faces.inputBackground, btnAddDrivers_, 193, 158, faces.raised, faces.hovered, faces.sunken,
                   faces.disabled, Translate(L"Add Drivers"), Translate(L"Add Drivers"), L"btnAddDrivers");
  btnAddDrivers_->SetOnClick([this] { AddDriversClick(); });
  // Below the folder's answer and after its button in the tab order. Off by default: the drivers
  // go into Windows setup only unless the user asks for Windows too.
  chkAllImages = Made(form_->AddCheckBox({L"chkAllImages", {193, 188, 472, 17}, Translate(L"All Images")}), L"chkAllImages");
  chkAllImages->SetOnClick([this] { mainForm_->SetAllImages(chkAllImages->Checked()); });
  CreateSkinButton(*form_, faces.inputBackground, btnNext_, 600, 271, faces.raised, faces.hovered, faces.sunken,
                   faces.disabled, L"Next", L"Next", L"btnNext");
  btnNext_->SetOnClick([this] { NextClick(); });
  cmbModeChange();
  TraceLog(L"[TdlgFirst::FormCreate] Next button made");
}

void TdlgFirst::cmbModeChange() {
  if (Mode() == kModeOddToUsb) {
    lblNote->SetText(Translate(L"USB NoteCaption1") + L"\n" + Translate(L"USB NoteCaption2"));
  } else if (Mode() == kModeOddToIso) {
    lblNote->SetText(Translate(L"ISO NoteCaption"));
  }
  btnNext_->SetEnabled(true);
}

void TdlgFirst::AddDriversClick() {
  const std::wstring folder = platform::BrowseForFolder(form_->Handle(), Translate(L"Add Drivers"));
  if (folder.empty()) return;
  // The disc is not known yet: a package counts when it fits a 32-bit or a 64-bit disc; the job
  // adds those that fit its disc and traces the others.
  const DriverFolderExamination examination = ExamineDriverFolderForEitherDisc(folder);
  TraceLog(L"[TdlgFirst::AddDriversClick] " + DescribeExamination(examination));
  lblExtraDrivers->SetText(ExtraDriversText(examination));
  // No usable package: the job goes on with the built-in ones only.
  mainForm_->SetExtraDriverFolder(examination.fitting.empty() ? L"" : examination.folder);
}

void TdlgFirst::NextClick() {
  dlgEULA_->SetMode(Mode());
  dlgEULA_->Show();
  Hide();
}

}  // namespace ui
