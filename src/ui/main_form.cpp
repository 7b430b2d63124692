#include "ui/main_form.h"

#include "app/trace_log.h"
#include "disk/optical_drives.h"
#include "disk/thd_dvd_size.h"
#include "engine/operation_thd.h"
#include "ui/dlg_first.h"
#include "ui/skin_button.h"
#include "ui/window_art.h"

namespace ui {

TMainForm::TMainForm(TdlgFirst& owner) : owner_(owner) {
  LoadLayout();
  FormCreate();
  TraceLog(L"[TMainForm::TMainForm] created");
}

// The disc-size thread ends first (it touches nothing of the window), then the newest job's
// worker (it may still deliver a report to this window), then the controls.
TMainForm::~TMainForm() {
  sizeThread_.reset();
  worker_.reset();
}

void TMainForm::FormCreate() {
  // The refresh faces become opaque squares of the page's colour, so the button looks the same
  // in every state whatever lies under it.
  const platform::Color pageColor = panSelectUsb->BackgroundColor();
  for (platform::Image* face : {img_refresh1, img_refresh2, img_refresh3})
    face->SetPicture(FlattenOnto(face->Picture(), pageColor));
  CreateSkinButton(*panSelectUsb, platform::RgbaImage{}, btnRefresh_, 444, 104, img_refresh1->Picture(),
                   img_refresh2->Picture(), img_refresh3->Picture(), img_refresh1->Picture(), L"", L"",
                   L"btnRefresh");
  btnRefresh_->SetOnClick([this] { BuildUsbDriveList(); });

  const SharedFaces faces = owner_.Faces();
  CreateSkinButton(*form_, faces.inputBackground, btnNext_, 600, 271, faces.raised, faces.hovered, faces.sunken,
                   faces.disabled, L"Next", L"Next", L"btnNext");
  btnNext_->SetOnClick([this] { NextClick(); });
  CreateSkinButton(*form_, faces.inputBackground, btnBack_, 480, 271, faces.raised, faces.hovered, faces.sunken,
                   faces.disabled, L"Back", L"Back", L"btnBack");
  btnBack_->SetOnClick([this] { BackClick(); });
  CreateSkinButton(*Panel_DstISO, faces.inputBackground, btnBrowser_, 420, 110, faces.raised, faces.hovered,
                   faces.sunken, faces.disabled, L"Browser", L"Brower Folder", L"btnBrowser");
  btnBrowser_->SetOnClick([this] { BrowserClick(); });
  btnNext_->SetCaption(L"&Next");
  btnNext_->SetHint(L"Next");
  btnBack_->SetCaption(L"&Back");
  btnNext_->SetEnabled(false);
  btnNext_->SetTag(1);

  cmbDVDlist->SetOnChange([this] { cmbDVDlistChange(); });
  cmbUsbList->SetOnChange([this] { TakeUsbSelection(); });
  Timer1->SetOnTick([this] { OnMeasureTimer(); });
  form_->SetOnShow([this] { ShowPage(CurrentPage); });
  form_->SetOnMessage([this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    DispatchOperationState(*this, message, wParam, lParam);
  });
  // Closing the wizard closes the mode window, which ends the program.
  form_->SetOnClose([this] {
    CloseProgram();
    return true;
  });

  btnNext_->SetEnabled(false);
  SizeReady = false;
  sizeThread_ = std::make_unique<ThdDvdSize>([](const std::wstring& root) { return MeasureDiscSizeMB(root); });
  Timer1->SetEnabled(true);
}

void TMainForm::SetMode(int mode) {
  Mode_ = mode == 1 ? 1 : 0;
  CurrentPage = PageTable[Mode_][0];
  EdtISOPathdst->SetText(L"");
  EdtISOPathdst->SetReadOnly(true);
  lblState->SetText(L"");
}

}  // namespace ui
