#include "platform/host/file_faults.h"

#include <cwctype>

#include "platform/host/errors.h"
#include "platform/types.h"
#include "sim/machine/file_faults.h"
#include "sim/machine/machine.h"

namespace platform::host {

namespace {
bool Refused(std::uint32_t error) {
  if (error == 0) return false;
  SetLastErrorCode(error);
  return true;
}
}  // namespace

bool ChangeRefused(const std::string& hostPath) { return Refused(ChangeRefusal(hostPath)); }
bool OpenRefused(const std::string& hostPath) { return Refused(OpenRefusal(hostPath)); }
bool ReadRefused(const std::string& hostPath) { return Refused(ReadRefusal(hostPath)); }

bool TooLargeForVolume(const std::wstring& windowsPath, std::uint64_t bytes) {
  if (bytes <= kFat32LargestFileBytes) return false;
  // The drive letter of "X:\..." or "\\?\X:\...".
  std::wstring path = windowsPath.rfind(L"\\\\?\\", 0) == 0 ? windowsPath.substr(4) : windowsPath;
  if (path.size() < 2 || path[1] != L':' || !std::iswalpha(path[0])) return false;
  auto machine = Machine::Current();
  const DriveRecord* drive = machine ? machine->FindDrive(static_cast<char>(std::towupper(path[0]))) : nullptr;
  std::wstring fileSystem = drive ? drive->fileSystem : std::wstring();
  for (auto& c : fileSystem) c = static_cast<wchar_t>(std::towupper(c));
  return fileSystem == L"FAT32" && Refused(kErrorFileTooLarge);
}

}  // namespace platform::host
