#include "sim/machine/machine_builder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/host/system/wim_file.h"
#include "sim/machine/dism_mounts.h"

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

const std::vector<std::string>& MachineBuilder::UsbLayoutNames() {
  static const std::vector<std::string> names = {"mbr", "gpt", "two-partitions", "raw", "no-table", "superfloppy"};
  return names;
}

std::string MachineBuilder::UsbStickWithLayout(char letter, int disk, std::uint64_t totalBytes,
                                               const std::string& layout, char secondLetter) {
  if (std::find(UsbLayoutNames().begin(), UsbLayoutNames().end(), layout) == UsbLayoutNames().end()) return {};
  if (const DriveRecord* old = description_.FindDrive(letter)) {
    const int oldDisk = old->disk;
    std::erase_if(description_.drives, [&](const DriveRecord& d) { return d.letter == letter; });
    std::erase_if(description_.disks, [&](const DiskRecord& k) { return k.number == oldDisk; });
  }
  std::string root = UsbStick(letter, disk, totalBytes);
  DriveRecord& drive = description_.drives.back();
  DiskRecord& record = description_.disks.back();
  PartitionRecord& partition = record.partitions.back();
  if (layout == "gpt") {
    // The backup table takes the disk's last sectors.
    record.style = "gpt";
    record.signature = 0;
    record.guid = "5D1C0A77-0000-4000-8000-0000000000" + std::string(1, static_cast<char>('0' + disk / 10 % 10)) +
                  std::string(1, static_cast<char>('0' + disk % 10));
    partition.mbrType = 0;
    partition.gptType = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";
    partition.length = totalBytes - (2ull << 20);
    drive.totalBytes = partition.length;
  } else if (layout == "two-partitions") {
    const std::uint64_t half = totalBytes / 2 / (1ull << 20) * (1ull << 20);
    partition.length = half - (1ull << 20);
    drive.totalBytes = partition.length;
    DriveRecord second = drive;
    second.letter = secondLetter ? secondLetter : static_cast<char>(letter + 1);
    second.root = AddDriveFolder(second.letter);
    second.partition = 2;
    second.volume = NextVolume();
    second.totalBytes = totalBytes - half;
    record.partitions.push_back(PartitionRecord{2, half, second.totalBytes, 0x0C, "", false});
    description_.drives.push_back(second);
    std::ofstream(fs::path(folder_) / second.root / "data.bin") << "user data";
  } else if (layout == "raw") {
    partition.mbrType = 0x83;
    drive.fileSystem = L"RAW";
  } else if (layout == "no-table") {
    record.style = "raw";
    record.signature = 0;
    record.partitions.clear();
    drive.partition = 0;
    drive.fileSystem = L"RAW";
    drive.totalBytes = totalBytes;
  } else if (layout == "superfloppy") {
    record.signature = 0;
    partition.start = 0;
    partition.length = totalBytes;
    drive.totalBytes = totalBytes;
  }
  return root;
}

bool MachineBuilder::FakeCapacity(char letter, std::uint64_t keptBytes) {
  const DriveRecord* drive = description_.FindDrive(letter);
  DiskRecord* disk = drive ? description_.FindDisk(drive->disk) : nullptr;
  if (!disk) return false;
  disk->keptBytes = keptBytes;
  return true;
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

const std::vector<std::string>& MachineBuilder::WindowsNames() {
  static const std::vector<std::string> names = {"win7-x86", "win7-x86-adk", "win7-x64", "win10-x64", "win11-x64"};
  return names;
}

bool MachineBuilder::Windows(const std::string& name, const std::string& toolsFolder) {
  bool win7 = name.rfind("win7-", 0) == 0;
  bool x64 = name.size() > 4 && name.compare(name.size() - 4, 4, "-x64") == 0;
  if (std::find(WindowsNames().begin(), WindowsNames().end(), name) == WindowsNames().end() ||
      !description_.FindDrive('C'))
    return false;
  description_.wow64 = x64;
  description_.programFilesX86 = x64 ? L"C:\\Program Files (x86)" : L"C:\\Program Files";
  description_.dismVersion = win7 ? "6.1.7601.17514" : name == "win11-x64" ? "10.0.22621.1" : "10.0.19041.1";
  std::vector<std::wstring> systemFolders = {L"C:\\Windows\\System32"};
  if (x64) systemFolders.push_back(L"C:\\Windows\\SysWOW64");
  std::error_code ec;
  for (const wchar_t* folder : {L"C:\\Windows\\System32", L"C:\\Windows\\SysWOW64"})
    fs::remove(HostPathOf(std::wstring(folder) + L"\\dismapi.dll"), ec);
  for (const auto& folder : systemFolders) {
    if (!InstallTool(folder + L"\\dism.exe", toolsFolder + "/dism.exe")) return false;
    if (!win7) std::ofstream(HostPathOf(folder + L"\\dismapi.dll")) << "DISM API\n";
  }
  if (name == "win7-x86-adk") {
    fs::path kit = HostPathOf(description_.programFilesX86 +
                              L"\\Windows Kits\\10\\Assessment and Deployment Kit\\Deployment Tools\\x86\\DISM");
    fs::create_directories(kit, ec);
    std::ofstream(kit / "dismapi.dll") << "DISM API\n";
  }
  return true;
}

bool MachineBuilder::LeaveMount(const std::wstring& imageFile, std::uint32_t index, const std::wstring& mountFolder,
                                int status) {
  std::string wimFile = HostPathOf(imageFile);
  std::string folder = HostPathOf(mountFolder);
  if (wimFile.empty() || folder.empty()) return false;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (status != kDismMountStatusInvalid && !wim::ExtractImage(wimFile, index, folder, nullptr).ok) return false;
  std::vector<MountRecord> records = ReadMountRecords(folder_);
  std::wstring mountPath = mountFolder;
  while (mountPath.size() > 3 && mountPath.back() == L'\\') mountPath.pop_back();
  records.push_back(MountRecord{mountPath, imageFile, index, kDismReadWrite, wim::ImageArchitecture(wimFile, index), status});
  return WriteMountRecords(folder_, records);
}

bool MachineBuilder::Write() const { return Machine::Write(folder_, description_); }

void MachineBuilder::Use() const { Machine::UseFolder(folder_); }

}  // namespace platform::host
