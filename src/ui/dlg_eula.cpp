#include "ui/dlg_eula.h"

#include "app/trace_log.h"
#include "ui/dlg_first.h"
#include "ui/eula_text.h"
#include "ui/form_build.h"
#include "ui/main_form.h"
#include "ui/program.h"
#include "ui/qv_multi_lang.h"
#include "ui/skin_button.h"
#include "ui/window_art.h"

namespace ui {

TdlgEULA::TdlgEULA(TdlgFirst& owner) : owner_(owner) {
  LoadLayout();
  LoadAgreement();
  FormCreate();
  TraceLog(L"[TdlgEULA::TdlgEULA] created");
}

TdlgEULA::~TdlgEULA() = default;

void TdlgEULA::LoadLayout() {
  platform::FormSpec spec;
  spec.name = L"dlgEULA";
  spec.caption = kProgramCaption;
  spec.clientWidth = 712;
  spec.clientHeight = 302;
  spec.border = platform::FormBorder::SingleSystemMenuOnly;
  spec.font = platform::Font{L"Microsoft Sans Serif", 8};
  spec.background = platform::Color{229, 232, 237};
  spec.owner = &owner_.Form();
  form_ = platform::CreateForm(spec);
  Made(form_.get(), L"dlgEULA");

  Image1 = Made(form_->AddImage({L"Image1", {-2, 0, 173, 303}, LoadWindowArt(L"ART_BANNER")}), L"Image1");
  Label1 = Made(form_->AddLabel({L"Label1", {192, 13, 443, 74}, L"", std::nullopt, false, true}), L"Label1");
  EULAMemo = Made(form_->AddMemo({L"EULAMemo", {192, 93, 497, 146}}), L"EULAMemo");
  CheckBox1 = Made(form_->AddCheckBox({L"CheckBox1", {400, 245, 97, 17}, L""}), L"CheckBox1");

  CheckBox1->SetOnClick([this] { CheckBox1Click(); });
  form_->SetOnShow([this] { FormShow(); });
  // Only keys that reach the form itself: Alt+F4 there does not close the dialog.
  form_->SetOnKeyDown([](const platform::KeyPress& key) { return key.alt && key.virtualKey == platform::kVkF4; });
  // Closing the dialog closes the mode window, which ends the program.
  form_->SetOnClose([this] {
    owner_.Close();
    return true;
  });
}

void TdlgEULA::LoadAgreement() {
  const std::vector<std::wstring> lines = LoadEulaLines();
  if (lines.empty()) return;  // no agreement file for this locale: the box stays empty
  EULAMemo->Clear();
  for (const std::wstring& line : lines) EULAMemo->AppendLine(line);
}

void TdlgEULA::FormCreate() {
  const SharedFaces faces = owner_.Faces();
  CreateSkinButton(*form_, faces.inputBackground, btnNext_, 600, 271, faces.raised, faces.hovered, faces.sunken,
                   faces.disabled, L"Next", L"Next", L"btnNext");
  btnNext_->SetOnClick([this] { NextClick(); });
  CreateSkinButton(*form_, faces.inputBackground, btnBack_, 480, 271, faces.raised, faces.hovered, faces.sunken,
                   faces.disabled, L"Back", L"Back", L"btnBack");
  btnBack_->SetOnClick([this] { BackClick(); });
  btnNext_->SetEnabled(false);
  CheckBox1->SetCaption(L"I agree");
}

void TdlgEULA::FormShow() {
  // Unticking fires the click, which disables Next again.
  if (CheckBox1->Checked()) CheckBox1->SetChecked(false);
  Label1->SetText(Translate(L"Eula Note"));
}

void TdlgEULA::CheckBox1Click() { btnNext_->SetEnabled(CheckBox1->Checked()); }

void TdlgEULA::BackClick() {
  owner_.Show();
  Hide();
}

void TdlgEULA::NextClick() {
  owner_.MainForm().SetMode(mode_);
  owner_.MainForm().Show();
  Hide();
}

}  // namespace ui
