#pragma once
// TMainForm (MainForm): the three-step wizard. Step 1 chooses the optical drive, step 2 the USB
// drive (mode 0) or the folder for the ISO file (mode 1), step 3 runs the job and follows it.
// Made hidden by the mode window; the mode arrives through SetMode from the licence dialog
// before the window is shown. It owns the disc-size thread for its whole life and the worker
// thread of the newest job, and receives that job's reports (JobWindow).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/job_record.h"
#include "engine/job_window.h"
#include "gs/gs_button.h"
#include "platform/widgets.h"

class ThdDvdSize;
struct DriverFolderExamination;
class TOperationThd;

namespace ui {

class TdlgFirst;

// Page ids.
constexpr int kPageSelectDvd = 0;  // panSelectDVD
constexpr int kPageSelectUsb = 1;  // panSelectUsb
constexpr int kPageMainScreen = 2;  // panMainScreen: the job's progress
constexpr int kPageDstIso = 4;     // Panel_DstISO
constexpr int kPageNone = 15;      // after Cancel was pressed on step 3

// What a press of Next does: go on to the next step, cancel the running job, or end the
// program after a failed job. Its caption says the same: "&Next", "&Cancel", "&Exit".
enum class NextAction { kGoOn, kCancel, kExit };

// The pages of steps 1, 2, 3 for each mode.
constexpr int PageTable[2][3] = {{kPageSelectDvd, kPageSelectUsb, kPageMainScreen},
                                 {kPageSelectDvd, kPageDstIso, kPageMainScreen}};

class TMainForm : public JobWindow {
 public:
  explicit TMainForm(TdlgFirst& owner);
  ~TMainForm() override;
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  platform::Form& Form() const { return *form_; }
  // Fires the show event (the current page is shown afresh), then makes the window visible.
  void Show() { form_->Show(); }
  void Hide() { form_->Hide(); }

  // 0 disc to USB drive, 1 disc to ISO file; 0 until SetMode. Restarts at step 1.
  int Mode() const { return Mode_; }
  void SetMode(int mode);
  // The user's own driver folder the next job adds packages from; empty for none.
  void SetExtraDriverFolder(const std::wstring& folder) { ExtraDriverFolder = folder; }
  // Whether the next job adds the drivers to Windows itself too (install.wim, boot image 1).
  void SetAllImages(bool on) { AllImages = on; }
  int CurrentPageId() const { return CurrentPage; }

  // JobWindow: the worker's reports, on the window thread.
  platform::WindowHandle Handle() const override;
  void OnOperationState(std::int32_t state, std::int32_t percent) override;
  std::wstring StateText() const override;
  void SetStateText(const std::wstring& text) override;
  // An information box the user closes before the finish question.
  void ShowJobNote(const std::wstring& note) override;
  void OnJobFinished(std::int32_t result) override;

 private:
  // Layout (main_form_layout.cpp).
  void LoadLayout();
  void AddDvdPage();
  void AddUsbPage();
  void AddIsoPage();
  void AddProgressPage();
  void FormCreate();

  // Pages and navigation (main_form_pages.cpp).
  void ShowPage(int id);
  void HideAllPages();
  void ShowPanel(platform::Panel& panel);
  void EnterStep(platform::Panel& page, const wchar_t* noteKey);
  // Next's caption, hint and Enter key for what it does now.
  void SetNextAction(NextAction action);
  // Step 1 to 2, step 2 to the job, the job's cancel or the end of the program.
  void NextClick();
  void BackClick();
  int StepOfCurrentPage() const;
  void BrowserClick();
  // The erase question; on Yes `wholeDisk` gets what it agreed to (a disk number to erase
  // whole, or kEraseDriveOnly).
  bool ConfirmErase(int& wholeDisk);
  // Lists the user's packages that fit the disc and those skipped; false when the user goes back.
  bool ConfirmExtraDrivers(const DriverFolderExamination& examination);

