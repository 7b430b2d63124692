#pragma once
// How DISM is reached on this system. The DISM API runs in this process only where the
// process's architecture is the system's (Microsoft supports no 32-bit DISM API on 64-bit
// Windows): from the system folder's dismapi.dll (Windows 8 and later) or a deployment kit's
// (Windows 7 with the ADK). Everywhere else the system's own dism.exe serves: the native one
// through Sysnative under WOW64. Each candidate looked at is traced.
#include <cstdint>
#include <memory>

#include "servicing/dism_backend.h"

namespace DismCpp {

// Null when neither the DISM API nor dism.exe can be used.
std::unique_ptr<DismBackend> ChooseDismBackend(std::uint32_t dismExeSilenceLimitMs);

}  // namespace DismCpp
