#pragma once
// Host test helpers for the diskpart runner and the USB preparation: the diskpart substitute
// installed on a simulated machine, and the record of what it ran.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/program_data.h"
#include "app/trace_log.h"
#include "disk/diskpart_script.h"
#include "sim/machine/machine.h"
#include "support/temp_machine.h"

namespace usbtest {

// The folder of the substitute tools (set by ctest).
inline std::string ToolsFolder() {
  const char* tools = std::getenv("DRAVENTA_TEST_TOOLS");
  return tools ? tools : "";
}

// Puts the diskpart substitute where Windows keeps diskpart; false when the tools are missing.
inline bool InstallDiskpart(test::TempMachine& machine) {
  if (ToolsFolder().empty()) return false;
  return machine.Builder().InstallTool(L"C:\\Windows\\System32\\diskpart.exe", ToolsFolder() + "/diskpart.exe");
}

// The runner is a process-wide singleton: each test starts it from a clean state.
inline void ResetDiskpartRunner() {
  DiskpartScript::Instance().DeleteScriptFile();
  DiskpartScript::Instance().SetProgramForTests(L"");
  DiskpartScript::Instance().SetTimeoutForTests(DiskpartScript::kDefaultTimeoutMs);
}

// One statement the substitute ran, with the disk and partition selected at the time.
struct RanStatement {
  int disk = -1;
  int partition = -1;
  std::string text;
};

struct DiskpartLog {
  int runs = 0;
  std::vector<RanStatement> statements;
  std::vector<std::string> scripts;  // the script path of each run
  std::vector<int> pids;             // the process id of each run

  // The disks a statement starting with `verb` ran on.
  std::vector<int> DisksOf(const std::string& verb) const {
    std::vector<int> disks;
    for (const auto& s : statements)
      if (s.text.rfind(verb, 0) == 0) disks.push_back(s.disk);
    return disks;
  }
};

inline DiskpartLog ReadDiskpartLog(const test::TempMachine& machine) {
  DiskpartLog log;
  std::istringstream in(test::ReadHostFile(machine.Folder() + "/diskpart.log"));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("run pid=", 0) == 0) {
      ++log.runs;
      auto space = line.find(' ', 8);
      log.pids.push_back(std::atoi(line.substr(8, space - 8).c_str()));
      log.scripts.push_back(space == std::string::npos ? "" : line.substr(space + 1));
      continue;
    }
    RanStatement s;
    auto bar = line.find(" | ");
    if (bar == std::string::npos || std::sscanf(line.c_str(), "disk=%d partition=%d", &s.disk, &s.partition) != 2)
      continue;
    s.text = line.substr(bar + 3);
    log.statements.push_back(s);
  }
  return log;
}

inline std::string TraceText() {
  std::wstring path = app::TraceLogPath();
  return path.empty() ? std::string() : test::ReadHostFile(platform::host::Machine::HostPath(path));
}

inline platform::host::MachineDescription CurrentMachine() { return *platform::host::Machine::Current(); }

}  // namespace usbtest

// Skips a test when the substitute tools are not built (the test binary run outside ctest).
#define REQUIRE_DISKPART(machine)                                             \
  do {                                                                        \
    if (!usbtest::InstallDiskpart(machine)) GTEST_SKIP() << "no DRAVENTA_TEST_TOOLS"; \
  } while (0)
