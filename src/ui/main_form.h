#pragma once
// TMainForm (MainForm): the main wizard window. This is its frame: the banner, the note, and
// the Back and Next buttons, made hidden by the mode window; the mode arrives through SetMode
// from the licence dialog before the window is shown. Back returns to the mode window.
#include <memory>

#include "gs/gs_button.h"
#include "platform/widgets.h"

namespace ui {

class TdlgFirst;

class TMainForm {
 public:
  explicit TMainForm(TdlgFirst& owner);
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  platform::Form& Form() const { return *form_; }
  void Show() { form_->Show(); }
  void Hide() { form_->Hide(); }

  // 0 disc to USB drive, 1 disc to ISO file; 0 until SetMode.
  int Mode() const { return Mode_; }
  void SetMode(int mode);

 private:
  void LoadLayout();
  void FormCreate();
  void BackClick();

  TdlgFirst& owner_;
  int Mode_ = 0;
  std::unique_ptr<platform::Form> form_;
  platform::Image* Image1 = nullptr;
  platform::Label* lblNote = nullptr;
  std::unique_ptr<gs::GsButton> btnBack_;
  std::unique_ptr<gs::GsButton> btnNext_;
};

}  // namespace ui
