#include "windows_faults_rows.h"

#include <memory>

#include <cstdlib>
#include <filesystem>
#include <iterator>

#include "app/operation_state.h"
#include "disk/usb_manager.h"
#include "platform/dism_api.h"
#include "platform/folders.h"
#include "sim/machine/machine.h"

namespace fs = std::filesystem;

namespace e2e {

namespace {

using platform::host::Machine;

constexpr const char kProgramData[] = "C:\\ProgramData\\Qarvel\\DraventaWin";
constexpr const wchar_t kTraceLog[] = L"C:\\ProgramData\\Qarvel\\DraventaWin\\XHCItrace.log";
constexpr const wchar_t kFailed[] = L"(Operation failed)";
constexpr const wchar_t kCopyFailed[] = L"lblState: Copy files failed.(Operation failed)";
// The disc's loss named in a box, and the copy's own failure on the page below it.
constexpr const wchar_t kDiscLost[] =
    L"Error: The disc in E:\\ can't be read any more: it was taken out of the drive, or it is damaged. Put the disc "
    L"back and start again. [OK]\nlblState: Copy files failed.(Operation failed)";
constexpr const wchar_t kNoIso[] = L"make ISO error: The ISO file could not be built: ";
constexpr const wchar_t kStillFailed[] = L"Error: Still failed, please check your USB Flash/Disk is available.";
constexpr const wchar_t kCancelled[] = L"You have cacelled the operation, Do you want to close this tool?";

FaultRow Usb(std::string id, std::string fault) {
  FaultRow row;
  row.id = std::move(id);
  row.fault = std::move(fault);
  row.mode = 0;
  return row;
}

FaultRow Iso(std::string id, std::string fault) {
  FaultRow row = Usb(std::move(id), std::move(fault));
  row.mode = 1;
  return row;
}

FaultRow With(FaultRow row, std::vector<std::pair<std::string, std::string>> switches) {
  row.switches = std::move(switches);
  return row;
}

FaultRow At(FaultRow row, int state, std::intptr_t minValue = 0) {
  row.arm = Arm::AtState;
  row.armState = state;
  row.armMinValue = minValue;
  return row;
}

FaultRow Expect(FaultRow row, int finish, std::wstring seen) {
  row.finish = finish;
  row.expectSeen = std::move(seen);
  return row;
}

FaultRow AtStep2(FaultRow row) {
  row.arm = Arm::AtStep2;
  return row;
}

FaultRow Cancelled(FaultRow row) {
  row.cancel = true;
  return row;
}

FaultRow Short(FaultRow row) {
  row.shortLimits = true;
  return row;
}

// The stick F: (8 GiB) laid out as a user's stick may be; a second partition goes on H:, as G:
// is the other stick.
std::function<void(test::TempMachine&)> StickLaidOut(const std::string& layout) {
  return [layout](test::TempMachine& machine) {
    machine.Builder().UsbStickWithLayout('F', 2, 8ull << 30, layout, 'H');
    machine.Apply();
  };
}

// After the job the stick is what Windows 7 setup boots from: one active FAT32 primary partition
// on an MBR disk, on F:.
std::string PreparedMbrStick(test::TempMachine&) {
  auto machine = Machine::Current();
  const platform::host::DriveRecord* drive = machine ? machine->FindDrive('F') : nullptr;
  const platform::host::DiskRecord* disk = drive ? machine->FindDisk(drive->disk) : nullptr;
  if (!disk || disk->style != "mbr" || disk->partitions.size() != 1 || !disk->partitions[0].active ||
      disk->partitions[0].mbrType != 0x0C || drive->fileSystem != L"FAT32")
    return "FAILED: F: is not one active FAT32 partition on an MBR disk";
  return "F: one active FAT32 partition on an MBR disk";
}

// The optical disc taken out of its drive.
void EjectDisc(test::TempMachine&) {
  Machine::Update([](platform::host::MachineDescription& machine) {
    if (auto* drive = machine.FindDrive('E')) drive->media = false;
  });
}

// The page's status after a DISM call failed: the phase the call belongs to, then the failure.
std::wstring PhaseFailed(const std::string& function) {
  std::wstring phase;
  if (function == "DismMountImage" || function == "DismOpenSession") phase = L"Mounting the boot.wim. Please wait...";
  if (function == "DismAddDriver") phase = L"Adding into the driver. Please wait...";
  if (function == "DismCommitImage" || function == "DismCloseSession") phase = L"Committing...";
  if (function == "DismUnmountImage") phase = L"Unmounting the boot.wim. Please wait...";
  return phase.empty() ? phase : phase + kFailed;
}

FaultRow Dism(const std::string& function, const std::string& hr, int mode = 1) {
  std::string id = (mode == 1 ? "" : "Usb") + function.substr(4) + "Fails";
  std::string words = function + " fails (" + hr + ")";
  if (auto at = hr.find('@'); at != std::string::npos) {
    id += "Once";
    words = function + " fails once (" + hr.substr(0, at) + " at call " + hr.substr(at + 1) + ")";
  }
  FaultRow row = mode == 1 ? Iso(id, words) : Usb(id, words);
  row = With(row, {{"dism." + function, hr}});
  row.expectState = PhaseFailed(function);
  return Expect(row, scripted::kFinishFailure, L"DismCpp: " + platform::host::FromUtf8(function));
}

std::vector<FaultRow> MakeRows() {
  using scripted::kFinishCancelled;
  using scripted::kFinishFailure;
  using scripted::kFinishSuccess;
  using scripted::kNoFinish;
  std::vector<FaultRow> rows;

  // The copy.
  rows.push_back(Expect(AtStep2(With(Usb("TargetFullAfterOneMiB", "the target drive full after 1 MiB"),
                                     {{"copy.failAfterBytes", "1048576"}})),
                        kFinishFailure, kCopyFailed));
  rows.push_back(Expect(AtStep2(With(Usb("SourceFileUnreadable", "a source file can't be read (E:\\sources\\boot.wim, CRC error)"),
                                     {{"copy.readFail", "E:\\sources\\boot.wim"}})),
                        kFinishFailure, kCopyFailed));
  {
    FaultRow row = At(Usb("DiscRemovedDuringTheCopy", "the disc taken out during the copy (at 10 %)"), COPYTOUSB, 10);
    row.atMoment = EjectDisc;
    rows.push_back(Expect(row, kFinishFailure, kDiscLost));
  }
  {
    FaultRow row = At(Iso("IsoDiscRemovedDuringTheCopy", "the disc taken out during the copy (at 10 %)"), BACKUPOS, 10);
    row.atMoment = EjectDisc;
    rows.push_back(Expect(row, kFinishFailure, kDiscLost));
  }
  {
    // Its files go onto the FAT32 stick too: the check before the job refuses it (a sparse file).
    FaultRow row = Usb("OsFolderFileOver4GiB", "a file of 4.5 GB in the \"OS\" folder beside the program");
    row.prepare = [](test::TempMachine& machine) {
      const std::string file = machine.Host(platform::ExecutableFolder() + L"OS") + "/sources/install.wim";
      test::WriteHostFile(file, "");
      fs::resize_file(file, 4500000000u);
    };
    rows.push_back(Expect(row, kNoFinish, L"folder beside the program can't be copied onto a USB drive"));
  }
  // The stick refuses the 64-bit disc's UEFI loader: it is made all the same, for legacy start,
  // and the user reads why in a box before the finish question.
  rows.push_back(Expect(At(With(Usb("UefiLoaderRefusedByTheStick", "the stick refuses its efi\\boot folder (access denied)"),
                                {{"files.denyWrite", "F:\\efi\\boot"}}),
                           DISMMOUNT),
                        kFinishSuccess, L"Information: The 64-bit UEFI boot loader could not be written to the USB drive"));
  {
    // The stick claims 8 GiB and keeps 1 MiB: the job's later writes wrap over its first files,
    // and the check after writing names the first file that reads back spoilt.
    FaultRow row = Usb("FakeCapacityStick", "a fake-capacity stick keeping only 1 MiB, with the check after writing");
    row.checkFiles = true;
    row.prepare = [](test::TempMachine& machine) {
      machine.Builder().FakeCapacity('F', 1ull << 20);
      machine.Apply();
    };
    rows.push_back(Expect(row, kFinishFailure, L"does not read back as it was written."));
    rows.back().expectState = L"Checking the files on the USB drive failed.(Operation failed)";
  }
  rows.push_back(Expect(AtStep2(With(Usb("DiscFolderCantBeListed", "a folder of the disc can't be listed (E:\\sources)"),
                                     {{"files.listFail", "E:\\sources"}})),
                        kFinishFailure, kCopyFailed));
  rows.push_back(Expect(AtStep2(With(Iso("IsoDiscFolderCantBeListed", "a folder of the disc can't be listed (E:\\sources)"),
                                     {{"files.listFail", "E:\\sources"}})),
                        kFinishFailure, kCopyFailed));

  // diskpart.
  for (const char* statement : {"select", "format", "active"})
    rows.push_back(Expect(With(Usb(std::string("DiskpartFailsAt_") + statement,
                                   std::string("diskpart fails at \"") + statement + "\" (exit code 4), every time"),
                               {{"diskpart.failOn", statement}}),
                          kFinishFailure, kStillFailed));
  for (const char* statement : {"clean", "create", "assign"})
    rows.push_back(Expect(With(Usb(std::string("DiskpartFailsAtFormatThen_") + statement,
                                   std::string("diskpart fails at \"format\", then in the recovery at \"") + statement + "\""),
                               {{"diskpart.failOn", std::string("format,") + statement}}),
                          kFinishFailure, kStillFailed));
  rows.push_back(Expect(With(Usb("DiskpartFailsOnceRecoveryWorks", "diskpart fails once at \"format\"; the user agrees to clean the stick"),
                             {{"diskpart.failOn", "format"}, {"diskpart.failCount", "1"}}),
                        kFinishSuccess, L"lblState: Successfully update system image"));
  {
    FaultRow row = With(Usb("DiskpartFailsOnceUserDeclines", "diskpart fails once at \"format\"; the user declines the clean"),
                        {{"diskpart.failOn", "format"}, {"diskpart.failCount", "1"}});
    row.workerAnswer = platform::kIdNo;
    rows.push_back(Expect(row, kFinishFailure, kFailed));
  }
  rows.push_back(Expect(With(Usb("DiskpartExitsVdsError", "diskpart exits 0x8004242D at \"format\", every time"),
                             {{"diskpart.failOn", "format"}, {"diskpart.failCode", "0x8004242D"}}),
                        kFinishFailure, kStillFailed));
  rows.push_back(Expect(Short(With(Usb("DiskpartHangs", "diskpart hangs at \"format\""), {{"diskpart.hangOn", "format"}})),
                        kFinishFailure, kStillFailed));
  {
    // Once the user has cancelled, the failed format does not lead to wiping the whole stick.
    FaultRow row = Expect(Cancelled(Short(At(With(Usb("DiskpartHangsUserCancels", "diskpart hangs at \"format\"; the user presses Cancel"),
                                                  {{"diskpart.hangOn", "format"}}),
                                             FORMATUSB))),
                          kFinishCancelled, kCancelled);
    row.expectNotSeen = L"Formatting failure";
    rows.push_back(row);
  }
  {
    // Cancel while diskpart hangs, at the program's own limit of ten minutes: diskpart is ended
    // at once, the user is told the stick may be unusable, and nothing is cleaned.
    FaultRow row = Cancelled(At(With(Usb("CancelDuringAHangingDiskpart", "Cancel during a hanging diskpart (at \"format\")"),
                                     {{"diskpart.hangOn", "format"}}),
                                FORMATUSB));
    row.cancelAfterMs = 1500;
    row.expectNotSeen = L"Formatting failure";
    row.verify = [](test::TempMachine& machine) {
      const std::string trace = test::ReadHostFile(machine.Host(kTraceLog));
      if (trace.find("[RunProcess] ended at the user's cancel") == std::string::npos)
        return std::string("FAILED: diskpart was not ended at the cancel");
      return std::string("diskpart ended at the cancel");
    };
    rows.push_back(Expect(row, kFinishCancelled, L"The USB drive may now be unusable"));
  }
  {
    // Explorer or a scanner holding files on the stick: the format dismounts it and needs no clean.
    FaultRow row = With(Usb("StickInUse", "the stick in use (a program holds files on it)"), {{"diskpart.inUse", "F"}});
    row.expectNotSeen = L"Formatting failure";
    rows.push_back(Expect(row, kFinishSuccess, L"lblState: Successfully update system image"));
  }
  {
    // Sticks as users have them. Layouts that can't be formatted in place are named in the erase
    // question and erased whole at once, without the format that would fail and the questions
    // after it; a volume Windows can't read still shows its size, so the job can be started.
    const std::pair<const char*, std::wstring> kWholeDiskSaid[] = {
        {"gpt", L"The disk is a GPT disk: the whole disk will be erased and given a new MBR partition."},
        {"two-partitions", L"The whole disk will be erased, with its other partitions: H: (4,096 MB)."},
        {"no-table", L"The disk has no partition table: the whole disk will be erased and given a new MBR partition."},
        {"superfloppy", L"The volume fills the whole disk without a partition table: the whole disk will be erased"},
        // Shown as 0 MB, the stick would keep Next disabled and the job would never start.
        {"raw", L"lblState: Successfully update system image"},
    };
    const char* kWords[] = {"a GPT stick", "a stick with two partitions (F: and H:)",
                            "a stick without a partition table (a RAW volume over the whole medium)",
                            "a superfloppy stick (FAT32 over the whole disk, no partition table)",
                            "a stick whose volume Windows can't read (RAW, a Linux image)"};
    const char* kIds[] = {"GptStick", "TwoPartitionStick", "NoPartitionTableStick", "SuperfloppyStick", "RawVolumeStick"};
    for (std::size_t i = 0; i < std::size(kWholeDiskSaid); ++i) {
      FaultRow row = Usb(kIds[i], kWords[i]);
      row.prepare = StickLaidOut(kWholeDiskSaid[i].first);
      row.verify = PreparedMbrStick;
      row.expectNotSeen = L"Formatting failure";
      rows.push_back(Expect(row, kFinishSuccess, kWholeDiskSaid[i].second));
    }
  }
  rows.push_back(Expect(With(Usb("LetterLostAfterFormat", "the stick's letter does not come back after formatting"),
                             {{"diskpart.formatNewLetter", "-"}}),
                        kFinishFailure, L"Error: Get USB disk/flash letter error!"));
  {
    // A slow stick gives its letter back seconds after the format: the program waits for it up to
    // its bound, and the trace says how long it took.
    auto waitUpTo = [](std::uint32_t ms) {
      return [ms](test::TempMachine&) { CUSBManager::SetSettleDelayForTests(ms); };
    };
    FaultRow slow = With(Usb("SlowLetterAfterFormat", "a slow stick: its letter comes back 5 s after formatting"),
                         {{"diskpart.letterDelayMs", "5000"}});
    slow.prepare = waitUpTo(30000);
    slow.verify = [](test::TempMachine& machine) {
      const std::string trace = test::ReadHostFile(machine.Host(kTraceLog));
      const std::string said = "the letter was there after ";
      const auto at = trace.find(said);
      if (at == std::string::npos) return std::string("FAILED: the wait for the letter is not traced");
      const long ms = std::atol(trace.c_str() + at + said.size());
      return (ms >= 4500 ? std::string() : std::string("FAILED: ")) + "letter after " + std::to_string(ms) + " ms";
    };
    rows.push_back(Expect(slow, kFinishSuccess, L"lblState: Successfully update system image"));
    FaultRow late = With(Usb("LetterTooLateAfterFormat", "a slow stick whose letter is not back within the wait (2 s)"),
                         {{"diskpart.letterDelayMs", "600000"}});
    late.prepare = waitUpTo(2000);
    rows.push_back(Expect(late, kFinishFailure, L"Error: Get USB disk/flash letter error!"));
  }
  rows.push_back(Expect(With(Usb("LetterMovesAfterFormat", "formatting gives the stick another letter (K:)"),
                             {{"diskpart.formatNewLetter", "K"}}),
                        kFinishSuccess, L"lblState: Successfully update system image"));

  // DISM.
  rows.push_back(Expect(With(Iso("DismMissing", "DISM missing (DismInitialize: 0x8007007E, module not found)"),
                             {{"dism.DismInitialize", "0x8007007E"}}),
                        kNoFinish, L"Windows' DISM could not be used"));
  rows.push_back(Expect(With(Usb("UsbDismInitializeFails", "DismInitialize fails (0x80070005)"),
                             {{"dism.DismInitialize", "0x80070005"}}),
                        kNoFinish, L"Windows' DISM could not be used"));
  rows.push_back(Dism("DismGetImageInfo", "0x80004005@2"));
  rows.push_back(Dism("DismMountImage", "0xC1420117"));
  rows.push_back(Dism("DismOpenSession", "0x80004005"));
  rows.push_back(Dism("DismAddDriver", "0x80070002"));
  rows.push_back(Dism("DismCommitImage", "0x80004005"));
  rows.push_back(Dism("DismCloseSession", "0x80004005@1"));
  rows.push_back(Dism("DismUnmountImage", "0xC1420117@1"));
  for (const char* function : {"DismCloseSession", "DismUnmountImage"}) {
    FaultRow row = Dism(function, "0xC1420117");
    row.fault += ", every time";
    row.imageStaysMounted = true;
    rows.push_back(row);
  }
  rows.push_back(Dism("DismMountImage", "0xC1420117", 0));
  rows.push_back(Dism("DismCommitImage", "0x80004005", 0));
  rows.push_back(Dism("DismUnmountImage", "0xC1420117@1", 0));

  // DISM through dism.exe (a 64-bit Windows), and mounts that earlier runs left behind.
  {
    auto onWindows = [](const char* windows) {
      return [windows](test::TempMachine& machine) {
        const char* tools = std::getenv("DRAVENTA_TEST_TOOLS");
        if (tools && machine.Builder().Windows(windows, tools)) machine.Apply();
      };
    };
    FaultRow mount = With(Iso("DismExeMountFails", "win10-x64: dism.exe /Mount-Wim fails (0xC1420117)"),
                          {{"dismexe.mount-wim", "0xC1420117"}});
    mount.prepare = onWindows("win10-x64");
    mount.expectState = PhaseFailed("DismMountImage");
    rows.push_back(Expect(mount, kFinishFailure, L"DismCpp: DismMountImage"));
    FaultRow hang = Short(With(Usb("UsbDismExeAddDriverHangs", "win7-x64: dism.exe /Add-Driver hangs"),
                               {{"dismexe.add-driver", "hang"}}));
    hang.prepare = onWindows("win7-x64");
    hang.expectState = PhaseFailed("DismAddDriver");
    rows.push_back(Expect(hang, kFinishFailure, L"DismCpp: DismAddDriver"));
    FaultRow garbage = With(Iso("DismExeCommitPrintsNonsense", "win11-x64: dism.exe /Commit-Wim prints nonsense"),
                            {{"dismexe.commit-wim", "garbage"}});
    garbage.prepare = onWindows("win11-x64");
    garbage.expectState = PhaseFailed("DismCommitImage");
    rows.push_back(Expect(garbage, kFinishFailure, L"DismCpp: DismCommitImage"));

    auto leaveMount = [](int status) {
      return [status](test::TempMachine& machine) {
        const std::wstring folder = platform::host::FromUtf8(std::string(kProgramData) + "\\90000");
        if (machine.Builder().LeaveMount(L"E:\\sources\\boot.wim", 2, folder, status)) machine.Apply();
      };
    };
    FaultRow remount = Iso("StaleMountNeedsRemount", "boot.wim's image 2 left mounted by a killed run, needing a remount");
    remount.prepare = leaveMount(platform::kDismMountStatusNeedsRemount);
    rows.push_back(Expect(remount, kFinishSuccess, L"Successful!"));
    FaultRow stuck = With(Usb("UsbStaleMountStays", "a mount left by a killed run that DISM can't unmount"),
                          {{"dism.DismUnmountImage", "0xC1420117"}});
    stuck.prepare = leaveMount(platform::kDismMountStatusOk);
    stuck.imageStaysMounted = true;
    rows.push_back(Expect(stuck, kNoFinish, L"could not be removed. Restart Windows and try again."));
  }

  // The ISO tool.
  {
    FaultRow row = Iso("IsoToolMissing", "the ISO tool missing (oscdimg.exe not beside the program)");
    row.prepare = [](test::TempMachine& machine) {
      fs::remove(machine.Host(L"C:\\Program Files\\Draventa\\Oscdimg_x86\\Oscdimg\\oscdimg.exe"));
    };
    rows.push_back(Expect(row, kNoFinish, L"oscdimg.exe was not found"));
  }
  rows.push_back(Expect(With(Iso("IsoToolCantStart", "the ISO tool can't be started (CreateProcessW fails)"),
                             {{"process.startFail", "oscdimg.exe"}}),
                        kFinishFailure, kNoIso));
  rows.push_back(Expect(With(Iso("IsoToolPipeFails", "the pipe for the ISO tool's output can't be made (CreatePipe fails)"),
                             {{"process.pipeFail", "oscdimg.exe"}}),
                        kFinishFailure, kFailed));
  rows.push_back(Expect(With(Iso("IsoToolCrashes", "the ISO tool crashes at 40 %"), {{"oscdimg.crashAt", "40"}}),
                        kFinishFailure, kNoIso));
  rows.push_back(Expect(With(Iso("IsoToolStopsEarly", "the ISO tool ends (exit 0) at 60 % without an image"),
                             {{"oscdimg.stopAt", "60"}}),
                        kFinishFailure, kNoIso));
  rows.push_back(Expect(With(Iso("IsoToolExitsNonZero", "the ISO tool exits with code 1 after 100 %"),
                             {{"oscdimg.exitCode", "1"}}),
                        kFinishFailure, kNoIso));
  rows.push_back(Expect(Short(With(Iso("IsoToolHangs", "the ISO tool hangs at 30 %"), {{"oscdimg.hangAt", "30"}})),
                        kFinishFailure, kNoIso));
  rows.push_back(Expect(Cancelled(At(With(Iso("IsoToolHangsUserCancels", "the ISO tool hangs at 30 %; the user presses Cancel"),
                                          {{"oscdimg.hangAt", "30"}}),
                                     MAKEISO, 30)),
                        kFinishCancelled, kCancelled));
  {
    FaultRow row = At(Iso("OutputFolderVanishesDuringTheBuild", "the output folder D:\\ISO removed during the build"), MAKEISO, 1);
    row.atMoment = [](test::TempMachine& machine) { fs::remove_all(machine.Host(L"D:\\ISO")); };
    rows.push_back(Expect(row, kFinishFailure, kNoIso));
  }
  {
    FaultRow row = At(Iso("OutputFolderVanishesBeforeTheBuild", "the output folder D:\\ISO removed before the build"),
                      DISMUNMOUNTOK);
    row.atMoment = [](test::TempMachine& machine) { fs::remove_all(machine.Host(L"D:\\ISO")); };
    rows.push_back(Expect(row, kFinishFailure, L"make ISO error: The ISO directory does not exist."));
  }

  // The program data folder and the trace log.
  rows.push_back(Expect(AtStep2(With(Iso("ProgramDataNotWritable", "the program data folder not writable (from step 2)"),
                                     {{"files.denyWrite", kProgramData}})),
                        kFinishFailure, kFailed));
  rows.push_back(Expect(AtStep2(With(Usb("UsbProgramDataNotWritable", "the program data folder not writable (from step 2)"),
                                     {{"files.denyWrite", kProgramData}})),
                        kFinishFailure, L"Error: The USB drive can't be formatted: the diskpart script could not be written in "));
  // Another user made the program data folder's parent first and owns it: the program must not
  // start, and writes nothing there, its trace log included.
  {
    FaultRow row = Iso("ForeignProgramDataParent", "C:\\ProgramData\\Qarvel made and owned by another user");
    row.refusedAtStart = true;
    auto traceBefore = std::make_shared<std::string>();
    row.prepare = [traceBefore](test::TempMachine& machine) {
      *traceBefore = test::ReadHostFile(machine.Host(kTraceLog));
      machine.Builder().Owner(L"C:\\ProgramData\\Qarvel", "PC\\bob");
      machine.Apply();
    };
    row.verify = [traceBefore](test::TempMachine& machine) {
      return test::ReadHostFile(machine.Host(kTraceLog)) == *traceBefore ? std::string("trace log untouched")
                                                                          : std::string("FAILED: the trace log was written");
    };
    rows.push_back(Expect(row, scripted::kNoFinish,
                          L"The folder C:\\ProgramData\\Qarvel belongs to PC\\bob, not to the system or the administrators."));
  }
  {
    FaultRow row = With(Iso("TraceLogLocked", "the trace log held open by another program"),
                        {{"files.locked", std::string(kProgramData) + "\\XHCItrace.log"}});
    const std::string held = "another program holds this file\r\n";
    row.prepare = [held](test::TempMachine& machine) {
      std::string path = machine.Host(kTraceLog);
      fs::create_directories(fs::path(path).parent_path());
      test::WriteHostFile(path, held);
    };
    row.verify = [held](test::TempMachine& machine) {
      std::string now = test::ReadHostFile(machine.Host(kTraceLog));
      return now == held ? std::string("trace log untouched") : std::string("FAILED: the locked trace log was written");
    };
    rows.push_back(Expect(row, kFinishSuccess, L"lblState: Successfully update system image"));
  }

  // The user's Cancel during each operation.
  rows.push_back(Expect(Cancelled(At(Usb("CancelDuringFormat", "Cancel while the stick is formatted"), FORMATUSB)),
                        kFinishCancelled, kCancelled));
  rows.push_back(Expect(Cancelled(At(Usb("CancelDuringTheCopy", "Cancel during the copy to the stick (at 10 %)"), COPYTOUSB, 10)),
                        kFinishCancelled, kCancelled));
  rows.push_back(Expect(Cancelled(At(Usb("CancelDuringDism", "Cancel while boot.wim is mounted"), DISMMOUNTOK)),
                        kFinishCancelled, kCancelled));
  rows.push_back(Expect(Cancelled(At(Usb("CancelBeforeTheOsFolder", "Cancel as DISM ends (before the OS folder copy)"), DISMUNMOUNTOK)),
                        kFinishCancelled, kCancelled));
  rows.push_back(Expect(Cancelled(At(Iso("IsoCancelDuringTheCopy", "Cancel during the copy to the scratch folder (at 10 %)"), BACKUPOS, 10)),
                        kFinishCancelled, kCancelled));
  rows.push_back(Expect(Cancelled(At(Iso("IsoCancelDuringDism", "Cancel while boot.wim is committed"), DISMCOMMIT)),
                        kFinishCancelled, kCancelled));
  rows.push_back(Expect(Cancelled(At(Iso("IsoCancelDuringTheBuild", "Cancel while the ISO file is written"), MAKEISO, 1)),
                        kFinishCancelled, kCancelled));

  // A failed ISO build leaves its own state on the page, not the step before it.
  for (FaultRow& row : rows)
    if (row.expectSeen.rfind(L"make ISO error: ", 0) == 0) row.expectState = std::wstring(L"Generating ISO. Please wait...") + kFailed;
  return rows;
}

}  // namespace

const std::vector<FaultRow>& FaultRows() {
  static const std::vector<FaultRow> rows = MakeRows();
  return rows;
}

}  // namespace e2e
