#pragma once
// Builds the disk records Windows returns as raw bytes, field by field at their offsets, and a
// device that serves them, so the inventory's walks can be driven without a machine.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/devices.h"
#include "platform/types.h"

namespace inventory_test {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint64_t kMiB = 1024 * 1024;

inline void Put(Bytes& b, std::size_t at, std::uint64_t value, std::size_t width) {
  if (b.size() < at + width) b.resize(at + width, 0);
  for (std::size_t i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// GUID in Windows byte order from its parts.
inline void PutGuid(Bytes& b, std::size_t at, std::uint32_t d1, std::uint16_t d2, std::uint16_t d3,
                    std::uint64_t d4BigEndian) {
  Put(b, at, d1, 4);
  Put(b, at + 4, d2, 2);
  Put(b, at + 6, d3, 2);
  for (std::size_t i = 0; i < 8; ++i) Put(b, at + 8 + i, (d4BigEndian >> (8 * (7 - i))) & 0xFF, 1);
}

enum class GptKind { BasicData, MsReserved, EfiSystem, Recovery, Other };

inline void PutGptType(Bytes& b, std::size_t at, GptKind kind) {
  switch (kind) {
    case GptKind::BasicData: PutGuid(b, at, 0xEBD0A0A2, 0xB9E5, 0x4433, 0x87C068B6B72699C7ull); break;
    case GptKind::MsReserved: PutGuid(b, at, 0xE3C9E316, 0x0B5C, 0x4DB8, 0x817DF92DF00215AEull); break;
    case GptKind::EfiSystem: PutGuid(b, at, 0xC12A7328, 0xF81F, 0x11D2, 0xBA4B00A0C93EC93Bull); break;
    case GptKind::Recovery: PutGuid(b, at, 0xDE94BBA4, 0x06D1, 0x4D40, 0xA16ABFD50179D6ACull); break;
    case GptKind::Other: PutGuid(b, at, 0x0FC63DAF, 0x8483, 0x4772, 0x8E793D69D8477DE4ull); break;
  }
}

struct MbrPart {
  std::uint64_t start = 0;
  std::uint64_t length = 0;
  std::uint32_t number = 0;
  std::uint8_t type = 0;  // 0: an unused slot
};

struct GptPart {
  std::uint64_t start = 0;
  std::uint64_t length = 0;
  std::uint32_t number = 0;
  GptKind kind = GptKind::BasicData;
};

// DRIVE_LAYOUT_INFORMATION_EX of an MBR disk with the given entries, in table order.
inline Bytes MbrLayout(std::uint32_t signature, const std::vector<MbrPart>& parts) {
  Bytes b(48 + 144 * parts.size(), 0);
  Put(b, 0, 0, 4);
  Put(b, 4, parts.size(), 4);
  Put(b, 8, signature, 4);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::size_t at = 48 + 144 * i;
    Put(b, at + 8, parts[i].start, 8);
    Put(b, at + 16, parts[i].length, 8);
    Put(b, at + 24, parts[i].number, 4);
    Put(b, at + 32, parts[i].type, 1);
  }
  return b;
}

inline Bytes GptLayout(const std::vector<GptPart>& parts) {
  Bytes b(48 + 144 * parts.size(), 0);
  Put(b, 0, 1, 4);
  Put(b, 4, parts.size(), 4);
  PutGuid(b, 8, 0x12345678, 0x9ABC, 0xDEF0, 0x0123456789ABCDEFull);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::size_t at = 48 + 144 * i;
    Put(b, at, 1, 4);
    Put(b, at + 8, parts[i].start, 8);
    Put(b, at + 16, parts[i].length, 8);
    Put(b, at + 24, parts[i].number, 4);
    PutGptType(b, at + 32, parts[i].kind);
  }
  return b;
}

// DISK_GEOMETRY_EX with the partition style after the disk size.
inline Bytes Geometry(std::uint32_t style, std::uint64_t diskSize, std::uint32_t heads = 255,
                      std::uint32_t sectors = 63, std::uint32_t bytesPerSector = 512) {
  Bytes b(56, 0);
  Put(b, 12, heads, 4);
  Put(b, 16, sectors, 4);
  Put(b, 20, bytesPerSector, 4);
  Put(b, 24, diskSize, 8);
  Put(b, 32, 24, 4);
  Put(b, 36, style, 4);
  return b;
}

// A device that serves fixed replies, says "buffer too small" like Windows when the caller's
// capacity can't take the whole layout, and records the capacities it was asked with.
class FakeDevice : public platform::Device {
 public:
  Bytes geometry;
  Bytes layout;
  std::uint32_t busType = 11;
  bool failGeometry = false;
  bool failLayout = false;
  std::vector<std::size_t> layoutCapacities;

  platform::Result<Bytes> Control(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                  std::size_t capacity) override {
    if (code == platform::kIoctlDiskGetDriveGeometryEx && !failGeometry)
      return Bytes(geometry.begin(), geometry.begin() + static_cast<std::ptrdiff_t>(std::min(capacity, geometry.size())));
    if (code == platform::kIoctlDiskGetDriveLayoutEx && !failLayout) {
      layoutCapacities.push_back(capacity);
      if (capacity < layout.size()) return platform::Status::Win32(platform::kErrorInsufficientBuffer, "DeviceIoControl");
      Bytes output = layout;
      output.resize(capacity, 0);
      return output;
    }
    if (code == platform::kIoctlStorageQueryProperty && input.size() == 12) {
      Bytes output(40, 0);
      Put(output, 28, busType, 4);
      return output;
    }
    return platform::Status::Win32(1, "DeviceIoControl");
  }
  platform::Result<Volume> VolumeInformation() override { return platform::Status::Win32(1, "GetVolumeInformationByHandleW"); }
};

}  // namespace inventory_test
