#include "engine/job_precheck.h"

#include <utility>
#include <vector>

#include "app/program_data.h"
#include "app/folder_path.h"
#include "app/trace_log.h"
#include "disk/volume_utils.h"
#include "engine/iso_operation.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "platform/volumes.h"
#include "servicing/boot_image_rule.h"
#include "servicing/dism_cpp.h"
#include "servicing/dism_manager.h"

namespace {

const wchar_t kCaption[] = L"Error";
const wchar_t kUntouched[] = L"\n\nNothing has been changed on any drive.";

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
  const std::wstring problem = BootImageCountProblem(wim, count);
  if (!problem.empty()) return Refuse(wim + L" holds " + std::to_wstring(count) + L" image(s)", problem);
  Trace(wim + L" holds " + std::to_wstring(count) + L" images");
  return std::nullopt;
}

// Adding the drivers to Windows itself services every image of install.wim, one mount at a time
// in the program data folder: a split (install.swm) or compressed-for-download (install.esd)
// image can't be mounted for servicing, and the largest image must fit on the folder's drive.
std::optional<JobRefusal> CheckWindowsImages(std::int32_t type, const WIN7_OPERAT_INFO& info, DismManager& dism) {
  const std::wstring source = info.szSourcePath;
  const std::wstring sources = WithBackslash(source) + L"sources\\";
  for (const wchar_t* kind : {L"install.swm", L"install.esd"}) {
    if (!platform::IsFile(sources + kind)) continue;
    return Refuse(L"found " + sources + kind,
                  L"The drivers can't be added to Windows itself on this disc: its Windows image is " + sources + kind +
                      L", which DISM can't mount for servicing. Leave \"Also add the drivers to Windows itself\" "
                      L"unchecked to add them to Windows setup only.");
  }
  const std::wstring wim = sources + L"install.wim";
  std::vector<platform::DismImage> images, boot;
  platform::DismResult hr = 0;
  if (!platform::IsFile(wim) || !dism.ReadImages(wim, images, hr) || images.empty())
    return Refuse(L"no readable " + wim + L", hr " + std::to_wstring(hr),
                  L"The drivers can't be added to Windows itself: the Windows image " + wim +
                      L" was not found or can't be read." + (hr < 0 ? L" DISM says: " + dism.LastErrorText() : L""));
  if (dism.ReadImages(sources + L"boot.wim", boot, hr) && !boot.empty()) images.push_back(boot.front());
  std::uint64_t largest = 0;
  for (const auto& image : images) largest = image.imageSize > largest ? image.imageSize : largest;
  const std::wstring folder = platform::AnsiToWide(GetProgramDataFolder());
  const std::wstring root = folder.substr(0, 3);
  auto space = platform::QueryDiskSpace(root);
  Trace(wim + L" holds " + std::to_wstring(images.size() - (boot.empty() ? 0 : 1)) + L" image(s), the largest " +
        std::to_wstring(largest) + L" bytes; " + root + L" has " +
        (space ? std::to_wstring(space->freeBytes) : std::wstring(L"unknown")) + L" bytes free");
  if (space && space->freeBytes < largest)
    return Refuse(root + L" has too little free space for the mounts",
                  L"Adding the drivers to Windows itself mounts each Windows image in " + folder + L", which needs " +
                      std::to_wstring(largest / 1048576 + 1) + L" MB free on " + root + L", but it has " +
                      std::to_wstring(space->freeBytes / 1048576) + L" MB. Free some space or leave \"Also add the "
                      L"drivers to Windows itself\" unchecked.");
  if (type == 0) {
    // On a USB drive the serviced install.wim must still fit FAT32. Each image gains at most the
    // packages it stages; counting all of them uncompressed, twice, errs on the safe side.
    std::uint64_t packages = 0;
    for (const wchar_t* folder : {info.szDriverPath, info.szExtraDriverPath})
      if (folder[0] != L'\0') packages += GetFolderSize(folder, true);
    const std::uint64_t estimate = GetFileByteSize(wim) + 2 * packages * images.size();
    Trace(wim + L" is estimated at " + std::to_wstring(estimate) + L" bytes after servicing");
    if (estimate > kFat32LargestFile)
      return Refuse(wim + L" would grow past FAT32's largest file",
                    L"With the drivers added to each of its " + std::to_wstring(images.size()) + L" images, " + wim +
                        L" could grow past 4 GB, the largest file a FAT32 USB drive can hold. Make an ISO file "
                        L"instead, or leave \"Also add the drivers to Windows itself\" unchecked.");
  }
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
  if (info.bAllImages) {
    if (auto refusal = CheckWindowsImages(type, info, *DismManager::Instance())) return refusal;
  }
  if (type == 0) {
    if (auto refusal = CheckFat32FileSizes(source, info.szImgDriverPath)) return refusal;
  }
  Trace(L"the job can run");
  return std::nullopt;
}

void ShowJobRefusal(platform::WindowHandle owner, const JobRefusal& refusal) {
  platform::ShowMessageBox(owner, refusal.text, refusal.caption, platform::kMbOk | platform::kMbIconError);
}
