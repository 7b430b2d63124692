// bench_copy <source folder> <target folder> <machine folder>
// bench_copy --measure <source folder> <machine folder>
// bench_copy --make-small-files <folder> <count>
//
// Copies a host folder tree with the program's copy engine, as the copy step does: the source
// becomes optical drive E: and the (existing, empty) target fixed drive F: of a simulated
// machine made in <machine folder>. Prints the bytes copied, the seconds taken, the throughput
// and the number of progress calls. --measure instead measures the disc in E: as the wizard
// does (MiB and seconds); --make-small-files writes <count> files of 1 to 8 KiB, a thousand to
// a folder, for the many-small-files figures.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "sim/machine/machine.h"
#include "disk/optical_drives.h"
#include "servicing/copy_engine.h"

namespace fs = std::filesystem;
using platform::host::DriveRecord;

namespace {

std::uint64_t g_calls = 0;

std::uint32_t CountProgress(std::int64_t, std::int64_t, std::int64_t, std::int64_t, std::uint32_t, std::uint32_t, void*,
                            void*, void*) {
  ++g_calls;
  return platform::kProgressContinue;
}

DriveRecord Drive(char letter, const char* type, const fs::path& root) {
  DriveRecord drive;
  drive.letter = letter;
  drive.type = type;
  drive.root = fs::absolute(root).string();
  drive.totalBytes = 1ull << 42;
  return drive;
}

bool UseMachine(const char* machineFolder, const char* source, const char* target) {
  platform::host::MachineDescription machine;
  fs::create_directories(fs::path(machineFolder) / "C");
  machine.drives.push_back(Drive('C', "fixed", fs::path(machineFolder) / "C"));
  machine.drives.push_back(Drive('E', "cdrom", source));
  if (target) machine.drives.push_back(Drive('F', "fixed", target));
  if (!platform::host::Machine::Write(machineFolder, machine)) {
    std::cerr << "bench_copy: can't write the machine in " << machineFolder << "\n";
    return false;
  }
  platform::host::Machine::UseFolder(machineFolder);
  return true;
}

int MakeSmallFiles(const fs::path& folder, unsigned long count) {
  std::string data(8192, 'x');
  for (unsigned long i = 0; i < count; ++i) {
    const fs::path sub = folder / ("dir" + std::to_string(i / 1000));
    if (i % 1000 == 0) fs::create_directories(sub);
    std::ofstream out(sub / ("file" + std::to_string(i) + ".dat"), std::ios::binary);
    out.write(data.data(), static_cast<std::streamsize>(1024 + (i * 7919) % 7168));
    if (!out) return 1;
  }
  return 0;
}

int Measure(const char* source, const char* machineFolder) {
  if (!UseMachine(machineFolder, source, nullptr)) return 1;
  auto start = std::chrono::steady_clock::now();
  std::int32_t mib = MeasureDiscSizeMB(L"E:\\");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::cout << "MiB=" << mib << " seconds=" << seconds << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--make-small-files") return MakeSmallFiles(argv[2], std::stoul(argv[3]));
  if (argc == 4 && std::string(argv[1]) == "--measure") return Measure(argv[2], argv[3]);
  if (argc != 4) {
    std::cerr << "usage: bench_copy <source folder> <target folder> <machine folder>\n"
                 "       bench_copy --measure <source folder> <machine folder>\n"
                 "       bench_copy --make-small-files <folder> <count>\n";
    return 2;
  }
  if (!UseMachine(argv[3], argv[1], argv[2])) return 1;

  const std::wstring source = L"E:\\";
  const std::wstring target = L"F:\\";
  COptFile* engine = COptFile::Instance();
  auto start = std::chrono::steady_clock::now();
  bool ok = engine->Run(source, target, &CountProgress, nullptr);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::uint64_t bytes = static_cast<std::uint64_t>(engine->GetCopiedSize());
  std::cout << "bytes=" << bytes << " seconds=" << seconds << " MiBps=" << bytes / 1048576.0 / seconds
            << " calls=" << g_calls << " result=" << ok << "\n";
  return ok ? 0 : 1;
}
