#pragma once
// The host file services' view of the simulated machine's file fault switches
// (sim/machine/file_faults.h): each check records the switch's error code as the thread's last
// error, as the Windows call it stands for would, and returns true when the call must fail.
#include <string>

namespace platform::host {

bool ChangeRefused(const std::string& hostPath);
bool OpenRefused(const std::string& hostPath);
bool ReadRefused(const std::string& hostPath);

}  // namespace platform::host
