#pragma once
// The machine's regional settings.
#include <cstdint>

namespace platform {

// The system default locale identifier (GetSystemDefaultLCID), such as 0x409 for English
// (United States) or 0x804 for Chinese (PRC).
std::uint32_t SystemDefaultLocale();

}  // namespace platform
