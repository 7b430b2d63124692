#include "demo_report.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

#include "demo_shell.h"
#include "disk/volume_utils.h"
#include "platform/folders.h"
#include "servicing/driver_files.h"
#include "sim/machine/machine.h"

namespace fs = std::filesystem;
using platform::host::Machine;
using platform::host::ToUtf8;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The staged driver packages in an image of a WIM: the FileRepository folders wimdir lists.
std::set<std::string> StagedPackages(const std::string& wim, int image) {
  std::set<std::string> packages;
  std::string listing = Shell("wimdir " + Quote(wim) + " " + std::to_string(image));
  const std::string marker = "/FileRepository/";
  std::size_t pos = 0;
  while ((pos = listing.find(marker, pos)) != std::string::npos) {
    pos += marker.size();
    std::size_t end = listing.find_first_of("/\n", pos);
    packages.insert(listing.substr(pos, end - pos));
  }
  return packages;
}

void PrintPackages(const std::string& wim) {
  std::set<std::string> image1 = StagedPackages(wim, 1);
  std::set<std::string> image2 = StagedPackages(wim, 2);
  std::printf("    driver packages in image 2 of sources\\boot.wim (wimdir; * = added by the job, not in image 1):\n");
  for (const auto& package : image2)
    std::printf("      %s Windows\\System32\\DriverStore\\FileRepository\\%s\n", image1.count(package) ? " " : "*",
                package.c_str());
}

// Compares every file of the "OS" folder with the result's file of the same relative path, as
// `fetch` (relative path with '/') hands it over.
void PrintOsFolderCheck(const std::function<std::string(const std::string&)>& fetch) {
  std::string os = Machine::HostPath(platform::ExecutableFolder() + L"OS");
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(os, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
    if (it->is_regular_file()) files.push_back(fs::relative(it->path(), os).generic_string());
  std::size_t same = 0;
  for (const auto& file : files) {
    bool match = fetch(file) == ReadFile(os + "/" + file);
    same += match ? 1 : 0;
    std::printf("      %s %s\n", match ? "ok  " : "DIFF", file.c_str());
  }
  std::printf("    \"OS\" folder: %zu of %zu files hold the OS folder's content\n", same, files.size());
}

// The stick's UEFI boot loader: whether the job wrote efi\boot\bootx64.efi, what kind of image it
// is, and whether it is image 2's boot manager byte for byte.
void PrintUefiLoader(const std::string& wim) {
  const std::string host = Machine::HostPath(L"F:\\efi\\boot\\bootx64.efi");
  if (!fs::exists(host)) {
    std::printf("    efi\\boot\\bootx64.efi: none, the stick starts in legacy BIOS (CSM) mode only (a 32-bit disc "
                "never gets one; for a 64-bit disc the trace's \"UEFI:\" lines say why)\n");
    return;
  }
  const std::string loader = ReadFile(host);
  const driver_files::Bytes bytes(loader.begin(), loader.end());
  std::size_t peAt = 0;
  std::string error;
  const auto machine = driver_files::PeMachine(bytes, peAt, error);
  const bool hasSubsystem = machine && peAt + 24 + 70 <= bytes.size();
  const auto wrong = driver_files::CheckX64EfiApplication(bytes);
  const fs::path extracted = fs::temp_directory_path() / ("draventa-demo-efi-" + std::to_string(::getpid()));
  Shell("wimextract " + Quote(wim) + " 2 /Windows/Boot/EFI/bootmgfw.efi --dest-dir=" + Quote(extracted.string()));
  const std::string image2 = ReadFile((extracted / "bootmgfw.efi").string());
  std::error_code ec;
  fs::remove_all(extracted, ec);
  std::printf("    efi\\boot\\bootx64.efi: %zu bytes, machine %s, subsystem %s (%s), %s image 2's "
              "Windows\\Boot\\EFI\\bootmgfw.efi\n",
              bytes.size(), machine ? driver_files::Hex(*machine).c_str() : error.c_str(),
              hasSubsystem ? std::to_string(driver_files::ReadLe(bytes, peAt + 24 + 68, 2)).c_str() : "?",
              wrong ? wrong->c_str() : "a 64-bit EFI application", loader == image2 ? "equal to" : "NOT equal to");
}

}  // namespace

