#pragma once
// Host only: DISM's mounted images of a simulated machine, recorded in dism-mounts.json in the
// machine folder so they outlive the process that mounted them, as DISM's mounts outlive the
// program. The DISM substitute (sim/dism) keeps them; MachineBuilder can leave one behind.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dism_api.h"

namespace platform::host {

struct MountRecord {
  std::wstring mountPath;  // Windows path, no trailing backslash
  std::wstring imageFile;  // Windows path
  std::uint32_t index = 0;
  int mode = kDismReadWrite;
  std::string arch;        // the image's architecture, empty when unknown
  // kDismMountStatusOk, or the status a mount left by an earlier boot has: NeedsRemount (its
  // folder holds the tree but DISM lost its attachment) or Invalid.
  int status = kDismMountStatusOk;
};

std::vector<MountRecord> ReadMountRecords(const std::string& machineFolder);
bool WriteMountRecords(const std::string& machineFolder, const std::vector<MountRecord>& records);

}  // namespace platform::host
