#pragma once
// Host only: a Windows exit code has 32 bits where a Linux exit status keeps 8. A substitute
// tool that ends with a Windows code (diskpart ends with the HRESULT of a failed Virtual Disk
// Service call) hands the whole code to the program that started it through a pipe the starter
// opened on descriptor kExitCodeDescriptor and named in kExitCodeVariable.
#include <cstdint>

namespace platform::host {

constexpr const char* kExitCodeVariable = "DRAVENTA_EXIT_CODE_FD";
constexpr int kExitCodeDescriptor = 3;

// Writes `code` into the channel when the starter gave one, and returns the exit status for
// main to return: the code's low 8 bits, or 1 when those are 0 for a code that is not 0, so a
// starter without the channel still sees a failure.
int ExitWithWindowsCode(std::uint32_t code);

}  // namespace platform::host
