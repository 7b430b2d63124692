#include "statements.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;
using platform::host::DiskRecord;
using platform::host::DriveRecord;
using platform::host::MachineDescription;
using platform::host::PartitionRecord;

namespace diskpart {

namespace {

constexpr std::uint64_t kMiB = 1ull << 20;
constexpr const char* kBasicDataGuid = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";

std::string Lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A word names a keyword when it is the keyword or its first three or more letters.
bool Names(const std::string& word, const std::string& keyword) {
  return word.size() >= 3 && word.size() <= keyword.size() && keyword.compare(0, word.size(), word) == 0;
}

bool ParseNumber(const std::string& word, int& number) {
  if (word.empty() || word.size() > 9 || !std::all_of(word.begin(), word.end(), ::isdigit)) return false;
  number = std::stoi(word);
  return true;
}

Statement Unknown(const std::string& keyword) {
  Statement s;
  s.verb = Verb::Unknown;
  s.keyword = keyword;
  return s;
}

Outcome Fail(std::uint32_t code, std::string message) { return Outcome{code, std::move(message)}; }

// Removes everything inside a drive's root folder, keeping the folder.
void EmptyFolder(const std::string& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  std::vector<fs::path> children;
  for (const auto& entry : fs::directory_iterator(folder, ec)) children.push_back(entry.path());
  for (const auto& child : children) fs::remove_all(child, ec);
}

std::string RootFolder(const DriveRecord& drive, const std::string& machineFolder) {
  if (drive.root.empty()) return {};
  fs::path root(drive.root);
  if (root.is_relative()) root = fs::path(machineFolder) / root;
  return root.lexically_normal().string();
}

DriveRecord* DriveOf(MachineDescription& machine, int disk, int partition) {
  for (auto& d : machine.drives)
    if (d.disk == disk && d.partition == partition) return &d;
  return nullptr;
}

PartitionRecord* PartitionOf(DiskRecord& disk, int number) {
  for (auto& p : disk.partitions)
    if (p.number == number) return &p;
  return nullptr;
}

// The next free N of \Device\HarddiskVolumeN, over lettered and unlettered volumes.
int NextVolume(const MachineDescription& machine) {
  int highest = 0;
  for (const auto& d : machine.drives) highest = std::max(highest, d.volume);
  for (const auto& k : machine.disks)
    for (const auto& p : k.partitions) highest = std::max(highest, p.volume);
  return highest + 1;
}

Outcome SelectDisk(const Statement& s, Session& session, MachineDescription& machine) {
  session.disk = -1;
  session.partition = -1;
  if (!machine.FindDisk(s.number)) return Fail(kBadArguments, "The disk you specified is not valid.");
  session.disk = s.number;
  return {kOk, "Disk " + std::to_string(s.number) + " is now the selected disk."};
}

Outcome SelectPartition(const Statement& s, Session& session, MachineDescription& machine) {
  DiskRecord* disk = machine.FindDisk(session.disk);
  if (!disk) return Fail(kBadArguments, "There is no disk selected to set the partition.");
  session.partition = -1;
  // A volume over the whole disk without a partition table (a superfloppy) is reported as one
  // partition at offset 0, which diskpart does not select.
  const PartitionRecord* partition = PartitionOf(*disk, s.number);
  if (!partition || partition->start == 0) return Fail(kBadArguments, "The partition you specified is not valid.");
  session.partition = s.number;
  return {kOk, "Partition " + std::to_string(s.number) + " is now the selected partition."};
}

Outcome Format(const Statement& s, Session& session, MachineDescription& machine, const std::string& machineFolder) {
  DiskRecord* disk = machine.FindDisk(session.disk);
  PartitionRecord* partition = disk ? PartitionOf(*disk, session.partition) : nullptr;
  if (!partition) return Fail(kBadArguments, "There is no volume selected.");
  std::wstring fileSystem = s.fileSystem.empty() ? L"NTFS" : platform::host::FromUtf8(s.fileSystem);
  for (auto& c : fileSystem) c = static_cast<wchar_t>(std::towupper(c));
  if (fileSystem != L"FAT32" && fileSystem != L"NTFS" && fileSystem != L"FAT" && fileSystem != L"EXFAT")
    return Fail(kBadArguments, "The file system is not valid.");
  // Windows formats FAT32 up to 32 GiB only; nothing is changed on a larger volume.
  if (fileSystem == L"FAT32" && partition->length > kLargestFat32Volume)
    return Fail(kVdsVolumeTooBig, "Virtual Disk Service error:\nThe volume size is too big.\n");

  // A volume that a program holds open (Explorer showing the stick, a scanner) is formatted only
  // when "override" dismounts it first.
  if (const DriveRecord* held = DriveOf(machine, session.disk, session.partition); held && !s.override) {
    if (auto inUse = machine.Fault("diskpart.inUse"); inUse && inUse->find(held->letter) != std::string::npos)
      return Fail(kVdsDeviceInUse, "Virtual Disk Service error:\nThe device is currently in use.\n");
  }

  if (disk->style == "mbr") partition->mbrType = fileSystem == L"FAT32" ? 0x0C : fileSystem == L"NTFS" ? 0x07 : 0x06;
  DriveRecord* drive = DriveOf(machine, session.disk, session.partition);
  if (!drive) {
    // A volume without a drive letter: the partition keeps it until a letter is assigned.
    if (partition->volume == 0) partition->volume = NextVolume(machine);
    partition->fileSystem = fileSystem;
    partition->label.clear();
    return {kOk, "DiskPart successfully formatted the volume."};
  }
  if (auto moved = machine.Fault("diskpart.formatNewLetter"); moved && *moved == "-") {
    // The volume comes back without a drive letter.
    EmptyFolder(RootFolder(*drive, machineFolder));
    partition->volume = drive->volume;
    partition->fileSystem = fileSystem;
    partition->label.clear();
    std::erase_if(machine.drives, [&](const DriveRecord& d) { return &d == drive; });
    return {kOk, "DiskPart successfully formatted the volume."};
  }
  if (auto moved = machine.Fault("diskpart.formatNewLetter"); moved && !moved->empty()) {
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>((*moved)[0])));
    const DriveRecord* other = machine.FindDrive(letter);
    if (other && other != drive) return Fail(kServiceFailure, "The drive letter is in use.");
    drive->letter = letter;
  }
  EmptyFolder(RootFolder(*drive, machineFolder));
  drive->fileSystem = fileSystem;
  drive->label.clear();
  drive->totalBytes = partition->length;
  if (auto delay = machine.Fault("diskpart.letterDelayMs"); delay && !delay->empty()) {
    // A slow stick: its volume is there at once, its drive letter only after the delay.
    partition->volume = drive->volume;
    drive->letterAtMs = platform::host::Machine::NowMs() + std::strtoll(delay->c_str(), nullptr, 10);
  }
  return {kOk, "DiskPart successfully formatted the volume."};
}

