#include "usb_machine_generator.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "platform/message_box.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;
using platform::host::DiskRecord;
using platform::host::DriveRecord;
using platform::host::MachineDescription;
using platform::host::PartitionRecord;

namespace usbgen {

namespace {

constexpr std::uint64_t kMiB = 1ull << 20;
constexpr std::uint64_t kGiBInMiB = 1024;
constexpr const char* kEfiSystem = "C12A7328-F81F-11D2-BA4B-00A0C93EC93B";
constexpr const char* kMsReserved = "E3C9E316-0B5C-4DB8-817D-F92DF00215AE";
constexpr const char* kBasicData = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";
constexpr const char* kRecovery = "DE94BBA4-06D1-4D40-A16A-BFD50179D6AC";
constexpr const char* kLinuxData = "0FC63DAF-8483-4772-8E79-3D69D8477DE4";
constexpr const char* kUserData = "user data";

// Stick and card sizes in MiB: below, at and above the 32 GiB that FAT32 formatting accepts.
const std::uint64_t kStickMiB[] = {1000, 2 * kGiBInMiB, 4 * kGiBInMiB, 8 * kGiBInMiB, 16 * kGiBInMiB, 31 * kGiBInMiB,
                                   32 * kGiBInMiB, 33 * kGiBInMiB, 64 * kGiBInMiB, 128 * kGiBInMiB};
const std::uint64_t kCardMiB[] = {64, 512, 2 * kGiBInMiB, 8 * kGiBInMiB, 32 * kGiBInMiB, 64 * kGiBInMiB};

int HighestVolume(const MachineDescription& machine) {
  int highest = 0;
  for (const auto& d : machine.drives) highest = std::max(highest, d.volume);
  for (const auto& k : machine.disks)
    for (const auto& p : k.partitions) highest = std::max(highest, p.volume);
  return highest;
}

PartitionRecord* FindPartition(DiskRecord& disk, int number) {
  for (auto& p : disk.partitions)
    if (p.number == number) return &p;
  return nullptr;
}

// A partition that can carry a volume (not a container, not a reserved partition).
bool CanHoldVolume(const PartitionRecord& p) {
  return p.number > 0 && p.mbrType != 0x05 && p.mbrType != 0x0F && p.gptType != kMsReserved;
}

std::string RootFolder(const std::string& machineFolder, const std::string& root) {
  return (fs::path(machineFolder) / root).string();
}

class Generator {
 public:
  Generator(std::mt19937& random, platform::host::MachineBuilder& builder) : random_(random), builder_(builder) {
    pool_ = "DEFGHIJKLMNOPQRSTUVWXYZ";
    std::shuffle(pool_.begin(), pool_.end(), random_);
    volume_ = HighestVolume(builder_.Description()) + 10;
  }

  Round Run() {
    int number = 0;  // disk 0 is the system disk
    int disks = Int(1, 5);
    for (int d = 0; d < disks; ++d) {
      number += Int(1, 3);  // numbers with gaps
      switch (Int(0, 99) / 25) {
        case 0: Internal(number); break;
        case 1: UsbHardDisk(number); break;
        case 2: Stick(number); break;
        default: number = CardReader(number); break;
      }
    }
    return Plan();
  }

 private:
  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Chance(int percent) { return Int(0, 99) < percent; }
  char TakeLetter() { return next_ < pool_.size() ? pool_[next_++] : 0; }
  template <typename T, std::size_t N>
  T Pick(const T (&values)[N]) { return values[static_cast<std::size_t>(Int(0, static_cast<int>(N) - 1))]; }

  // Gives the partition a lettered volume (a drive with a root folder holding user data), an
  // unlettered volume, or no volume at all.
  void Volume(const DiskRecord& disk, PartitionRecord& p, bool lettered, bool unletteredVolume,
              const std::wstring& fileSystem) {
    char letter = lettered ? TakeLetter() : 0;
    if (letter) {
      DriveRecord d;
      d.letter = letter;
      d.type = disk.removable ? "removable" : "fixed";
      d.bus = disk.bus;
      d.fileSystem = fileSystem;
      d.totalBytes = p.length;
      d.root = std::string("drives/") + letter;
      d.disk = disk.number;
      d.partition = p.number;
      d.volume = ++volume_;
      test::WriteHostFile(builder_.HostFolderOf(letter) + "/data.bin", kUserData);
      builder_.Description().drives.push_back(d);
    } else if (unletteredVolume) {
      p.volume = ++volume_;
      p.fileSystem = fileSystem;
    }
  }

