#include "engine/job_precheck.h"

#include <utility>
#include <vector>

#include "app/trace_log.h"
#include "engine/iso_operation.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "servicing/dism_cpp.h"
#include "servicing/dism_manager.h"

namespace {

const wchar_t kCaption[] = L"Error";
const wchar_t kUntouched[] = L"\n\nNothing has been changed on any drive.";

std::wstring WithBackslash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

void Trace(const std::wstring& finding) { TraceLog(L"[CheckJobCanFinish] " + finding); }

JobRefusal Refuse(const std::wstring& finding, const std::wstring& text) {
  Trace(finding + L" - job refused");
  return {text + kUntouched, kCaption};
}

std::optional<JobRefusal> CheckBootImage(const std::wstring& source) {
  std::wstring wim = WithBackslash(source) + L"sources\\boot.wim";
  if (!platform::IsFile(wim))
    return Refuse(L"no " + wim, L"The disc in " + source + L" is not a Windows 7 setup disc: " + wim +
                                    L" was not found.");
  Trace(L"found " + wim);
  return std::nullopt;
}

std::optional<JobRefusal> CheckIsoTool(bool is64) {
  IsoToolFiles files = FindIsoToolFiles(is64);
  for (const std::wstring& file : {files.tool, files.bootSector, files.efiBoot}) {
    if (!platform::IsFile(file))
      return Refuse(L"no " + file, L"The ISO file can't be made: " + file +
                                       L" was not found. Put the Oscdimg_x86 and Oscdimg_amd64 folders of "
                                       L"Microsoft's deployment kit beside the program.");
    Trace(L"found " + file);
  }
  return std::nullopt;
}

std::optional<JobRefusal> CheckDism(const std::wstring& source) {
  DismManager* dism = nullptr;
  try {
    dism = DismManager::Instance();
  } catch (const DismCpp::InitializeError& error) {
    return Refuse(L"DismInitialize failed, hr " + std::to_wstring(error.Result()),
                  L"Windows' DISM could not be used (neither its programming interface, dismapi.dll, nor its tool "
                  L"dism.exe in the system folder), so the USB 3.0 drivers can't be added to the setup image. "
                  L"Windows 7 and later have dism.exe in the system folder: check that it is there.");
  }
  Trace(L"DISM initialised: " + dism->BackendDescription());
  std::wstring stuck;
  if (!dism->ClearStaleMounts(stuck))
    return Refuse(L"a mount in " + stuck + L" could not be removed",
                  L"An image that an earlier run left mounted in " + stuck +
                      L" could not be removed. Restart Windows and try again.");
  std::wstring wim = WithBackslash(source) + L"sources\\boot.wim";
  std::uint32_t count = 0;
  platform::DismResult hr = 0;
  if (!dism->ReadImageCount(wim, count, hr)) {
    std::wstring reason = dism->LastErrorText();
    return Refuse(L"DismGetImageInfo failed on " + wim + L", hr " + std::to_wstring(hr) + L" : " + reason,
                  L"The setup image " + wim + L" can't be read (it is damaged or not a WIM file)." +
                      (reason.empty() ? L"" : L" DISM says: " + reason));
  }
  if (count < 2)
    return Refuse(wim + L" holds " + std::to_wstring(count) + L" image(s)",
                  L"The setup image " + wim + L" holds " + std::to_wstring(count) +
                      L" image(s), but Windows 7 setup runs from its image 2, which gets the drivers. This disc "
                      L"can't be used.");
  Trace(wim + L" holds " + std::to_wstring(count) + L" images");
  return std::nullopt;
}

// The first file below `folder` larger than `limit`; empty when there is none. A folder that
// can't be listed is left to the copy, which fails on it with its reason.
std::wstring FindFileLargerThan(const std::wstring& folder, std::uint64_t limit, std::uint64_t& size) {
  std::vector<std::wstring> pending{WithBackslash(folder)};
  while (!pending.empty()) {
    std::wstring current = pending.back();
    pending.pop_back();
    std::wstring found;
    (void)platform::ListFolder(current, [&](const platform::FolderEntry& entry) {
      if (entry.IsFolder()) {
        pending.push_back(current + entry.name + L"\\");
      } else if (entry.size > limit) {
        found = current + entry.name;
        size = entry.size;
        return false;
      }
      return true;
    });
    if (!found.empty()) return found;
  }
  return {};
}

// Every file the USB job puts on the stick must fit FAT32: the disc's, and those of the "OS"
// folder beside the program, which replace or add to the disc's on the stick.
std::optional<JobRefusal> CheckFat32FileSizes(const std::wstring& source, const std::wstring& osFolder) {
  const std::pair<std::wstring, const wchar_t*> folders[] = {
      {source, L"this disc"}, {osFolder, L"the \"OS\" folder beside the program"}};
  for (const auto& [folder, what] : folders) {
    if (folder.empty() || !platform::IsFolder(folder)) continue;
    std::uint64_t size = 0;
    std::wstring file = FindFileLargerThan(folder, kFat32LargestFile, size);
    if (file.empty()) {
      Trace(L"no file in " + folder + L" is larger than FAT32 allows");
      continue;
    }
    return Refuse(file + L" has " + std::to_wstring(size) + L" bytes",
                  L"The file " + file + L" (" + std::to_wstring(size / 1048576) +
                      L" MB) is larger than 4 GB, the largest file a FAT32 USB drive can hold, so " + what +
                      L" can't be copied onto a USB drive. Make an ISO file from it instead.");
  }
  return std::nullopt;
}

}  // namespace

std::optional<JobRefusal> CheckJobCanFinish(std::int32_t type, const WIN7_OPERAT_INFO& info) {
  const std::wstring source = info.szSourcePath;
  Trace(L"type " + std::to_wstring(type) + L", source " + source);
  if (auto refusal = CheckBootImage(source)) return refusal;
  if (type == 1) {
    if (auto refusal = CheckIsoTool(info.bIs64bitDVD != 0)) return refusal;
  }
  if (auto refusal = CheckDism(source)) return refusal;
  if (type == 0) {
    if (auto refusal = CheckFat32FileSizes(source, info.szImgDriverPath)) return refusal;
  }
  Trace(L"the job can run");
  return std::nullopt;
}

void ShowJobRefusal(platform::WindowHandle owner, const JobRefusal& refusal) {
  platform::ShowMessageBox(owner, refusal.text, refusal.caption, platform::kMbOk | platform::kMbIconError);
}
