#include "scripted_user.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "app/operation_state.h"
#include "sim/probes/folder_browser_script.h"
#include "sim/machine/machine.h"
#include "sim/probes/main_window_probe.h"
#include "sim/probes/post_observer.h"
#include "sim/probes/widgets_probe.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/widgets.h"

namespace scripted {

namespace {

using Clock = std::chrono::steady_clock;
using platform::host::ShownMessageBox;
namespace probe = platform::host;

constexpr std::uint32_t kMarkerMessage = platform::kWmUser + 0x1F0;

std::string Narrow(const std::wstring& text) { return platform::host::ToUtf8(text); }

std::uint32_t MsSince(Clock::time_point start) {
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

// What the answerer and the post observer share with the window thread. They run on whichever
// thread shows a box or posts (a job's worker too), so everything here is atomic or locked.
struct ScriptedUser::Watch {
  std::thread::id windowThread;
  std::atomic<platform::WindowHandle> wizard{0};
  std::atomic<int> statePosts{0};
  std::atomic<int> eraseAnswer{platform::kIdYes};
  std::atomic<int> workerAnswer{platform::kIdYes};
  std::atomic<int> okCancelAnswer{platform::kIdOk};
  std::atomic<int> finishAnswer{platform::kIdNo};
  std::atomic<int> eraseQuestions{0};
  std::atomic<int> finishQuestions{0};
  // Written on the window thread only (the closing question is its box).
  std::intptr_t nextTagAtFinish = 0;
  int finishCode = kNoFinish;

  std::mutex lock;
  std::vector<ShownMessageBox> pending;  // shown, not yet reported
  std::function<void(int, std::intptr_t)> onStatePost;  // the running script's, under `lock`

  void StatePosted(std::uintptr_t state, std::intptr_t value) {
    std::function<void(int, std::intptr_t)> hook;
    {
      std::lock_guard<std::mutex> guard(lock);
      hook = onStatePost;
    }
    if (hook) hook(static_cast<int>(state), value);
  }

  int Answer(const ShownMessageBox& box) {
    const bool yesNo = (box.flags & 0xF) == platform::kMbYesNo;
    int answer = platform::kIdOk;
    if (box.caption == L"Warning" && StartsWith(box.text, L"The selected USB device ")) {
      ++eraseQuestions;
      answer = eraseAnswer;
    } else if (box.caption == L"Finished") {
      ++finishQuestions;
      answer = finishAnswer;
      if (std::this_thread::get_id() == windowThread) NoteFinish(box.text);
    } else if (yesNo) {
      answer = workerAnswer;
    } else if ((box.flags & 0xF) == platform::kMbOkCancel) {
      answer = okCancelAnswer;
    }
    ShownMessageBox shown = box;
    shown.answer = answer;
    std::lock_guard<std::mutex> guard(lock);
    pending.push_back(shown);
    return answer;
  }

  // The closing question: its text tells the finish code; btnNext's Tag tells whether a Cancel
  // press had reached the wizard before it.
  void NoteFinish(const std::wstring& text) {
    if (StartsWith(text, L"Successful!")) finishCode = kFinishSuccess;
    else if (StartsWith(text, L"You have cacelled the operation")) finishCode = kFinishCancelled;
    if (platform::Form* wizardForm = probe::FindForm(L"MainForm")) {
      if (auto* next = probe::FindControlAs<platform::SkinButton>(*wizardForm, L"btnNext")) nextTagAtFinish = next->Tag();
    }
  }

  std::vector<ShownMessageBox> TakePending() {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<ShownMessageBox> boxes;
    boxes.swap(pending);
    return boxes;
  }
};

namespace {

// Receives the user's markers: a marker posted right after an action arrives after it, so its
// arrival says the action has been handled.
class Markers : public platform::MessageHandler {
 public:
  Markers() : handle_(platform::CreateMessageWindow(this)) {}
  ~Markers() override { platform::DestroyMessageWindow(handle_); }
  void OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) override {
    if (message == kMarkerMessage) seen_ = wParam;
  }
  std::uintptr_t Post() {
    platform::PostWindowMessage(handle_, kMarkerMessage, ++sent_, 0);
    return sent_;
  }
  bool Seen(std::uintptr_t marker) const { return seen_ >= marker; }

 private:
  platform::WindowHandle handle_;
  std::uintptr_t sent_ = 0;
  std::uintptr_t seen_ = 0;
};

}  // namespace

// One job's script, on the window thread.
struct ScriptedUser::Run {
  Run(Observer* observer, const Limits& limits, const JobScript& script, Watch& watch)
      : observer(observer), limits(limits), script(script), watch(watch) {}

