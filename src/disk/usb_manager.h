#pragma once
// Prepares the USB drive the user chose: finds the USB disk and partition behind its letter,
// formats the partition FAT32 and makes it active with diskpart, falls back to wiping and
// repartitioning the whole disk when that fails and the user agrees twice, and finds the
// partition's drive letter again afterwards (formatting may move it, and a slow stick gets it
// back only seconds later).
#include <atomic>
#include <cstdint>
#include <string>

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
  bool FormatActiveUSB(std::wstring path, const std::atomic<bool>* stop = nullptr);
  bool FormatUSB(const std::atomic<bool>* stop = nullptr);
  // The USB disk number and the layout's partition number behind m_USBLetter.
  bool CheckCond(int& disk, int& partition);
  // Looks the partition's drive letter up again and stores it in m_USBLetter.
  bool ReGetUSBLtr(int disk, int partition);

  // Tests only: the longest wait for the formatted partition's letter (30000 ms; 0 looks it up
  // once). It outlives Release, so it holds for every manager made afterwards.
  static void SetSettleDelayForTests(std::uint32_t milliseconds);

  // On entry the root text as the job gives it; after a successful run the bare drive letter.
  std::wstring m_USBLetter;

 private:
  CUSBManager() = default;

  bool RunFormatScript(int disk, int partition);
  bool RunActiveScript(int disk, int partition);
  bool RunCleanAndFormatScript(int disk);
  bool Recover(int disk, int& partition);
  bool Cancelled() const { return m_pStop && m_pStop->load(); }
  // Traces the cancel and shows the box about the interrupted preparation. Always false.
  bool ReportCancelled();
  // ReGetUSBLtr, tried every 250 ms until the letter is there or the wait's bound has passed.
  bool WaitForUSBLtr(int disk, int partition);

  const std::atomic<bool>* m_pStop = nullptr;  // FormatUSB's `stop`, for the scripts it runs
};
