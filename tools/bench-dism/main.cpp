// bench_dism <tools folder> <boot.wim> <work folder> <rounds>
//
// Runs the boot-image servicing step (mount image 2, add the four packages, commit, unmount)
// on copies of one boot.wim, alternately through the DISM API in the process (the default
// machine) and through dism.exe (a 64-bit Windows 10 machine, where the program runs the
// dism.exe substitute once per DISM call). Prints the seconds of each run and the median of
// each back-end. On the host both back-ends do the same work through the same libwim code, so
// the difference is what the separate runs cost: starting a process per call, its reading of
// the machine, and the program reading its output.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "servicing/dism_manager.h"
#include "servicing/dism_operation.h"
#include "servicing/driver_payload.h"
#include "sim/machine/machine_builder.h"

namespace fs = std::filesystem;

namespace {

// Seconds of one servicing run on a fresh machine; negative when it failed.
double ServiceOnce(const std::string& tools, const std::string& bootWim, const std::string& folder,
                   const std::string& windows) {
  fs::remove_all(folder);
  platform::host::MachineBuilder machine(folder);
  machine.Fixed('C', 0);
  std::string disc = machine.Fixed('E', 1);
  if (!windows.empty() && !machine.Windows(windows, tools)) return -1;
  fs::create_directories(disc + "/sources");
  fs::copy_file(bootWim, disc + "/sources/boot.wim");
  if (!machine.Write()) return -1;
  machine.Use();
  DismManager::DestroyInstance();
  ExtractDriverPayload();

  DismOperation operation(0, L"E:", DriverPayloadRoot(), true);
  auto start = std::chrono::steady_clock::now();
  std::int32_t result = operation.Excute();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  DismManager::DestroyInstance();
  return result == 1 ? seconds : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: bench_dism <tools folder> <boot.wim> <work folder> <rounds>\n";
    return 2;
  }
  const std::string tools = argv[1];
  const std::string bootWim = argv[2];
  const std::string work = argv[3];
  const int rounds = std::atoi(argv[4]);
  std::vector<double> api, exe;
  for (int round = 0; round < rounds; ++round) {
    // Alternating which goes first, so neither always meets a cold cache.
    for (int i = 0; i < 2; ++i) {
      const bool throughExe = (round + i) % 2 == 1;
      double seconds = ServiceOnce(tools, bootWim, work + (throughExe ? "/exe" : "/api"), throughExe ? "win10-x64" : "");
      if (seconds < 0) {
        std::cerr << "bench_dism: the servicing step failed through " << (throughExe ? "dism.exe" : "the DISM API")
                  << "\n";
        return 1;
      }
      (throughExe ? exe : api).push_back(seconds);
      std::cout << "round " << round + 1 << " " << (throughExe ? "dism.exe " : "DISM API ") << seconds << " s\n";
    }
  }
  std::cout << "median DISM API " << Median(api) << " s, dism.exe " << Median(exe) << " s\n";
  return 0;
}