  Observer* observer;
  const Limits& limits;
  const JobScript& script;
  Watch& watch;
  JobOutcome outcome;
  Markers markers;
  platform::Timer* timer = nullptr;
  bool watchingState = false;
  std::wstring shownState, shownPercent;
  std::size_t browsersSeen = 0;
  int finishesAtStart = 0;  // the counts of questions before this job
  int erasesAtStart = 0;

  platform::Form* Window(const wchar_t* name) const { return probe::FindForm(name); }
  template <class T>
  T* Find(const wchar_t* form, const wchar_t* name) const {
    platform::Form* f = Window(form);
    return f ? probe::FindControlAs<T>(*f, name) : nullptr;
  }
  std::wstring LabelText(const wchar_t* form, const wchar_t* name) const {
    auto* label = Find<platform::Label>(form, name);
    return label ? label->Text() : std::wstring();
  }
  bool Showing(const wchar_t* form, const wchar_t* control = nullptr) const {
    platform::Form* f = Window(form);
    if (!f || !f->IsVisible()) return false;
    if (!control) return true;
    platform::Control* c = f->FindControl(control);
    return c && probe::IsShowing(*c);
  }
  bool Usable(const wchar_t* form, const wchar_t* control) const {
    platform::Form* f = Window(form);
    platform::Control* c = f ? f->FindControl(control) : nullptr;
    return c && probe::IsUsable(*c);
  }

  bool Fail(const std::string& step, const std::string& detail) {
    if (outcome.failure.empty()) outcome.failure = step + ": " + detail;
    return false;
  }
  void Say(const std::wstring& action) {
    if (observer) observer->OnAction(action);
  }

  // Reports what changed since the last look: lblState and lblPercent during step 3, and the
  // boxes shown.
  void Observe() {
    if (watchingState) {
      std::wstring state = LabelText(L"MainForm", L"lblState");
      std::wstring percent = LabelText(L"MainForm", L"lblPercent");
      if (state != shownState || percent != shownPercent) {
        shownState = state;
        shownPercent = percent;
        outcome.states.emplace_back(state, percent);
        if (observer) observer->OnState(state, percent);
      }
    }
    for (const ShownMessageBox& box : watch.TakePending()) {
      outcome.boxes.push_back(box);
      if (observer) observer->OnMessageBox(box);
    }
  }

  // Pumps the window thread's messages until `done` (looked at after each message), ticking
  // Timer1 meanwhile; false when `limitMs` passed first.
  template <class Done>
  bool Pump(Done done, std::uint32_t limitMs) {
    const Clock::time_point start = Clock::now();
    for (;;) {
      Observe();
      if (done()) return true;
      std::uint32_t spent = MsSince(start);
      if (spent >= limitMs) return false;
      std::uint32_t slice = limitMs - spent;
      if (timer && limits.tickEveryMs) {
        probe::Tick(*timer);
        slice = std::min(slice, limits.tickEveryMs);
      }
      platform::PumpMessagesUntil(
          [&] {
            Observe();
            return done();
          },
          slice);
    }
  }

  // Waits until every action queued so far has been handled.
  bool Settle(const std::string& step) {
    std::uintptr_t marker = markers.Post();
    if (!Pump([&] { return markers.Seen(marker); }, limits.stepMs))
      return Fail(step, "the window thread did not handle the user's input");
    return true;
  }

  bool ClickAndSettle(const std::string& step, const wchar_t* form, const wchar_t* name, const std::wstring& said) {
    platform::Control* control = Window(form) ? Window(form)->FindControl(name) : nullptr;
    if (!control) return Fail(step, "no control " + Narrow(name) + " on " + Narrow(form));
    if (!probe::IsUsable(*control)) return Fail(step, Narrow(name) + " is disabled or hidden");
    Say(said);
    probe::Click(*control);
    return Settle(step);
  }

