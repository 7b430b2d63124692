// The Windows raw-device layer where Wine behaves as Windows does: DOS device names, their
// temporary definition and removal, and the failures the inventory relies on. The disk walks
// themselves are checked on byte records in the host tier.
#include <gtest/gtest.h>
#include <windows.h>

#include "disk/volume_utils.h"
#include "platform/devices.h"
#include "platform/errors.h"

namespace {

TEST(Win32Devices, TemporaryDosNameIsDefinedAndRemovedAgain) {
  platform::Result<std::wstring> system = platform::QueryDosDeviceName(L"C:");
  ASSERT_TRUE(system);
  EXPECT_FALSE(system->empty());
  // The DOS name is itself an NT symbolic link: ntdll's calls resolve it to the same device.
  platform::Result<std::wstring> linked = platform::QuerySymbolicLinkTarget(L"\\??\\C:");
  ASSERT_TRUE(linked);
  EXPECT_EQ(*system, *linked);

  const std::wstring target = L"\\Device\\DraventaTestVolume";
  ASSERT_TRUE(platform::DefineRawDosDevice(L"1:", target));
  platform::Result<std::wstring> found = platform::QueryDosDeviceName(L"1:");
  EXPECT_TRUE(found);
  EXPECT_EQ(target, found.value_or(L""));
  EXPECT_TRUE(platform::RemoveRawDosDevice(L"1:", target));
  EXPECT_FALSE(platform::QueryDosDeviceName(L"1:"));
}

TEST(Win32Devices, MissingDevicesAndLinksFailCleanly) {
  platform::Result<std::unique_ptr<platform::Device>> device = platform::OpenDevice(L"\\\\.\\PhysicalDrive31", {});
  EXPECT_FALSE(device);
  EXPECT_NE(device.status().code(), 0u);
  EXPECT_EQ(device.status().call(), "CreateFileW");
  platform::Result<std::wstring> target = platform::QuerySymbolicLinkTarget(L"\\Device\\Harddisk31\\Partition1");
  EXPECT_FALSE(target);
  // The native status is told as a Windows error code (a missing object or path).
  std::uint32_t error = target.status().code();
  EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
  wchar_t letter = L'?';
  EXPECT_FALSE(GetPartitionLetter(31, 1, letter));
  EXPECT_EQ(0, letter);
}

}  // namespace
