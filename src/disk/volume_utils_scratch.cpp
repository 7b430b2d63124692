// The job's scratch folder: the preferred one in the program data folder when the system drive
// has room, otherwise a fresh numbered folder on the first fixed or removable drive with room.
// The disc is copied into it, serviced there and built into the ISO file, so either folder is
// made new for the program alone (platform/private_folder.h).
#include <string>

#include "app/fresh_folder.h"
#include "app/program_data.h"
#include "disk/volume_utils.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/private_folder.h"
#include "platform/text.h"
#include "platform/types.h"
#include "platform/volumes.h"

std::wstring PrepareScratchFolder(int requiredMB) {
  std::wstring system = platform::SystemFolder();
  if (system.empty()) return {};
  std::wstring root = system.substr(0, 3);
  // Free space and need are both in MiB.
  if (!(requiredMB < GetFreeSpaceMB(root))) return root;

  std::string programData = GetProgramDataFolder();
  // Without the program data folder the name would be relative to the current folder.
  if (programData.empty()) return {};
  std::wstring folder = platform::AnsiToWide(programData) + L"QarvelToolTmp\\";
  // Every job starts with an empty folder of its own: what stands there (the last job's copy,
  // or a folder or link someone else put there) is removed without following links.
  if (!CreateFreshPrivateFolder(folder)) return {};
  return folder;
}

std::wstring GetScratchFolder(int requiredMB) {
  std::wstring path = PrepareScratchFolder(requiredMB);
  if (path.size() >= 4) return path;

  std::wstring base;
  std::uint32_t mask = platform::LogicalDriveMask();
  for (int i = 0; i < 26 && base.empty(); ++i) {
    if (!(mask & (1u << i))) continue;
    std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\";
    if (IsFixedOrRemovable(root) && requiredMB < GetFreeSpaceMB(root)) base = root;
  }
  // No drive has room: no folder rather than one relative to the current folder.
  if (base.empty()) return {};

  // The first free name, created here: the copy of an ISO job needs an existing target. A name
  // that someone takes between the test and the creation is skipped like a taken one.
  constexpr unsigned kNames = 100000;
  for (unsigned n = 0; n < kNames; ++n) {
    std::wstring candidate = base + L"QarvelToolTmp" + std::to_wstring(n) + L"\\";
    if (platform::PathExists(candidate)) continue;
    platform::Status made = platform::CreatePrivateFolderAt(candidate);
    if (made) return candidate;
    if (made.code() != platform::kErrorAlreadyExists) return {};
  }
  return {};
}