  bool Choose(const std::string& step, const wchar_t* form, const wchar_t* name, int entry) {
    auto* list = Find<platform::DropDownList>(form, name);
    if (!list) return Fail(step, "no list " + Narrow(name));
    if (entry < 0 || entry >= list->ItemCount())
      return Fail(step, Narrow(name) + " has no entry " + std::to_string(entry) + " (it has " +
                            std::to_string(list->ItemCount()) + ")");
    if (!probe::IsUsable(*list)) return Fail(step, Narrow(name) + " is disabled");
    Say(L"picks \"" + list->ItemText(entry) + L"\" in " + name);
    probe::ChooseItem(*list, entry);
    return Settle(step);
  }

  void ShowList(const wchar_t* form, const wchar_t* name) {
    auto* list = Find<platform::DropDownList>(form, name);
    if (list && observer) observer->OnList(name, list->Items(), list->SelectedIndex());
  }
  void ShowField(const std::wstring& field, const std::wstring& text) {
    if (observer) observer->OnField(field, text);
  }
  void ShowPage(const std::wstring& page, const std::wstring& title, const std::wstring& note) {
    if (observer) observer->OnPage(page, title, note);
  }
  std::wstring StepTitle(const wchar_t* stepLabel, const wchar_t* titleLabel) const {
    return LabelText(L"MainForm", stepLabel) + L" " + LabelText(L"MainForm", titleLabel);
  }

  bool ModeWindow() {
    const std::string step = "mode window";
    if (!Pump([&] { return Showing(L"dlgFirst"); }, limits.stepMs)) return Fail(step, "dlgFirst did not come up");
    platform::Form* first = Window(L"dlgFirst");
    ShowPage(L"dlgFirst", first->Caption() + L": " + LabelText(L"dlgFirst", L"Label6"), LabelText(L"dlgFirst", L"lblNote"));
    ShowList(L"dlgFirst", L"cmbMode");
    if (!Choose(step, L"dlgFirst", L"cmbMode", script.mode)) return false;
    ShowField(L"lblNote", LabelText(L"dlgFirst", L"lblNote"));
    if (!ClickAndSettle(step, L"dlgFirst", L"btnNext", L"presses Next")) return false;
    if (!Showing(L"dlgEULA")) return Fail(step, "Next did not bring up the licence dialog");
    return true;
  }

  bool Licence() {
    const std::string step = "licence dialog";
    ShowPage(L"dlgEULA", Window(L"dlgEULA")->Caption(), LabelText(L"dlgEULA", L"Label1"));
    if (Usable(L"dlgEULA", L"btnNext")) return Fail(step, "Next is enabled before \"I agree\" is ticked");
    if (!ClickAndSettle(step, L"dlgEULA", L"CheckBox1", L"ticks \"I agree\"")) return false;
    if (!Usable(L"dlgEULA", L"btnNext")) return Fail(step, "Next stays disabled after \"I agree\" was ticked");
    if (!ClickAndSettle(step, L"dlgEULA", L"btnNext", L"presses Next")) return false;
    if (!Showing(L"MainForm")) return Fail(step, "Next did not bring up the wizard");
    return true;
  }

  // Waits for the measurement of the chosen disc: lblWait shows the size once it is done, and
  // Next comes on with it unless the disc holds nothing.
  bool Measured(const std::string& step) {
    auto done = [&] {
      return Usable(L"MainForm", L"btnNext") || StartsWith(LabelText(L"MainForm", L"lblWait"), L"Capacity: ");
    };
    const bool over = Pump(done, limits.stepMs);
    ShowField(L"lblWait", LabelText(L"MainForm", L"lblWait"));
    if (over && Usable(L"MainForm", L"btnNext")) return true;
    auto* list = Find<platform::DropDownList>(L"MainForm", L"cmbDVDlist");
    return Fail(step, std::string(over ? "Next stayed disabled after the measurement" : "the disc was not measured") +
                          " (lblWait \"" + Narrow(LabelText(L"MainForm", L"lblWait")) + "\", cmbDVDlist \"" +
                          Narrow(list ? list->Text() : L"") + "\")");
  }

