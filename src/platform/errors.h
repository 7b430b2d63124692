#pragma once
// The Windows error code of the calling thread's last failed platform call (GetLastError), so
// a failure trace can name the reason. Read it right after the call that failed: any later
// platform call may change it.
#include <cstdint>
#include <string>

namespace platform {

std::uint32_t LastErrorCode();

// " (error N)" for a trace line.
inline std::wstring ErrorSuffix(std::uint32_t code) { return L" (error " + std::to_wstring(code) + L")"; }

}  // namespace platform
