#pragma once
// The host's record of the last failed call per thread, in Windows error codes, and the Status
// a host service returns from it.
#include <cstdint>
#include <string>
#include <utility>

#include "platform/status.h"

namespace platform::host {

void SetLastErrorCode(std::uint32_t code);
std::uint32_t LastErrorCode();
// The Windows error code a Windows call would give for an errno value.
std::uint32_t WindowsCodeOfErrno(int error);
// Maps an errno value to the Windows error code a Windows call would give, and records it.
void SetLastErrorFromErrno(int error);
// Records the mapped errno and returns false, for `return FailWithErrno(errno);`.
bool FailWithErrno(int error);

// The failure of `call` on `object` with the code recorded for this thread.
inline Status LastStatus(std::string call, std::wstring object = {}) {
  return Status::Win32(LastErrorCode(), std::move(call), std::move(object));
}

// Runs `body` (which returns false on failure and records the code) with a clean record, and
// turns its outcome into the Status of `call` on `object`.
template <typename Body>
Status Run(std::string call, std::wstring object, Body&& body) {
  SetLastErrorCode(0);
  return body() ? Status() : LastStatus(std::move(call), std::move(object));
}

}  // namespace platform::host