Outcome Active(Session& session, MachineDescription& machine) {
  DiskRecord* disk = machine.FindDisk(session.disk);
  PartitionRecord* partition = disk ? PartitionOf(*disk, session.partition) : nullptr;
  if (!partition) return Fail(kBadArguments, "There is no partition selected.");
  if (disk->style != "mbr") return Fail(kServiceFailure, "The selected disk is not a fixed MBR disk.");
  for (auto& p : disk->partitions) p.active = false;
  partition->active = true;
  return {kOk, "DiskPart marked the current partition as active."};
}

Outcome Clean(Session& session, MachineDescription& machine, const std::string& machineFolder) {
  DiskRecord* disk = machine.FindDisk(session.disk);
  if (!disk) return Fail(kBadArguments, "There is no disk selected.");
  for (const auto& d : machine.drives)
    if (d.disk == session.disk) EmptyFolder(RootFolder(d, machineFolder));
  std::erase_if(machine.drives, [&](const DriveRecord& d) { return d.disk == session.disk; });
  disk = machine.FindDisk(session.disk);
  disk->partitions.clear();
  // The partition table is gone, GPT or MBR: the disk is uninitialised until a partition is
  // made on it.
  disk->style = "raw";
  disk->guid.clear();
  disk->signature = 0;
  session.partition = -1;
  return {kOk, "DiskPart succeeded in cleaning the disk."};
}

