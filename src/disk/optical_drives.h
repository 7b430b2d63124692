#pragma once
// The drive lists of the wizard's first two steps and the disc's size: which drives are
// offered, with what text, and how big the disc in the chosen optical drive is.
#include <cstdint>
#include <string>
#include <vector>

// One root ("C:\") per drive letter present, A to Z in order.
std::vector<std::wstring> BuildDriveRoots();

// An optical drive's list text: the root alone, or root + " ( " + label + " ) ".
std::wstring OpticalDriveItemText(const std::wstring& root, const std::wstring& label);

// A USB drive's list text: the root alone for a capacity of 0 (a drive that is not ready), else
// root + " ( Capacity: " + capacity + " MB )".
std::wstring UsbDriveItemText(const std::wstring& root, std::int64_t capacityMB);
// The capacity of a USB drive that is ready, in whole MiB; 0 when it is not ready. A volume
// whose file system can't say is measured by its extent on the disk.
std::int64_t UsbDriveCapacityMB(const std::wstring& root);

// The capacity written in a USB list text (between "Capacity:" and "MB )"), 0 when the text
// holds none or it is not a number.
std::int64_t ParseCapacity(const std::wstring& text);

// The disc's contents in whole MiB: the sizes of all files below the root (directory entries
// only, never file contents); 0 when the drive is not ready. Saturates at the int32 limit.
std::int32_t MeasureDiscSizeMB(const std::wstring& root);

// The room a job needs beyond the disc itself, in MiB: the USB drive must hold the disc size +
// this much, and a folder's drive must have more free than that.
constexpr std::int64_t kJobSpareMB = 500;
