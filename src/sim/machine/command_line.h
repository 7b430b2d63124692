#pragma once
// Host only: how a Windows command line becomes a host process. The program names Windows
// executables (diskpart, C:\Program Files\Draventa\Oscdimg_x86\Oscdimg\oscdimg.exe); the
// simulated machine holds the substitute tools at those places.
#include <string>
#include <vector>

#include "sim/machine/split_command_line.h"

namespace platform::host {

// The host path of the program a command line's first word names: a path on the machine, or
// a bare name searched for in the current folder and then the system folder, ".exe" added when
// the name has no extension. Empty when there is no such executable.
std::string ResolveProgram(const std::wstring& program);

// The argv for execv: the resolved program followed by the remaining words in UTF-8 (Windows
// paths stay Windows paths; the tools map them through the machine themselves).
std::vector<std::string> HostArguments(const std::wstring& commandLine, std::string& program);

}  // namespace platform::host
