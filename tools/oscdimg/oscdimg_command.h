#pragma once
// The part of oscdimg's command line the substitute understands.
#include <string>
#include <vector>

struct BootEntry {
  int platform = 0;      // 0 BIOS, 0xEF UEFI
  bool noEmulation = false;
  std::wstring bootFile;  // Windows path
};

struct OscdimgCommand {
  std::wstring label;                // -l
  std::vector<BootEntry> bootEntries;  // -bootdata:N#...#...
  std::wstring source;               // folder to image (Windows path)
  std::wstring target;               // ISO file (Windows path)
  std::wstring error;                // why the line was refused; empty when it was accepted
};

// Parses the words after the program name.
OscdimgCommand ParseOscdimgCommand(const std::vector<std::wstring>& words);
