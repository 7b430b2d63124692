#include "platform/volumes.h"

#include <cwctype>
#include <filesystem>

#include "platform/host/errors.h"
#include "sim/machine/machine.h"
#include "platform/types.h"

// Volumes of the simulated machine. A drive's type, label and file system come from its record;
// its used space is the bytes of the files under its root folder.
//
// Fault switches:
//   "volumes.info.<L>" = "<error>"   GetVolumeInformationW on drive L fails with that Windows
//                                    error code (decimal or 0x hex).
//   "volumes.space.<L>" = "fail"     GetDiskFreeSpaceExW on drive L fails (ERROR_GEN_FAILURE).
//   "volumes.label.<L>" = "<error>"  SetVolumeLabelW on drive L fails with that Windows error.
// A drive whose file system is "RAW" fails volume queries with ERROR_UNRECOGNIZED_VOLUME, and
// a drive without media with ERROR_NOT_READY, as Windows does.

namespace fs = std::filesystem;

namespace platform {

namespace {

constexpr std::uint32_t kErrorLabelTooLong = 154;

// The drive letter of a root such as E:\ or E:, upper case; 0 when the text names none.
char LetterOf(const std::wstring& root) {
  if (root.size() < 2 || root[1] != L':' || !std::iswalpha(root[0])) return 0;
  return static_cast<char>(std::towupper(root[0]));
}

std::uint64_t UsedBytes(const std::string& hostRoot) {
  std::uint64_t used = 0;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(hostRoot, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code statusError;
    if (it->is_regular_file(statusError) && !it->is_symlink(statusError)) used += it->file_size(statusError);
  }
  return used;
}

std::uint32_t ParseErrorCode(const std::string& text) {
  try {
    return static_cast<std::uint32_t>(std::stoul(text, nullptr, 0));
  } catch (const std::exception&) {
    return kErrorInvalidParameter;
  }
}

std::uint32_t TypeCode(const std::string& type) {
  if (type == "fixed") return kDriveFixed;
  if (type == "removable") return kDriveRemovable;
  if (type == "cdrom") return kDriveCdRom;
  if (type == "remote") return kDriveRemote;
  if (type == "ramdisk") return kDriveRamDisk;
  return kDriveUnknown;
}

// "\\.\PHYSICALDRIVEn\": the disk's number, or -1 when the text is not of that form.
int PhysicalDriveNumber(const std::wstring& path) {
  const std::wstring prefix = L"\\\\.\\PHYSICALDRIVE";
  if (path.size() <= prefix.size()) return -1;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (static_cast<wchar_t>(std::towupper(path[i])) != prefix[i]) return -1;
  int number = 0;
  std::size_t i = prefix.size();
  for (; i < path.size() && std::iswdigit(path[i]); ++i) number = number * 10 + (path[i] - L'0');
  return i == prefix.size() ? -1 : number;
}

}  // namespace

std::uint32_t LogicalDriveMask() {
  auto machine = host::Machine::Current();
  if (!machine) return 0;
  std::uint32_t mask = 0;
  for (const auto& drive : machine->drives) {
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(drive.letter)));
    if (letter >= 'A' && letter <= 'Z') mask |= 1u << (letter - 'A');
  }
  return mask;
}

std::uint32_t DriveTypeOf(const std::wstring& root) {
  auto machine = host::Machine::Current();
  if (!machine) return kDriveNoRootDir;
  int disk = PhysicalDriveNumber(root);
  if (disk >= 0) {
    const auto* record = machine->FindDisk(disk);
    if (!record) return kDriveNoRootDir;
    return record->removable ? kDriveRemovable : kDriveFixed;
  }
  char letter = LetterOf(root);
  const auto* drive = letter ? machine->FindDrive(letter) : nullptr;
  return drive ? TypeCode(drive->type) : kDriveNoRootDir;
}