// One primary partition in the free space after the last one, aligned to 1 MiB: all of that
// space, or `size=` MiB of it.
Outcome CreatePrimary(const Statement& s, Session& session, MachineDescription& machine) {
  DiskRecord* disk = machine.FindDisk(session.disk);
  if (!disk) return Fail(kBadArguments, "There is no disk selected.");
  std::uint64_t start = kMiB;
  int number = 1;
  for (const auto& p : disk->partitions) {
    start = std::max(start, (p.start + p.length + kMiB - 1) / kMiB * kMiB);
    number = std::max(number, p.number + 1);
  }
  if (disk->style == "raw") {
    // An uninitialised disk (a cleaned one) is initialised as MBR, diskpart's default, with a
    // new signature.
    disk->style = "mbr";
    disk->signature = 0x5A000000u + static_cast<std::uint32_t>(disk->number);
  }
  if (disk->style == "mbr" && disk->partitions.size() >= 4)
    return Fail(kServiceFailure, "The disk has no free partition table entry.");
  if (start + kMiB > disk->size) return Fail(kServiceFailure, "There is not enough usable space for this operation.");
  std::uint64_t length = disk->size - start;
  if (s.sizeMiB != 0) {
    if (s.sizeMiB > length / kMiB)
      return Fail(kServiceFailure, "There is not enough usable space for this operation.");
    length = s.sizeMiB * kMiB;
  }
  PartitionRecord p;
  p.number = number;
  p.start = start;
  p.length = length;
  if (disk->style == "mbr") p.mbrType = 0x07;
  else p.gptType = kBasicDataGuid;
  disk->partitions.push_back(p);
  session.partition = number;  // the new partition has the focus, as in diskpart
  return {kOk, "DiskPart succeeded in creating the specified partition."};
}

Outcome Assign(const Statement& s, Session& session, MachineDescription& machine, const std::string& machineFolder) {
  DiskRecord* disk = machine.FindDisk(session.disk);
  PartitionRecord* partition = disk ? PartitionOf(*disk, session.partition) : nullptr;
  if (!partition) return Fail(kBadArguments, "There is no volume selected.");
  const DriveRecord* holder = machine.FindDrive(s.letter);
  DriveRecord* drive = DriveOf(machine, session.disk, session.partition);
  if (holder && holder != drive) return Fail(kServiceFailure, "The specified drive letter is not free to be assigned.");
  if (drive) {
    drive->letter = s.letter;
    return {kOk, "DiskPart successfully assigned the drive letter or mount point."};
  }
  DriveRecord d;
  d.letter = s.letter;
  d.type = disk->removable ? "removable" : "fixed";
  d.bus = disk->bus;
  d.fileSystem = partition->fileSystem.empty() ? L"RAW" : partition->fileSystem;
  d.label = partition->label;
  d.totalBytes = partition->length;
  d.disk = session.disk;
  d.partition = session.partition;
  // The partition's volume now has a letter: the drive record names it from here on.
  d.volume = partition->volume > 0 ? partition->volume : NextVolume(machine);
  // The volume's files live in a folder named after the letter, unless that folder still holds
  // the files of another volume (one that lost this letter and has none now).
  d.root = std::string("drives/") + s.letter;
  std::error_code ec;
  if (!fs::is_empty(RootFolder(d, machineFolder), ec) && !ec) d.root = "drives/volume" + std::to_string(d.volume);
  partition->volume = 0;
  partition->fileSystem.clear();
  partition->label.clear();
  fs::create_directories(RootFolder(d, machineFolder), ec);
  EmptyFolder(RootFolder(d, machineFolder));
  machine.drives.push_back(d);
  return {kOk, "DiskPart successfully assigned the drive letter or mount point."};
}

}  // namespace

