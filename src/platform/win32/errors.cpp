#include "platform/errors.h"

#include <windows.h>

namespace platform {

std::uint32_t LastErrorCode() { return GetLastError(); }

}  // namespace platform
