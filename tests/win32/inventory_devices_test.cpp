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
  std::wstring system;
  ASSERT_TRUE(platform::QueryDosDeviceName(L"C:", system));
  EXPECT_FALSE(system.empty());
  // The DOS name is itself an NT symbolic link: ntdll's calls resolve it to the same device.
  std::wstring linked;
  ASSERT_TRUE(platform::QuerySymbolicLinkTarget(L"\\??\\C:", linked));
  EXPECT_EQ(system, linked);

  const std::wstring target = L"\\Device\\DraventaTestVolume";
  ASSERT_TRUE(platform::DefineRawDosDevice(L"1:", target));
  std::wstring found;
  EXPECT_TRUE(platform::QueryDosDeviceName(L"1:", found));
  EXPECT_EQ(target, found);
  EXPECT_TRUE(platform::RemoveRawDosDevice(L"1:", target));
  EXPECT_FALSE(platform::QueryDosDeviceName(L"1:", found));
}

TEST(Win32Devices, MissingDevicesAndLinksFailCleanly) {
  EXPECT_EQ(nullptr, platform::OpenDevice(L"\\\\.\\PhysicalDrive31", {}));
  EXPECT_NE(platform::LastErrorCode(), 0u);
  std::wstring target;
  EXPECT_FALSE(platform::QuerySymbolicLinkTarget(L"\\Device\\Harddisk31\\Partition1", target));
  // The native status is left as a Windows error code (a missing object or path).
  std::uint32_t error = platform::LastErrorCode();
  EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
  wchar_t letter = L'?';
  EXPECT_FALSE(GetPartitionLetter(31, 1, letter));
  EXPECT_EQ(0, letter);
}

}  // namespace
