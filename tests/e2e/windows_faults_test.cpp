// The whole program under faults, through its windows: for each fault of the simulated machine
// the scripted user runs a job, the fault is switched on at its moment, and the suite checks
// what the user saw, the finish code, that nothing outside the target changed, that no image
// stays mounted and no scratch folder is left, and that the run ended within its bound. The
// rows become docs/reliability.md (windows_faults_report.h).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>
#include <utility>

#include "app/operation_state.h"
#include "app/program_data.h"
#include "disk/diskpart_script.h"
#include "engine/make_iso_file.h"
#include "platform/folders.h"
#include "sim/dism/dism_substitute.h"
#include "sim/machine/machine.h"
#include "platform/text.h"
#include "servicing/dism_manager.h"
#include "ui/program.h"
#include "sim/probes/main_window_probe.h"
#include "sim/probes/message_box_script.h"
#include "windows_faults_report.h"
#include "windows_faults_rows.h"
#include "windows_machine.h"

namespace fs = std::filesystem;

namespace {

using e2e::FaultRow;
using platform::host::Machine;
using scripted::JobOutcome;

constexpr std::uint32_t kShortLimitMs = 2000;  // the program's own time limits, shortened
constexpr std::uint32_t kJobBoundMs = 60000;   // a run that takes longer counts as hung

std::string Utf8(const std::wstring& text) { return platform::host::ToUtf8(text); }

// Sees step 2 come up (a row's moment) and the user's Cancel presses (a row holds the job until
// the press has been made).
class MomentWatcher : public e2e::RecordingObserver {
 public:
  void OnPage(const std::wstring& page, const std::wstring& title, const std::wstring& note) override {
    e2e::RecordingObserver::OnPage(page, title, note);
    if (page == L"step 2" && onStep2) std::exchange(onStep2, nullptr)();
  }
  void OnAction(const std::wstring& action) override {
    if (action == L"presses Cancel") pressed = true;
  }
  std::function<void()> onStep2;
  std::atomic<bool> pressed{false};
};

class Faults : public e2e::WindowsJobTest, public ::testing::WithParamInterface<std::size_t> {
 protected:
  void SetUp() override {
    e2e::WindowsJobTest::SetUp();
    if (HasFatalFailure()) return;
    DismManager::DestroyInstance();
    platform::host::ResetDismForTests();
    // A second stick beside the chosen one: it must come out of every job as it went in.
    auto& builder = machine_.Builder();
    builder.UsbStick('G', 3, 8ull << 30);
    machine_.Apply();
    test::WriteHostFile(builder.HostFolderOf('G') + "/keep-me.txt", "another stick's file");
    // The program data folder is there before the snapshots, as after any earlier run.
    ASSERT_FALSE(GetProgramDataFolder().empty());
  }
  void TearDown() override {
    e2e::WindowsJobTest::TearDown();
    DiskpartScript::Instance().SetTimeoutForTests(DiskpartScript::kDefaultTimeoutMs);
    MakeISOFile::Instance()->SetSilenceLimitMs(kIsoDefaultSilenceMs);
    DismManager::SetDismExeSilenceLimit(10 * 60 * 1000);
    // A row may leave DISM with a session it could not close; the next program starts afresh.
    DismManager::DestroyInstance();
    platform::host::ResetDismForTests();
    platform::host::ClearMessageBoxes();
  }

  // Named, not asked for: a row may make the folder one the program refuses.
  std::string ProgramDataHost() const { return machine_.Host(L"C:\\ProgramData\\Qarvel\\DraventaWin"); }

  e2e::FolderSnapshot Snapshot(char letter, int mode) {
    auto& builder = machine_.Builder();
    std::string folder = builder.HostFolderOf(letter);
    std::vector<std::string> skip;
    if (letter == 'C') {
      // The program data folder's own working folders and logs; everything else there counts.
      std::string data = fs::relative(ProgramDataHost(), folder).generic_string();
      for (const char* own : {"U3", "QarvelToolTmp", "XHCItrace.log", "log.txt"}) skip.push_back(data + "/" + own);
      std::error_code ec;
      for (const auto& entry : fs::directory_iterator(ProgramDataHost(), ec)) {
        std::string name = entry.path().filename().string();
        if (IsMountFolder(name) || IsScriptFolder(name))
          skip.push_back(data + "/" + name);  // a DISM mount folder, the diskpart script's folder
      }
    }
    if (letter == 'D' && mode == 1) skip.push_back("ISO");
    return e2e::SnapshotFolder(folder, skip);
  }

