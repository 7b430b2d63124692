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

// Splits a command line as a Microsoft C program's start-up code does (CommandLineToArgvW):
// the program name runs to the next blank or, when quoted, to the next quote; in the words
// after it, blanks separate words outside double quotes, 2n backslashes before a quote give n
// backslashes and the quote groups, 2n+1 give n backslashes and a literal quote, other
// backslashes are plain characters, and "" inside quotes is a literal quote.
std::vector<std::wstring> SplitCommandLine(const std::wstring& line);

// Parses the words after the program name.
OscdimgCommand ParseOscdimgCommand(const std::vector<std::wstring>& words);
