#pragma once
// The description of one job, filled by the main window and read by the job's operations.
#include <cstdint>
#include <string>

#include "app/utf16.h"
#include "disk/usb_disk_layout.h"

constexpr int kJobPathUnits = 260;  // each path holds at most 259 characters and a terminator

struct WIN7_OPERAT_INFO {
  wchar_t szSourcePath[kJobPathUnits] = {};     // root of the Windows 7 disc, with backslash
  wchar_t szDriverPath[kJobPathUnits] = {};     // the driver payload tree (…\U3), no backslash
  wchar_t szImgDriverPath[kJobPathUnits] = {};  // the "OS" folder beside the executable
  wchar_t szTagPath[kJobPathUnits] = {};        // USB root (type 0) or ISO output folder (type 1)
  wchar_t szTmpPath[kJobPathUnits] = {};        // scratch folder, with backslash
  bool bIs64bitDVD = false;                     // the disc is a 64-bit Windows 7 disc
  wchar_t szExtraDriverPath[kJobPathUnits] = {};  // the user's own driver folder, empty for none
  // What the erase question agreed to (USB job): the disk number to erase whole, or
  // kEraseDriveOnly / kEraseNotAsked (disk/usb_disk_layout.h).
  int nWholeDisk = kEraseNotAsked;
  // USB job: after the last step, every file is read back from the drive and compared with
  // what was written ("Check every file after writing").
  bool bCheckUsbFiles = false;
  // The drivers go into Windows itself too: image 1 of boot.wim and every image of
  // sources\install.wim, after image 2 of boot.wim. Off unless the user chose it.
  bool bAllImages = false;
};

// The values the window puts into a job record, before they are checked to fit.
struct JobPaths {
  std::wstring sourcePath;
  std::wstring driverPath;
  std::wstring imgDriverPath;
  std::wstring tagPath;
  std::wstring tmpPath;
  bool is64bitDvd = false;
  std::wstring extraDriverPath;
  bool checkUsbFiles = false;
  bool allImages = false;
};

// Why a job could not be described; `message` is a sentence the window can show as it is.
struct JobRecordProblem {
  std::wstring field;    // "szTagPath", ...
  std::size_t length = 0;  // the path's length in UTF-16 units
  std::wstring message;
};

// Fills `info` from `paths` when every path fits in 259 UTF-16 units. Otherwise leaves `info`
// untouched, writes a trace line naming the field and returns false with `problem` set, so the
// job is refused before it starts.
bool FillJobRecord(const JobPaths& paths, WIN7_OPERAT_INFO& info, JobRecordProblem& problem);

// A disc-to-ISO job (type 1) builds its tree in the scratch folder; when no drive had room for
// one (GetScratchFolder gave empty text) the job is refused before it starts, with a trace line
// and `problem` set. Other job types don't use the folder and always pass.
bool CheckScratchFolder(std::int32_t dlgType, const JobPaths& paths, JobRecordProblem& problem);

// True when every path of the record is terminated within its array (a record filled by
// FillJobRecord always is). The runner refuses a record that is not.
bool JobRecordIsTerminated(const WIN7_OPERAT_INFO& info);

// Writes the record to the trace log, one line per field in field order, then the job type.
void TraceJobRecord(const WIN7_OPERAT_INFO& info, std::int32_t dlgType);

