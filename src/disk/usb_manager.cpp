#include "disk/usb_manager.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>

#include "app/program_data.h"
#include "app/text_case.h"
#include "app/trace_log.h"
#include "disk/diskpart_script.h"
#include "disk/drive_manager.h"
#include "disk/volume_utils.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace {

std::mutex g_instanceLock;
CUSBManager* g_instance = nullptr;
// After formatting, the system mounts the volume again and gives it its letter in its own time:
// seconds on a slow stick. The letter is looked up every 250 ms for up to this long.
std::atomic<std::uint32_t> g_letterWaitMs{30000};
constexpr std::uint32_t kLetterPollMs = 250;

// The diskpart scripts, each formatted into a buffer of 256 bytes. "override" makes the format
// dismount the volume first: Explorer opens a newly inserted stick and scanners hold files on
// it, and diskpart refuses to format a volume in use without it.
std::string FormatScript(unsigned disk, unsigned partition, const char* fileSystem) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, "sel disk %u\r\nsel par %u\r\nformat fs=%s quick override\r\nexit\r\n", disk, partition,
                fileSystem);
  return buffer;
}

std::string ActiveScript(unsigned disk, unsigned partition) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, "sel disk %u\r\nsel par %u\r\nactive\r\nexit\r\n", disk, partition);
  return buffer;
}

// A cleaned disk gets one primary partition, which diskpart numbers 1.
constexpr unsigned kCleanedDiskPartition = 1;

// Windows formats FAT32 volumes of at most 32 GiB; diskpart's "format fs=fat32" refuses a larger
// one ("The volume size is too big."). On a larger disk the new partition is given a size
// below that, with room to spare for diskpart rounding it to the disk's alignment.
constexpr std::uint64_t kLargestFat32FormatBytes = 32ull << 30;
constexpr unsigned kLargeDiskPartitionMiB = 32000;

// `partitionMiB` 0 lets the partition take the whole disk.
std::string CleanAndFormatScript(unsigned disk, const std::string& letter, unsigned partitionMiB) {
  char size[32] = "";
  if (partitionMiB != 0) std::snprintf(size, sizeof size, " size=%u", partitionMiB);
  char buffer[256];
  std::snprintf(buffer, sizeof buffer,
                "sel disk %u\r\nclean\r\ncrea part prim%s\r\nsel part %u\r\nformat fs=fat32 quick override\r\nassign "
                "letter=%s\r\nactive\r\nexit\r\n",
                disk, size, kCleanedDiskPartition, letter.c_str());
  return buffer;
}

// The size of the inventory's disk `disk` in bytes, 0 when unknown.
std::uint64_t DiskSizeOf(int disk) {
  DriveManager& drives = DriveManager::Instance();
  for (std::size_t i = 0; i < drives.GetDriveCount(); ++i)
    if (drives.GetDrive(i)->GetIndex() == disk) return drives.GetDrive(i)->GetDiskSize();
  return 0;
}

// The disk number of the USB disk that carries `root`'s letter now, by a fresh inventory; -1
// when none does.
int UsbDiskHoldingLetterNow(const std::wstring& root) { return ReadUsbDiskLayoutNow(root).disk; }

// Traces and tells that the letter is no longer on the disk the user agreed to erase.
void TellDiskChanged(const std::wstring& letter, int disk, int holder) {
  const std::wstring now = holder < 0 ? std::wstring(L"on no USB disk") : L"on disk " + std::to_wstring(holder);
  TraceLog(L"[CUSBManager::FormatUSB - Cleanandformat USB] " + letter + L" is no longer on disk " +
           std::to_wstring(disk) + L" (now " + now + L"): nothing is cleaned");
  platform::ShowMessageBox(platform::ApplicationWindow(),
                           L"The USB Flash/Disk has changed, nothing was cleaned. Please choose it again.", L"Error",
                           platform::kMbIconError);
}

}  // namespace

CUSBManager* CUSBManager::Instance() {
  std::lock_guard<std::mutex> guard(g_instanceLock);
  if (!g_instance) g_instance = new CUSBManager();
  return g_instance;
}

void CUSBManager::Release() {
  DriveManager::Release();
  std::lock_guard<std::mutex> guard(g_instanceLock);
  delete g_instance;
  g_instance = nullptr;
}

void CUSBManager::SetSettleDelayForTests(std::uint32_t milliseconds) { g_letterWaitMs = milliseconds; }

bool CUSBManager::FormatActiveUSB(std::wstring path, const std::atomic<bool>* stop, int wholeDisk) {
  m_USBLetter = LowerCase(std::move(path));
  m_WholeDiskConsent = wholeDisk;
  return FormatUSB(stop);
}

bool CUSBManager::CheckCond(int& disk, int& partition) {
  if (const UsbDiskLayout layout = ReadUsbDiskLayout(m_USBLetter); layout.found) {
    disk = layout.disk;
    partition = layout.partition;
    return true;
  }
  platform::ShowMessageBox(0, L"This is not a USB disk/flash.", L"Error", platform::kMbIconError);
  return false;
}

