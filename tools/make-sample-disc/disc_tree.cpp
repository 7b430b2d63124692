#include "disc_tree.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace sample {

namespace {

constexpr std::size_t kBlock = 4u << 20;

// One random block per process, varied per 4 KiB page by the seed and position, so files are
// incompressible and distinct without generating every byte.
const std::vector<std::uint64_t>& RandomBlock() {
  static const std::vector<std::uint64_t> block = [] {
    std::vector<std::uint64_t> words(kBlock / 8);
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (auto& w : words) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      w = x;
    }
    return words;
  }();
  return block;
}

std::string Arch(bool amd64) { return amd64 ? "amd64" : "x86"; }

void PutLe(std::vector<unsigned char>& bytes, std::size_t at, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

void WriteBytes(const fs::path& path, const char* data, std::size_t size) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
  if (!out.flush()) throw std::runtime_error("can't write " + path.string());
}

}  // namespace

void WriteDataFile(const fs::path& path, std::uint64_t size, std::uint64_t seed) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("can't create " + path.string());
  std::vector<std::uint64_t> block = RandomBlock();
  for (std::uint64_t written = 0, index = 0; written < size; ++index) {
    for (std::size_t page = 0; page < block.size(); page += 512) block[page] ^= seed * 0x100000001B3ull + index;
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - written));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    written += n;
  }
  if (!out.flush()) throw std::runtime_error("can't write " + path.string());
}

void WriteText(const fs::path& path, const std::string& text) {
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  WriteBytes(path, crlf.data(), crlf.size());
}