Statement Parse(const std::string& line) {
  std::istringstream in(Lower(line));
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  Statement s;
  if (words.empty() || words[0] == "rem") return s;
  const std::string& verb = words[0];
  if (Names(verb, "select")) {
    if (words.size() != 3) return Unknown("select");
    Statement r;
    r.keyword = "select";
    if (Names(words[1], "disk")) r.verb = Verb::SelectDisk;
    else if (Names(words[1], "partition")) r.verb = Verb::SelectPartition;
    else return Unknown("select");
    if (!ParseNumber(words[2], r.number)) return Unknown("select");
    return r;
  }
  if (Names(verb, "format")) {
    Statement r;
    r.verb = Verb::Format;
    r.keyword = "format";
    for (std::size_t i = 1; i < words.size(); ++i) {
      if (words[i].rfind("fs=", 0) == 0) r.fileSystem = words[i].substr(3);
      else if (words[i] == "override") r.override = true;
      else if (words[i] != "quick" && words[i].rfind("label=", 0) != 0) return Unknown("format");
    }
    return r;
  }
  if (Names(verb, "active") && words.size() == 1) return Statement{Verb::Active, "active"};
  if (Names(verb, "clean") && words.size() == 1) return Statement{Verb::Clean, "clean"};
  if (Names(verb, "create")) {
    if (words.size() < 3 || words.size() > 4 || !Names(words[1], "partition") || !Names(words[2], "primary"))
      return Unknown("create");
    Statement r;
    r.verb = Verb::CreatePrimary;
    r.keyword = "create";
    if (words.size() == 4) {
      int size = 0;
      if (words[3].rfind("size=", 0) != 0 || !ParseNumber(words[3].substr(5), size) || size <= 0)
        return Unknown("create");
      r.sizeMiB = static_cast<std::uint64_t>(size);
    }
    return r;
  }
  if (Names(verb, "assign")) {
    if (words.size() == 2 && words[1].rfind("letter=", 0) == 0 && words[1].size() == 8 &&
        std::isalpha(static_cast<unsigned char>(words[1][7]))) {
      Statement r;
      r.verb = Verb::Assign;
      r.keyword = "assign";
      r.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(words[1][7])));
      return r;
    }
    return Unknown("assign");
  }
  if (verb == "exit") return Statement{Verb::Exit, "exit"};
  return Unknown(verb);
}

Outcome Apply(const Statement& statement, Session& session, MachineDescription& machine,
              const std::string& machineFolder) {
  const bool changes = statement.verb == Verb::Format || statement.verb == Verb::Active ||
                       statement.verb == Verb::Clean || statement.verb == Verb::CreatePrimary ||
                       statement.verb == Verb::Assign;
  if (const DiskRecord* disk = machine.FindDisk(session.disk); changes && disk && !disk->media)
    return Fail(kServiceFailure, "There is no media in the device.");
  switch (statement.verb) {
    case Verb::None:
    case Verb::Exit:
      return {};
    case Verb::SelectDisk:
      return SelectDisk(statement, session, machine);
    case Verb::SelectPartition:
      return SelectPartition(statement, session, machine);
    case Verb::Format:
      return Format(statement, session, machine, machineFolder);
    case Verb::Active:
      return Active(session, machine);
    case Verb::Clean:
      return Clean(session, machine, machineFolder);
    case Verb::CreatePrimary:
      return CreatePrimary(statement, session, machine);
    case Verb::Assign:
      return Assign(statement, session, machine, machineFolder);
    case Verb::Unknown:
      break;
  }
  return Fail(kSyntaxError, "The arguments specified for this command are not valid.");
}

}  // namespace diskpart
