// draventa_demo --out <folder> --tools <folder> [--disc-mib <n>] [--disc <folder>] [--usb-gib <n>]
//               [--os <folder>] [--extra-drivers <folder>] [--only iso|usb] [--windows <profile>]
//               [--usb-layout <layout>] [--all-images] [--verify] [--fake-stick <GiB>] [--boot-files <folder>]
//
// Builds a simulated machine in <folder>/machine (see demo_machine.h), starts the program's
// windows on it as the program does (the mode window as the main form) and has the scripted
// user run the jobs through them: the disc to an ISO file first (the closing question answered
// No, back to the mode window), then the disc to the USB stick (erase Yes, closing question Yes:
// the program ends). It prints what the windows show, then where the results are and what they
// hold, and which DISM back-end the program chose (from its trace log). With --windows the
// machine is that Windows (win7-x86, win7-x86-adk, win7-x64, win10-x64, win11-x64), as far as
// DISM is concerned. With --usb-layout the stick has that layout (MachineBuilder::UsbStickWithLayout;
// the erase question then says what else the disk holds). With --extra-drivers the folder is
// copied to D:\ExtraDrivers and chosen with "Add drivers..." on the mode window; the demo prints
// which packages went into which image and which were skipped and why. With --verify the USB
// job checks every file after writing, and the demo prints the check's result; --fake-stick
// makes the stick claim its --usb-gib size but keep only its first GiB (a fraction allowed), so
// the check finds the files the wrapped writes spoilt. With --boot-files the folder's
// etfsboot.com and efisys.bin go into both oscdimg folders instead of the demo's blank ones, so
// that real firmware can start the ISO file. The trace log is copied to <folder>.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/program_data.h"
#include "app/trace_log.h"
#include "demo_machine.h"
#include "demo_report.h"
#include "demo_view.h"
#include "disk/volume_utils.h"
#include "sim/machine/machine.h"
#include "sim/machine/machine_builder.h"
#include "sim/probes/folder_browser_script.h"
#include "sim/probes/main_window_probe.h"
#include "sim/probes/widgets_probe.h"
#include "platform/main_window.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "scripted_user.h"
#include "ui/dlg_first.h"

namespace fs = std::filesystem;
using platform::host::FromUtf8;
using platform::host::Machine;
using platform::host::ToUtf8;

namespace {

const char kUsage[] =
    "usage: draventa_demo --out <folder> --tools <build>/tools [--disc-mib <n>] [--disc <folder>] [--usb-gib <n>]\n"
    "                     [--os <folder>] [--extra-drivers <folder>] [--only iso|usb] [--windows win7-x86|win7-x86-adk|win7-x64|win10-x64|win11-x64]\n"
    "                     [--usb-layout mbr|gpt|two-partitions|raw|no-table|superfloppy] [--all-images] [--verify]\n"
    "                     [--fake-stick <GiB>] [--boot-files <folder>]\n";

// One job through the windows, timed.
scripted::JobOutcome RunJob(scripted::ScriptedUser& user, const scripted::JobScript& script) {
  auto start = std::chrono::steady_clock::now();
  scripted::JobOutcome outcome = user.RunJob(script);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("  (%.1f s from the mode window to the end of the job)\n", seconds);
  return outcome;
}

// What follows `mark` on each line of the trace log that holds it, without the line's end.
std::vector<std::string> TraceAfter(const std::string& trace, const std::string& mark) {
  std::ifstream in(trace);
  std::string line;
  std::vector<std::string> found;
  while (std::getline(in, line)) {
    std::size_t at = line.find(mark);
    if (at == std::string::npos) continue;
    std::string rest = line.substr(at + mark.size());
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == ' ')) rest.pop_back();
    found.push_back(rest);
  }
  return found;
}

// Each DISM back-end the program chose, as its trace log names it.
void PrintDismBackEnds(const std::string& trace) {
  std::vector<std::string> seen;
  for (const std::string& chosen : TraceAfter(trace, "DISM back-end: ")) {
    if (std::ranges::count(seen, chosen) != 0) continue;
    seen.push_back(chosen);
    std::printf("  DISM back-end: %s\n", chosen.c_str());
  }
  if (seen.empty()) std::printf("  no DISM back-end was chosen\n");
}

// The check after writing, as the trace log records its end.
void PrintFileCheck(const std::string& trace) {
  bool said = false;
  for (const std::string& what : TraceAfter(trace, "[UsbFileCheckOperation:: Excute] ")) {
    if (what == "IsStop") continue;
    std::printf("  check of every file after writing: %s\n", what.c_str());
    said = true;
  }
  if (!said) std::printf("  check of every file after writing: did not finish\n");
}

bool Succeeded(const scripted::JobOutcome& outcome) {
  return outcome.ok && outcome.finishCode == scripted::kFinishSuccess;
}

