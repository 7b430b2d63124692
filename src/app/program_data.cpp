#include "app/program_data.h"

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/text.h"

std::string GetProgramDataFolder() {
  std::string path = platform::CommonAppDataFolder();
  if (path.empty()) return {};
  if (path.back() != '\\') path += '\\';
  path += "Qarvel\\DraventaWin\\";
  platform::CreateFolderPath(platform::AnsiToWide(path));
  return path;
}

bool DeleteFolderTree(const std::wstring& path) {
  if (path.empty() || !platform::PathExists(path)) return false;
  std::wstring target = path;
  bool driveRoot = target.size() == 3 && target[1] == L':';
  if (!driveRoot && target.size() > 1 && target.back() == L'\\') target.pop_back();
  return platform::ShellDeleteTree(target);
}

bool ClearReadOnlyAttribute(const std::wstring& path) {
  std::uint32_t attributes = platform::GetAttributes(path);
  if (attributes != platform::kInvalidAttributes)
    platform::SetAttributes(path, attributes & ~platform::kAttrReadOnly);
  return true;
}