bool CUSBManager::RunFormatScript(int disk, int partition) {
  return DiskpartScript::Instance().RunScript(
      FormatScript(static_cast<unsigned>(disk), static_cast<unsigned>(partition), "FAT32"), m_pStop);
}

bool CUSBManager::RunActiveScript(int disk, int partition) {
  return DiskpartScript::Instance().RunScript(ActiveScript(static_cast<unsigned>(disk), static_cast<unsigned>(partition)),
                                              m_pStop);
}

bool CUSBManager::RunCleanAndFormatScript(int disk) {
  std::string letter = platform::WideToAnsi(m_USBLetter.substr(0, 1));
  // One partition over a disk larger than FAT32 formatting allows would fail its format as the
  // first attempt did: the partition is made as large as the format accepts instead.
  unsigned partitionMiB = 0;
  const std::uint64_t diskBytes = DiskSizeOf(disk);
  if (diskBytes > kLargestFat32FormatBytes) {
    partitionMiB = kLargeDiskPartitionMiB;
    TraceLog(L"[CUSBManager::FormatUSB - Cleanandformat USB] disk " + std::to_wstring(disk) + L" holds " +
             std::to_wstring(diskBytes >> 20) + L" MiB: the FAT32 partition is made " +
             std::to_wstring(partitionMiB) + L" MiB");
  }
  return DiskpartScript::Instance().RunScript(
      CleanAndFormatScript(static_cast<unsigned>(disk), letter, partitionMiB), m_pStop);
}

// Formatting failed: with the user's consent, given twice, the whole USB disk is wiped and gets
// one new partition (number 1) with the old letter.
bool CUSBManager::Recover(int disk, int& partition) {
  const platform::WindowHandle owner = platform::ApplicationWindow();
  if (platform::ShowMessageBox(
          owner, L"Formatting failure,will clean your USB Flash/Disk,Do you want to clean USB Flash/Disk?", L"Warning",
          platform::kMbIconWarning | platform::kMbYesNo) != platform::kIdYes)
    return false;
  if (platform::ShowMessageBox(owner, L"Are you sure you want to clean the USB Flash/Disk?", L"Warning",
                               platform::kMbIconWarning | platform::kMbYesNo) != platform::kIdYes)
    return false;
  // The questions may stay open a long time, and the stick may be pulled and another device
  // given its letter meanwhile: the disk is wiped only while it still holds the chosen letter.
  if (const int holder = UsbDiskHoldingLetterNow(m_USBLetter); holder != disk) {
    TellDiskChanged(m_USBLetter, disk, holder);
    return false;
  }
  return RunAgreedClean(disk, partition);
}

bool CUSBManager::CreateScriptFileOrTell() {
  // Without a script file no diskpart can run, the clean of the recovery path neither: the user
  // is not asked to agree to wiping the disk for a failure that wiping can't mend.
  if (DiskpartScript::Instance().CreateScriptFile()) return true;
  TraceLog(L"[CUSBManager::FormatUSB - CreateScriptFile] is fail");
  std::wstring folder = platform::AnsiToWide(GetProgramDataFolder());
  if (folder.empty()) folder = L"the program data folder";
  platform::ShowMessageBox(platform::ApplicationWindow(),
                           L"The USB drive can't be formatted: the diskpart script could not be written in " + folder +
                               L". Check that this folder exists and can be written.\n\nNothing has been changed "
                               L"on any drive.",
                           L"Error", platform::kMbIconError);
  return false;
}

bool CUSBManager::CleanAgreedDisk(int& disk, int& partition) {
  disk = m_WholeDiskConsent;
  // The disk as it is now: the stick may have been pulled or its letter given away since the
  // question was answered.
  const UsbDiskLayout layout = ReadUsbDiskLayoutNow(m_USBLetter);
  TraceLog(L"[CUSBManager::FormatUSB] the user agreed to erase disk " + std::to_wstring(disk) +
           L" whole; " + m_USBLetter + L" is " + (layout.found ? L"on disk " + std::to_wstring(layout.disk) : L"on no USB disk"));
  if (layout.disk != disk) {
    TellDiskChanged(m_USBLetter, disk, layout.disk);
    return false;
  }
  return CreateScriptFileOrTell() && RunAgreedClean(disk, partition);
}

bool CUSBManager::RunAgreedClean(int disk, int& partition) {
  if (!RunCleanAndFormatScript(disk)) {
    if (Cancelled()) return ReportCancelled();
    TraceLog(L"[CUSBManager::FormatUSB - Cleanandformat USB] is fail");
    platform::ShowMessageBox(platform::ApplicationWindow(),
                             L"Still failed, please check your USB Flash/Disk is available.", L"Error",
                             platform::kMbIconError);
    return false;
  }
  partition = static_cast<int>(kCleanedDiskPartition);
  return true;
}

