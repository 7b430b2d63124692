#include <algorithm>
#include <vector>

#include "disk/drive.h"

namespace {
constexpr std::int64_t kMiB = 1024 * 1024;

bool IsExtendedType(std::uint8_t type) { return type == 0x05 || type == 0x0F; }

// Orders entries by their starting offset; entries that start together keep table order.
std::vector<disk::PartitionInfo> SortedByStart(std::vector<disk::PartitionInfo> entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const disk::PartitionInfo& a, const disk::PartitionInfo& b) { return a.start < b.start; });
  return entries;
}
}  // namespace

MbrDrive::MbrDrive(platform::Device* device, std::int32_t diskNumber) : Drive(device, diskNumber) {
  ReadLayout();  // a layout that can't be read leaves the disk without partitions
}

std::wstring MbrDrive::GetDiskId() { return std::to_wstring(m_Signature); }

bool MbrDrive::IsGap(std::int64_t a, std::int64_t b) const {
  std::int64_t cylinder = static_cast<std::int64_t>(m_TracksPerCylinder) * m_SectorsPerTrack * m_BytesPerSector;
  // A disk that reports no geometry would divide by zero; measure it in MiB instead.
  if (cylinder <= 0) cylinder = kMiB;
  return b / cylinder - a / cylinder - 1 > 0;
}

bool MbrDrive::ReadLayout() {
  disk::DriveLayout layout;
  if (!QueryLayout(layout)) return false;
  m_Signature = layout.signature;
  m_EntryCount = layout.count;
  m_Partition.clear();

  disk::DiskGeometry geometry;
  if (!QueryGeometry(disk::kGeometrySize, geometry)) return true;
  m_TracksPerCylinder = geometry.tracksPerCylinder;
  m_SectorsPerTrack = geometry.sectorsPerTrack;
  m_BytesPerSector = geometry.bytesPerSector;

  std::vector<disk::PartitionInfo> primaries;
  for (std::size_t i = 0; i < layout.entries.size() && i < 4; ++i)
    if (layout.entries[i].mbrType != 0) primaries.push_back(layout.entries[i]);
  primaries = SortedByStart(std::move(primaries));

  std::int64_t previousEnd = 0;
  for (const auto& entry : primaries) {
    if (IsExtendedType(entry.mbrType)) {
      WalkExtended(layout, entry, previousEnd);
      previousEnd = entry.start + entry.length;
      continue;
    }
    if (IsGap(previousEnd, entry.start)) {
      AppendFree(entry.start - previousEnd);
      previousEnd = entry.start;
    }
    PartitionEntry& added = AppendPartition(entry, Primary);
    QueryVolume(added, added.m_Name, added.m_Label);
    previousEnd = entry.start + entry.length;
  }
  std::int64_t diskSize = static_cast<std::int64_t>(GetDiskSize());
  if (IsGap(previousEnd, diskSize)) AppendFree(diskSize - previousEnd);
  return true;
}

void MbrDrive::WalkExtended(const disk::DriveLayout& layout, const disk::PartitionInfo& extended,
                            std::int64_t previousEnd) {
  const std::int64_t extendedStart = extended.start;
  const std::int64_t extendedEnd = extended.start + extended.length;
  PartitionEntry& container = AppendPartition(extended, Extended);
  QueryVolume(container, container.m_Name, container.m_Label);
  // The gap before the extended partition follows it in the list.
  if (IsGap(previousEnd, extendedStart)) AppendFree(extendedStart - previousEnd);

  const std::size_t count = layout.entries.size();
  if (count < 8) {
    // No logical drive is described: the whole extended partition stands as one free entry.
    AppendFree(extended.length, Logical);
    return;
  }
  // Each logical drive opens a group of four entries after the four primary slots.
  std::vector<disk::PartitionInfo> logicals;
  for (std::size_t i = 4; i + 1 < count; i += 4)
    if (layout.entries[i].mbrType != 0) logicals.push_back(layout.entries[i]);
  logicals = SortedByStart(std::move(logicals));

  std::int64_t logicalEnd = extendedStart;
  for (const auto& logical : logicals) {
    std::int64_t start = std::max(logical.start, extendedStart);
    if (IsGap(logicalEnd, start)) {
      AppendFree(start - logicalEnd);
      logicalEnd = start;
    }
    PartitionEntry& added = AppendPartition(logical, Logical);
    QueryVolume(added, added.m_Name, added.m_Label);
    logicalEnd = start + logical.length;
  }
  if (IsGap(logicalEnd, extendedEnd)) AppendFree(extendedEnd - logicalEnd);
}
