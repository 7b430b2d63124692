#pragma once
// Prepares the USB drive the user chose: finds the USB disk and partition behind its letter,
// formats the partition FAT32 and makes it active with diskpart, falls back to wiping and
// repartitioning the whole disk when that fails and the user agrees twice, and finds the
// partition's drive letter again afterwards (formatting may move it, and a slow stick gets it
// back only seconds later).
#include <atomic>
#include <cstdint>
#include <string>

#include "disk/usb_disk_layout.h"

class CUSBManager {
 public:
  // The process-wide manager, created on first use.
  static CUSBManager* Instance();
  // Destroys the drive inventory and then the manager; the next use creates both afresh.
  static void Release();

  // Stores `path` (the USB drive's root, such as E:\) in lower case in m_USBLetter and runs
  // FormatUSB. True on success; m_USBLetter then holds the formatted partition's drive letter.
  // `stop` is the job's cancel flag, read while formatting; null when nothing can cancel. A
  // cancel ends a running diskpart at once and the preparation with it, never with the question
  // to wipe the whole disk: one box tells the user that the drive may now be unusable and must
  // be prepared again. The wait for the letter afterwards ends at a cancel too.
  // `wholeDisk` is what the erase question agreed to: the disk number the user agreed to erase
  // whole (the question named its other partitions, or a layout that can't be formatted in
  // place), kEraseDriveOnly when it named only the drive, kEraseNotAsked when no question was
  // asked about the layout. With a disk number that disk is cleaned and repartitioned at once,
  // and only while the letter is still on it; with kEraseDriveOnly a layout that needs the
  // whole disk erased (it changed after the question) is refused; kEraseNotAsked formats the
  // partition and asks before wiping the disk when that fails.
  bool FormatActiveUSB(std::wstring path, const std::atomic<bool>* stop = nullptr, int wholeDisk = kEraseNotAsked);
  bool FormatUSB(const std::atomic<bool>* stop = nullptr);
  // The USB disk number and the layout's partition number behind m_USBLetter (0 for a disk
  // without a partition table).
  bool CheckCond(int& disk, int& partition);
  // Looks the partition's drive letter up again and stores it in m_USBLetter.
  bool ReGetUSBLtr(int disk, int partition);

  // Tests only: the longest wait for the formatted partition's letter (30000 ms; 0 looks it up
  // once). It outlives Release, so it holds for every manager made afterwards.
  static void SetSettleDelayForTests(std::uint32_t milliseconds);

  // On entry the root text as the job gives it; after a successful run the bare drive letter.
  std::wstring m_USBLetter;
  // The disk the user agreed to erase whole for this run, -1 for none.
  int m_WholeDiskConsent = kEraseNotAsked;

 private:
  CUSBManager() = default;

  bool RunFormatScript(int disk, int partition);
  bool RunActiveScript(int disk, int partition);
  bool RunCleanAndFormatScript(int disk);
  bool Recover(int disk, int& partition);
  // The whole-disk path the user agreed to: one clean script, while the letter is still on the
  // agreed disk.
  bool CleanAgreedDisk(int& disk, int& partition);
  // Writes the diskpart script file; false (after telling the user) when it can't be written.
  bool CreateScriptFileOrTell();
  // Cleans the disk and makes its one FAT32 partition; on success `partition` is that one.
  bool RunAgreedClean(int disk, int& partition);
  // Removes the script file and finds the formatted partition's letter.
  bool FinishFormat(int disk, int partition);
  bool Cancelled() const { return m_pStop && m_pStop->load(); }
  // Traces the cancel and shows the box about the interrupted preparation. Always false.
  bool ReportCancelled();
  // ReGetUSBLtr, tried every 250 ms until the letter is there or the wait's bound has passed.
  bool WaitForUSBLtr(int disk, int partition);

  const std::atomic<bool>* m_pStop = nullptr;  // FormatUSB's `stop`, for the scripts it runs
};
