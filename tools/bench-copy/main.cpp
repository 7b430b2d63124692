// bench_copy <source folder> <target folder> <machine folder>
//
// Copies a host folder tree with the program's copy engine, as the copy step does: the source
// becomes optical drive E: and the (existing, empty) target fixed drive F: of a simulated
// machine made in <machine folder>. Prints the bytes copied, the seconds taken, the throughput
// and the number of progress calls.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "platform/host/machine.h"
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: bench_copy <source folder> <target folder> <machine folder>\n";
    return 2;
  }
  platform::host::MachineDescription machine;
  fs::create_directories(fs::path(argv[3]) / "C");
  machine.drives.push_back(Drive('C', "fixed", fs::path(argv[3]) / "C"));
  machine.drives.push_back(Drive('E', "cdrom", argv[1]));
  machine.drives.push_back(Drive('F', "fixed", argv[2]));
  if (!platform::host::Machine::Write(argv[3], machine)) {
    std::cerr << "bench_copy: can't write the machine in " << argv[3] << "\n";
    return 1;
  }
  platform::host::Machine::UseFolder(argv[3]);

  const std::wstring source = L"E:\\";
  const std::wstring target = L"F:\\";
  COptFile* engine = COptFile::Instance();
  engine->SetPaths(&source, &target);
  auto start = std::chrono::steady_clock::now();
  bool ok = engine->Run(&CountProgress, nullptr);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::uint64_t bytes = static_cast<std::uint64_t>(engine->GetCopiedSize());
  std::cout << "bytes=" << bytes << " seconds=" << seconds << " MiBps=" << bytes / 1048576.0 / seconds
            << " calls=" << g_calls << " result=" << ok << "\n";
  return ok ? 0 : 1;
}
