// The dism.exe substitute prints what dism.exe prints and ends with its codes, sharing the
// machine's mounts with the DISM API; the Windows profiles place DISM where each Windows has it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/dism_api.h"
#include "platform/process.h"
#include "platform/text.h"
#include "servicing/driver_payload.h"
#include "servicing/test_wim.h"
#include "sim/dism/dism_substitute.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

const char kBar100[] = "\r[==========================100.0%==========================]\r\n";
const char kDone[] = "The operation completed successfully.\r\n";
const char kLogLine[] = "\r\n\r\nThe DISM log file can be found at C:\\Windows\\Logs\\DISM\\dism.log\r\n";

struct ToolRun {
  std::string output;
  std::uint32_t code = 0;
  bool ended = false;
};

const char* Tools() { return std::getenv("DRAVENTA_TEST_TOOLS"); }

class DismExe : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Tools()) GTEST_SKIP() << "no DRAVENTA_TEST_TOOLS";
    machine_.Builder().Fixed('E', 1);
    ASSERT_TRUE(machine_.Builder().Windows("win7-x86", Tools()));
    fs::create_directories(machine_.Builder().HostFolderOf('E') + "/sources");
    test::MakeWim(machine_.Builder().HostFolderOf('E') + "/sources/boot.wim", {test::PeImage(), test::SetupImage("0")});
    fs::create_directories(machine_.Builder().HostFolderOf('C') + "/mnt");
    machine_.Apply();
  }

  // Runs the machine's dism.exe with `args` as the program does, through a pipe; a run still
  // going after `limitMs` is ended.
  ToolRun Dism(const std::string& args, std::uint32_t limitMs = 60000) {
    ToolRun run;
    auto started = platform::StartPipedProcess(L"C:\\Windows\\System32\\dism.exe " + platform::AnsiToWide(args), 1 << 16);
    if (!started) {
      ADD_FAILURE() << started.status().Describe();
      return run;
    }
    char block[4096];
    for (std::uint32_t waited = 0; waited < limitMs;) {
      std::size_t got = 0;
      auto read = (*started)->Read(block, sizeof block, got, 100);
      if (!read || *read == platform::PipeRead::EndOfOutput) break;
      if (*read == platform::PipeRead::Data) run.output.append(block, got);
      else waited += 100;
    }
    auto waited = (*started)->Wait(limitMs);
    run.ended = waited && *waited == platform::WaitOutcome::Exited;
    if (!run.ended) {
      (void)(*started)->Terminate(1);  // the hang fault: ended here as the program ends it
      (void)(*started)->Wait(platform::kWaitForever);
      return run;
    }
    run.code = *(*started)->ExitCode();
    return run;
  }

  void Expect(const std::string& args, std::uint32_t code, const std::vector<std::string>& fragments,
              const std::vector<std::string>& absent = {}) {
    SCOPED_TRACE(args);
    ToolRun run = Dism(args);
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.code, code) << run.output;
    EXPECT_EQ(run.output.rfind("\r\nDeployment Image Servicing and Management tool\r\nVersion: 6.1.7601.17514\r\n\r\n", 0),
              0u)
        << run.output;
    for (const auto& fragment : fragments) EXPECT_NE(run.output.find(fragment), std::string::npos) << fragment << "\n" << run.output;
    for (const auto& fragment : absent) EXPECT_EQ(run.output.find(fragment), std::string::npos) << fragment << "\n" << run.output;
  }

  test::TempMachine machine_;
};

