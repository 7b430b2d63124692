#pragma once
// The simulated Windows machine that the host build runs on.
//
// A machine is a folder holding `machine.json` and one folder per drive. The environment
// variable DRAVENTA_MACHINE names the folder. The description lists the drives by letter, the
// physical disks with their partition records, the well-known folders, the system locale and
// fault switches that tests use to make a service fail. Processes share the machine: the program, the substitute
// tools it starts (diskpart, oscdimg) and tests read it afresh when it changes, and change it
// under a file lock.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/system/utf8.h"

namespace platform::host {

constexpr const char* kMachineVariable = "DRAVENTA_MACHINE";
// A file at the root of a folder mapped as an optical disc that holds the disc's label (as in
// Wine's drive mapping); part of the simulation, not of the disc.
constexpr const char* kWindowsLabelFile = ".windows-label";
// English (United States), the system locale of a machine whose description names none.
constexpr std::uint32_t kDefaultSystemLocale = 0x409;
// The owner of everything on the machine unless its description names another.
constexpr const char* kAdministratorsAccount = "BUILTIN\\Administrators";

struct PartitionRecord {
  int number = 0;                 // the layout's PartitionNumber
  std::uint64_t start = 0;        // bytes from the start of the disk
  std::uint64_t length = 0;       // bytes
  int mbrType = 0;                // MBR partition type (0x0C FAT32 LBA, 0x07 NTFS, 0x05/0x0F extended)
  std::string gptType;            // GPT type GUID, upper case, without braces
  bool active = false;            // MBR boot indicator
  bool logical = false;           // MBR logical drive inside the extended partition listed before it
  // A volume on the partition that no drive letter names (an EFI system or recovery partition):
  // N of \Device\HarddiskVolumeN, 0 for none, with its file system and label.
  int volume = 0;
  std::wstring fileSystem{};
  std::wstring label{};
};

struct DiskRecord {
  int number = 0;
  std::string style = "mbr";      // "mbr", "gpt" or "raw"
  std::uint64_t size = 0;         // bytes
  std::string bus = "sata";       // "usb", "sata", "nvme", ...
  bool removable = false;         // removable media (a stick that reports itself removable)
  // false: a removable device without its medium (an empty card reader slot). The disk exists
  // but can't be read: geometry and layout queries fail with ERROR_NOT_READY.
  bool media = true;
  std::uint32_t tracksPerCylinder = 255;
  std::uint32_t sectorsPerTrack = 63;
  std::uint32_t bytesPerSector = 512;
  std::uint32_t signature = 0;    // MBR disk signature
  std::string guid;               // GPT disk GUID
  // A fake-capacity stick: the bytes its flash really keeps, 0 for all it claims
  // (sim/machine/fake_stick.h).
  std::uint64_t keptBytes = 0;
  std::vector<PartitionRecord> partitions;  // in layout order
};

struct DriveRecord {
  char letter = 'C';
  std::string type = "fixed";     // "fixed", "removable", "cdrom", "remote", "ramdisk"
  std::string bus = "sata";       // storage bus of the volume ("usb" for USB volumes)
  std::wstring label;
  std::wstring fileSystem = L"NTFS";
  std::uint64_t totalBytes = 0;
  std::string root;               // folder of the drive's root, relative to the machine folder
  int disk = -1;                  // physical disk behind the volume, -1 for none
  int partition = -1;             // partition number on that disk
  int volume = 0;                 // N of \Device\HarddiskVolumeN (\Device\CdRomN for optical drives)
  bool media = true;              // false: an empty optical drive (not ready)
  // When the system gives the volume its drive letter, in milliseconds since the Unix epoch by
  // the wall clock: until then the drive is left out of Machine::Current() (a slow stick after
  // formatting). 0: always there.
  std::int64_t letterAtMs = 0;
};

struct MachineDescription {
  std::wstring programFolder = L"C:\\Program Files\\Draventa\\";
  std::wstring commonAppData = L"C:\\ProgramData";
  // Where 32-bit programs and Microsoft's deployment kits are installed.
  std::wstring programFilesX86 = L"C:\\Program Files";
  std::wstring systemFolder = L"C:\\Windows\\System32";
  std::wstring windowsFolder = L"C:\\Windows";
  // 64-bit Windows: the program (32-bit) runs under WOW64. Its paths into the system folder are
  // then redirected to <windows>\SysWOW64, and <windows>\Sysnative names the native system
  // folder, as the file system redirector does.
  bool wow64 = false;
  std::wstring currentFolder = L"C:\\Users\\Public\\";
  std::uint32_t systemLocale = kDefaultSystemLocale;  // the system default locale identifier (LCID)
  // The version the system's dism.exe reports.
  std::string dismVersion = "10.0.19041.1";
  std::vector<DriveRecord> drives;
  std::vector<DiskRecord> disks;
  // Fault switches by name, for example "dism.DismMountImage" = "0xc1420117". Each service
  // documents the switches it honours beside its implementation.
  std::map<std::string, std::string> faults;
  // Who owns a file or folder, by its Windows path in lower case without a trailing backslash
  // ("c:\\programdata\\qarvel" = "PC\\bob"); what is not listed belongs to kAdministratorsAccount.
  std::map<std::string, std::string> owners;

  const DriveRecord* FindDrive(char letter) const;
  DriveRecord* FindDrive(char letter);
  const DiskRecord* FindDisk(int number) const;
  DiskRecord* FindDisk(int number);
  std::optional<std::string> Fault(const std::string& name) const;
  std::string OwnerOf(const std::wstring& windowsPath) const;
  void SetOwner(const std::wstring& windowsPath, const std::string& account);
};

class Machine {
 public:
  // The machine this process works on: the folder given to UseFolder, else the one named by
  // DRAVENTA_MACHINE when the process started; empty when neither is set. The environment is
  // read once and never written, so threads may ask at any time.
  static std::string Folder();
  // Makes `folder` (empty: none) the machine of this process from now on.
  static void UseFolder(const std::string& folder);

  // The environment for a child process: this process's environment with DRAVENTA_MACHINE
  // naming the current machine and each of `overrides` ("NAME=value") in place of its name.
  static std::vector<std::string> ChildEnvironment(const std::vector<std::string>& overrides = {});

  // The current description, read afresh when machine.json changed, without the drives whose
  // letter is not given yet (see DriveRecord::letterAtMs). Null when no machine is set or its
  // description can't be read.
  static std::shared_ptr<const MachineDescription> Current();

  // Milliseconds since the Unix epoch by the wall clock, the time of DriveRecord::letterAtMs.
  static std::int64_t NowMs();

  // Changes the description under the machine's file lock and writes it back.
  static bool Update(const std::function<void(MachineDescription&)>& change);

  // Maps a Windows path (E:\sources\boot.wim, \\?\E:\x, a path relative to the current folder)
  // to the host path of the same file, matching each existing name without regard to case as
  // Windows does, and redirecting the system folder on a 64-bit machine (see `wow64`). Empty
  // when the drive does not exist or holds no media.
  static std::string HostPath(const std::wstring& windowsPath);

  // The host folder of a drive's root; empty when the drive does not exist or holds no media.
  static std::string DriveRootHostPath(char letter);

  static bool Write(const std::string& folder, const MachineDescription& description);
  static std::optional<MachineDescription> Read(const std::string& folder);

 private:
  // The WOW64 view of the names below drive `letter` of a path.
  static void RedirectSystemFolder(const MachineDescription& machine, char letter, std::vector<std::wstring>& parts);
};

// UTF-8 <-> wide conversions used throughout the host platform.

}  // namespace platform::host
