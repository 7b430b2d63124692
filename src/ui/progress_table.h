#pragma once
// How the wizard's progress page follows a job: each state report's status text and the
// position of the bar. The bar is shared among the job's N operations: a running operation
// reports its own percentage v, which counts v / N; each finished operation adds 100 / N to
// the base (the boot image's three phases a third of that each). All arithmetic is integer,
// left to right, as the reports arrive.
#include <cstdint>
#include <string>

namespace ui {

// The percent earned by the finished parts of the job; lives for the whole process and goes
// back to 0 only when a job is cancelled or done. Window thread only.
extern int ProgressBase;

struct ProgressUpdate {
  bool changesText = false;  // false: the status text stays as it is
  std::wstring text;
  int percent = 0;           // ProgressBase + the running operation's part
};

// Applies the report (`state`, `v`) of a job of `stepCount` operations to ProgressBase and
// returns what the page shows.
ProgressUpdate ApplyOperationState(std::int32_t state, std::int32_t v, int stepCount);

}  // namespace ui
