#include "platform/devices.h"

#include <cwctype>
#include <map>
#include <mutex>
#include <optional>

#include "platform/errors.h"
#include "sim/machine/devices_records.h"
#include "platform/host/errors.h"
#include "sim/machine/machine.h"
#include "platform/types.h"

// Raw devices of the simulated machine. Every reply is built from the machine description as
// it is at the moment of the call, so a disk that diskpart repartitioned answers with its new
// layout through a handle opened before.
//
// Names:
//   \\.\PhysicalDriveN           disk N
//   \\.\E:, \\?\E:              the volume of drive E (or a name defined with DefineRawDosDevice)
//   \Device\HarddiskN\PartitionM links to \Device\HarddiskVolumeK of the volume on that
//                                partition (a drive whose disk and partition match, or the
//                                partition's own unlettered volume); Partition0 links to
//                                \Device\HarddiskN\DRN
//   E: as a DOS device           \Device\HarddiskVolumeK, or \Device\CdRomK for optical drives
// A drive on partition 0 of a disk without partitions is removable media without a partition
// table, which Windows mounts whole: its volume's extent is the whole disk.
// NT paths can't be opened directly, as with CreateFileW on Windows.
// A disk without its medium (DiskRecord::media false, an empty card reader slot) opens and
// answers the storage query, but its geometry and layout queries fail with ERROR_NOT_READY.
//
// Fault switches:
//   "devices.openFail.diskN" = "<error>"          opening \\.\PhysicalDriveN fails
//   "devices.controlFail.diskN.geometry" = "<error>", ".layout", ".storage"
//                                                  that I/O control on disk N fails
// <error> is a Windows error code (decimal or 0x hex); an unreadable one means access denied.

