#include "servicing/boot_image_rule.h"

std::wstring BootImageCountProblem(const std::wstring& wim, std::uint32_t count) {
  if (count == kServiceableBootImageCount) return {};
  const std::wstring held = L"The setup image " + wim + L" holds " + std::to_wstring(count) + L" image(s)";
  if (count < kSetupBootImageIndex)
    return held + L", but Windows 7 setup runs from its image 2, which gets the drivers. This disc can't be used.";
  return held + L", but a Windows 7 setup disc's boot image holds exactly 2 (Windows PE and Windows setup), so it "
                L"is not known which of them setup runs from. This disc can't be used.";
}
