#pragma once
// Reading what dism.exe prints (run with /English): the progress bar it redraws
// ("[=====   40.0%   ]"), the images of /Get-WimInfo and /Get-MountedWimInfo, and the text
// after its "Error: N" line; and its exit code as DISM's HRESULT.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dism_api.h"

namespace DismCpp {

// Collects dism.exe's output as it arrives and finds each new progress figure in it.
class DismExeOutput {
 public:
  // Adds a piece of output; returns each progress figure completed in it, in order, in tenths
  // of a percent (0 to 1000). A bar split between two pieces is read when its end arrives.
  std::vector<int> Add(const std::string& piece);
  const std::string& Text() const { return m_Text; }

 private:
  std::string m_Text;
  std::size_t m_Scanned = 0;  // where the next bar is looked for
};

// The text dism.exe printed after "Error: N" up to the line that names its log file, its lines
// joined with spaces; empty when there is no such line.
std::wstring DismExeErrorText(const std::string& output);

// The number of "Index : N" entries that /Get-WimInfo listed.
std::uint32_t DismExeImageCount(const std::string& output);

// The images that /Get-WimInfo listed, with the name and the architecture when it printed them
// (it prints "Architecture : x64" only for one image, asked for with /Index:N).
std::vector<platform::DismImage> DismExeImages(const std::string& output);

// The mounts that /Get-MountedWimInfo listed.
std::vector<platform::DismMountedImage> DismExeMountedImages(const std::string& output);

// dism.exe ends with 0 on success, with the Win32 code of a Win32 failure, and with the HRESULT
// otherwise: the result as the DISM API would have returned it.
platform::DismResult DismExeResult(std::uint32_t exitCode);

}  // namespace DismCpp
