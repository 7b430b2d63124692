#include "servicing/dism_backend_choice.h"

#include <string>

#include "app/trace_log.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"

namespace DismCpp {

namespace {

void Trace(const std::wstring& finding) { TraceLog(L"[ChooseDismBackend] " + finding); }

std::wstring WithoutBackslash(std::wstring folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// The places of dismapi.dll for this process's architecture: the system folder's, then the
// deployment kits' (the newest first) in their default folders.
std::vector<std::wstring> DismApiCandidates() {
  std::vector<std::wstring> candidates;
  std::wstring system = WithoutBackslash(platform::SystemFolder());
  if (!system.empty()) candidates.push_back(system + L"\\dismapi.dll");
  std::wstring programs = WithoutBackslash(platform::ProgramFilesX86Folder());
  if (!programs.empty()) {
    for (const wchar_t* kit : {L"10", L"8.1", L"8.0"})
      candidates.push_back(programs + L"\\Windows Kits\\" + kit + L"\\Assessment and Deployment Kit\\Deployment Tools\\" +
                           platform::ProcessArchitecture() + L"\\DISM\\dismapi.dll");
  }
  return candidates;
}

std::unique_ptr<DismBackend> TryDismApi() {
  for (const std::wstring& dll : DismApiCandidates()) {
    if (!platform::IsFile(dll)) {
      Trace(L"no " + dll);
      continue;
    }
    if (platform::Status loaded = platform::LoadDismApi(dll); !loaded) {
      Trace(dll + L" could not be loaded" + loaded.Suffix());
      continue;
    }
    return MakeDismApiBackend(dll);
  }
  return nullptr;
}

// The system's own dism.exe: the native one, which a 32-bit process on 64-bit Windows reaches
// only through Sysnative.
std::wstring SystemDismExe() {
  std::wstring folder = platform::RunsUnderWow64() ? WithoutBackslash(platform::WindowsFolder()) + L"\\Sysnative"
                                                   : WithoutBackslash(platform::SystemFolder());
  return folder.empty() || folder == L"\\Sysnative" ? std::wstring() : folder + L"\\dism.exe";
}

}  // namespace

std::unique_ptr<DismBackend> ChooseDismBackend(std::uint32_t dismExeSilenceLimitMs) {
  if (platform::RunsUnderWow64()) {
    Trace(L"a 32-bit process on 64-bit Windows: the DISM API is not used here");
  } else if (auto api = TryDismApi()) {
    return api;
  }
  std::wstring exe = SystemDismExe();
  if (!exe.empty() && platform::IsFile(exe)) return MakeDismExeBackend(exe, dismExeSilenceLimitMs);
  Trace(L"no " + (exe.empty() ? std::wstring(L"system folder") : exe));
  return nullptr;
}

}  // namespace DismCpp
