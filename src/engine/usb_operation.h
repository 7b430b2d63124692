#pragma once
// The first step of a job to a USB drive: has the drive erased, formatted FAT32 and made active,
// then labels the new volume after the source disc.
#include <atomic>
#include <string>

#include "app/basic_operation.h"
#include "disk/usb_disk_layout.h"

class USBOperation : public BasicOperation {
 public:
  // `wholeDisk`: what the erase question agreed to (see CUSBManager::FormatActiveUSB).
  USBOperation(platform::WindowHandle hWnd, const std::wstring& usbPath, const std::wstring& volumeLabel,
               int wholeDisk = kEraseNotAsked);
  // Releases the USB manager and with it the drive inventory, so the next job sees the disks
  // afresh.
  ~USBOperation() override;
  // IsStop keeps the base behaviour. Stop (from the window thread) is passed on to the USB
  // manager: it ends a running diskpart and the wait for the letter, and the step ends without
  // the questions about wiping the whole disk.
  std::int32_t Excute() override;
  void Stop() override { m_bStop = true; }

  // After a successful run, the prepared drive's root (such as G:\ when formatting moved the
  // drive from F:); empty before. The runner hands it to the later steps.
  std::wstring TargetRoot() const { return m_TargetRoot; }

 private:
  std::wstring m_USBPath;      // the USB drive's root, such as F:\ (from szTagPath)
  std::wstring m_VolumeLabel;  // the source disc's label, may be empty
  std::wstring m_TargetRoot;
  int m_WholeDisk = kEraseNotAsked;
  std::atomic<bool> m_bStop{false};
};
