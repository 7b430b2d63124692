#pragma once
// Writing the files of a sample Windows 7 disc.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sample {

struct DiscOptions {
  std::filesystem::path out;
  bool amd64 = false;
  std::uint64_t sizeBytes = 0;  // the whole tree; 0 or less than the base files: no filler
  std::string label;
};

// Writes a file of `size` bytes of incompressible data that depends on `seed`.
void WriteDataFile(const std::filesystem::path& path, std::uint64_t size, std::uint64_t seed);
// Writes a small text file (CR LF lines).
void WriteText(const std::filesystem::path& path, const std::string& text);

// The loose files of the disc: setup.exe, bootmgr, boot\, efi\, AutoRun.inf, sources\, ...
void WriteBaseTree(const DiscOptions& options);
// A small, well-formed UEFI application for x64: a PE32+ image (machine 0x8664, subsystem 10)
// with one code section whose entry point returns EFI_UNSUPPORTED, so firmware that starts it
// goes on to its next boot option. It stands in for Windows\Boot\EFI\bootmgfw.efi.
std::vector<unsigned char> EfiApplicationBytes();

// The trees captured as image 1 (Windows PE) and image 2 (Windows Setup) of boot.wim, and as
// the single image of install.wim, made under `staging`. The 64-bit boot images carry the UEFI
// boot manager Windows\Boot\EFI\bootmgfw.efi; the 32-bit ones none.
void WriteBootImageTree(const std::filesystem::path& folder, bool amd64, bool setup);
void WriteInstallImageTree(const std::filesystem::path& folder, bool amd64);
// Fills the tree up to options.sizeBytes: a few hundred small files, the rest in big ones.
void WriteFiller(const DiscOptions& options, std::uint64_t alreadyWritten);

}  // namespace sample
