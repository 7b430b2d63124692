#pragma once
// Host only: a scripted user of the program's three windows. On the window thread (the thread
// that made ui::TdlgFirst) it does what a person at the screen does, through the host probes
// only: picks the mode, ticks "I agree", waits for the disc to be measured, picks a USB stick
// or a folder, answers the questions, watches the progress, may press Cancel, and answers the
// closing question. It reads the windows as a person reads them and tells an observer what they
// show. It never calls into the windows' code or the engine.
//
// Every wait is bounded: a step that does not happen in time ends the job's script with a
// failure that names the step.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sim/probes/message_box_script.h"
#include "platform/message_box.h"

namespace scripted {

// When the user presses Cancel on step 3.
enum class CancelAt {
  Never,
  AfterStateMessages,  // once `cancelAfterStates` state messages have been posted to the wizard
  AfterDelay,          // `cancelAfterMs` after step 3 came up
  OnSignal,            // once `*cancelSignal` is true (set by `onStatePost`, say)
};

struct JobScript {
  int mode = 0;             // cmbMode's entry: 0 disc to USB drive, 1 disc to ISO file
  int opticalEntry = -1;    // step 1: the entry of cmbDVDlist to pick; -1 keeps the first
  int usbEntry = 0;         // step 2 (USB): the entry of cmbUsbList to pick
  // Step 2 (USB): the answers to the erase question, one per press of Next. After a No the
  // wizard is back on step 2 and the next answer is given on the next press; when the answers
  // end with a No the user goes Back twice, to the mode window, and no job runs.
  std::vector<bool> eraseAnswers{true};
  std::wstring folder;      // step 2 (ISO): what the folder browser returns
  bool checkFiles = false;  // step 2 (USB): "Check every file after writing" ticked (else cleared)
  CancelAt cancelAt = CancelAt::Never;
  int cancelAfterStates = 0;
  std::uint32_t cancelAfterMs = 0;
  const std::atomic<bool>* cancelSignal = nullptr;
  int cancelPresses = 1;    // presses of Cancel, one after another (each repeats the request)
  bool closeAtFinish = false;  // the closing question: Yes ends the program, No returns to the mode window
  bool exitAfterFailure = true;  // after a failed job, press Exit (the program ends)
  int workerAnswer = platform::kIdYes;  // the job's own Yes/No questions (the USB clean questions)
  int okCancelAnswer = platform::kIdOk;  // OK/Cancel boxes (the list of the user's own driver packages)
  // Called on the posting thread (the worker, the ISO tool's reader) for every state message to
  // the wizard during this script, before the message is queued, with its state code and value:
  // the exact moment of a job for a test to change the machine. It may hold the job there.
  std::function<void(int state, std::intptr_t value)> onStatePost;
};

// How long each step may take.
struct Limits {
  std::uint32_t stepMs = 30000;   // a window or page to come up, a measurement, a list
  std::uint32_t jobMs = 300000;   // step 3, from its start to the finish
  // How often Timer1 ticks while the user waits (the program's own 1000 ms, quicker here, so
  // a measurement is seen as soon as it is done). 0: the timers run in real time.
  std::uint32_t tickEveryMs = 5;
};

// Finish codes, as the windows show them: the closing question's text, or Exit after a failure.
constexpr int kNoFinish = -1;
constexpr int kFinishSuccess = 0;
constexpr int kFinishFailure = 1;
constexpr int kFinishCancelled = 2;

struct JobOutcome {
  bool ok = false;            // every step of the script happened in time
  std::string failure;        // when !ok: the step that did not happen, and what the windows showed
  bool declined = false;      // the erase question was answered No last: back at the mode window
  bool refused = false;       // the check before the job refused it with its box: back at the mode window
  int finishCode = kNoFinish;
  int finishQuestions = 0;    // "Finished" boxes shown while this script ran
  int eraseQuestions = 0;
  int stateMessages = 0;      // WM_OPERATION_STATE posts to the wizard during step 3
  int cancelPresses = 0;      // presses of Cancel made
  // btnNext's Tag when the closing question came: 2 once a Cancel press reached the wizard.
  std::intptr_t nextTagAtFinish = 0;
  bool programEnded = false;  // the mode window (the main form) closed
  bool backAtModeWindow = false;
  std::vector<std::pair<std::wstring, std::wstring>> states;  // each change of (lblState, lblPercent)
  std::vector<platform::host::ShownMessageBox> boxes;         // every box, in order, with its answer
  std::wstring finalState, finalPercent, finalNext;            // lblState, lblPercent, btnNext at the end
};

// What the windows show, as the user meets it. Every call comes on the window thread.
class Observer {
 public:
  virtual ~Observer() = default;
  // A window or a wizard page came up: "dlgFirst", "dlgEULA", "step 1", "step 2", "step 3";
  // `title` is the step's caption and title ("Step 1 of 3: ..."), `note` its lblNote (the
  // licence dialog's Label1).
  virtual void OnPage(const std::wstring& /*page*/, const std::wstring& /*title*/, const std::wstring& /*note*/) {}
  // A list's entries as shown, with the selected one (-1: none).
  virtual void OnList(const std::wstring& /*list*/, const std::vector<std::wstring>& /*items*/, int /*selected*/) {}
  // What the user does ("picks entry 1 of cmbMode", "presses Next", ...).
  virtual void OnAction(const std::wstring& /*action*/) {}
  // lblWait's text on step 1 after a measurement; EdtISOPathdst after a folder choice.
  virtual void OnField(const std::wstring& /*field*/, const std::wstring& /*text*/) {}
  // lblState or lblPercent changed.
  virtual void OnState(const std::wstring& /*state*/, const std::wstring& /*percent*/) {}
  virtual void OnMessageBox(const platform::host::ShownMessageBox& /*box*/) {}
  virtual void OnFolderBrowser(const std::wstring& /*title*/, const std::wstring& /*answer*/) {}
  // The script's end, with what the windows showed last.
  virtual void OnEnd(const JobOutcome& /*outcome*/) {}
};

class ScriptedUser {
 public:
  // While the user exists it answers every message box (sim/probes/message_box_script.h)
  // and watches the posts to the wizard (sim/probes/post_observer.h); both are given back
  // when it goes.
  explicit ScriptedUser(Observer* observer = nullptr, Limits limits = {});
  ~ScriptedUser();
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  // One job from the mode window to its end; the mode window must be up (or come up within
  // the step limit). Runs on the window thread.
  JobOutcome RunJob(const JobScript& script);

 private:
  struct Watch;
  struct Run;
  Observer* observer_;
  Limits limits_;
  std::shared_ptr<Watch> watch_;  // shared with the answerer and the post observer
};

}  // namespace scripted
