// The wizard's pages and the moves between them: Next, Back, the folder browser and the erase
// question.
#include <cwchar>

#include "app/trace_log.h"
#include "disk/optical_drives.h"
#include "disk/usb_disk_layout.h"
#include "disk/volume_utils.h"
#include "engine/operation_thd.h"
#include "engine/win7_ins_creator.h"
#include "ui/dlg_first.h"
#include "ui/main_form.h"
#include "ui/program.h"
#include "ui/progress_table.h"
#include "ui/qv_multi_lang.h"

namespace ui {

namespace {

// The text without the characters up to code 32 at both ends.
std::wstring TrimControls(const std::wstring& text) {
  std::size_t first = 0, last = text.size();
  while (first < last && text[first] <= L' ') ++first;
  while (last > first && text[last - 1] <= L' ') --last;
  return text.substr(first, last - first);
}

}  // namespace

void TMainForm::HideAllPages() {
  for (platform::Panel* page : Pages) page->SetVisible(false);
}

void TMainForm::ShowPanel(platform::Panel& panel) {
  const platform::Bounds bounds = panel.GetBounds();
  panel.SetBounds({180, bounds.top, bounds.width, 205});
  panel.SetVisible(true);
}

// What steps 1 and 2 share: their page alone, its note, Back and Next, the Close item.
void TMainForm::EnterStep(platform::Panel& page, const wchar_t* noteKey) {
  HideAllPages();
  ShowPanel(page);
  lblNote->SetText(Translate(noteKey));
  btnBack_->SetVisible(true);
  btnNext_->SetVisible(true);
  form_->SetCloseItemEnabled(true);
}

void TMainForm::ShowPage(int id) {
  switch (id) {
    case kPageSelectDvd:
      EnterStep(*panSelectDVD, L"USB Step1 Note");
      Label3->SetText(Translate(L"USB Step1 Caption"));
      lblDVDTitle->SetText(Translate(L"USB Step1 Select Note"));
      SetNextAction(NextAction::kGoOn);
      BuildOpticalDriveList();
      break;
    case kPageSelectUsb:
      EnterStep(*panSelectUsb, L"USB Step2 Note");
      Label5->SetText(Translate(L"USB Step2 Caption"));
      Label6->SetText(Translate(L"USB Step2 Select Note"));
      chkVerifyFiles->SetCaption(Translate(L"USB Step2 Verify Caption"));
      BuildUsbDriveList();
      break;
    case kPageDstIso:
      EnterStep(*Panel_DstISO, L"ISO Step2 Note");
      Label11->SetText(Translate(L"ISO Step2 Caption"));
      btnNext_->SetEnabled(!TrimControls(EdtISOPathdst->Text()).empty());
      break;
    case kPageMainScreen:
      // The job's progress from an empty bar; Next cancels the job. The Close item went off in
      // NextClick, before the job's questions.
      HideAllPages();
      Label1->SetText(Translate(Mode_ == 0 ? L"USB Step3 Caption" : L"ISO Step3 Caption"));
      ShowPanel(*panMainScreen);
      lblNote->SetText(Translate(L"ISO Step3 Note"));
      // Every job's bar starts empty: a job cancelled outside a copy, or one that failed, leaves
      // the base where it stopped.
      ProgressBase = 0;
      pbDism->SetPosition(0);
      lblPercent->SetText(L"0");
      btnBack_->SetVisible(false);
      btnNext_->SetVisible(true);
      btnNext_->SetEnabled(true);
      SetNextAction(NextAction::kCancel);
      break;
    default:
      break;
  }
}

int TMainForm::StepOfCurrentPage() const {
  for (int step = 0; step < 3; ++step)
    if (PageTable[Mode_][step] == CurrentPage) return step;
  return -1;
}

void TMainForm::SetNextAction(NextAction action) {
  nextAction_ = action;
  switch (action) {
    case NextAction::kGoOn:
      btnNext_->SetCaption(L"&Next");
      btnNext_->SetHint(L"Next");
      btnNext_->Control().SetEnterClicks(true);
      break;
    case NextAction::kCancel:
      btnNext_->SetCaption(L"&Cancel");
      btnNext_->SetHint(L"Cancel");
      // Cancel is never pressed by a stray Enter.
      btnNext_->Control().SetEnterClicks(false);
      break;
    case NextAction::kExit:
      btnNext_->SetCaption(L"&Exit");
      btnNext_->SetHint(L"Exit");
      break;
  }
}

void TMainForm::NextClick() {
  switch (nextAction_) {
    case NextAction::kExit:
      CloseProgram();
      return;
    case NextAction::kCancel:
      // The page is left (Tag 2); each further press cancels again.
      CurrentPage = kPageNone;
      btnNext_->SetTag(2);
      if (worker_) {
        TraceLog(L"[TMainForm::NextClick] the user cancels the job");
        worker_->Cancel();
      }
      return;
    case NextAction::kGoOn:
      break;
  }
  const int step = StepOfCurrentPage();
  if (step != 0 && step != 1) return;
  btnNext_->SetTag(1);
  if (step == 0) {
    CurrentPage = PageTable[Mode_][1];
    ShowPage(CurrentPage);
    return;
  }
  // Step 2 to 3: the job is checked before anything is erased, with the Close item off while
  // its questions are open. A refusal, the erase question declined, or no room for the scratch
  // folder leave every drive as it was and show step 2 afresh.
  form_->SetCloseItemEnabled(false);
  CurrentPage = kPageMainScreen;
  if (!StartJob()) {
    CurrentPage = PageTable[Mode_][1];
    ShowPage(CurrentPage);
  }
}

void TMainForm::BackClick() {
  const int step = StepOfCurrentPage();
  if (step == 0) {
    owner_.Show();
    Hide();
  } else if (step == 1) {
    CurrentPage = PageTable[Mode_][0];
    ShowPage(CurrentPage);
  }
}

void TMainForm::BrowserClick() {
  // Modal to the wizard itself, so its buttons can't be pressed while the browser is open.
  std::wstring folder = platform::BrowseForFolder(form_->Handle(), L"Please Select Folder:");
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  if (folder.empty()) {
    btnNext_->SetEnabled(false);
    return;
  }
  EdtISOPathdst->SetText(folder);
  TargetText = folder;
  const auto freeMB = static_cast<std::int64_t>(GetFreeSpaceMB(folder.substr(0, 3)));
  if (NeededMB() < freeMB) {
    btnNext_->SetEnabled(true);
  } else {
    TraceLog(L"[TMainForm::BrowserClick] " + folder + L" refused: " + std::to_wstring(freeMB) + L" MB free, " +
             std::to_wstring(NeededMB()) + L" MB needed");
    platform::ShowMessageBox(form_->Handle(), L"Size is small!", kProgramCaption, platform::kMbOk | platform::kMbIconInformation);
    EdtISOPathdst->SetText(L"");
    btnNext_->SetEnabled(false);
  }
}

bool TMainForm::ConfirmErase(int& wholeDisk) {
  // The text names the whole list entry: its letter and its capacity; a disk that is erased
  // whole is named with whatever else it holds.
  const UsbDiskLayout layout = ReadUsbDiskLayoutNow(TargetText.substr(0, 3));
  const std::wstring wholeDiskText = WholeDiskEraseSentence(layout);
  const std::wstring text = L"The selected USB device " + TargetText +
                            L" must be erased in order to continue.  Do you want to erase all contents from this device?" +
                            wholeDiskText;
  const bool erase = platform::ShowMessageBox(form_->Handle(), text, L"Warning",
                                              platform::kMbYesNo | platform::kMbIconWarning) == platform::kIdYes;
  wholeDisk = wholeDiskText.empty() ? kEraseDriveOnly : layout.disk;
  TraceLog(std::wstring(L"[TMainForm::ConfirmErase] ") + TargetText + (erase ? L": Yes" : L": No") +
           (wholeDiskText.empty() ? L"" : L" (disk " + std::to_wstring(layout.disk) + L" erased whole)"));
  return erase;
}

}  // namespace ui