  DiskRecord NewDisk(int number, const std::string& bus, bool removable, std::uint64_t sizeMiB) {
    DiskRecord disk;
    disk.number = number;
    disk.bus = bus;
    disk.removable = removable;
    disk.size = sizeMiB * kMiB;
    disk.signature = 0x3000u + static_cast<std::uint32_t>(number);
    return disk;
  }

  // Primaries (layout numbers in any order), sometimes an extended partition with logical
  // drives; lengths up to `capMiB` each.
  void MbrLayout(DiskRecord& disk, std::uint64_t capMiB) {
    disk.style = "mbr";
    int primaries = Int(1, 4);
    bool extended = primaries < 4 && Chance(25);
    int logicals = extended ? Int(1, 3) : 0;
    std::vector<int> numbers;
    for (int n = 1; n <= primaries; ++n) numbers.push_back(n);
    std::shuffle(numbers.begin(), numbers.end(), random_);
    const std::uint64_t diskMiB = disk.size / kMiB;
    const std::uint64_t slices = static_cast<std::uint64_t>(primaries + logicals + 1);
    const std::uint64_t most = std::max<std::uint64_t>(64, std::min(capMiB, (diskMiB - 2) / slices));
    std::uint64_t at = 1;
    for (int i = 0; i < primaries; ++i) {
      PartitionRecord p;
      p.number = numbers[static_cast<std::size_t>(i)];
      p.start = at * kMiB;
      std::uint64_t length = static_cast<std::uint64_t>(Int(50, static_cast<int>(most)));
      p.length = length * kMiB;
      bool fat = disk.bus == "usb" && Chance(60);
      p.mbrType = fat ? 0x0C : 0x07;
      p.active = i == 0 && Chance(50);
      Volume(disk, p, Chance(75), Chance(40), fat ? L"FAT32" : L"NTFS");
      disk.partitions.push_back(p);
      at += length + static_cast<std::uint64_t>(Int(0, 20));
    }
    if (!extended) return;
    PartitionRecord container;
    container.number = 0;
    container.start = at * kMiB;
    container.mbrType = 0x0F;
    const std::uint64_t containerStart = at;
    disk.partitions.push_back(container);
    std::size_t containerIndex = disk.partitions.size() - 1;
    at += 1;
    for (int j = 0; j < logicals; ++j) {
      PartitionRecord p;
      p.number = primaries + 1 + j;
      p.logical = true;
      p.start = at * kMiB;
      std::uint64_t length = static_cast<std::uint64_t>(Int(50, static_cast<int>(most)));
      p.length = length * kMiB;
      p.mbrType = 0x07;
      Volume(disk, p, Chance(70), Chance(40), L"NTFS");
      disk.partitions.push_back(p);
      at += length + 1;
    }
    disk.partitions[containerIndex].length = (at - containerStart) * kMiB;
  }

  // EFI system and Microsoft reserved partitions first, then data, recovery and foreign ones,
  // numbered in layout order.
  void GptLayout(DiskRecord& disk, std::uint64_t capMiB) {
    disk.style = "gpt";
    disk.guid = "6A1B2C3D-0000-4000-8000-0000000000" + std::to_string(10 + disk.number % 90);
    struct Part {
      const char* type;
      std::uint64_t lengthMiB;
    };
    std::vector<Part> parts;
    if (Chance(50)) parts.push_back({kEfiSystem, 100});
    if (Chance(50)) parts.push_back({kMsReserved, Chance(50) ? 16u : 128u});
    const std::uint64_t diskMiB = disk.size / kMiB;
    int data = Int(1, 3);
    const std::uint64_t most = std::max<std::uint64_t>(64, std::min(capMiB, (diskMiB - 2000) / static_cast<std::uint64_t>(data + 1)));
    for (int i = 0; i < data; ++i) parts.push_back({kBasicData, static_cast<std::uint64_t>(Int(100, static_cast<int>(most)))});
    if (Chance(30)) parts.push_back({kRecovery, static_cast<std::uint64_t>(Int(450, 900))});
    if (Chance(10)) parts.push_back({kLinuxData, static_cast<std::uint64_t>(Int(100, 800))});
    std::uint64_t at = 1;
    int number = 0;
    for (const auto& part : parts) {
      PartitionRecord p;
      p.number = ++number;
      p.start = at * kMiB;
      p.length = part.lengthMiB * kMiB;
      p.gptType = part.type;
      const std::string type = part.type;
      if (type == kEfiSystem) Volume(disk, p, Chance(10), true, L"FAT32");
      else if (type == kBasicData) Volume(disk, p, Chance(70), Chance(50), Chance(30) ? L"FAT32" : L"NTFS");
      else if (type == kRecovery) Volume(disk, p, false, true, L"NTFS");
      disk.partitions.push_back(p);
      at += part.lengthMiB + static_cast<std::uint64_t>(Int(0, 1));
    }
  }

