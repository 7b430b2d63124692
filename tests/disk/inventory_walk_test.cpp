// The GPT and MBR walks over layout bytes served by a fake device (no machine: no partition
// has a letter or a volume here).
#include <gtest/gtest.h>

#include "disk/drive.h"
#include "disk/inventory_bytes.h"

namespace {

using namespace inventory_test;

constexpr std::uint64_t kCylinder = 255ull * 63 * 512;  // 8,225,280 bytes

struct Expected {
  std::int32_t number;
  std::int32_t kind;
  std::int64_t sizeMB;
  const wchar_t* name;
};

void ExpectEntries(Drive& drive, const std::vector<Expected>& expected) {
  ASSERT_EQ(drive.GetPartitionCount(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const PartitionEntry* entry = drive.GetPartition(i);
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(entry->m_Position, static_cast<std::int32_t>(i));
    EXPECT_EQ(entry->m_Number, expected[i].number);
    EXPECT_EQ(entry->m_Kind, expected[i].kind);
    EXPECT_EQ(entry->m_SizeMB, expected[i].sizeMB);
    EXPECT_EQ(entry->m_Name, expected[i].name);
    EXPECT_TRUE(entry->m_Letter.empty());
  }
}

TEST(InventoryGptWalk, GapsOverTwoMiBBecomeFreeEntriesAndTypesAreClassified) {
  FakeDevice device;
  device.geometry = Geometry(1, 100 * kMiB);
  // 1.5 MiB between the first two (alignment), 3 MiB before the third, 63.5 MiB at the end.
  device.layout = GptLayout({{1 * kMiB, 1 * kMiB, 1, GptKind::MsReserved},
                             {3 * kMiB + kMiB / 2, 10 * kMiB, 2, GptKind::BasicData},
                             {16 * kMiB + kMiB / 2, 20 * kMiB, 3, GptKind::Other}});
  GptDrive drive(&device, 4);
  ExpectEntries(drive, {{1, MsReserved, 1, L"Microsoft reserved partition"},
                        {2, Primary, 10, L""},  // no volume: the type name is gone with the query
                        {0, Unallocated, 3, L"Entry Unused"},
                        {3, Unallocated, 20, L"Entry Unused"},
                        {0, Unallocated, 63, L"Entry Unused"}});
  EXPECT_TRUE(drive.GetPartition(1)->m_Label.empty());
  // The raw copy is the layout's own entry; free space has none.
  EXPECT_EQ(0, std::memcmp(drive.GetPartition(1)->m_Raw.data(), device.layout.data() + 48 + 144, 144));
  EXPECT_EQ(disk::RawPartition{}, drive.GetPartition(2)->m_Raw);
  EXPECT_EQ(L"{12345678-9ABC-DEF0-0123-456789ABCDEF}", drive.GetDiskId());
  EXPECT_EQ(1, drive.GetPartitionStyle());
  EXPECT_EQ(4, drive.GetIndex());
}

TEST(InventoryGptWalk, TrailingSpaceRules) {
  FakeDevice device;
  // A single entry never gets a trailing entry, however much space follows it.
  device.geometry = Geometry(1, 1000 * kMiB);
  device.layout = GptLayout({{kMiB, 10 * kMiB, 1, GptKind::Recovery}});
  GptDrive single(&device, 0);
  ExpectEntries(single, {{1, Primary, 10, L""}});

  // Exactly 2 MiB after the last entry is not free space; a byte more is.
  device.geometry = Geometry(1, 23 * kMiB);
  device.layout = GptLayout({{kMiB, 10 * kMiB, 1, GptKind::EfiSystem}, {11 * kMiB, 10 * kMiB, 2, GptKind::BasicData}});
  GptDrive exact(&device, 0);
  ExpectEntries(exact, {{1, EfiSystem, 10, L"EFI system partition"}, {2, Primary, 10, L""}});
  device.geometry = Geometry(1, 23 * kMiB + 1);
  GptDrive over(&device, 0);
  ASSERT_EQ(3u, over.GetPartitionCount());
  EXPECT_EQ(Unallocated, over.GetPartition(2)->m_Kind);
  EXPECT_EQ(2, over.GetPartition(2)->m_SizeMB);
}

TEST(InventoryGptWalk, LayoutBufferGrowsByFourEntriesUntilTheLayoutFits) {
  FakeDevice device;
  device.geometry = Geometry(1, 200 * kMiB);
  std::vector<GptPart> parts;
  for (std::uint32_t i = 0; i < 10; ++i) parts.push_back({kMiB + i * 10 * kMiB, 10 * kMiB, i + 1, GptKind::BasicData});
  device.layout = GptLayout(parts);  // 48 + 10 * 144 = 1488 bytes
  GptDrive drive(&device, 0);
  EXPECT_EQ((std::vector<std::size_t>{624, 1200, 1776}), device.layoutCapacities);
  ASSERT_EQ(11u, drive.GetPartitionCount());  // ten partitions and the space after them
  EXPECT_EQ(10, drive.GetPartition(9)->m_Number);
  EXPECT_EQ(99, drive.GetPartition(10)->m_SizeMB);
}

TEST(InventoryGptWalk, UnreadableOrEmptyLayoutGivesNoPartitions) {
  FakeDevice device;
  device.geometry = Geometry(1, 100 * kMiB);
  device.failLayout = true;
  GptDrive failed(&device, 0);
  EXPECT_EQ(0u, failed.GetPartitionCount());
  EXPECT_EQ(100 * kMiB, failed.GetDiskSize());

  device.failLayout = false;
  device.layout = GptLayout({});
  GptDrive empty(&device, 0);
  EXPECT_EQ(0u, empty.GetPartitionCount());
}

TEST(InventoryMbrWalk, StickAtOneMiBHasNoLeadingFreeEntry) {
  FakeDevice device;
  const std::uint64_t size = 7800 * kMiB;
  device.geometry = Geometry(0, size);
  device.layout = MbrLayout(0xA1B2C3D4, {{kMiB, size - kMiB, 1, 0x0C}, {}, {}, {}});
  MbrDrive drive(&device, 2);
  ExpectEntries(drive, {{1, Primary, 7799, L""}});
  EXPECT_EQ(std::to_wstring(0xA1B2C3D4u), drive.GetDiskId());
  EXPECT_EQ(0, drive.GetPartitionStyle());
}

TEST(InventoryMbrWalk, GapsAreMeasuredInWholeCylinders) {
  FakeDevice device;
  const std::uint64_t size = 100 * kCylinder;
  device.geometry = Geometry(0, size);
  // Starting in cylinder 1 is no gap; in cylinder 2 it is (one whole cylinder lies between).
  device.layout = MbrLayout(1, {{kCylinder, 10 * kCylinder, 1, 0x07}, {}, {}, {}});
  MbrDrive cylinderOne(&device, 0);
  ASSERT_EQ(2u, cylinderOne.GetPartitionCount());
  EXPECT_EQ(1, cylinderOne.GetPartition(0)->m_Number);
  EXPECT_EQ(static_cast<std::int64_t>(89 * kCylinder / kMiB), cylinderOne.GetPartition(1)->m_SizeMB);

  device.layout = MbrLayout(1, {{2 * kCylinder, size - 2 * kCylinder, 1, 0x07}, {}, {}, {}});
  MbrDrive cylinderTwo(&device, 0);
  ASSERT_EQ(2u, cylinderTwo.GetPartitionCount());
  EXPECT_EQ(Unallocated, cylinderTwo.GetPartition(0)->m_Kind);
  EXPECT_EQ(static_cast<std::int64_t>(2 * kCylinder / kMiB), cylinderTwo.GetPartition(0)->m_SizeMB);
  EXPECT_EQ(1, cylinderTwo.GetPartition(1)->m_Number);
}

TEST(InventoryMbrWalk, PrimariesFollowTheirStartNotTheirSlot) {
  FakeDevice device;
  device.geometry = Geometry(0, 1000 * kMiB);
  device.layout = MbrLayout(1, {{}, {500 * kMiB, 500 * kMiB, 2, 0x07}, {kMiB, 100 * kMiB, 1, 0x0C}, {}});
  MbrDrive drive(&device, 0);
  ExpectEntries(drive, {{1, Primary, 100, L""}, {0, Unallocated, 399, L"Entry Unused"}, {2, Primary, 500, L""}});
}

TEST(InventoryMbrWalk, EmptyExtendedPartitionStandsAsOneLogicalFreeEntry) {
  FakeDevice device;
  device.geometry = Geometry(0, 501 * kMiB);
  device.layout = MbrLayout(1, {{kMiB, 100 * kMiB, 1, 0x07}, {101 * kMiB, 400 * kMiB, 2, 0x0F}, {}, {}});
  MbrDrive drive(&device, 0);
  ExpectEntries(drive, {{1, Primary, 100, L""}, {2, Extended, 400, L""}, {0, Logical, 400, L"Entry Unused"}});
}

TEST(InventoryMbrWalk, LogicalDrivesAndTheGapsAroundThem) {
  FakeDevice device;
  device.geometry = Geometry(0, 2000 * kMiB);
  device.layout = MbrLayout(1, {{kMiB, 99 * kMiB, 1, 0x07},
                                {200 * kMiB, 800 * kMiB, 0, 0x05},
                                {},
                                {},
                                // second logical first in the table: the walk sorts them
                                {500 * kMiB, 100 * kMiB, 6, 0x07},
                                {},
                                {},
                                {},
                                {201 * kMiB, 100 * kMiB, 5, 0x0C},
                                {500 * kMiB - kMiB, 101 * kMiB, 0, 0x05},
                                {},
                                {}});
  MbrDrive drive(&device, 0);
  ExpectEntries(drive, {{1, Primary, 99, L""},
                        {0, Extended, 800, L""},
                        {0, Unallocated, 100, L"Entry Unused"},  // before the extended one, listed after it
                        {5, Logical, 100, L""},
                        {0, Unallocated, 199, L"Entry Unused"},
                        {6, Logical, 100, L""},
                        {0, Unallocated, 400, L"Entry Unused"},
                        {0, Unallocated, 1000, L"Entry Unused"}});
}

TEST(InventoryMbrWalk, MissingOrUnusableGeometry) {
  FakeDevice device;
  device.geometry = Geometry(0, 100 * kMiB);
  device.layout = MbrLayout(1, {{kMiB, 50 * kMiB, 1, 0x07}, {}, {}, {}});
  device.failGeometry = true;
  MbrDrive noGeometry(&device, 0);
  EXPECT_EQ(0u, noGeometry.GetPartitionCount());
  EXPECT_EQ(0u, noGeometry.GetDiskSize());

  // A disk that reports zero heads is still walked (in MiB) instead of dividing by zero.
  device.failGeometry = false;
  device.geometry = Geometry(0, 100 * kMiB, 0, 0, 0);
  MbrDrive zeroGeometry(&device, 0);
  ExpectEntries(zeroGeometry, {{1, Primary, 50, L""}, {0, Unallocated, 49, L"Entry Unused"}});
}

TEST(InventoryRecords, ShortRepliesAreNeverReadPastTheirEnd) {
  // The header claims four entries but only two arrived.
  auto layout = GptLayout({{kMiB, kMiB, 1, GptKind::BasicData}, {2 * kMiB, kMiB, 2, GptKind::BasicData}});
  Put(layout, 4, 4, 4);
  disk::DriveLayout parsed;
  ASSERT_TRUE(disk::ReadDriveLayout(layout, parsed));
  EXPECT_EQ(4u, parsed.count);
  EXPECT_EQ(2u, parsed.entries.size());
  EXPECT_FALSE(disk::ReadDriveLayout(Bytes(47, 0), parsed));

  disk::DiskGeometry geometry;
  EXPECT_FALSE(disk::ReadDiskGeometry(Bytes(31, 0), geometry));
  ASSERT_TRUE(disk::ReadDiskGeometry(Bytes(32, 0), geometry));
  EXPECT_FALSE(geometry.hasStyle);  // such a disk is classified raw, not MBR

  std::uint32_t value = 0;
  EXPECT_FALSE(disk::ReadStorageBusType(Bytes(31, 0), value));
  EXPECT_FALSE(disk::ReadFirstExtentDiskNumber(Bytes(32, 0), value));  // no extents
}

TEST(InventoryRecords, GuidTextRoundTrip) {
  disk::Guid guid;
  ASSERT_TRUE(disk::ParseGuid(L"{ebd0a0a2-b9e5-4433-87c0-68b6b72699c7}", guid));
  EXPECT_EQ(L"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", guid.ToText());
  Bytes bytes;
  PutGptType(bytes, 0, GptKind::BasicData);
  EXPECT_EQ(guid, disk::Guid::Read(bytes.data()));
  EXPECT_FALSE(disk::ParseGuid(L"EBD0A0A2-B9E5-4433-87C0-68B6B72699C", guid));
  EXPECT_FALSE(disk::ParseGuid(L"EBD0A0A2+B9E5-4433-87C0-68B6B72699C7", guid));
}

}  // namespace