// One walk through every command, in the order the program's back-end uses them, with the
// refusals between: texts, progress bars and exit codes (Win32 codes in decimal, HRESULTs).
TEST_F(DismExe, EachCommandPrintsDismsTextsAndEndsWithItsCode) {
  ExtractDriverPayload();
  std::string inf = platform::WideToAnsi(DriverPayloadRoot()) + "\\Asmedia\\asmtxhci.inf";
  const std::string wim = "/WimFile:E:\\sources\\boot.wim";
  const std::size_t packagesBefore = test::StagedPackages(machine_.Host(L"E:\\sources\\boot.wim"), 2).size();
  struct Step {
    std::string args;
    std::uint32_t code;
    std::vector<std::string> fragments;
    std::vector<std::string> absent;
  };
  const Step steps[] = {
      {"/English /Get-WimInfo " + wim, 0,
       {"Details for image : E:\\sources\\boot.wim\r\n\r\nIndex : 1\r\nName : ", "\r\nIndex : 2\r\nName : ",
        "\r\nDescription : ", " bytes\r\n\r\n", kDone},
       {"Architecture"}},
      // One image in detail, with the architecture that the servicing chooses its packages by.
      {"/Get-WimInfo /Index:2 " + wim, 0, {"\r\nIndex : 2\r\nName : ", " bytes\r\nArchitecture : x86\r\n\r\n", kDone},
       {"Index : 1"}},
      {"/Get-WimInfo " + wim + " /index:3", 0xC0040005u, {"Error: 0xc0040005", "image index 3 is not in the file"}},
      {"/Mount-Wim " + wim + " /Index:3 /MountDir:C:\\mnt", 0xC0040005u, {"\r\nError: 0xc0040005\r\n\r\n", kLogLine}},
      {"/mount-wim /wimfile:\"E:\\sources\\boot.wim\" /INDEX:2 /MountDir:C:\\mnt", 0,
       {"Mounting image\r\n\r[                           0.0%                           ]\r[", "40.0%", kBar100, kDone}},
      {"/Get-MountedWimInfo", 0,
       {"Mounted images:\r\n\r\nMount Dir : C:\\mnt\r\nImage File : E:\\sources\\boot.wim\r\nImage Index : 2\r\n"
        "Mounted Read/Write : Yes\r\nStatus : Ok\r\n\r\n" + std::string(kDone)}},
      {"/Image:C:\\mnt /Add-Driver /Driver:" + inf + " /ForceUnsigned", 0,
       {"Searching for driver package(s) to install...\r\nFound 1 driver package(s) to install.\r\nInstalling 1 of 1 - " +
            inf + ": The driver package was successfully installed.\r\n" + kDone}},
      {"/Image:C:\\mnt /Add-Driver /Driver:C:\\none.inf", 2, {"\r\nError: 2\r\n\r\n", kLogLine}, {kDone}},
      {"/Commit-Wim /MountDir:C:\\mnt", 0, {"Saving image\r\n\r[", kBar100, kDone}},
      {"/Unmount-Wim /MountDir:C:\\mnt", 87, {"Error: 87", "/Commit or /Discard"}},
      {"/Unmount-Wim /MountDir:C:\\mnt /Commit", 0,
       {"Saving image\r\n", std::string(kBar100) + "Unmounting image\r\n\r[", kBar100, kDone}},
      {"/Unmount-Wim /MountDir:C:\\mnt /Discard", 0xC0040007u, {"Error: 0xc0040007", "No image is mounted at C:\\mnt"}},
      {"/Get-MountedWimInfo", 0, {"No mounted images found.\r\n\r\n" + std::string(kDone)}},
      {"/Frob /Get-MountedWimInfo", 87, {"Error: 87\r\n\r\nThe frob option is unknown."}},
      {"/Get-WimInfo /ReadOnly " + wim, 87, {"Error: 87", "readonly option is unknown"}},
      {"/Mount-Wim " + wim + " /MountDir:C:\\mnt", 87, {"Error: 87", "/Index"}},
      {"/Mount-Wim " + wim + " /Index:x /MountDir:C:\\mnt", 87, {"Error: 87"}},
      {"/English", 87, {"Error: 87"}},
      {"/LogPath:C:\\dism-own.log /LogLevel:4 /Cleanup-Wim", 0,
       {"Scanning drive C for stale files\r\nScanning drive C for stale files [1 of 1]: 100%\r\n" + std::string(kDone)}},
  };
  for (const auto& step : steps) Expect(step.args, step.code, step.fragments, step.absent);
  EXPECT_EQ(test::StagedPackages(machine_.Host(L"E:\\sources\\boot.wim"), 2).size(), packagesBefore + 1);
  EXPECT_TRUE(fs::is_empty(machine_.Builder().HostFolderOf('C') + "/mnt"));
  EXPECT_NE(test::ReadHostFile(machine_.Host(L"C:\\dism-own.log")).find("DISM.EXE: dism.exe /LogPath:C:\\dism-own.log"),
            std::string::npos);
}