  void Internal(int number) {
    DiskRecord disk = NewDisk(number, Chance(70) ? "sata" : "nvme", false, static_cast<std::uint64_t>(Int(64, 2048)) * kGiBInMiB);
    if (Chance(40)) GptLayout(disk, 200 * kGiBInMiB);
    else MbrLayout(disk, 200 * kGiBInMiB);
    builder_.Description().disks.push_back(disk);
  }

  // A USB hard disk reports itself fixed; its partitions may be larger than FAT32 formats.
  void UsbHardDisk(int number) {
    DiskRecord disk = NewDisk(number, "usb", false, static_cast<std::uint64_t>(Int(160, 2048)) * kGiBInMiB);
    if (Chance(40)) GptLayout(disk, 300 * kGiBInMiB);
    else MbrLayout(disk, Chance(50) ? 30 * kGiBInMiB : 300 * kGiBInMiB);
    builder_.Description().disks.push_back(disk);
  }

  // One partition over the whole stick; a few sticks report themselves fixed. Some sticks are
  // laid out as users' sticks may be instead: GPT, two partitions, a volume Windows can't read,
  // no partition table, one volume over the whole disk.
  void Stick(int number) {
    static const char* const kLayouts[] = {"gpt", "two-partitions", "raw", "no-table", "superfloppy"};
    if (Chance(30) && LaidOutStick(number, Pick(kLayouts))) return;
    AddWithOneFatPartition(NewDisk(number, "usb", Chance(85), Pick(kStickMiB)), 90);
  }

  // A stick of `layout` (MachineBuilder::UsbStickWithLayout), each of its volumes holding user
  // data; false when the letters have run out.
  bool LaidOutStick(int number, const std::string& layout) {
    const char letter = TakeLetter();
    const char second = layout == "two-partitions" ? TakeLetter() : 0;
    if (!letter || (layout == "two-partitions" && !second)) return false;
    builder_.UsbStickWithLayout(letter, number, Pick(kStickMiB) * kMiB, layout, second);
    // The builder numbers volumes after the lettered ones only; unlettered ones exist here too.
    for (auto& d : builder_.Description().drives)
      if (d.letter == letter || (second && d.letter == second)) {
        d.volume = ++volume_;
        test::WriteHostFile(builder_.HostFolderOf(d.letter) + "/data.bin", kUserData);
      }
    return true;
  }

  // A FAT32 partition from 1 MiB to the end, lettered in `letteredPercent` of the cases.
  void AddWithOneFatPartition(DiskRecord disk, int letteredPercent) {
    PartitionRecord p;
    p.number = 1;
    p.start = kMiB;
    p.length = disk.size - kMiB;
    p.mbrType = 0x0C;
    Volume(disk, p, Chance(letteredPercent), Chance(50), L"FAT32");
    disk.partitions.push_back(p);
    builder_.Description().disks.push_back(disk);
  }

  // A reader with one to four slots, each its own removable USB disk; an empty slot is a disk
  // without its medium, mostly with a drive letter that leads nowhere.
  int CardReader(int number) {
    int slots = Int(1, 4);
    for (int s = 0; s < slots; ++s, ++number) {
      if (Chance(60)) {
        AddWithOneFatPartition(NewDisk(number, "usb", true, Pick(kCardMiB)), 85);
        continue;
      }
      DiskRecord slot = NewDisk(number, "usb", true, 0);
      slot.media = false;
      builder_.Description().disks.push_back(slot);
      char letter = Chance(80) ? TakeLetter() : 0;
      if (!letter) continue;
      DriveRecord d;
      d.letter = letter;
      d.type = "removable";
      d.bus = "usb";
      d.fileSystem.clear();
      d.root = std::string("drives/") + letter;
      d.disk = number;
      d.partition = 1;
      d.volume = ++volume_;
      d.media = false;
      fs::create_directories(builder_.HostFolderOf(letter));
      builder_.Description().drives.push_back(d);
    }
    return number - 1;
  }

