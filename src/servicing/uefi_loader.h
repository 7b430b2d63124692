#pragma once
// The 64-bit UEFI boot loader of a USB stick made from a 64-bit Windows 7 disc. Such a disc has
// efi\microsoft\boot but not efi\boot\bootx64.efi, the file UEFI firmware starts from a removable
// drive. Windows 7's own boot manager for UEFI, Windows\Boot\EFI\bootmgfw.efi inside the disc's
// boot.wim, is that file; the USB job's servicing step copies it from a mounted image.
#include <string>

// The loader's place below a drive's root.
inline constexpr wchar_t kUefiLoaderPath[] = L"efi\\boot\\bootx64.efi";
// The boot manager's place below a mounted image's root.
inline constexpr wchar_t kImageBootManagerPath[] = L"Windows\\Boot\\EFI\\bootmgfw.efi";

// What the user is told at the end of a job whose stick got no loader: none was found in
// boot.wim's images, or the one found could not be written to the stick.
std::wstring LegacyOnlyNote(bool foundButNotWritten);

// Where the stick's loader comes from without the program's help: the stick's own file (copied
// from the disc), the "OS" folder's (copied over the stick after the servicing), or empty when
// neither has one. `osFolder` may be empty or missing.
std::wstring ProvidedUefiLoader(const std::wstring& stickRoot, const std::wstring& osFolder);

enum class UefiLoaderCopy {
  kWritten,     // the stick has the image's boot manager as its loader
  kNotInImage,  // the image has no boot manager, or one that is no 64-bit EFI application
  kNotWritten,  // the stick refused the file (nothing of it is left there)
};

// Reads the boot manager of the image mounted at `mountFolder`, checks that it is a 64-bit EFI
// application and writes those bytes to the stick's efi\boot\bootx64.efi. `why` says what went
// wrong when it was not written.
UefiLoaderCopy WriteUefiLoader(const std::wstring& mountFolder, const std::wstring& stickRoot, std::wstring& why);
