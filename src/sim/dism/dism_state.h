#pragma once
// Host only: the DISM substitute's state. In this process: initialisation, sessions, DISM's
// allocations, the last error text per thread and the call log. On the machine: the mounted
// images, recorded in dism-mounts.json in the machine folder so they outlive the process as
// DISM's mounts outlive the program.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dism_api.h"
#include "sim/machine/dism_mounts.h"

namespace platform::host::dism {

using platform::host::MountRecord;

struct State {
  std::mutex lock;
  bool loaded = false;  // LoadDismApi succeeded (or the dism.exe substitute unlocked the API)
  bool initialized = false;
  std::wstring logFile;
  std::map<DismSessionHandle, std::wstring> sessions;  // session -> mount path
  DismSessionHandle nextSession = 1;
  std::map<std::string, int> callCounts;
  std::vector<std::string> calls;
};
State& TheState();

// Records the call and answers the fault switch for it, if any (the HRESULT to fail with).
std::optional<DismResult> RecordCall(const std::string& name, const std::string& arguments);

void SetLastError(const std::wstring& text);
void ClearLastError();
std::wstring LastError();

// Appends a line to the DISM log named at DismInitialize.
void Log(const std::wstring& line);

void* AllocateText(const std::wstring& text);
void* AllocateImageInfo(std::uint32_t count);
bool Release(void* structure);

// The mounted-image records of the machine.
std::vector<MountRecord> ReadMounts();
bool WriteMounts(const std::vector<MountRecord>& records);
// Windows paths compared as Windows does: case-insensitive, trailing backslash ignored.
bool SamePath(const std::wstring& a, const std::wstring& b);
std::wstring WithoutBackslash(std::wstring path);
// Whether the mount is still usable: its folder and its image file exist, and it was not left
// invalid.
bool MountIsValid(const MountRecord& record);
// The status DismGetMountedImageInfo reports for the mount.
int MountStatus(const MountRecord& record);

}  // namespace platform::host::dism
