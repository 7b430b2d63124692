// The wizard's drive lists and the disc's size: the optical drives of step 1 with the
// measurement of the chosen disc on the disc-size thread, and the USB drives of step 2.
#include "app/trace_log.h"
#include "disk/optical_drives.h"
#include "disk/thd_dvd_size.h"
#include "disk/volume_utils.h"
#include "platform/folders.h"
#include "ui/main_form.h"
#include "ui/qv_multi_lang.h"

namespace ui {

namespace {

// A list entry carries its drive's letter; the entry's root is made from it.
std::wstring RootOfItem(const platform::DropDownList& list, int index) {
  return std::wstring(1, static_cast<wchar_t>(list.ItemData(index))) + L":\\";
}

}  // namespace

void TMainForm::BuildOpticalDriveList() {
  driveRoots_ = BuildDriveRoots();
  cmbDVDlist->ClearItems();
  for (const std::wstring& root : driveRoots_) {
    if (!IsCdRomDrive(root)) continue;
    cmbDVDlist->AddItem(OpticalDriveItemText(root, GetVolumeLabelText(root)), root[0]);
  }
  if (cmbDVDlist->ItemCount() > 0) {
    cmbDVDlist->SetTag(1);
    cmbDVDlist->SetSelectedIndex(0);
    SourcePath = RootOfItem(*cmbDVDlist, 0);
    StartDiscMeasurement();
    return;
  }
  cmbDVDlist->ClearItems();
  SourcePath.clear();
  cmbDVDlist->AddItem(L"Please insert a DVD-ROM.");
  cmbDVDlist->SetSelectedIndex(0);
  btnNext_->SetEnabled(false);
  SourceSizeMB = 0;
  cmbDVDlist->SetTag(0);
  // No measurement is coming: nothing to wait for.
  lblWait->SetText(L"");
  TraceLog(L"[TMainForm::BuildOpticalDriveList] no optical drive");
}

void TMainForm::cmbDVDlistChange() {
  if (cmbDVDlist->Tag() != 1 || cmbDVDlist->SelectedIndex() < 0) return;  // the placeholder
  SourcePath = RootOfItem(*cmbDVDlist, cmbDVDlist->SelectedIndex());
  StartDiscMeasurement();
}

void TMainForm::StartDiscMeasurement() {
  SizeReady = false;
  btnNext_->SetEnabled(false);
  cmbDVDlist->SetEnabled(false);
  lblWait->SetText(L"Please wait...");
  Timer1->SetEnabled(true);
  measurement_ = sizeThread_->Resume(SourcePath);
}

void TMainForm::OnMeasureTimer() {
  std::int32_t sizeMB = 0;
  if (measurement_ == 0 || !sizeThread_->Finished(measurement_, sizeMB)) return;
  SourceSizeMB = sizeMB;
  OsFolderMB = static_cast<std::int32_t>((GetFolderSize(platform::ExecutableFolder() + L"OS", true) + 1048575) / 1048576);
  SizeReady = true;
  Timer1->SetEnabled(false);
  btnNext_->SetEnabled(true);
  cmbDVDlist->SetEnabled(true);
  lblWait->SetText(L"Capacity: " + std::to_wstring(SourceSizeMB) + L" MB");
  if (SourceSizeMB == 0) btnNext_->SetEnabled(false);
  // The list lost the focus while it was disabled; give it to the step's next move.
  if (form_->IsVisible() && panSelectDVD->IsVisible()) {
    if (btnNext_->Enabled()) btnNext_->Control().SetFocus();
    else cmbDVDlist->SetFocus();
  }
  TraceLog(L"[TMainForm::OnMeasureTimer] " + SourcePath + L" holds " + std::to_wstring(SourceSizeMB) +
           L" MB, the \"OS\" folder " + std::to_wstring(OsFolderMB) + L" MB");
}

void TMainForm::BuildUsbDriveList() {
  driveRoots_ = BuildDriveRoots();
  cmbUsbList->ClearItems();
  for (const std::wstring& root : driveRoots_) {
    if (!IsUsbVolume(root)) continue;
    cmbUsbList->AddItem(UsbDriveItemText(root, UsbDriveCapacityMB(root)), root[0]);
  }
  if (cmbUsbList->ItemCount() > 0) {
    cmbUsbList->SetTag(1);
    cmbUsbList->SetSelectedIndex(0);
    TakeUsbSelection();
    return;
  }
  cmbUsbList->SetTag(0);
  TargetText.clear();
  cmbUsbList->AddItem(Translate(L"USB Step2 Insert Note"));
  btnNext_->SetEnabled(false);
  TargetCapacityMB = 0;
  cmbUsbList->SetSelectedIndex(0);
}

void TMainForm::TakeUsbSelection() {
  if (cmbUsbList->Tag() != 1) return;  // the placeholder
  TargetText = cmbUsbList->Text();
  TargetCapacityMB = ParseCapacity(TargetText);
  btnNext_->SetEnabled(TargetCapacityMB >= NeededMB());
}

std::int64_t TMainForm::NeededMB() const { return std::int64_t{SourceSizeMB} + OsFolderMB + kJobSpareMB; }

}  // namespace ui
