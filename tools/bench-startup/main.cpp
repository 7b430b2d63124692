// bench_startup --prepare <machine folder>
// bench_startup --window <machine folder>
// bench_startup --baseline
//
// --prepare makes a simulated machine for start-up: the system drive with the program's files
// beside the program, an empty optical drive and a USB stick. --window starts the program as its
// entry does (the single-instance mutex, then the mode window built and shown, which writes the
// driver payload and makes the other two windows) and leaves the moment the mode window is up,
// printing the milliseconds from main to that point. --baseline leaves at once: the same
// executable with the same libraries loaded, so the difference of the two runs' wall times is
// what start-up adds to starting a process.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "sim/machine/machine.h"
#include "sim/machine/machine_builder.h"
#include "sim/probes/main_window_probe.h"
#include "platform/sync.h"
#include "ui/dlg_first.h"
#include "ui/program.h"

namespace {

int Prepare(const std::string& folder) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  platform::host::MachineBuilder builder(folder);
  builder.Fixed('C', 0);
  builder.Optical('E', L"", false);
  builder.UsbStick('F', 2, 8ull << 30);
  if (!builder.Write()) {
    std::fprintf(stderr, "bench_startup: can't write the machine in %s\n", folder.c_str());
    return 1;
  }
  builder.Use();
  if (!builder.InstallProgramFiles(DRAVENTA_PROGRAM_FILES)) {
    std::fprintf(stderr, "bench_startup: the program's files could not be installed\n");
    return 1;
  }
  return 0;
}

int Window(const std::string& folder) {
  const auto start = std::chrono::steady_clock::now();
  platform::host::Machine::UseFolder(folder);
  if (platform::NamedMutexExists(ui::kInstanceMutexName)) return 1;
  bool alreadyExisted = false;
  std::unique_ptr<platform::NamedMutex> mutex = platform::CreateNamedMutex(ui::kInstanceMutexName, alreadyExisted);
  if (alreadyExisted) return 1;
  // Left for the process's end: the run stops the clock at the window, not at its teardown.
  auto* dlgFirst = new ui::TdlgFirst;
  dlgFirst->Show();
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (platform::host::OpenMainWindow() == 0) {
    std::fprintf(stderr, "bench_startup: no main window after start-up\n");
    std::_Exit(1);
  }
  std::printf("main_to_window_ms=%.2f\n", ms);
  std::fflush(stdout);
  std::_Exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--baseline" && argc == 2) return 0;
  if (mode == "--prepare" && argc == 3) return Prepare(argv[2]);
  if (mode == "--window" && argc == 3) return Window(argv[2]);
  std::fputs("usage: bench_startup --prepare <machine folder> | --window <machine folder> | --baseline\n", stderr);
  return 2;
}
