#pragma once
// Raw device access: physical drives and volumes opened as devices, device I/O controls whose
// records travel as bytes (parsed by portable code), NT symbolic links and DOS device names.
// Every call that can fail returns a Status or Result (platform/status.h) naming the call, the
// device and the Windows error code.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace platform {

// I/O control codes the program issues.
constexpr std::uint32_t kIoctlDiskGetDriveGeometryEx = 0x000700A0;
constexpr std::uint32_t kIoctlDiskGetDriveLayoutEx = 0x00070050;
constexpr std::uint32_t kIoctlStorageQueryProperty = 0x002D1400;
constexpr std::uint32_t kIoctlVolumeGetVolumeDiskExtents = 0x00560000;

struct DeviceOpenOptions {
  bool write = false;      // GENERIC_WRITE besides GENERIC_READ
  bool createNew = false;  // CREATE_ALWAYS instead of OPEN_EXISTING
  bool writeThrough = false;  // FILE_FLAG_WRITE_THROUGH | FILE_FLAG_RANDOM_ACCESS
  bool readAttributes = false;  // FILE_READ_ATTRIBUTES | FILE_READ_EA (volume queries)
};

class Device {
 public:
  virtual ~Device() = default;
  // DeviceIoControl with an output buffer of `outputCapacity` bytes: the bytes returned. Fails
  // with kErrorInsufficientBuffer when the output buffer is too small.
  virtual Result<std::vector<std::uint8_t>> Control(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                                    std::size_t outputCapacity) = 0;
  // GetVolumeInformationByHandleW.
  struct Volume {
    std::wstring label;
    std::wstring fileSystem;
  };
  virtual Result<Volume> VolumeInformation() = 0;
};

// Opens a device path such as \\.\PhysicalDrive2, \\.\E: or \\?\E: (CreateFileW).
Result<std::unique_ptr<Device>> OpenDevice(const std::wstring& path, const DeviceOpenOptions& options);

// Resolves an NT symbolic link such as \Device\Harddisk2\Partition1 to its target
// (NtOpenSymbolicLinkObject / NtQuerySymbolicLinkObject).
Result<std::wstring> QuerySymbolicLinkTarget(const std::wstring& ntPath);

// The first device name QueryDosDeviceW returns for a DOS name such as "E:".
Result<std::wstring> QueryDosDeviceName(const std::wstring& dosName);

// DefineDosDeviceW(DDD_RAW_TARGET_PATH, name, target).
Status DefineRawDosDevice(const std::wstring& dosName, const std::wstring& target);

// Removes that definition again (DDD_REMOVE_DEFINITION with an exact match on the target).
Status RemoveRawDosDevice(const std::wstring& dosName, const std::wstring& target);

}  // namespace platform
