#pragma once
// The host file services' view of the simulated machine's file fault switches
// (sim/machine/file_faults.h): each check records the switch's error code as the thread's last
// error, as the Windows call it stands for would, and returns true when the call must fail.
#include <cstdint>
#include <string>

namespace platform::host {

bool ChangeRefused(const std::string& hostPath);
bool OpenRefused(const std::string& hostPath);
bool ReadRefused(const std::string& hostPath);

// The largest file a FAT32 volume holds: 4 GiB - 1 bytes.
constexpr std::uint64_t kFat32LargestFileBytes = 0xFFFFFFFFull;
// Whether a file at `windowsPath` may not be `bytes` long because its drive is FAT32; records
// ERROR_FILE_TOO_LARGE then, as Windows does on creating or extending such a file.
bool TooLargeForVolume(const std::wstring& windowsPath, std::uint64_t bytes);

}  // namespace platform::host
