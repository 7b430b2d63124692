#pragma once
// The code of the calling thread's last failed platform call: every Status made for a failure
// records it. It serves the utilities above the platform whose own result is a plain value
// (-1, empty text, 0) and whose callers may still want to know why; everything else reads the
// Status it was given.
#include <cstdint>

namespace platform {

std::uint32_t LastErrorCode();

}  // namespace platform
