#include "disk/optical_drives.h"

#include <cwctype>
#include <limits>

#include "disk/volume_utils.h"
#include "platform/volumes.h"

std::vector<std::wstring> BuildDriveRoots() {
  std::vector<std::wstring> roots;
  const std::uint32_t mask = platform::LogicalDriveMask();
  for (int i = 0; i < 26; ++i) {
    if (mask & (1u << i)) roots.push_back(std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\");
  }
  return roots;
}

std::wstring OpticalDriveItemText(const std::wstring& root, const std::wstring& label) {
  return label.empty() ? root : root + L" ( " + label + L" ) ";
}

std::wstring UsbDriveItemText(const std::wstring& root, std::int64_t capacityMB) {
  return capacityMB == 0 ? root : root + L" ( Capacity: " + std::to_wstring(capacityMB) + L" MB )";
}

std::int64_t UsbDriveCapacityMB(const std::wstring& root) {
  if (!IsDriveReady(root)) return 0;
  if (const double total = GetTotalSpaceMB(root); total > 0) return static_cast<std::int64_t>(total);
  // A volume whose file system Windows can't read (RAW: a stick that held a Linux image) has no
  // free-space answer; its partition, or the whole medium, is what the job will erase.
  return static_cast<std::int64_t>(GetVolumeExtentBytes(root) >> 20);
}

std::int64_t ParseCapacity(const std::wstring& text) {
  static const std::wstring kStart = L"Capacity:";
  const std::size_t p = text.find(kStart);
  const std::size_t q = text.find(L"MB )");
  if (p == std::wstring::npos || q == std::wstring::npos || q <= p || q - p <= kStart.size()) return 0;
  std::wstring number = text.substr(p + kStart.size(), q - p - kStart.size());
  const std::size_t first = number.find_first_not_of(L' ');
  if (first == std::wstring::npos) return 0;
  number = number.substr(first, number.find_last_not_of(L' ') - first + 1);
  // A whole decimal number and nothing else; anything longer than 18 digits is not a size.
  if (number.empty() || number.size() > 18) return 0;
  std::int64_t value = 0;
  for (wchar_t c : number) {
    if (c < L'0' || c > L'9') return 0;
    value = value * 10 + (c - L'0');
  }
  return value;
}

std::int32_t MeasureDiscSizeMB(const std::wstring& root) {
  if (root.empty() || !IsDriveReady(root)) return 0;
  const std::uint64_t mib = GetFolderSize(root, true) / 1048576ull;
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(mib > kMax ? kMax : mib);
}
