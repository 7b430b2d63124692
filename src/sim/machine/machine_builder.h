#pragma once
// Host only: builds simulated machines in folders, for tests and the demo.
//
//   MachineBuilder m(folder);
//   m.Fixed('C', "drives/C");                // the system drive, with the usual folders
//   m.Optical('E', L"GRMCULFRER_EN_DVD");    // returns the host folder of the disc's root
//   m.UsbStick('F', 2, 8ull << 30);          // disk 2, one FAT32 partition mounted as F:
//   m.InstallProgramFiles(folder);           // QvMultiLang.dll and the agreement texts
//   m.Write(); m.Use();                      // machine.json written, DRAVENTA_MACHINE set
#include <cstdint>
#include <string>
#include <vector>

#include "sim/machine/machine.h"

namespace platform::host {

class MachineBuilder {
 public:
  explicit MachineBuilder(std::string folder);

  MachineDescription& Description() { return description_; }
  const std::string& Folder() const { return folder_; }

  // A fixed internal drive on its own SATA disk (disk number `disk`, one NTFS partition).
  // Returns the host folder of its root.
  std::string Fixed(char letter, int disk, std::uint64_t totalBytes = 256ull << 30);
  // An optical drive; `media` false leaves it empty (not ready). Returns its root's host folder.
  std::string Optical(char letter, const std::wstring& label, bool media = true);
  // A USB stick on disk `disk`: MBR, one FAT32 partition (number 1, at 1 MiB) mounted on the
  // letter. `removable` false makes it a USB hard disk that reports itself fixed.
  std::string UsbStick(char letter, int disk, std::uint64_t totalBytes, bool removable = true);
  // A removable USB stick laid out as Windows shows each layout a user's stick may have:
  //   mbr             UsbStick's single MBR FAT32 partition
  //   gpt             a GPT disk with one basic data partition (FAT32) mounted on the letter
  //   two-partitions  MBR: the letter's FAT32 partition on the first half, and a second one
  //                   (FAT32, holding "data.bin") on `secondLetter` (0: the next letter)
  //   raw             MBR: one partition whose volume Windows can't read (a Linux image): RAW
  //   no-table        no partition table: Windows mounts the whole medium as one RAW volume
  //   superfloppy     a FAT32 volume over the whole disk without a partition table (the
  //                   layout reports one partition at offset 0)
  // Returns the host folder of the letter's root; empty for another name.
  // A drive already on `letter` is taken away first, with its disk.
  std::string UsbStickWithLayout(char letter, int disk, std::uint64_t totalBytes, const std::string& layout,
                                 char secondLetter = 0);
  static const std::vector<std::string>& UsbLayoutNames();
  // Makes the stick on `letter` a fake-capacity one: it claims its size but keeps only its
  // first `keptBytes` (sim/machine/fake_stick.h). False when the letter has no disk.
  bool FakeCapacity(char letter, std::uint64_t keptBytes);

  // Puts a host executable (a substitute tool) at a Windows path of the machine, such as
  // C:\Windows\System32\diskpart.exe, as a symbolic link. The drive must exist.
  bool InstallTool(const std::wstring& windowsPath, const std::string& hostExecutable) const;

  // Copies a host file into the machine's program folder (the folder of the running executable)
  // under `name`, replacing a file of that name. The program folder's drive must exist.
  bool InstallProgramFile(const std::wstring& name, const std::string& hostFile) const;
  // Copies every file of a host folder into the program folder: the build assembles the files
  // that lie beside the program (the translation library QvMultiLang.dll and the agreement
  // texts) in one such folder.
  bool InstallProgramFiles(const std::string& hostFolder) const;
  // The host path of the program folder's file `name`.
  std::string ProgramFileHostPath(const std::wstring& name) const;

  // The system default locale identifier (0x409 unless set).
  void SystemLocale(std::uint32_t lcid) { description_.systemLocale = lcid; }

  void Fault(const std::string& name, const std::string& value) { description_.faults[name] = value; }
  void ClearFaults() { description_.faults.clear(); }
  // Makes `account` ("PC\\bob") the owner of the file or folder at `windowsPath`.
  void Owner(const std::wstring& windowsPath, const std::string& account) {
    description_.SetOwner(windowsPath, account);
  }

  // Makes the machine 64-bit Windows (the program then runs under WOW64) or 32-bit Windows.
  void Wow64(bool on) { description_.wow64 = on; }

  // Makes the machine one of the Windows versions the program meets, as far as DISM is
  // concerned (the system drive C: must exist; `toolsFolder` holds the dism.exe substitute):
  //   win7-x86      32-bit, System32\dism.exe 6.1.7601.17514, no dismapi.dll anywhere
  //   win7-x86-adk  as win7-x86, plus the deployment kit's 32-bit dismapi.dll under
  //                 <Program Files>\Windows Kits\10\Assessment and Deployment Kit
  //   win7-x64      WOW64, Program Files (x86), dism.exe 6.1 in System32 and SysWOW64, no dismapi.dll
  //   win10-x64     WOW64, dismapi.dll and dism.exe 10.0.19041.1 in System32 and SysWOW64
  //   win11-x64     as win10-x64 with 10.0.22621.1
  // False for another name.
  bool Windows(const std::string& name, const std::string& toolsFolder);
  static const std::vector<std::string>& WindowsNames();

  // Leaves an image mounted by DISM behind, as a program that ended without unmounting does:
  // the mount record of image `index` of `imageFile` at `mountFolder` (Windows paths on this
  // machine's drives) with `status` (kDismMountStatusOk, NeedsRemount or Invalid), and for Ok
  // and NeedsRemount the image's tree extracted into the folder. Call after the machine's
  // drives exist; false when the image can't be extracted.
  bool LeaveMount(const std::wstring& imageFile, std::uint32_t index, const std::wstring& mountFolder, int status);

  bool Write() const;
  // Points this process (and the processes it starts) at the machine.
  void Use() const;

  std::string HostFolderOf(char letter) const;

 private:
  std::string AddDriveFolder(char letter);
  void AddSinglePartitionDisk(DriveRecord drive, DiskRecord disk, int mbrType, bool active);
  // The host path of a Windows path X:\... on this machine's drive folders; empty when the
  // path has no drive letter.
  std::string HostPathOf(const std::wstring& windowsPath) const;
  int NextVolume();

  std::string folder_;
  MachineDescription description_;
};

}  // namespace platform::host