// Each fault kind, per command; a hang is ended by the caller after its banner.
TEST_F(DismExe, FaultSwitchesFailHangOrGarble) {
  struct Row {
    const char* fault;
    const char* value;
    std::string args;
    std::uint32_t code;
    std::vector<std::string> fragments;
    std::vector<std::string> absent;
    bool ends;
  };
  const Row rows[] = {
      {"dismexe.mount-wim", "0x80070005", "/Mount-Wim /WimFile:E:\\sources\\boot.wim /Index:1 /MountDir:C:\\mnt", 5,
       {"\r\nError: 5\r\n\r\n", kLogLine}, {"Mounting image"}, true},
      {"dismexe.get-wiminfo", "0xc1420117", "/Get-WimInfo /WimFile:E:\\sources\\boot.wim", 0xC1420117u,
       {"Error: 0xc1420117\r\n"}, {"Index :"}, true},
      {"dismexe.get-mountedwiminfo", "garbage", "/Get-MountedWimInfo", 0x80004005u, {}, {"Error", "[", "Deployment", "Mount"}, true},
      {"dismexe.cleanup-wim", "hang", "/Cleanup-Wim", 0, {"Version: 6.1.7601.17514\r\n\r\n"}, {"Scanning", "Error"}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fault);
    machine_.Builder().Description().faults = {{row.fault, row.value}};
    machine_.Apply();
    ToolRun run = Dism(row.args, row.ends ? 60000 : 1500);
    EXPECT_EQ(run.ended, row.ends);
    if (row.ends) {
      EXPECT_EQ(run.code, row.code) << run.output;
    }
    EXPECT_FALSE(run.output.empty());
    for (const auto& fragment : row.fragments) EXPECT_NE(run.output.find(fragment), std::string::npos) << run.output;
    for (const auto& fragment : row.absent) EXPECT_EQ(run.output.find(fragment), std::string::npos) << run.output;
  }
  EXPECT_TRUE(fs::is_empty(machine_.Builder().HostFolderOf('C') + "/mnt")) << "a failed mount mounts nothing";
}

// Mounts an earlier boot left behind: listed with their status, a stale one refused until it is
// remounted, an invalid one cleaned up. And the API itself: refused until it is loaded.
TEST_F(DismExe, MountsLeftBehindAreReportedRemountedAndCleanedUp) {
  const std::wstring image = L"E:\\sources\\boot.wim";
  ASSERT_TRUE(machine_.Builder().LeaveMount(image, 2, L"C:\\ok", platform::kDismMountStatusOk));
  ASSERT_TRUE(machine_.Builder().LeaveMount(image, 1, L"C:\\stale\\", platform::kDismMountStatusNeedsRemount));
  ASSERT_TRUE(machine_.Builder().LeaveMount(image, 2, L"C:\\gone", platform::kDismMountStatusInvalid));
  EXPECT_TRUE(fs::exists(machine_.Host(L"C:\\stale\\Windows")));
  EXPECT_TRUE(fs::is_empty(machine_.Host(L"C:\\gone")));

  auto listed = [](const char* dir, int index, const char* status) {
    return std::string("Mount Dir : ") + dir + "\r\nImage File : E:\\sources\\boot.wim\r\nImage Index : " +
           std::to_string(index) + "\r\nMounted Read/Write : Yes\r\nStatus : " + status + "\r\n";
  };
  Expect("/Get-MountedWimInfo", 0, {listed("C:\\ok", 2, "Ok"), listed("C:\\stale", 1, "Needs Remount"), listed("C:\\gone", 2, "Invalid")});
  Expect("/Unmount-Wim /MountDir:C:\\stale /Discard", 0xC1420126u, {"Error: 0xc1420126", "remounted"});
  Expect("/Image:C:\\stale /Add-Driver /Driver:C:\\x.inf", 0xC1420126u, {"Error: 0xc1420126"});
  Expect("/Remount-Wim /MountDir:C:\\gone", 3, {"Remounting image\r\n", "Error: 3"});
  Expect("/Remount-Wim /MountDir:C:\\stale", 0, {"Remounting image\r\n\r[", kBar100, kDone});
  Expect("/Get-MountedWimInfo", 0, {listed("C:\\stale", 1, "Ok")});
  Expect("/Cleanup-Wim", 0, {kDone});
  Expect("/Unmount-Wim /MountDir:C:\\stale /Discard", 0, {"Unmounting image", kDone});
  Expect("/Get-MountedWimInfo", 0, {listed("C:\\ok", 2, "Ok")}, {"C:\\gone", "C:\\stale"});

  // In this process the API has not been loaded.
  platform::host::ResetDismForTests();
  EXPECT_EQ(platform::DismInitialize(platform::kDismLogErrors, L"", nullptr), platform::kDismModuleNotFound);
  std::vector<platform::DismMountedImage> mounts;
  EXPECT_EQ(platform::DismGetMountedImageInfo(mounts), platform::kDismModuleNotFound);
  EXPECT_FALSE(platform::LoadDismApi(L"C:\\Windows\\System32\\dismapi.dll")) << "win7-x86 has no dismapi.dll";
  EXPECT_EQ(platform::DismInitialize(platform::kDismLogErrors, L"", nullptr), platform::kDismModuleNotFound);
}