namespace {

bool QueryHostVolume(const std::wstring& root, VolumeInformation& info, std::uint32_t& lastError) {
  auto machine = host::Machine::Current();
  char letter = LetterOf(root);
  const auto* drive = machine && letter ? machine->FindDrive(letter) : nullptr;
  if (!drive) {
    lastError = kErrorPathNotFound;
    return false;
  }
  if (auto fault = machine->Fault(std::string("volumes.info.") + letter)) {
    lastError = ParseErrorCode(*fault);
    return false;
  }
  if (!drive->media) {
    lastError = kErrorNotReady;
    return false;
  }
  if (drive->fileSystem == L"RAW") {
    lastError = kErrorUnrecognizedVolume;
    return false;
  }
  info.label = drive->label;
  info.fileSystem = drive->fileSystem;
  // Case-preserved and Unicode names on NTFS and UDF; FAT keeps case-preserved names only.
  info.flags = drive->fileSystem == L"NTFS" ? 0x000700FFu : 0x00000006u;
  if (drive->type == "cdrom") info.flags |= 0x00080000u;  // FILE_READ_ONLY_VOLUME
  lastError = kErrorSuccess;
  return true;
}

}  // namespace

Result<VolumeInformation> QueryVolumeInformation(const std::wstring& root) {
  VolumeInformation info;
  std::uint32_t error = kErrorSuccess;
  if (QueryHostVolume(root, info, error)) return info;
  return Status::Win32(error, "GetVolumeInformationW", root);
}

Status SetVolumeLabelOf(const std::wstring& root, const std::wstring& label) {
  char letter = LetterOf(root);
  std::uint32_t error = kErrorInvalidParameter;
  if (auto machine = host::Machine::Current(); machine && letter) {
    if (auto fault = machine->Fault(std::string("volumes.label.") + letter))
      return Status::Win32(ParseErrorCode(*fault), "SetVolumeLabelW", root);
  }
  bool changed = false;
  if (letter) {
    host::Machine::Update([&](host::MachineDescription& machine) {
      auto* drive = machine.FindDrive(letter);
      if (!drive) {
        error = kErrorPathNotFound;
        return;
      }
      if (!drive->media) {
        error = kErrorNotReady;
        return;
      }
      if (drive->type == "cdrom") {
        error = kErrorAccessDenied;
        return;
      }
      if (drive->fileSystem == L"RAW") {
        error = kErrorUnrecognizedVolume;
        return;
      }
      // FAT labels hold at most 11 characters; Windows refuses longer ones.
      if ((drive->fileSystem == L"FAT32" || drive->fileSystem == L"FAT") && label.size() > 11) {
        error = kErrorLabelTooLong;
        return;
      }
      drive->label = label;
      changed = true;
    });
  }
  if (!changed) return Status::Win32(error, "SetVolumeLabelW", root);
  return {};
}

Result<DiskSpace> QueryDiskSpace(const std::wstring& root) {
  auto machine = host::Machine::Current();
  char letter = LetterOf(root);
  const auto* drive = machine && letter ? machine->FindDrive(letter) : nullptr;
  auto fail = [&](std::uint32_t code) { return Status::Win32(code, "GetDiskFreeSpaceExW", root); };
  if (!drive) return fail(kErrorPathNotFound);
  if (!drive->media) return fail(kErrorNotReady);
  if (machine->Fault(std::string("volumes.space.") + letter)) return fail(kErrorGenFailure);
  std::string hostRoot = host::Machine::DriveRootHostPath(letter);
  if (hostRoot.empty()) return fail(kErrorNotReady);
  std::uint64_t used = UsedBytes(hostRoot);
  DiskSpace space;
  if (drive->type == "cdrom") {
    // A disc is full: its size is what it holds.
    space.totalBytes = std::max(drive->totalBytes, used);
    return space;
  }
  space.totalBytes = drive->totalBytes;
  space.freeBytes = drive->totalBytes > used ? drive->totalBytes - used : 0;
  return space;
}

}  // namespace platform