  // A DISM mount folder: named by the hour, minute and second.
  static bool IsMountFolder(const std::string& name) {
    return !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
  }
  // The folder of the diskpart script: "diskpart" and four hexadecimal digits.
  static bool IsScriptFolder(const std::string& name) { return name.rfind("diskpart", 0) == 0; }

  // How many of the program data folder's entries pass the test.
  int LeftInProgramData(bool (*is)(const std::string&)) const {
    int left = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ProgramDataHost(), ec)) left += is(entry.path().filename().string());
    return left;
  }

  void SwitchOn(const FaultRow& row) {
    ASSERT_TRUE(Machine::Update([&](platform::host::MachineDescription& machine) {
      for (const auto& [name, value] : row.switches) machine.faults[name] = value;
    }));
  }
};

TEST_P(Faults, TheProgramUnderOneFault) {
  const std::vector<FaultRow>& rows = e2e::FaultRows();
  const FaultRow& row = rows.at(GetParam());
  SCOPED_TRACE(row.fault);
  const bool iso = row.mode == 1;
  if (row.shortLimits) {
    DiskpartScript::Instance().SetTimeoutForTests(kShortLimitMs);
    MakeISOFile::Instance()->SetSilenceLimitMs(kShortLimitMs);
    DismManager::SetDismExeSilenceLimit(kShortLimitMs);
  }
  if (row.prepare) row.prepare(machine_);

  const std::string watched = iso ? "CDEFG" : "CDEG";
  std::map<char, e2e::FolderSnapshot> before;
  for (char letter : watched) before[letter] = Snapshot(letter, row.mode);
  if (row.arm == e2e::Arm::AtStart) SwitchOn(row);

  MomentWatcher seen;
  std::atomic<bool> armed{row.arm == e2e::Arm::AtStart};
  std::atomic<bool> cancelSignal{false};
  scripted::Limits limits;
  limits.jobMs = kJobBoundMs;
  scripted::ScriptedUser user(&seen, limits);

  scripted::JobScript script = iso ? e2e::IsoJob(false) : e2e::UsbJob(false);
  script.workerAnswer = row.workerAnswer;
  script.checkFiles = row.checkFiles;
  if (row.cancel) {
    script.cancelAt = scripted::CancelAt::OnSignal;
    script.cancelSignal = &cancelSignal;
  }
  // The job's own moment: the first state report that matches the row; the job is held there
  // while the machine changes (and, for a cancel, until the user has pressed Cancel).
  std::string armError;
  std::thread lateCancel;
  script.onStatePost = [&](int state, std::intptr_t value) {
    if (armed || row.arm != e2e::Arm::AtState || state != row.armState || value < row.armMinValue) return;
    armed = true;
    if (!Machine::Update([&](platform::host::MachineDescription& machine) {
          for (const auto& [name, value] : row.switches) machine.faults[name] = value;
        }))
      armError = "the machine could not be changed";
    if (row.atMoment) row.atMoment(machine_);
    if (row.cancel && row.cancelAfterMs > 0) {
      lateCancel = std::thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(row.cancelAfterMs));
        cancelSignal = true;
      });
    } else if (row.cancel) {
      cancelSignal = true;
      for (int i = 0; i < 500 && !seen.pressed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the press is handled
    }
  };
  // Step 2's moment: the disc has been measured, nothing of the job has run.
  if (row.arm == e2e::Arm::AtStep2) {
    seen.onStep2 = [&] {
      SwitchOn(row);
      if (row.atMoment) row.atMoment(machine_);
      armed = true;
    };
  }
  const auto start = std::chrono::steady_clock::now();
  JobOutcome outcome;
  if (row.refusedAtStart) {
    // The program as Windows starts it: it shows its refusal and ends without a window.
    ui::RunProgram();
    outcome.ok = platform::host::OpenMainWindow() == 0;
    outcome.failure = "a window stayed open";
    outcome.refused = true;
    outcome.boxes = platform::host::ShownMessageBoxes();
  } else {
    StartProgram();
    outcome = user.RunJob(script);
    if (lateCancel.joinable()) lateCancel.join();
    EndProgram();
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // What the user saw, as the table shows it.
  std::string shown;
  for (const auto& box : outcome.boxes) {
    // Every USB row asks the erase question: it is shown when it names more than the drive.
    if (box.caption == L"Warning" && box.text.rfind(L"The selected USB device ", 0) == 0 &&
        box.text.find(L"\n\n") == std::wstring::npos)
      continue;
    shown += Utf8(box.caption) + ": " + Utf8(box.text) + " [" + (box.answer == platform::kIdYes ? "Yes" : box.answer == platform::kIdNo ? "No" : "OK") + "]\n";
  }
  if (row.refusedAtStart) shown += "(the program did not start)";
  else if (!outcome.refused) shown += "lblState: " + Utf8(outcome.finalState);
  else shown += "(back at the mode window)";

  bool passed = true;
  auto check = [&](bool condition, const std::string& what) {
    EXPECT_TRUE(condition) << what;
    passed = passed && condition;
  };
  check(armed, "the fault was switched on");
  check(armError.empty(), armError);
  check(outcome.ok, "the scripted user finished its walk: " + outcome.failure);
  check(outcome.finishCode == row.finish, "finish code " + std::to_string(outcome.finishCode) + ", expected " +
                                              std::to_string(row.finish));
  check(outcome.refused == (row.finish == scripted::kNoFinish), "refused by the check before the job");
  check(shown.find(Utf8(row.expectSeen)) != std::string::npos, "the user sees \"" + Utf8(row.expectSeen) + "\" in:\n" + shown);
  if (!row.expectState.empty())
    check(outcome.finalState == row.expectState,
          "the page ends with \"" + Utf8(row.expectState) + "\", not \"" + Utf8(outcome.finalState) + "\"");
  if (!row.expectNotSeen.empty())
    check(shown.find(Utf8(row.expectNotSeen)) == std::string::npos,
          "the user does not see \"" + Utf8(row.expectNotSeen) + "\" in:\n" + shown);

  std::vector<std::string> changed;
  for (char letter : watched)
    for (const auto& difference : e2e::Differences(before[letter], Snapshot(letter, row.mode)))
      changed.push_back(std::string(1, letter) + ": " + difference);
  check(changed.empty(), "drives outside the target changed:\n" + [&] {
    std::string all;
    for (const auto& c : changed) all += c + "\n";
    return all;
  }());
  std::size_t mounted = MountedImages();
  std::vector<std::string> scratch = ScratchLeftovers();
  if (row.imageStaysMounted)
    check(mounted == 1, "DISM itself refuses to let go: the image stays mounted (" + std::to_string(mounted) + ")");
  else
    check(mounted == 0, std::to_string(mounted) + " image(s) still mounted");
  check(scratch.empty(), "scratch folder left: " + (scratch.empty() ? std::string() : scratch[0]));
  // The program's working folders go with it, except the mount folder of an image DISM keeps.
  const int mountFolders = LeftInProgramData(IsMountFolder);
  const int scriptFolders = LeftInProgramData(IsScriptFolder);
  check(mountFolders == (row.imageStaysMounted ? 1 : 0), std::to_string(mountFolders) + " mount folder(s) left");
  check(scriptFolders == 0, std::to_string(scriptFolders) + " diskpart script folder(s) left");
  check(seconds * 1000 < kJobBoundMs, "the run ended within its bound");
  std::string note = row.verify ? row.verify(machine_) : std::string();
  check(note.rfind("FAILED", 0) != 0, note);

  e2e::ReliabilityRow table;
  table.fault = row.fault;
  table.job = iso ? "ISO" : "USB";
  table.seen = shown;
  table.finish = outcome.finishCode == scripted::kNoFinish ? "-" : std::to_string(outcome.finishCode);
  table.left = std::string("mounted images: ") + std::to_string(mounted) + "; scratch: " +
               (scratch.empty() ? "gone" : "left") + "; mount folders left: " + std::to_string(mountFolders) +
               "; diskpart script folders left: " + std::to_string(scriptFolders) +
               "; other drives unchanged: " + (changed.empty() ? "yes" : "no (" + changed[0] + ")") +
               (note.empty() ? "" : "; " + note);
  table.seconds = seconds;
  table.passed = passed;
  e2e::RecordReliabilityRow(GetParam(), rows.size(), table);
}

// The thread sanitizer build runs the rows where the window thread, the worker and a tool meet:
// the user's cancels and the hangs that end by the program's own time limits. The other builds
// run every row.
std::vector<std::size_t> RowsOfThisBuild() {
  std::vector<std::size_t> chosen;
  for (std::size_t i = 0; i < e2e::FaultRows().size(); ++i) {
    const FaultRow& row = e2e::FaultRows()[i];
    if (!DRAVENTA_FAULT_RACE_ROWS_ONLY || row.cancel || row.shortLimits) chosen.push_back(i);
  }
  return chosen;
}

INSTANTIATE_TEST_SUITE_P(WindowsFaults, Faults, ::testing::ValuesIn(RowsOfThisBuild()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           return e2e::FaultRows().at(info.param).id;
                         });

}  // namespace
