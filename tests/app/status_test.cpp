// The platform layer's failure report: what a Status names and how it renders, and a Result's
// value or failure.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/status.h"

namespace {

using platform::Result;
using platform::Status;

TEST(Status, RendersTheCallTheObjectTheCodeAndTheTablesText) {
  struct Case {
    Status status;
    const wchar_t* suffix;
    const wchar_t* reason;
    const wchar_t* describe;
  };
  const Case cases[] = {
      {Status::Win32(5, "CreateFileW", L"\\\\.\\PhysicalDrive1"), L" (error 5)", L"access denied",
       L"CreateFileW \\\\.\\PhysicalDrive1 failed (error 5): access denied"},
      {Status::Win32(1005, "GetVolumeInformationW", L"F:\\"), L" (error 1005)", L"unrecognized volume",
       L"GetVolumeInformationW F:\\ failed (error 1005): unrecognized volume"},
      // A code outside the table keeps its number and goes without a text.
      {Status::Win32(4242, "DeviceIoControl", L"\\\\.\\E:"), L" (error 4242)", L"",
       L"DeviceIoControl \\\\.\\E: failed (error 4242)"},
      // No object, no call.
      {Status::Win32(2, "CreateProcessW"), L" (error 2)", L"file not found",
       L"CreateProcessW failed (error 2): file not found"},
      {Status::Win32(3, ""), L" (error 3)", L"path not found", L"failed (error 3): path not found"},
      // A failure reported without a code never reads as success.
      {Status::Win32(0, "ShellDeleteTree", L"C:\\x"), L" (error 31)", L"device failure",
       L"ShellDeleteTree C:\\x failed (error 31): device failure"},
      // HRESULTs are shown in hexadecimal; one wrapping a Win32 code has that code's text.
      {Status::HResult(static_cast<std::int32_t>(0x80070005u), "DismMountImage", L"C:\\mnt"),
       L" (error 0x80070005)", L"access denied", L"DismMountImage C:\\mnt failed (error 0x80070005): access denied"},
      {Status::HResult(static_cast<std::int32_t>(0xC1420117u), "DismCommitImage"), L" (error 0xC1420117)", L"",
       L"DismCommitImage failed (error 0xC1420117)"},
      // The same failure told about another object.
      {Status::Win32(183, "CreateDirectoryW").On(L"D:\\Tmp"), L" (error 183)", L"already exists",
       L"CreateDirectoryW D:\\Tmp failed (error 183): already exists"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.status.call()));
    EXPECT_FALSE(c.status.ok());
    EXPECT_FALSE(static_cast<bool>(c.status));
    EXPECT_EQ(c.status.Suffix(), c.suffix);
    EXPECT_EQ(c.status.Reason(), c.reason);
    EXPECT_EQ(c.status.Describe(), c.describe);
  }
  EXPECT_TRUE(Status::HResult(static_cast<std::int32_t>(0x80070005u), "x").isHResult());
  EXPECT_EQ(Status::HResult(static_cast<std::int32_t>(0x80070005u), "x").code(), 0x80070005u);
  EXPECT_FALSE(Status::Win32(5, "x").isHResult());
  EXPECT_EQ(Status::Win32(5, "CreateFileW", L"a").call(), "CreateFileW");
  EXPECT_EQ(Status::Win32(5, "CreateFileW", L"a").object(), L"a");
  EXPECT_EQ(platform::ErrorReason(0x80070002u, true), L"file not found");
  EXPECT_EQ(platform::ErrorReason(0x80070002u), L"");  // not a Win32 code

  const Status ok;
  EXPECT_TRUE(ok.ok());
  EXPECT_TRUE(Status::Ok());
  EXPECT_EQ(ok.code(), 0u);
  EXPECT_EQ(ok.Describe(), L"");
  EXPECT_EQ(ok.Suffix(), L"");
  EXPECT_EQ(ok.Reason(), L"");
}

TEST(Status, AResultHoldsItsValueOrTheFailure) {
  Result<std::wstring> made = std::wstring(L"C:\\ProgramData\\diskpart0001\\");
  ASSERT_TRUE(made);
  EXPECT_EQ(*made, L"C:\\ProgramData\\diskpart0001\\");
  EXPECT_EQ(made->size(), 28u);
  EXPECT_TRUE(made.status().ok());
  EXPECT_EQ(made.value_or(L"x"), L"C:\\ProgramData\\diskpart0001\\");

  Result<std::uint32_t> missing = Status::Win32(2, "GetFileAttributesW", L"C:\\gone");
  EXPECT_FALSE(missing);
  EXPECT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().code(), 2u);
  EXPECT_EQ(missing.status().Describe(), L"GetFileAttributesW C:\\gone failed (error 2): file not found");
  EXPECT_EQ(missing.value_or(7), 7u);

  // A value of zero is a value, not a failure; a success Status is no value.
  Result<std::uint32_t> zero = 0u;
  EXPECT_TRUE(zero);
  Result<std::uint32_t> confused = Status::Ok();
  EXPECT_FALSE(confused);
  EXPECT_FALSE(confused.status().ok());

  // A value that can only be moved.
  Result<std::unique_ptr<int>> owned = std::make_unique<int>(4);
  ASSERT_TRUE(owned);
  std::unique_ptr<int> taken = std::move(owned).value();
  EXPECT_EQ(*taken, 4);
  EXPECT_DEATH((void)Result<int>(Status::Win32(5, "x")).value(), "");
}

}  // namespace
