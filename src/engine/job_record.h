#pragma once
// The description of one job, filled by the main window and read by the job's operations.

constexpr int kJobPathUnits = 260;  // each path holds at most 259 characters and a terminator

struct WIN7_OPERAT_INFO {
  wchar_t szSourcePath[kJobPathUnits] = {};     // root of the Windows 7 disc, with backslash
  wchar_t szDriverPath[kJobPathUnits] = {};     // the driver payload tree (…\U3), no backslash
  wchar_t szImgDriverPath[kJobPathUnits] = {};  // the "OS" folder beside the executable
  wchar_t szTagPath[kJobPathUnits] = {};        // USB root (type 0) or ISO output folder (type 1)
  wchar_t szTmpPath[kJobPathUnits] = {};        // scratch folder, with backslash
  bool bIs64bitDVD = false;                     // the disc is a 64-bit Windows 7 disc
};
