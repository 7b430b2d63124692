#pragma once
// What can be known before a job starts that would make it fail half-way: checked before the
// USB drive is formatted or anything is copied, so a job that can't finish leaves every drive
// untouched. The window runs the check and shows the refusal.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/job_record.h"
#include "platform/types.h"

// The largest file a FAT32 volume can hold: 4 GiB - 1 byte.
constexpr std::uint64_t kFat32LargestFile = 0xFFFFFFFFull;

struct JobRefusal {
  std::wstring text;     // what the user is told, ending with the assurance nothing was changed
  std::wstring caption;  // the message box's caption
};

// Checks, tracing each finding: the disc's sources\boot.wim exists and holds an image 2; for
// an ISO job (type 1) the ISO tool and its two boot files exist beside the program; DISM can be
// reached (its API or dism.exe) and initialised, and nothing an earlier run left mounted in the
// program data folder stays mounted; for a USB job (type 0) no file on the disc is larger than
// FAT32 allows. Empty when the job can run.
std::optional<JobRefusal> CheckJobCanFinish(std::int32_t type, const WIN7_OPERAT_INFO& info);

// Shows `refusal` in a message box owned by `owner`. The check runs off the window thread; the
// window shows its refusal afterwards.
void ShowJobRefusal(platform::WindowHandle owner, const JobRefusal& refusal);
