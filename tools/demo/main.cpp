// draventa_demo --out <folder> --tools <folder> [--disc-mib <n>] [--disc <folder>] [--usb-gib <n>]
//               [--os <folder>] [--only iso|usb]
//
// Builds a simulated machine in <folder>/machine (see demo_machine.h), then runs the jobs through
// the worker thread exactly as the main window starts them: the job record filled from the
// machine, the check that the job can finish, and every question answered yes. It prints the
// questions, the progress, and where the results are and what they hold. The trace log is
// copied to <folder>.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/trace_log.h"
#include "demo_machine.h"
#include "demo_report.h"
#include "demo_window.h"
#include "disk/volume_utils.h"
#include "engine/job_precheck.h"
#include "engine/job_record.h"
#include "engine/operation_thd.h"
#include "engine/win7_ins_creator.h"
#include "platform/folders.h"
#include "platform/host/machine.h"
#include "platform/host/message_box_script.h"
#include "platform/message_box.h"
#include "servicing/driver_payload.h"

namespace fs = std::filesystem;
using platform::host::FromUtf8;
using platform::host::Machine;
using platform::host::ToUtf8;

namespace {

const char kUsage[] =
    "usage: draventa_demo --out <folder> --tools <build>/tools [--disc-mib <n>] [--disc <folder>] [--usb-gib <n>]\n"
    "                     [--os <folder>] [--only iso|usb]\n";

void PrintBoxes() {
  for (const auto& box : platform::host::ShownMessageBoxes()) {
    const char* answer = (box.flags & 0xF) == platform::kMbYesNo ? (box.answer == platform::kIdYes ? "Yes" : "No") : "OK";
    std::printf("  message box \"%s\": %s -> %s\n", ToUtf8(box.caption).c_str(), ToUtf8(box.text).c_str(), answer);
  }
  platform::host::ClearMessageBoxes();
}

// The job record as the main window fills it, the check, and the job run to its end.
bool RunJob(std::int32_t mode, const std::wstring& target, std::uint64_t discBytes) {
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
    return false;
  }
  bool canRun = ConfirmJobCanFinish(0, mode, info);
  PrintBoxes();
  if (!canRun) return false;
  std::printf("  checked before the job: it can finish\n");
  TraceJobRecord(info, mode);
  // The scripted user says yes to every question: the window's erase question and, should
  // formatting fail, the USB preparation's two questions before it cleans the stick.
  platform::host::ScriptMessageBoxAnswers({platform::kIdYes, platform::kIdYes, platform::kIdYes});
  if (Win7InsCreator::HasFormatStep(mode)) {
    std::wstring question = L"The selected USB device " + target +
                            L" must be erased in order to continue.  Do you want to erase all contents from this device?";
    bool erase = platform::ShowMessageBox(0, question, L"Warning", platform::kMbYesNo) == platform::kIdYes;
    PrintBoxes();
    if (!erase) return false;
    platform::host::ScriptMessageBoxAnswers({platform::kIdYes, platform::kIdYes});
  }
  DemoWindow window(Win7InsCreator::GetStepCount(mode), info.szTmpPath);
  TOperationThd thread(true, &window, mode, &info);
  thread.Resume();
  platform::PumpMessagesUntil([&] { return window.Finished(); }, platform::kWaitForeverMs);
  PrintBoxes();
  std::printf("  result: %s\n", window.FinishCode() == kJobSucceeded   ? "success"
                                : window.FinishCode() == kJobCancelled ? "cancelled"
                                                                       : "FAILED");
  return window.FinishCode() == kJobSucceeded;
}

bool ParseOptions(int argc, char** argv, DemoOptions& options) {
  for (int i = 1; i < argc; i += 2) {
    std::string option = argv[i];
    if (i + 1 >= argc) return false;
    std::string value = argv[i + 1];
    try {
      if (option == "--out") options.out = value;
      else if (option == "--tools") options.tools = value;
      else if (option == "--disc-mib") options.discMiB = std::stoull(value);
      else if (option == "--disc") options.discFolder = value;
      else if (option == "--usb-gib") options.usbGiB = std::stoull(value);
      else if (option == "--os") options.osFolder = value;
      else if (option == "--only" && (value == "iso" || value == "usb")) options.only = value;
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

  ExtractDriverPayload();
  std::uint64_t discBytes = GetFolderSize(L"E:\\", true);
  std::printf("Machine: %s\n  E:\\ optical drive, disc \"%s\", %llu MiB, 64-bit: %s\n  F:\\ USB stick, %llu GiB\n\n",
              machine.folder.c_str(), machine.label.c_str(), static_cast<unsigned long long>(discBytes >> 20),
              HasAmd64AutorunSection(L"E:\\AutoRun.inf") ? "yes" : "no",
              static_cast<unsigned long long>(options.usbGiB));

  bool isoOk = true, usbOk = true;
  int job = 0;
  if (options.only != "usb") {
    std::printf("Job %d: Windows 7 disc to ISO file (output folder D:\\ISO)\n", ++job);
    isoOk = RunJob(kJobToIso, L"D:\\ISO", discBytes);
  }
  if (options.only != "iso") {
    std::printf("\nJob %d: Windows 7 disc to USB drive F:\\\n", ++job);
    usbOk = RunJob(kJobToUsb, L"F:\\", discBytes);
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
  }
  std::string trace = Machine::HostPath(app::TraceLogPath());
  fs::copy_file(trace, options.out + "/XHCItrace.log", fs::copy_options::overwrite_existing);
  std::printf("  trace log: %s/XHCItrace.log\n", options.out.c_str());
  return isoOk && usbOk ? 0 : 1;
}
