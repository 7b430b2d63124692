#pragma once
// The host's record of the last failed call per thread, in Windows error codes.
#include <cstdint>

namespace platform::host {

void SetLastErrorCode(std::uint32_t code);
// Maps an errno value to the Windows error code a Windows call would give, and records it.
void SetLastErrorFromErrno(int error);
// Records the mapped errno and returns false, for `return FailWithErrno(errno);`.
bool FailWithErrno(int error);

}  // namespace platform::host