// Where each Windows keeps DISM, and what its dism.exe says it is.
TEST(WindowsProfiles, PlaceDismAsEachWindowsDoes) {
  if (!Tools()) GTEST_SKIP() << "no DRAVENTA_TEST_TOOLS";
  const std::wstring kit =
      L"C:\\Program Files\\Windows Kits\\10\\Assessment and Deployment Kit\\Deployment Tools\\x86\\DISM\\dismapi.dll";
  struct Row {
    const char* name;
    bool wow64;
    const char* version;
    std::vector<std::wstring> present;
    std::vector<std::wstring> absent;
  };
  const Row rows[] = {
      {"win7-x86", false, "6.1.7601.17514", {L"C:\\Windows\\System32\\dism.exe"},
       {L"C:\\Windows\\System32\\dismapi.dll", L"C:\\Windows\\SysWOW64\\dismapi.dll", kit, L"C:\\Windows\\SysWOW64\\dism.exe"}},
      {"win7-x86-adk", false, "6.1.7601.17514", {L"C:\\Windows\\System32\\dism.exe", kit},
       {L"C:\\Windows\\System32\\dismapi.dll"}},
      {"win7-x64", true, "6.1.7601.17514", {L"C:\\Windows\\System32\\dism.exe", L"C:\\Windows\\SysWOW64\\dism.exe"},
       {L"C:\\Windows\\System32\\dismapi.dll", L"C:\\Windows\\SysWOW64\\dismapi.dll"}},
      {"win10-x64", true, "10.0.19041.1",
       {L"C:\\Windows\\System32\\dism.exe", L"C:\\Windows\\SysWOW64\\dism.exe", L"C:\\Windows\\System32\\dismapi.dll",
        L"C:\\Windows\\SysWOW64\\dismapi.dll"}, {}},
      {"win11-x64", true, "10.0.22621.1", {L"C:\\Windows\\System32\\dism.exe", L"C:\\Windows\\SysWOW64\\dismapi.dll"}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempMachine machine;
    ASSERT_TRUE(machine.Builder().Windows(row.name, Tools()));
    machine.Apply();
    const auto& d = machine.Builder().Description();
    EXPECT_EQ(d.wow64, row.wow64);
    EXPECT_EQ(d.dismVersion, row.version);
    EXPECT_EQ(d.programFilesX86, row.wow64 ? L"C:\\Program Files (x86)" : L"C:\\Program Files");
    // Looked at as the machine's own files, not through the 32-bit program's redirected view.
    auto exists = [&](const std::wstring& path) {
      std::string rest = platform::WideToAnsi(path.substr(3));
      std::replace(rest.begin(), rest.end(), '\\', '/');
      return fs::exists(machine.Builder().HostFolderOf('C') + "/" + rest);
    };
    for (const auto& path : row.present) EXPECT_TRUE(exists(path)) << platform::WideToAnsi(path);
    for (const auto& path : row.absent) EXPECT_FALSE(exists(path)) << platform::WideToAnsi(path);
  }
  test::TempMachine other;
  EXPECT_FALSE(other.Builder().Windows("win8-x86", Tools()));
}

}  // namespace
