#pragma once
// The state codes a job reports to the main window (the wParam of WM_OPERATION_STATE), and the
// message itself.
#include <cstdint>

constexpr std::uint32_t WM_OPERATION_STATE = 0x0400 + 80;  // WM_USER + 80 = 1104

enum OperationState : std::int32_t {
  FORMATUSB = 0,
  FORMATUSBOK = 1,
  BACKUPOS = 2,
  BACKUPOK = 3,
  BACKUPFAIL = 4,
  COPYTOUSB = 5,
  DISMMOUNT = 6,
  DISMMOUNTOK = 7,
  DISMMOUNTFAIL = 8,
  DISMADDDRIVER = 9,
  DISMCOMMIT = 10,
  DISMCOMMITOK = 11,
  DISMCOMMITFAIL = 12,
  DISMUNMOUNT = 13,
  DISMUNMOUNTOK = 14,
  DISMUNMOUNTFAIL = 15,
  COPYIMGDRIVER = 16,
  MAKEISO = 17,
  USERCANCEL = 18,
  FINISH = 19,
  NOSTATE = 20,
  VERIFYUSB = 21,      // reading the USB drive's files back, with a percentage
  VERIFYUSBOK = 22,
  VERIFYUSBFAIL = 23,  // a file read back other than written, or not at all
  // Adding the drivers to Windows itself (image 1 of boot.wim, the editions of install.wim):
  // every phase of every image, with the percent of the whole series (app/serviced_image.h
  // names the image).
  DISMIMAGE = 24,
};
