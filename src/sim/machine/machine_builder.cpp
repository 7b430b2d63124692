#include "sim/machine/machine_builder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace platform::host {

MachineBuilder::MachineBuilder(std::string folder) : folder_(fs::absolute(folder).lexically_normal().string()) {
  fs::create_directories(folder_);
}

std::string MachineBuilder::AddDriveFolder(char letter) {
  std::string relative = std::string("drives/") + letter;
  fs::create_directories(fs::path(folder_) / relative);
  return relative;
}

int MachineBuilder::NextVolume() {
  int highest = 0;
  for (const auto& d : description_.drives) highest = std::max(highest, d.volume);
  return highest + 1;
}

std::string MachineBuilder::HostFolderOf(char letter) const {
  return (fs::path(folder_) / "drives" / std::string(1, letter)).string();
}

// A drive on a disk of one MBR partition (number 1, starting at 1 MiB) that fills the volume.
void MachineBuilder::AddSinglePartitionDisk(DriveRecord drive, DiskRecord disk, int mbrType, bool active) {
  drive.root = AddDriveFolder(drive.letter);
  drive.partition = 1;
  drive.volume = NextVolume();
  disk.number = drive.disk;
  disk.style = "mbr";
  disk.bus = drive.bus;
  disk.partitions.push_back(PartitionRecord{1, 1ull << 20, drive.totalBytes, mbrType, "", active});
  description_.drives.push_back(drive);
  description_.disks.push_back(disk);
}

std::string MachineBuilder::Fixed(char letter, int disk, std::uint64_t totalBytes) {
  DriveRecord d;
  d.letter = letter;
  d.type = "fixed";
  d.bus = "sata";
  d.fileSystem = L"NTFS";
  d.totalBytes = totalBytes;
  d.disk = disk;
  DiskRecord k;
  k.size = totalBytes + (1ull << 20);
  k.signature = 0x1000u + static_cast<std::uint32_t>(disk);
  AddSinglePartitionDisk(d, k, 0x07, true);

  if (letter == 'C') {
    for (const char* sub : {"ProgramData", "Windows/System32", "Windows/SysWOW64", "Users/Public", "Program Files/Draventa"})
      fs::create_directories(fs::path(folder_) / description_.drives.back().root / sub);
    // Windows 8 and later: the DISM API in the system folder (and its 32-bit copy in SysWOW64).
    for (const char* dll : {"Windows/System32/dismapi.dll", "Windows/SysWOW64/dismapi.dll"})
      std::ofstream(fs::path(folder_) / description_.drives.back().root / dll) << "DISM API\n";
  }
  return HostFolderOf(letter);
}

std::string MachineBuilder::Optical(char letter, const std::wstring& label, bool media) {
  DriveRecord d;
  d.letter = letter;
  d.type = "cdrom";
  d.bus = "atapi";
  d.label = label;
  d.fileSystem = L"UDF";
  d.root = AddDriveFolder(letter);
  d.media = media;
  d.volume = 0;
  description_.drives.push_back(d);
  return HostFolderOf(letter);
}

std::string MachineBuilder::UsbStick(char letter, int disk, std::uint64_t totalBytes, bool removable) {
  DriveRecord d;
  d.letter = letter;
  d.type = removable ? "removable" : "fixed";
  d.bus = "usb";
  d.fileSystem = L"FAT32";
  d.totalBytes = totalBytes - (1ull << 20);
  d.disk = disk;
  DiskRecord k;
  k.size = totalBytes;
  k.removable = removable;
  k.signature = 0x2000u + static_cast<std::uint32_t>(disk);
  AddSinglePartitionDisk(d, k, 0x0C, false);
  return HostFolderOf(letter);
}

std::string MachineBuilder::HostPathOf(const std::wstring& windowsPath) const {
  if (windowsPath.size() < 3 || windowsPath[1] != L':') return {};
  std::string rest = ToUtf8(windowsPath.substr(3));
  for (auto& c : rest)
    if (c == '\\') c = '/';
  wchar_t letter = windowsPath[0];
  if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
  return (fs::path(HostFolderOf(static_cast<char>(letter))) / rest).string();
}

bool MachineBuilder::InstallTool(const std::wstring& windowsPath, const std::string& hostExecutable) const {
  fs::path target = HostPathOf(windowsPath);
  if (target.empty()) return false;
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  fs::remove(target, ec);
  fs::create_symlink(fs::absolute(hostExecutable), target, ec);
  return !ec;
}

std::string MachineBuilder::ProgramFileHostPath(const std::wstring& name) const {
  std::wstring folder = description_.programFolder;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return HostPathOf(folder + name);
}

bool MachineBuilder::InstallProgramFile(const std::wstring& name, const std::string& hostFile) const {
  fs::path target = ProgramFileHostPath(name);
  if (target.empty() || !description_.FindDrive(static_cast<char>(description_.programFolder[0]))) return false;
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  fs::copy_file(hostFile, target, fs::copy_options::overwrite_existing, ec);
  return !ec;
}

bool MachineBuilder::InstallProgramFiles(const std::string& hostFolder) const {
  std::error_code ec;
  bool any = false;
  for (const auto& entry : fs::directory_iterator(hostFolder, ec)) {
    if (!entry.is_regular_file()) continue;
    if (!InstallProgramFile(FromUtf8(entry.path().filename().string()), entry.path().string())) return false;
    any = true;
  }
  return any && !ec;
}

bool MachineBuilder::Write() const { return Machine::Write(folder_, description_); }

void MachineBuilder::Use() const { Machine::UseFolder(folder_); }

}  // namespace platform::host