  // Drive lists and the disc size (main_form_drives.cpp).
  void BuildOpticalDriveList();
  void cmbDVDlistChange();
  void StartDiscMeasurement();
  void OnMeasureTimer();
  void BuildUsbDriveList();
  void TakeUsbSelection();

  // The job (main_form_job.cpp). Fills and checks the record, asks the erase question, makes
  // the scratch folder, then shows the progress page and starts the worker. False, with the
  // reason shown and nothing touched, when the job is refused.
  bool StartJob();
  // The room the job needs on its target, and for the scratch copy: the disc, the "OS" folder
  // and a margin.
  std::int64_t NeededMB() const;
  // Step 2 while the job is checked: its controls, Next and Back off, the note says so.
  void ShowChecking(bool checking);
  void CloseProgram();

  TdlgFirst& owner_;
  std::unique_ptr<platform::Form> form_;

  int Mode_ = 0;
  int CurrentPage = PageTable[0][0];
  NextAction nextAction_ = NextAction::kGoOn;
  std::wstring SourcePath;
  std::wstring ExtraDriverFolder;  // the user's own driver folder, empty for none
  bool AllImages = false;          // the drivers go into Windows itself too
  std::wstring TargetText;
  std::int32_t SourceSizeMB = 0;
  // The "OS" folder beside the program, whose files the job adds to the disc's: measured with
  // the disc, and part of the room the target needs.
  std::int32_t OsFolderMB = 0;
  std::int64_t TargetCapacityMB = 0;
  std::wstring TmpPath;
  std::wstring noteBeforeCheck_;  // the note step 2 showed before the job was checked
  bool SizeReady = false;
  std::uint32_t measurement_ = 0;  // the number of the measurement the window waits for
  std::vector<std::wstring> driveRoots_;
  std::vector<platform::Panel*> Pages;

  platform::Image* Image1 = nullptr;
  platform::Label* lblNote = nullptr;
  platform::Timer* Timer1 = nullptr;
  // panSelectDVD
  platform::Panel* panSelectDVD = nullptr;
  platform::Label* Label3 = nullptr;
  platform::Label* lblDVDTitle = nullptr;
  platform::DropDownList* cmbDVDlist = nullptr;
  platform::Label* lblWait = nullptr;
  // panSelectUsb
  platform::Panel* panSelectUsb = nullptr;
  platform::Label* Label5 = nullptr;
  platform::Label* Label6 = nullptr;
  platform::DropDownList* cmbUsbList = nullptr;
  // "Check every file after writing": the USB job reads every file back at its end.
  platform::CheckBox* chkVerifyFiles = nullptr;
  platform::Image* img_refresh1 = nullptr;
  platform::Image* img_refresh2 = nullptr;
  platform::Image* img_refresh3 = nullptr;
  // Panel_DstISO
  platform::Panel* Panel_DstISO = nullptr;
  platform::Label* Label11 = nullptr;
  platform::Edit* EdtISOPathdst = nullptr;
  // panMainScreen
  platform::Panel* panMainScreen = nullptr;
  platform::Label* Label1 = nullptr;
  platform::ProgressBar* pbDism = nullptr;
  platform::Label* lblPercent = nullptr;
  platform::Label* lblState = nullptr;

  std::unique_ptr<gs::GsButton> btnBack_;
  std::unique_ptr<gs::GsButton> btnNext_;
  std::unique_ptr<gs::GsButton> btnRefresh_;
  std::unique_ptr<gs::GsButton> btnBrowser_;

  // The newest job: its record and worker (the worker reads the record until it is destroyed).
  std::unique_ptr<WIN7_OPERAT_INFO> job_;
  std::unique_ptr<TOperationThd> worker_;
  // Made last, destroyed first: the measurement reads nothing of the window.
  std::unique_ptr<ThdDvdSize> sizeThread_;
};

}  // namespace ui