  // Partitions that could take a letter, (disk, partition) pairs; never the system disk's, so
  // C: stays where it is.
  std::vector<std::pair<int, int>> VolumeCandidates() const {
    std::vector<std::pair<int, int>> out;
    for (const auto& k : builder_.Description().disks)
      if (k.media && k.number != 0)
        for (const auto& p : k.partitions)
          if (CanHoldVolume(p)) out.emplace_back(k.number, p.number);
    return out;
  }

  Round Plan() {
    const MachineDescription& machine = builder_.Description();
    Round round;
    std::vector<char> lettered, eligible;
    for (const auto& d : machine.drives) {
      lettered.push_back(d.letter);
      if (EligibleHolder(machine, d.letter) >= 0) eligible.push_back(d.letter);
    }
    char nowhere = TakeLetter();
    int choice = Int(0, 99);
    if (choice < 8 && nowhere) round.letter = nowhere;
    else if (choice < 80 && !eligible.empty()) round.letter = eligible[static_cast<std::size_t>(Int(0, static_cast<int>(eligible.size()) - 1))];
    else round.letter = lettered[static_cast<std::size_t>(Int(0, static_cast<int>(lettered.size()) - 1))];

    round.failFormat = Chance(20);
    int renamed = Int(0, 99);
    if (renamed < 8) round.formatNewLetter = TakeLetter();
    else if (renamed < 11) round.formatNewLetter = '-';
    int answer = Int(0, 99);
    if (answer < 15) round.answers = {platform::kIdNo};
    else if (answer < 25) round.answers = {platform::kIdYes, platform::kIdNo};
    else round.answers = {platform::kIdYes, platform::kIdYes};

    const DriveRecord* holder = round.letter == 'C' ? nullptr : machine.FindDrive(round.letter);
    int move = Int(0, 99);
    auto candidates = VolumeCandidates();
    if (holder) {
      std::erase_if(candidates, [&](const std::pair<int, int>& c) {
        return c.first == holder->disk && c.second == holder->partition;
      });
    }
    if (move < 12 && holder && !candidates.empty()) {
      round.move = Move::BeforeCheck;
    } else if (move < 26 && holder && !candidates.empty()) {
      round.move = Move::Reassigned;
      // Mostly a volume on another disk, now and then one beside it on the same disk.
      std::vector<std::pair<int, int>> other;
      for (const auto& c : candidates)
        if (c.first != holder->disk) other.push_back(c);
      if (!other.empty() && Chance(80)) candidates = other;
    } else if (move < 40) {
      round.move = Move::Swapped;
      round.swapSizeMiB = Pick(kStickMiB);
    } else if (move < 50) {
      round.move = Move::Pulled;
    }
    round.wizard = Chance(40);
    round.eraseYes = Chance(85);
    if (round.move == Move::BeforeCheck || round.move == Move::Reassigned) {
      auto target = candidates[static_cast<std::size_t>(Int(0, static_cast<int>(candidates.size()) - 1))];
      round.moveDisk = target.first;
      round.movePartition = target.second;
    }
    return round;
  }