void PrintIsoResult(const std::string& iso, const std::string& work) {
  std::printf("  ISO file %s (%llu MiB)\n", iso.c_str(), static_cast<unsigned long long>(fs::file_size(iso) >> 20));
  std::string report = Shell("xorriso -indev " + Quote(iso) + " -report_el_torito plain");
  std::printf("    boot catalogue (xorriso -report_el_torito plain):\n");
  std::size_t pos = 0;
  while (pos < report.size()) {
    std::size_t end = report.find('\n', pos);
    std::string line = report.substr(pos, end - pos);
    if (line.rfind("El Torito", 0) == 0) std::printf("      %s\n", line.c_str());
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  std::string wim = work + "/iso-boot.wim";
  fs::remove(wim);
  Shell("xorriso -osirrox on -indev " + Quote(iso) + " -extract /sources/boot.wim " + Quote(wim));
  PrintPackages(wim);
  fs::remove(wim);
  PrintOsFolderCheck([&](const std::string& file) {
    std::string extracted = work + "/iso-file";
    fs::remove(extracted);
    Shell("xorriso -osirrox on -indev " + Quote(iso) + " -extract " + Quote("/" + file) + " " + Quote(extracted));
    std::string bytes = ReadFile(extracted);
    fs::remove(extracted);
    return bytes;
  });
}

void PrintUsbResult() {
  auto machine = Machine::Current();
  const platform::host::DriveRecord* usb = machine ? machine->FindDrive('F') : nullptr;
  std::printf("  USB drive F:\\ = %s\n    label \"%s\", file system %s\n", Machine::DriveRootHostPath('F').c_str(),
              ToUtf8(GetVolumeLabelText(L"F:\\")).c_str(), usb ? ToUtf8(usb->fileSystem).c_str() : "?");
  if (const platform::host::DiskRecord* disk = usb ? machine->FindDisk(usb->disk) : nullptr) {
    for (const auto& partition : disk->partitions)
      std::printf("    disk %d (%llu MiB, %s), partition %d: %llu MiB%s\n", disk->number,
                  static_cast<unsigned long long>(disk->size >> 20), disk->style.c_str(), partition.number,
                  static_cast<unsigned long long>(partition.length >> 20), partition.active ? ", active" : "");
  }
  PrintPackages(Machine::HostPath(L"F:\\sources\\boot.wim"));
  PrintUefiLoader(Machine::HostPath(L"F:\\sources\\boot.wim"));
  PrintOsFolderCheck([](const std::string& file) {
    std::string windows = file;
    for (auto& c : windows)
      if (c == '/') c = '\\';
    return ReadFile(Machine::HostPath(L"F:\\" + platform::host::FromUtf8(windows)));
  });
}

void PrintExtraDrivers(const std::string& traceFile) {
  std::istringstream lines(ReadFile(traceFile));
  std::string line, wim;
  std::printf("  the user's own driver packages (D:\\ExtraDrivers):\n");
  while (std::getline(lines, line)) {
    if (const auto at = line.find("mWimPath: "); at != std::string::npos) wim = line.substr(at + 10);
    const std::string mark = "DISMADDDRIVER: extra ";
    if (const auto at = line.find(mark); at != std::string::npos)
      std::printf("    %s image 2: %s\n", wim.c_str(), line.substr(at + mark.size()).c_str());
  }
}

void PrintStagedPerImage(const std::string& dismLogFile) {
  std::istringstream lines(ReadFile(dismLogFile));
  std::string line, image, staged;
  int count = 0;
  auto flush = [&] {
    if (!image.empty()) std::printf("    %s: %d package(s)%s\n", image.c_str(), count, staged.c_str());
    image.clear();
    staged.clear();
    count = 0;
  };
  std::printf("  driver packages staged per image:\n");
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string mounted = "DISM substitute: Mounted ", added = "DISM substitute: Staged ";
    if (const auto at = line.find(mounted); at != std::string::npos) {
      flush();
      image = line.substr(at + mounted.size());
      image = image.substr(0, image.find(" at "));
    } else if (const auto at2 = line.find(added); at2 != std::string::npos && !image.empty()) {
      std::string inf = line.substr(at2 + added.size());
      inf = inf.substr(0, inf.find(" in "));
      staged += (count++ == 0 ? ": " : ", ") + inf.substr(inf.find_last_of('\\') + 1);
    }
  }
  flush();
}