namespace platform {

namespace {

using host::DiskRecord;
using host::DriveRecord;
using host::Machine;
using host::MachineDescription;
using host::PartitionRecord;

constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint32_t kErrorNoSuchDevice = 433;

std::wstring Upper(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

// Parses a decimal number that makes up the whole of `text`.
std::optional<int> WholeNumber(const std::wstring& text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  int value = 0;
  for (wchar_t c : text) {
    if (!std::iswdigit(c)) return std::nullopt;
    value = value * 10 + (c - L'0');
  }
  return value;
}

std::optional<int> NumberAfter(const std::wstring& upperText, const std::wstring& prefix) {
  if (upperText.rfind(prefix, 0) != 0) return std::nullopt;
  return WholeNumber(upperText.substr(prefix.size()));
}

std::uint32_t ParseError(const std::string& text) {
  try {
    return static_cast<std::uint32_t>(std::stoul(text, nullptr, 0));
  } catch (const std::exception&) {
    return kErrorAccessDenied;
  }
}

const PartitionRecord* FindPartition(const DiskRecord& disk, int number) {
  for (const auto& p : disk.partitions)
    if (p.number == number) return &p;
  return nullptr;
}

// DOS names defined by DefineRawDosDevice, newest definition last.
std::mutex g_dosLock;
std::map<std::wstring, std::vector<std::wstring>> g_dosNames;

std::optional<std::wstring> DefinedDosName(const std::wstring& name) {
  std::lock_guard<std::mutex> guard(g_dosLock);
  auto it = g_dosNames.find(Upper(name));
  if (it == g_dosNames.end() || it->second.empty()) return std::nullopt;
  return it->second.back();
}

std::wstring DriveDeviceName(const DriveRecord& drive) {
  if (drive.type == "cdrom") return L"\\Device\\CdRom" + std::to_wstring(drive.volume);
  if (drive.type == "remote") return L"\\Device\\LanmanRedirector\\;" + std::wstring(1, static_cast<wchar_t>(drive.letter)) + L":";
  return L"\\Device\\HarddiskVolume" + std::to_wstring(drive.volume);
}

// What an open handle refers to; looked up in the machine on every call.
struct Target {
  enum Kind { Disk, Drive, PartitionVolume } kind = Disk;
  int disk = -1;
  int partition = -1;
  char letter = 0;
};

// The device an NT name such as \Device\HarddiskVolume3 stands for.
std::optional<Target> TargetOfDeviceName(const MachineDescription& machine, const std::wstring& ntName) {
  std::wstring upper = Upper(ntName);
  if (auto k = NumberAfter(upper, L"\\DEVICE\\HARDDISKVOLUME"); k && *k > 0) {
    for (const auto& d : machine.drives)
      if (d.volume == *k && d.type != "cdrom" && d.type != "remote") return Target{Target::Drive, d.disk, d.partition, d.letter};
    for (const auto& disk : machine.disks)
      for (const auto& p : disk.partitions)
        if (p.volume == *k) return Target{Target::PartitionVolume, disk.number, p.number, 0};
    return std::nullopt;
  }
  if (auto k = NumberAfter(upper, L"\\DEVICE\\CDROM")) {
    for (const auto& d : machine.drives)
      if (d.volume == *k && d.type == "cdrom") return Target{Target::Drive, -1, -1, d.letter};
    return std::nullopt;
  }
  if (upper.rfind(L"\\DEVICE\\HARDDISK", 0) == 0) {
    std::wstring rest = upper.substr(16);
    auto slash = rest.find(L"\\DR");
    if (slash == std::wstring::npos) return std::nullopt;
    auto n = WholeNumber(rest.substr(0, slash));
    auto m = WholeNumber(rest.substr(slash + 3));
    if (n && m && *n == *m && machine.FindDisk(*n)) return Target{Target::Disk, *n, -1, 0};
  }
  return std::nullopt;
}

class HostDevice : public Device {
 public:
  HostDevice(Target target, std::wstring path) : target_(target), path_(std::move(path)) {}

  Result<std::vector<std::uint8_t>> Control(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                            std::size_t outputCapacity) override {
    std::size_t minimum = 0;
    std::uint32_t lastError = kErrorSuccess;
    auto reply = Reply(code, input, minimum, lastError);
    if (!reply) return Status::Win32(lastError, "DeviceIoControl", path_);
    if (outputCapacity < minimum) return Status::Win32(kErrorInsufficientBuffer, "DeviceIoControl", path_);
    return std::vector<std::uint8_t>(reply->begin(),
                                     reply->begin() + static_cast<std::ptrdiff_t>(std::min(outputCapacity, reply->size())));
  }

  Result<Volume> VolumeInformation() override {
    Volume volume;
    if (QueryVolume(volume.label, volume.fileSystem)) return volume;
    return Status::Win32(volumeError_, "GetVolumeInformationByHandleW", path_);
  }

 private:
  bool QueryVolume(std::wstring& label, std::wstring& fileSystem) {
    volumeError_ = kErrorInvalidFunction;
    auto machine = Machine::Current();
    if (!machine) return false;
    std::wstring foundLabel;
    std::wstring foundFileSystem;
    if (target_.kind == Target::Drive) {
      const DriveRecord* drive = machine->FindDrive(target_.letter);
      if (!drive || !drive->media) {
        volumeError_ = kErrorNotReady;
        return false;
      }
      foundLabel = drive->label;
      foundFileSystem = drive->fileSystem;
    } else if (target_.kind == Target::PartitionVolume) {
      const DiskRecord* disk = machine->FindDisk(target_.disk);
      const PartitionRecord* partition = disk ? FindPartition(*disk, target_.partition) : nullptr;
      if (!partition) return false;
      foundLabel = partition->label;
      foundFileSystem = partition->fileSystem;
    } else {
      return false;  // a whole disk holds no file system
    }
    if (foundFileSystem.empty() || foundFileSystem == L"RAW") {
      volumeError_ = kErrorUnrecognizedVolume;
      return false;
    }
    label = foundLabel;
    fileSystem = foundFileSystem;
    return true;
  }

  // The whole reply of a control and the smallest buffer that may take a part of it.
  std::optional<host::DeviceBytes> Reply(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                         std::size_t& minimum, std::uint32_t& lastError) {
    auto machine = Machine::Current();
    if (!machine) {
      lastError = kErrorNoSuchDevice;
      return std::nullopt;
    }
    const DriveRecord* drive = target_.kind == Target::Drive ? machine->FindDrive(target_.letter) : nullptr;
    if (target_.kind == Target::Drive && !drive) {
      lastError = kErrorNoSuchDevice;
      return std::nullopt;
    }
    // A volume passes disk requests down to the disk that holds it.
    int diskNumber = drive ? drive->disk : target_.disk;
    const DiskRecord* disk = diskNumber >= 0 ? machine->FindDisk(diskNumber) : nullptr;
    auto fault = [&](const char* what) -> bool {
      if (!disk) return false;
      auto value = machine->Fault("devices.controlFail.disk" + std::to_string(disk->number) + "." + what);
      if (value) lastError = ParseError(*value);
      return value.has_value();
    };

    switch (code) {
      case kIoctlDiskGetDriveGeometryEx:
        if (!disk) break;
        if (fault("geometry")) return std::nullopt;
        if (!disk->media) {
          lastError = kErrorNotReady;
          return std::nullopt;
        }
        minimum = 32;
        return host::DiskGeometryBytes(*disk);
      case kIoctlDiskGetDriveLayoutEx: {
        if (!disk) break;
        if (fault("layout")) return std::nullopt;
        if (!disk->media) {
          lastError = kErrorNotReady;
          return std::nullopt;
        }
        auto bytes = host::DriveLayoutBytes(*disk);
        minimum = bytes.size();  // the layout is returned whole or not at all
        return bytes;
      }
      case kIoctlStorageQueryProperty: {
        if (input.size() < 8 || input[0] != 0 || input[4] != 0) {
          lastError = kErrorInvalidParameter;
          return std::nullopt;
        }
        if (fault("storage")) return std::nullopt;
        minimum = 8;
        if (drive) return host::StorageDescriptorBytes(drive->bus, drive->type == "removable", drive->type == "cdrom");
        if (!disk) break;
        return host::StorageDescriptorBytes(disk->bus, disk->removable, false);
      }
      case kIoctlVolumeGetVolumeDiskExtents: {
        if (target_.kind == Target::Disk || !disk) break;
        const PartitionRecord* partition =
            FindPartition(*disk, target_.kind == Target::Drive ? drive->partition : target_.partition);
        if (!partition && target_.kind == Target::Drive && drive->partition == 0 && disk->partitions.empty()) {
          // Removable media without a partition table: the volume is the whole medium.
          minimum = 32;
          return host::VolumeExtentsBytes(disk->number, 0, disk->size);
        }
        if (!partition) break;
        minimum = 32;
        return host::VolumeExtentsBytes(disk->number, partition->start, partition->length);
      }
      default:
        break;
    }
    lastError = kErrorInvalidFunction;
    return std::nullopt;
  }

  Target target_;
  std::wstring path_;
  std::uint32_t volumeError_ = kErrorSuccess;
};

}  // namespace

namespace {
std::unique_ptr<Device> OpenHostDevice(const std::wstring& path, const DeviceOpenOptions& options);
bool ResolveHostLink(const std::wstring& ntPath, std::wstring& target);
}  // namespace

Result<std::unique_ptr<Device>> OpenDevice(const std::wstring& path, const DeviceOpenOptions& options) {
  std::unique_ptr<Device> device = OpenHostDevice(path, options);
  if (device) return device;
  const std::uint32_t code = host::LastErrorCode();
  return Status::Win32(code == kErrorSuccess ? kErrorFileNotFound : code, "CreateFileW", path);
}

namespace {

std::unique_ptr<Device> OpenHostDevice(const std::wstring& path, const DeviceOpenOptions& options) {
  (void)options;  // the simulated devices are never written
  host::SetLastErrorCode(kErrorSuccess);
  auto machine = Machine::Current();
  if (!machine) return nullptr;
  std::wstring upper = Upper(path);
  if (upper.rfind(L"\\\\.\\", 0) != 0 && upper.rfind(L"\\\\?\\", 0) != 0) return nullptr;
  std::wstring name = upper.substr(4);

  if (auto n = NumberAfter(name, L"PHYSICALDRIVE")) {
    if (!machine->FindDisk(*n)) return nullptr;
    if (auto fault = machine->Fault("devices.openFail.disk" + std::to_string(*n))) {
      host::SetLastErrorCode(ParseError(*fault));
      return nullptr;
    }
    return std::make_unique<HostDevice>(Target{Target::Disk, *n, -1, 0}, path);
  }
  if (name.size() == 2 && name[1] == L':') {
    if (auto defined = DefinedDosName(name)) {
      auto target = TargetOfDeviceName(*machine, *defined);
      return target ? std::make_unique<HostDevice>(*target, path) : nullptr;
    }
    const DriveRecord* drive = machine->FindDrive(static_cast<char>(name[0]));
    if (!drive) return nullptr;
    return std::make_unique<HostDevice>(Target{Target::Drive, drive->disk, drive->partition, drive->letter}, path);
  }
  return nullptr;
}

}  // namespace

// An NT name that is no link: STATUS_OBJECT_NAME_NOT_FOUND, ERROR_FILE_NOT_FOUND as a Windows error.
Result<std::wstring> QuerySymbolicLinkTarget(const std::wstring& ntPath) {
  std::wstring target;
  if (ResolveHostLink(ntPath, target)) return target;
  return Status::Win32(kErrorFileNotFound, "NtQuerySymbolicLinkObject", ntPath);
}

namespace {

bool ResolveHostLink(const std::wstring& ntPath, std::wstring& target) {
  auto machine = Machine::Current();
  if (!machine) return false;
  std::wstring upper = Upper(ntPath);
  const std::wstring prefix = L"\\DEVICE\\HARDDISK";
  if (upper.rfind(prefix, 0) != 0) return false;
  std::wstring rest = upper.substr(prefix.size());
  auto split = rest.find(L"\\PARTITION");
  if (split == std::wstring::npos) return false;
  auto disk = WholeNumber(rest.substr(0, split));
  auto partition = WholeNumber(rest.substr(split + 10));
  if (!disk || !partition) return false;
  const DiskRecord* record = machine->FindDisk(*disk);
  if (!record) return false;
  if (*partition == 0) {
    target = L"\\Device\\Harddisk" + std::to_wstring(*disk) + L"\\DR" + std::to_wstring(*disk);
    return true;
  }
  const PartitionRecord* p = FindPartition(*record, *partition);
  if (!p) return false;
  for (const auto& d : machine->drives) {
    if (d.disk == *disk && d.partition == *partition && d.type != "cdrom" && d.volume > 0) {
      target = L"\\Device\\HarddiskVolume" + std::to_wstring(d.volume);
      return true;
    }
  }
  if (p->volume > 0) {
    target = L"\\Device\\HarddiskVolume" + std::to_wstring(p->volume);
    return true;
  }
  return false;
}

}  // namespace

Result<std::wstring> QueryDosDeviceName(const std::wstring& dosName) {
  if (auto defined = DefinedDosName(dosName)) return *defined;
  auto machine = Machine::Current();
  const DriveRecord* drive = nullptr;
  if (machine && dosName.size() == 2 && dosName[1] == L':' && std::iswalpha(dosName[0]))
    drive = machine->FindDrive(static_cast<char>(dosName[0]));
  if (!drive) return Status::Win32(kErrorFileNotFound, "QueryDosDeviceW", dosName);
  return DriveDeviceName(*drive);
}

Status DefineRawDosDevice(const std::wstring& dosName, const std::wstring& target) {
  if (dosName.empty() || target.empty()) return Status::Win32(kErrorInvalidParameter, "DefineDosDeviceW", dosName);
  std::lock_guard<std::mutex> guard(g_dosLock);
  g_dosNames[Upper(dosName)].push_back(target);
  return {};
}

Status RemoveRawDosDevice(const std::wstring& dosName, const std::wstring& target) {
  std::lock_guard<std::mutex> guard(g_dosLock);
  auto it = g_dosNames.find(Upper(dosName));
  if (it != g_dosNames.end()) {
    auto& stack = it->second;
    for (auto entry = stack.rbegin(); entry != stack.rend(); ++entry) {
      if (*entry == target) {
        stack.erase(std::next(entry).base());
        if (stack.empty()) g_dosNames.erase(it);
        return {};
      }
    }
  }
  return Status::Win32(kErrorFileNotFound, "DefineDosDeviceW", dosName);
}

}  // namespace platform
