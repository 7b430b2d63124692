#include "disk/diskpart_script.h"

#include "app/program_data.h"
#include "app/trace_log.h"
#include "disk/process_runner.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/private_folder.h"
#include "platform/process.h"
#include "platform/text.h"

namespace {

std::wstring WithoutBackslash(std::wstring folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

std::wstring Hex(std::uint32_t value) {
  static const wchar_t* digits = L"0123456789ABCDEF";
  std::wstring text;
  for (int shift = 28; shift >= 0; shift -= 4) text += digits[(value >> shift) & 0xF];
  return text;
}

}  // namespace

std::wstring SystemDiskpartProgram() {
  std::wstring folder;
  if (platform::RunsUnderWow64()) {
    std::wstring windows = platform::WindowsFolder();
    if (!windows.empty()) folder = WithoutBackslash(windows) + L"\\Sysnative";
  } else {
    folder = WithoutBackslash(platform::SystemFolder());
  }
  if (folder.empty()) return {};
  std::wstring program = folder + L"\\diskpart.exe";
  return program.find(L' ') == std::wstring::npos ? program : L"\"" + program + L"\"";
}

DiskpartScript& DiskpartScript::Instance() {
  static DiskpartScript instance;
  return instance;
}

bool DiskpartScript::CreateScriptFile() {
  std::lock_guard<std::mutex> guard(lock_);
  // A file left by an earlier run is reused, unless something removed it meanwhile.
  if (created_ && platform::IsFile(scriptPath_)) return true;
  created_ = false;
  std::string dataFolder = GetProgramDataFolder();
  if (dataFolder.empty()) {
    TraceLog(L"[DiskpartScript::CreateScriptFile] no program data folder");
    return false;
  }
  platform::Result<std::wstring> folder = platform::CreatePrivateFolder(platform::AnsiToWide(dataFolder), L"diskpart");
  if (!folder) {
    TraceLog(L"[DiskpartScript::CreateScriptFile] CreateDirectoryW of a private folder in " +
             platform::AnsiToWide(dataFolder) + L" failed" + folder.status().Suffix());
    return false;
  }
  platform::Result<std::wstring> path = platform::CreateTempFileIn(*folder, L"_");
  if (!path) {
    TraceLog(L"[DiskpartScript::CreateScriptFile] " + path.status().Describe());
    (void)platform::RemoveEmptyFolder(*folder);  // empty, and the program's own: best effort
    return false;
  }
  folder_ = *folder;
  scriptPath_ = *path;
  created_ = true;
  return true;
}

bool DiskpartScript::RunScript(const std::string& scriptText, const std::atomic<bool>* stop) {
  std::lock_guard<std::mutex> guard(lock_);
  // The file must exist already: CreateScriptFile comes first.
  if (!created_) {
    TraceLog(L"[DiskpartScript::RunScript] no script file");
    return false;
  }
  if (platform::Status written = platform::OverwriteExistingFile(scriptPath_, scriptText); !written) {
    TraceLog(L"[DiskpartScript::RunScript] writing the script " + scriptPath_ + L" failed" + written.Suffix());
    return false;
  }
  std::wstring program = program_.empty() ? SystemDiskpartProgram() : program_;
  if (program.empty()) {
    TraceLog(L"[DiskpartScript::RunScript] the system folder is unknown");
    return false;
  }

  // The path needs quotes only when it holds a space (a program data folder moved elsewhere).
  std::wstring path = scriptPath_.find(L' ') == std::wstring::npos ? scriptPath_ : L"\"" + scriptPath_ + L"\"";
  std::uint32_t exitCode = 0;
  if (!RunProcess(program + L" /s " + path, &exitCode, timeoutMs_, stop)) return false;
  if (exitCode != 0) {
    // A Virtual Disk Service failure ends diskpart with its HRESULT, best read in hexadecimal.
    std::wstring text = std::to_wstring(exitCode);
    if (exitCode > 0xFFFF) text += L" (0x" + Hex(exitCode) + L")";
    TraceLog(L"[DiskpartScript::RunScript] diskpart exit code: " + text);
    return false;
  }
  return true;
}

bool DiskpartScript::DeleteScriptFile() {
  std::lock_guard<std::mutex> guard(lock_);
  if (created_) {
    // Best effort: the folder is private and a new run makes a new one.
    (void)platform::DeleteFileAt(scriptPath_);
    (void)platform::RemoveEmptyFolder(folder_);
    scriptPath_.clear();
    folder_.clear();
    created_ = false;
  }
  return true;
}

std::wstring DiskpartScript::ScriptPath() const {
  std::lock_guard<std::mutex> guard(lock_);
  return scriptPath_;
}

void DiskpartScript::SetProgramForTests(const std::wstring& program) {
  std::lock_guard<std::mutex> guard(lock_);
  program_ = program;
}

void DiskpartScript::SetTimeoutForTests(std::uint32_t timeoutMs) {
  std::lock_guard<std::mutex> guard(lock_);
  timeoutMs_ = timeoutMs;
}