std::vector<unsigned char> EfiApplicationBytes() {
  // Headers in the first 0x200 bytes, the code section in the next 0x200 (the file alignment),
  // loaded at 0x1000 (the section alignment).
  constexpr std::size_t kPeAt = 0x40, kOptionalAt = kPeAt + 24, kOptionalSize = 0xF0;
  constexpr std::size_t kSectionAt = kOptionalAt + kOptionalSize, kCodeAt = 0x200, kFileSize = 0x400;
  constexpr std::uint32_t kCodeRva = 0x1000;
  std::vector<unsigned char> bytes(kFileSize, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  PutLe(bytes, 0x3C, kPeAt, 4);                       // e_lfanew
  PutLe(bytes, kPeAt, 0x00004550, 4);                 // "PE\0\0"
  PutLe(bytes, kPeAt + 4, 0x8664, 2);                 // machine: x64
  PutLe(bytes, kPeAt + 6, 1, 2);                      // one section
  PutLe(bytes, kPeAt + 20, kOptionalSize, 2);
  PutLe(bytes, kPeAt + 22, 0x0022, 2);                // executable image, large-address aware
  PutLe(bytes, kOptionalAt, 0x20B, 2);                // PE32+
  PutLe(bytes, kOptionalAt + 4, 0x200, 4);            // size of code
  PutLe(bytes, kOptionalAt + 16, kCodeRva, 4);        // entry point
  PutLe(bytes, kOptionalAt + 20, kCodeRva, 4);        // base of code
  PutLe(bytes, kOptionalAt + 24, 0x10000000, 8);      // image base
  PutLe(bytes, kOptionalAt + 32, 0x1000, 4);          // section alignment
  PutLe(bytes, kOptionalAt + 36, 0x200, 4);           // file alignment
  PutLe(bytes, kOptionalAt + 56, 0x2000, 4);          // size of image
  PutLe(bytes, kOptionalAt + 60, kCodeAt, 4);         // size of headers
  PutLe(bytes, kOptionalAt + 68, 10, 2);              // subsystem: EFI application
  PutLe(bytes, kOptionalAt + 72, 0x10000, 8);         // stack reserve
  PutLe(bytes, kOptionalAt + 80, 0x1000, 8);          // stack commit
  PutLe(bytes, kOptionalAt + 88, 0x10000, 8);         // heap reserve
  PutLe(bytes, kOptionalAt + 96, 0x1000, 8);          // heap commit
  PutLe(bytes, kOptionalAt + 108, 16, 4);             // data directories, all empty
  const char name[8] = {'.', 't', 'e', 'x', 't'};
  std::copy(name, name + 8, bytes.begin() + static_cast<std::ptrdiff_t>(kSectionAt));
  PutLe(bytes, kSectionAt + 8, 11, 4);                // virtual size: the code below
  PutLe(bytes, kSectionAt + 12, kCodeRva, 4);
  PutLe(bytes, kSectionAt + 16, 0x200, 4);            // size of raw data
  PutLe(bytes, kSectionAt + 20, kCodeAt, 4);          // pointer to raw data
  PutLe(bytes, kSectionAt + 36, 0x60000020, 4);       // code, executable, readable
  // mov rax, 0x8000000000000003 (EFI_UNSUPPORTED); ret
  const unsigned char code[] = {0x48, 0xB8, 0x03, 0, 0, 0, 0, 0, 0, 0x80, 0xC3};
  std::copy(std::begin(code), std::end(code), bytes.begin() + static_cast<std::ptrdiff_t>(kCodeAt));
  return bytes;
}

void WriteBaseTree(const DiscOptions& options) {
  const fs::path& root = options.out;
  const std::string arch = Arch(options.amd64);
  if (options.amd64) {
    WriteText(root / "AutoRun.inf",
              "[AutoRun.Amd64]\nopen=setup.exe\nicon=setup.exe,0\n\n"
              "[AutoRun]\nopen=sources\\SetupError.exe x64\nicon=sources\\SetupError.exe,0\n");
  } else {
    WriteText(root / "AutoRun.inf", "[AutoRun]\nopen=setup.exe\nicon=setup.exe,0\n");
  }
  std::uint64_t seed = options.amd64 ? 64 : 32;
  WriteDataFile(root / "setup.exe", 110 << 10, seed++);
  WriteDataFile(root / "bootmgr", 375 << 10, seed++);
  WriteDataFile(root / "boot" / "etfsboot.com", 4096, seed++);
  WriteDataFile(root / "boot" / "bcd", 256 << 10, seed++);
  WriteDataFile(root / "boot" / "boot.sdi", 1 << 20, seed++);
  WriteDataFile(root / "boot" / "bootfix.bin", 1024, seed++);
  WriteDataFile(root / "boot" / "bootsect.exe", 95 << 10, seed++);
  WriteDataFile(root / "boot" / "memtest.exe", 470 << 10, seed++);
  WriteDataFile(root / "boot" / "en-us" / "bootsect.exe.mui", 15 << 10, seed++);
  for (const char* font : {"chs_boot.ttf", "cht_boot.ttf", "jpn_boot.ttf", "kor_boot.ttf", "wgl4_boot.ttf"})
    WriteDataFile(root / "boot" / "fonts" / font, 40 << 10, seed++);
  WriteDataFile(root / "efi" / "microsoft" / "boot" / "bcd", 256 << 10, seed++);
  WriteDataFile(root / "efi" / "microsoft" / "boot" / "cdboot.efi", 700 << 10, seed++);
  WriteDataFile(root / "efi" / "microsoft" / "boot" / "efisys.bin", 720 << 10, seed++);
  WriteDataFile(root / "efi" / "microsoft" / "boot" / "efisys_noprompt.bin", 720 << 10, seed++);
  WriteDataFile(root / "efi" / "microsoft" / "boot" / "fonts" / "wgl4_boot.ttf", 40 << 10, seed++);
  WriteText(root / "sources" / "lang.ini", "[Available UI Languages]\nen-US = 3\n\n[Fallback Languages]\nen-US = en-us\n");
  WriteText(root / "sources" / "ei.cfg", "[EditionID]\n\n[Channel]\nRetail\n\n[VL]\n0\n");
  WriteText(root / "sources" / "idwbinfo.txt",
            "[BUILDINFO]\nBuildArch=" + arch + "\nBuildBranch=win7_rtm\nBuildString=7600.16385." + arch +
                "fre.win7_rtm.090713-1255\n");
  WriteDataFile(root / "sources" / "setup.exe", 260 << 10, seed++);
  WriteDataFile(root / "sources" / "SetupError.exe", 90 << 10, seed++);
  for (const char* dll : {"setup.dll", "winsetup.dll", "spwizeng.dll", "migcore.dll"})
    WriteDataFile(root / "sources" / dll, 200 << 10, seed++);
  WriteDataFile(root / "sources" / "en-us" / "setup.exe.mui", 30 << 10, seed++);
  WriteText(root / "support" / "logging" / "readme.txt", "Sample support folder of a generated disc.\n");
  WriteText(root / "upgrade" / "netfx" / "readme.txt", "Sample upgrade folder of a generated disc.\n");
}

void WriteBootImageTree(const fs::path& folder, bool amd64, bool setup) {
  const fs::path system = folder / "Windows" / "System32";
  std::uint64_t seed = (amd64 ? 1000 : 2000) + (setup ? 100 : 0);
  for (const char* file : {"winload.exe", "smss.exe", "winpeshl.exe", "ntoskrnl.exe", "hal.dll"})
    WriteDataFile(system / file, 24 << 10, seed++);
  WriteDataFile(system / "config" / "SYSTEM", 64 << 10, seed++);
  WriteDataFile(system / "config" / "SOFTWARE", 64 << 10, seed++);
  WriteDataFile(system / "drivers" / "usbehci.sys", 16 << 10, seed++);
  WriteDataFile(system / "drivers" / "usbhub.sys", 16 << 10, seed++);
  const std::string arch = Arch(amd64);
  const fs::path repository = system / "DriverStore" / "FileRepository";
  WriteText(repository / ("usbport.inf_" + arch + "_neutral_5b1a3a1e2bd3ed6f") / "usbport.inf",
            "[Version]\nSignature=\"$Windows NT$\"\nClass=USB\n");
  WriteText(folder / "Windows" / "inf" / "usbport.inf", "[Version]\nSignature=\"$Windows NT$\"\nClass=USB\n");
  if (amd64) {
    const std::vector<unsigned char> application = EfiApplicationBytes();
    WriteBytes(folder / "Windows" / "Boot" / "EFI" / "bootmgfw.efi", reinterpret_cast<const char*>(application.data()),
               application.size());
  }
  if (setup) {
    WriteDataFile(folder / "sources" / "setup.exe", 32 << 10, seed++);
    WriteText(folder / "sources" / "lang.ini", "[Available UI Languages]\nen-US = 3\n");
    WriteText(system / "winpeshl.ini", "[LaunchApps]\n%SYSTEMDRIVE%\\sources\\setup.exe\n");
  }
}

void WriteInstallImageTree(const fs::path& folder, bool amd64) {
  const fs::path system = folder / "Windows" / "System32";
  std::uint64_t seed = amd64 ? 3000 : 4000;
  for (const char* file : {"ntoskrnl.exe", "hal.dll", "explorer.exe", "winlogon.exe"})
    WriteDataFile(system / file, 32 << 10, seed++);
  WriteText(folder / "Windows" / "win.ini", "; for 16-bit app support\n[fonts]\n[extensions]\n");
  fs::create_directories(folder / "Users" / "Default");
  fs::create_directories(folder / "Program Files");
}

void WriteFiller(const DiscOptions& options, std::uint64_t alreadyWritten) {
  if (options.sizeBytes <= alreadyWritten) return;
  std::uint64_t budget = options.sizeBytes - alreadyWritten;
  std::uint64_t seed = 90000;
  // A disc holds many small files beside its big ones: up to 600 of them, at most an eighth.
  std::uint64_t smallBudget = budget / 8;
  for (int i = 0; i < 600 && smallBudget > 0; ++i) {
    std::uint64_t size = std::min<std::uint64_t>(smallBudget, 4096 + (static_cast<std::uint64_t>(i) * 7919 % 61) * 4096);
    char name[32];
    std::snprintf(name, sizeof name, "sample-%04d.dat", i);
    WriteDataFile(options.out / "support" / "samples" / std::to_string(i % 12) / name, size, seed++);
    smallBudget -= size;
    budget -= size;
  }
  constexpr std::uint64_t kBigFile = 1ull << 30;
  for (int i = 0; budget > 0; ++i) {
    std::uint64_t size = std::min(budget, kBigFile);
    char name[32];
    std::snprintf(name, sizeof name, "sample-%02d.bin", i);
    WriteDataFile(options.out / "sources" / "samples" / name, size, seed++);
    budget -= size;
  }
}

}  // namespace sample
