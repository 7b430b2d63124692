#pragma once
// "Check every file after writing": the last step of a USB job when the user asked for it.
// It reads every file the job wrote back from the drive, past the system cache, and compares
// it with what was written: the disc's file, or, for the files that differ from the disc's
// (sources\boot.wim as serviced, the "OS" folder's files), the digest taken when they were
// written. A faulty or fake-capacity stick accepts the copy and gives other data back; the
// check finds it before setup fails from the stick.
#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "app/basic_operation.h"

// A file the job wrote whose content is not the disc's, by its path below the drive's root.
struct WrittenFile {
  std::wstring relativePath;  // as written, such as sources\boot.wim
  std::uint64_t size = 0;
  std::uint64_t digest = 0;   // ContentDigest of the bytes
};
// Keyed by the relative path in upper case, as the drive's names are compared.
using WrittenFiles = std::map<std::wstring, WrittenFile>;

// After a USB job's step `code` succeeded: takes the digests of the files it wrote that the
// check can't compare with the disc (the serviced boot image, install.wim when
// `windowsImagesServiced`, the UEFI loader, the "OS" folder's files), through the cache, so they
// are what was written. `usbRoot` and `osFolder` end with a backslash or not. A file that can't
// be read is traced and left out; the check then compares it with the disc's and names it.
void RecordWrittenFiles(std::int32_t code, const std::wstring& usbRoot, const std::wstring& osFolder,
                        bool windowsImagesServiced, WrittenFiles& written);

class UsbFileCheckOperation : public BasicOperation {
 public:
  // `written` belongs to the runner and outlives the operation; null: every file is compared
  // with the disc's.
  UsbFileCheckOperation(platform::WindowHandle hWnd, const std::wstring& sourcePath, const std::wstring& usbRoot,
                        const WrittenFiles* written);

  // Reads every file back. True when all match, and after a stop; false (with the state
  // VERIFYUSBFAIL and a message box naming the first bad file) when one does not.
  std::int32_t Excute() override;
  bool IsStop() override { return m_bStop.load(); }
  void Stop() override { m_bStop.store(true); }

 private:
  struct Expected;
  // Reads the drive's file and compares it; empty text when it matches, else why not.
  std::wstring CheckFile(const Expected& file);
  void Fail(const std::wstring& relativePath, const std::wstring& why);

  std::wstring m_SourcePath;
  std::wstring m_UsbRoot;
  const WrittenFiles* m_pWritten;
  std::uint64_t m_TotalBytes = 0;
  std::uint64_t m_CheckedBytes = 0;
  std::intptr_t m_LastPercent = -1;
  std::atomic<bool> m_bStop{false};
};
