#pragma once
// The user's own driver packages: a folder chosen before the job, whose INF files are examined
// before anything is erased. A package fits when its INF is a Windows NT setup file with models
// for the disc's processor and every .sys it names for that processor is a PE image built for
// it; the job adds the fitting ones after the built-in packages.
#include <string>
#include <vector>

struct SkippedDriverPackage {
  std::wstring inf;
  std::wstring reason;
};

struct DriverFolderExamination {
  std::wstring folder;
  std::vector<std::wstring> fitting;  // INF paths, in path order
  std::vector<SkippedDriverPackage> skipped;
};

// Every INF below `folder` (at most six folders deep, links not followed), examined for a
// 64-bit (amd64) or 32-bit (x86) disc. A folder that can't be listed gives one skipped entry
// naming it.
DriverFolderExamination ExamineDriverFolder(const std::wstring& folder, bool is64dvd);

// For a folder chosen before the disc is known: the packages that fit a 32-bit or a 64-bit
// disc, and those that fit neither (with the reason they don't fit a 32-bit disc). The job
// examines the folder again for its disc and adds only what fits it.
DriverFolderExamination ExamineDriverFolderForEitherDisc(const std::wstring& folder);

// The examination in one line for the trace log and the demo: "2 driver packages from D:\d
// fit: a.inf, b.inf; skipped: c.inf (reason)".
std::wstring DescribeExamination(const DriverFolderExamination& examination);
