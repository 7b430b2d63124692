// draventa_demo --out <folder> --tools <folder> [--disc-mib <n>]
//
// Builds a simulated machine in <folder>/machine: C: (the program, its oscdimg folders and "OS"
// folder), D: (the ISO output folder D:\ISO), a generated 64-bit Windows 7 disc in the optical
// drive E: and an 8 GiB USB stick F:. Then runs both jobs through the worker thread exactly as
// the main window starts them (job record filled from the machine, the erase question answered
// yes) and prints where the results are and what they hold. The trace log is copied to <folder>.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>

#include "app/trace_log.h"
#include "demo_window.h"
#include "disk/volume_utils.h"
#include "engine/job_record.h"
#include "engine/operation_thd.h"
#include "engine/win7_ins_creator.h"
#include "platform/folders.h"
#include "platform/host/machine_builder.h"
#include "platform/host/message_box_script.h"
#include "platform/message_box.h"
#include "servicing/driver_payload.h"

namespace fs = std::filesystem;
using platform::host::FromUtf8;
using platform::host::Machine;
using platform::host::ToUtf8;

namespace {

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string Shell(const std::string& command, int* status = nullptr) {
  std::string output;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  int rc = ::pclose(pipe);
  if (status) *status = rc;
  return output;
}

void Write(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
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

// The job record as the main window fills it, and the job run to its end.
int RunJob(std::int32_t mode, const std::wstring& target, std::uint64_t discBytes) {
  std::wstring exe = platform::ExecutableFolder();
  JobPaths paths{L"E:\\",
                 DriverPayloadRoot(),
                 exe + L"OS",
                 target,
                 GetScratchFolder(static_cast<int>(discBytes / 1048576) + 500),
                 HasAmd64AutorunSection(L"E:\\AutoRun.inf")};
  WIN7_OPERAT_INFO info;
  JobRecordProblem problem;
  if (!CheckScratchFolder(mode, paths, problem) || !FillJobRecord(paths, info, problem)) {
    std::printf("  job refused: %s\n", ToUtf8(problem.message).c_str());
    return 1;
  }
  TraceJobRecord(info, mode);
  if (Win7InsCreator::HasFormatStep(mode)) {
    // The window's erase question, answered yes.
    platform::host::ScriptMessageBoxAnswers({platform::kIdYes});
    std::wstring question = L"The selected USB device " + target +
                            L" must be erased in order to continue.  Do you want to erase all contents from this device?";
    int answer = platform::ShowMessageBox(0, question, L"Warning", platform::kMbYesNo);
    std::printf("  %s -> %s\n", ToUtf8(question).c_str(), answer == platform::kIdYes ? "Yes" : "No");
    if (answer != platform::kIdYes) return 1;
  }
  DemoWindow window(Win7InsCreator::GetStepCount(mode), info.szTmpPath);
  TOperationThd thread(true, &window, mode, &info);
  thread.Resume();
  platform::PumpMessagesUntil([&] { return window.Finished(); }, platform::kWaitForeverMs);
  std::printf("  result: %s\n", window.FinishCode() == kJobSucceeded ? "success"
                                : window.FinishCode() == kJobCancelled ? "cancelled" : "FAILED");
  for (const auto& box : platform::host::ShownMessageBoxes())
    if (box.caption != L"Warning") std::printf("  message box \"%s\": %s\n", ToUtf8(box.caption).c_str(), ToUtf8(box.text).c_str());
  platform::host::ClearMessageBoxes();
  return window.FinishCode() == kJobSucceeded ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out = "demo-output", tools;
  std::uint64_t discMiB = 300;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--out") out = argv[i + 1];
    else if (option == "--tools") tools = argv[i + 1];
    else if (option == "--disc-mib") discMiB = std::stoull(argv[i + 1]);
  }
  if (tools.empty()) {
    std::fprintf(stderr, "usage: draventa_demo --out <folder> --tools <build>/tools [--disc-mib <n>]\n");
    return 2;
  }
  out = fs::absolute(out).lexically_normal().string();
  tools = fs::absolute(tools).lexically_normal().string();
  std::string machineFolder = out + "/machine";
  fs::remove_all(machineFolder);
  fs::create_directories(machineFolder);

  // The machine.
  platform::host::MachineBuilder builder(machineFolder);
  builder.Fixed('C', 0);
  builder.Fixed('D', 1, 512ull << 30);
  builder.UsbStick('F', 2, 8ull << 30);
  std::printf("Generating a 64-bit Windows 7 sample disc of %llu MiB...\n", static_cast<unsigned long long>(discMiB));
  int status = 0;
  std::string label = Shell(Quote(tools + "/make_sample_disc") + " --out " + Quote(builder.HostFolderOf('E')) +
                                " --arch amd64 --size " + std::to_string(discMiB) + "M",
                            &status);
  while (!label.empty() && (label.back() == '\n' || label.back() == '\r')) label.pop_back();
  if (status != 0 || label.empty()) {
    std::fprintf(stderr, "make_sample_disc failed: %s\n", label.c_str());
    return 1;
  }
  builder.Optical('E', FromUtf8(label));
  builder.Write();
  builder.Use();
  std::wstring exe = platform::ExecutableFolder();
  builder.InstallTool(L"C:\\Windows\\System32\\diskpart.exe", tools + "/diskpart.exe");
  builder.InstallTool(exe + L"Oscdimg_x86\\Oscdimg\\oscdimg.exe", tools + "/oscdimg.exe");
  std::string sector(2048, '\0');
  sector[510] = '\x55';
  sector[511] = '\xAA';
  for (const wchar_t* arch : {L"Oscdimg_x86", L"Oscdimg_amd64"}) {
    std::string folder = Machine::HostPath(exe + arch + L"\\Oscdimg");
    Write(folder + "/etfsboot.com", sector);
    std::string efi = folder + "/efisys.bin";
    // A small FAT image when mtools is at hand, else a blank one (xorriso takes either).
    int made = 1;
    Shell("mformat -C -f 1440 -i " + Quote(efi) + " ::", &made);
    if (made != 0) Write(efi, std::string(1474560, '\0'));
  }
  Write(Machine::HostPath(exe + L"OS") + "/OS/readme.txt", "Added by Draventa from the OS folder beside the program.\r\n");
  fs::create_directories(Machine::HostPath(L"D:\\") + "/ISO");

  ExtractDriverPayload();
  std::uint64_t discBytes = GetFolderSize(L"E:\\", true);
  std::printf("Machine: %s\n  E:\\ optical drive, disc \"%s\", %llu MiB, 64-bit: %s\n  F:\\ USB stick, 8 GiB\n\n",
              machineFolder.c_str(), label.c_str(), static_cast<unsigned long long>(discBytes >> 20),
              HasAmd64AutorunSection(L"E:\\AutoRun.inf") ? "yes" : "no");

  std::printf("Job 1: Windows 7 disc to ISO file (output folder D:\\ISO)\n");
  int isoFailed = RunJob(kJobToIso, L"D:\\ISO", discBytes);
  std::printf("\nJob 2: Windows 7 disc to USB drive F:\\\n");
  int usbFailed = RunJob(kJobToUsb, L"F:\\", discBytes);

  std::printf("\nResults\n");
  std::string iso = Machine::HostPath(L"D:\\ISO\\" + FromUtf8(label) + L".iso");
  if (!isoFailed && fs::exists(iso)) {
    std::printf("  ISO file D:\\ISO\\%s.iso = %s (%llu MiB)\n", label.c_str(), iso.c_str(),
                static_cast<unsigned long long>(fs::file_size(iso) >> 20));
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
    std::string wim = out + "/iso-boot.wim";
    fs::remove(wim);
    Shell("xorriso -osirrox on -indev " + Quote(iso) + " -extract /sources/boot.wim " + Quote(wim));
    PrintPackages(wim);
    fs::remove(wim);
  } else {
    std::printf("  no ISO file was built\n");
  }
  if (!usbFailed) {
    auto machine = Machine::Current();
    const platform::host::DriveRecord* usb = machine ? machine->FindDrive('F') : nullptr;
    std::printf("  USB drive F:\\ = %s\n    label \"%s\", file system %s\n", Machine::DriveRootHostPath('F').c_str(),
                ToUtf8(GetVolumeLabelText(L"F:\\")).c_str(), usb ? ToUtf8(usb->fileSystem).c_str() : "?");
    PrintPackages(Machine::HostPath(L"F:\\sources\\boot.wim"));
  } else {
    std::printf("  the USB drive was not prepared\n");
  }
  std::string trace = Machine::HostPath(app::TraceLogPath());
  fs::copy_file(trace, out + "/XHCItrace.log", fs::copy_options::overwrite_existing);
  std::printf("  trace log: %s/XHCItrace.log\n", out.c_str());
  return isoFailed || usbFailed ? 1 : 0;
}
