#include "app/program_data.h"

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/text.h"

std::string GetProgramDataFolder() {
  std::string path = platform::CommonAppDataFolder();
  if (path.empty()) return {};
  if (path.back() != '\\') path += '\\';
  path += "Qarvel\\DraventaWin\\";
  (void)platform::CreateFolderPath(platform::AnsiToWide(path));  // a missing folder shows at its first use
  return path;
}

bool DeleteFolderTree(const std::wstring& path) {
  if (path.empty() || !platform::PathExists(path)) return false;
  std::wstring target = path;
  bool driveRoot = target.size() == 3 && target[1] == L':';
  if (!driveRoot && target.size() > 1 && target.back() == L'\\') target.pop_back();
  return platform::ShellDeleteTree(target).ok();
}

bool ClearReadOnlyAttribute(const std::wstring& path) {
  // Best effort, as the callers go on and meet any failure at the file's own use.
  if (platform::Result<std::uint32_t> attributes = platform::GetAttributes(path))
    (void)platform::SetAttributes(path, *attributes & ~platform::kAttrReadOnly);
  return true;
}
