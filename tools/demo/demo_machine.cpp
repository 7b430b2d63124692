#include "demo_machine.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "demo_shell.h"
#include "platform/folders.h"
#include "sim/machine/machine_builder.h"

namespace fs = std::filesystem;
using platform::host::FromUtf8;
using platform::host::Machine;
using platform::host::kWindowsLabelFile;

namespace {

void Write(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// A disc folder's label: its .windows-label (as Wine reads a folder mapped as a CD-ROM), else
// the folder's name.
std::string LabelOfDiscFolder(const fs::path& folder) {
  std::ifstream in(folder / kWindowsLabelFile);
  std::string label;
  if (in) std::getline(in, label);
  label = Trimmed(label);
  return label.empty() ? folder.filename().string() : label;
}

// The oscdimg folders: the substitute as oscdimg.exe and the two boot files, those of
// `bootFiles` when given (real ones, so that firmware can start the ISO file), else blank ones.
bool InstallIsoTool(platform::host::MachineBuilder& builder, const std::string& tools, const std::string& bootFiles) {
  std::wstring exe = platform::ExecutableFolder();
  builder.InstallTool(exe + L"Oscdimg_x86\\Oscdimg\\oscdimg.exe", tools + "/oscdimg.exe");
  std::string sector(2048, '\0');
  sector[510] = '\x55';
  sector[511] = '\xAA';
  for (const wchar_t* arch : {L"Oscdimg_x86", L"Oscdimg_amd64"}) {
    std::string folder = Machine::HostPath(exe + arch + L"\\Oscdimg");
    if (!bootFiles.empty()) {
      std::error_code ec;
      fs::create_directories(folder, ec);
      for (const char* file : {"etfsboot.com", "efisys.bin"}) {
        fs::copy_file(fs::path(bootFiles) / file, fs::path(folder) / file, fs::copy_options::overwrite_existing, ec);
        if (ec) {
          std::fprintf(stderr, "--boot-files: %s/%s: %s\n", bootFiles.c_str(), file, ec.message().c_str());
          return false;
        }
      }
      continue;
    }
    Write(folder + "/etfsboot.com", sector);
    std::string efi = folder + "/efisys.bin";
    // A small FAT image when mtools is at hand, else a blank one (xorriso takes either).
    int made = 1;
    Shell("mformat -C -f 1440 -i " + Quote(efi) + " ::", &made);
    if (made != 0) Write(efi, std::string(1474560, '\0'));
  }
  return true;
}

}  // namespace

bool BuildDemoMachine(const DemoOptions& options, DemoMachine& machine) {
  machine.folder = options.out + "/machine";
  fs::remove_all(machine.folder);
  fs::create_directories(machine.folder);

  platform::host::MachineBuilder builder(machine.folder);
  builder.Fixed('C', 0);
  if (!options.windows.empty() && !builder.Windows(options.windows, options.tools)) {
    std::fprintf(stderr, "--windows %s: the machine could not be made\n", options.windows.c_str());
    return false;
  }
  builder.Fixed('D', 1, 512ull << 30);
  builder.UsbStickWithLayout('F', 2, options.usbGiB << 30, options.usbLayout);
  if (options.fakeStickGiB > 0)
    builder.FakeCapacity('F', static_cast<std::uint64_t>(options.fakeStickGiB * static_cast<double>(1ull << 30)));

  if (options.discFolder.empty()) {
    std::printf("Generating a 64-bit Windows 7 sample disc of %llu MiB...\n",
                static_cast<unsigned long long>(options.discMiB));
    int status = 0;
    machine.label = Trimmed(Shell(Quote(options.tools + "/make_sample_disc") + " --out " +
                                      Quote(builder.HostFolderOf('E')) + " --arch amd64 --size " +
                                      std::to_string(options.discMiB) + "M",
                                  &status));
    if (status != 0 || machine.label.empty()) {
      std::fprintf(stderr, "make_sample_disc failed: %s\n", machine.label.c_str());
      return false;
    }
    builder.Optical('E', FromUtf8(machine.label));
  } else {
    fs::path disc = fs::absolute(options.discFolder).lexically_normal();
    if (!fs::is_directory(disc)) {
      std::fprintf(stderr, "--disc %s: no such folder\n", options.discFolder.c_str());
      return false;
    }
    machine.label = LabelOfDiscFolder(disc);
    builder.Optical('E', FromUtf8(machine.label));
    // The drive's root is the user's folder itself; the jobs only ever read from the disc.
    builder.Description().FindDrive('E')->root = disc.string();
  }
  builder.Write();
  builder.Use();
  builder.InstallTool(L"C:\\Windows\\System32\\diskpart.exe", options.tools + "/diskpart.exe");
  if (!InstallIsoTool(builder, options.tools, options.bootFiles)) return false;
  // The translation library and the agreement texts beside the program, as the windows need them.
  if (!builder.InstallProgramFiles(options.programFiles)) {
    std::fprintf(stderr, "the program's files could not be installed from %s\n", options.programFiles.c_str());
    return false;
  }

  std::string os = Machine::HostPath(platform::ExecutableFolder() + L"OS");
  if (options.osFolder.empty()) {
    Write(os + "/OS/readme.txt", "Added by Draventa from the OS folder beside the program.\r\n");
  } else {
    std::error_code ec;
    fs::create_directories(os);
    fs::copy(options.osFolder, os, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) {
      std::fprintf(stderr, "--os %s: %s\n", options.osFolder.c_str(), ec.message().c_str());
      return false;
    }
  }
  fs::create_directories(Machine::HostPath(L"D:\\") + "/ISO");
  if (!options.extraDrivers.empty()) {
    std::error_code ec;
    const std::string extra = Machine::HostPath(L"D:\\ExtraDrivers");
    fs::create_directories(extra);
    fs::copy(options.extraDrivers, extra, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) {
      std::fprintf(stderr, "--extra-drivers %s: %s\n", options.extraDrivers.c_str(), ec.message().c_str());
      return false;
    }
  }
  return true;
}
