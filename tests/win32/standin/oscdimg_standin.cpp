// Test-only stand-in for Microsoft's oscdimg.exe under Wine. It reads the command line the
// program passes
//   oscdimg -lWIN7 -m -o -u1 -udfver102 -bootdata:2#p0,e,b"<etfsboot>"#pEF,e,b"<efisys>" "<src>\" "<iso>"
// with the command-line reader of the host's oscdimg substitute, and builds a real ISO with
// xorriso (ISO 9660 level 3 with Joliet and long names, one El Torito entry per boot entry:
// platform 0 BIOS, 0xEF UEFI, no emulation; volume id from -l). While xorriso runs it prints
// oscdimg's progress line, rewritten with a carriage return: "\r 45% complete". Exit code 0 only
// when xorriso's own status (written by the shell, as Wine does not hand over a Linux program's
// exit code reliably) is 0 and the ISO file exists; 1 otherwise, with the reason printed.
//
// DRAVENTA_OSCDIMG_PACE_MS=<n>: a small tree is written in a moment, so a test that wants to
// watch the progress page sets this; the reports while xorriso runs then stop at 50 %, and 60,
// 70, 80 and 90 % follow n ms apart after it has finished, before 100 %.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "oscdimg_command.h"
#include "oscdimg_output.h"
#include "sim/machine/split_command_line.h"
#include "unix_tool.h"

namespace {

using standin::ShellQuote;
using standin::UnixPath;
using standin::Utf8;

constexpr DWORD kXorrisoLimitMs = 10 * 60 * 1000;

using oscdimg_output::Fail;
using oscdimg_output::Progress;
using oscdimg_output::Say;

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }
bool IsFolder(const std::wstring& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
bool IsFile(const std::wstring& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

unsigned long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

unsigned long long TreeSize(const std::wstring& folder) {
  unsigned long long total = 0;
  WIN32_FIND_DATAW data;
  std::wstring base = folder.back() == L'\\' ? folder : folder + L"\\";
  HANDLE find = FindFirstFileW((base + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) total += TreeSize(base + name);
    else total += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return total;
}

std::wstring ParentOf(const std::wstring& path) {
  std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash == 2 ? 3 : slash);
}

}  // namespace

int wmain() {
  Say("\nOSCDIMG stand-in (Draventa tests under Wine)\n\n");
  std::vector<std::wstring> words = platform::host::SplitCommandLine(GetCommandLineW());
  if (!words.empty()) words.erase(words.begin());  // the program
  OscdimgCommand command = ParseOscdimgCommand(words);
  if (!command.error.empty()) return Fail(Utf8(command.error));

  std::wstring source = command.source;
  if (!IsFolder(source)) return Fail("ERROR: Could not find source " + Utf8(command.source));
  if (!IsFolder(ParentOf(command.target))) return Fail("ERROR: Could not open target " + Utf8(command.target));
  const std::string unixSource = UnixPath(source), unixTarget = UnixPath(command.target);
  if (unixSource.empty() || unixTarget.empty()) return Fail("ERROR: The paths have no Linux paths (not under Wine?)");
  std::vector<std::string> bootFiles;
  for (const auto& entry : command.bootEntries) {
    std::string unix = UnixPath(entry.bootFile);
    if (!IsFile(entry.bootFile) || unix.empty())
      return Fail("ERROR: Could not open boot sector file \"" + Utf8(entry.bootFile) + "\"");
    bootFiles.push_back(unix);
  }

  Say("Scanning source tree\n");
  std::string label = command.label.empty() ? std::string("CDROM") : Utf8(command.label);
  std::string xorriso = "xorriso -as mkisofs -iso-level 3 -J -joliet-long -V " + ShellQuote(label) + " -o " +
                        ShellQuote(unixTarget) + " -graft-points";
  std::string grafts;
  for (std::size_t i = 0; i < command.bootEntries.size(); ++i) {
    std::string name = bootFiles[i].substr(bootFiles[i].find_last_of('/') + 1);
    std::string inIso = "/.boot/" + std::to_string(i) + "_" + name;
    xorriso += i == 0 ? " -c /.boot/boot.catalog" : " -eltorito-alt-boot";
    const BootEntry& entry = command.bootEntries[i];
    xorriso += (entry.platform == 0xEF ? " -e " : " -b ") + ShellQuote(inIso);
    if (entry.noEmulation) xorriso += " -no-emul-boot";
    if (entry.platform != 0xEF) xorriso += " -boot-load-size 4";
    grafts += " " + ShellQuote(inIso + "=" + bootFiles[i]);
  }
  if (!command.bootEntries.empty()) xorriso += " -hide /.boot -hide-joliet /.boot";
  std::string tree = unixSource.back() == '/' ? unixSource : unixSource + "/";
  xorriso += " " + ShellQuote(tree) + grafts;

  Say("Writing image\n");
  unsigned long long estimate = TreeSize(source) + 1024 * 1024;
  for (const auto& entry : command.bootEntries) estimate += FileSize(entry.bootFile);
  const char* pace = std::getenv("DRAVENTA_OSCDIMG_PACE_MS");
  const unsigned long long cap = pace ? 50 : 99;
  int last = -1;
  Progress(last = 0);
  standin::ShellResult result = standin::RunShell(xorriso, kXorrisoLimitMs, [&] {
    int percent = static_cast<int>(std::min<unsigned long long>(cap, FileSize(command.target) * 100 / estimate));
    if (percent > last) Progress(last = percent);
  });
  if (!result.ran) return Fail("\nERROR: xorriso did not run: " + result.problem);
  if (result.status != 0)
    return Fail("\nERROR: Could not write the image (xorriso status " + std::to_string(result.status) + ": " +
                standin::LastLine(result.output) + ")");
  if (!IsFile(command.target)) return Fail("\nERROR: xorriso reported success but wrote no " + Utf8(command.target));
  if (pace) {
    for (int percent = (last / 10 + 1) * 10; percent < 100; percent += 10) {
      Sleep(static_cast<DWORD>(std::atoi(pace)));
      Progress(last = percent);
    }
  }
  Progress(100);
  Say("\n\nFinal image file is " + Utf8(command.target) + "\nDone.\n");
  return 0;
}