  bool Step1() {
    const std::string step = "step 1";
    if (!Pump([&] { return Showing(L"MainForm", L"panSelectDVD"); }, limits.stepMs))
      return Fail(step, "panSelectDVD did not show");
    ShowPage(L"step 1", StepTitle(L"Label2", L"Label3"), LabelText(L"MainForm", L"lblNote"));
    ShowList(L"MainForm", L"cmbDVDlist");
    ShowField(L"lblWait", LabelText(L"MainForm", L"lblWait"));
    if (!Measured(step)) return false;
    if (script.opticalEntry >= 0) {
      if (!Choose(step, L"MainForm", L"cmbDVDlist", script.opticalEntry)) return false;
      ShowField(L"lblWait", LabelText(L"MainForm", L"lblWait"));
      if (!Measured(step)) return false;
    }
    return ClickAndSettle(step, L"MainForm", L"btnNext", L"presses Next");
  }

  bool Step2Usb() {
    const std::string step = "step 2";
    if (!Pump([&] { return Showing(L"MainForm", L"panSelectUsb"); }, limits.stepMs))
      return Fail(step, "panSelectUsb did not show");
    ShowPage(L"step 2", StepTitle(L"Label4", L"Label5"), LabelText(L"MainForm", L"lblNote"));
    ShowList(L"MainForm", L"cmbUsbList");
    // The box keeps its state from an earlier job of the same wizard.
    auto* checkFiles = Find<platform::CheckBox>(L"MainForm", L"chkVerifyFiles");
    if (!checkFiles) return Fail(step, "no check box chkVerifyFiles");
    if (checkFiles->Checked() != script.checkFiles &&
        !ClickAndSettle(step, L"MainForm", L"chkVerifyFiles",
                        script.checkFiles ? L"ticks \"" + checkFiles->Caption() + L"\""
                                          : L"clears \"" + checkFiles->Caption() + L"\""))
      return false;
    for (std::size_t press = 0; press < script.eraseAnswers.size(); ++press) {
      if (!Choose(step, L"MainForm", L"cmbUsbList", script.usbEntry)) return false;
      if (!Usable(L"MainForm", L"btnNext"))
        return Fail(step, "Next stays disabled for \"" +
                              Narrow(Find<platform::DropDownList>(L"MainForm", L"cmbUsbList")->Text()) + "\"");
      const bool yes = script.eraseAnswers[press];
      watch.eraseAnswer = yes ? platform::kIdYes : platform::kIdNo;
      const int asked = watch.eraseQuestions;
      const std::size_t boxesBefore = outcome.boxes.size();
      watch.statePosts = 0;
      if (!ClickAndSettle(step, L"MainForm", L"btnNext", L"presses Next")) return false;
      if (watch.eraseQuestions == asked) {
        if (Showing(L"MainForm", L"panMainScreen")) return Fail(step, "the job started without the erase question");
        return Refused(step, boxesBefore);
      }
      if (yes) return Showing(L"MainForm", L"panMainScreen") ? true : Refused(step, boxesBefore);
      if (!Showing(L"MainForm", L"panSelectUsb")) return Fail(step, "declining the erase question did not return to step 2");
      ShowPage(L"step 2", StepTitle(L"Label4", L"Label5"), LabelText(L"MainForm", L"lblNote"));
      ShowList(L"MainForm", L"cmbUsbList");
    }
    // The last answer was No: the user gives up and goes back to the mode window.
    outcome.declined = true;
    return BackToModeWindow(step);
  }

  bool Step2Iso() {
    const std::string step = "step 2";
    if (!Pump([&] { return Showing(L"MainForm", L"Panel_DstISO"); }, limits.stepMs))
      return Fail(step, "Panel_DstISO did not show");
    ShowPage(L"step 2", StepTitle(L"Label10", L"Label11"), LabelText(L"MainForm", L"lblNote"));
    probe::ScriptFolderChoices({script.folder});
    browsersSeen = probe::ShownFolderBrowsers().size();
    if (!ClickAndSettle(step, L"MainForm", L"btnBrowser", L"presses Browser")) return false;
    auto browsers = probe::ShownFolderBrowsers();
    if (browsers.size() == browsersSeen) return Fail(step, "Browser opened no folder browser");
    if (observer) observer->OnFolderBrowser(browsers.back().title, browsers.back().answer);
    auto* edit = Find<platform::Edit>(L"MainForm", L"EdtISOPathdst");
    ShowField(L"EdtISOPathdst", edit ? edit->Text() : L"");
    if (!Usable(L"MainForm", L"btnNext"))
      return Fail(step, "Next stays disabled after choosing \"" + Narrow(script.folder) + "\"");
    const std::size_t boxesBefore = outcome.boxes.size();
    watch.statePosts = 0;
    if (!ClickAndSettle(step, L"MainForm", L"btnNext", L"presses Next")) return false;
    return Showing(L"MainForm", L"panMainScreen") ? true : Refused(step, boxesBefore);
  }

