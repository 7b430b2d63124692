#include "disk/disk_records.h"

#include <cwctype>

namespace disk {

std::uint16_t ReadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t ReadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t ReadU64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(ReadU32(p)) | (static_cast<std::uint64_t>(ReadU32(p + 4)) << 32);
}

Guid Guid::Read(const std::uint8_t* bytes) {
  Guid g;
  g.data1 = ReadU32(bytes);
  g.data2 = ReadU16(bytes + 4);
  g.data3 = ReadU16(bytes + 6);
  for (std::size_t i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
  return g;
}

namespace {
void AppendHex(std::wstring& out, std::uint64_t value, int digits) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  for (int i = digits - 1; i >= 0; --i) out += kDigits[(value >> (i * 4)) & 0xF];
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  c = static_cast<wchar_t>(std::towupper(c));
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}
}  // namespace

std::wstring Guid::ToText() const {
  std::wstring out;
  AppendHex(out, data1, 8);
  out += L'-';
  AppendHex(out, data2, 4);
  out += L'-';
  AppendHex(out, data3, 4);
  out += L'-';
  AppendHex(out, data4[0], 2);
  AppendHex(out, data4[1], 2);
  out += L'-';
  for (std::size_t i = 2; i < 8; ++i) AppendHex(out, data4[i], 2);
  return out;
}

bool ParseGuid(const std::wstring& text, Guid& guid) {
  std::wstring t = text;
  if (t.size() == 38 && t.front() == L'{' && t.back() == L'}') t = t.substr(1, 36);
  if (t.size() != 36 || t[8] != L'-' || t[13] != L'-' || t[18] != L'-' || t[23] != L'-') return false;
  std::vector<std::uint8_t> nibbles;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (i == 8 || i == 13 || i == 18 || i == 23) continue;
    int v = HexValue(t[i]);
    if (v < 0) return false;
    nibbles.push_back(static_cast<std::uint8_t>(v));
  }
  auto field = [&](std::size_t from, std::size_t digits) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < digits; ++i) v = (v << 4) | nibbles[from + i];
    return v;
  };
  guid.data1 = static_cast<std::uint32_t>(field(0, 8));
  guid.data2 = static_cast<std::uint16_t>(field(8, 4));
  guid.data3 = static_cast<std::uint16_t>(field(12, 4));
  for (std::size_t i = 0; i < 8; ++i) guid.data4[i] = static_cast<std::uint8_t>(field(16 + i * 2, 2));
  return true;
}

bool ReadDiskGeometry(const Bytes& bytes, DiskGeometry& geometry) {
  if (bytes.size() < 32) return false;
  const std::uint8_t* p = bytes.data();
  geometry.cylinders = static_cast<std::int64_t>(ReadU64(p));
  geometry.mediaType = ReadU32(p + 8);
  geometry.tracksPerCylinder = ReadU32(p + 12);
  geometry.sectorsPerTrack = ReadU32(p + 16);
  geometry.bytesPerSector = ReadU32(p + 20);
  geometry.diskSize = ReadU64(p + 24);
  geometry.hasStyle = bytes.size() >= 40;
  geometry.partitionStyle = geometry.hasStyle ? ReadU32(p + 36) : kPartitionStyleRaw;
  return true;
}

PartitionInfo ReadPartition(const std::uint8_t* bytes) {
  PartitionInfo info;
  for (std::size_t i = 0; i < kPartitionEntrySize; ++i) info.raw[i] = bytes[i];
  info.style = ReadU32(bytes);
  info.start = static_cast<std::int64_t>(ReadU64(bytes + 8));
  info.length = static_cast<std::int64_t>(ReadU64(bytes + 16));
  info.number = ReadU32(bytes + 24);
  info.mbrType = bytes[32];
  info.bootIndicator = bytes[33] != 0;
  info.gptType = Guid::Read(bytes + 32);
  return info;
}

bool ReadDriveLayout(const Bytes& bytes, DriveLayout& layout) {
  if (bytes.size() < kLayoutHeaderSize) return false;
  const std::uint8_t* p = bytes.data();
  layout.style = ReadU32(p);
  layout.count = ReadU32(p + 4);
  layout.signature = ReadU32(p + 8);
  layout.diskId = Guid::Read(p + 8);
  layout.entries.clear();
  std::size_t available = (bytes.size() - kLayoutHeaderSize) / kPartitionEntrySize;
  std::size_t count = layout.count < available ? layout.count : available;
  for (std::size_t i = 0; i < count; ++i)
    layout.entries.push_back(ReadPartition(p + kLayoutHeaderSize + i * kPartitionEntrySize));
  return true;
}

Bytes StorageDevicePropertyQuery() {
  // PropertyId = StorageDeviceProperty (0), QueryType = PropertyStandardQuery (0), one byte of
  // AdditionalParameters padded to 12.
  return Bytes(12, 0);
}

bool ReadStorageBusType(const Bytes& bytes, std::uint32_t& busType) {
  if (bytes.size() < 32) return false;
  busType = ReadU32(bytes.data() + 28);
  return true;
}

bool ReadFirstExtentDiskNumber(const Bytes& bytes, std::uint32_t& diskNumber) {
  if (bytes.size() < 12 || ReadU32(bytes.data()) == 0) return false;
  diskNumber = ReadU32(bytes.data() + 8);
  return true;
}

}  // namespace disk
