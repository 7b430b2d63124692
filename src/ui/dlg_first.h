#pragma once
// TdlgFirst (dlgFirst): the mode selection window, the application's main form. Building it
// writes the driver payload and creates the licence dialog and the main wizard, both hidden and
// owned by it; its hidden images are the faces of the three windows' skinned buttons. Closing
// it, which the other two windows also do when they close, ends the message loop.
#include <memory>
#include <string>

#include "gs/gs_button.h"
#include "platform/widgets.h"

namespace ui {

class TdlgEULA;
class TMainForm;

// The faces every skinned button of the windows shares (the mode window's hidden images).
struct SharedFaces {
  const platform::RgbaImage& raised;
  const platform::RgbaImage& hovered;
  const platform::RgbaImage& sunken;
  const platform::RgbaImage& disabled;
  const platform::RgbaImage& inputBackground;
};

// Modes: the index of the chosen entry of cmbMode.
constexpr int kModeOddToUsb = 0;
constexpr int kModeOddToIso = 1;

// Whether the program carries the repository's sample drivers (a test build, decided by the
// build: resources/CMakeLists.txt) rather than the chip makers' checked packages. The mode
// window then shows lblSampleDrivers, one warning line between the note and the Next button.
#ifndef DRAVENTA_SAMPLE_DRIVERS
#error "DRAVENTA_SAMPLE_DRIVERS comes from the draventa_resources target"
#elif DRAVENTA_SAMPLE_DRIVERS
constexpr bool kSampleDrivers = true;
#else
constexpr bool kSampleDrivers = false;
#endif

class TdlgFirst {
 public:
  // Builds the window hidden, in this order: the layout, the driver payload, lblDesc's text,
  // dlgEULA, MainForm, Label6's text, cmbMode's two entries, a test build's warning; then
  // FormCreate (the Next button and the mode's note). Throws std::runtime_error when a window
  // can't be made or the payload can't be written.
  TdlgFirst();
  ~TdlgFirst();
  TdlgFirst(const TdlgFirst&) = delete;
  TdlgFirst& operator=(const TdlgFirst&) = delete;

  platform::Form& Form() const { return *form_; }
  void Show() { form_->Show(); }
  void Hide() { form_->Hide(); }
  // Closes this window and so ends the program's message loop.
  bool Close() { return form_->Close(); }

  // The chosen mode (cmbMode's index).
  int Mode() const { return cmbMode->SelectedIndex(); }
  SharedFaces Faces() const;

  TdlgEULA& dlgEULA() const { return *dlgEULA_; }
  TMainForm& MainForm() const { return *mainForm_; }

 private:
  void LoadLayout();
  void FormCreate();
  void cmbModeChange();
  void NextClick();
  // Asks for a folder of the user's own driver packages, examines it and says what it holds.
  void AddDriversClick();

  std::unique_ptr<platform::Form> form_;
  platform::Image* Image1 = nullptr;
  platform::Label* lblDesc = nullptr;
  platform::Label* Label6 = nullptr;
  platform::DropDownList* cmbMode = nullptr;
  platform::Label* lblNote = nullptr;
  platform::Label* lblSampleDrivers = nullptr;  // a test build's warning line only
  platform::Image* Img_Button_BK = nullptr;
  platform::Image* Image2 = nullptr;
  platform::Image* Image3 = nullptr;
  platform::Image* Image4 = nullptr;
  platform::Image* Img_disable = nullptr;
  std::unique_ptr<gs::GsButton> btnNext_;
  std::unique_ptr<gs::GsButton> btnAddDrivers_;
  platform::Label* lblExtraDrivers = nullptr;
  platform::CheckBox* chkAllImages = nullptr;
  // Made after the layout, destroyed before it.
  std::unique_ptr<TdlgEULA> dlgEULA_;
  std::unique_ptr<TMainForm> mainForm_;
};

}  // namespace ui