  // Next on step 2 did not start the job: a refusal shows its box and leaves the user on step 2.
  bool Refused(const std::string& step, std::size_t boxesBefore) {
    if (!Showing(L"MainForm", L"panSelectUsb") && !Showing(L"MainForm", L"Panel_DstISO"))
      return Fail(step, "Next left step 2 without starting the job");
    bool refusal = false;
    for (std::size_t i = boxesBefore; i < outcome.boxes.size(); ++i)
      refusal = refusal || outcome.boxes[i].caption != L"Warning" || (outcome.boxes[i].flags & 0xF) != platform::kMbYesNo;
    if (!refusal) return Fail(step, "Next did nothing and showed no message");
    outcome.refused = true;
    return BackToModeWindow(step);
  }

  bool BackToModeWindow(const std::string& step) {
    if (!ClickAndSettle(step, L"MainForm", L"btnBack", L"presses Back")) return false;
    if (!ClickAndSettle(step, L"MainForm", L"btnBack", L"presses Back")) return false;
    outcome.backAtModeWindow = Showing(L"dlgFirst") && !Showing(L"MainForm");
    if (!outcome.backAtModeWindow) return Fail(step, "Back twice did not return to the mode window");
    return true;
  }

  std::wstring NextCaption() const {
    auto* next = Find<platform::SkinButton>(L"MainForm", L"btnNext");
    return next ? next->Caption() : std::wstring();
  }

  bool CancelDue(Clock::time_point start) const {
    switch (script.cancelAt) {
      case CancelAt::Never: return false;
      case CancelAt::AfterStateMessages: return watch.statePosts >= script.cancelAfterStates;
      case CancelAt::AfterDelay: return MsSince(start) >= script.cancelAfterMs;
      case CancelAt::OnSignal: return script.cancelSignal && script.cancelSignal->load();
    }
    return false;
  }

  bool Step3() {
    const std::string step = "step 3";
    ShowPage(L"step 3", StepTitle(L"lblScreenTitle", L"Label1"), LabelText(L"MainForm", L"lblNote"));
    if (NextCaption() != L"&Cancel") return Fail(step, "Next reads \"" + Narrow(NextCaption()) + "\", not \"&Cancel\"");
    shownState.clear();
    shownPercent.clear();
    watchingState = true;
    const Clock::time_point start = Clock::now();
    const int finishesBefore = watch.finishQuestions;
    auto finished = [&] { return watch.finishQuestions > finishesBefore || NextCaption() == L"&Exit"; };
    bool pressed = false;
    while (!finished()) {
      std::uint32_t spent = MsSince(start);
      if (spent >= limits.jobMs) break;
      if (!pressed && CancelDue(start)) {
        pressed = true;
        for (int i = 0; i < script.cancelPresses && NextCaption() == L"&Cancel" && Usable(L"MainForm", L"btnNext"); ++i) {
          Say(L"presses Cancel");
          probe::Click(*Find<platform::SkinButton>(L"MainForm", L"btnNext"));
          ++outcome.cancelPresses;
        }
        continue;
      }
      std::uint32_t slice = limits.jobMs - spent;
      if (!pressed && script.cancelAt == CancelAt::AfterDelay && script.cancelAfterMs > spent)
        slice = std::min(slice, script.cancelAfterMs - spent);
      Pump([&] { return finished() || (!pressed && CancelDue(start)); }, slice);
    }
    outcome.stateMessages = watch.statePosts;
    if (!finished())
      return Fail(step, "the job did not finish within " + std::to_string(limits.jobMs) + " ms (lblState \"" +
                            Narrow(LabelText(L"MainForm", L"lblState")) + "\")");
    return true;
  }

