#pragma once
// The ISO tool beside the program of a test machine: the oscdimg substitute that the build puts
// in DRAVENTA_TEST_TOOLS in the x86 folder, and boot files of the right shape (a 2 KiB boot
// sector ending in 55 AA, a 1.44 MB EFI image) in both folders, as the job and its check want.
#include "support/temp_machine.h"

namespace test {

// False when DRAVENTA_TEST_TOOLS is unset or the tool can't be installed.
bool InstallIsoTool(TempMachine& machine);

}  // namespace test
