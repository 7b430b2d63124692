#include "windows_machine.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/program_data.h"
#include "disk/diskpart_script.h"
#include "disk/usb_manager.h"
#include "servicing/dism_manager.h"
#include "platform/folders.h"
#include "sim/dism/dism_state.h"
#include "sim/probes/folder_browser_script.h"
#include "sim/machine/machine.h"
#include "sim/probes/main_window_probe.h"
#include "sim/probes/message_box_script.h"
#include "platform/main_window.h"
#include "platform/text.h"
#include "support/iso_tool.h"
#include "support/sample_disc.h"

namespace fs = std::filesystem;

namespace e2e {

namespace {
constexpr const char kUserFile[] = "/old-user-file.txt";
}

RecordingObserver::Page RecordingObserver::LastPage(const std::wstring& name) const {
  for (auto it = pages.rbegin(); it != pages.rend(); ++it)
    if (it->page == name) return *it;
  return {};
}

std::vector<std::wstring> RecordingObserver::LastList(const std::wstring& name) const {
  for (auto it = lists.rbegin(); it != lists.rend(); ++it)
    if (it->first == name) return it->second;
  return {};
}

void WindowsJobTest::SetUp() {
  const char* tools = std::getenv("DRAVENTA_TEST_TOOLS");
  ASSERT_NE(tools, nullptr) << "run through ctest";
  DiskpartScript::Instance().DeleteScriptFile();
  CUSBManager::Release();
  CUSBManager::SetSettleDelayForTests(0);
  // Each test is a program started afresh: DISM is chosen and initialised again.
  DismManager::DestroyInstance();
  platform::host::ClearMessageBoxes();
  platform::host::ClearFolderBrowsers();

  auto& builder = machine_.Builder();
  builder.Fixed('D', 1);
  builder.UsbStick('F', 2, StickBytes());
  if (!WindowsProfile().empty()) {
    ASSERT_TRUE(builder.Windows(WindowsProfile(), tools));
  }
  ASSERT_TRUE(builder.InstallTool(L"C:\\Windows\\System32\\diskpart.exe", std::string(tools) + "/diskpart.exe"));
  ASSERT_TRUE(builder.InstallProgramFiles(DRAVENTA_PROGRAM_FILES));
  // A small 64-bit disc: the base tree with real boot.wim and install.wim.
  label_ = test::InsertSampleDisc(machine_, 'E', {true, 0, ""});
  ASSERT_FALSE(label_.empty());
  test::WriteHostFile(builder.HostFolderOf('F') + kUserFile, "the user's own file");
  fs::create_directories(machine_.Host(L"D:\\") + "/ISO");

  // Beside the program: oscdimg.exe with both boot files, and the "OS" folder.
  ASSERT_TRUE(test::InstallIsoTool(machine_));
  std::wstring exe = platform::ExecutableFolder();
  test::WriteHostFile(machine_.Host(exe + L"OS") + "/OS/readme.txt", "from the OS folder\r\n");
}

void WindowsJobTest::TearDown() {
  EndProgram();
  CUSBManager::Release();
  DiskpartScript::Instance().DeleteScriptFile();
  platform::host::ClearMessageBoxes();
  platform::host::ClearFolderBrowsers();
}

void WindowsJobTest::StartProgram() {
  program_ = std::make_unique<ui::TdlgFirst>();
  program_->Show();
}

void WindowsJobTest::EndProgram() {
  if (!program_) return;
  // A main form still open is closed as the user's close box would; then the loop ends.
  if (platform::host::OpenMainWindow() != 0) program_->Close();
  if (platform::host::OpenMainWindow() == 0) platform::RunMessageLoop();
  program_.reset();
}

std::string WindowsJobTest::IsoHost() const { return machine_.Host(L"D:\\ISO\\" + label_ + L".iso"); }

std::vector<std::string> WindowsJobTest::ScratchLeftovers() const {
  std::vector<std::string> left;
  std::vector<std::string> folders{machine_.Host(platform::AnsiToWide(GetProgramDataFolder()) + L"QarvelToolTmp")};
  for (const char* drive : {"C", "D"})
    for (int n = 0; n < 4; ++n)
      folders.push_back(machine_.Host(platform::AnsiToWide(std::string(drive) + ":\\QarvelToolTmp" + std::to_string(n))));
  for (const auto& folder : folders) {
    std::error_code ec;
    if (!fs::exists(folder, ec)) continue;
    const std::size_t before = left.size();
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
      left.push_back(it->path().string());
    if (left.size() == before) left.push_back(folder + " (empty, not removed)");
  }
  return left;
}

std::size_t WindowsJobTest::MountedImages() const { return platform::host::dism::ReadMounts().size(); }

bool WindowsJobTest::StickUntouched() const {
  return fs::exists(platform::host::Machine::DriveRootHostPath('F') + kUserFile);
}

scripted::JobScript IsoJob(bool closeAtFinish) {
  scripted::JobScript script;
  script.mode = ui::kModeOddToIso;
  script.folder = L"D:\\ISO";
  script.closeAtFinish = closeAtFinish;
  return script;
}

scripted::JobScript UsbJob(bool closeAtFinish) {
  scripted::JobScript script;
  script.mode = ui::kModeOddToUsb;
  script.closeAtFinish = closeAtFinish;
  return script;
}

std::uint32_t TestSeed() {
  std::uint32_t seed = 0;
  if (const char* text = std::getenv("DRAVENTA_TEST_SEED")) {
    seed = static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
  } else {
    seed = static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }
  std::cout << "random moments from seed " << seed << " (DRAVENTA_TEST_SEED=" << seed << " repeats them)\n";
  return seed;
}

}  // namespace e2e