  std::mt19937& random_;
  platform::host::MachineBuilder& builder_;
  std::string pool_;
  std::size_t next_ = 0;
  int volume_ = 0;
};

// The volume on (disk, partition) gets the letter; the volume that had it keeps existing
// without a letter, its files where they were.
void MoveLetterTo(MachineDescription& machine, char letter, int disk, int partition, const std::string& folder) {
  if (DriveRecord* old = machine.FindDrive(letter)) {
    if (DiskRecord* k = machine.FindDisk(old->disk))
      if (PartitionRecord* p = FindPartition(*k, old->partition); p && old->media) {
        p->volume = old->volume;
        p->fileSystem = old->fileSystem;
        p->label = old->label;
      }
    std::erase_if(machine.drives, [&](const DriveRecord& d) { return &d == old; });
  }
  for (auto& d : machine.drives) {
    if (d.disk == disk && d.partition == partition) {
      d.letter = letter;
      return;
    }
  }
  DiskRecord* k = machine.FindDisk(disk);
  PartitionRecord* p = k ? FindPartition(*k, partition) : nullptr;
  if (!p) return;
  DriveRecord d;
  d.letter = letter;
  d.type = k->removable ? "removable" : "fixed";
  d.bus = k->bus;
  d.label = p->label;
  d.fileSystem = p->fileSystem.empty() ? L"RAW" : p->fileSystem;
  d.totalBytes = p->length;
  d.volume = p->volume > 0 ? p->volume : HighestVolume(machine) + 1;
  d.root = "drives/v" + std::to_string(d.volume);
  d.disk = disk;
  d.partition = partition;
  p->volume = 0;
  p->fileSystem.clear();
  p->label.clear();
  test::WriteHostFile(RootFolder(folder, d.root) + "/data.bin", kUserData);
  machine.drives.push_back(d);
}

}  // namespace

Round Generate(std::mt19937& random, platform::host::MachineBuilder& builder) {
  return Generator(random, builder).Run();
}

void ApplyMove(const Round& round, MachineDescription& machine, const std::string& machineFolder) {
  switch (round.move) {
    case Move::None:
      return;
    case Move::BeforeCheck:
    case Move::Reassigned:
      MoveLetterTo(machine, round.letter, round.moveDisk, round.movePartition, machineFolder);
      return;
    case Move::Swapped:
    case Move::Pulled:
      break;
  }
  const DriveRecord* holder = machine.FindDrive(round.letter);
  if (!holder || holder->disk < 0) return;
  const int disk = holder->disk;
  std::erase_if(machine.drives, [&](const DriveRecord& d) { return d.disk == disk; });
  std::erase_if(machine.disks, [&](const DiskRecord& k) { return k.number == disk; });
  if (round.move == Move::Pulled) return;
  // Another stick, plugged in while the question is open, takes the free disk number and letter.
  DiskRecord stick;
  stick.number = disk;
  stick.bus = "usb";
  stick.removable = true;
  stick.size = round.swapSizeMiB * kMiB;
  stick.signature = 0x4000u + static_cast<std::uint32_t>(disk);
  PartitionRecord p;
  p.number = 1;
  p.start = kMiB;
  p.length = stick.size - kMiB;
  p.mbrType = 0x0C;
  stick.partitions.push_back(p);
  DriveRecord d;
  d.letter = round.letter;
  d.type = "removable";
  d.bus = "usb";
  d.fileSystem = L"FAT32";
  d.totalBytes = p.length;
  d.volume = HighestVolume(machine) + 1;
  d.root = "drives/v" + std::to_string(d.volume);
  d.disk = disk;
  d.partition = 1;
  test::WriteHostFile(RootFolder(machineFolder, d.root) + "/data.bin", kUserData);
  machine.disks.push_back(stick);
  machine.drives.push_back(d);
}

int EligibleHolder(const MachineDescription& machine, char letter, int* partition) {
  const DriveRecord* d = machine.FindDrive(letter);
  if (!d || !d->media || d->type == "cdrom" || d->type == "remote" || d->volume <= 0) return -1;
  const DiskRecord* k = machine.FindDisk(d->disk);
  if (!k || !k->media || !(k->removable || k->bus == "usb")) return -1;
  // A disk without a partition table is mounted whole, as partition 0.
  const bool present = std::any_of(k->partitions.begin(), k->partitions.end(),
                                   [&](const PartitionRecord& p) { return p.number == d->partition; }) ||
                       (d->partition == 0 && k->partitions.empty());
  if (!present) return -1;
  if (partition) *partition = d->partition;
  return k->number;
}

bool FormatsInPlace(const MachineDescription& machine, int disk, int partition) {
  const DiskRecord* k = machine.FindDisk(disk);
  if (!k || k->style != "mbr") return false;
  int volumes = 0;
  bool chosen = false;
  for (const auto& p : k->partitions) {
    if (p.number == 0 || p.mbrType == 0x05 || p.mbrType == 0x0F) continue;
    ++volumes;
    chosen = chosen || (p.number == partition && !p.logical && p.start > 0);
  }
  return chosen && volumes == 1;
}

std::string DiskFingerprint(const DiskRecord& disk) {
  std::ostringstream out;
  out << disk.style << " " << disk.size << " media=" << disk.media;
  for (const auto& p : disk.partitions)
    out << " | " << p.number << "@" << p.start << "+" << p.length << " t=" << p.mbrType << p.gptType
        << " a=" << p.active << " l=" << p.logical << " v=" << p.volume << " fs=" << platform::host::ToUtf8(p.fileSystem);
  return out.str();
}

}  // namespace usbgen
