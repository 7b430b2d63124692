#include "disk/diskpart_script.h"

#include "app/program_data.h"
#include "app/trace_log.h"
#include "disk/process_runner.h"
#include "platform/files.h"
#include "platform/private_folder.h"
#include "platform/text.h"

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
  std::wstring folder = platform::CreatePrivateFolder(platform::AnsiToWide(dataFolder), L"diskpart");
  if (folder.empty()) {
    TraceLog(L"[DiskpartScript::CreateScriptFile] can't create a private folder in " +
             platform::AnsiToWide(dataFolder));
    return false;
  }
  std::wstring path = platform::CreateTempFileIn(folder, L"_");
  if (path.empty()) {
    TraceLog(L"[DiskpartScript::CreateScriptFile] can't create the script file in " + folder);
    platform::RemoveEmptyFolder(folder);
    return false;
  }
  folder_ = folder;
  scriptPath_ = path;
  created_ = true;
  return true;
}

bool DiskpartScript::RunScript(const std::string& scriptText) {
  std::lock_guard<std::mutex> guard(lock_);
  // The file must exist already: CreateScriptFile comes first.
  if (!created_ || !platform::OverwriteExistingFile(scriptPath_, scriptText)) return false;

  // The path needs quotes only when it holds a space (a program data folder moved elsewhere).
  std::wstring path = scriptPath_.find(L' ') == std::wstring::npos ? scriptPath_ : L"\"" + scriptPath_ + L"\"";
  std::uint32_t exitCode = 0;
  if (!RunProcess(program_ + L" /s " + path, &exitCode, timeoutMs_)) return false;
  if (exitCode != 0) {
    TraceLog(L"[DiskpartScript::RunScript] diskpart exit code: " + std::to_wstring(exitCode));
    return false;
  }
  return true;
}

bool DiskpartScript::DeleteScriptFile() {
  std::lock_guard<std::mutex> guard(lock_);
  if (created_) {
    platform::DeleteFileAt(scriptPath_);
    platform::RemoveEmptyFolder(folder_);
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
  program_ = program.empty() ? L"diskpart" : program;
}

void DiskpartScript::SetTimeoutForTests(std::uint32_t timeoutMs) {
  std::lock_guard<std::mutex> guard(lock_);
  timeoutMs_ = timeoutMs;
}