  bool Finish() {
    const std::string step = "finish";
    Observe();
    outcome.nextTagAtFinish = watch.nextTagAtFinish;
    if (watch.finishQuestions == finishesAtStart) {
      // No question: the job failed and Next reads "&Exit".
      outcome.finishCode = kFinishFailure;
      if (!script.exitAfterFailure) return true;
      if (!ClickAndSettle(step, L"MainForm", L"btnNext", L"presses Exit")) return false;
    } else {
      outcome.finishCode = watch.finishCode;
      if (outcome.finishCode == kNoFinish) return Fail(step, "the closing question's text names no result");
      if (!script.closeAtFinish) {
        if (!Pump([&] { return Showing(L"dlgFirst") && !Showing(L"MainForm"); }, limits.stepMs))
          return Fail(step, "answering No did not bring back the mode window");
        outcome.backAtModeWindow = true;
        return true;
      }
    }
    if (!Pump([] { return probe::OpenMainWindow() == 0; }, limits.stepMs))
      return Fail(step, "the program did not end");
    outcome.programEnded = true;
    return true;
  }

  void Go() {
    if (limits.tickEveryMs) {
      platform::Form* wizardForm = Window(L"MainForm");
      timer = wizardForm ? probe::FindTimer(*wizardForm, L"Timer1") : nullptr;
      if (!timer) {
        Fail("start", "the wizard has no timer Timer1");
        return;
      }
    }
    if (platform::Form* wizardForm = Window(L"MainForm")) watch.wizard = wizardForm->Handle();
    finishesAtStart = watch.finishQuestions;
    erasesAtStart = watch.eraseQuestions;
    watch.finishCode = kNoFinish;
    watch.nextTagAtFinish = 0;
    watch.workerAnswer = script.workerAnswer;
    watch.okCancelAnswer = script.okCancelAnswer;
    watch.finishAnswer = script.closeAtFinish ? platform::kIdYes : platform::kIdNo;
    {
      std::lock_guard<std::mutex> guard(watch.lock);
      watch.onStatePost = script.onStatePost;
    }
    if (!ModeWindow() || !Licence() || !Step1()) return;
    if (!(script.mode == 0 ? Step2Usb() : Step2Iso())) return;
    if (outcome.declined || outcome.refused) {
      outcome.ok = true;
      return;
    }
    if (!Step3() || !Finish()) return;
    outcome.ok = true;
  }

  void End() {
    {
      std::lock_guard<std::mutex> guard(watch.lock);
      watch.onStatePost = nullptr;
    }
    Observe();
    outcome.eraseQuestions = watch.eraseQuestions - erasesAtStart;
    outcome.finishQuestions = watch.finishQuestions - finishesAtStart;
    outcome.finalState = LabelText(L"MainForm", L"lblState");
    outcome.finalPercent = LabelText(L"MainForm", L"lblPercent");
    outcome.finalNext = NextCaption();
    if (observer) observer->OnEnd(outcome);
  }
};

ScriptedUser::ScriptedUser(Observer* observer, Limits limits)
    : observer_(observer), limits_(limits), watch_(std::make_shared<Watch>()) {
  watch_->windowThread = std::this_thread::get_id();
  std::shared_ptr<Watch> watch = watch_;
  probe::SetMessageBoxAnswerer([watch](const ShownMessageBox& box) { return watch->Answer(box); });
  probe::SetPostObserver([watch](platform::WindowHandle window, std::uint32_t message, std::uintptr_t state,
                                  std::intptr_t value) {
    if (message != WM_OPERATION_STATE || window != watch->wizard) return;
    ++watch->statePosts;
    watch->StatePosted(state, value);
  });
  probe::SetRealTimeTimers(limits_.tickEveryMs == 0);
}

ScriptedUser::~ScriptedUser() {
  probe::SetPostObserver({});
  probe::SetMessageBoxAnswerer({});
  probe::SetRealTimeTimers(false);
}

JobOutcome ScriptedUser::RunJob(const JobScript& script) {
  Run run(observer_, limits_, script, *watch_);
  run.Go();
  run.End();
  return run.outcome;
}

}  // namespace scripted