bool ParseOptions(int argc, char** argv, DemoOptions& options) {
  for (int i = 1; i < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--verify" || option == "--all-images") {  // the options without a value
      (option == "--verify" ? options.verify : options.allImages) = true;
      --i;
      continue;
    }
    if (i + 1 >= argc) return false;
    std::string value = argv[i + 1];
    try {
      if (option == "--out") options.out = value;
      else if (option == "--tools") options.tools = value;
      else if (option == "--disc-mib") options.discMiB = std::stoull(value);
      else if (option == "--disc") options.discFolder = value;
      else if (option == "--usb-gib") options.usbGiB = std::stoull(value);
      else if (option == "--os") options.osFolder = value;
      else if (option == "--fake-stick" && std::stod(value) > 0) options.fakeStickGiB = std::stod(value);
      else if (option == "--extra-drivers") options.extraDrivers = value;
      else if (option == "--boot-files") options.bootFiles = value;
      else if (option == "--only" && (value == "iso" || value == "usb")) options.only = value;
      else if (option == "--usb-layout" && std::ranges::count(platform::host::MachineBuilder::UsbLayoutNames(), value) == 1)
        options.usbLayout = value;
      else if (option == "--windows" && std::ranges::count(platform::host::MachineBuilder::WindowsNames(), value) == 1)
        options.windows = value;
      else return false;
    } catch (const std::exception&) {
      return false;
    }
  }
  return !options.tools.empty() && options.usbGiB > 0;
}

}  // namespace

int main(int argc, char** argv) {
  DemoOptions options;
  if (!ParseOptions(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  options.out = fs::absolute(options.out).lexically_normal().string();
  options.tools = fs::absolute(options.tools).lexically_normal().string();
  DemoMachine machine;
  if (!BuildDemoMachine(options, machine)) return 1;

  std::uint64_t discBytes = GetFolderSize(L"E:\\", true);
  std::printf("Machine: %s\n  E:\\ optical drive, disc \"%s\", %llu MiB, 64-bit: %s\n  F:\\ USB stick, %llu GiB, layout %s\n",
              machine.folder.c_str(), machine.label.c_str(), static_cast<unsigned long long>(discBytes >> 20),
              HasAmd64AutorunSection(L"E:\\AutoRun.inf") ? "yes" : "no",
              static_cast<unsigned long long>(options.usbGiB), options.usbLayout.c_str());
  if (options.fakeStickGiB > 0)
    std::printf("  (a fake-capacity stick: it keeps only its first %.3g GiB, later writes wrap over them)\n",
                options.fakeStickGiB);
  std::printf("\n");

  bool isoOk = true, usbOk = true;
  {
    // The program's start: the mode window is the main form, shown; it writes the driver
    // payload and makes the other two windows.
    ui::TdlgFirst dlgFirst;
    dlgFirst.Show();
    if (!options.extraDrivers.empty()) {
      platform::host::ScriptFolderChoices({L"D:\\ExtraDrivers"});
      platform::host::Click(*platform::host::FindControlAs<platform::Control>(dlgFirst.Form(), L"btnAddDrivers"));
      platform::PumpPendingMessages();
      const auto* said = platform::host::FindControlAs<platform::Label>(dlgFirst.Form(), L"lblExtraDrivers");
      std::printf("Add drivers... D:\\ExtraDrivers: %s\n\n", said ? ToUtf8(said->Text()).c_str() : "?");
    }
    if (options.allImages) {
      platform::host::Click(*platform::host::FindControlAs<platform::Control>(dlgFirst.Form(), L"chkAllImages"));
      platform::PumpPendingMessages();
      std::printf("Also add the drivers to Windows itself: ticked\n\n");
    }
    DemoView view;
    scripted::ScriptedUser user(&view);
    int job = 0;
    bool modeWindowUp = true;
    if (options.only != "usb") {
      std::printf("Job %d: Windows 7 disc to ISO file (output folder D:\\ISO)\n", ++job);
      scripted::JobScript iso;
      iso.mode = ui::kModeOddToIso;
      iso.folder = L"D:\\ISO";
      iso.closeAtFinish = options.only == "iso";
      scripted::JobOutcome outcome = RunJob(user, iso);
      isoOk = Succeeded(outcome);
      modeWindowUp = outcome.backAtModeWindow;
    }
    if (options.only != "iso" && modeWindowUp) {
      std::printf("\nJob %d: Windows 7 disc to USB drive F:\\\n", ++job);
      scripted::JobScript usb;
      usb.mode = ui::kModeOddToUsb;
      usb.closeAtFinish = true;
      usb.checkFiles = options.verify;
      usbOk = Succeeded(RunJob(user, usb));
    } else if (options.only != "iso") {
      usbOk = false;
    }
    // The main form has closed: the message loop returns at once, as the program's does.
    if (platform::host::OpenMainWindow() == 0) platform::RunMessageLoop();
  }

  std::printf("\nResults\n");
  if (options.only != "usb") {
    std::string iso = Machine::HostPath(L"D:\\ISO\\" + FromUtf8(machine.label) + L".iso");
    if (isoOk && fs::exists(iso)) PrintIsoResult(iso, options.out);
    else std::printf("  no ISO file was built\n");
  }
  if (options.only != "iso") {
    if (usbOk) PrintUsbResult();
    else std::printf("  the USB drive was not prepared\n");
    if (options.verify) PrintFileCheck(Machine::HostPath(app::TraceLogPath()));
  }
  std::string trace = Machine::HostPath(app::TraceLogPath());
  PrintDismBackEnds(trace);
  if (!options.extraDrivers.empty()) PrintExtraDrivers(trace);
  if (options.allImages)
    PrintStagedPerImage(Machine::HostPath(platform::AnsiToWide(GetProgramDataFolder()) + L"log.txt"));
  fs::copy_file(trace, options.out + "/XHCItrace.log", fs::copy_options::overwrite_existing);
  std::printf("  trace log: %s/XHCItrace.log\n", options.out.c_str());
  return isoOk && usbOk ? 0 : 1;
}
