// bench_copy.exe <source folder> <target folder>
//
// Copies a folder tree with the program's copy engine, as the copy step does, into an existing
// empty target folder: each file through CopyFileExW with the engine's progress routine. Prints
// the bytes copied, the seconds taken, the throughput and the number of progress calls.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "servicing/copy_engine.h"

namespace {

std::uint64_t g_calls = 0;

std::uint32_t CountProgress(std::int64_t, std::int64_t, std::int64_t, std::int64_t, std::uint32_t, std::uint32_t, void*,
                            void*, void*) {
  ++g_calls;
  return platform::kProgressContinue;
}

// The engine takes folders with a trailing backslash, as the job hands them on.
std::wstring AsFolder(std::wstring path) {
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: bench_copy.exe <source folder> <target folder>\n", stderr);
    return 2;
  }
  const std::wstring source = AsFolder(argv[1]);
  const std::wstring target = AsFolder(argv[2]);
  COptFile* engine = COptFile::Instance();
  const auto start = std::chrono::steady_clock::now();
  const bool ok = engine->Run(source, target, &CountProgress, nullptr);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto bytes = static_cast<unsigned long long>(engine->GetCopiedSize());
  std::printf("bytes=%llu seconds=%.3f MiBps=%.1f calls=%llu result=%d\n", bytes, seconds, bytes / 1048576.0 / seconds,
              static_cast<unsigned long long>(g_calls), ok ? 1 : 0);
  return ok ? 0 : 1;
}
