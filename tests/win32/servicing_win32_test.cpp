// The driver payload from the executable's own resources, and the servicing step on a system
// without dismapi.dll (Wine has none) whose dism.exe does nothing (Wine's prints nothing and
// ends with 0).
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "app/program_data.h"
#include "app/trace_log.h"
#include "platform/files.h"
#include "platform/text.h"
#include "servicing/dism_manager.h"
#include "servicing/dism_operation.h"
#include "servicing/driver_payload.h"

namespace {

// The embedded source folder, as Wine sees the host's file system (drive Z:).
std::wstring SourceRoot() {
  std::wstring path = L"Z:" + platform::AnsiToWide(DRAVENTA_DRIVER_PAYLOAD_ROOT);
  for (auto& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

int CountFiles(const std::wstring& folder) {
  int count = 0;
  (void)platform::ListFolder(folder, [&](const platform::FolderEntry& entry) {
    count += entry.IsFolder() ? CountFiles(folder + L"\\" + entry.name) : 1;
    return true;
  });
  return count;
}

std::string Bytes(const std::wstring& path) {
  std::vector<std::uint8_t> bytes = platform::ReadWholeFile(path).value_or({});
  return std::string(bytes.begin(), bytes.end());
}

TEST(DriverPayloadOnWindows, FilesFromTheExecutablesResourcesMatchTheSources) {
  ExtractDriverPayload();
  const std::wstring base = platform::AnsiToWide(GetProgramDataFolder());
  ASSERT_EQ(DriverPayloadTable.size(), 26u);
  EXPECT_EQ(CountFiles(base + L"U3"), 26);
  for (const auto& [relative, resource] : DriverPayloadTable) {
    std::string written = Bytes(base + relative);
    EXPECT_FALSE(written.empty()) << platform::WideToAnsi(relative);
    EXPECT_EQ(written, Bytes(SourceRoot() + L"\\" + relative)) << platform::WideToAnsi(relative);
  }
}

TEST(DismOnWindows, WithoutDismapiTheStepRunsDismExeAndFailsWhenItDoesNotReportSuccess) {
  if (HMODULE dism = LoadLibraryW(L"dismapi.dll")) {
    FreeLibrary(dism);
    GTEST_SKIP() << "this system has dismapi.dll";
  }
  const std::wstring root = platform::AnsiToWide(GetProgramDataFolder()) + L"ServicingTree\\";
  ASSERT_TRUE(platform::CreateFolderPath(root + L"sources"));
  ASSERT_TRUE(platform::WriteWholeFile(root + L"sources\\boot.wim", std::vector<std::uint8_t>{'M', 'S', 'W', 'I', 'M'}));

  // The step shows its box modally on this thread: another thread reads and closes it.
  std::atomic<bool> done{false};
  std::wstring boxText;
  std::thread closer([&] {
    while (!done) {
      if (HWND box = FindWindowW(L"#32770", L"DismCpp")) {
        wchar_t text[512] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 512);
        boxText = text;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
      Sleep(50);
    }
  });
  DismOperation operation(0, root, platform::AnsiToWide(GetProgramDataFolder()) + L"U3", false);
  std::int32_t result = operation.Excute();
  done = true;
  closer.join();

  EXPECT_EQ(result, 0);
  // Without a display Wine shows no box at all; with one, the box names the failure.
  if (!boxText.empty()) {
    EXPECT_EQ(boxText.rfind(L"DismGetImageInfo failed 0x8000ffff : dism.exe did not report success", 0), 0u)
        << platform::WideToAnsi(boxText);
  }
  const std::string trace = Bytes(app::TraceLogPath());
  EXPECT_NE(trace.find("[DismManager] DISM back-end: dism.exe C:\\windows\\system32\\dism.exe"), std::string::npos);
  EXPECT_NE(trace.find("/English /LogPath:C:\\ProgramData\\Qarvel\\DraventaWin\\log.txt /Get-WimInfo"),
            std::string::npos);
  DeleteFolderTree(root);
}

}  // namespace
