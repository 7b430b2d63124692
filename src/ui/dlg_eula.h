#pragma once
// TdlgEULA (dlgEULA): the licence agreement dialog between the mode window and the main wizard.
// Next is enabled exactly while "I agree" is ticked, and every show unticks it.
#include <memory>

#include "gs/gs_button.h"
#include "platform/widgets.h"

namespace ui {

class TdlgFirst;

class TdlgEULA {
 public:
  // Builds the dialog hidden, owned by the mode window `owner` (whose hidden images give the
  // button faces), with the agreement for the system locale in EULAMemo.
  explicit TdlgEULA(TdlgFirst& owner);
  ~TdlgEULA();
  TdlgEULA(const TdlgEULA&) = delete;
  TdlgEULA& operator=(const TdlgEULA&) = delete;

  platform::Form& Form() const { return *form_; }
  // Each show unticks the box and sets the note.
  void Show() { form_->Show(); }
  void Hide() { form_->Hide(); }

  // The mode handed on from the mode window; 1 until the first hand-over.
  int Mode() const { return mode_; }
  void SetMode(int mode) { mode_ = mode; }

 private:
  void LoadLayout();
  void LoadAgreement();
  void FormCreate();
  void FormShow();
  void CheckBox1Click();
  void BackClick();
  void NextClick();

  TdlgFirst& owner_;
  int mode_ = 1;
  std::unique_ptr<platform::Form> form_;
  platform::Image* Image1 = nullptr;
  platform::Label* Label1 = nullptr;
  platform::Memo* EULAMemo = nullptr;
  platform::CheckBox* CheckBox1 = nullptr;
  std::unique_ptr<gs::GsButton> btnBack_;
  std::unique_ptr<gs::GsButton> btnNext_;
};

}  // namespace ui
