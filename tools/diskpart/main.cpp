// The diskpart substitute of the simulated machine: "diskpart /s <script>" runs the script's
// statements against the machine named by DRAVENTA_MACHINE, one statement at a time under the
// machine's lock, and exits with diskpart's codes (0 success; 2 a missing disk or partition or a
// wrong argument; 3 no script; 4 the change can't be made; 5 a statement it does not know; the
// HRESULT of a failed Virtual Disk Service call, such as 0x8004242D VDS_E_VOLUME_TOO_BIG for
// "format fs=fat32" on a volume above 32 GiB). The whole 32-bit code reaches the program through
// the host's exit code channel (platform/host/system/exit_code.h). The first failing statement ends the
// run, as diskpart does without "noerr". "clean" leaves the disk uninitialised, and the next
// "create partition primary" makes it an MBR disk, whatever its style was; a disk without its
// medium (an empty card reader slot) can be selected but not changed.
//
// Every run and every statement is appended to diskpart.log in the machine folder:
//   "run pid=<process id> <script path>" and then "disk=<n> partition=<n> | <statement>" with the disk and
//   partition selected when the statement ran (-1 for none), so tests can see what was erased.
//
// Fault switches (machine.json "faults"):
//   diskpart.failOn = <keyword>      a statement with this keyword (select, format, active,
//                                     clean, create, assign) fails without changing anything;
//                                     several keywords separated by commas each fail
//   diskpart.failCode = <n>           its exit code, decimal or 0x hexadecimal (default 4)
//   diskpart.failCount = <n>          fail only this many times (counted down); absent: always
//   diskpart.hangOn = <keyword>       stop at such a statement and never end (until killed)
//   diskpart.formatNewLetter = <X>    formatting gives the volume the drive letter X; "-" leaves
//                                     it without a drive letter
//   diskpart.inUse = <letters>        the volumes with these drive letters (upper case) are held
//                                     open by a program: "format" without "override" fails
//                                     with 0x80042413 (VDS_E_DEVICE_IN_USE)
//   diskpart.letterDelayMs = <n>      a formatted volume gets its drive letter back only <n> ms
//                                     after the format (DriveRecord::letterAtMs)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/host/system/exit_code.h"
#include "sim/machine/machine.h"
#include "statements.h"

using platform::host::Machine;
using platform::host::MachineDescription;

namespace {

void AppendLog(const std::string& machineFolder, const std::string& line) {
  std::ofstream log(machineFolder + "/diskpart.log", std::ios::app);
  log << line << "\n";
}

// Whether the fail switch fires for this statement; counts it down when it has a count.
bool FailFires(MachineDescription& machine, const std::string& keyword, int& code) {
  auto on = machine.Fault("diskpart.failOn");
  if (!on) return false;
  bool listed = false;
  for (std::size_t start = 0; start <= on->size();) {
    std::size_t comma = on->find(',', start);
    if (comma == std::string::npos) comma = on->size();
    listed = listed || on->compare(start, comma - start, keyword) == 0;
    start = comma + 1;
  }
  if (!listed) return false;
  if (auto count = machine.Fault("diskpart.failCount")) {
    int left = std::atoi(count->c_str());
    if (left <= 0) return false;
    machine.faults["diskpart.failCount"] = std::to_string(left - 1);
  }
  auto failCode = machine.Fault("diskpart.failCode");
  code = failCode ? static_cast<int>(std::strtoul(failCode->c_str(), nullptr, 0)) : diskpart::kServiceFailure;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string scriptPath;
  for (int i = 1; i + 1 < argc; ++i) {
    std::string flag = argv[i];
    if (flag == "/s" || flag == "/S" || flag == "-s") scriptPath = argv[i + 1];
  }
  if (scriptPath.empty()) {
    std::cout << "Usage: diskpart /s <script>\n";
    return diskpart::kBadArguments;
  }
  std::string machineFolder = Machine::Folder();
  if (machineFolder.empty() || !Machine::Current()) {
    std::cout << "DiskPart has encountered an error: no machine.\n";
    return diskpart::kFatal;
  }
  std::error_code ec;
  std::string pid = std::filesystem::read_symlink("/proc/self", ec).filename().string();
  AppendLog(machineFolder, "run pid=" + pid + " " + scriptPath);
  std::ifstream in(Machine::HostPath(platform::host::FromUtf8(scriptPath)), std::ios::binary);
  if (scriptPath.empty() || !in) {
    std::cout << "DiskPart was unable to open the script file.\n";
    return diskpart::kNoScript;
  }
  std::stringstream text;
  text << in.rdbuf();

  diskpart::Session session;
  std::string line;
  while (std::getline(text, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    diskpart::Statement statement = diskpart::Parse(line);
    if (statement.verb == diskpart::Verb::None) continue;
    AppendLog(machineFolder, "disk=" + std::to_string(session.disk) + " partition=" +
                                 std::to_string(session.partition) + " | " + line);
    if (statement.verb == diskpart::Verb::Exit) break;

    auto current = Machine::Current();
    if (auto hang = current ? current->Fault("diskpart.hangOn") : std::nullopt; hang && *hang == statement.keyword) {
      for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }
    diskpart::Outcome outcome;
    bool updated = Machine::Update([&](MachineDescription& machine) {
      int code = 0;
      if (FailFires(machine, statement.keyword, code)) {
        outcome = {static_cast<std::uint32_t>(code), "Virtual Disk Service error: the operation failed."};
        return;
      }
      outcome = diskpart::Apply(statement, session, machine, machineFolder);
    });
    if (!updated) {
      std::cout << "DiskPart has encountered an error: the machine can't be changed.\n";
      return diskpart::kFatal;
    }
    std::cout << outcome.message << "\n";
    if (outcome.code != diskpart::kOk) return platform::host::ExitWithWindowsCode(outcome.code);
  }
  std::cout << "Leaving DiskPart...\n";
  return diskpart::kOk;
}
