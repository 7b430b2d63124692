#include "app/program_data.h"

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/private_folder.h"
#include "platform/text.h"

namespace {

// Why `folder` (an existing one) can't be trusted, empty when it can.
std::wstring Distrust(const std::wstring& folder) {
  const std::wstring tail = L"\n\nAnother user could have put files there that this program would run with administrator "
                            L"rights. Delete the folder, or make the Administrators group its owner, and start the "
                            L"program again.";
  if (platform::GetAttributes(folder).value_or(0) & platform::kAttrReparsePoint)
    return L"The folder " + folder + L" is a link to another place." + tail;
  platform::Result<platform::Owner> owner = platform::GetOwner(folder);
  if (!owner) return L"The owner of the folder " + folder + L" could not be read (" + owner.status().Describe() + L")." + tail;
  if (!owner->trusted)
    return L"The folder " + folder + L" belongs to " + owner->name + L", not to the system or the administrators." + tail;
  return {};
}

// Creates what is missing of the program data folder and checks what was there. `problem`
// receives the user's text when the folder must not be used; `restrict` gives an existing
// "DraventaWin" the private access list again.
std::string PrepareProgramDataFolder(bool restrict, std::wstring& problem) {
  std::string common = platform::CommonAppDataFolder();
  if (common.empty()) {
    problem = L"The common application data folder of Windows is unknown.";
    return {};
  }
  if (common.back() != '\\') common += '\\';
  const std::wstring parent = platform::AnsiToWide(common + "Qarvel");
  const std::wstring folder = parent + L"\\DraventaWin";
  if (!platform::PathExists(parent)) (void)platform::CreateFolderPath(parent);  // a failure shows below
  if (problem = Distrust(parent); !problem.empty()) return {};
  if (!platform::PathExists(folder)) {
    if (platform::Status made = platform::CreatePrivateFolderAt(folder); !made) {
      problem = L"The folder " + folder + L" could not be created (" + made.Describe() + L").";
      return {};
    }
  } else {
    if (problem = Distrust(folder); !problem.empty()) return {};
    if (restrict) (void)platform::MakeFolderPrivate(folder);  // the folders inside are private anyway
  }
  return platform::WideToAnsi(folder) + "\\";
}

}  // namespace

std::string GetProgramDataFolder() {
  std::wstring problem;
  return PrepareProgramDataFolder(false, problem);
}

std::wstring CheckProgramDataFolder() {
  std::wstring problem;
  (void)PrepareProgramDataFolder(true, problem);
  return problem;
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
