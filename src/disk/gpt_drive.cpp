#include "disk/drive.h"

namespace {
constexpr std::int64_t kGptGap = 0x200000;  // gaps up to 2 MiB are alignment, not free space

struct GptType {
  const wchar_t* guid;
  std::int32_t kind;
  const wchar_t* name;
  bool queryVolume;
};

const GptType kGptTypes[] = {
    {L"E3C9E316-0B5C-4DB8-817D-F92DF00215AE", MsReserved, L"Microsoft reserved partition", false},
    {L"C12A7328-F81F-11D2-BA4B-00A0C93EC93B", EfiSystem, L"EFI system partition", true},
    {L"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", Primary, L"BASIC data partition", true},
    {L"DE94BBA4-06D1-4D40-A16A-BFD50179D6AC", Primary, L"Windows recovery environment partition", true},
};
}  // namespace

GptDrive::GptDrive(platform::Device* device, std::int32_t diskNumber) : Drive(device, diskNumber) {
  ReadLayout();  // a layout that can't be read leaves the disk without partitions
}

std::wstring GptDrive::GetDiskId() { return m_DiskId.ToRegistryText(); }

void GptDrive::AppendClassified(const disk::PartitionInfo& info) {
  std::wstring typeText = info.gptType.ToText();
  const GptType* type = nullptr;
  for (const auto& candidate : kGptTypes)
    if (typeText == candidate.guid) type = &candidate;
  PartitionEntry& entry = AppendPartition(info, type ? type->kind : Unallocated);
  if (!type) {
    entry.m_Name = L"Entry Unused";
    return;
  }
  entry.m_Name = type->name;
  if (!type->queryVolume) return;
  QueryVolume(entry, entry.m_Name, entry.m_Label);
  // The EFI system partition keeps its type name whatever file system it holds.
  if (type->kind == EfiSystem) entry.m_Name = type->name;
}

bool GptDrive::ReadLayout() {
  disk::DriveLayout layout;
  if (!QueryLayout(layout)) return false;
  m_DiskId = layout.diskId;
  m_EntryCount = layout.count;
  m_Partition.clear();
  // A disk without partitions has no entry 0 to describe.
  if (layout.entries.empty()) return true;

  AppendClassified(layout.entries[0]);
  const std::size_t count = layout.entries.size();
  for (std::size_t i = 1; i < count; ++i) {
    const auto& previous = layout.entries[i - 1];
    const auto& current = layout.entries[i];
    std::int64_t previousEnd = previous.start + previous.length;
    if (current.start > previousEnd + kGptGap) AppendFree(current.start - previousEnd);
    AppendClassified(current);
    if (i == count - 1) {
      std::int64_t end = current.start + current.length;
      auto diskSize = static_cast<std::int64_t>(GetDiskSize());
      if (end + kGptGap < diskSize) AppendFree(diskSize - end);
    }
  }
  return true;
}
