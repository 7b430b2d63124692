#pragma once
// A simulated machine with the driver payload written and a setup tree on E:, a window that
// records the state messages, and helpers to read what DISM left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "app/program_data.h"
#include "app/trace_log.h"
#include "app/operation_state.h"
#include "sim/dism/dism_substitute.h"
#include "sim/probes/message_box_script.h"
#include "platform/dism_api.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "servicing/dism_manager.h"
#include "servicing/dism_operation.h"
#include "servicing/driver_payload.h"
#include "servicing/test_wim.h"
#include "support/temp_machine.h"

namespace test {

struct StateRecorder : platform::MessageHandler {
  std::vector<std::pair<int, int>> posts;  // (state, percent)
  void OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    if (message == WM_OPERATION_STATE) posts.emplace_back(static_cast<int>(wParam), static_cast<int>(lParam));
  }
};

class DismTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = machine_.Builder().Fixed('E', 1);
    machine_.Apply();
    platform::host::ClearMessageBoxes();
    // The tests that call the DISM API themselves load it as the program does.
    ASSERT_TRUE(platform::LoadDismApi(L"C:\\Windows\\System32\\dismapi.dll"));
    platform::host::ClearDismCallLog();
    ExtractDriverPayload();
    window_ = platform::CreateMessageWindow(&recorder_);
  }
  void TearDown() override {
    DismManager::DestroyInstance();
    DismManager::SetDismExeSilenceLimit(10 * 60 * 1000);
    platform::DestroyMessageWindow(window_);
  }

  // Makes the machine one of the Windows profiles, with the dism.exe substitute; "" keeps the
  // default machine, whose DISM API in the system folder serves.
  void UseWindows(const std::string& name) {
    if (name.empty()) return;
    const char* tools = std::getenv("DRAVENTA_TEST_TOOLS");
    ASSERT_NE(tools, nullptr);
    ASSERT_TRUE(machine_.Builder().Windows(name, tools));
    machine_.Apply();
    DismManager::DestroyInstance();
    DismManager::SetDismExeSilenceLimit(1500);
  }

  std::string BootWim() const { return root_ + "/sources/boot.wim"; }
  void MakeBootWim(const std::vector<WimImageContent>& images) { MakeWim(BootWim(), images); }
  void SetFault(const std::string& name, const std::string& value) {
    machine_.Builder().Fault(name, value);
    machine_.Apply();
  }

  // Runs the servicing step on E:\ as the job does, and collects the messages it posted. With
  // `uefiOsFolder`, as the USB job runs it: the UEFI loader is wanted unless that folder has one.
  std::int32_t Run(bool is64, const std::wstring& extraFolder = L"", const std::wstring* uefiOsFolder = nullptr) {
    DismOperation operation(window_, L"E:", DriverPayloadRoot(), is64, extraFolder);
    if (uefiOsFolder) operation.WriteUefiLoaderUnlessProvided(*uefiOsFolder);
    std::int32_t result = operation.Excute();
    lastState_ = operation.State();
    endNote_ = operation.EndNote();
    platform::PumpPendingMessages();
    return result;
  }

  std::vector<platform::host::ShownMessageBox> Boxes() const { return platform::host::ShownMessageBoxes(); }

  std::string ProgramDataHost() const { return machine_.Host(platform::AnsiToWide(GetProgramDataFolder())); }

  // Mount folders (named by the time of day) left in the program data folder.
  std::vector<std::string> MountFoldersLeft() const {
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(ProgramDataHost()))
      if (entry.is_directory() && std::regex_match(entry.path().filename().string(), std::regex("[0-9]+")))
        left.push_back(entry.path().filename().string());
    return left;
  }

  // Images the DISM substitute still has mounted on this machine.
  std::string MountRecords() const {
    std::ifstream in(machine_.Folder() + "/dism-mounts.json");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.erase(std::remove_if(text.begin(), text.end(), ::isspace), text.end());
    return text.empty() ? "[]" : text;
  }

  std::string Trace() const { return ReadHostFile(machine_.Host(app::TraceLogPath())); }

  int CallCount(const std::string& name) const {
    int count = 0;
    for (const auto& call : platform::host::DismCallLog())
      if (call == name || call.rfind(name + " ", 0) == 0) ++count;
    return count;
  }

  TempMachine machine_;
  std::string root_;
  StateRecorder recorder_;
  platform::WindowHandle window_ = 0;
  std::int32_t lastState_ = NOSTATE;
  std::wstring endNote_;
};

}  // namespace test
