#include "platform/locale.h"

#include <windows.h>

namespace platform {

std::uint32_t SystemDefaultLocale() { return GetSystemDefaultLCID(); }

}  // namespace platform
