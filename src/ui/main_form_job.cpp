// The job from the wizard's side: the record built, checked and handed to a new worker; the
// worker's reports on the progress page; the end of the job and the closing question.
#include <atomic>
#include <exception>
#include <functional>
#include <optional>
#include <thread>

#include "app/operation_state.h"
#include "app/program_data.h"
#include "app/trace_log.h"
#include "disk/optical_drives.h"
#include "disk/usb_disk_layout.h"
#include "disk/volume_utils.h"
#include "engine/job_precheck.h"
#include "engine/operation_thd.h"
#include "engine/win7_ins_creator.h"
#include "platform/folders.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "servicing/extra_drivers.h"
#include "ui/dlg_first.h"
#include "ui/extra_drivers_text.h"
#include "ui/main_form.h"
#include "ui/progress_table.h"
#include "ui/qv_multi_lang.h"

namespace ui {

namespace {

void ShowRefusal(platform::WindowHandle owner, const std::wstring& message) {
  TraceLog(L"[TMainForm::StartJob] refused: " + message);
  platform::ShowMessageBox(owner, message, L"Error", platform::kMbOk | platform::kMbIconError);
}

// Runs `work` on a thread of its own while this (the window) thread keeps dispatching its
// messages, so the window paints and answers meanwhile; returns once `work` has ended. An
// exception from `work` is thrown again here.
void RunWhileDispatching(const std::function<void()>& work) {
  std::atomic<bool> done{false};
  std::exception_ptr failure;  // written by the worker before `done`, read after the join
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    done.store(true, std::memory_order_release);
  });
  (void)platform::PumpMessagesUntil([&] { return done.load(std::memory_order_acquire); }, platform::kWaitForeverMs);
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

void TMainForm::ShowChecking(bool checking) {
  // Nothing of step 2 may change, nor Next be pressed again, while the job is checked; the
  // Close item went off in NextClick.
  for (gs::GsButton* button : {btnNext_.get(), btnBack_.get(), btnRefresh_.get(), btnBrowser_.get()})
    if (button) button->SetEnabled(!checking);
  cmbUsbList->SetEnabled(!checking);
  chkVerifyFiles->SetEnabled(!checking);
  if (checking) {
    noteBeforeCheck_ = lblNote->Text();
    lblNote->SetText(Translate(L"Job Check Wait Note"));
  } else {
    lblNote->SetText(noteBeforeCheck_);
  }
}

bool TMainForm::ConfirmExtraDrivers(const DriverFolderExamination& examination) {
  // Said before anything is erased: which of the user's packages fit this disc and which don't.
  // The job goes on with the built-in packages when none fits.
  TraceLog(L"[TMainForm::StartJob] for this disc: " + DescribeExamination(examination));
  const int answer = platform::ShowMessageBox(
      form_->Handle(), ExtraDriversText(examination) + L"\n\n" + Translate(L"Extra Drivers Go On"),
      Translate(L"Extra Drivers Caption"), platform::kMbOkCancel | platform::kMbIconInformation);
  if (answer == platform::kIdOk) return true;
  TraceLog(L"[TMainForm::StartJob] the user went back after the driver packages were listed");
  return false;
}

bool TMainForm::StartJob() {
  JobPaths paths;
  paths.sourcePath = SourcePath;
  paths.driverPath = platform::AnsiToWide(GetProgramDataFolder()) + L"U3";
  paths.imgDriverPath = platform::ExecutableFolder() + L"OS";
  paths.tagPath = Mode_ == 0 ? TargetText.substr(0, 3) : TargetText;
  paths.extraDriverPath = ExtraDriverFolder;
  paths.checkUsbFiles = Mode_ == 0 && chkVerifyFiles->Checked();
  paths.allImages = AllImages;

  // Everything that can be known before the job is checked before the erase question, so a job
  // that could not finish never asks for, or does, anything. The check reads the disc (seconds
  // on a real drive) and starts DISM, so it runs on a worker while the window keeps answering;
  // its findings are shown from here, the window thread, once it has ended.
  auto record = std::make_unique<WIN7_OPERAT_INFO>();
  JobRecordProblem problem;
  bool filled = false;
  std::optional<JobRefusal> refusal;
  std::optional<DriverFolderExamination> extra;
  const std::int32_t mode = Mode_;
  ShowChecking(true);
  RunWhileDispatching([&] {
    paths.is64bitDvd = !paths.sourcePath.empty() &&
                       HasAmd64AutorunSection(paths.sourcePath.substr(0, 1) + L":\\AutoRun.inf");
    filled = FillJobRecord(paths, *record, problem);
    if (filled) refusal = CheckJobCanFinish(mode, *record);
    // The user's own folder, examined again now that the disc's processor is known.
    if (filled && !refusal && !paths.extraDriverPath.empty())
      extra = ExamineDriverFolder(paths.extraDriverPath, paths.is64bitDvd);
  });
  ShowChecking(false);
  if (!filled) {
    ShowRefusal(form_->Handle(), problem.message);
    return false;
  }
  if (refusal) {
    ShowJobRefusal(form_->Handle(), *refusal);
    return false;
  }
  if (extra && !ConfirmExtraDrivers(*extra)) return false;
  int wholeDisk = kEraseNotAsked;
  if (Win7InsCreator::HasFormatStep(Mode_) && !ConfirmErase(wholeDisk)) return false;

  paths.tmpPath = GetScratchFolder(static_cast<int>(NeededMB()));
  if (!CheckScratchFolder(Mode_, paths, problem) || !FillJobRecord(paths, *record, problem)) {
    if (paths.tmpPath.size() > 3) RemoveFolderTree(paths.tmpPath);
    ShowRefusal(form_->Handle(), problem.message);
    return false;
  }
  TmpPath = paths.tmpPath;
  record->nWholeDisk = wholeDisk;

  ShowPage(kPageMainScreen);
  TraceJobRecord(*record, Mode_);
  // The previous job's worker has reported and waits; it goes before its record does.
  worker_.reset();
  job_ = std::move(record);
  worker_ = std::make_unique<TOperationThd>(true, this, Mode_, job_.get());
  worker_->Resume();
  return true;
}

platform::WindowHandle TMainForm::Handle() const { return form_->Handle(); }

void TMainForm::OnOperationState(std::int32_t state, std::int32_t percent) {
  const ProgressUpdate update = ApplyOperationState(state, percent, Win7InsCreator::GetStepCount(Mode_, job_.get()));
  if (update.changesText) lblState->SetText(update.text);
  pbDism->SetPosition(update.percent);
  lblPercent->SetText(std::to_wstring(update.percent));
}

std::wstring TMainForm::StateText() const { return lblState->Text(); }

void TMainForm::SetStateText(const std::wstring& text) { lblState->SetText(text); }

void TMainForm::ShowJobNote(const std::wstring& note) {
  // A box rather than the status text: the status label is cut at its edge, and the note is about
  // the finished stick, which the user should have read before answering the finish question.
  platform::ShowMessageBox(form_->Handle(), note, L"Information", platform::kMbOk | platform::kMbIconInformation);
}

void TMainForm::OnJobFinished(std::int32_t result) {
  // Never a drive root, whatever the record held.
  if (TmpPath.size() > 3 && !DeleteFolderTree(TmpPath)) RemoveFolderTree(TmpPath);
  TraceLog(L"[TMainForm::OnJobFinished] result " + std::to_wstring(result) + L", scratch folder " + TmpPath +
           L" removed");
  // The job is over: nothing left to cancel under the question.
  btnNext_->SetEnabled(false);
  if (result == kJobCancelled) {
    // Only a copy reports its own cancel; the page says it whatever step was running.
    const ProgressUpdate update = ApplyOperationState(USERCANCEL, 0, Win7InsCreator::GetStepCount(Mode_, job_.get()));
    lblState->SetText(update.text);
    pbDism->SetPosition(update.percent);
    lblPercent->SetText(std::to_wstring(update.percent));
  }
  if (result == kJobFailed) {
    btnNext_->SetEnabled(true);
    SetNextAction(NextAction::kExit);
    btnNext_->Repaint();
    return;
  }
  const wchar_t* question = result == kJobSucceeded ? L"Successful! Do you want to close this tool?"
                                                    : L"You have cacelled the operation, Do you want to close this tool?";
  if (platform::ShowMessageBox(form_->Handle(), question, L"Finished", platform::kMbYesNo) == platform::kIdNo) {
    owner_.Show();
    Hide();
    return;
  }
  // This runs inside the worker's call onto the window thread: the program ends once that call
  // has returned, through a close request queued to the mode window.
  platform::CloseMainWindow(owner_.Form().Handle());
}

void TMainForm::CloseProgram() { owner_.Close(); }

}  // namespace ui
