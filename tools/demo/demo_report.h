#pragma once
// What the demo prints about its results: the ISO's boot catalogue, the driver packages staged
// in image 2 of each serviced boot.wim, the stick's partition, label and file system, and
// whether every file of the "OS" folder arrived with its own content.
#include <string>

// The ISO file `iso` (host path) built by the ISO job; `work` is a folder for extracted files.
void PrintIsoResult(const std::string& iso, const std::string& work);
// The USB stick F: as the USB job left it.
void PrintUsbResult();
// The user's own packages each DISM step added after the built-in ones, to which image, and
// those it skipped and why (from the trace log `traceFile`, host path).
void PrintExtraDrivers(const std::string& traceFile);
// Per image that DISM mounted (boot.wim's and, with "Also add the drivers to Windows itself",
// install.wim's), the packages staged in it (from DISM's log `dismLogFile`, host path).
void PrintStagedPerImage(const std::string& dismLogFile);
