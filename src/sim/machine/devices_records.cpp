#include "sim/machine/devices_records.h"

#include <cctype>

namespace platform::host {

namespace {

constexpr std::size_t kEntrySize = 144;
constexpr std::size_t kHeaderSize = 48;

void PutU16(DeviceBytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(DeviceBytes& b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutU64(DeviceBytes& b, std::size_t at, std::uint64_t v) {
  for (std::size_t i = 0; i < 8; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : 0;
}

// Writes a GUID given as text ("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", braces allowed) in
// Windows' byte order; malformed text writes zeros.
void PutGuid(DeviceBytes& b, std::size_t at, const std::string& text) {
  std::string digits;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  if (digits.size() != 32) return;
  auto field = [&](std::size_t from, std::size_t count) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < count; ++i) v = (v << 4) | static_cast<std::uint64_t>(Hex(digits[from + i]));
    return v;
  };
  PutU32(b, at, static_cast<std::uint32_t>(field(0, 8)));
  PutU16(b, at + 4, static_cast<std::uint16_t>(field(8, 4)));
  PutU16(b, at + 6, static_cast<std::uint16_t>(field(12, 4)));
  for (std::size_t i = 0; i < 8; ++i) b[at + 8 + i] = static_cast<std::uint8_t>(field(16 + 2 * i, 2));
}

std::uint32_t StyleCode(const std::string& style) {
  if (style == "mbr") return 0;
  if (style == "gpt") return 1;
  return 2;
}

bool IsExtended(int type) { return type == 0x05 || type == 0x0F; }

void PutMbrEntry(DeviceBytes& b, std::size_t at, std::uint64_t start, std::uint64_t length, int number, int type,
                 bool active, std::uint32_t bytesPerSector) {
  PutU32(b, at, 0);
  PutU64(b, at + 8, start);
  PutU64(b, at + 16, length);
  PutU32(b, at + 24, static_cast<std::uint32_t>(number));
  b[at + 32] = static_cast<std::uint8_t>(type);
  b[at + 33] = active ? 1 : 0;
  b[at + 34] = type != 0 && !IsExtended(type) ? 1 : 0;
  PutU32(b, at + 36, bytesPerSector ? static_cast<std::uint32_t>(start / bytesPerSector) : 0);
}

void PutGptEntry(DeviceBytes& b, std::size_t at, const DiskRecord& disk, const PartitionRecord& p) {
  PutU32(b, at, 1);
  PutU64(b, at + 8, p.start);
  PutU64(b, at + 16, p.length);
  PutU32(b, at + 24, static_cast<std::uint32_t>(p.number));
  PutGuid(b, at + 32, p.gptType);
  // A partition id of its own, stable for the disk and the partition.
  PutU32(b, at + 48, 0x7A000000u + static_cast<std::uint32_t>(disk.number * 256 + p.number));
  b[at + 63] = 0x01;
}

}  // namespace

std::uint32_t BusTypeCode(const std::string& bus) {
  static const std::pair<const char*, std::uint32_t> kBuses[] = {
      {"scsi", 1}, {"atapi", 2}, {"ata", 3},  {"1394", 4},     {"ssa", 5},   {"fibre", 6},
      {"usb", 7},  {"raid", 8},  {"iscsi", 9}, {"sas", 10},    {"sata", 11}, {"sd", 12},
      {"mmc", 13}, {"virtual", 14}, {"spaces", 16}, {"nvme", 17}};
  for (const auto& [name, code] : kBuses)
    if (bus == name) return code;
  return 0;
}

DeviceBytes DiskGeometryBytes(const DiskRecord& disk) {
  DeviceBytes b(56, 0);
  std::uint64_t cylinder =
      static_cast<std::uint64_t>(disk.tracksPerCylinder) * disk.sectorsPerTrack * disk.bytesPerSector;
  PutU64(b, 0, cylinder ? disk.size / cylinder : 0);
  PutU32(b, 8, disk.removable ? 11 : 12);  // RemovableMedia / FixedMedia
  PutU32(b, 12, disk.tracksPerCylinder);
  PutU32(b, 16, disk.sectorsPerTrack);
  PutU32(b, 20, disk.bytesPerSector);
  PutU64(b, 24, disk.size);
  PutU32(b, 32, 24);  // SizeOfPartitionInfo
  PutU32(b, 36, StyleCode(disk.style));
  if (disk.style == "gpt") PutGuid(b, 40, disk.guid);
  else PutU32(b, 40, disk.signature);
  return b;
}

DeviceBytes DriveLayoutBytes(const DiskRecord& disk) {
  std::uint32_t style = StyleCode(disk.style);
  std::vector<const PartitionRecord*> primaries;
  std::vector<const PartitionRecord*> logicals;
  for (const auto& p : disk.partitions) {
    if (style == 0 && p.logical) logicals.push_back(&p);
    else primaries.push_back(&p);
  }
  std::size_t count = 0;
  if (style == 0) count = 4 + 4 * logicals.size();
  else if (style == 1) count = primaries.size();

  DeviceBytes b(kHeaderSize + count * kEntrySize, 0);
  PutU32(b, 0, style);
  PutU32(b, 4, static_cast<std::uint32_t>(count));
  if (style == 0) {
    PutU32(b, 8, disk.signature);
    for (std::size_t i = 0; i < 4; ++i) {
      std::size_t at = kHeaderSize + i * kEntrySize;
      if (i < primaries.size()) {
        const auto& p = *primaries[i];
        PutMbrEntry(b, at, p.start, p.length, p.number, p.mbrType, p.active, disk.bytesPerSector);
      }
    }
    // Each logical drive's boot record holds the drive and the link to the next record.
    std::uint64_t ebrSize = static_cast<std::uint64_t>(disk.sectorsPerTrack) * disk.bytesPerSector;
    for (std::size_t j = 0; j < logicals.size(); ++j) {
      std::size_t at = kHeaderSize + (4 + 4 * j) * kEntrySize;
      const auto& p = *logicals[j];
      PutMbrEntry(b, at, p.start, p.length, p.number, p.mbrType, p.active, disk.bytesPerSector);
      if (j + 1 < logicals.size()) {
        const auto& next = *logicals[j + 1];
        std::uint64_t linkStart = next.start > ebrSize ? next.start - ebrSize : next.start;
        PutMbrEntry(b, at + kEntrySize, linkStart, next.start + next.length - linkStart, 0, 0x05, false,
                    disk.bytesPerSector);
      }
    }
  } else if (style == 1) {
    PutGuid(b, 8, disk.guid);
    PutU64(b, 24, 34ull * disk.bytesPerSector);                                  // StartingUsableOffset
    std::uint64_t reserved = 67ull * disk.bytesPerSector;
    PutU64(b, 32, disk.size > reserved ? disk.size - reserved : 0);              // UsableLength
    PutU32(b, 40, 128);                                                          // MaxPartitionCount
    for (std::size_t i = 0; i < primaries.size(); ++i) PutGptEntry(b, kHeaderSize + i * kEntrySize, disk, *primaries[i]);
  }
  return b;
}

DeviceBytes StorageDescriptorBytes(const std::string& bus, bool removableMedia, bool optical) {
  DeviceBytes b(40, 0);
  PutU32(b, 0, 40);  // Version
  PutU32(b, 4, 40);  // Size
  b[8] = optical ? 0x05 : 0x00;  // CD-ROM or direct-access device
  b[10] = removableMedia ? 1 : 0;
  PutU32(b, 28, BusTypeCode(bus));
  return b;
}

DeviceBytes VolumeExtentsBytes(int diskNumber, std::uint64_t start, std::uint64_t length) {
  DeviceBytes b(32, 0);
  PutU32(b, 0, 1);
  PutU32(b, 8, static_cast<std::uint32_t>(diskNumber));
  PutU64(b, 16, start);
  PutU64(b, 24, length);
  return b;
}

}  // namespace platform::host
