// How DISM is reached on each kind of Windows, and what the program reads from dism.exe.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "servicing/dism_backend_choice.h"
#include "servicing/dism_exe_output.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kKitDll =
    LR"(C:\Program Files\Windows Kits\10\Assessment and Deployment Kit\Deployment Tools\x86\DISM\dismapi.dll)";

TEST(DismBackendChoice, TheApiOnlyWhereTheProcessIsNativeElseTheSystemsOwnDismExe) {
  struct Case {
    const char* name;
    bool wow64;
    std::vector<std::wstring> files;  // beyond the system drive's folders, which hold no DISM here
    std::wstring chosen;              // empty: none
  };
  const Case cases[] = {
      {"windows 8+ 32-bit", false, {LR"(C:\Windows\System32\dismapi.dll)", LR"(C:\Windows\System32\dism.exe)"},
       LR"(DISM API C:\Windows\System32\dismapi.dll)"},
      {"windows 7 32-bit with the kit", false, {kKitDll, LR"(C:\Windows\System32\dism.exe)"},
       std::wstring(L"DISM API ") + kKitDll},
      {"windows 7 32-bit", false, {LR"(C:\Windows\System32\dism.exe)"}, LR"(dism.exe C:\Windows\System32\dism.exe)"},
      // Under WOW64 the 32-bit copies in SysWOW64 are what the program's System32 shows; the
      // native tool is reached through Sysnative and the API is never loaded.
      {"windows 10 64-bit",
       true,
       {LR"(C:\Windows\System32\dismapi.dll)", LR"(C:\Windows\System32\dism.exe)", LR"(C:\Windows\SysWOW64\dismapi.dll)",
        LR"(C:\Windows\SysWOW64\dism.exe)"},
       LR"(dism.exe C:\Windows\Sysnative\dism.exe)"},
      {"64-bit without a native dism.exe", true, {LR"(C:\Windows\SysWOW64\dism.exe)", LR"(C:\Windows\SysWOW64\dismapi.dll)"},
       L""},
      {"nothing at all", false, {}, L""},
  };
  for (const Case& c : cases) {
    test::TempMachine machine;
    machine.Builder().Wow64(c.wow64);
    machine.Apply();
    for (const char* dll : {"Windows/System32/dismapi.dll", "Windows/SysWOW64/dismapi.dll"})
      fs::remove(machine.Builder().HostFolderOf('C') + "/" + dll);
    for (const std::wstring& file : c.files) {
      // Written where the native system sees them: System32 unredirected.
      std::string host = machine.Builder().HostFolderOf('C') + "/" + platform::host::ToUtf8(file.substr(3));
      for (auto& ch : host)
        if (ch == '\\') ch = '/';
      fs::create_directories(fs::path(host).parent_path());
      test::WriteHostFile(host, "x");
    }
    auto backend = DismCpp::ChooseDismBackend(1000);
    EXPECT_EQ(backend ? backend->Description() : L"", c.chosen) << c.name;
  }
}

TEST(DismExeOutput, ProgressListingsErrorTextAndExitCodes) {
  // The bar is redrawn with carriage returns and may arrive split anywhere.
  DismCpp::DismExeOutput output;
  using Figures = std::vector<int>;
  EXPECT_EQ(output.Add("\r\nDeployment Image Servicing and Management tool\r\nVersion: 6.1.7601.17514\r\n\r\nMounting image\r\n[=="),
            Figures{});
  EXPECT_EQ(output.Add("=========   40.0%      ]\r[=============   6"), Figures{400});
  EXPECT_EQ(output.Add("2.5%   ]\r[====100.0%====]\r[== 3.0% ==][==========================100.0%==========================]\r\n"),
            (Figures{625, 1000, 30, 1000}));
  EXPECT_EQ(output.Add("[no figure] [150%] [.5%]\r\nThe operation completed successfully.\r\n"), Figures{});

  const std::string wimInfo =
      "Details for image : E:\\sources\\boot.wim\r\n\r\nIndex : 1\r\nName : Microsoft Windows PE (x86)\r\n"
      "Description : Microsoft Windows PE (x86)\r\nSize : 1,234 bytes\r\n\r\nIndex : 2\r\nName : Microsoft Windows Setup "
      "(x86)\r\nSize : 5,678 bytes\r\n\r\nThe operation completed successfully.\r\n";
  EXPECT_EQ(DismCpp::DismExeImageCount(wimInfo), 2u);
  EXPECT_EQ(DismCpp::DismExeImageCount("junk \x01\x02 Index: x\r\nIndex : none\r\n"), 0u);

  const std::string mounted =
      "Mounted images:\r\n\r\nMount Dir : C:\\ProgramData\\Qarvel\\DraventaWin\\2130\r\nImage File : E:\\boot.wim\r\n"
      "Image Index : 2\r\nMounted Read/Write : Yes\r\nStatus : Needs Remount\r\n\r\nMount Dir : D:\\m\r\n"
      "Image File : D:\\x.wim\r\nImage Index : 1\r\nMounted Read/Write : No\r\nStatus : Invalid\r\n\r\n"
      "The operation completed successfully.\r\n";
  auto images = DismCpp::DismExeMountedImages(mounted);
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].mountPath, L"C:\\ProgramData\\Qarvel\\DraventaWin\\2130");
  EXPECT_EQ(images[0].imageFilePath, L"E:\\boot.wim");
  EXPECT_EQ(images[0].imageIndex, 2u);
  EXPECT_EQ(images[0].mountMode, platform::kDismReadWrite);
  EXPECT_EQ(images[0].mountStatus, platform::kDismMountStatusNeedsRemount);
  EXPECT_EQ(images[1].mountMode, platform::kDismReadOnly);
  EXPECT_EQ(images[1].mountStatus, platform::kDismMountStatusInvalid);
  EXPECT_TRUE(DismCpp::DismExeMountedImages("No mounted images found.\r\n").empty());

  EXPECT_EQ(DismCpp::DismExeErrorText("Mounting image\r\n\r\nError: 0xc1420127\r\n\r\nThe specified image is already "
                                      "mounted\r\nfor read/write access.\r\n\r\nThe DISM log file can be found at "
                                      "C:\\log.txt\r\n"),
            L"The specified image is already mounted for read/write access.");
  EXPECT_EQ(DismCpp::DismExeErrorText("no error line here\r\n"), L"");

  EXPECT_EQ(DismCpp::DismExeResult(0), platform::kDismOk);
  EXPECT_EQ(DismCpp::DismExeResult(2), static_cast<platform::DismResult>(0x80070002u));
  EXPECT_EQ(DismCpp::DismExeResult(87), static_cast<platform::DismResult>(0x80070057u));
  EXPECT_EQ(DismCpp::DismExeResult(0xC1420127u), static_cast<platform::DismResult>(0xC1420127u));
}

}  // namespace
