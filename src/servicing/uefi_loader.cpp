#include "servicing/uefi_loader.h"

#include "app/folder_path.h"
#include "platform/files.h"
#include "platform/text.h"
#include "servicing/driver_files.h"

std::wstring ProvidedUefiLoader(const std::wstring& stickRoot, const std::wstring& osFolder) {
  for (const std::wstring& root : {stickRoot, osFolder}) {
    if (root.empty()) continue;
    const std::wstring loader = WithBackslash(root) + kUefiLoaderPath;
    if (platform::PathExists(loader)) return loader;
  }
  return {};
}

std::wstring LegacyOnlyNote(bool foundButNotWritten) {
  const std::wstring what = foundButNotWritten
                                ? L"The 64-bit UEFI boot loader could not be written to the USB drive (see XHCItrace.log)"
                                : L"No 64-bit UEFI boot loader was found in sources\\boot.wim";
  return what + L", so the USB drive has no efi\\boot\\bootx64.efi: it starts only in legacy BIOS mode (CSM). "
                L"On a UEFI computer, turn on CSM (legacy boot) in the firmware settings and start from the USB "
                L"drive's legacy entry.";
}

UefiLoaderCopy WriteUefiLoader(const std::wstring& mountFolder, const std::wstring& stickRoot, std::wstring& why) {
  const std::wstring source = WithBackslash(mountFolder) + kImageBootManagerPath;
  if (!platform::IsFile(source)) {
    why = source + L" is missing";
    return UefiLoaderCopy::kNotInImage;
  }
  platform::Result<std::vector<std::uint8_t>> bytes = platform::ReadWholeFile(source);
  if (!bytes) {
    why = bytes.status().Describe();
    return UefiLoaderCopy::kNotInImage;
  }
  if (auto wrong = driver_files::CheckX64EfiApplication(*bytes)) {
    why = source + L" " + platform::AnsiToWide(*wrong);
    return UefiLoaderCopy::kNotInImage;
  }
  // The checked bytes are what is written, so the stick gets exactly the file that passed.
  const std::wstring target = WithBackslash(stickRoot) + kUefiLoaderPath;
  if (platform::Status made = platform::CreateFolderPath(target.substr(0, target.find_last_of(L'\\'))); !made) {
    why = made.Describe();
    return UefiLoaderCopy::kNotWritten;
  }
  if (platform::Status written = platform::WriteWholeFile(target, *bytes); !written) {
    why = written.Describe();
    // A partial loader would start nothing and hide the missing one from the firmware's fallback.
    if (platform::PathExists(target)) (void)platform::DeleteFileAt(target);  // best effort; `why` says what failed
    return UefiLoaderCopy::kNotWritten;
  }
  return UefiLoaderCopy::kWritten;
}
