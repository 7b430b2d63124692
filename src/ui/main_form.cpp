#include "ui/main_form.h"

#include "app/trace_log.h"
#include "ui/dlg_first.h"
#include "ui/form_build.h"
#include "ui/program.h"
#include "ui/skin_button.h"
#include "ui/window_art.h"

namespace ui {

TMainForm::TMainForm(TdlgFirst& owner) : owner_(owner) {
  LoadLayout();
  FormCreate();
  TraceLog(L"[TMainForm::TMainForm] created");
}

TMainForm::~TMainForm() = default;

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
  // Closing the wizard closes the mode window, which ends the program.
  form_->SetOnClose([this] {
    owner_.Close();
    return true;
  });
}

void TMainForm::FormCreate() {
  const SharedFaces faces = owner_.Faces();
  CreateSkinButton(*form_, faces.inputBackground, btnNext_, 600, 271, faces.raised, faces.hovered, faces.sunken,
                   faces.disabled, L"Next", L"Next", L"btnNext");
  CreateSkinButton(*form_, faces.inputBackground, btnBack_, 480, 271, faces.raised, faces.hovered, faces.sunken,
                   faces.disabled, L"Back", L"Back", L"btnBack");
  btnBack_->SetOnClick([this] { BackClick(); });
  btnNext_->SetCaption(L"&Next");
  btnNext_->SetHint(L"Next");
  btnBack_->SetCaption(L"&Back");
  btnNext_->SetEnabled(false);
  btnNext_->SetTag(1);
}

void TMainForm::SetMode(int mode) { Mode_ = mode; }

void TMainForm::BackClick() {
  owner_.Show();
  Hide();
}

}  // namespace ui
