#pragma once
// The fault suite's table: one row per fault of the simulated machine, with the moment it is
// switched on, the job it is tried on and what the user must see.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/message_box.h"
#include "scripted_user.h"
#include "support/temp_machine.h"

namespace e2e {

enum class Arm {
  AtStart,  // before the program starts
  AtStep2,  // when step 2 comes up: the disc is measured, nothing of the job has run
  AtState,  // at the job's first state report `armState` with a value of at least `armMinValue`
};

struct FaultRow {
  std::string id;     // the test's name
  std::string fault;  // the table's words
  int mode = 0;       // 0 the USB job, 1 the ISO job
  std::vector<std::pair<std::string, std::string>> switches;  // machine.json faults
  Arm arm = Arm::AtStart;
  int armState = -1;
  std::intptr_t armMinValue = 0;
  // Before the program starts; at the moment (beside the switches; on the reporting thread for
  // AtState); after the run (a note for the table, "FAILED: ..." fails the row).
  std::function<void(test::TempMachine&)> prepare;
  std::function<void(test::TempMachine&)> atMoment;
  std::function<std::string(test::TempMachine&)> verify;
  bool checkFiles = false;   // step 2 (USB): "Check every file after writing" ticked
  bool cancel = false;       // the user presses Cancel at the moment
  std::uint32_t cancelAfterMs = 0;  // with `cancel`: pressed this long after the moment instead,
                                    // while the job goes on
  bool shortLimits = false;  // diskpart's and the ISO tool's time limits shortened to 2 s
  int workerAnswer = platform::kIdYes;  // the USB clean questions
  bool imageStaysMounted = false;  // DISM refuses every unmount: the image can't be let go
  bool refusedAtStart = false;     // the program refuses to start: its box, and no window
  int finish = scripted::kFinishFailure;
  std::wstring expectSeen;   // a text among the boxes and the last status (as the table shows them)
  std::wstring expectNotSeen;  // when given, a text that must not be among them
  std::wstring expectState;    // when given, the status text the page ends with
};

const std::vector<FaultRow>& FaultRows();

}  // namespace e2e
