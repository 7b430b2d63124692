// Both jobs end to end through the program's windows on the host, driven by the scripted user
// as a person drives them: the mode window, the licence, the three wizard steps and the closing
// question, with the results checked on the machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

#include "app/trace_log.h"
#include "disk/volume_utils.h"
#include "sim/machine/machine.h"
#include "platform/messages.h"
#include "servicing/test_wim.h"
#include "sim/probes/folder_browser_script.h"
#include "sim/probes/widgets_probe.h"
#include "support/recording_job_window.h"
#include "ui/qv_multi_lang.h"
#include "windows_machine.h"

namespace fs = std::filesystem;

namespace {

using e2e::RecordingObserver;
using scripted::JobOutcome;


constexpr const wchar_t kEraseEnd[] =
    L" must be erased in order to continue.  Do you want to erase all contents from this device?";

class WindowsJobs : public e2e::WindowsJobTest {};

// Image `image`'s Windows\Boot\EFI\bootmgfw.efi, empty when it has none.
std::string BootManagerOfImage(const std::string& wim, int image) {
  const std::string folder = wim + ".efi-" + std::to_string(image);
  e2e::Shell("wimextract '" + wim + "' " + std::to_string(image) + " /Windows/Boot/EFI/bootmgfw.efi --dest-dir='" +
             folder + "'");
  std::string bytes = fs::exists(folder + "/bootmgfw.efi") ? test::ReadHostFile(folder + "/bootmgfw.efi") : "";
  fs::remove_all(folder);
  return bytes;
}

bool SawState(const JobOutcome& outcome, const std::wstring& text) {
  for (const auto& [state, percent] : outcome.states)
    if (state == text) return true;
  return false;
}

TEST_F(WindowsJobs, TheIsoJobThenTheUsbJobThroughTheWindowsUntilTheProgramEnds) {
  StartProgram();
  RecordingObserver seen;
  scripted::ScriptedUser user(&seen);

  JobOutcome iso = user.RunJob(e2e::IsoJob(false));
  ASSERT_TRUE(iso.ok) << iso.failure;
  EXPECT_EQ(iso.finishCode, scripted::kFinishSuccess);
  EXPECT_EQ(iso.finishQuestions, 1);
  ASSERT_EQ(iso.boxes.size(), 1u) << "only the closing question";
  EXPECT_EQ(iso.boxes[0].caption, L"Finished");
  EXPECT_EQ(iso.boxes[0].text, L"Successful! Do you want to close this tool?");
  EXPECT_EQ(iso.boxes[0].flags & 0xF, platform::kMbYesNo);
  EXPECT_TRUE(iso.backAtModeWindow);
  EXPECT_FALSE(iso.programEnded);
  EXPECT_TRUE(SawState(iso, L"Generating ISO. Please wait..."));
  EXPECT_EQ(iso.finalState, L"Successfully update system image");
  EXPECT_EQ(iso.finalPercent, L"100");
  EXPECT_GT(iso.stateMessages, 5);

  // What the wizard showed on the way.
  std::uint64_t discMiB = GetFolderSize(L"E:\\", true) / 1048576;
  EXPECT_EQ(seen.LastList(L"cmbDVDlist"), std::vector<std::wstring>{L"E:\\ ( " + label_ + L" ) "});
  ASSERT_FALSE(seen.fields.empty());
  EXPECT_EQ(seen.LastPage(L"step 1").title, L"Step 1 of 3: " + Translate(L"USB Step1 Caption"));
  EXPECT_EQ(seen.LastPage(L"step 1").note, Translate(L"USB Step1 Note"));
  EXPECT_EQ(seen.LastPage(L"step 2").title, L"Step 2 of 3: " + Translate(L"ISO Step2 Caption"));
  EXPECT_EQ(seen.LastPage(L"step 2").note, Translate(L"ISO Step2 Note"));
  EXPECT_EQ(seen.LastPage(L"step 3").title, L"Step 3 of 3: " + Translate(L"ISO Step3 Caption"));
  EXPECT_EQ(seen.LastPage(L"step 3").note, Translate(L"ISO Step3 Note"));
  bool measured = false, folder = false;
  for (const auto& [field, text] : seen.fields) {
    measured = measured || (field == L"lblWait" && text == L"Capacity: " + std::to_wstring(discMiB) + L" MB");
    folder = folder || (field == L"EdtISOPathdst" && text == L"D:\\ISO\\");
  }
  EXPECT_TRUE(measured) << "lblWait shows the disc's size in MiB";
  EXPECT_TRUE(folder) << "the chosen folder, with its backslash";

  ASSERT_TRUE(fs::exists(IsoHost())) << IsoHost();
  for (const char* file : {"/OS/readme.txt", "/sources/boot.wim"}) {
    std::string listing = e2e::Shell("xorriso -indev '" + IsoHost() + "' -find " + file);
    EXPECT_NE(listing.find(std::string("'") + file + "'"), std::string::npos) << listing;
  }
  EXPECT_EQ(e2e::Shell("xorriso -indev '" + IsoHost() + "' -find / -name bootx64.efi").find("bootx64.efi'"),
            std::string::npos)
      << "the ISO starts UEFI through efisys.bin and gets no efi\\boot\\bootx64.efi";
  EXPECT_EQ(ScratchLeftovers(), std::vector<std::string>{});
  EXPECT_EQ(MountedImages(), 0u);
  EXPECT_TRUE(StickUntouched());

  // The mode window is back: the USB job through the same windows, ended with Yes.
  JobOutcome usb = user.RunJob(e2e::UsbJob(true));
  ASSERT_TRUE(usb.ok) << usb.failure;
  EXPECT_EQ(usb.finishCode, scripted::kFinishSuccess);
  EXPECT_EQ(usb.eraseQuestions, 1);
  EXPECT_EQ(usb.finishQuestions, 1);
  std::vector<std::wstring> sticks = seen.LastList(L"cmbUsbList");
  ASSERT_EQ(sticks.size(), 1u);
  EXPECT_EQ(sticks[0].rfind(L"F:\\ ( Capacity: ", 0), 0u) << platform::host::ToUtf8(sticks[0]);
  ASSERT_EQ(usb.boxes.size(), 2u);
  EXPECT_EQ(usb.boxes[0].caption, L"Warning");
  EXPECT_EQ(usb.boxes[0].text, L"The selected USB device " + sticks[0] + kEraseEnd);
  EXPECT_EQ(usb.boxes[1].text, L"Successful! Do you want to close this tool?");
  EXPECT_EQ(usb.boxes[1].answer, platform::kIdYes);
  EXPECT_TRUE(usb.programEnded) << "Yes closes the mode window, which ends the program";
  EXPECT_EQ(seen.LastPage(L"step 2").title, L"Step 2 of 3: " + Translate(L"USB Step2 Caption"));
  EXPECT_EQ(seen.LastPage(L"step 3").title, L"Step 3 of 3: " + Translate(L"USB Step3 Caption"));
  EXPECT_TRUE(SawState(usb, L"Formatting USB disk/flash successful."));
  EXPECT_EQ(usb.finalState, L"Successfully update system image");

  auto machine = platform::host::Machine::Current();
  ASSERT_NE(machine->FindDrive('F'), nullptr);
  EXPECT_EQ(machine->FindDrive('F')->fileSystem, L"FAT32");
  EXPECT_TRUE(machine->FindDisk(2)->partitions[0].active);
  EXPECT_FALSE(StickUntouched()) << "the stick was erased";
  std::string stick = platform::host::Machine::DriveRootHostPath('F');
  EXPECT_EQ(test::ReadHostFile(stick + "/OS/readme.txt"), "from the OS folder\r\n");
  std::string image2 = e2e::Shell("wimdir '" + stick + "/sources/boot.wim' 2");
  EXPECT_NE(image2.find("DriverStore/FileRepository/iusb3xhc.inf"), std::string::npos);
  // The 64-bit disc has no efi\boot\bootx64.efi: the stick got image 2's UEFI boot manager.
  EXPECT_EQ(test::ReadHostFile(stick + "/efi/boot/bootx64.efi"), BootManagerOfImage(stick + "/sources/boot.wim", 2));
  EXPECT_EQ(ScratchLeftovers(), std::vector<std::string>{});
  EXPECT_EQ(MountedImages(), 0u);
}

// A 64-bit disc whose boot.wim holds no UEFI boot manager: the stick is made for legacy start
// only, and the user reads so in a box before the finish question, whose text stays as it is.
TEST_F(WindowsJobs, WithoutAUefiBootManagerTheUserIsToldTheStickStartsInLegacyModeOnly) {
  const std::string wim = machine_.Builder().HostFolderOf('E') + "/sources/boot.wim";
  for (const char* image : {"1", "2"})
    e2e::Shell("wimupdate '" + wim + "' " + image + " --command='delete /Windows/Boot/EFI/bootmgfw.efi'");
  ASSERT_EQ(BootManagerOfImage(wim, 2), "");
  StartProgram();
  scripted::ScriptedUser user;
  JobOutcome usb = user.RunJob(e2e::UsbJob(true));
  ASSERT_TRUE(usb.ok) << usb.failure;
  EXPECT_EQ(usb.finishCode, scripted::kFinishSuccess);
  ASSERT_EQ(usb.boxes.size(), 3u);
  EXPECT_EQ(usb.boxes[1].caption, L"Information");
  EXPECT_EQ(usb.boxes[1].flags, platform::kMbOk | platform::kMbIconInformation);
  EXPECT_NE(usb.boxes[1].text.find(L"legacy BIOS mode (CSM)"), std::wstring::npos);
  EXPECT_EQ(usb.boxes[2].text, L"Successful! Do you want to close this tool?");
  EXPECT_FALSE(fs::exists(platform::host::Machine::DriveRootHostPath('F') + "/efi/boot"));
  const std::string trace = test::ReadHostFile(machine_.Host(app::TraceLogPath()));
  EXPECT_NE(trace.find("UEFI: no loader written, the USB drive starts in legacy BIOS (CSM) mode only"), std::string::npos);
  EXPECT_NE(trace.find("[UpdateResult] note: No 64-bit UEFI boot loader"), std::string::npos);
  EXPECT_EQ(MountedImages(), 0u);
}

// Both jobs on each Windows the users run, whichever way DISM is reached there: the result's
// image 2 holds the four packages, and the trace names what served.
class WindowsJobsOnEachWindows : public e2e::WindowsJobTest,
                                 public ::testing::WithParamInterface<std::pair<const char*, const char*>> {
 protected:
  std::string WindowsProfile() const override { return GetParam().first; }
};

TEST_P(WindowsJobsOnEachWindows, BothJobsPutTheFourPackagesIntoImageTwo) {
  StartProgram();
  RecordingObserver seen;
  scripted::ScriptedUser user(&seen);
  JobOutcome iso = user.RunJob(e2e::IsoJob(false));
  ASSERT_TRUE(iso.ok) << iso.failure;
  EXPECT_EQ(iso.finishCode, scripted::kFinishSuccess);
  JobOutcome usb = user.RunJob(e2e::UsbJob(true));
  ASSERT_TRUE(usb.ok) << usb.failure;
  EXPECT_EQ(usb.finishCode, scripted::kFinishSuccess);

  const std::string isoWim = machine_.Folder() + "/iso-boot.wim";
  e2e::Shell("xorriso -osirrox on -indev '" + IsoHost() + "' -extract /sources/boot.wim '" + isoWim + "'");
  const std::string stickWim = platform::host::Machine::DriveRootHostPath('F') + "/sources/boot.wim";
  for (const std::string& wim : {isoWim, stickWim}) {
    std::string image2 = e2e::Shell("wimdir '" + wim + "' 2");
    for (const char* package : {"asmthub3.inf", "asmtxhci.inf", "iusb3hub.inf", "iusb3xhc.inf"})
      EXPECT_NE(image2.find(std::string("DriverStore/FileRepository/") + package), std::string::npos) << wim << package;
  }
  std::string trace = test::ReadHostFile(machine_.Host(app::TraceLogPath()));
  EXPECT_NE(trace.find(std::string("[DismManager] DISM back-end: ") + GetParam().second), std::string::npos);
  EXPECT_EQ(MountedImages(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowsJobsOnEachWindows,
    ::testing::Values(
        std::make_pair("win7-x86", "dism.exe C:\\Windows\\System32\\dism.exe"),
        std::make_pair("win7-x86-adk", "DISM API C:\\Program Files\\Windows Kits\\10\\Assessment and Deployment Kit"),
        std::make_pair("win7-x64", "dism.exe C:\\Windows\\Sysnative\\dism.exe"),
        std::make_pair("win10-x64", "dism.exe C:\\Windows\\Sysnative\\dism.exe"),
        std::make_pair("win11-x64", "dism.exe C:\\Windows\\Sysnative\\dism.exe")),
    [](const ::testing::TestParamInfo<std::pair<const char*, const char*>>& info) {
      std::string name = info.param.first;
      for (auto& c : name) {
        if (c == '-') c = '_';
      }
      return name;
    });

TEST_F(WindowsJobs, DecliningTheEraseQuestionLeavesTheStickAndReturnsToStepTwo) {
  StartProgram();
  RecordingObserver seen;
  scripted::ScriptedUser user(&seen);

  // No: the wizard is back on step 2 (the scripted user checks that), nothing ran, and the user
  // goes back to the mode window.
  scripted::JobScript declined = e2e::UsbJob(false);
  declined.eraseAnswers = {false};
  JobOutcome no = user.RunJob(declined);
  ASSERT_TRUE(no.ok) << no.failure;
  EXPECT_TRUE(no.declined);
  EXPECT_EQ(no.eraseQuestions, 1);
  EXPECT_EQ(no.finishQuestions, 0);
  EXPECT_EQ(no.stateMessages, 0);
  EXPECT_TRUE(no.backAtModeWindow);
  EXPECT_TRUE(StickUntouched());
  EXPECT_FALSE(fs::exists(machine_.Folder() + "/diskpart.log")) << "diskpart never ran";
  EXPECT_EQ(ScratchLeftovers(), std::vector<std::string>{});

  // No, then Yes on the next press: the job runs from step 2.
  scripted::JobScript second = e2e::UsbJob(true);
  second.eraseAnswers = {false, true};
  JobOutcome yes = user.RunJob(second);
  ASSERT_TRUE(yes.ok) << yes.failure;
  EXPECT_EQ(yes.eraseQuestions, 2);
  ASSERT_EQ(yes.boxes.size(), 3u);
  EXPECT_EQ(yes.boxes[0].answer, platform::kIdNo);
  EXPECT_EQ(yes.boxes[1].answer, platform::kIdYes);
  EXPECT_EQ(yes.finishCode, scripted::kFinishSuccess);
  EXPECT_TRUE(yes.programEnded);
  EXPECT_FALSE(StickUntouched());
}

// The user's own folder, examined again once the disc is known: before anything is erased a box
// lists the packages that fit this 64-bit disc and names the skipped one. Cancel there goes back
// with the stick untouched; OK runs the job, which puts the fitting package into image 2 only.
TEST_F(WindowsJobs, TheUsersOwnPackagesAreListedForTheDiscBeforeTheEraseAndAddedToImageTwo) {
  const std::string inf = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=USB\r\n[Manufacturer]\r\n%M%=Models,";
  auto write = [&](const std::wstring& path, const std::vector<unsigned char>& bytes) {
    fs::create_directories(fs::path(machine_.Host(path)).parent_path());
    std::ofstream(machine_.Host(path), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                static_cast<std::streamsize>(bytes.size()));
  };
  auto text = [](const std::string& t) { return std::vector<unsigned char>(t.begin(), t.end()); };
  write(L"D:\\drivers\\new\\xnew.inf", text(inf + "NTamd64\r\n[Models.NTamd64]\r\n[SourceDisksNames]\r\n1=%D%\r\n"
                                                 "[SourceDisksFiles.amd64]\r\nxnew.sys=1,amd64\r\n"));
  write(L"D:\\drivers\\new\\amd64\\xnew.sys", test::PeFileBytes(0x8664));
  write(L"D:\\drivers\\old\\xold.inf", text(inf + "NTx86\r\n[SourceDisksFiles.x86]\r\nxold.sys=1,i386\r\n"));
  write(L"D:\\drivers\\old\\i386\\xold.sys", test::PeFileBytes(0x14C));
  StartProgram();
  platform::host::ScriptFolderChoices({L"D:\\drivers"});
  platform::host::Click(*platform::host::FindControlAs<platform::Control>(program_->Form(), L"btnAddDrivers"));
  platform::PumpPendingMessages();
  scripted::ScriptedUser user;

  for (const int answer : {platform::kIdCancel, platform::kIdOk}) {
    SCOPED_TRACE(answer == platform::kIdOk ? "OK" : "Cancel");
    scripted::JobScript script = e2e::UsbJob(true);
    script.okCancelAnswer = answer;
    JobOutcome outcome = user.RunJob(script);
    ASSERT_TRUE(outcome.ok) << outcome.failure;
    ASSERT_FALSE(outcome.boxes.empty());
    EXPECT_EQ(outcome.boxes[0].caption, Translate(L"Extra Drivers Caption"));
    EXPECT_EQ(outcome.boxes[0].text, L"1 driver packages from D:\\drivers will be added.\nSkipped: xold.inf (" +
                                         std::wstring(L"has models for x86 only, the disc is amd64)\n\n") +
                                         Translate(L"Extra Drivers Go On"));
    if (answer == platform::kIdCancel) {
      EXPECT_TRUE(outcome.refused);
      EXPECT_EQ(outcome.eraseQuestions, 0);
      EXPECT_TRUE(StickUntouched());
      continue;
    }
    EXPECT_EQ(outcome.eraseQuestions, 1);
    EXPECT_EQ(outcome.finishCode, scripted::kFinishSuccess);
  }
  const std::string image2 =
      e2e::Shell("wimdir '" + platform::host::Machine::DriveRootHostPath('F') + "/sources/boot.wim' 2");
  EXPECT_NE(image2.find("DriverStore/FileRepository/xnew.inf"), std::string::npos);
  EXPECT_EQ(image2.find("xold.inf"), std::string::npos);
  EXPECT_NE(image2.find("DriverStore/FileRepository/iusb3xhc.inf"), std::string::npos);
}

// Cancel pressed at a random moment of each job: after some state messages, or after a delay.
// Whatever the moment, exactly one closing question comes, its text tells the truth (cancelled
// exactly when the press reached the wizard before the job's report), and the job leaves no
// scratch files and no mounted image behind.
TEST_F(WindowsJobs, ACancelAtARandomMomentEndsInOneTruthfulFinish) {
  std::mt19937 random(e2e::TestSeed());
  StartProgram();
  scripted::ScriptedUser user;
  const int jobs = 4;
  int cancelled = 0;
  for (int job = 0; job < jobs; ++job) {
    scripted::JobScript script = job % 2 ? e2e::UsbJob(job == jobs - 1) : e2e::IsoJob(job == jobs - 1);
    if (random() % 2) {
      script.cancelAt = scripted::CancelAt::AfterStateMessages;
      script.cancelAfterStates = static_cast<int>(random() % 30);
    } else {
      script.cancelAt = scripted::CancelAt::AfterDelay;
      script.cancelAfterMs = random() % 1500;
    }
    script.cancelPresses = 1 + static_cast<int>(random() % 2);
    SCOPED_TRACE("job " + std::to_string(job) + (script.cancelAt == scripted::CancelAt::AfterDelay
                                                     ? ", cancel after " + std::to_string(script.cancelAfterMs) + " ms"
                                                     : ", cancel after " + std::to_string(script.cancelAfterStates) +
                                                           " state messages"));
    JobOutcome outcome = user.RunJob(script);
    ASSERT_TRUE(outcome.ok) << outcome.failure;
    EXPECT_EQ(outcome.finishQuestions, 1);
    EXPECT_TRUE(outcome.finishCode == scripted::kFinishSuccess || outcome.finishCode == scripted::kFinishCancelled)
        << outcome.finishCode;
    EXPECT_EQ(outcome.finishCode == scripted::kFinishCancelled, outcome.nextTagAtFinish == 2)
        << "the finish code says cancelled exactly when a Cancel press reached the wizard";
    if (outcome.cancelPresses == 0) {
      EXPECT_EQ(outcome.finishCode, scripted::kFinishSuccess);
    }
    EXPECT_EQ(ScratchLeftovers(), std::vector<std::string>{});
    EXPECT_EQ(MountedImages(), 0u);
    cancelled += outcome.finishCode == scripted::kFinishCancelled;
    EXPECT_EQ(outcome.programEnded, job == jobs - 1);
  }
  std::cout << cancelled << " of " << jobs << " jobs ended cancelled\n";
}

}  // namespace

namespace {

// A stick smaller than the disc plus 500 MB: the wizard keeps Next disabled on step 2, and the
// scripted user stops there, naming the step, instead of waiting for ever.
class WindowsJobsSmallStick : public e2e::WindowsJobTest {
 protected:
  std::uint64_t StickBytes() const override { return 256ull << 20; }
};

TEST_F(WindowsJobsSmallStick, NextStaysDisabledAndTheUserStopsOnStepTwo) {
  StartProgram();
  RecordingObserver seen;
  scripted::ScriptedUser user(&seen);
  JobOutcome outcome = user.RunJob(e2e::UsbJob(false));
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.failure.rfind("step 2: Next stays disabled for \"F:\\ ( Capacity: ", 0), 0u) << outcome.failure;
  EXPECT_EQ(outcome.eraseQuestions, 0);
  EXPECT_EQ(outcome.finishCode, scripted::kNoFinish);
  EXPECT_TRUE(StickUntouched());
}

}  // namespace
