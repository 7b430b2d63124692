// The oscdimg substitute of the simulated machine. It takes the program's command line
//   oscdimg -lWIN7 -m -o -u1 -udfver102 -bootdata:2#p0,e,b"<etfsboot>"#pEF,e,b"<efisys>" "<src>\" "<iso>"
// (read unsplit from DRAVENTA_COMMAND_LINE when the program started it, as oscdimg reads its
// own command line; else from argv), maps the Windows paths through the machine and builds a
// real ISO with xorriso: ISO 9660 level 3 with Joliet and long names, one El Torito entry per
// boot entry (platform 0 BIOS, 0xEF UEFI, no emulation), volume id from -l. Progress is printed
// as oscdimg does, one line rewritten with a carriage return: "\r 45% complete". Exit code 0 on
// success, 1 when the command line or a file is wrong or xorriso fails.
//
// Every run writes its process id to oscdimg.pid and xorriso's output to oscdimg-xorriso.log in
// the machine folder.
//
// Fault switches (machine.json "faults"):
//   oscdimg.stopAt = <n>     print progress up to n % and exit 0 without writing the image
//   oscdimg.hangAt = <n>     print progress up to n % and then write nothing, never ending
//   oscdimg.exitCode = <n>   build the image, print 100 %, then exit with n
//   oscdimg.crashAt = <n>    print progress up to n % and then crash (abort: killed by a signal,
//                            no exit code of its own), as a tool that dies of an access violation
// (A tool that can't be started: leave it uninstalled, or see process.startFail.)
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "oscdimg_command.h"
#include "oscdimg_output.h"
#include "sim/machine/machine.h"
#include "sim/machine/split_command_line.h"

namespace fs = std::filesystem;
using platform::host::FromUtf8;
using platform::host::Machine;
using platform::host::SplitCommandLine;
using platform::host::ToUtf8;

namespace {

using oscdimg_output::Fail;
using oscdimg_output::Progress;
using oscdimg_output::Say;

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::uint64_t TreeSize(const fs::path& root) {
  std::uint64_t total = 0;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    if (it->is_regular_file(ec)) total += it->file_size(ec);
  return total;
}

// Progress lines 0, 10, … up to `limit` without building anything (the fault switches).
void FakeProgress(int limit) {
  for (int p = 0; p <= limit; p += 10) {
    Progress(p);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  if (limit % 10 != 0) Progress(limit);
}

std::optional<int> FaultNumber(const platform::host::MachineDescription& machine, const char* name) {
  auto value = machine.Fault(name);
  if (!value) return std::nullopt;
  return std::atoi(value->c_str());
}

std::vector<std::wstring> CommandWords(int argc, char** argv) {
  if (const char* raw = std::getenv("DRAVENTA_COMMAND_LINE")) {
    std::vector<std::wstring> words = SplitCommandLine(FromUtf8(raw));
    if (!words.empty()) words.erase(words.begin());  // the program
    return words;
  }
  std::vector<std::wstring> words;
  for (int i = 1; i < argc; ++i) words.push_back(FromUtf8(argv[i]));
  return words;
}

}  // namespace

int main(int argc, char** argv) {
  Say("\nOSCDIMG substitute (Draventa simulated machine)\n\n");
  OscdimgCommand command = ParseOscdimgCommand(CommandWords(argc, argv));
  if (!command.error.empty()) return Fail(ToUtf8(command.error));
  auto machine = Machine::Current();
  if (!machine) return Fail("ERROR: No simulated machine (DRAVENTA_MACHINE)");
  std::error_code ec;
  std::string pid = fs::read_symlink("/proc/self", ec).filename().string();
  { std::ofstream(fs::path(Machine::Folder()) / "oscdimg.pid") << pid << "\n"; }

  std::string source = Machine::HostPath(command.source);
  std::string target = Machine::HostPath(command.target);
  if (source.empty() || !fs::is_directory(source, ec)) return Fail("ERROR: Could not find source " + ToUtf8(command.source));
  if (target.empty() || !fs::is_directory(fs::path(target).parent_path(), ec))
    return Fail("ERROR: Could not open target " + ToUtf8(command.target));
  std::vector<std::string> bootFiles;
  for (const auto& entry : command.bootEntries) {
    std::string host = Machine::HostPath(entry.bootFile);
    if (host.empty() || !fs::is_regular_file(host, ec))
      return Fail("ERROR: Could not open boot sector file \"" + ToUtf8(entry.bootFile) + "\"");
    bootFiles.push_back(host);
  }

  Say("Scanning source tree\n");
  if (auto stop = FaultNumber(*machine, "oscdimg.stopAt")) {
    FakeProgress(*stop);
    return 0;
  }
  if (auto crash = FaultNumber(*machine, "oscdimg.crashAt")) {
    FakeProgress(*crash);
    std::fflush(stdout);
    std::abort();
  }
  if (auto hang = FaultNumber(*machine, "oscdimg.hangAt")) {
    FakeProgress(*hang);
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  }

  std::string label = command.label.empty() ? std::string("CDROM") : ToUtf8(command.label);
  std::string xorriso = "xorriso -as mkisofs -iso-level 3 -J -joliet-long -V " + ShellQuote(label) + " -o " +
                        ShellQuote(target) + " -graft-points";
  std::string grafts;
  for (std::size_t i = 0; i < command.bootEntries.size(); ++i) {
    std::string inIso = "/.boot/" + std::to_string(i) + "_" + fs::path(bootFiles[i]).filename().string();
    if (i == 0) xorriso += " -c /.boot/boot.catalog";
    else xorriso += " -eltorito-alt-boot";
    const BootEntry& entry = command.bootEntries[i];
    xorriso += (entry.platform == 0xEF ? " -e " : " -b ") + ShellQuote(inIso);
    if (entry.noEmulation) xorriso += " -no-emul-boot";
    if (entry.platform != 0xEF) xorriso += " -boot-load-size 4";
    grafts += " " + ShellQuote(inIso + "=" + bootFiles[i]);
  }
  if (!command.bootEntries.empty()) xorriso += " -hide /.boot -hide-joliet /.boot";
  std::string log = (fs::path(Machine::Folder()) / "oscdimg-xorriso.log").string();
  xorriso += " " + ShellQuote(source + "/") + grafts + " >" + ShellQuote(log) + " 2>&1";

  Say("Writing image\n");
  std::uint64_t estimate = TreeSize(source) + 1024 * 1024;
  for (const auto& file : bootFiles) estimate += fs::file_size(file, ec);
  std::atomic<bool> done{false};
  int status = -1;
  std::thread builder([&] {
    status = std::system(xorriso.c_str());
    done = true;
  });
  int last = -1;
  while (!done) {
    std::uintmax_t size = fs::file_size(target, ec);
    int percent = ec ? 0 : static_cast<int>(std::min<std::uint64_t>(99, size * 100 / estimate));
    if (percent > last) Progress(last = percent);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  builder.join();
  if (status != 0) {
    std::ifstream in(log);
    std::string line, tail;
    while (std::getline(in, line)) tail = line;
    return Fail("\nERROR: Could not write the image (xorriso: " + tail + ")");
  }
  Progress(100);
  Say("\n\nFinal image file is " + ToUtf8(command.target) + "\nDone.\n");
  if (auto code = FaultNumber(*machine, "oscdimg.exitCode")) return *code;
  return 0;
}