bool CUSBManager::ReportCancelled() {
  TraceLog(L"[CUSBManager::FormatUSB] cancelled while the disk was being prepared: the disk is not cleaned");
  platform::ShowMessageBox(platform::ApplicationWindow(),
                           L"The preparation of the USB drive was cancelled. The USB drive may now be unusable: "
                           L"prepare it again before using it.",
                           L"Warning", platform::kMbIconWarning);
  return false;
}

bool CUSBManager::FormatUSB(const std::atomic<bool>* stop) {
  m_pStop = stop;
  int disk = -1;
  int partition = -1;
  bool success = true;
  if (Cancelled()) {
    TraceLog(L"[CUSBManager::FormatUSB] cancelled before formatting: nothing was changed");
    return false;
  }

  if (m_WholeDiskConsent >= 0) {
    if (!CleanAgreedDisk(disk, partition)) return false;
    return FinishFormat(disk, partition);
  }
  if (!CheckCond(disk, partition)) {
    TraceLog(L"[CUSBManager::FormatUSB - CheckCond] is fail");
    return false;
  }
  TraceLog(L"[CUSBManager::FormatUSB - DiskIndex, PartIndex] " + std::to_wstring(disk) + L" , " +
           std::to_wstring(partition));
  if (m_WholeDiskConsent == kEraseDriveOnly && !ReadUsbDiskLayout(m_USBLetter).inPlace) {
    // The question named the drive alone, but its disk now needs erasing whole: the user never
    // agreed to that.
    TraceLog(L"[CUSBManager::FormatUSB] disk " + std::to_wstring(disk) +
             L" can't be formatted in place any more and the user agreed to erase the drive only: nothing is changed");
    platform::ShowMessageBox(platform::ApplicationWindow(),
                             L"The USB Flash/Disk has changed since you agreed to erase it, nothing was erased. "
                             L"Please choose it again.",
                             L"Error", platform::kMbIconError);
    return false;
  }

  if (!CreateScriptFileOrTell()) return false;
  if (!RunFormatScript(disk, partition)) {
    TraceLog(L"[CUSBManager::FormatUSB - DiskpartFormat] is fail");
    success = false;
  }
  if (success && !RunActiveScript(disk, partition)) {
    TraceLog(L"[CUSBManager::FormatUSB - DiskpartActive] is fail");
    success = false;
  }
  // The job ends as cancelled whatever happens here: wiping the whole disk would erase more and
  // serve nothing.
  if (!success && Cancelled()) return ReportCancelled();
  if (!success && !Recover(disk, partition)) return false;
  return FinishFormat(disk, partition);
}

bool CUSBManager::FinishFormat(int disk, int partition) {
  DiskpartScript::Instance().DeleteScriptFile();

  if (WaitForUSBLtr(disk, partition)) return true;
  if (Cancelled()) {
    TraceLog(L"[CUSBManager::FormatUSB] cancelled while waiting for the letter");
    return false;
  }
  platform::ShowMessageBox(0, L"Get USB disk/flash letter error!", L"Error", platform::kMbIconError);
  TraceLog(L"[CUSBManager::FormatUSB - ReGetUSBLtr] is fail");
  return false;
}

bool CUSBManager::WaitForUSBLtr(int disk, int partition) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const Clock::duration bound = std::chrono::milliseconds(g_letterWaitMs.load());
  auto waited = [start] {
    return std::to_wstring(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()) + L" ms";
  };
  for (;;) {
    // Quiet look-ups while there is time left; the last one traces why it failed.
    const bool last = Clock::now() - start >= bound;
    wchar_t letter = 0;
    if ((last || GetPartitionLetter(disk, partition, letter).ok()) && ReGetUSBLtr(disk, partition)) {
      TraceLog(L"[CUSBManager::FormatUSB] the letter was there after " + waited());
      return true;
    }
    if (last || Cancelled()) {
      TraceLog(L"[CUSBManager::FormatUSB] no letter after " + waited());
      return false;
    }
    platform::SleepMilliseconds(kLetterPollMs);
  }
}

bool CUSBManager::ReGetUSBLtr(int disk, int partition) {
  wchar_t letter = 0;
  std::wstring volume;
  if (platform::Status found = GetPartitionLetter(disk, partition, letter, &volume); !found) {
    if (volume.empty())
      TraceLog(L"[CUSBManager::ReGetUSBLtr] " + found.Describe());
    else
      TraceLog(L"[CUSBManager::ReGetUSBLtr] QueryDosDeviceW: no drive letter names " + volume + L" (" +
               PartitionLinkPath(disk, partition) + L")");
    return false;
  }
  m_USBLetter = std::wstring(1, letter);
  TraceLog(L"[CUSBManager::ReGetUSBLtr] - m_USBLetter: " + m_USBLetter);
  return true;
}
