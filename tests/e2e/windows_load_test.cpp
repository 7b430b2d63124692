// Many jobs in a row through the same windows, as a user who keeps answering No to the closing
// question does: each job of a random mode, cancelled at a random moment or not at all. Every
// job ends in exactly one finish that tells the truth and leaves nothing behind; none hangs.
// Under the thread sanitizer this is the race test of the windows, the worker and the jobs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>

#include "sim/machine/machine.h"
#include "windows_machine.h"

namespace {

using scripted::CancelAt;
using scripted::JobOutcome;

class WindowsLoad : public e2e::WindowsJobTest {};

int JobCount() {
  if (const char* text = std::getenv("DRAVENTA_LOAD_JOBS")) return std::atoi(text);
  return DRAVENTA_LOAD_JOBS;
}

std::string Describe(int job, const scripted::JobScript& script) {
  std::ostringstream out;
  out << "job " << job << (script.mode == 0 ? " (USB)" : " (ISO)");
  if (script.cancelAt == CancelAt::AfterStateMessages) out << ", Cancel after " << script.cancelAfterStates << " state messages";
  if (script.cancelAt == CancelAt::AfterDelay) out << ", Cancel after " << script.cancelAfterMs << " ms";
  return out.str();
}

TEST_F(WindowsLoad, ManyJobsInARowEachCancelledAtRandomOrNot) {
  const int jobs = JobCount();
  ASSERT_GT(jobs, 0);
  std::mt19937 random(e2e::TestSeed());
  StartProgram();
  scripted::Limits limits;
  limits.stepMs = 60000;
  limits.jobMs = 120000;
  scripted::ScriptedUser user(nullptr, limits);

  int finishes[3] = {0, 0, 0};
  auto start = std::chrono::steady_clock::now();
  for (int job = 0; job < jobs; ++job) {
    const bool last = job == jobs - 1;
    scripted::JobScript script = random() % 2 ? e2e::UsbJob(last) : e2e::IsoJob(last);
    // A job that reaches the boot image takes a second at least (the servicing waits that long
    // before it mounts), so most Cancels come during the copy of the disc (its first 30 state
    // messages on the small disc); the rest, and the jobs left alone, reach every later step.
    const unsigned kind = random() % 20;
    if (kind >= 3 && kind < 16) {
      script.cancelAt = CancelAt::AfterStateMessages;
      script.cancelAfterStates = static_cast<int>(random() % 30);
    } else if (kind >= 16) {
      script.cancelAt = CancelAt::AfterDelay;
      script.cancelAfterMs = random() % 1500;
    }
    SCOPED_TRACE(Describe(job, script));
    JobOutcome outcome = user.RunJob(script);
    // A step that did not happen leaves the windows where nobody knows: stop here.
    ASSERT_TRUE(outcome.ok) << outcome.failure;
    ASSERT_EQ(outcome.finishQuestions, 1) << "exactly one closing question";
    ASSERT_TRUE(outcome.finishCode == scripted::kFinishSuccess || outcome.finishCode == scripted::kFinishCancelled)
        << outcome.finishCode << ", lblState \"" << platform::host::ToUtf8(outcome.finalState) << "\"";
    EXPECT_EQ(outcome.finishCode == scripted::kFinishCancelled, outcome.nextTagAtFinish == 2);
    EXPECT_EQ(ScratchLeftovers(), std::vector<std::string>{});
    EXPECT_EQ(MountedImages(), 0u);
    EXPECT_EQ(outcome.backAtModeWindow, !last);
    EXPECT_EQ(outcome.programEnded, last);
    ++finishes[outcome.finishCode];
    if (HasFailure()) break;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::cout << jobs << " jobs in " << seconds << " s: " << finishes[0] << " succeeded, " << finishes[2]
            << " cancelled\n";
}

}  // namespace
